// tvq418ctl's plan commands as processes: the plan file under several zones, and run-plans
// carrying plans out against tvq418-sim.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

namespace fs = std::filesystem;

std::string shown(const Finished& run) {
    return "exit " + std::to_string(run.exitCode) + "\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

class PlanFiles : public testing::Test {
protected:
    void SetUp() override {
        file_ = tempFile();
        if (const char* zone = std::getenv("TZ")) oldZone_ = zone;
    }
    void TearDown() override {
        ::unlink(file_.c_str());
        if (oldZone_.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", oldZone_.c_str(), 1);
        ::tzset();
    }
    void write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    // The child inherits the zone through the environment.
    Finished plans(const std::string& zone, std::vector<std::string> args) {
        ::setenv("TZ", zone.c_str(), 1);
        args.insert(args.begin(), {"plans"});
        args.insert(args.end(), {"--file", file_});
        return ctl(args);
    }
    std::string file_;
    std::string oldZone_;
};

TEST_F(PlanFiles, TodayFollowsTheZone) {
    write(
        "[PLANCOUNT]\ndaytimecount=2\noncetimecount=1\n[DAYTIME]\nTime0= 2:30: 0,8\n"
        "Time1= 8: 0: 0,7\n[ONCETIME]\nTime0=2025-3-30, 3: 0: 0,10\n");
    struct Case {
        const char* zone;
        const char* at;
        const char* expected;
    };
    const Case cases[] = {
        // The skipped 02:30 runs at 03:00; the one-time plan of that second loses the tie.
        {"Europe/Berlin", "2025-03-30 01:00:00",
         "2025-03-30 03:00:00 1743296400 day Time0 HDMI\n"
         "2025-03-30 08:00:00 1743314400 day Time1 DVI\n"},
        {"Europe/Berlin", "2025-07-01 07:59:59", "2025-07-01 08:00:00 1751349600 day Time1 DVI\n"},
        {"Europe/Berlin", "2025-10-26 02:00:00",  // the first of the two 02:30s
         "2025-10-26 02:30:00 1761438600 day Time0 HDMI\n"
         "2025-10-26 08:00:00 1761462000 day Time1 DVI\n"},
        {"America/New_York", "2025-03-09 01:59:59",
         "2025-03-09 03:00:00 1741503600 day Time0 HDMI\n"
         "2025-03-09 08:00:00 1741521600 day Time1 DVI\n"},
        {"Asia/Shanghai", "2025-03-30 07:59:59", "2025-03-30 08:00:00 1743292800 day Time1 DVI\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.at);
        const Finished run = plans(c.zone, {"today", "--at", c.at});
        EXPECT_EQ(run.exitCode, 0) << shown(run);
        EXPECT_EQ(run.out, c.expected) << shown(run);
    }
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
    EXPECT_NE(list.err.find("bad entry Time1 in section WEEKTIME"), std::string::npos)
        << shown(list);
    EXPECT_NE(list.out.find("day Time0 08:00:00 HDMI"), std::string::npos) << shown(list);

    const Finished close =
        plans("UTC", {"add", "--kind", "day", "--time", "8:0:9", "--source", "V1"});
    EXPECT_EQ(close.exitCode, 1) << shown(close);
    EXPECT_NE(close.err.find("minimal time interval between a new plan and a exsisted one is 10"),
              std::string::npos)
        << shown(close);
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
    EXPECT_NE(readFile(file_).find("daytimecount=1\n"), std::string::npos) << readFile(file_);
    EXPECT_NE(readFile(file_).find("[DAYTIME]\nTime0= 7:59:49,10\n"), std::string::npos)
        << readFile(file_);
}

// Local "H:M:S" of now + seconds, in the file's clock format.
std::string clockIn(int seconds, std::tm& local) {
    const std::time_t t = std::time(nullptr) + seconds;
    ::localtime_r(&t, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

// A simulator of our own: the runner lives longer than Simulator::ctl waits.
struct LongSimulator {
    std::string out = tempFile(), err = tempFile(), log = tempFile();
    pid_t pid = -1;
    std::string endpoint;  // "127.0.0.1:PORT"
    LongSimulator() {
        pid = spawn({TVQ418SIM_PATH, "--tcp", "127.0.0.1:0", "--log", log}, out, err);
        for (int look = 0; look < 1000 && pid > 0 && endpoint.empty(); ++look) {
            std::istringstream lines(readFile(out));
            for (std::string line; std::getline(lines, line);)
                if (line.starts_with("tcp ") && lines.good()) endpoint = line.substr(4);
            std::this_thread::sleep_for(Millis{10});
        }
    }
    ~LongSimulator() {
        if (pid > 0 && ::kill(pid, SIGTERM) == 0) reap(pid, Millis{5000});
        for (const std::string& path : {out, err, log}) ::unlink(path.c_str());
    }
    // Local "HH:MM:SS" at which the simulator took in a frame starting with bytes.
    std::string takenAt(const std::string& bytes) const {
        std::istringstream lines(readFile(log));
        for (std::string line; std::getline(lines, line);) {
            if (line.find("\"dir\":\"in\"") == std::string::npos ||
                line.find("\"bytes\":\"" + bytes) == std::string::npos)
                continue;
            const std::size_t time = line.find("\"time\":\"");
            return time == std::string::npos ? "?" : line.substr(time + 8, 8);
        }
        return "never";
    }
};

TEST(RunPlans, SendsEachPlanOnItsSecondAndStopsOnSignal) {
    LongSimulator sim;
    ASSERT_FALSE(sim.endpoint.empty()) << readFile(sim.out) << readFile(sim.err);
    const std::string file = tempFile();
    std::tm first{}, second{};
    const std::string a = clockIn(3, first);
    const std::string b = clockIn(5, second);
    if (first.tm_mday != second.tm_mday) GTEST_SKIP() << "too close to midnight";
    std::ofstream(file) << "[PLANCOUNT]\ndaytimecount=2\nweektimecount=1\n[DAYTIME]\nTime0=" << a
                        << ",8\nTime1=" << b << ",7\n[WEEKTIME]\nTime0=" << first.tm_wday << ","
                        << a << ",10\n";

    const std::string out = tempFile();
    const std::string err = tempFile();
    const pid_t pid =
        spawn({TVQ418CTL_PATH, "--tcp", sim.endpoint, "run-plans", "--file", file}, out, err);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(Millis{6500});
    const auto signalled = Clock::now();
    ::kill(pid, SIGINT);
    const int exitCode = reap(pid, Millis{5000});
    const auto stopped = std::chrono::duration_cast<Millis>(Clock::now() - signalled);

    const std::string printed = readFile(out);
    EXPECT_EQ(exitCode, 0) << printed << readFile(err);
    EXPECT_LT(stopped, Millis{1000}) << "the runner took " << stopped.count() << " ms to stop";
    EXPECT_NE(printed.find(" sent day Time0 HDMI"), std::string::npos) << printed;
    EXPECT_NE(printed.find(" dropped-same-second week Time0 YPbPr"), std::string::npos) << printed;
    EXPECT_NE(printed.find(" sent day Time1 DVI"), std::string::npos) << printed;

    // The simulator saw exactly the two switches, each within its plan's second.
    char hms[16];
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", first.tm_hour, first.tm_min, first.tm_sec);
    EXPECT_EQ(sim.takenAt("05 01 80 08 00 00 00 00 00 00 00 00 8c"), hms) << readFile(sim.log);
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", second.tm_hour, second.tm_min, second.tm_sec);
    EXPECT_EQ(sim.takenAt("05 01 80 07 00 00 00 00 00 00 00 00 83"), hms) << readFile(sim.log);
    EXPECT_EQ(sim.takenAt("05 01 80 0a"), "never") << readFile(sim.log);
    for (const std::string& path : {file, out, err}) ::unlink(path.c_str());
}

}  // namespace
}  // namespace tvq::e2e
