#pragma once
// Hears the Session on any thread and replays each report on the UI thread with copies of the
// values, so no widget is touched from a worker and no pointer into shared state escapes.

#include <functional>

#include "core/control/session.h"

class QObject;

class UiThreadObserver final : public tvq::SessionObserver {
public:
    struct Handlers {
        std::function<void(const tvq::PanelState&)> panelChanged;
        std::function<void(const tvq::InfoText&)> infoChanged;
        std::function<void(tvq::ConnectOutcome)> connectFinished;
    };

    // Reports are queued to context's thread and dropped once context is gone.
    UiThreadObserver(QObject* context, Handlers handlers);

    void panelChanged(const tvq::PanelState& state) override;
    void infoChanged(const tvq::InfoText& text) override;
    void connectFinished(tvq::ConnectOutcome outcome) override;

private:
    QObject* context_;
    const Handlers handlers_;
};
