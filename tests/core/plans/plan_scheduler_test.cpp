// The scheduler on virtual wall time: what it sends, when, and what it shows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "core/plans/plan_scheduler.h"
#include "core/plans/zone.h"

namespace tvq {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TimePoint = WallClock::TimePoint;

TimePoint at(int y, int mo, int d, int h, int mi, int s) {
    return TimePoint{std::chrono::seconds{clockAt(y, mo, d, h, mi, s)}};
}

std::string local(TimePoint tp) {
    return stampText(std::chrono::floor<std::chrono::seconds>(tp.time_since_epoch()).count());
}

struct Recorder final : PlanObserver {
    std::vector<PlanEvent> events;
    std::vector<std::pair<std::optional<TimerDisplay>, std::optional<TimerDisplay>>> shown;
    std::vector<PlanNotice> notices;
    void showTimers(const std::optional<TimerDisplay>& current,
                    const std::optional<TimerDisplay>& next) override {
        shown.emplace_back(current, next);
    }
    void planEvent(const PlanEvent& event) override { events.push_back(event); }
    void planNotice(const PlanNotice& notice) override { notices.push_back(notice); }

    // "YYYY-MM-DD HH:MM:SS what kind entry" for every event.
    std::vector<std::string> lines() const {
        static const char* what[] = {"sent", "no-reply", "cannot-send", "missed", "same-second"};
        std::vector<std::string> out;
        for (const PlanEvent& e : events)
            out.push_back(local(e.at) + " " + what[static_cast<int>(e.what)] + " " +
                          std::string(kindName(e.occurrence.kind)) + " " +
                          std::to_string(e.occurrence.entry));
        return out;
    }
};

class SchedulerRun : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tvq-sched-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        options_.planFile = dir_ / "Planinfo.ini";
        options_.wallCheck = 60s;
        options_.fileCheck = 60s;
        link_.send = [this](const CommandFrame& frame, std::stop_token) {
            frames_.push_back(frame);
            if (sendTakes_ > 0ms) clock_.advance(sendTakes_);
            return SendOutcome::Sent;
        };
    }
    void TearDown() override { fs::remove_all(dir_); }

    void writePlans(const std::string& text) {
        std::ofstream(options_.planFile, std::ios::binary) << text;
    }
    // Runs from start until virtual time reaches end; extra runs after every sleep.
    void runBetween(TimePoint start, TimePoint end, std::function<void(TimePoint)> extra = {}) {
        clock_.set(start);
        std::stop_source stop;
        clock_.onSleep = [&](TimePoint now) {
            if (extra) extra(now);
            if (now >= end) stop.request_stop();
        };
        PlanScheduler scheduler(options_, link_, recorder_, clock_);
        scheduler_ = &scheduler;
        scheduler.run(stop.get_token());
        scheduler_ = nullptr;
    }

    test::ScopedZone zone_{"Europe/Berlin"};
    fs::path dir_;
    PlanSchedulerOptions options_;
    PlanLink link_;
    FakeWallClock clock_;
    Recorder recorder_;
    std::vector<CommandFrame> frames_;
    std::chrono::milliseconds sendTakes_{0};
    PlanScheduler* scheduler_ = nullptr;  // while runBetween runs
};

