// Device-side change to panel: a source switched at the simulator's own keys, timed until the
// panel's light for it is lit. Reports how many of the trials made it within 2.1 s.
//
// Usage: device_change [trials, default 100]

#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "bench/bench_support.h"
#include "bench/session_probe.h"
#include "core/platform/diagnostics.h"

int main(int argc, char** argv) {
    using namespace tvq;
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    setDiagnosticSink([](std::string_view) {});

    sim::SimOptions options;
    options.tcp = true;
    sim::SimServer server;
    if (!server.start(options)) return 1;
    bench::SessionProbe probe;
    Session session(probe);
    session.startConnect({false, "", "127.0.0.1", std::to_string(server.tcpPort()), ""});
    if (probe.awaitConnect(Millis{10000}) != ConnectOutcome::Connected) return 1;

    std::mt19937 random(11);
    std::vector<double> seconds;
    int within = 0;
    for (int i = 0; i < trials; ++i) {
        const std::uint8_t code = i % 2 ? 8 : 1;  // HDMI, V2: both have a signal
        const Light light = *sourceLight(code);
        std::this_thread::sleep_for(Millis{random() % 700});
        const auto start = std::chrono::steady_clock::now();
        server.withChain([&](sim::Chain& chain) { chain.find(1)->state().mainSource = code; });
        const bool seen = probe.awaitPanel(
            [&](const PanelState& p) { return p.mainSource == code && p.isShown(light); },
            Millis{5000});
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seen) seconds.push_back(s);
        if (seen && s <= 2.1) ++within;
    }
    session.disconnect();
    server.stop();
    std::printf("trials %d: within 2.1 s %d (%.0f%%), median %.2f s, p95 %.2f s, max %.2f s\n",
                trials, within, 100.0 * within / trials, bench::percentile(seconds, 0.5),
                bench::percentile(seconds, 0.95), bench::percentile(seconds, 1.0));
    return within * 100 >= trials * 95 ? 0 : 1;
}
