#pragma once
// A Session wired to a FakeDevice and an observer that records what the GUI would be told.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string_view>
#include <thread>
#include <vector>

#include "core/control/session.h"
#include "core/link/commands.h"
#include "support/fake_device.h"

namespace tvq::test {

using namespace std::chrono_literals;

// Real-time bound for things that happen at once on virtual time; only a fault reaches it.
inline constexpr auto kPatience = 10s;

// Polls `done` in real time until it holds or the bound passes.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds bound = kPatience) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class RecordingObserver final : public SessionObserver {
public:
    void panelChanged(const PanelState& state) override {
        std::lock_guard lock(mutex_);
        last_ = state;
        if (watch_ && watch_(state)) ++watchHits_;
    }
    void infoChanged(const InfoText& text) override {
        std::lock_guard lock(mutex_);
        infos_.push_back(text);
    }
    void connectFinished(ConnectOutcome outcome) override {
        std::lock_guard lock(mutex_);
        outcomes_.push_back(outcome);
    }

    PanelState last() const {
        std::lock_guard lock(mutex_);
        return last_;
    }
    std::vector<InfoText> infos() const {
        std::lock_guard lock(mutex_);
        return infos_;
    }
    std::vector<ConnectOutcome> outcomes() const {
        std::lock_guard lock(mutex_);
        return outcomes_;
    }
    // Counts the published states for which `watch` holds.
    void watch(std::function<bool(const PanelState&)> watch) {
        std::lock_guard lock(mutex_);
        watch_ = std::move(watch);
        watchHits_ = 0;
    }
    int watchHits() const {
        std::lock_guard lock(mutex_);
        return watchHits_;
    }
    bool waitPanel(const std::function<bool(const PanelState&)>& done) const {
        return eventually([&] { return done(last()); });
    }

private:
    mutable std::mutex mutex_;
    PanelState last_ = PanelState::initial();
    std::vector<InfoText> infos_;
    std::vector<ConnectOutcome> outcomes_;
    std::function<bool(const PanelState&)> watch_;
    int watchHits_ = 0;
};

inline StatusReport status(std::uint8_t mainSource, bool mainSignal = true,
                           std::uint8_t pictureMode = 0) {
    StatusReport s;
    s.mainSource = mainSource;
    s.mainSignal = mainSignal;
    s.pictureMode = pictureMode;
    return s;
}

inline constexpr std::uint8_t kV1 = 0, kVga1 = 5, kHdmi = 8, kExt = 9;

// Names a table row in failure messages instead of dumping its bytes.
template <class Row>
requires requires(const Row& row) {
    std::string_view(row.name);
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// How the next connect's link opens.
enum class Opening { Works, Fails, PortOutOfRange };

struct SessionRig {
    explicit SessionRig(Clock& clock, WorkerTiming timing = {})
        : clock(clock), device(clock), session(observer, clock, opener(), timing) {
        device.setStatus(1, status(kV1));
    }
    ~SessionRig() { device.onFrame(nullptr); }

    LinkOpener opener() {
        return [this](const LinkChoice&, const InfoSink& info) {
            OpenedLink opened;
            switch (opening.load()) {
                case Opening::Works:
                    info(InfoText::message(MessageId::OpenNetworkSuccess));
                    opened.link = device.openLink();
                    break;
                case Opening::Fails:
                    info(InfoText::message(MessageId::OpenNetworkFail));
                    break;
                case Opening::PortOutOfRange:
                    opened.failure = ConnectOutcome::PortOutOfRange;
                    break;
            }
            return opened;
        };
    }

    // Connects and waits for the connect job's end.
    ConnectOutcome connect() {
        const auto before = observer.outcomes().size();
        session.startConnect({});
        session.waitForConnectJob();
        const auto outcomes = observer.outcomes();
        EXPECT_EQ(outcomes.size(), before + 1) << "one connectFinished per connect";
        return outcomes.empty() ? ConnectOutcome::LinkFailed : outcomes.back();
    }

    // Waits until no worker is inside a pass: none can hold panelLock when this returns.
    void settle() { std::lock_guard wait(session.panelLock()); }

    Clock& clock;
    std::atomic<Opening> opening{Opening::Works};
    FakeDevice device;
    RecordingObserver observer;
    Session session;
};

inline bool operationControls(const PanelState& s, bool on) {
    for (std::size_t i = 0; i < kOperationControlCount; ++i)
        if (s.enabled[i] != on) return false;
    return true;
}

inline bool pipModeButtons(const PanelState& s, bool on) {
    for (Control c : {Control::M1, Control::M2, Control::M3, Control::M4})
        if (s.isEnabled(c) != on) return false;
    return true;
}

}  // namespace tvq::test
