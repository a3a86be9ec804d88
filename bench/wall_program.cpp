// Whole-wall programming of a 2 x 2 wall against the simulator over TCP, set against its floor:
// the pauses the sequence asks for plus the rest the link takes after every accepted reply.
// The first pass finds fresh processors and prepares each one for the wall (bypass, DVI,
// mosaic); the second finds them ready.
//
// Usage: wall_program [passes, default 2]

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_support.h"
#include "core/platform/diagnostics.h"
#include "core/wall/wall_program.h"

namespace {

using namespace tvq;

// The real clock, counting the pauses asked of it.
class CountingClock final : public Clock {
public:
    TimePoint now() const override { return real_.now(); }
    void sleepFor(Millis d) override {
        asked_ += d.count();
        real_.sleepFor(d);
    }
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                 std::stop_token stop, Millis d, const std::function<bool()>& ready) override {
        asked_ += d.count();
        return real_.waitFor(lock, cv, stop, d, ready);
    }
    Millis asked() const { return Millis{asked_.load()}; }

private:
    SystemClock real_;
    std::atomic<Millis::rep> asked_{0};
};

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    setDiagnosticSink([](std::string_view) {});

    sim::SimOptions options;
    options.tcp = true;
    options.addresses = {1, 2, 3, 4};
    sim::SimServer server;
    if (!server.start(options)) return 1;
    const ExchangeTiming timing;
    DeviceLink link(systemClock(), timing);
    link.attach(bench::openTo(server, false));
    if (!link.isOpen()) return 1;

    WallPlan plan;
    plan.layout.rows = 2;
    plan.layout.columns = 2;
    plan.layout.widths = {1000, 920, 1000, 920};
    plan.layout.heights = {400, 400, 368, 368};
    plan.syncMosaic = true;

    for (int pass = 1; pass <= passes; ++pass) {
        CountingClock clock;
        int accepted = 0;
        int exchanges = 0;
        const ExchangeFn exchange = [&](const CommandFrame& f, CommandFrame& reply,
                                        std::int32_t timeoutMs, std::stop_token stop) {
            link.setDeviceAddress(f[1]);
            const int r = link.exchangeFrame(f, reply, timeoutMs, stop);
            ++exchanges;
            if (r == 13) ++accepted;
            return r;
        };
        const auto start = std::chrono::steady_clock::now();
        const WallSummary summary = programWall(plan, exchange, clock);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double floor =
            std::chrono::duration<double>(clock.asked() + accepted * timing.acceptPause).count();
        std::printf(
            "pass %d: %u/%zu cells done, %d exchanges, %.3f s; floor %.3f s (pauses %.1f s + "
            "%d replies x %lld ms rest); over the floor %.1f ms (%.1f ms an exchange)\n",
            pass, summary.done, summary.cells.size(), exchanges, took, floor,
            std::chrono::duration<double>(clock.asked()).count(), accepted,
            static_cast<long long>(timing.acceptPause.count()), (took - floor) * 1000,
            (took - floor) * 1000 / std::max(1, exchanges));
        if (!summary.allDone()) return 1;
    }
    link.close();
    server.stop();
    return 0;
}