TEST_F(SchedulerRun, TiesToleranceAndMissedWindows) {
    // 2025-07-01 is a Tuesday (2) and the 1st; every case ends with the month plan at 11:00.
    const std::string plans =
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=1\nmonthtimecount=1\n[DAYTIME]\n"
        "Time0=10: 0: 0,1\n[WEEKTIME]\nTime0=2,%WEEK%,2\n[MONTHTIME]\nTime0=1,11: 0: 0,4\n";
    struct Case {
        const char* why;
        const char* week;
        std::chrono::milliseconds sendTakes;
        std::chrono::minutes jumpAt950;  // clock jump while asleep before 10:00
        const char* expected;            // the day's events before the month plan's
    };
    const Case cases[] = {
        {"same second: the day plan wins", "10: 0: 0", 0ms, 0min,
         "10:00:00 sent day 0, 10:00:00 same-second week 0"},
        {"30 s apart: both", "10: 0:30", 0ms, 0min, "10:00:00 sent day 0, 10:00:30 sent week 0"},
        {"due while busy, 3 s late: still sent", "10: 0: 2", 5000ms, 0min,
         "10:00:00 sent day 0, 10:00:05 sent week 0"},
        {"due while busy, 6 s late: missed", "10: 0: 2", 8000ms, 0min,
         "10:00:00 sent day 0, 10:00:08 missed week 0"},
        {"clock jumps past two: both missed, the rest still today", "10: 0:30", 0ms, 20min,
         "10:10:00 missed day 0, 10:10:00 missed week 0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string text = plans;
        writePlans(text.replace(text.find("%WEEK%"), 6, c.week));
        recorder_.events.clear();
        sendTakes_ = c.sendTakes;
        bool jumped = false;
        runBetween(at(2025, 7, 1, 9, 0, 0), at(2025, 7, 1, 11, 30, 0), [&](TimePoint now) {
            if (!jumped && c.jumpAt950 > 0min && now >= at(2025, 7, 1, 9, 50, 0)) {
                jumped = true;
                clock_.advance(c.jumpAt950);
            }
        });
        std::string seen;
        for (const std::string& line : recorder_.lines()) seen += line.substr(11) + ", ";
        EXPECT_EQ(seen, std::string(c.expected) + ", 11:00:00 sent month 0, ");
    }
}

TEST_F(SchedulerRun, ThirtyDaysEachDueOccurrenceOnce) {
    // Leap day, month ends and both changes of daylight saving.
    writePlans(
        "[PLANCOUNT]\ndaytimecount=3\nweektimecount=2\nmonthtimecount=2\noncetimecount=2\n"
        "[DAYTIME]\nTime0= 0: 0: 0,1\nTime1= 2:30: 0,2\nTime2=23:59:59,4\n"
        "[WEEKTIME]\nTime0=0,12: 0: 0,5\nTime1=3, 2:30:30,6\n"
        "[MONTHTIME]\nTime0=31, 8: 0: 0,7\nTime1=29, 9: 0: 0,8\n"
        "[ONCETIME]\nTime0=2024-2-29,10: 0: 0,9\nTime1=2024-10-27, 2:30:10,10\n");
    const std::map<std::string, std::string> kClocks{
        {"day 0", "00:00:00"},   {"day 1", "02:30:00"},  {"day 2", "23:59:59"},
        {"week 0", "12:00:00"},  {"week 1", "02:30:30"}, {"month 0", "08:00:00"},
        {"month 1", "09:00:00"}, {"once 0", "10:00:00"}, {"once 1", "02:30:10"}};
    struct Window {
        TimePoint start, end;
    };
    for (const Window w :
         {Window{at(2024, 2, 15, 0, 0, 30), at(2024, 4, 1, 23, 59, 59) + 500ms},
          Window{at(2024, 10, 10, 0, 0, 30), at(2024, 11, 8, 23, 59, 59) + 500ms}}) {
        recorder_.events.clear();
        runBetween(w.start, w.end);

        std::map<std::string, int> sent;  // "date kind entry" -> sends
        for (const PlanEvent& e : recorder_.events) {
            ASSERT_EQ(e.what, PlanEvent::What::Sent) << local(e.at);
            EXPECT_EQ(e.at, TimePoint{std::chrono::seconds{e.occurrence.timeOfDay}});
            const std::string when = local(e.at);
            const std::string id =
                std::string(kindName(e.occurrence.kind)) + " " + std::to_string(e.occurrence.entry);
            // A skipped 02:30 runs at 03:00:00, the first moment after the jump.
            const std::string clock = kClocks.at(id);
            const bool skipped = when.starts_with("2024-03-31") && clock.starts_with("02:30");
            EXPECT_EQ(when.substr(11), skipped ? "03:00:00" : clock) << when << " " << id;
            ++sent[when.substr(0, 10) + " " + id];
        }
        // What was due, day by day, worked out from the calendar alone.
        std::map<std::string, int> due;
        const Moment first =
            std::chrono::floor<std::chrono::seconds>(w.start.time_since_epoch()).count();
        for (Moment noon = first + 12 * 3600;
             noon < std::chrono::floor<std::chrono::seconds>(w.end.time_since_epoch()).count();
             noon += 86400) {
            const LocalTime d = localTimeOf(noon);
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", d.year, d.month, d.day);
            const std::string day(date);
            // The run starts just after midnight on its first day: that day's 00:00 is not due.
            for (int i = noon - first < 86400 ? 1 : 0; i < 3; ++i)
                due[day + " day " + std::to_string(i)] = 1;
            if (d.weekday == 0) due[day + " week 0"] = 1;
            if (d.weekday == 3) due[day + " week 1"] = 1;
            if (d.day == 31) due[day + " month 0"] = 1;
            if (d.day == 29) due[day + " month 1"] = 1;
            if (day == "2024-02-29") due[day + " once 0"] = 1;
            if (day == "2024-10-27") due[day + " once 1"] = 1;
        }
        std::string differences;
        for (const auto& [id, n] : sent)
            if (due[id] != n) differences += id + " sent " + std::to_string(n) + "\n";
        for (const auto& [id, n] : due)
            if (n && !sent.contains(id)) differences += id + " not sent\n";
        EXPECT_EQ(differences, "");
    }
}

// Changes are taken in at once for today (10:00 deleted, 10:00:01 added) and at midnight for
// the next day.
TEST_F(SchedulerRun, PlansChangedWhileRunningAreTakenIn) {
    writePlans("[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=10: 0: 0,1\n");
    bool changed = false;
    runBetween(at(2025, 7, 1, 9, 0, 0), at(2025, 7, 2, 9, 0, 0), [&](TimePoint now) {
        if (changed || now < at(2025, 7, 1, 9, 30, 0)) return;
        changed = true;
        writePlans(
            "[PLANCOUNT]\ndaytimecount=2\noncetimecount=1\n[DAYTIME]\nTime0= 0: 0: 5,2\n"
            "Time1=10: 0: 1,2\n[ONCETIME]\nTime0=2025-7-2, 8: 0: 0,4\n");
    });
    EXPECT_EQ(recorder_.lines(), (std::vector<std::string>{"2025-07-01 10:00:01 sent day 1",
                                                           "2025-07-02 00:00:05 sent day 0",
                                                           "2025-07-02 08:00:00 sent once 0"}));
}

TEST_F(SchedulerRun, KindBoxesCountFromTheNextDay) {
    // 2025-07-02 is a Wednesday (3).
    writePlans(
        "[PLANCOUNT]\ndaytimecount=2\nweektimecount=1\n[DAYTIME]\nTime0= 8: 0: 0,1\n"
        "Time1=23:40: 0,1\n[WEEKTIME]\nTime0=3, 8:30: 0,2\n");
    runBetween(at(2025, 7, 1, 23, 0, 0), at(2025, 7, 2, 9, 0, 0), [&](TimePoint now) {
        if (now >= at(2025, 7, 1, 23, 30, 0)) scheduler_->setKinds({{false, true, false, false}});
    });
    EXPECT_EQ(recorder_.lines(), (std::vector<std::string>{"2025-07-01 23:40:00 sent day 1",
                                                           "2025-07-02 08:30:00 sent week 0"}));
}

TEST_F(SchedulerRun, ClosedLinkShowsCannotSendAndSendsNothing) {
    writePlans("[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=10: 0: 0,1\n");
    link_.isOpen = [] { return false; };
    runBetween(at(2025, 7, 1, 9, 0, 0), at(2025, 7, 1, 11, 0, 0));
    EXPECT_TRUE(frames_.empty());
    EXPECT_EQ(recorder_.lines(), std::vector<std::string>{"2025-07-01 10:00:00 cannot-send day 0"});
    ASSERT_FALSE(recorder_.shown.empty());
    EXPECT_EQ(recorder_.shown.front().first->result, MessageId::PlanCannotSend);
    EXPECT_EQ(recorder_.notices, (std::vector<PlanNotice>{{MessageId::PlanCannotSend, {}}}));
}

TEST_F(SchedulerRun, BadEntryIsReportedAndEarlierPlansStillRun) {
    writePlans(
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=1\n[DAYTIME]\nTime0=10: 0: 0,1\n"
        "[WEEKTIME]\nTime0=2,10:61: 0,1\n");
    runBetween(at(2025, 7, 1, 9, 0, 0), at(2025, 7, 1, 11, 0, 0));
    EXPECT_EQ(recorder_.lines(), std::vector<std::string>{"2025-07-01 10:00:00 sent day 0"});
    ASSERT_EQ(recorder_.notices.size(), 1u);
    EXPECT_EQ(recorder_.notices[0], (PlanNotice{MessageId::PlanLoadFailed, {"WEEKTIME", "Time0"}}));
}

TEST_F(SchedulerRun, StopEndsALongSleepAtOnce) {
    writePlans("");
    PlanScheduler scheduler(options_, link_, recorder_);  // the real wall clock
    scheduler.start();
    std::this_thread::sleep_for(50ms);
    const auto begin = std::chrono::steady_clock::now();
    scheduler.stop();
    // A sleep of up to a minute was in progress; well under a second shows it was cut short.
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
    EXPECT_FALSE(scheduler.running());
}

}  // namespace
}  // namespace tvq
