#pragma once
// The one queued front-panel command. A press replaces the frame (newest wins); the command
// worker sends a copy and then settles the slot, which clears the flag only when no newer
// press arrived while the copy was on its way, so such a press is sent next, not lost.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

#include "core/link/command_frame.h"
#include "core/platform/clock.h"

namespace tvq {

class PendingSlot {
public:
    // The whole frame is in place before the flag shows.
    void put(const CommandFrame& frame);
    bool flag() const { return flag_.load(std::memory_order_acquire); }
    CommandFrame frame() const;

    struct Taken {
        CommandFrame frame;
        std::uint64_t serial;  // which press this copy came from
    };
    Taken take() const;
    // The copy `serial` has been dealt with (sent, or dropped after a failed exchange).
    void settle(std::uint64_t serial);
    // Drops a waiting frame unsent.
    void discard();

    // The command worker's idle look: waits up to `look` for a frame, or, when a press is not
    // to wake it, simply for `look`. Ends at once on stop. True when a frame is waiting.
    bool waitForFrame(Clock& clock, std::stop_token stop, Millis look, bool wakeOnPut);

private:
    mutable std::mutex mutex_;
    std::condition_variable_any cv_;
    CommandFrame frame_{};
    std::uint64_t serial_ = 0;
    std::atomic<bool> flag_{false};
};

}  // namespace tvq
