// CPU of an idle `tvq418ctl run-plans` (no plan due for the next minutes) over a span of real
// time, against an in-process simulator whose CPU is not counted.
//
// Usage: plan_runner_idle [seconds, default 60]

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "bench/bench_support.h"
#include "core/plans/plan_file.h"

extern char** environ;

namespace {

// utime + stime of a process, in clock ticks.
long long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tvq;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    namespace fs = std::filesystem;
    const fs::path planPath = fs::temp_directory_path() / "tvq418_idle_plans.ini";
    // One plan an hour from now: the runner has a plan to wait for but nothing to do.
    const Moment later = std::chrono::floor<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count() +
                         3600;
    std::ofstream(planPath) << "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=" << clockText(later)
                            << ",8\n";

    sim::SimOptions options;
    options.tcp = true;
    sim::SimServer server;
    if (!server.start(options)) return 1;
    const std::string endpoint = "127.0.0.1:" + std::to_string(server.tcpPort());
    std::string file = planPath.string();
    std::vector<std::string> args{TVQ418CTL_PATH, "--tcp", endpoint, "run-plans", "--file", file};
    std::vector<char*> argv2;
    for (std::string& arg : args) argv2.push_back(arg.data());
    argv2.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv2[0], &actions, nullptr, argv2.data(), environ) != 0) return 1;
    posix_spawn_file_actions_destroy(&actions);

    std::this_thread::sleep_for(std::chrono::seconds(2));  // start-up is not idle time
    const long long before = cpuTicks(pid);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long after = cpuTicks(pid);
    const double span =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::kill(pid, SIGINT);
    ::waitpid(pid, nullptr, 0);
    server.stop();
    fs::remove(planPath);

    const double cpuSeconds =
        static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::printf("idle run-plans over %.1f s: %.3f s CPU = %.4f%% of one core\n", span, cpuSeconds,
                100.0 * cpuSeconds / span);
    return 0;
}
