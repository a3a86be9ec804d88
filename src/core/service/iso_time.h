#pragma once
// UTC times as the journal and the events write them: "2026-12-07T14:36:00.123Z".

#include <chrono>
#include <string>

#include "core/platform/clock.h"
#include "core/service/journal_time.h"

namespace tvq::service {

inline std::string isoTime(WallClock::TimePoint at) {
    return journalTimeText(std::chrono::floor<std::chrono::milliseconds>(at));
}

}  // namespace tvq::service
