#include "core/control/workers.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <utility>

#include "core/control/session_core.h"
#include "core/link/commands.h"
#include "core/platform/diagnostics.h"

namespace tvq {
namespace {

constexpr std::int32_t kCommandTimeoutMs = 6000;
constexpr std::int32_t kCommandStatusTimeoutMs = 5000;
constexpr std::int32_t kPollTimeoutMs = 1000;

bool goodReply(int result, const CommandFrame& reply) {
    return result == static_cast<int>(kFrameSize) && checkByteOk(reply);
}

// One queued command and the status read after it, under panelLock.
void sendPending(SessionCore& core, std::stop_token stop) {
    core.update([](PanelState& s) {
        s.setOperationControls(false);
        s.setPipModeButtons(false);
    });
    const CommandFrame query = pageQuery(core.link.deviceAddress());
    const PendingSlot::Taken command = core.pending.take();

    CommandFrame reply{};
    const int result = core.onWire([&](FrameExchanger& wire) {
        return wire.exchangeFrame(command.frame, reply, kCommandTimeoutMs, stop);
    });
    // At address 0 nobody answers; a stop skips the read-back but not the clean-up below.
    if (core.link.deviceAddress() != 0 && goodReply(result, reply) &&
        core.pause(stop, core.timing.afterCommand)) {
        reply = {};
        const int read = core.onWire([&](FrameExchanger& wire) {
            return wire.exchangeFrame(query, reply, kCommandStatusTimeoutMs, stop);
        });
        if (goodReply(read, reply)) core.applyStatus(reply);
    }
    core.pending.settle(command.serial);
    core.update([](PanelState& s) {
        s.setPipModeButtons(true);
        s.setOperationControls(true);
    });
}

// A status reply from the device asked, not just any frame with a good check byte.
bool answeredBy(const CommandFrame& reply, std::uint8_t address) {
    return reply[1] == address && reply[2] == cmd::kReadPage;
}

std::string clockText() {
    const LocalTimeOfDay t = localTimeOfDay();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

// What the status poller knows of the device's health. Unanswered polls in a row, or a lost
// line, make the panel show its state as unknown and the Info line say why; the first answer
// after that brings the panel back by itself.
class HealthWatch {
public:
    explicit HealthWatch(SessionCore& core) : core_(core) {}

    // Before the reply is applied, which then decides the buttons of the device's state.
    void answered() {
        misses_ = 0;
        if (!unknown_) return;
        unknown_ = false;
        core_.update([this](PanelState& s) {
            s.stateUnknown = false;
            if (std::exchange(controlsOff_, false)) s.setOperationControls(true);
        });
        core_.info(InfoText::message(MessageId::EquipmentNormal));
    }
    void unanswered() {
        if (misses_++ == 0) firstMiss_ = clockText();
        if (misses_ == core_.timing.missesBeforeUnknown) {
            showUnknown();
            core_.info(InfoText::message(MessageId::NoAnswerSince, firstMiss_));
        }
    }
    // The line is gone; its reopening says so itself. Polls count afresh on the new line. The
    // buttons go grey meanwhile: a press could not reach the device.
    void lineLost() {
        misses_ = 0;
        showUnknown();
        controlsOff_ = true;
        core_.update([](PanelState& s) {
            s.setOperationControls(false);
            s.setPipModeButtons(false);
        });
    }

private:
    void showUnknown() {
        unknown_ = true;
        core_.update([](PanelState& s) { s.stateUnknown = true; });
    }

    SessionCore& core_;
    int misses_ = 0;
    bool unknown_ = false;
    bool controlsOff_ = false;
    std::string firstMiss_;
};

// Reopens a lost line with the link of the last connect, pausing 1, 2, 4 ... 30 s before each
// try, until it opens. False when the worker is stopped first (Disconnect, Exit).
bool reopenLine(SessionCore& core, std::stop_token stop) {
    Millis wait = core.timing.reconnectFirst;
    for (;;) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait).count();
        core.info(InfoText::message(MessageId::Reconnecting, std::to_string(seconds)));
        if (!core.pause(stop, wait)) return false;
        wait = std::min(wait * 2, core.timing.reconnectLongest);
        auto panel = core.beginPass(kStatusPoller, stop);
        if (!panel) {
            if (stop.stop_requested()) return false;
            continue;  // held by a dialog: try after the next pause
        }
        core.link.close();
        // The Info line keeps saying that we reconnect; the link's own texts would hide it.
        OpenedLink opened = core.opener(core.choice, [](const InfoText&) {});
        if (opened.link && opened.link->isOpen()) {
            core.link.attach(std::move(opened.link));
            return true;
        }
    }
}

// Shows or hides, in light order, each light that blinks at that moment. The set is read light
// by light: a status reply may rebuild it mid-pass, and a light it no longer holds is left as
// the reply set it.
bool blinkPass(SessionCore& core, std::stop_token stop, bool on) {
    for (std::size_t i = 0; i < kLightCount; ++i) {
        bool blinks = false;
        core.update([&](PanelState& s) {
            blinks = s.blinkSet[i] && !core.gate.held(kBlinkWorker);
            if (blinks) s.show(static_cast<Light>(i), on);
        });
        if (blinks && !core.pause(stop, core.timing.blinkStep)) return false;
    }
    return true;
}

}  // namespace

