#include "gui/control/ui_thread_observer.h"

#include <QMetaObject>
#include <QObject>

UiThreadObserver::UiThreadObserver(QObject* context, Handlers handlers)
    : context_(context), handlers_(std::move(handlers)) {}

void UiThreadObserver::panelChanged(const tvq::PanelState& state) {
    QMetaObject::invokeMethod(
        context_, [handler = handlers_.panelChanged, state] { handler(state); },
        Qt::QueuedConnection);
}

void UiThreadObserver::infoChanged(const tvq::InfoText& text) {
    QMetaObject::invokeMethod(
        context_, [handler = handlers_.infoChanged, text] { handler(text); }, Qt::QueuedConnection);
}

void UiThreadObserver::connectFinished(tvq::ConnectOutcome outcome) {
    QMetaObject::invokeMethod(
        context_, [handler = handlers_.connectFinished, outcome] { handler(outcome); },
        Qt::QueuedConnection);
}
