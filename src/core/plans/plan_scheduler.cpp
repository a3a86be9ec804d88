#include "core/plans/plan_scheduler.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "core/link/commands.h"
#include "core/link/sources.h"
#include "core/plans/today_plans.h"
#include "core/platform/diagnostics.h"

namespace tvq {
namespace {

using TimePoint = WallClock::TimePoint;

Moment momentOf(TimePoint tp) {
    return std::chrono::floor<std::chrono::seconds>(tp.time_since_epoch()).count();
}

TimePoint pointOf(Moment moment) {
    return TimePoint{std::chrono::seconds{moment}};
}

unsigned bitsOf(PlanKindSet kinds) {
    unsigned bits = 0;
    for (const PlanKind kind : kPlanKinds)
        if (kinds.has(kind)) bits |= 1u << kindIndex(kind);
    return bits;
}

TimerDisplay timerFor(const PlanOccurrence& occurrence, MessageId status, bool linkOpen) {
    return {clockText(occurrence.timeOfDay),
            std::string(sourceName(static_cast<unsigned>(occurrence.source))), status,
            linkOpen ? MessageId::PlanResultUnknown : MessageId::PlanCannotSend};
}

// What changes whenever the file is saved (a save renames a new file over it) or written in
// place; an error stands for itself, so that a file that comes back is read again.
std::string fileStampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "error " + std::to_string(errno);
    return std::to_string(st.st_dev) + " " + std::to_string(st.st_ino) + " " +
           std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ctim.tv_sec) + "." +
           std::to_string(st.st_ctim.tv_nsec);
}

}  // namespace

CommandFrame planFrame(std::uint8_t address, std::int32_t source) {
    return makeFrame(address, cmd::kMainSource, {static_cast<std::uint8_t>(source & 0xFF)});
}

PlanScheduler::PlanScheduler(PlanSchedulerOptions options, PlanLink link, PlanObserver& observer,
                             WallClock& clock)
    : options_(std::move(options)),
      link_(std::move(link)),
      observer_(observer),
      clock_(clock),
      kindBits_(bitsOf(options_.kinds)) {}

PlanScheduler::~PlanScheduler() {
    stop();
}

void PlanScheduler::start() {
    if (thread_.joinable()) return;
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void PlanScheduler::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
    thread_ = {};
}

void PlanScheduler::setKinds(PlanKindSet kinds) {
    kindBits_.store(bitsOf(kinds));
}

bool PlanScheduler::running() const {
    return thread_.joinable();
}

std::vector<PlanOccurrence> PlanScheduler::planFor(const CInfoPlan& loaded, PlanKindSet kinds,
                                                   Moment now) {
    CInfoPlan store = loaded;
    store.todayPlans.clear();
    for (const PlanKind kind : kPlanKinds)
        if (kinds.has(kind)) buildTodayPlans(store, kind, now);
    return firingOrder(store.todayPlans);
}

void PlanScheduler::reload(Moment now, Moment after) {
    ::tzset();  // a zone changed since the last reload counts from this day on
    fileStamp_ = fileStampOf(options_.planFile);
    LoadedPlans loaded = loadPlanFile(options_.planFile);
    for (const std::string& line : loaded.result.diagnostics) diagnostic(line);
    // A file that cannot be read for the moment takes nothing away: the plans stay as they are.
    if (!loaded.result.unreadable) {
        // A bad entry stops the load; the plans read before it still run.
        if (!loaded.result.ok) observer_.planNotice(loaded.result.notice());
        store_ = std::move(loaded.store);
    }
    store_.todayPlans.clear();
    const unsigned kinds = kindBits_.load();
    for (const PlanKind kind : kPlanKinds)
        if (kinds & (1u << kindIndex(kind))) buildTodayPlans(store_, kind, now, after);
    loadedDay_ = startOfDay(now);
    shownKey_.reset();
}

