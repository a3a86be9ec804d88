// Reply pick-up latency: from the simulator writing the last byte of a reply to exchangeFrame
// returning, less the 200 ms pause after every accepted reply. TCP and pseudo-terminal.
//
// Usage: pickup_latency [exchanges per line, default 200]

#include <time.h>

#include <chrono>
#include <filesystem>

#include "bench/bench_support.h"
#include "core/platform/diagnostics.h"

namespace {

std::int64_t monoMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tvq;
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    setDiagnosticSink([](std::string_view) {});  // the serial trace would dominate the timing

    const auto logPath = std::filesystem::temp_directory_path() / "tvq418_pickup_log.jsonl";
    std::filesystem::remove(logPath);
    sim::SimOptions options;
    options.tcp = true;
    options.pty = true;
    options.logPath = logPath;
    sim::SimServer server;
    std::string error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }

    constexpr double kPauseUs = 200'000;
    std::printf("%-4s %6s %10s %10s %10s %10s\n", "line", "count", "median_ms", "p95_ms", "p99_ms",
                "max_ms");
    int failures = 0;
    for (const bool pty : {false, true}) {
        DeviceLink link;
        link.attach(bench::openTo(server, pty));
        std::vector<std::int64_t> returned;
        for (int i = 0; i < count; ++i) {
            CommandFrame reply{};
            if (link.exchangeFrame(pageQuery(1), reply, 1000) != 13) ++failures;
            returned.push_back(monoMicros());
        }
        const auto sent = bench::sentReplyTimes(logPath, pty ? "pty" : "tcp");
        std::vector<double> latencyMs;
        for (std::size_t i = 0; i < std::min(sent.size(), returned.size()); ++i)
            latencyMs.push_back((static_cast<double>(returned[i] - sent[i]) - kPauseUs) / 1000.0);
        std::printf("%-4s %6zu %10.3f %10.3f %10.3f %10.3f\n", pty ? "pty" : "tcp",
                    latencyMs.size(), bench::percentile(latencyMs, 0.5),
                    bench::percentile(latencyMs, 0.95), bench::percentile(latencyMs, 0.99),
                    bench::percentile(latencyMs, 1.0));
    }
    server.stop();
    if (failures) std::printf("exchanges without a reply: %d\n", failures);
    return failures ? 1 : 0;
}
