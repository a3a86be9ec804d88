#include "cli/run_plans.h"

#include <signal.h>

#include <chrono>
#include <mutex>

#include "cli/run_command.h"
#include "core/link/sources.h"
#include "core/plans/plan_text.h"

namespace tvq::cli {
namespace {

std::string_view whatText(PlanEvent::What what) {
    switch (what) {
        case PlanEvent::What::Sent:
            return "sent";
        case PlanEvent::What::NoReply:
            return "no-reply";
        case PlanEvent::What::CannotSend:
            return "cannot-send";
        case PlanEvent::What::Missed:
            return "missed";
        case PlanEvent::What::SameSecond:
            return "dropped-same-second";
    }
    return "";
}

std::string stampWithMillis(WallClock::TimePoint at) {
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(at.time_since_epoch()).count();
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d", static_cast<int>(((ms % 1000) + 1000) % 1000));
    const Moment seconds = std::chrono::floor<std::chrono::seconds>(at.time_since_epoch()).count();
    return stampText(seconds) + millis;
}

std::string padded(std::string clock) {
    for (char& c : clock)
        if (c == ' ') c = '0';
    return clock;
}

class LinePrinter final : public PlanObserver {
public:
    void showTimers(const std::optional<TimerDisplay>& current,
                    const std::optional<TimerDisplay>& next) override {
        std::string line = stampWithMillis(std::chrono::system_clock::now()) + " waiting";
        // The display's clock texts are space-padded ("%2d"); these lines want fixed columns.
        if (current) line += " current " + padded(current->time) + " " + current->signal;
        if (next) line += ", next " + padded(next->time) + " " + next->signal;
        print(line);
    }
    void planEvent(const PlanEvent& event) override { print(planEventLine(event)); }
    void planNotice(const PlanNotice& notice) override {
        print(stampWithMillis(std::chrono::system_clock::now()) + " notice " + notice.english());
    }

private:
    void print(const std::string& line) {
        std::lock_guard lock(mutex_);
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }
    std::mutex mutex_;
};

}  // namespace

std::string planEventLine(const PlanEvent& event) {
    const PlanOccurrence& o = event.occurrence;
    const std::string_view name = sourceName(static_cast<unsigned>(o.source));
    return stampWithMillis(event.at) + " " + std::string(whatText(event.what)) + " " +
           std::string(kindName(o.kind)) + " " + planEntryKey(o.entry) + " " +
           (name.empty() ? std::to_string(o.source) : std::string(name)) + " due " +
           stampText(o.timeOfDay);
}

int runPlans(const CliOptions& options, FrameExchanger& link) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Waiting on a file that cannot be read would wait forever with nothing to do. (A missing
    // one is fine: plans added to it later are taken in while we run.)
    const LoadedPlans first = loadPlanFile(options.planFile);
    if (first.result.unreadable) {
        std::fprintf(stderr, "tvq418ctl: %s: cannot be read: %s\n", options.planFile.c_str(),
                     first.result.unreadable.message().c_str());
        return kExitFailed;
    }

    link.setDeviceAddress(options.address);
    PlanLink planLink;
    planLink.send = [&link, address = options.address](const CommandFrame& frame,
                                                       std::stop_token stop) {
        if (!link.isOpen()) return SendOutcome::LinkClosed;
        CommandFrame reply{};
        const int result = link.exchangeFrame(frame, reply, kPlanReplyTimeoutMs, stop);
        if (stop.stop_requested()) return SendOutcome::Stopped;
        // A broadcast awaits no reply: having sent it is all there is.
        return result == static_cast<int>(kFrameSize) || address == 0 ? SendOutcome::Sent
                                                                      : SendOutcome::NoReply;
    };
    planLink.isOpen = [&link] { return link.isOpen(); };

    PlanSchedulerOptions schedulerOptions;
    schedulerOptions.planFile = options.planFile;
    schedulerOptions.kinds = options.kinds;
    schedulerOptions.deviceAddress = options.address;
    LinePrinter printer;
    PlanScheduler scheduler(schedulerOptions, planLink, printer);
    scheduler.start();
    int signal = 0;
    sigwait(&signals, &signal);
    scheduler.stop();
    return kExitOk;
}

}  // namespace tvq::cli
