#include "gui/plans/plan_thread_observer.h"

#include <QMetaObject>
#include <QObject>

PlanThreadObserver::PlanThreadObserver(QObject* context, unsigned run, Timers timers, Event event,
                                       Notice notice)
    : context_(context),
      run_(run),
      timers_(std::move(timers)),
      event_(std::move(event)),
      notice_(std::move(notice)) {}

void PlanThreadObserver::showTimers(const std::optional<tvq::TimerDisplay>& current,
                                    const std::optional<tvq::TimerDisplay>& next) {
    QMetaObject::invokeMethod(
        context_, [h = timers_, run = run_, current, next] { h(run, current, next); },
        Qt::QueuedConnection);
}

void PlanThreadObserver::planEvent(const tvq::PlanEvent& event) {
    QMetaObject::invokeMethod(
        context_, [h = event_, run = run_, event] { h(run, event); }, Qt::QueuedConnection);
}

void PlanThreadObserver::planNotice(const tvq::PlanNotice& notice) {
    QMetaObject::invokeMethod(
        context_, [h = notice_, run = run_, notice] { h(run, notice); }, Qt::QueuedConnection);
}
