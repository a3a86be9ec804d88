// A full screen-setup read-back (pages 3, 0, 1, 2, 4, 5, 6) against a prompt simulator, over TCP
// and over the pseudo-terminal, against the documented floor: 7 accepted replies x 200 ms plus
// 6 pauses x 200 ms = 2600 ms.
//
// Usage: read_back [runs per link, default 5]

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "core/platform/diagnostics.h"
#include "core/setup/read_back.h"

int main(int argc, char** argv) {
    using namespace tvq;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    constexpr double kFloorMs = 2600;
    setDiagnosticSink([](std::string_view) {});  // no serial trace in the figures

    sim::SimOptions options;
    options.tcp = true;
    options.pty = true;
    sim::SimServer server;
    if (!server.start(options)) return 1;

    bool withinTarget = true;
    for (const bool pty : {false, true}) {
        DeviceLink link;
        link.attach(bench::openTo(server, pty));
        const setup::ExchangeFn exchange = [&link](const CommandFrame& f, CommandFrame& r,
                                                   std::int32_t t, std::stop_token s) {
            return link.exchangeFrame(f, r, t, s);
        };
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const auto result = setup::readBack(exchange, 1, systemClock(), {});
            const double took =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (!result.settings.textKey) {
                std::printf("%s: read-back incomplete\n", pty ? "pty" : "tcp");
                return 1;
            }
            ms.push_back(took);
        }
        const double median = bench::percentile(ms, 0.5);
        const double worst = bench::percentile(ms, 1.0);
        std::printf(
            "%s: %d read-backs, median %.0f ms, max %.0f ms, over the 2600 ms of pauses: "
            "median %.0f ms, max %.0f ms\n",
            pty ? "pty 9600 baud" : "tcp", runs, median, worst, median - kFloorMs,
            worst - kFloorMs);
        if (!pty) withinTarget = worst - kFloorMs < 50;
        link.close();
    }
    server.stop();
    return withinTarget ? 0 : 1;
}
