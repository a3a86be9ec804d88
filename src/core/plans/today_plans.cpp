#include "core/plans/today_plans.h"

#include <algorithm>

#include "core/plans/plan_text.h"

namespace tvq {

bool appliesOn(const PlanRecord& plan, PlanKind kind, Moment day) {
    const LocalTime today = localTimeOf(day);
    switch (kind) {
        case PlanKind::Day:
            return true;
        case PlanKind::Week:
            return plan.weekDayText == std::to_string(today.weekday);
        case PlanKind::Month: {
            int number = 0;
            return readDecimal(plan.monthDayText, number) && number == today.day;
        }
        case PlanKind::Once: {
            const LocalTime date = localTimeOf(plan.date);
            return date.year == today.year && date.month == today.month && date.day == today.day;
        }
    }
    return false;
}

void buildTodayPlans(CInfoPlan& store, PlanKind kind, Moment now, Moment after) {
    std::int32_t next = store.todayPlans.empty() ? 0 : store.todayPlans.rbegin()->first + 1;
    const LocalTime today = localTimeOf(now);
    for (const auto& [entry, plan] : store.plans(kind)) {
        if (!appliesOn(plan, kind, now)) continue;
        const LocalTime clock = localTimeOf(plan.timeOfDay);
        const Moment at =
            clockAt(today.year, today.month, today.day, clock.hour, clock.minute, clock.second);
        if (at <= after) continue;
        PlanOccurrence occurrence;
        static_cast<PlanRecord&>(occurrence) = plan;
        occurrence.timeOfDay = at;
        occurrence.kind = kind;
        occurrence.entry = entry;
        store.todayPlans.emplace(next++, std::move(occurrence));
    }
}

Nearest takeNearest(TodayMap& today, Moment now, bool remove) {
    Nearest best;
    for (const auto& [key, occurrence] : today) {
        const std::int64_t d = occurrence.timeOfDay - now;
        if (best.found && d >= best.seconds) continue;
        best = {true, d, key, occurrence};
    }
    if (best.found && remove) today.erase(best.key);
    return best;
}

std::vector<PlanOccurrence> firingOrder(const TodayMap& today) {
    std::vector<std::pair<std::int32_t, PlanOccurrence>> items(today.begin(), today.end());
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a.second.timeOfDay < b.second.timeOfDay;
    });
    std::vector<PlanOccurrence> order;
    for (const auto& [key, occurrence] : items)
        if (order.empty() || order.back().timeOfDay != occurrence.timeOfDay)
            order.push_back(occurrence);
    return order;
}

}  // namespace tvq
