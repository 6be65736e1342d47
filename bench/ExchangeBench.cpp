// The memory exchange seen from a client: the round trip of an on-request raw read and the rate
// of real-time raw reads, against a running program. Start the program side first, in the
// benchmark's namespace, e.g.
//   CORVANE_SHM_PREFIX=bench cvtool serve --dir DIR --nmea FILE &
//   CORVANE_SHM_PREFIX=bench exchange_bench
// It is its own program (not part of corvane_bench) because loading libcvce joins the exchange.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include <cvce.h>

namespace {

struct Raw {
    unsigned long tick = 0;
    double lat = 0, lon = 0, alt = 0, pdop = 0, ehe = 0;
    int quality = 0;
};

// Round trip of GetRawGPS, with its median and 99th percentile in microseconds.
void BM_GetRawGPS(benchmark::State& state) {
    SwitchModes(0, 0);
    Raw r;
    std::vector<double> micros;
    micros.reserve(1 << 16);
    int failures = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int ok = GetRawGPS(r.tick, r.lat, r.lon, r.alt, r.pdop, r.ehe, r.quality);
        auto spent = std::chrono::steady_clock::now() - start;
        micros.push_back(std::chrono::duration<double, std::micro>(spent).count());
        failures += ok ? 0 : 1;
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["failed"] = failures;
    if (failures > 0) state.SkipWithError("requests failed: is the program side running?");
}
BENCHMARK(BM_GetRawGPS)->Iterations(5000)->Unit(benchmark::kMicrosecond);

// Real-time raw reads: each returns with the program's next update.
void BM_GetRawRT(benchmark::State& state) {
    if (SwitchModes(0, 1) != 1) {
        state.SkipWithError("no answer to the mode switch");
        return;
    }
    Raw r;
    for (auto _ : state)
        if (!GetRawRT(r.tick, r.lat, r.lon, r.alt, r.pdop, r.ehe, r.quality)) {
            state.SkipWithError("real-time read failed");
            break;
        }
    state.SetItemsProcessed(state.iterations());
    SwitchModes(0, 0);
}
BENCHMARK(BM_GetRawRT)->Iterations(25)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
