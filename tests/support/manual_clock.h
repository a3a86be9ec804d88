#pragma once
// Virtual time that moves only when a thread sleeps or the test advances it. Unlike FakeClock,
// a timed wait blocks until virtual time reaches its end, so a test can tell a wait that was
// cut short from one that ran its course.

#include <atomic>

#include "core/platform/clock.h"

namespace tvq::test {

class ManualClock final : public Clock {
public:
    TimePoint now() const override { return TimePoint{Millis{elapsed_.load()}}; }
    void sleepFor(Millis duration) override { advance(duration); }
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                 std::stop_token stop, Millis duration,
                 const std::function<bool()>& ready) override {
        const auto deadline = now() + duration;
        ++waiting_;
        // Virtual time has no notification of its own: look again every real millisecond.
        while (!ready() && !stop.stop_requested() && now() < deadline)
            cv.wait_for(lock, stop, Millis{1}, ready);
        --waiting_;
        return ready();
    }
    void advance(Millis duration) { elapsed_ += duration.count(); }
    int waiting() const { return waiting_.load(); }  // threads inside a timed wait now

private:
    std::atomic<Millis::rep> elapsed_{0};
    std::atomic<int> waiting_{0};
};

}  // namespace tvq::test
