#pragma once
// Every wait in the core goes through a Clock, so tests can run documented timings instantly.

#include <atomic>
#include <chrono>

namespace tvq {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    virtual void sleepFor(Millis duration) = 0;
};

// The steady clock and real sleeps.
class SystemClock final : public Clock {
public:
    TimePoint now() const override;
    void sleepFor(Millis duration) override;
};

Clock& systemClock();

// Virtual time: sleeping advances it at once. Safe to share between threads.
class FakeClock final : public Clock {
public:
    TimePoint now() const override { return TimePoint{Millis{elapsed_.load()}}; }
    void sleepFor(Millis duration) override { advance(duration); }
    void advance(Millis duration) { elapsed_ += duration.count(); }
    Millis elapsed() const { return Millis{elapsed_.load()}; }

private:
    std::atomic<Millis::rep> elapsed_{0};
};

}  // namespace tvq
