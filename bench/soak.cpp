// Soak: many exchanges against a simulator that drops, corrupts, splits and delays replies.
// Every exchange sends a different (command, value) pair that the reply echoes, so a reply
// taken for the wrong command shows up. Half the exchanges go over TCP, half over a
// pseudo-terminal, at the same time.
//
// Usage: soak [exchanges, default 10000]

#include <atomic>
#include <chrono>
#include <thread>

#include "bench/bench_support.h"
#include "core/link/commands.h"
#include "core/platform/diagnostics.h"

namespace {

struct Tally {
    std::atomic<int> good{0}, noReply{0}, badCheck{0}, wrongCommand{0};
};

}  // namespace

int main(int argc, char** argv) {
    using namespace tvq;
    const int total = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10000;
    setDiagnosticSink([](std::string_view) {});

    sim::SimOptions options;
    options.tcp = true;
    options.pty = true;
    options.seed = 418;
    options.faults[sim::Fault::Drop] = 0.10;
    options.faults[sim::Fault::Corrupt] = 0.05;
    options.faults[sim::Fault::Split] = 0.30;
    options.faults[sim::Fault::Delay] = 1.0;
    options.faults.delayMinMs = 0;
    options.faults.delayMaxMs = 150;
    sim::SimServer server;
    std::string error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }

    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    auto run = [&](bool pty, int count) {
        // The pause stays as documented; the time-out covers the longest delay.
        DeviceLink link;
        link.attach(bench::openTo(server, pty));
        constexpr std::uint8_t kCommands[] = {cmd::kBias, cmd::kBrightness, cmd::kSaturation};
        for (int i = 0; i < count; ++i) {
            const std::uint8_t command = kCommands[i % 3];
            const auto value = static_cast<std::uint8_t>((i / 3 % 33) * 2);
            CommandFrame reply{};
            if (link.exchangeFrame(makeFrame(1, command, {value}), reply, 400) != 13)
                ++tally.noReply;
            else if (!checkByteOk(reply))
                ++tally.badCheck;
            else if (reply[2] != command || reply[3] != value)
                ++tally.wrongCommand;
            else
                ++tally.good;
            if ((i + 1) % 1000 == 0)
                std::fprintf(stderr, "%s: %d of %d\n", pty ? "pty" : "tcp", i + 1, count);
        }
    };
    std::thread tcp(run, false, total / 2);
    std::thread pty(run, true, total - total / 2);
    tcp.join();
    pty.join();
    server.stop();
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf(
        "exchanges %d in %.0f s: accepted %d, no reply %d, bad check byte %d, "
        "attributed to the wrong command %d\n",
        total, seconds, tally.good.load(), tally.noReply.load(), tally.badCheck.load(),
        tally.wrongCommand.load());
    return tally.wrongCommand == 0 ? 0 : 1;
}
