// The core side of the program window with full pages: load 240 plans of every kind and
// rewrite the file as the window's opening does, then add a plan to a full page (file rewrite
// and save included).
//
// Usage: plan_page_edit [rounds, default 20]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench/bench_support.h"
#include "core/plans/plan_pages.h"

int main(int argc, char** argv) {
    using namespace tvq;
    using Clock = std::chrono::steady_clock;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const auto path = std::filesystem::temp_directory_path() / "tvq418_full_pages.ini";
    std::string text =
        "[PLANCOUNT]\ndaytimecount=240\nweektimecount=240\nmonthtimecount=240\n"
        "oncetimecount=240\n";
    const char* sections[] = {"[DAYTIME]\n", "[WEEKTIME]\n", "[MONTHTIME]\n", "[ONCETIME]\n"};
    for (int kind = 0; kind < 4; ++kind) {
        text += sections[kind];
        for (int i = 0; i < 240; ++i) {
            const std::string clock =
                std::to_string(i / 20) + ":" + std::to_string(i % 20 * 2) + ":0";
            const std::string first[] = {"", std::to_string(i % 7) + ",",
                                         std::to_string(i % 28 + 1) + ",",
                                         "2027-" + std::to_string(i % 12 + 1) + "-5,"};
            text += "Time" + std::to_string(i) + "=" + first[kind] + clock + "," +
                    std::to_string(i % 11) + "\n";
        }
    }

    std::vector<double> openMs, addMs;
    for (int round = 0; round < rounds; ++round) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        const auto start = Clock::now();
        LoadedPlans loaded = loadPlanFile(path);
        for (const PlanKind kind : kPlanKinds)
            (void)pageRows(loaded.store, kind, PlanLanguage::English);
        openPages(loaded.store, loaded.file, loaded.result);
        const auto opened = Clock::now();
        PlanDraft draft;
        draft.chosenTime = clockAt(2027, 1, 1, 23, 30, round);
        const PageOutcome added = addPlan(loaded.store, loaded.file, draft);
        (void)pageRows(loaded.store, PlanKind::Day, PlanLanguage::English);
        const auto done = Clock::now();
        if (!added.changed) return 1;
        openMs.push_back(std::chrono::duration<double, std::milli>(opened - start).count());
        addMs.push_back(std::chrono::duration<double, std::milli>(done - opened).count());
    }
    std::filesystem::remove(path);
    std::printf("960 plans: load + rows + rewrite  median %.2f ms  max %.2f ms\n",
                bench::percentile(openMs, 0.5), bench::percentile(openMs, 1.0));
    std::printf("add to a full page (with save)   median %.2f ms  max %.2f ms\n",
                bench::percentile(addMs, 0.5), bench::percentile(addMs, 1.0));
    return 0;
}
