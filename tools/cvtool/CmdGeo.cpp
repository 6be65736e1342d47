#include <cstring>

#include "CliSupport.h"
#include "Commands.h"
#include "GeoCommands.h"

namespace cvtool {

int cmdGeo(int argc, char** argv) {
    struct Sub {
        const char* name;
        int (*run)(int, char**);
    };
    static constexpr Sub kSubs[] = {{"datums", geoDatums}, {"shift", geoShift},
                                    {"utm", geoUtm},       {"wmm", geoWmm},
                                    {"nav", geoNav},       {"format", geoFormat}};
    if (argc < 1)
        return usageError("geo needs a sub-command: datums, shift, utm, wmm, nav or format");
    for (const auto& s : kSubs)
        if (std::strcmp(argv[0], s.name) == 0) return s.run(argc - 1, argv + 1);
    return usageError("unknown geo sub-command '%s'", argv[0]);
}

} // namespace cvtool
