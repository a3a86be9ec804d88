#include "core/control/session_core.h"

namespace tvq {

SessionCore::SessionCore(SessionObserver& observer, Clock& clock, LinkOpener opener,
                         WorkerTiming timing)
    : observer(observer), clock(clock), timing(timing), opener(std::move(opener)), link(clock) {}

PanelState SessionCore::snapshot() const {
    std::lock_guard lock(stateMutex_);
    return panel_;
}

void SessionCore::info(const InfoText& text) {
    std::lock_guard lock(stateMutex_);
    observer.infoChanged(text);
}

void SessionCore::finishConnect(ConnectOutcome outcome) {
    std::lock_guard lock(stateMutex_);
    observer.connectFinished(outcome);
}

void SessionCore::applyStatus(const CommandFrame& reply) {
    update([&](PanelState& s) {
        applyStatusReply(s, reply, link.deviceAddress(), timerRunningFlag.load());
    });
}

bool SessionCore::pause(std::stop_token stop, Millis duration) {
    std::unique_lock lock(sleepMutex_);
    clock.waitFor(lock, sleepCv_, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

std::unique_lock<std::mutex> SessionCore::beginPass(unsigned worker, std::stop_token stop) {
    std::unique_lock panel(panelLock);
    // A hold that came while this worker waited for the lock must still keep it out.
    if (stop.stop_requested() || gate.held(worker)) return {};
    return panel;
}

}  // namespace tvq
