#include "core/control/pending_slot.h"

namespace tvq {

void PendingSlot::put(const CommandFrame& frame) {
    {
        std::lock_guard lock(mutex_);
        frame_ = frame;
        ++serial_;
        flag_.store(true, std::memory_order_release);
    }
    cv_.notify_all();
}

CommandFrame PendingSlot::frame() const {
    std::lock_guard lock(mutex_);
    return frame_;
}

PendingSlot::Taken PendingSlot::take() const {
    std::lock_guard lock(mutex_);
    return {frame_, serial_};
}

void PendingSlot::settle(std::uint64_t serial) {
    std::lock_guard lock(mutex_);
    if (serial == serial_) flag_.store(false, std::memory_order_release);
}

void PendingSlot::discard() {
    std::lock_guard lock(mutex_);
    ++serial_;  // a copy still on its way settles nothing
    flag_.store(false, std::memory_order_release);
}

bool PendingSlot::waitForFrame(Clock& clock, std::stop_token stop, Millis look, bool wakeOnPut) {
    std::unique_lock lock(mutex_);
    const auto ready = [this, wakeOnPut] { return wakeOnPut && flag(); };
    clock.waitFor(lock, cv_, stop, look, ready);
    return flag();
}

}  // namespace tvq
