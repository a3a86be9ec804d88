// Press to wire: from a front-panel press to the frame arriving at the simulator, with the
// status poller and the blink worker running against a prompt simulator. Measured with the
// command worker woken by the press, and with the idle look of one second alone.
//
// Usage: press_to_wire [presses per mode, default 100]

#include <time.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "bench/bench_support.h"
#include "bench/session_probe.h"
#include "core/link/commands.h"
#include "core/platform/diagnostics.h"

namespace {

std::int64_t monoMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

// Follows the simulator's log as it grows; finds the next incoming main-source frame.
class LogTail {
public:
    explicit LogTail(const std::string& path) : file_(std::fopen(path.c_str(), "r")) {}
    ~LogTail() {
        if (file_) std::fclose(file_);
    }
    std::optional<std::int64_t> awaitSourceFrame(std::uint8_t code, std::int64_t deadlineUs) {
        const std::string wanted = "\"bytes\":\"05 01 80 " + hex(code);
        char line[512];
        while (monoMicros() < deadlineUs) {
            if (file_ && std::fgets(line, sizeof line, file_)) {
                const std::string text = line;
                if (text.find("\"dir\":\"in\"") != std::string::npos &&
                    text.find(wanted) != std::string::npos)
                    return std::stoll(text.substr(text.find(':') + 1));
                continue;
            }
            if (file_) std::clearerr(file_);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return std::nullopt;
    }

private:
    static std::string hex(std::uint8_t b) {
        char s[3];
        std::snprintf(s, sizeof s, "%02x", b);
        return s;
    }
    std::FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace tvq;
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    setDiagnosticSink([](std::string_view) {});

    std::printf("%-8s %6s %10s %10s %10s\n", "waking", "count", "median_ms", "p95_ms", "max_ms");
    for (const bool wake : {true, false}) {
        const auto logPath = std::filesystem::temp_directory_path() /
                             (std::string("tvq418_press_") + (wake ? "on" : "off") + ".jsonl");
        std::filesystem::remove(logPath);
        sim::SimOptions options;
        options.tcp = true;
        options.logPath = logPath;
        sim::SimServer server;
        if (!server.start(options)) return 1;

        bench::SessionProbe probe;
        WorkerTiming timing;
        timing.wakeOnPress = wake;
        Session session(probe, systemClock(), openChosenLink, timing);
        session.startConnect({false, "", "127.0.0.1", std::to_string(server.tcpPort()), ""});
        if (probe.awaitConnect(Millis{10000}) != ConnectOutcome::Connected) {
            std::fprintf(stderr, "could not connect to the simulator\n");
            return 1;
        }
        // The status poller's own frames go on; each press looks for its own frame.
        LogTail tail(logPath);
        std::mt19937 random(7);
        std::vector<double> latencyMs;
        for (int i = 0; i < presses; ++i) {
            std::this_thread::sleep_for(Millis{300 + random() % 900});  // any phase of the poll
            const std::uint8_t code = i % 2 ? 8 : 7;                    // HDMI, DVI
            const std::int64_t pressed = monoMicros();
            session.pressSource(code);
            if (auto arrived = tail.awaitSourceFrame(code, pressed + 5'000'000))
                latencyMs.push_back(static_cast<double>(*arrived - pressed) / 1000.0);
        }
        session.disconnect();
        server.stop();
        std::printf("%-8s %6zu %10.1f %10.1f %10.1f\n", wake ? "on" : "off", latencyMs.size(),
                    bench::percentile(latencyMs, 0.5), bench::percentile(latencyMs, 0.95),
                    bench::percentile(latencyMs, 1.0));
    }
    return 0;
}
