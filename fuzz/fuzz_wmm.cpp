// Feeds arbitrary bytes to the WMM.COF reader (through a file, as the program reads it) and runs
// the synthesis on whatever model comes out.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "geodesy/MagneticModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = fuzzfiles::makeScratchDirectory("wmm");
    std::string path = dir + geodesy::kMagneticModelFile;
    fuzzfiles::writeFile(path, data, size);

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
