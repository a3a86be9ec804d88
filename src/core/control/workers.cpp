#include "core/control/workers.h"

#include <bitset>

#include "core/control/session_core.h"

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
    const int result = core.link.exchangeFrame(command.frame, reply, kCommandTimeoutMs, stop);
    // At address 0 nobody answers; a stop skips the read-back but not the clean-up below.
    if (core.link.deviceAddress() != 0 && goodReply(result, reply) &&
        core.pause(stop, core.timing.afterCommand)) {
        reply = {};
        if (goodReply(core.link.exchangeFrame(query, reply, kCommandStatusTimeoutMs, stop), reply))
            core.applyStatus(reply);
    }
    core.pending.settle(command.serial);
    core.update([](PanelState& s) {
        s.setPipModeButtons(true);
        s.setOperationControls(true);
    });
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
    while (core.gate.awaitTurn(kStatusPoller, stop)) {
        if (auto panel = core.beginPass(kStatusPoller, stop)) {
            CommandFrame reply{};
            const CommandFrame query = pageQuery(core.link.deviceAddress());
            if (goodReply(core.link.exchangeFrame(query, reply, kPollTimeoutMs, stop), reply))
                core.applyStatus(reply);
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
