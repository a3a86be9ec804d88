#pragma once
// Today's occurrences of the plans: which plans fall on a day, when, and in which order they
// are carried out.

#include <cstdint>
#include <vector>

#include "core/plans/plan_record.h"

namespace tvq {

// True when a plan of this kind falls on the local day of `day`.
bool appliesOn(const PlanRecord& plan, PlanKind kind, Moment day);

// Adds to store.todayPlans, under running keys, the occurrences of the kind's plans on the local
// day of `now` that lie strictly after `after` (normally now; the start of the day at a reload
// after midnight, so a plan at 00:00:00 is not lost).
void buildTodayPlans(CInfoPlan& store, PlanKind kind, Moment now, Moment after);
inline void buildTodayPlans(CInfoPlan& store, PlanKind kind, Moment now) {
    buildTodayPlans(store, kind, now, now);
}

struct Nearest {
    bool found = false;
    std::int64_t seconds = 0;  // until it; negative when overdue
    std::int32_t key = 0;
    PlanOccurrence occurrence;
};
// The entry due soonest (ties: the smaller key, so day before week before month before once,
// and map order within a kind); with remove set it is erased.
Nearest takeNearest(TodayMap& today, Moment now, bool remove);

// The occurrences in the order they are carried out, without those that share their second with
// an earlier one (only the first of a tie is sent).
std::vector<PlanOccurrence> firingOrder(const TodayMap& today);

}  // namespace tvq
