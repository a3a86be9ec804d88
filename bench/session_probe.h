#pragma once
// A SessionObserver for the measuring programs: keeps the latest panel and connect outcome.

#include <condition_variable>
#include <mutex>
#include <optional>

#include "core/control/session.h"

namespace tvq::bench {

class SessionProbe final : public SessionObserver {
public:
    void panelChanged(const PanelState& state) override {
        std::lock_guard lock(mutex_);
        panel_ = state;
        changed_.notify_all();
    }
    void infoChanged(const InfoText&) override {}
    void connectFinished(ConnectOutcome outcome) override {
        std::lock_guard lock(mutex_);
        outcome_ = outcome;
        changed_.notify_all();
    }

    std::optional<ConnectOutcome> awaitConnect(Millis timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return outcome_.has_value(); });
        return outcome_;
    }

    // Waits until the panel satisfies pred; false on time-out.
    template <class Pred>
    bool awaitPanel(Pred pred, Millis timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return pred(panel_); });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    PanelState panel_;
    std::optional<ConnectOutcome> outcome_;
};

}  // namespace tvq::bench
