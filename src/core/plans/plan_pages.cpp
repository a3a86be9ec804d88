#include "core/plans/plan_pages.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "core/link/sources.h"

namespace tvq {
namespace {

using M = MessageId;

// One row per page: kind, columns, width units, units per list width, delete question, section,
// count key, tie order.
// clang-format off
constexpr std::array<PlanPageSpec, 4> kPages{{
    {PlanKind::Day, 3,
     {M::PlanColumnName, M::PlanColumnTime, M::PlanColumnSignal, M::None}, {1, 2, 1, 0}, 4,
     M::PlanDeleteQuestionDay, "DAYTIME", "daytimecount", false},
    {PlanKind::Week, 4,
     {M::PlanColumnName, M::PlanColumnWeekday, M::PlanColumnTime, M::PlanColumnSignal},
     {1, 1, 2, 1}, 5, M::PlanDeleteQuestionWeek, "WEEKTIME", "weektimecount", true},
    {PlanKind::Month, 4,
     {M::PlanColumnName, M::PlanColumnMonthDay, M::PlanColumnTime, M::PlanColumnSignal},
     {1, 1, 2, 1}, 5, M::PlanDeleteQuestionDay, "MONTHTIME", "monthtimecount", true},
    {PlanKind::Once, 4,
     {M::PlanColumnName, M::PlanColumnDate, M::PlanColumnTime, M::PlanColumnSignal},
     {1, 2, 2, 1}, 6, M::PlanDeleteQuestionOnce, "ONCETIME", "oncetimecount", true},
}};
// clang-format on

// The number a week or month plan is ordered by; text without one sorts last.
long long orderNumber(const std::string& text) {
    int value = 0;
    return readDecimal(text, value) ? value : std::numeric_limits<long long>::max();
}

int secondOfDay(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    return t.hour * 3600 + t.minute * 60 + t.second;
}

Moment onDateOf(Moment date, Moment clock) {
    const LocalTime d = localTimeOf(date);
    const LocalTime c = localTimeOf(clock);
    return clockAt(d.year, d.month, d.day, c.hour, c.minute, c.second);
}

bool competes(const PlanRecord& existing, const PlanDraft& draft) {
    switch (draft.kind) {
        case PlanKind::Week:
            return existing.weekDayText == std::to_string(static_cast<int>(static_cast<std::int8_t>(
                                               weekdayIndexOf(draft.weekdayText))));
        case PlanKind::Month:
            return existing.monthDayText == draft.dayText;
        case PlanKind::Day:
        case PlanKind::Once:
            break;
    }
    return true;
}

PageOutcome saved(CInfoPlan& store, ProfileFile& file) {
    PageOutcome outcome;
    outcome.saveError = file.save();
    if (!outcome.saveError) {
        outcome.changed = true;
        return outcome;
    }
    // Show what the disk holds, not what we failed to write.
    LoadedPlans disk = loadPlanFile(file.path());
    for (const PlanKind kind : kPlanKinds) refreshPage(disk.store.plans(kind), kind);
    store = std::move(disk.store);
    file = std::move(disk.file);
    outcome.notice = {MessageId::PlanSaveFailed, {outcome.saveError.message()}};
    return outcome;
}

void writeCount(ProfileFile& file, PlanKind kind, std::int32_t count) {
    file.writeString(kPlanCountSection, planCountKey(kind), std::to_string(count));
}

}  // namespace

const PlanPageSpec& planPage(PlanKind kind) {
    return kPages[kindIndex(kind)];
}

PlanRow planRow(std::int32_t key, const PlanRecord& record, PlanKind kind, PlanLanguage language) {
    PlanRow row{planEntryKey(key),
                {},
                clockText(record.timeOfDay),
                std::string(sourceName(static_cast<unsigned>(record.source)))};
    switch (kind) {
        case PlanKind::Day:
            break;
        case PlanKind::Week: {
            int weekday = -1;
            if (readDecimal(record.weekDayText, weekday))
                row.second = std::string(weekdayName(weekday, language));
            break;
        }
        case PlanKind::Month:
            row.second = record.monthDayText;
            break;
        case PlanKind::Once:
            row.second = dateText(record.date);
            break;
    }
    return row;
}

std::vector<PlanRow> pageRows(const CInfoPlan& store, PlanKind kind, PlanLanguage language) {
    std::vector<PlanRow> rows;
    for (const auto& [key, record] : store.plans(kind))
        rows.push_back(planRow(key, record, kind, language));
    return rows;
}

std::vector<std::int32_t> listOrder(const PlanMap& plans, PlanKind kind) {
    struct Item {
        long long rank;
        std::int32_t key;
    };
    std::vector<Item> items;
    for (const auto& [key, plan] : plans) {
        long long rank = 0;
        switch (kind) {
            case PlanKind::Day:
                rank = secondOfDay(plan.timeOfDay);
                break;
            case PlanKind::Week:
                rank = orderNumber(plan.weekDayText);
                break;
            case PlanKind::Month:
                rank = orderNumber(plan.monthDayText);
                break;
            case PlanKind::Once:
                rank = plan.date;
                break;
        }
        items.push_back({rank, key});
    }
    const bool largerKeyFirst = planPage(kind).largerKeyFirst;
    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        return largerKeyFirst ? a.key > b.key : a.key < b.key;
    });
    std::vector<std::int32_t> keys;
    for (const Item& item : items) keys.push_back(item.key);
    return keys;
}

