#include "core/control/worker_gate.h"

namespace tvq {

void WorkerGate::hold(unsigned workers) {
    std::lock_guard lock(mutex_);
    held_ |= workers;
}

void WorkerGate::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = 0;
    }
    cv_.notify_all();
}

bool WorkerGate::held(unsigned worker) const {
    std::lock_guard lock(mutex_);
    return (held_ & worker) != 0;
}

bool WorkerGate::awaitTurn(unsigned worker, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    // No timed wait: a hold lasts as long as its dialog, and is no documented timing.
    cv_.wait(lock, stop, [&] { return (held_ & worker) == 0; });
    return !stop.stop_requested();
}

}  // namespace tvq
