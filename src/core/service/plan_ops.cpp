#include "core/service/plan_ops.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <limits>

#include "core/link/sources.h"
#include "core/plans/plan_file.h"
#include "core/plans/plan_pages.h"
#include "core/plans/plan_text.h"
#include "core/service/request_fields.h"

namespace tvq::service {
namespace {

// "H:M:S" or "Y-M-D": three whole numbers.
std::optional<std::array<int, 3>> threeNumbers(std::string_view text, char sep) {
    std::array<int, 3> out{};
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find(sep) : text.size();
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view piece = text.substr(0, end);
        const auto [ptr, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), out[i]);
        if (piece.empty() || ec != std::errc{} || ptr != piece.data() + piece.size())
            return std::nullopt;
        text = i < 2 ? text.substr(end + 1) : std::string_view{};
    }
    return out;
}

PlanKind kindField(const nlohmann::json& request) {
    PlanKind kind = PlanKind::Day;
    if (!parseKindName(stringField(request, "kind"), kind))
        throw BadRequest("\"kind\" must be day, week, month or once");
    return kind;
}

std::uint8_t sourceField(const nlohmann::json& request) {
    const nlohmann::json& value = request.contains("source") ? request["source"] : nullptr;
    std::optional<std::uint8_t> code;
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0 &&
        value.get<std::int64_t>() <= 255 && isSourceCode(value.get<unsigned>()))
        code = value.get<std::uint8_t>();
    else if (value.is_string())
        code = parseSource(value.get<std::string>());
    if (!code || !isSourceCode(*code))
        throw BadRequest(
            "\"source\" must be V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI EXT. YPbPr or "
            "its code");
    return *code;
}

PlanDraft draftOf(const nlohmann::json& request, PlanKind kind) {
    const std::string time = stringField(request, "time");
    const auto clock = threeNumbers(time, ':');
    if (!clock || (*clock)[0] < 0 || (*clock)[0] > 23 || (*clock)[1] < 0 || (*clock)[1] > 59 ||
        (*clock)[2] < 0 || (*clock)[2] > 59)
        throw BadRequest("\"time\" must be H:M:S, 0:0:0 to 23:59:59");
    PlanDraft draft;
    draft.kind = kind;
    draft.source = sourceField(request);
    // Fields of another kind are mistakes, not something to ignore.
    static constexpr std::array<std::pair<std::string_view, PlanKind>, 3> kOwners{
        {{"weekday", PlanKind::Week}, {"day", PlanKind::Month}, {"date", PlanKind::Once}}};
    for (const auto& [field, owner] : kOwners)
        if (request.contains(field) && !request[field].is_null() && kind != owner)
            throw BadRequest("\"" + std::string(field) + "\" is for " +
                             std::string(kindName(owner)) + " plans");
    LocalTime day{2000, 1, 1};  // a day without a clock change carries the clock time
    if (kind == PlanKind::Week) {
        int index = -1;
        if (request.contains("weekday") && request["weekday"].is_string())
            index = weekdayIndexOf(request["weekday"].get<std::string>());
        else
            index = static_cast<int>(intField(request, "weekday", 0, 6));
        if (index < 0 || index > 6)
            throw BadRequest("\"weekday\" must be 0-6 (0 = Sunday) or 0Sun..6Sat");
        draft.weekdayText = std::string(weekdayName(index, PlanLanguage::English));
    } else if (kind == PlanKind::Month) {
        const auto number = intField(request, "day", 1, 31);
        draft.dayText = (number < 10 ? "0" : "") + std::to_string(number);
    } else if (kind == PlanKind::Once) {
        const std::string text = stringField(request, "date");
        const auto date = threeNumbers(text, '-');
        if (!date || !existsLocally((*date)[0], (*date)[1], (*date)[2]))
            throw BadRequest("\"date\" must be Y-M-D, a real date");
        draft.chosenDate = clockAt((*date)[0], (*date)[1], (*date)[2], 0, 0, 0);
        day = localTimeOf(draft.chosenDate);
        if (!existsLocally(day.year, day.month, day.day, (*clock)[0], (*clock)[1], (*clock)[2]))
            throw BadRequest("\"time\" does not exist on that date here (the clocks skip it)");
    }
    draft.chosenTime = clockAt(day.year, day.month, day.day, (*clock)[0], (*clock)[1], (*clock)[2]);
    return draft;
}

// "HH:MM:SS" of the plan's local clock time.
std::string hms(Moment moment) {
    return stampText(moment).substr(11);
}