void refreshPage(PlanMap& plans, PlanKind kind) {
    PlanMap renumbered;
    std::int32_t next = 0;
    for (const std::int32_t key : listOrder(plans, kind))
        renumbered.emplace(next++, std::move(plans.at(key)));
    plans = std::move(renumbered);
}

void savePageSection(ProfileFile& file, const PlanMap& plans, PlanKind kind) {
    const std::string_view section = planSection(kind);
    writePlanEntry(file, section);
    std::int32_t row = 0;
    for (const auto& [key, plan] : plans)
        writePlanEntry(file, section, planEntryKey(row++), planEntryValue(plan, kind));
}

int entriesOverLimit(const CInfoPlan& store, PlanKind kind) {
    return std::max(0, static_cast<int>(store.plans(kind).size()) - kPlanPageLimit);
}

PlanRecord recordFromDraft(const PlanDraft& draft) {
    PlanRecord record;
    record.timeOfDay = draft.chosenTime;
    record.source = static_cast<std::int8_t>(draft.source & 0xFF);
    switch (draft.kind) {
        case PlanKind::Day:
            break;
        case PlanKind::Week:
            record.weekDayText = std::to_string(
                static_cast<int>(static_cast<std::int8_t>(weekdayIndexOf(draft.weekdayText))));
            break;
        case PlanKind::Month:
            record.monthDayText = draft.dayText;
            break;
        case PlanKind::Once:
            record.date = startOfDay(draft.chosenDate);
            break;
    }
    return record;
}

bool checkPlanSpacing(const PlanMap& plans, const PlanDraft& draft,
                      std::optional<std::int32_t> excludedKey) {
    const Moment candidate = draft.kind == PlanKind::Once
                                 ? onDateOf(draft.chosenDate, draft.chosenTime)
                                 : draft.chosenTime;
    for (const auto& [key, plan] : plans) {
        if (excludedKey && key == *excludedKey) continue;
        if (!competes(plan, draft)) continue;
        const Moment existing = draft.kind == PlanKind::Once
                                    ? onDateOf(plan.date, plan.timeOfDay)
                                    : onDateOf(draft.chosenTime, plan.timeOfDay);
        if (std::llabs(existing - candidate) <= kPlanSpacingSeconds) return false;
    }
    return true;
}

PageOutcome addPlan(CInfoPlan& store, ProfileFile& file, const PlanDraft& draft) {
    PlanMap& plans = store.plans(draft.kind);
    if (!checkPlanSpacing(plans, draft)) return {false, {MessageId::PlanSpacingRefused, {}}, {}};
    const std::int32_t key = plans.empty() ? 0 : plans.rbegin()->first + 1;
    plans[key] = recordFromDraft(draft);
    refreshPage(plans, draft.kind);
    savePageSection(file, plans, draft.kind);
    // The file's count follows what the section holds, even if it was wrong before.
    store.count(draft.kind) = static_cast<std::int32_t>(plans.size());
    writeCount(file, draft.kind, store.count(draft.kind));
    return saved(store, file);
}

PageOutcome modifyPlan(CInfoPlan& store, ProfileFile& file, std::int32_t row,
                       const PlanDraft& draft) {
    PlanMap& plans = store.plans(draft.kind);
    if (!plans.contains(row)) return {false, {MessageId::PlanSelectItem, {}}, {}};
    if (!checkPlanSpacing(plans, draft, row))
        return {false, {MessageId::PlanSpacingRefused, {}}, {}};
    plans[row] = recordFromDraft(draft);
    refreshPage(plans, draft.kind);
    savePageSection(file, plans, draft.kind);
    return saved(store, file);
}

PageOutcome deletePlan(CInfoPlan& store, ProfileFile& file, PlanKind kind, std::int32_t row) {
    PlanMap& plans = store.plans(kind);
    if (!plans.contains(row)) return {false, {MessageId::PlanSelectItem, {}}, {}};
    plans.erase(row);
    refreshPage(plans, kind);
    savePageSection(file, plans, kind);
    store.count(kind) = static_cast<std::int32_t>(plans.size());
    writeCount(file, kind, store.count(kind));
    return saved(store, file);
}

bool pageEditable(const PlanLoadResult& load, PlanKind kind) {
    return load.ok || kindIndex(kind) < kindIndex(load.failedKind);
}

PageOutcome openPages(CInfoPlan& store, ProfileFile& file, const PlanLoadResult& load) {
    for (const PlanKind kind : kPlanKinds) {
        if (!pageEditable(load, kind)) continue;
        refreshPage(store.plans(kind), kind);
        savePageSection(file, store.plans(kind), kind);
    }
    return saved(store, file);
}

}  // namespace tvq
