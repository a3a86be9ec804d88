#include "core/platform/clock.h"

#include <thread>

namespace tvq {

SystemClock::TimePoint SystemClock::now() const {
    return std::chrono::steady_clock::now();
}

void SystemClock::sleepFor(Millis duration) {
    std::this_thread::sleep_for(duration);
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace tvq
