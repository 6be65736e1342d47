// Feeds arbitrary bytes to the WMM.COF reader (through a file, as the program reads it) and runs
// the synthesis on whatever model comes out.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "geodesy/MagneticModel.h"

namespace {

const std::string& scratchDirectory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz-wmm-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        return std::string(pattern) + "/";
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = scratchDirectory();
    std::string path = dir + geodesy::kMagneticModelFile;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    static geodesy::MagneticModel model;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%s", dir.c_str());
    if (!model.loadMagneticModel(buffer, sizeof buffer, geodesy::MagneticModel::kMaxDegree))
        return 0;
    geodesy::MagneticField field;
    const float year = model.epoch() + 1.0f;
    static const float kPlaces[][3] = {{0, 45, 10}, {0, 45, 10}, {10, -90, 0}, {0, 89.9f, -170}};
    for (const auto& p : kPlaces)
        model.computeMagneticField(p[0], p[1], p[2], year, field);
    return 0;
}