// Loads the file for an edit of `kind`; a kind not read whole must not be saved over.
LoadedPlans loadForEdit(const std::filesystem::path& file, PlanKind kind) {
    LoadedPlans loaded = loadPlanFile(file);
    if (loaded.result.unreadable)
        throw PlanFileError(file.string() +
                            ": cannot be read: " + loaded.result.unreadable.message());
    if (!pageEditable(loaded.result, kind))
        throw PlanFileError(file.string() + ": " + std::string(kindName(kind)) +
                            " plans are not all readable; left unchanged");
    return loaded;
}

void checkSaved(const PageOutcome& outcome) {
    if (!outcome.changed) {
        const std::string why = outcome.notice.english();
        if (outcome.saveError) throw PlanFileError(why + ": " + outcome.saveError.message());
        throw BadRequest(why);
    }
}

}  // namespace

nlohmann::json listPlansJson(const std::filesystem::path& file) {
    LoadedPlans loaded = loadPlanFile(file);
    nlohmann::json plans = nlohmann::json::array();
    for (const PlanKind kind : kPlanKinds)
        for (const auto& [entry, plan] : loaded.store.plans(kind)) {
            nlohmann::json row{{"kind", kindName(kind)},
                               {"entry", entry},
                               {"time", hms(plan.timeOfDay)},
                               {"sourceCode", plan.source}};
            const std::string_view name = sourceName(static_cast<unsigned>(plan.source));
            row["source"] = name.empty() ? std::to_string(plan.source) : std::string(name);
            int weekday = 0;
            if (kind == PlanKind::Week && readDecimal(plan.weekDayText, weekday))
                row["weekday"] = weekday;
            if (kind == PlanKind::Month) row["day"] = plan.monthDayText;
            if (kind == PlanKind::Once) row["date"] = dateText(plan.date);
            plans.push_back(std::move(row));
        }
    nlohmann::json warnings = nlohmann::json::array();
    if (loaded.result.unreadable)
        warnings.push_back(file.string() +
                           ": cannot be read: " + loaded.result.unreadable.message());
    for (const PlanLoadResult::Untaken& u : loaded.result.untaken)
        warnings.push_back(std::string(planSection(u.kind)) + " " + u.key + " " + u.why +
                           ", not taken");
    if (!loaded.result.ok) warnings.push_back(loaded.result.notice().english());
    return {{"plans", plans}, {"warnings", warnings}};
}

namespace {

// The pages renumber on save: the plan's entry is where its value now stands.
nlohmann::json entryOf(const CInfoPlan& store, const PlanDraft& draft) {
    const std::string value = planEntryValue(recordFromDraft(draft), draft.kind);
    nlohmann::json entry = nullptr;
    for (const auto& [key, plan] : store.plans(draft.kind))
        if (planEntryValue(plan, draft.kind) == value) entry = key;
    return {{"kind", kindName(draft.kind)}, {"entry", entry}};
}

std::int32_t entryField(const nlohmann::json& request, const CInfoPlan& store, PlanKind kind) {
    const auto entry = static_cast<std::int32_t>(
        intField(request, "entry", 0, std::numeric_limits<std::int32_t>::max()));
    if (!store.plans(kind).contains(entry))
        throw BadRequest("no " + std::string(kindName(kind)) + " plan " + planEntryKey(entry));
    return entry;
}

}  // namespace

nlohmann::json addPlanJson(const std::filesystem::path& file, const nlohmann::json& request) {
    const PlanKind kind = kindField(request);
    const PlanDraft draft = draftOf(request, kind);
    LoadedPlans loaded = loadForEdit(file, kind);
    checkSaved(addPlan(loaded.store, loaded.file, draft));
    return entryOf(loaded.store, draft);
}

nlohmann::json modifyPlanJson(const std::filesystem::path& file, const nlohmann::json& request) {
    const PlanKind kind = kindField(request);
    const PlanDraft draft = draftOf(request, kind);
    LoadedPlans loaded = loadForEdit(file, kind);
    checkSaved(
        modifyPlan(loaded.store, loaded.file, entryField(request, loaded.store, kind), draft));
    return entryOf(loaded.store, draft);
}

nlohmann::json deletePlanJson(const std::filesystem::path& file, const nlohmann::json& request) {
    const PlanKind kind = kindField(request);
    LoadedPlans loaded = loadForEdit(file, kind);
    const std::int32_t entry = entryField(request, loaded.store, kind);
    checkSaved(deletePlan(loaded.store, loaded.file, kind, entry));
    return {{"kind", kindName(kind)}, {"entry", entry}};
}

}  // namespace tvq::service
