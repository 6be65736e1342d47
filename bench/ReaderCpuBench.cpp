// CPU time of the reader thread on a pseudo-terminal: idle (nothing arrives), and receiving a
// 10 Hz NMEA stream from the simulator. Each runs once for a few seconds of real time and reports
// the reader's CPU time as a share of one core (counter "reader_cpu_percent"); nothing is
// asserted. The goal is well under 1% idle.

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <pty.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "engine/NmeaSimulator.h"
#include "engine/SerialLink.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace {

constexpr auto kMeasured = std::chrono::seconds(3);

std::set<long> threadIds() {
    std::set<long> ids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ids.insert(std::atol(entry->d_name));
        closedir(dir);
    }
    return ids;
}

// CPU time of one thread in nanoseconds: the scheduler's run time where it is kept, else the
// user and system ticks of its stat line.
double threadCpuNs(long tid) {
    std::ifstream schedstat("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    double ns = 0;
    if (schedstat >> ns) return ns;
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t at = line.rfind(')');
    if (at == std::string::npos) return 0;
    std::string field;
    std::istringstream rest(line.substr(at + 2));
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::atof(field.c_str());
        if (i == 15) stime = std::atof(field.c_str());
    }
    return (utime + stime) * 1e9 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void readerCpu(benchmark::State& state, double rateHz) {
    char registryPath[] = "/tmp/corvane-bench-XXXXXX";
    if (mkdtemp(registryPath) == nullptr) return state.SkipWithError("no temporary folder");
    const std::string registryFile = std::string(registryPath) + "/registry.reg";
    setenv("CORVANE_REGISTRY", registryFile.c_str(), 1); // never the user's registry
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return state.SkipWithError("no pseudo-terminal");
    close(slave);
    {
        platform::Registry registry(registryFile);
        platform::PortMap(registry).setPath("COM5:", name);
    }

    platform::SystemClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine gps(clock, prompter);
    std::copy_n(u"COM5:", 6, gps.portName);
    if (!engine::openPort(gps, false)) return state.SkipWithError("the port did not open");
    gps.link.portOpen = 1;

    std::atomic<bool> stop{false};
    std::atomic<long> feederId{0};
    std::thread feeder;
    if (rateHz > 0)
        feeder = std::thread([&] {
            feederId = syscall(SYS_gettid);
            engine::SimulatorConfig config;
            config.rateHz = rateHz;
            engine::NmeaSimulator simulator(config);
            char epoch[engine::kMaxEpochBytes];
            const auto period = std::chrono::microseconds(static_cast<long>(1e6 / rateHz));
            auto next = std::chrono::steady_clock::now();
            for (uint64_t i = 0; !stop; ++i) {
                size_t n = simulator.writeEpoch(i, epoch, sizeof epoch);
                if (write(master, epoch, n) < 0) break;
                next += period;
                std::this_thread::sleep_until(next);
            }
        });

    const std::set<long> before = threadIds();
    engine::LinkThreads threads(gps);
    threads.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // settle
    auto sample = [&] {
        double ns = 0;
        for (long tid : threadIds())
            if (!before.count(tid) && tid != feederId) ns += threadCpuNs(tid);
        return ns;
    };
    for (auto _ : state) {
        const double startNs = sample();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kMeasured);
        const double usedNs = sample() - startNs;
        const double wallNs =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
                .count();
        state.SetIterationTime(wallNs / 1e9);
        state.counters["reader_cpu_ms"] = usedNs / 1e6;
        state.counters["reader_cpu_percent"] = 100.0 * usedNs / wallNs;
    }
    stop = true;
    if (feeder.joinable()) feeder.join();
    threads.stop();
    close(master);
    std::remove(registryFile.c_str());
    std::remove((registryFile + ".lock").c_str());
    rmdir(registryPath);
}

void BM_ReaderCpuIdle(benchmark::State& state) {
    readerCpu(state, 0);
}
void BM_ReaderCpuNmea10Hz(benchmark::State& state) {
    readerCpu(state, 10);
}
BENCHMARK(BM_ReaderCpuIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderCpuNmea10Hz)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
