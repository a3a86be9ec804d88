// A whole scan of addresses 1..255 against a chain of three over the simulator's pseudo-terminal
// (9600 baud timing) with the waits chosen from the line's speed, and how quickly a stop request
// ends a running scan.
//
// Usage: chain_scan [stop trials, default 20]

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "bench/bench_support.h"
#include "core/control/chain_scan.h"
#include "core/platform/diagnostics.h"

int main(int argc, char** argv) {
    using namespace tvq;
    using Steady = std::chrono::steady_clock;
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    setDiagnosticSink([](std::string_view) {});  // the serial trace

    sim::SimOptions options;
    options.pty = true;
    options.addresses = {1, 2, 3};
    sim::SimServer server;
    if (!server.start(options)) return 1;
    DeviceLink link;
    link.attach(bench::openTo(server, true));
    const ScanTiming timing = scanTimingFor(ByteLink::Kind::Serial);

    const auto start = Steady::now();
    const ScanResult full = scanChain(link, {1, 255}, timing, {});
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    std::printf(
        "full scan 1..255 over the pty: %.2f s, %zu answers, %zu problems "
        "(wait %lld ms, quiet %lld ms)\n",
        seconds, full.answers.size(), full.problems.size(),
        static_cast<long long>(timing.replyWait.count()),
        static_cast<long long>(timing.quiet.count()));

    std::mt19937 random(10);
    std::vector<double> stopMs;
    for (int i = 0; i < trials; ++i) {
        std::jthread scan([&](std::stop_token stop) {
            scanChain(link, {1, 255}, timing, {}, stop);
        });
        std::this_thread::sleep_for(Millis{50 + random() % 400});
        const auto asked = Steady::now();
        scan.request_stop();
        scan.join();
        stopMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - asked).count());
    }
    std::printf("stop within: median %.1f ms, p95 %.1f ms, max %.1f ms (%d trials)\n",
                bench::percentile(stopMs, 0.5), bench::percentile(stopMs, 0.95),
                bench::percentile(stopMs, 1.0), trials);
    server.stop();
    const bool ok =
        seconds < 30 && full.answers.size() == 3 && bench::percentile(stopMs, 1.0) < 100;
    return ok ? 0 : 1;
}
