#pragma once
// What the four plan pages and the plan dialog decide, for the program window and the command
// line alike: list order and renumbering, the rows shown, the section rewrite, the 10-second
// spacing rule, and add / modify / delete with their file updates.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/plans/plan_file.h"
#include "core/plans/plan_record.h"
#include "core/plans/plan_text.h"

namespace tvq {

// Rows a page lists before it says the kind is full.
inline constexpr int kPlanPageLimit = 240;
// Two plans of one kind on one day must lie further apart than this.
inline constexpr int kPlanSpacingSeconds = 10;

// One row of this table per page; the page class is the same for all four.
struct PlanPageSpec {
    PlanKind kind;
    int columnCount;                   // Name, [second column,] Time, Signal
    std::array<MessageId, 4> columns;  // headers, left to right
    std::array<int, 4> widthUnits;     // each column's width in units of list width / unitsPerList
    int unitsPerList;
    MessageId deleteQuestion;   // titled "System Information " (trailing blank), one form only
    std::string_view section;   // the kind's plan file section
    std::string_view countKey;  // its count in PLANCOUNT
    bool largerKeyFirst;        // ties in list order: the larger key first (all but day)
};
const PlanPageSpec& planPage(PlanKind kind);

// The cells of one row, as shown (second is empty on the day page).
struct PlanRow {
    std::string name;  // "Time%d"
    std::string second;
    std::string time;    // "%2d:%2d:%2d"
    std::string signal;  // source name, empty for codes without one
    bool operator==(const PlanRow&) const = default;
};
PlanRow planRow(std::int32_t key, const PlanRecord& record, PlanKind kind, PlanLanguage language);
// Rows of the kind's map in key order (after refreshPage that is the list order).
std::vector<PlanRow> pageRows(const CInfoPlan& store, PlanKind kind, PlanLanguage language);

// Keys of the map in list order: day plans by clock time (equal: smaller key first); week and
// month by their number (equal: larger key first; no number sorts last); one-time by date
// (equal: larger key first).
std::vector<std::int32_t> listOrder(const PlanMap& plans, PlanKind kind);
// Renumbers the map 0, 1, 2, ... in list order.
void refreshPage(PlanMap& plans, PlanKind kind);
// Replaces the kind's section by Time0.. in key order (in memory; the caller saves).
void savePageSection(ProfileFile& file, const PlanMap& plans, PlanKind kind);

// How many plans of the kind lie beyond what a page lists: the page says so once.
int entriesOverLimit(const CInfoPlan& store, PlanKind kind);

// What the plan dialog hands back.
struct PlanDraft {
    PlanKind kind = PlanKind::Day;
    Moment chosenDate = 0;    // date picker (one-time plans)
    Moment chosenTime = 0;    // time picker: a full moment, only its clock time is the plan's
    std::string weekdayText;  // "1Mon" or "1星期一" (week plans)
    std::string dayText;      // "01".."31" as typed (month plans)
    std::int32_t source = 0;
};
PlanRecord recordFromDraft(const PlanDraft& draft);

// True when no plan of the draft's kind (other than excludedKey) that falls on the same day lies
// within kPlanSpacingSeconds of it. No wrap at midnight.
bool checkPlanSpacing(const PlanMap& plans, const PlanDraft& draft,
                      std::optional<std::int32_t> excludedKey = std::nullopt);

struct PageOutcome {
    bool changed = false;  // the store and the file were changed and saved
    PlanNotice notice;     // refusal or save failure (None when all went well)
    std::error_code saveError;
    // Another writer had changed the file: the store was read anew from the disk first, so
    // every page must show it again, not only the one edited.
    bool reread = false;
};

// The page operations. Each saves the file once, holding its lock from a fresh read to the save
// (see PageOutcome::reread). A refused draft changes nothing. When the save fails, the store and
// file are read back from the disk, so what is listed is what is stored.
PageOutcome addPlan(CInfoPlan& store, ProfileFile& file, const PlanDraft& draft);
PageOutcome modifyPlan(CInfoPlan& store, ProfileFile& file, std::int32_t row,
                       const PlanDraft& draft);
PageOutcome deletePlan(CInfoPlan& store, ProfileFile& file, PlanKind kind, std::int32_t row);
// Opening the program window: every page sorted, renumbered and its section rewritten; after a
// load that stopped at a bad entry, only the kinds read whole are rewritten.
PageOutcome openPages(CInfoPlan& store, ProfileFile& file, const PlanLoadResult& load = {});
// False for a kind that a failed load did not read whole: rewriting its section would drop the
// entries not read, so its page must not change it.
bool pageEditable(const PlanLoadResult& load, PlanKind kind);

}  // namespace tvq
