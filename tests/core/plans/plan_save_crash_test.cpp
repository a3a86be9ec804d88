// A plan save killed at any moment leaves the old file or the new one, never a torn one.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/plans/plan_pages.h"

namespace tvq {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PlanSave, KilledMidSaveLeavesOldOrNew) {
    // On a RAM-backed folder where there is one: each kill waits for the save's sync to end, and
    // on disk that would make the thousand rounds take minutes.
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("tvq-crash-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "Planinfo.ini";

    // Two versions of a page the child flips between: adding a plan and deleting it again.
    std::string text = "[PLANCOUNT]\ndaytimecount=50\n[DAYTIME]\n";
    for (int i = 0; i < 50; ++i)
        text += "Time" + std::to_string(i) + "=" + std::to_string(i / 60) + ":" +
                std::to_string(i % 60) + ":0,8\n";
    std::ofstream(path, std::ios::binary) << text;
    LoadedPlans seed = loadPlanFile(path);
    openPages(seed.store, seed.file, seed.result);
    const std::string before = readAll(path);
    PlanDraft draft;
    draft.chosenTime = clockAt(2024, 1, 1, 12, 0, 0);
    addPlan(seed.store, seed.file, draft);
    const std::string after = readAll(path);
    ASSERT_NE(before, after);

    std::mt19937 random(42);
    int kills = 0;
    int sawBefore = 0;
    for (int round = 0; round < 1000; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            LoadedPlans loaded = loadPlanFile(path);
            (void)!::write(ready[1], "r", 1);  // saving starts now
            for (;;) {
                if (!loaded.store.dayPlans.empty() && loaded.store.dayPlans.size() > 50)
                    deletePlan(loaded.store, loaded.file, PlanKind::Day, 50);  // the 12:00 plan
                else
                    addPlan(loaded.store, loaded.file, draft);
            }
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
        kills += ::kill(child, SIGKILL) == 0;
        ::waitpid(child, nullptr, 0);

        const std::string now = readAll(path);
        ASSERT_TRUE(now == before || now == after) << "round " << round << ":\n" << now;
        sawBefore += now == before;
        ASSERT_TRUE(loadPlanFile(path).result.ok);
    }
    EXPECT_EQ(kills, 1000);
    // The kills fell on both sides of a save, not always at the same point.
    EXPECT_GT(sawBefore, 0);
    EXPECT_LT(sawBefore, 1000);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tvq
