#include "core/plans/plan_book.h"

#include <cstdio>

#include "core/plans/plan_text.h"
#include "core/platform/local_time.h"

namespace tvq {
namespace {

PageOutcome refused(std::string why) {
    return {false, {MessageId::ServiceRefusedJob, {std::move(why)}}, {}};
}

std::string threeNumbers(int a, int b, int c, char sep) {
    char text[40];
    std::snprintf(text, sizeof text, "%d%c%d%c%d", a, sep, b, sep, c);
    return text;
}

}  // namespace

PageOutcome FilePlanBook::add(const PlanDraft& draft) {
    return addPlan(plans_.store, plans_.file, draft);
}

PageOutcome FilePlanBook::modify(std::int32_t row, const PlanDraft& draft) {
    return modifyPlan(plans_.store, plans_.file, row, draft);
}

PageOutcome FilePlanBook::remove(PlanKind kind, std::int32_t row) {
    return deletePlan(plans_.store, plans_.file, kind, row);
}

CInfoPlan plansFromList(const nlohmann::json& plans) {
    CInfoPlan store;
    if (!plans.is_array()) return store;
    for (const nlohmann::json& row : plans) {
        PlanKind kind = PlanKind::Day;
        if (!row.is_object() || !parseKindName(row.value("kind", ""), kind)) continue;
        const auto [h, m, sec] = parseClock(row.value("time", "")).value;
        if (!existsLocally(2000, 1, 1, h, m, sec)) continue;
        PlanRecord record;
        record.timeOfDay = clockAt(2000, 1, 1, h, m, sec);
        record.source = row.value("sourceCode", -1);
        if (kind == PlanKind::Week) record.weekDayText = std::to_string(row.value("weekday", -1));
        if (kind == PlanKind::Month) record.monthDayText = row.value("day", "");
        if (kind == PlanKind::Once) {
            const auto [y, mo, d] = parseDate(row.value("date", "")).value;
            if (!existsLocally(y, mo, d)) continue;
            record.date = clockAt(y, mo, d, 0, 0, 0);
        }
        store.plans(kind)[row.value("entry", 0)] = record;
    }
    for (const PlanKind kind : kPlanKinds)
        store.count(kind) = static_cast<std::int32_t>(store.plans(kind).size());
    return store;
}

nlohmann::json planFields(const PlanDraft& draft) {
    const LocalTime time = localTimeOf(draft.chosenTime);
    nlohmann::json fields{{"kind", kindName(draft.kind)},
                          {"time", threeNumbers(time.hour, time.minute, time.second, ':')},
                          {"source", draft.source}};
    if (draft.kind == PlanKind::Week) fields["weekday"] = weekdayIndexOf(draft.weekdayText);
    int day = 0;
    if (draft.kind == PlanKind::Month && readDecimal(draft.dayText, day)) fields["day"] = day;
    if (draft.kind == PlanKind::Once) {
        const LocalTime date = localTimeOf(draft.chosenDate);
        fields["date"] = threeNumbers(date.year, date.month, date.day, '-');
    }
    return fields;
}

ServicePlanBook::ServicePlanBook(ServiceAsk ask) : ask_(std::move(ask)) {
    list();
}

void ServicePlanBook::list() {
    listNotice_ = {};
    try {
        const nlohmann::json answer = ask_({{"op", "plans.list"}});
        if (answer.value("ok", false)) {
            plans_.store = plansFromList(answer["plans"]);
            return;
        }
        listNotice_ = {MessageId::ServiceRefusedJob, {answer.value("message", "")}};
    } catch (const std::exception& e) {
        listNotice_ = {MessageId::ServiceRefusedJob, {e.what()}};
    }
}

PageOutcome ServicePlanBook::change(nlohmann::json request) {
    PageOutcome outcome;
    try {
        const nlohmann::json answer = ask_(request);
        if (!answer.value("ok", false)) outcome = refused(answer.value("message", ""));
    } catch (const std::exception& e) {
        outcome = refused(e.what());
    }
    outcome.changed = outcome.notice.id == MessageId::None;
    // Refused or not, the list shows the service's plans as they are now.
    outcome.reread = true;
    list();
    if (outcome.changed && listNotice_.id != MessageId::None) outcome.notice = listNotice_;
    return outcome;
}

PageOutcome ServicePlanBook::add(const PlanDraft& draft) {
    if (!checkPlanSpacing(plans_.store.plans(draft.kind), draft))
        return {false, {MessageId::PlanSpacingRefused, {}}, {}};
    nlohmann::json request = planFields(draft);
    request["op"] = "plans.add";
    return change(std::move(request));
}

PageOutcome ServicePlanBook::modify(std::int32_t row, const PlanDraft& draft) {
    if (!checkPlanSpacing(plans_.store.plans(draft.kind), draft, row))
        return {false, {MessageId::PlanSpacingRefused, {}}, {}};
    nlohmann::json request = planFields(draft);
    request["op"] = "plans.modify";
    request["entry"] = row;
    return change(std::move(request));
}

PageOutcome ServicePlanBook::remove(PlanKind kind, std::int32_t row) {
    return change({{"op", "plans.delete"}, {"kind", kindName(kind)}, {"entry", row}});
}

}  // namespace tvq
