#pragma once
// The plan scheduler: carries out today's plans at their clock times, reloads the plan file at
// the change of day, and reports what it shows and does to an observer.
//
// It sleeps on a WallClock until the next occurrence, waking at least every wallCheck to notice
// clock jumps and the change of day, and every fileCheck to reload a plan file that changed. A stop
// request ends it at once, also inside a sleep; the send callable gets the stop token, so an
// exchange in flight ends within one reply try.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "core/link/command_frame.h"
#include "core/plans/plan_file.h"
#include "core/plans/plan_record.h"
#include "core/platform/clock.h"

namespace tvq {

// How long the device may take to answer a plan's switch.
inline constexpr std::int32_t kPlanReplyTimeoutMs = 5000;

// 5, address, 0x80, the source's low 8 bits, zeros, check byte.
CommandFrame planFrame(std::uint8_t address, std::int32_t source);

enum class SendOutcome {
    Sent,        // a reply came (or none was due: address 0)
    NoReply,     // sent, no reply within the time-out
    LinkClosed,  // nothing sent: there is no open link
    Stopped,     // the stop request ended it
};

// The owner's way to the wire: the GUI takes panelLock and exchanges on its Session; the command
// line exchanges on its DeviceLink.
struct PlanLink {
    std::function<SendOutcome(const CommandFrame& frame, std::stop_token stop)> send;
    std::function<bool()> isOpen;  // optional: lets the display say "cannot send" in advance
    // Optional: told which occurrence the send that follows carries, so the owner can name it
    // while the exchange runs (a journal), not only after it.
    std::function<void(const PlanOccurrence&)> sending = {};
};

// Four fields of "Current Timer" or "Next Timer".
struct TimerDisplay {
    std::string time;    // "%2d:%2d:%2d"
    std::string signal;  // source name
    MessageId status = MessageId::PlanStatusImmediate;
    MessageId result = MessageId::PlanResultUnknown;
    bool operator==(const TimerDisplay&) const = default;
};

struct PlanEvent {
    enum class What {
        Sent,
        NoReply,
        CannotSend,  // link closed
        Missed,      // more than the tolerance overdue (late wake, suspend, clock jump)
        SameSecond,  // dropped: another occurrence of the same second was sent
    };
    What what = What::Sent;
    PlanOccurrence occurrence;  // timeOfDay is the occurrence's moment
    WallClock::TimePoint at;    // when it was handled
};

// Called on the scheduler's thread; a GUI posts each call to its own thread.
class PlanObserver {
public:
    virtual ~PlanObserver() = default;
    // A group given as nullopt keeps the texts it shows.
    virtual void showTimers(const std::optional<TimerDisplay>& current,
                            const std::optional<TimerDisplay>& next) = 0;
    virtual void planEvent(const PlanEvent& event) = 0;
    // For the Info line: a reload that stopped at a bad entry, a missed plan.
    virtual void planNotice(const PlanNotice& notice) = 0;
};

struct PlanSchedulerOptions {
    std::filesystem::path planFile = kPlanFileName;
    PlanKindSet kinds = PlanKindSet::all();
    std::uint8_t deviceAddress = 1;
    std::chrono::milliseconds wallCheck{30000};  // longest sleep in one piece
    // How often the plan file is looked at while asleep: a change (plans added, modified or
    // deleted by the program window or the command line) is taken in at the next look.
    std::chrono::milliseconds fileCheck{1000};
    int toleranceSeconds = 5;  // how late an occurrence may still be sent
};

class PlanScheduler {
public:
    PlanScheduler(PlanSchedulerOptions options, PlanLink link, PlanObserver& observer,
                  WallClock& clock = systemWallClock());
    ~PlanScheduler();  // stops and joins
    PlanScheduler(const PlanScheduler&) = delete;
    PlanScheduler& operator=(const PlanScheduler&) = delete;

    void start();  // runs run() on its own thread; no effect while running
    void stop();   // requests the stop and joins; returns within one reply try
    bool running() const;
    // The main window's Day/Week/Month/Once boxes changed: takes effect at the next reload,
    // that is after the next change of day. Safe from any thread.
    void setKinds(PlanKindSet kinds);

    // The scheduler's loop on the caller's thread, until stop is requested.
    void run(std::stop_token stop);

    // The occurrences a scheduler started at `now` would carry out today, in order.
    static std::vector<PlanOccurrence> planFor(const CInfoPlan& loaded, PlanKindSet kinds,
                                               Moment now);

private:
    void reload(Moment now, Moment after);
    void handleOverdue(Moment now, WallClock::TimePoint tp, std::stop_token stop);
    std::chrono::milliseconds longestSleep() const;
    void display(Moment now);
    void handleDue(const PlanOccurrence& due, WallClock::TimePoint now, std::stop_token stop);

    PlanSchedulerOptions options_;
    PlanLink link_;
    PlanObserver& observer_;
    WallClock& clock_;
    CInfoPlan store_;
    std::atomic<unsigned> kindBits_;
    Moment loadedDay_ = 0;   // local midnight of the day the list was built for
    std::string fileStamp_;  // identity, size and times of the plan file at the last reload
    std::optional<std::int32_t> shownKey_;
    std::jthread thread_;
};

}  // namespace tvq
