// Throughput of the NMEA data path: the reader's feed (putBytes byte by byte, framing, decoding,
// staleness) and the 200 ms state refresh.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace {

std::string sentence(const std::string& body) {
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// One second of a typical receiver's output.
std::string oneSecondOfOutput() {
    return sentence("GPGGA,101530.00,5230.1234,N,01323.5678,E,1,09,0.95,48.3,M,39.8,M,,") +
           sentence("GPGSA,A,3,02,05,07,09,13,15,20,29,30,,,,1.72,0.95,1.43") +
           sentence("GPGSV,3,1,11,02,38,289,41,05,74,206,44,07,12,024,33,09,21,063,38") +
           sentence("GPGSV,3,2,11,13,51,101,45,15,08,152,29,20,33,299,40,29,17,325,35") +
           sentence("GPGSV,3,3,11,30,60,071,47,120,28,197,39,136,30,172,37") +
           sentence("GPRMC,101530.00,A,5230.1234,N,01323.5678,E,0.412,214.30,150624,,,A") +
           sentence("GPVTG,214.30,T,,M,0.412,N,0.763,K,A");
}

struct BenchEngine {
    BenchEngine() { dgps::resetParser(); }
    platform::ManualClock clock{1000};
    platform::StderrPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

void BM_FeedOneSecondMix(benchmark::State& state) {
    BenchEngine b;
    const std::string input = oneSecondOfOutput();
    const auto* bytes = reinterpret_cast<const uint8_t*>(input.data());
    for (auto _ : state) {
        b.engine.receiveBytes(bytes, input.size());
        b.clock.advance(1000);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
    b.engine.refresh();
    if (b.engine.state.position.satellitesUsed != 9) state.SkipWithError("mix not decoded");
}
BENCHMARK(BM_FeedOneSecondMix);

// Reads of up to 1000 bytes, as the reader gets them from a busy port.
void BM_FeedLargeReads(benchmark::State& state) {
    BenchEngine b;
    std::string input;
    while (input.size() < 64 * 1024)
        input += oneSecondOfOutput();
    const auto* bytes = reinterpret_cast<const uint8_t*>(input.data());
    for (auto _ : state) {
        for (size_t at = 0; at < input.size(); at += 1000) {
            size_t n = input.size() - at < 1000 ? input.size() - at : 1000;
            b.engine.receiveBytes(bytes + at, n);
        }
        b.clock.advance(1000);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_FeedLargeReads);

void BM_Refresh(benchmark::State& state) {
    BenchEngine b;
    const std::string input = oneSecondOfOutput();
    b.engine.receiveBytes(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    for (auto _ : state) {
        bool done = b.engine.refresh();
        benchmark::DoNotOptimize(done);
        benchmark::DoNotOptimize(b.engine.state);
    }
}
BENCHMARK(BM_Refresh);

} // namespace
