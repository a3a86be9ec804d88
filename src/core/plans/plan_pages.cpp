#include "core/plans/plan_pages.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "core/link/sources.h"
#include "core/platform/local_time.h"

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

// Runs an edit of the kind's page on the file as the disk holds it now, under the file's lock
// from that read to the save's rename, so that two writers (two command lines, the program
// window and a command line) take turns and neither saves over the other's plans. When the file
// changed since the caller read it, the store and file are replaced by the disk's first, and
// `rebased` is called to find the caller's row again. A file without a path is edited as it is.
template <class Edit, class Rebased>
PageOutcome lockedEdit(CInfoPlan& store, ProfileFile& file, std::optional<PlanKind> kind,
                       Rebased rebased, Edit edit) {
    if (file.path().empty()) return edit(PlanLoadResult{});
    const ProfileLock lock(file.path());
    if (lock.error())
        return {false, {MessageId::PlanSaveFailed, {lock.error().message()}}, lock.error()};
    LoadedPlans disk = loadPlanFile(file.path());
    const bool reread = disk.file.state() != file.state() || disk.file.text() != file.text();
    if (reread) {
        for (const PlanKind k : kPlanKinds)
            if (pageEditable(disk.result, k)) refreshPage(disk.store.plans(k), k);
        CInfoPlan before = std::move(store);
        store = std::move(disk.store);
        file = std::move(disk.file);
        if (!rebased(before)) return {false, {MessageId::PlanSelectItem, {}}, {}, true};
    }
    // A kind whose entries the disk's file no longer gives whole is left as it is.
    if (kind && !pageEditable(disk.result, *kind)) {
        std::string why = disk.result.diagnostics.empty() ? disk.result.notice().english()
                                                          : disk.result.diagnostics.front();
        if (why.ends_with('\n')) why.pop_back();
        return {false,
                {MessageId::PlanSaveFailed, {why}},
                std::make_error_code(std::errc::operation_not_permitted),
                reread};
    }
    PageOutcome outcome = edit(disk.result);
    outcome.reread = outcome.reread || reread;
    return outcome;
}

// After a rebase, the key of the caller's row in the disk's map: the plan written the same way.
bool findRow(const CInfoPlan& before, const CInfoPlan& now, PlanKind kind, std::int32_t& row) {
    const auto old = before.plans(kind).find(row);
    if (old == before.plans(kind).end()) return false;
    const std::string value = planEntryValue(old->second, kind);
    for (const auto& [key, plan] : now.plans(kind)) {
        if (planEntryValue(plan, kind) != value) continue;
        row = key;
        return true;
    }
    return false;
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
    // One pass: writing the entries one by one would cost the file's length each.
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(plans.size());
    std::int32_t row = 0;
    for (const auto& [key, plan] : plans)
        entries.emplace_back(planEntryKey(row++), planEntryValue(plan, kind));
    file.replaceSection(planSection(kind), entries);
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

namespace {

// A one-time plan whose clock time its date skips (the clocks go forward) would be stored for
// another time than the one chosen.
bool onceTimeExists(const PlanDraft& draft) {
    if (draft.kind != PlanKind::Once) return true;
    const LocalTime day = localTimeOf(draft.chosenDate);
    const LocalTime clock = localTimeOf(draft.chosenTime);
    return existsLocally(day.year, day.month, day.day, clock.hour, clock.minute, clock.second);
}

PageOutcome addPlanUnlocked(CInfoPlan& store, ProfileFile& file, const PlanDraft& draft) {
    PlanMap& plans = store.plans(draft.kind);
    if (!onceTimeExists(draft)) return {false, {MessageId::PlanTimeSkipped, {}}, {}};
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

PageOutcome modifyPlanUnlocked(CInfoPlan& store, ProfileFile& file, std::int32_t row,
                               const PlanDraft& draft) {
    PlanMap& plans = store.plans(draft.kind);
    if (!plans.contains(row)) return {false, {MessageId::PlanSelectItem, {}}, {}};
    if (!onceTimeExists(draft)) return {false, {MessageId::PlanTimeSkipped, {}}, {}};
    if (!checkPlanSpacing(plans, draft, row))
        return {false, {MessageId::PlanSpacingRefused, {}}, {}};
    plans[row] = recordFromDraft(draft);
    refreshPage(plans, draft.kind);
    savePageSection(file, plans, draft.kind);
    return saved(store, file);
}

PageOutcome deletePlanUnlocked(CInfoPlan& store, ProfileFile& file, PlanKind kind,
                               std::int32_t row) {
    PlanMap& plans = store.plans(kind);
    if (!plans.contains(row)) return {false, {MessageId::PlanSelectItem, {}}, {}};
    plans.erase(row);
    refreshPage(plans, kind);
    savePageSection(file, plans, kind);
    store.count(kind) = static_cast<std::int32_t>(plans.size());
    writeCount(file, kind, store.count(kind));
    return saved(store, file);
}

}  // namespace

PageOutcome addPlan(CInfoPlan& store, ProfileFile& file, const PlanDraft& draft) {
    return lockedEdit(
        store, file, draft.kind, [](const CInfoPlan&) { return true; },
        [&](const PlanLoadResult&) { return addPlanUnlocked(store, file, draft); });
}

PageOutcome modifyPlan(CInfoPlan& store, ProfileFile& file, std::int32_t row,
                       const PlanDraft& draft) {
    return lockedEdit(
        store, file, draft.kind,
        [&](const CInfoPlan& before) { return findRow(before, store, draft.kind, row); },
        [&](const PlanLoadResult&) { return modifyPlanUnlocked(store, file, row, draft); });
}

PageOutcome deletePlan(CInfoPlan& store, ProfileFile& file, PlanKind kind, std::int32_t row) {
    return lockedEdit(
        store, file, kind,
        [&](const CInfoPlan& before) { return findRow(before, store, kind, row); },
        [&](const PlanLoadResult&) { return deletePlanUnlocked(store, file, kind, row); });
}

bool pageEditable(const PlanLoadResult& load, PlanKind kind) {
    if (load.unreadable || (!load.ok && kindIndex(kind) >= kindIndex(load.failedKind)))
        return false;
    return std::none_of(load.untaken.begin(), load.untaken.end(),
                        [kind](const PlanLoadResult::Untaken& u) { return u.kind == kind; });
}

PageOutcome openPages(CInfoPlan& store, ProfileFile& file, const PlanLoadResult& load) {
    return lockedEdit(
        store, file, std::nullopt, [](const CInfoPlan&) { return true; },
        [&](const PlanLoadResult& disk) {
            // Without a path there is no disk to ask: the caller's load decides.
            const PlanLoadResult& current = file.path().empty() ? load : disk;
            for (const PlanKind kind : kPlanKinds) {
                if (!pageEditable(current, kind)) continue;
                refreshPage(store.plans(kind), kind);
                savePageSection(file, store.plans(kind), kind);
            }
            return saved(store, file);
        });
}

}  // namespace tvq
