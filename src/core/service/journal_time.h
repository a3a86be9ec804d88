#pragma once
// Times in the journal: UTC with milliseconds, "2026-12-07T14:36:00.123Z", so that records sort
// and compare the same on every machine whatever its zone.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tvq::service {

using JournalTime = std::chrono::sys_time<std::chrono::milliseconds>;

JournalTime journalNow();
std::string journalTimeText(JournalTime time);

// "2026-12-07T14:36:00Z" or with milliseconds ".123Z" (UTC), or "2026-12-07 14:00:00" in the
// local zone as the plan commands take it. Nothing else, and no date that does not exist.
std::optional<JournalTime> parseJournalTime(std::string_view text);

}  // namespace tvq::service
