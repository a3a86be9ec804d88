#include "core/platform/clock.h"

#include <thread>

namespace tvq {

SystemClock::TimePoint SystemClock::now() const {
    return std::chrono::steady_clock::now();
}

void SystemClock::sleepFor(Millis duration) {
    std::this_thread::sleep_for(duration);
}

bool SystemClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                          std::stop_token stop, Millis duration,
                          const std::function<bool()>& ready) {
    return cv.wait_for(lock, stop, duration, ready);
}

bool FakeClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                        std::stop_token stop, Millis duration, const std::function<bool()>& ready) {
    if (ready() || stop.stop_requested()) return ready();
    advance(duration);
    cv.wait_for(lock, stop, Millis{1}, ready);  // real, short: lets other threads run
    return ready();
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

bool SystemWallClock::sleepFor(Millis duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    cv.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

WallClock& systemWallClock() {
    static SystemWallClock clock;
    return clock;
}

bool FakeWallClock::sleepFor(Millis duration, std::stop_token stop) {
    if (stop.stop_requested()) return false;
    advance(duration);
    if (onSleep) onSleep(now());
    return !stop.stop_requested();
}

}  // namespace tvq
