#pragma once
// UTC times as the journal and the events write them: "2026-12-07T14:36:00.123Z".

#include <string>

#include "core/platform/clock.h"

namespace tvq::service {

std::string isoTime(WallClock::TimePoint at);

}  // namespace tvq::service
