#pragma once
// A plan (switch the main picture to a source at a clock time) and the store of all plans.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "core/platform/local_time.h"

namespace tvq {

enum class PlanKind : std::uint8_t { Day = 0, Week = 1, Month = 2, Once = 3 };

inline constexpr std::array<PlanKind, 4> kPlanKinds{PlanKind::Day, PlanKind::Week, PlanKind::Month,
                                                    PlanKind::Once};

constexpr int kindIndex(PlanKind kind) {
    return static_cast<int>(kind);
}

// "day", "week", "month", "once": the command line's names.
std::string_view kindName(PlanKind kind);
bool parseKindName(std::string_view text, PlanKind& kind);

struct PlanRecord {
    Moment date = 0;           // once: local midnight starting the plan's day; 0 otherwise
    Moment timeOfDay = 0;      // only its local hour, minute and second count
    std::string weekDayText;   // week: "0".."6", 0 = Sunday
    std::string monthDayText;  // month: "01".."31" as chosen
    std::int32_t source = 0;
    bool operator==(const PlanRecord&) const = default;
};

using PlanMap = std::map<std::int32_t, PlanRecord>;

// One occurrence due today: timeOfDay is its full moment; kind and entry say where it came from.
struct PlanOccurrence : PlanRecord {
    PlanKind kind = PlanKind::Day;
    std::int32_t entry = 0;  // key in the kind's map
};

using TodayMap = std::map<std::int32_t, PlanOccurrence>;

// Which kinds take part in a run; the main window's Day, Week, Month and Once boxes.
struct PlanKindSet {
    std::array<bool, 4> on{};
    bool has(PlanKind kind) const { return on[kindIndex(kind)]; }
    bool any() const { return on[0] || on[1] || on[2] || on[3]; }
    static PlanKindSet all() { return {{true, true, true, true}}; }
};

class CInfoPlan {
public:
    virtual ~CInfoPlan() = default;

    std::int32_t dayCount = 0;  // as kept in the file's count keys
    std::int32_t weekCount = 0;
    std::int32_t monthCount = 0;
    std::int32_t onceCount = 0;
    PlanMap dayPlans;
    PlanMap weekPlans;
    PlanMap monthPlans;
    PlanMap oncePlans;
    TodayMap todayPlans;  // built and consumed by the scheduler

    PlanMap& plans(PlanKind kind);
    const PlanMap& plans(PlanKind kind) const;
    std::int32_t& count(PlanKind kind);
    std::int32_t count(PlanKind kind) const;
    void clearPlans();  // the five maps; counts stay
};

}  // namespace tvq