void commandWorker(SessionCore& core, std::stop_token stop) {
    while (core.gate.awaitTurn(kCommandWorker, stop)) {
        if (!core.pending.flag()) {
            core.pending.waitForFrame(core.clock, stop, core.timing.idleLook,
                                      core.timing.wakeOnPress);
            continue;
        }
        if (auto panel = core.beginPass(kCommandWorker, stop)) sendPending(core, stop);
    }
}

void statusPoller(SessionCore& core, std::stop_token stop) {
    HealthWatch health(core);
    while (core.gate.awaitTurn(kStatusPoller, stop)) {
        if (!core.link.isUp()) {
            health.lineLost();
            if (!reopenLine(core, stop)) return;
            continue;  // poll the reopened line at once
        }
        if (auto panel = core.beginPass(kStatusPoller, stop)) {
            CommandFrame reply{};
            const std::uint8_t address = core.link.deviceAddress();
            const int result =
                core.link.exchangeFrame(pageQuery(address), reply, kPollTimeoutMs, stop);
            if (goodReply(result, reply) && answeredBy(reply, address)) {
                health.answered();
                core.applyStatus(reply);
            } else if (address != 0 && core.link.isUp() && !stop.stop_requested()) {
                // Nobody answers at address 0, and a lost line is dealt with above.
                health.unanswered();
            }
        } else {
            continue;
        }
        core.pause(stop, core.timing.pollPause);
    }
}

// The lights and the blink set are guarded by the state mutex, so the blink worker never takes
// panelLock: holding it for the lit half-second would keep every command off the wire as long.
void blinkWorker(SessionCore& core, std::stop_token stop) {
    while (core.gate.awaitTurn(kBlinkWorker, stop)) {
        if (!blinkPass(core, stop, true) || !core.pause(stop, core.timing.blinkHalf)) return;
        if (!blinkPass(core, stop, false) || !core.pause(stop, core.timing.blinkHalf)) return;
    }
}

void SessionWorkers::start() {
    std::lock_guard lock(mutex_);
    if (command_.joinable()) return;
    command_ = std::jthread([this](std::stop_token stop) { commandWorker(core_, stop); });
    // Attached, the service polls and its state events bring the lamps their news.
    if (!core_.attachment.load())
        poller_ = std::jthread([this](std::stop_token stop) { statusPoller(core_, stop); });
    blinker_ = std::jthread([this](std::stop_token stop) { blinkWorker(core_, stop); });
}

void SessionWorkers::stop() {
    std::jthread command, poller, blinker;
    {
        // Joined outside the lock: a worker may still be waiting for panelLock, which the
        // connect job holds while it starts workers under this lock.
        std::lock_guard lock(mutex_);
        command = std::move(command_);
        poller = std::move(poller_);
        blinker = std::move(blinker_);
    }
    for (auto* t : {&command, &poller, &blinker}) t->request_stop();
    for (auto* t : {&command, &poller, &blinker})
        if (t->joinable()) t->join();
}

bool SessionWorkers::running() const {
    std::lock_guard lock(mutex_);
    return command_.joinable();
}

}  // namespace tvq
