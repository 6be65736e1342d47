#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "geodesy/MagneticModel.h"

namespace {

geodesy::MagneticModel& loadedModel() {
    static geodesy::MagneticModel model;
    static bool loaded = [] {
        char dir[1024];
        std::snprintf(dir, sizeof dir, "%s/share/", CORVANE_SOURCE_DIR);
        return model.loadMagneticModel(dir, sizeof dir, geodesy::MagneticModel::kMaxDegree);
    }();
    if (!loaded) std::fprintf(stderr, "WMM.COF not loaded\n");
    return model;
}

// A walk that changes latitude and longitude at every call: the full synthesis.
void BM_MagneticFieldChangingPosition(benchmark::State& state) {
    geodesy::MagneticModel& model = loadedModel();
    geodesy::MagneticField field;
    float lat = -60.0f, lon = -170.0f;
    for (auto _ : state) {
        lat += 0.37f;
        if (lat > 80.0f) lat = -60.0f;
        lon += 0.91f;
        if (lon > 179.0f) lon = -170.0f;
        benchmark::DoNotOptimize(model.computeMagneticField(0.1f, lat, lon, 2026.5f, field));
        benchmark::DoNotOptimize(field);
    }
}
BENCHMARK(BM_MagneticFieldChangingPosition);

// The same position again and again: the spherical coordinates, Legendre functions, longitude
// terms and time-adjusted coefficients are reused.
void BM_MagneticFieldRepeatedPosition(benchmark::State& state) {
    geodesy::MagneticModel& model = loadedModel();
    geodesy::MagneticField field;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.computeMagneticField(0.1f, 47.3f, 8.5f, 2026.5f, field));
        benchmark::DoNotOptimize(field);
    }
}
BENCHMARK(BM_MagneticFieldRepeatedPosition);

void BM_LoadMagneticModel(benchmark::State& state) {
    geodesy::MagneticModel model;
    for (auto _ : state) {
        char dir[1024];
        std::snprintf(dir, sizeof dir, "%s/share/", CORVANE_SOURCE_DIR);
        benchmark::DoNotOptimize(model.loadMagneticModel(dir, sizeof dir, 12));
    }
}
BENCHMARK(BM_LoadMagneticModel);

} // namespace
