// Throughput of the datum shifts from WGS 84 and of the UTM grid in both directions.

#include <benchmark/benchmark.h>

#include <string>

#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace {

const geodesy::DatumTable& loadedTable() {
    static geodesy::DatumTable table;
    static const bool loaded = [] {
        const std::string dir = std::string(CORVANE_SOURCE_DIR) + "/share/";
        return table.loadEllipsoids(dir.c_str()) == 0 && table.loadDatums(dir.c_str()) == 0;
    }();
    (void)loaded;
    return table;
}

void shiftFromWgs84(benchmark::State& state, const char* code) {
    const auto& table = loadedTable();
    int index = 0;
    if (table.findDatum(code, index) != 0) {
        state.SkipWithError("tables not loaded");
        return;
    }
    double lat = 0.9, lon = -0.002;
    for (auto _ : state) {
        double outLat, outLon, outH;
        table.shiftFromWgs84(lat, lon, 50.0, index, outLat, outLon, outH);
        benchmark::DoNotOptimize(outLat);
        benchmark::DoNotOptimize(outLon);
        benchmark::DoNotOptimize(outH);
        lat += 1e-9; // a new position each time, as from a receiver
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(shiftFromWgs84, ThreeParameter, "NAS-C");
BENCHMARK_CAPTURE(shiftFromWgs84, SevenParameter, "OGB-7");

void utmFromGeodetic(benchmark::State& state) {
    const auto& table = loadedTable();
    const geodesy::UtmEllipsoid ellipsoid = geodesy::utmEllipsoid(table, "WGE");
    double lat = 51.5, lon = -0.1;
    char zone[geodesy::kUtmZoneTextSize];
    for (auto _ : state) {
        double northing, easting;
        geodesy::utmFromGeodetic(ellipsoid, lat, lon, northing, easting, zone);
        benchmark::DoNotOptimize(northing);
        benchmark::DoNotOptimize(easting);
        lat += 1e-9;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(utmFromGeodetic);

// With the ellipsoid looked up from the datum code at every call, as the formatters do.
void utmFromGeodeticWithLookup(benchmark::State& state) {
    const auto& table = loadedTable();
    double lat = 51.5, lon = -0.1;
    char zone[geodesy::kUtmZoneTextSize];
    for (auto _ : state) {
        double northing, easting;
        geodesy::utmFromGeodetic(table, "YAC", lat, lon, northing, easting, zone);
        benchmark::DoNotOptimize(northing);
        lat += 1e-9;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(utmFromGeodeticWithLookup);

void geodeticFromUtm(benchmark::State& state) {
    const auto& table = loadedTable();
    const geodesy::UtmEllipsoid ellipsoid = geodesy::utmEllipsoid(table, "WGE");
    double northing = 5705923.0, easting = 699375.0;
    for (auto _ : state) {
        double lat, lon;
        geodesy::geodeticFromUtm(ellipsoid, northing, easting, "30U", lat, lon);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        northing += 1e-4;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(geodeticFromUtm);

} // namespace
