#pragma once
// Every wait in the core goes through a Clock, so tests can run documented timings instantly.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>

namespace tvq {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    virtual void sleepFor(Millis duration) = 0;

    // Waits on cv (lock held on entry and exit) until `ready` holds, stop is requested or the
    // duration passes. Returns ready().
    virtual bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                         std::stop_token stop, Millis duration,
                         const std::function<bool()>& ready) = 0;
};

// The steady clock and real sleeps.
class SystemClock final : public Clock {
public:
    TimePoint now() const override;
    void sleepFor(Millis duration) override;
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                 std::stop_token stop, Millis duration,
                 const std::function<bool()>& ready) override;
};

Clock& systemClock();

// Virtual time: sleeping advances it at once. Safe to share between threads.
class FakeClock final : public Clock {
public:
    TimePoint now() const override { return TimePoint{Millis{elapsed_.load()}}; }
    void sleepFor(Millis duration) override { advance(duration); }
    // Advances virtual time by the whole duration unless already ready or stopped; yields the
    // processor briefly so other threads make progress.
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                 std::stop_token stop, Millis duration,
                 const std::function<bool()>& ready) override;
    void advance(Millis duration) { elapsed_ += duration.count(); }
    Millis elapsed() const { return Millis{elapsed_.load()}; }

private:
    std::atomic<Millis::rep> elapsed_{0};
};

// Wall-clock time for what happens at a local clock time (plans). Separate from Clock, whose
// steady time never jumps: this one follows the system's time, jumps and all.
class WallClock {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    virtual ~WallClock() = default;
    virtual TimePoint now() const = 0;
    // Sleeps for the duration or until stop is requested, whichever comes first. Returns false
    // when it ended because of the stop request.
    virtual bool sleepFor(Millis duration, std::stop_token stop) = 0;
};

class SystemWallClock final : public WallClock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
    bool sleepFor(Millis duration, std::stop_token stop) override;
};

WallClock& systemWallClock();

// Virtual wall time: a sleep moves it forward at once. onSleep (if set) runs after every sleep
// with the new time, so a test can change the world or request a stop at a given moment.
class FakeWallClock final : public WallClock {
public:
    explicit FakeWallClock(TimePoint start = {}) : now_(start) {}
    TimePoint now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    bool sleepFor(Millis duration, std::stop_token stop) override;
    void set(TimePoint to) {
        std::lock_guard lock(mutex_);
        now_ = to;
    }
    void advance(Millis duration) {
        std::lock_guard lock(mutex_);
        now_ += duration;
    }
    std::function<void(TimePoint)> onSleep;

private:
    mutable std::mutex mutex_;
    TimePoint now_;
};

}  // namespace tvq
