#pragma once
// The plans' sections of the profile file (PLANCOUNT, DAYTIME, WEEKTIME, MONTHTIME, ONCETIME):
// counts, entries "Time%d" and their values.
//   DAYTIME   Time0= 8:30: 0,8            clock, source
//   WEEKTIME  Time2=1,17: 0: 0,5          weekday, clock, source
//   MONTHTIME Time0=05, 8:30: 0,10        day of month, clock, source
//   ONCETIME  Time1=2014-6-5,23:59:30,7   date, clock, source

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/plans/plan_record.h"
#include "core/platform/messages.h"
#include "core/platform/profile_file.h"

namespace tvq {

inline constexpr std::string_view kPlanFileName = "Planinfo.ini";
inline constexpr std::string_view kPlanCountSection = "PLANCOUNT";
// Longest weekday or day-of-month field an entry may have.
inline constexpr std::size_t kPlanDayFieldMax = 32;

std::string_view planSection(PlanKind kind);   // "DAYTIME", ...
std::string_view planCountKey(PlanKind kind);  // "daytimecount", ...
std::string planEntryKey(int entry);           // "Time%d"

// A message with its arguments (%1, %2, ...), shown in the operator's language.
struct PlanNotice {
    MessageId id = MessageId::None;
    std::vector<std::string> args;
    std::string english() const { return formatMessage(englishText(id), args); }
    bool operator==(const PlanNotice&) const = default;
};

// The four counts from PLANCOUNT; a missing or non-numeric value reads as 0.
void readPlanCounts(CInfoPlan& store, const ProfileFile& file);

struct PlanLoadResult {
    bool ok = true;  // false: an entry with a clock or date out of range stopped the load
    PlanKind failedKind = PlanKind::Day;
    int failedEntry = -1;
    // The file exists but could not be read (a directory, a FIFO, no permission, a link loop,
    // too large): nothing was loaded and nothing may be saved over it.
    std::error_code unreadable;
    // An entry of a plan section that the load could not take as a plan: too few fields, an
    // impossible date, beyond the kind's count, a key other than Time0.., a repeated key, or a key
    // in a second copy of the section. A save of its kind would drop it, so the kind is read-only
    // until the file is mended by hand.
    struct Untaken {
        PlanKind kind = PlanKind::Day;
        std::string key;  // as in the file ("Time3"), or as expected when missing
        std::string why;
    };
    std::vector<Untaken> untaken;
    // One line each ('\n' included): untaken entries, and entries the count promises but the
    // file lacks (a warning only: nothing there to lose).
    std::vector<std::string> diagnostics;

    // PlanLoadFailed naming section and entry; None when the load went through.
    PlanNotice notice() const;
    // The file could not be read, or one of its entries could not be taken.
    bool complete() const { return ok && !unreadable && untaken.empty(); }
};

// Fills the four kind maps (without clearing them), kind by kind, entries 0..count-1. Entries
// that cannot be taken are listed in untaken. An entry with a clock or date out of range stops
// the load; what was inserted before it stays. Time and memory follow the file's size, not the
// counts: only entries that are present are read, in one pass per section.
PlanLoadResult loadPlans(CInfoPlan& store, const ProfileFile& file);

// The value of an entry as the pages write it: the record's own fields, the source as a signed
// 8-bit number, the weekday as its number (or -1).
std::string planEntryValue(const PlanRecord& record, PlanKind kind);

// With a value, writes it; with a key but no value, deletes the key; with neither, deletes the
// section. Changes the file in memory only: save() writes it. False when nothing could be
// written (a name or value that does not fit a line).
bool writePlanEntry(ProfileFile& file, std::string_view section,
                    std::optional<std::string_view> key = std::nullopt,
                    std::optional<std::string_view> value = std::nullopt);

// A fresh store read from a file: counts, then plans.
struct LoadedPlans {
    ProfileFile file;
    CInfoPlan store;
    PlanLoadResult result;
};
LoadedPlans loadPlanFile(const std::filesystem::path& path);
LoadedPlans loadPlanText(std::string_view text);

}  // namespace tvq
