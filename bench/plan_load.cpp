// Loading large plan files: the load alone, and `tvq418ctl plans list` and `plans add` end to
// end, for 20,000 to 200,000 day entries. Every step must grow linearly with the file.
//
// Usage: plan_load [largest, default 200000]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/plans/plan_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string dayFile(int entries) {
    std::string text = "[PLANCOUNT]\ndaytimecount=" + std::to_string(entries) + "\n[DAYTIME]\n";
    for (int i = 0; i < entries; ++i) {
        const int s = i % 86400;
        char line[64];
        std::snprintf(line, sizeof line, "Time%d=%2d:%2d:%2d,%d\n", i, s / 3600, s / 60 % 60,
                      s % 60, i % 11);
        text += line;
    }
    return text;
}

// Wall time of one command, its output thrown away.
double timed(const std::string& command) {
    const auto start = Clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return -1;
    return msSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tvq;
    const int largest = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200000;
    const auto path = std::filesystem::temp_directory_path() / "tvq418_plan_load.ini";
    // CPU time as well as wall time: on a busy machine the wall figures include waiting.
    std::printf("%9s %10s %12s %12s %12s\n", "entries", "load ms", "load cpu ms", "list ms",
                "add ms");
    for (const int entries : {20000, 40000, 80000, 200000}) {
        if (entries > largest) break;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << dayFile(entries);
        const auto start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        const LoadedPlans loaded = loadPlanFile(path);
        const double loadMs = msSince(start);
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        if (loaded.store.dayPlans.size() != static_cast<std::size_t>(entries)) return 1;
        double listMs = -1, addMs = -1;
#ifdef TVQ418CTL_PATH
        const std::string ctl = std::string(TVQ418CTL_PATH) + " plans ";
        listMs = timed(ctl + "list --file " + path.string());
        // A week plan: loaded, locked, read again, checked, and the whole file saved.
        addMs = timed(ctl + "add --kind week --weekday 1 --time 8:0:0 --source V1 --file " +
                      path.string());
#endif
        std::printf("%9d %10.1f %12.1f %12.1f %12.1f\n", entries, loadMs, cpuMs, listMs, addMs);
    }
    std::filesystem::remove(path);
    std::string lock = ".";  // built step by step: g++ 12 misreports the chained form
    lock += path.filename().string();
    lock += ".lock";
    std::filesystem::remove(path.parent_path() / lock);
    return 0;
}
