// Plan fire accuracy: how long after the start of its second a plan's switch reaches the
// simulator, over the real wall clock and a TCP link, plans a few seconds apart.
//
// Usage: plan_fire_accuracy [occurrences, default 50] [seconds apart, default 2]

#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "bench/bench_support.h"
#include "core/plans/plan_scheduler.h"

namespace {

using namespace tvq;

std::int64_t monoMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

struct Quiet final : PlanObserver {
    int sent = 0;
    void showTimers(const std::optional<TimerDisplay>&,
                    const std::optional<TimerDisplay>&) override {}
    void planEvent(const PlanEvent& event) override { sent += event.what == PlanEvent::What::Sent; }
    void planNotice(const PlanNotice& notice) override {
        std::fprintf(stderr, "%s\n", notice.english().c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int apart = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "tvq418_plan_accuracy";
    fs::create_directories(dir);
    const fs::path logPath = dir / "frames.jsonl";
    const fs::path planPath = dir / "Planinfo.ini";
    fs::remove(logPath);

    sim::SimOptions options;
    options.tcp = true;
    options.logPath = logPath;
    sim::SimServer server;
    std::string error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }
    DeviceLink link;
    link.attach(bench::openTo(server, false));

    // Day plans from 3 s ahead, `apart` seconds apart; a source per plan so frames tell apart.
    const Moment first = std::chrono::floor<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count() +
                         3;
    if (startOfDay(first) != startOfDay(first + count * apart)) {
        std::fprintf(stderr, "the run would cross midnight; start it later\n");
        return 1;
    }
    std::ofstream(planPath) << "[PLANCOUNT]\ndaytimecount=" << count << "\n[DAYTIME]\n";
    {
        std::ofstream plans(planPath, std::ios::app);
        for (int i = 0; i < count; ++i)
            plans << planEntryKey(i) << "=" << clockText(first + i * apart) << ","
                  << (i % 2 ? 7 : 8) << "\n";
    }

    PlanLink planLink;
    planLink.send = [&link](const CommandFrame& frame, std::stop_token stop) {
        CommandFrame reply{};
        return link.exchangeFrame(frame, reply, kPlanReplyTimeoutMs, stop) == 13
                   ? SendOutcome::Sent
                   : SendOutcome::NoReply;
    };
    Quiet observer;
    PlanSchedulerOptions schedulerOptions;
    schedulerOptions.planFile = planPath;
    // Wall time of the simulator's monotonic stamps.
    const std::int64_t wallMinusMono = std::chrono::duration_cast<std::chrono::microseconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count() -
                                       monoMicros();
    {
        PlanScheduler scheduler(schedulerOptions, planLink, observer);
        scheduler.start();
        std::this_thread::sleep_for(std::chrono::seconds(3 + count * apart + 1));
    }
    server.stop();

    std::ifstream in(logPath);
    const std::regex frameIn(R"re("mono_us":(\d+).*"dir":"in".*"bytes":"05 01 80 )re");
    std::vector<double> lateMs;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (!std::regex_search(line, m, frameIn)) continue;
        const std::int64_t wallUs = std::stoll(m[1]) + wallMinusMono;
        const Moment due = first + static_cast<Moment>(lateMs.size()) * apart;
        lateMs.push_back(static_cast<double>(wallUs - due * 1'000'000) / 1000.0);
    }
    std::printf("occurrences %d, sent %d, frames seen %zu\n", count, observer.sent, lateMs.size());
    std::printf("after the second began (ms): median %.3f  p99 %.3f  min %.3f  max %.3f\n",
                bench::percentile(lateMs, 0.5), bench::percentile(lateMs, 0.99),
                bench::percentile(lateMs, 0.0), bench::percentile(lateMs, 1.0));
    fs::remove_all(dir);
    return static_cast<int>(lateMs.size()) == count ? 0 : 1;
}