void PlanScheduler::display(Moment now) {
    const Nearest current = takeNearest(store_.todayPlans, now, false);
    if (!current.found || current.key == shownKey_ || current.seconds <= 0) return;
    shownKey_ = current.key;
    // Next: the nearest after the current one that is not dropped as its tie.
    std::optional<TimerDisplay> next;
    const PlanOccurrence* best = nullptr;
    for (const auto& [key, occurrence] : store_.todayPlans) {
        if (key == current.key || occurrence.timeOfDay == current.occurrence.timeOfDay) continue;
        if (!best || occurrence.timeOfDay < best->timeOfDay) best = &occurrence;
    }
    const bool open = !link_.isOpen || link_.isOpen();
    if (best) next = timerFor(*best, MessageId::PlanStatusWaiting, open);
    observer_.showTimers(timerFor(current.occurrence, MessageId::PlanStatusImmediate, open), next);
}

void PlanScheduler::handleDue(const PlanOccurrence& due, TimePoint now, std::stop_token stop) {
    PlanEvent event{PlanEvent::What::Sent, due, now};
    const std::int64_t late = momentOf(now) - due.timeOfDay;
    if (late > options_.toleranceSeconds) {
        event.what = PlanEvent::What::Missed;
        observer_.planEvent(event);
        observer_.planNotice(
            {MessageId::PlanMissed, {clockText(due.timeOfDay), std::to_string(late)}});
        return;
    }
    if (link_.isOpen && !link_.isOpen()) {
        event.what = PlanEvent::What::CannotSend;
        observer_.planEvent(event);
        observer_.planNotice({MessageId::PlanCannotSend, {}});
        return;
    }
    if (link_.sending) link_.sending(due);
    switch (link_.send(planFrame(options_.deviceAddress, due.source), stop)) {
        case SendOutcome::Sent:
            break;
        case SendOutcome::NoReply:
            event.what = PlanEvent::What::NoReply;
            break;
        case SendOutcome::LinkClosed:
            event.what = PlanEvent::What::CannotSend;
            observer_.planNotice({MessageId::PlanCannotSend, {}});
            break;
        case SendOutcome::Stopped:
            return;
    }
    observer_.planEvent(event);
}

std::chrono::milliseconds PlanScheduler::longestSleep() const {
    return std::min(options_.wallCheck, options_.fileCheck);
}

// What fell due before a reload still gets its chance (or is reported missed).
void PlanScheduler::handleOverdue(Moment now, TimePoint tp, std::stop_token stop) {
    while (!stop.stop_requested()) {
        const Nearest left = takeNearest(store_.todayPlans, now, true);
        if (!left.found || left.seconds > 0) break;
        handleDue(left.occurrence, tp, stop);
    }
}

void PlanScheduler::run(std::stop_token stop) {
    {
        const Moment now = momentOf(clock_.now());
        reload(now, now);
    }
    while (!stop.stop_requested()) {
        const TimePoint tp = clock_.now();
        const Moment now = momentOf(tp);

        const Moment day = startOfDay(now);
        if (day == loadedDay_ && fileStampOf(options_.planFile) != fileStamp_) {
            // Plans changed while we run: today's list anew, from now on.
            handleOverdue(now, tp, stop);
            reload(now, now);
            continue;
        }
        if (day != loadedDay_) {
            handleOverdue(now, tp, stop);
            // Forward: the whole new day from its midnight on. Backward (clock set back): only
            // what still lies ahead, so nothing is sent twice.
            reload(now, day > loadedDay_ ? day - 1 : now);
            continue;
        }

        const Nearest current = takeNearest(store_.todayPlans, now, false);
        if (!current.found) {
            const auto untilMidnight = pointOf(startOfNextDay(now)) - tp;
            clock_.sleepFor(
                std::min<std::chrono::milliseconds>(
                    std::chrono::ceil<std::chrono::milliseconds>(untilMidnight), longestSleep()),
                stop);
            continue;
        }
        display(now);
        const TimePoint due = pointOf(current.occurrence.timeOfDay);
        if (tp < due) {
            clock_.sleepFor(
                std::min<std::chrono::milliseconds>(
                    std::chrono::ceil<std::chrono::milliseconds>(due - tp), longestSleep()),
                stop);
            continue;
        }

        store_.todayPlans.erase(current.key);
        handleDue(current.occurrence, tp, stop);
        for (auto it = store_.todayPlans.begin(); it != store_.todayPlans.end();) {
            if (it->second.timeOfDay != current.occurrence.timeOfDay) {
                ++it;
                continue;
            }
            observer_.planEvent({PlanEvent::What::SameSecond, it->second, clock_.now()});
            it = store_.todayPlans.erase(it);
        }
    }
}

}  // namespace tvq
