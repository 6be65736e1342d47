#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "geodesy/DatumTable.h"
#include "geodesy/Formatter.h"

namespace {

const geodesy::DatumTable& loadedTables() {
    static geodesy::DatumTable table;
    static bool loaded = [] {
        std::string dir = std::string(CORVANE_SOURCE_DIR) + "/share/";
        return table.loadEllipsoids(dir.c_str()) == 0 && table.loadDatums(dir.c_str()) == 0;
    }();
    if (!loaded) std::fprintf(stderr, "datum tables not loaded\n");
    return table;
}

void BM_FormatDistance(benchmark::State& state) {
    char16_t buffer[32];
    double metres = 0;
    for (auto _ : state) {
        metres += 13.7;
        if (metres > 50000) metres = 0;
        benchmark::DoNotOptimize(geodesy::formatDistance(geodesy::Metric, buffer, metres));
    }
}
BENCHMARK(BM_FormatDistance);

void BM_FormatSpeed(benchmark::State& state) {
    char16_t buffer[32];
    float speed = 0;
    for (auto _ : state) {
        speed += 0.3f;
        if (speed > 80) speed = 0;
        benchmark::DoNotOptimize(geodesy::formatSpeed(geodesy::Nautical, speed, buffer));
    }
}
BENCHMARK(BM_FormatSpeed);

// Display texts by format (0 DD .. 3 UTM) for a WGS84 datum and a three-parameter one.
void BM_FormatPositionForDisplay(benchmark::State& state) {
    const geodesy::DatumTable& table = loadedTables();
    geodesy::FormatSettings settings{geodesy::Metric, static_cast<int32_t>(state.range(0)),
                                     state.range(1) ? "ADI-M" : "WGE"};
    char16_t position[geodesy::kPositionTextSize], altitude[geodesy::kAltitudeTextSize];
    double lat = 9.01;
    for (auto _ : state) {
        lat += 1e-6;
        geodesy::formatPositionForDisplay(settings, table, lat, 38.75, 2350.0, position, altitude);
        benchmark::DoNotOptimize(position);
    }
}
BENCHMARK(BM_FormatPositionForDisplay)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});

void BM_FormatPositionForOutput(benchmark::State& state) {
    const geodesy::DatumTable& table = loadedTables();
    geodesy::FormatSettings settings{geodesy::Statute, static_cast<int32_t>(state.range(0)), "WGE"};
    char zone[geodesy::kOutputTextSize], first[geodesy::kOutputTextSize],
        second[geodesy::kOutputTextSize], altitude[geodesy::kOutputTextSize];
    double lat = 47.3;
    for (auto _ : state) {
        lat += 1e-6;
        geodesy::formatPositionForOutput(settings, table, 0, lat, 8.5, 410.0, zone, first, second,
                                         altitude);
        benchmark::DoNotOptimize(first);
    }
}
BENCHMARK(BM_FormatPositionForOutput)->DenseRange(0, 3);

void BM_FormatPositionRaw(benchmark::State& state) {
    const geodesy::DatumTable& table = loadedTables();
    geodesy::FormatSettings settings{geodesy::Metric, geodesy::FormatDD, "ADI-M"};
    char lat[geodesy::kOutputTextSize], lon[geodesy::kOutputTextSize],
        alt[geodesy::kOutputTextSize];
    for (auto _ : state) {
        geodesy::formatPositionRaw(settings, table, 9.01, 38.75, 2350.0, lat, lon, alt);
        benchmark::DoNotOptimize(lat);
    }
}
BENCHMARK(BM_FormatPositionRaw);

} // namespace
