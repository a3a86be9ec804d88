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
    const int result = core.link.exchangeFrame(command.frame, reply, kCommandTimeoutMs);
    // At address 0 nobody answers; a stop skips the read-back but not the clean-up below.
    if (core.link.deviceAddress() != 0 && goodReply(result, reply) &&
        core.pause(stop, core.timing.afterCommand)) {
        reply = {};
        if (goodReply(core.link.exchangeFrame(query, reply, kCommandStatusTimeoutMs), reply))
            core.applyStatus(reply);
    }
    core.pending.settle(command.serial);
    core.update([](PanelState& s) {
        s.setPipModeButtons(true);
        s.setOperationControls(true);
    });
}

// Shows or hides each light of `lights` in light order, pausing between two.
bool blinkPass(SessionCore& core, std::stop_token stop, const std::bitset<kLightCount>& lights,
               bool on) {
    for (std::size_t i = 0; i < kLightCount; ++i) {
        if (!lights[i]) continue;
        core.update([&](PanelState& s) { s.show(static_cast<Light>(i), on); });
        if (!core.pause(stop, core.timing.blinkStep)) return false;
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
            if (goodReply(core.link.exchangeFrame(query, reply, kPollTimeoutMs), reply))
                core.applyStatus(reply);
        } else {
            continue;
        }
        core.pause(stop, core.timing.pollPause);
    }
}

void blinkWorker(SessionCore& core, std::stop_token stop) {
    while (core.gate.awaitTurn(kBlinkWorker, stop)) {
        if (auto panel = core.beginPass(kBlinkWorker, stop)) {
            // The set is rebuilt only under panelLock, so it holds still for this pass.
            const auto lights = core.snapshot().blinkSet;
            if (!blinkPass(core, stop, lights, true) || !core.pause(stop, core.timing.blinkHalf))
                return;
            if (!blinkPass(core, stop, lights, false)) return;
        } else {
            continue;
        }
        core.pause(stop, core.timing.blinkHalf);
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
