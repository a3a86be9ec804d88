#include "core/plans/plan_record.h"

namespace tvq {

namespace {
constexpr std::array<std::string_view, 4> kKindNames{"day", "week", "month", "once"};
}

std::string_view kindName(PlanKind kind) {
    return kKindNames[kindIndex(kind)];
}

bool parseKindName(std::string_view text, PlanKind& kind) {
    for (const PlanKind k : kPlanKinds) {
        if (kindName(k) == text) {
            kind = k;
            return true;
        }
    }
    return false;
}

PlanMap& CInfoPlan::plans(PlanKind kind) {
    switch (kind) {
        case PlanKind::Day:
            return dayPlans;
        case PlanKind::Week:
            return weekPlans;
        case PlanKind::Month:
            return monthPlans;
        case PlanKind::Once:
            break;
    }
    return oncePlans;
}

const PlanMap& CInfoPlan::plans(PlanKind kind) const {
    return const_cast<CInfoPlan*>(this)->plans(kind);
}

std::int32_t& CInfoPlan::count(PlanKind kind) {
    switch (kind) {
        case PlanKind::Day:
            return dayCount;
        case PlanKind::Week:
            return weekCount;
        case PlanKind::Month:
            return monthCount;
        case PlanKind::Once:
            break;
    }
    return onceCount;
}

std::int32_t CInfoPlan::count(PlanKind kind) const {
    return const_cast<CInfoPlan*>(this)->count(kind);
}

void CInfoPlan::clearPlans() {
    for (const PlanKind kind : kPlanKinds) plans(kind).clear();
    todayPlans.clear();
}

}  // namespace tvq
