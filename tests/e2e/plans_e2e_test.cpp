// tvq418ctl's plan commands as processes: the plan file under several zones, and run-plans
// carrying plans out against tvq418-sim.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "core/plans/zone.h"
#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

class PlanFiles : public testing::Test {
protected:
    void TearDown() override {
        ::unlink(file_.c_str());
        const std::size_t slash = file_.rfind('/');
        ::unlink((file_.substr(0, slash + 1) + "." + file_.substr(slash + 1) + ".lock").c_str());
    }
    void write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    // The child inherits the zone through the environment.
    Finished plans(const std::string& zone, std::vector<std::string> args) {
        ::setenv("TZ", zone.c_str(), 1);
        args.insert(args.begin(), {"plans"});
        args.insert(args.end(), {"--file", file_});
        return ctl(args);
    }
    test::ScopedZone zone_{"UTC"};  // gives the zone back after the test
    std::string file_ = tempFile();
};

TEST_F(PlanFiles, TodayFollowsTheZone) {
    write(
        "[PLANCOUNT]\ndaytimecount=2\noncetimecount=1\n[DAYTIME]\nTime0= 2:30: 0,8\n"
        "Time1= 8: 0: 0,7\n[ONCETIME]\nTime0=2025-3-30, 3: 0: 0,10\n");
    // The skipped 02:30 runs at 03:00; the one-time plan of that second loses the tie.
    const Finished run = plans("Europe/Berlin", {"today", "--at", "2025-03-30 01:00:00"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_EQ(run.out,
              "2025-03-30 03:00:00 1743296400 day Time0 HDMI\n"
              "2025-03-30 08:00:00 1743314400 day Time1 DVI\n")
        << shown(run);
    const Finished json =
        plans("Asia/Shanghai", {"today", "--json", "--at", "2025-03-30 02:59:00"});
    EXPECT_EQ(json.out,
              R"([{"local":"2025-03-30 03:00:00","epoch":1743274800,"kind":"once","entry":0,)"
              R"("source":"YPbPr"},{"local":"2025-03-30 08:00:00","epoch":1743292800,"kind":"day",)"
              R"("entry":1,"source":"DVI"}])"
              "\n")
        << shown(json);
}

TEST_F(PlanFiles, RefusalsAndBadEntriesExitOne) {
    const std::string text =
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=2\n[DAYTIME]\n"
        "Time0= 8: 0: 0,8\n[WEEKTIME]\nTime0=1, 8: 0: 0,8\nTime1=1,8:61:0,2\n";
    write(text);
    const Finished list = plans("UTC", {"list"});
    EXPECT_EQ(list.exitCode, 1) << shown(list);
    EXPECT_TRUE(has(list.err, "bad entry Time1 in section WEEKTIME")) << shown(list);
    EXPECT_TRUE(has(list.out, "day Time0 08:00:00 HDMI")) << shown(list);

    const Finished week = plans(
        "UTC", {"add", "--kind", "week", "--weekday", "2", "--time", "9:0:0", "--source", "V1"});
    EXPECT_EQ(week.exitCode, 1) << shown(week);  // WEEKTIME was not read whole
    EXPECT_EQ(readFile(file_), text);

    const Finished added =
        plans("UTC", {"add", "--kind", "day", "--time", "7:59:49", "--source", "YPbPr"});
    EXPECT_EQ(added.exitCode, 0) << shown(added);
    EXPECT_EQ(added.out, "added day Time0\n");
    const Finished deleted = plans("UTC", {"delete", "--kind", "day", "--entry", "1"});
    EXPECT_EQ(deleted.exitCode, 0) << shown(deleted);
    EXPECT_TRUE(has(readFile(file_), "daytimecount=1\n")) << readFile(file_);
    EXPECT_TRUE(has(readFile(file_), "[DAYTIME]\nTime0= 7:59:49,10\n")) << readFile(file_);

    // An entry a save would drop (the core's load table has the rest): named by list and
    // delete (exit 1); the file is left alone.
    const std::string beyond = "[DAYTIME]\nTime0=8:0:0,1\n";
    write(beyond);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list"}, {"delete", "--kind", "day", "--entry", "0"}}) {
        const Finished named = plans("UTC", args);
        EXPECT_EQ(named.exitCode, 1) << shown(named);
        EXPECT_TRUE(has(named.err, "DAYTIME Time0 lies beyond daytimecount=0")) << shown(named);
    }
    EXPECT_EQ(readFile(file_), beyond);
}

TEST_F(PlanFiles, AFileThatCannotBeReadIsAnError) {
    ::unlink(file_.c_str());
    ASSERT_EQ(::mkdir(file_.c_str(), 0700), 0);
    for (const char* action : {"list", "today"}) {
        const Finished run = plans("UTC", {action});
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_TRUE(has(run.err, ": cannot be read: Is a directory")) << shown(run);
    }
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    std::vector<std::string> args = sim.linkArgs();
    args.insert(args.end(), {"run-plans", "--file", file_});
    const Finished run = ctl(args, Millis{5000});
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    EXPECT_TRUE(has(run.err, "cannot be read: Is a directory")) << shown(run);
    ::rmdir(file_.c_str());
}

TEST_F(PlanFiles, TwoWritersAtOnceKeepEveryPlan) {
    const auto adds = [this](int first) {
        for (int i = 0; i < 10; ++i) {
            const int s = first + i * 20;  // further apart than the spacing rule's 10 s
            ctl({"plans", "add", "--file", file_, "--kind", "day", "--time",
                 std::to_string(s / 3600) + ":" + std::to_string(s / 60 % 60) + ":" +
                     std::to_string(s % 60),
                 "--source", "V1"});
        }
    };
    std::thread a(adds, 0);
    adds(10000);
    a.join();
    const Finished list = plans("UTC", {"list"});
    EXPECT_EQ(list.exitCode, 0) << shown(list);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 20) << shown(list);
}

