#pragma once
// Hears the plan scheduler on its thread and replays each report on the UI thread with copies
// of the values, tagged with the run it belongs to, so reports of a stopped run are ignored.

#include <functional>

#include "core/plans/plan_scheduler.h"

class QObject;

class PlanThreadObserver final : public tvq::PlanObserver {
public:
    using Timers = std::function<void(unsigned run, const std::optional<tvq::TimerDisplay>&,
                                      const std::optional<tvq::TimerDisplay>&)>;
    using Event = std::function<void(unsigned run, const tvq::PlanEvent&)>;
    using Notice = std::function<void(unsigned run, const tvq::PlanNotice&)>;

    // Reports are queued to context's thread and dropped once context is gone.
    PlanThreadObserver(QObject* context, unsigned run, Timers timers, Event event, Notice notice);

    void showTimers(const std::optional<tvq::TimerDisplay>& current,
                    const std::optional<tvq::TimerDisplay>& next) override;
    void planEvent(const tvq::PlanEvent& event) override;
    void planNotice(const tvq::PlanNotice& notice) override;

private:
    QObject* context_;
    const unsigned run_;
    const Timers timers_;
    const Event event_;
    const Notice notice_;
};