// Local "H:M:S" of now + seconds, in the file's clock format.
std::string clockIn(int seconds, std::tm& local) {
    const std::time_t t = std::time(nullptr) + seconds;
    ::localtime_r(&t, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

// Local "HH:MM:SS" at which the simulator logged taking in a frame starting with bytes.
std::string takenAt(const std::string& log, const std::string& bytes) {
    std::istringstream lines(readFile(log));
    for (std::string line; std::getline(lines, line);) {
        if (!has(line, "\"dir\":\"in\"") || !has(line, "\"bytes\":\"" + bytes)) continue;
        const std::size_t time = line.find("\"time\":\"");
        return time == std::string::npos ? "?" : line.substr(time + 8, 8);
    }
    return "never";
}

TEST(RunPlans, SendsEachPlanOnItsSecondAndStopsOnSignal) {
    const std::string log = tempFile();
    Simulator sim(Via::Tcp, {"--log", log});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const std::string file = tempFile();
    std::tm first{}, second{};
    const std::string a = clockIn(3, first);
    const std::string b = clockIn(5, second);
    if (first.tm_mday != second.tm_mday) GTEST_SKIP() << "too close to midnight";
    std::ofstream(file) << "[PLANCOUNT]\ndaytimecount=1\nweektimecount=1\n[DAYTIME]\nTime0=" << a
                        << ",8\n[WEEKTIME]\nTime0=" << first.tm_wday << "," << a << ",10\n";

    const std::string out = tempFile();
    const std::string err = tempFile();
    std::vector<std::string> argv{TVQ418CTL_PATH};
    argv.insert(argv.end(), sim.linkArgs().begin(), sim.linkArgs().end());
    argv.insert(argv.end(), {"run-plans", "--file", file});
    const pid_t pid = spawn(argv, out, err);
    ASSERT_GT(pid, 0);
    // Added while it runs, 5 s ahead: taken in within 2 s. (A month plan: another day plan
    // would stand too close to the first.)
    std::string unpadded = b;
    std::erase(unpadded, ' ');
    const Finished added =
        ctl({"plans", "add", "--file", file, "--kind", "month", "--day",
             std::to_string(second.tm_mday), "--time", unpadded, "--source", "DVI"});
    ASSERT_EQ(added.exitCode, 0) << shown(added);
    std::this_thread::sleep_for(Millis{6500} - added.elapsed);
    const auto signalled = Clock::now();
    ::kill(pid, SIGINT);
    const int exitCode = reap(pid, Millis{5000});
    const auto stopped = std::chrono::duration_cast<Millis>(Clock::now() - signalled);

    const std::string printed = readFile(out);
    EXPECT_EQ(exitCode, 0) << printed << readFile(err);
    EXPECT_LT(stopped, Millis{1000}) << "the runner took " << stopped.count() << " ms to stop";
    EXPECT_TRUE(has(printed, " sent day Time0 HDMI")) << printed;
    EXPECT_TRUE(has(printed, " dropped-same-second week Time0 YPbPr")) << printed;
    EXPECT_TRUE(has(printed, " sent month Time0 DVI")) << printed;

    // The simulator saw the two switches in their plans' seconds (the next one is allowed for a
    // busy machine; the accuracy itself is a benchmark), and not the week plan's.
    const auto within = [](const std::tm& due, const std::string& seen) {
        int h = 0, m = 0, s = 0;
        if (std::sscanf(seen.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return false;
        const int late =
            h * 3600 + m * 60 + s - (due.tm_hour * 3600 + due.tm_min * 60 + due.tm_sec);
        return late == 0 || late == 1;
    };
    EXPECT_TRUE(within(first, takenAt(log, "05 01 80 08 00 00 00 00 00 00 00 00 8c")))
        << readFile(log);
    EXPECT_TRUE(within(second, takenAt(log, "05 01 80 07 00 00 00 00 00 00 00 00 83")))
        << readFile(log);
    EXPECT_EQ(takenAt(log, "05 01 80 0a"), "never") << readFile(log);
    const std::string lock = "/tmp/." + file.substr(5) + ".lock";
    for (const std::string& path : {file, out, err, log, lock}) ::unlink(path.c_str());
}

}  // namespace
}  // namespace tvq::e2e
