#include "cli/plans_command.h"

#include "cli/parse_args.h"

#include <charconv>
#include <map>
#include <optional>
#include <stdexcept>

#include "cli/json.h"
#include "core/link/sources.h"
#include "core/plans/plan_book.h"
#include "core/plans/plan_file.h"
#include "core/plans/plan_pages.h"
#include "core/plans/plan_scheduler.h"
#include "core/plans/plan_text.h"
#include "service/client/service_client.h"

namespace tvq::cli {
namespace {

constexpr std::string_view kPlansUsage =
    "Usage: tvq418ctl plans list   [--file F] [--json]\n"
    "       tvq418ctl plans today  [--file F] [--at \"YYYY-MM-DD HH:MM:SS\"] [--kinds K,...]"
    " [--json]\n"
    "       tvq418ctl plans add    [--file F] --kind K [--weekday 0-6|NAME] [--day 01-31]\n"
    "                              [--date Y-M-D] --time H:M:S --source NAME\n"
    "       tvq418ctl plans delete [--file F] --kind K --entry N\n"
    "       tvq418ctl --service S plans list|add|delete|start|stop ...\n"
    "Kinds: day, week, month, once. The file defaults to ./Planinfo.ini; local times follow TZ.\n"
    "With --service, the chain service's plans instead of a file; start and stop arm and disarm\n"
    "its scheduler.\n";

struct PlansArgs {
    std::string action;
    std::string file{kPlanFileName};
    bool json = false;
    std::map<std::string, std::string, std::less<>> values;  // --name value
};

std::optional<std::string> value(const PlansArgs& args, std::string_view name) {
    const auto it = args.values.find(name);
    if (it == args.values.end()) return std::nullopt;
    return it->second;
}

CommandResult usage(std::string message) {
    return {kExitUsage, {}, std::move(message) + " (try tvq418ctl plans --help)"};
}

CommandResult failed(std::string output, std::string message) {
    return {kExitFailed, std::move(output), std::move(message)};
}

std::optional<int> wholeNumber(std::string_view text) {
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return number;
}

// "H:M:S" or "Y-M-D", three whole numbers.
std::optional<std::array<int, 3>> threeNumbers(std::string_view text, char sep) {
    std::array<int, 3> out{};
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find(sep) : text.size();
        if (end == std::string_view::npos) return std::nullopt;
        const auto number = wholeNumber(text.substr(0, end));
        if (!number) return std::nullopt;
        out[i] = *number;
        text = i < 2 ? text.substr(end + 1) : std::string_view{};
    }
    return out;
}

std::optional<Moment> parseAt(std::string_view text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const auto date = threeNumbers(text.substr(0, blank), '-');
    const auto clock = threeNumbers(text.substr(blank + 1), ':');
    if (!date || !clock) return std::nullopt;
    const auto [year, month, day] = *date;
    const auto [hour, minute, second] = *clock;
    // 30 February, or 02:30 on the night the clocks skip it, is no moment to plan for.
    if (!existsLocally(year, month, day, hour, minute, second)) return std::nullopt;
    return clockAt(year, month, day, hour, minute, second);
}

std::string hms(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string sourceText(std::int32_t source) {
    const std::string_view name = sourceName(static_cast<unsigned>(source));
    return name.empty() ? std::to_string(source) : std::string(name);
}

// Why the load is not whole, one line per reason; empty when it is.
std::string loadError(const std::string& file, const PlanLoadResult& result,
                      std::optional<PlanKind> only = std::nullopt) {
    if (result.unreadable) return file + ": cannot be read: " + result.unreadable.message();
    std::string error;
    for (const PlanLoadResult::Untaken& u : result.untaken)
        if (!only || u.kind == *only)
            error += file + ": " + std::string(planSection(u.kind)) + " " + u.key + " " + u.why +
                     ", not taken\n";
    if (!result.ok) error += file + ": " + result.notice().english() + "\n";
    if (!error.empty()) error.pop_back();
    return error;
}

// One line (or JSON object) per plan, kind by kind in key order.
std::string listed(const CInfoPlan& store, bool asJson) {
    std::string text;
    Json json = Json::array();
    for (const PlanKind kind : kPlanKinds) {
        for (const auto& [entry, plan] : store.plans(kind)) {
            const PlanRow row = planRow(entry, plan, kind, PlanLanguage::English);
            text += std::string(kindName(kind)) + " " + row.name;
            if (kind != PlanKind::Day) text += " " + row.second;
            text += " " + hms(plan.timeOfDay) + " " + sourceText(plan.source) + "\n";

            int weekday = 0;
            const bool week = kind == PlanKind::Week && readDecimal(plan.weekDayText, weekday);
            json.push_back({
                {"kind", kindName(kind)},
                {"entry", entry},
                {"weekday", week ? Json(weekday) : Json(nullptr)},
                {"day", kind == PlanKind::Month ? Json(plan.monthDayText) : Json(nullptr)},
                {"date", kind == PlanKind::Once ? Json(dateText(plan.date)) : Json(nullptr)},
                {"time", hms(plan.timeOfDay)},
                {"source", sourceText(plan.source)},
            });
        }
    }
    return asJson ? jsonText(json) + "\n" : text;
}

CommandResult listPlans(const PlansArgs& args) {
    LoadedPlans loaded = loadPlanFile(args.file);
    CommandResult result{kExitOk, listed(loaded.store, args.json), {}};
    // What could not be taken is named, and the listing is not whole: exit 1.
    if (!loaded.result.complete()) {
        result.exitCode = kExitFailed;
        result.error = loadError(args.file, loaded.result);
    } else if (!loaded.result.diagnostics.empty()) {
        for (const std::string& line : loaded.result.diagnostics) result.error += line;
        result.error.pop_back();  // warnings only: exit stays 0
    }
    return result;
}

CommandResult todayPlans(const PlansArgs& args) {
    Moment now = std::chrono::floor<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
    if (const auto at = value(args, "--at")) {
        const auto parsed = parseAt(*at);
        if (!parsed) return usage("bad --at \"" + *at + "\": give \"YYYY-MM-DD HH:MM:SS\"");
        now = *parsed;
    }
    PlanKindSet kinds = PlanKindSet::all();
    if (const auto names = value(args, "--kinds")) {
        std::string error;
        if (!parseKinds(*names, kinds, error)) return usage(error);
    }
    LoadedPlans loaded = loadPlanFile(args.file);
    std::string text;
    Json json = Json::array();
    for (const PlanOccurrence& o : PlanScheduler::planFor(loaded.store, kinds, now)) {
        const std::string entry = planEntryKey(o.entry);
        text += stampText(o.timeOfDay) + " " + std::to_string(o.timeOfDay) + " " +
                std::string(kindName(o.kind)) + " " + entry + " " + sourceText(o.source) + "\n";
        json.push_back({{"local", stampText(o.timeOfDay)},
                        {"epoch", o.timeOfDay},
                        {"kind", kindName(o.kind)},
                        {"entry", o.entry},
                        {"source", sourceText(o.source)}});
    }
    CommandResult result{kExitOk, args.json ? jsonText(json) + "\n" : text, {}};
    if (!loaded.result.complete()) {
        result.exitCode = kExitFailed;
        result.error = loadError(args.file, loaded.result);
    }
    return result;
}

// The draft the plan dialog would hand back for these arguments, or a usage error.
std::optional<CommandResult> draftOf(const PlansArgs& args, PlanKind kind, PlanDraft& draft) {
    const auto time = value(args, "--time");
    const auto source = value(args, "--source");
    if (!time || !source) return usage("plans add wants --time H:M:S and --source NAME");
    const auto clock = threeNumbers(*time, ':');
    if (!clock || (*clock)[0] < 0 || (*clock)[0] > 23 || (*clock)[1] < 0 || (*clock)[1] > 59 ||
        (*clock)[2] < 0 || (*clock)[2] > 59)
        return usage("bad --time \"" + *time + "\": give H:M:S, 0:0:0 to 23:59:59");
    const auto code = parseSource(*source);
    if (!code)
        return usage("unknown source \"" + *source +
                     "\": give V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI EXT. YPbPr or a code");

    // Options of another kind are mistakes, not something to ignore.
    static constexpr std::array<std::pair<std::string_view, PlanKind>, 3> kOwners{
        {{"--weekday", PlanKind::Week}, {"--day", PlanKind::Month}, {"--date", PlanKind::Once}}};
    for (const auto& [option, owner] : kOwners)
        if (value(args, option) && kind != owner)
            return usage(std::string(option) + " is for --kind " + std::string(kindName(owner)) +
                         " plans");
    // The plan's day: the one-time plan's date; for the others only the clock time counts,
    // carried on a day without a clock change, as the file's plans are.
    LocalTime day{2000, 1, 1};
    draft.kind = kind;
    draft.source = *code;
    const auto needs = [&](std::string_view name) -> std::optional<CommandResult> {
        if (value(args, name)) return std::nullopt;
        return usage("a " + std::string(kindName(kind)) + " plan wants " + std::string(name));
    };
    if (kind == PlanKind::Week) {
        if (auto error = needs("--weekday")) return error;
        const std::string text = *value(args, "--weekday");
        const auto number = wholeNumber(text);
        const int index = number ? *number : weekdayIndexOf(text);
        if (index < 0 || index > 6)
            return usage("bad --weekday \"" + text + "\": give 0-6 (0 = Sunday) or 0Sun..6Sat");
        draft.weekdayText = std::string(weekdayName(index, PlanLanguage::English));
    }
    if (kind == PlanKind::Month) {
        if (auto error = needs("--day")) return error;
        const auto number = wholeNumber(*value(args, "--day"));
        if (!number || *number < 1 || *number > 31)
            return usage("bad --day \"" + *value(args, "--day") + "\": give 01-31");
        draft.dayText = (*number < 10 ? "0" : "") + std::to_string(*number);
    }
    if (kind == PlanKind::Once) {
        if (auto error = needs("--date")) return error;
        const auto date = threeNumbers(*value(args, "--date"), '-');
        if (!date || !existsLocally((*date)[0], (*date)[1], (*date)[2]))
            return usage("bad --date \"" + *value(args, "--date") + "\": give Y-M-D, a real date");
        draft.chosenDate = clockAt((*date)[0], (*date)[1], (*date)[2], 0, 0, 0);
        day = localTimeOf(draft.chosenDate);
        if (!existsLocally(day.year, day.month, day.day, (*clock)[0], (*clock)[1], (*clock)[2]))
            return usage("--time " + *time + " does not exist on " + *value(args, "--date") +
                         " in the local time zone (the clocks skip it)");
    }
    draft.chosenTime = clockAt(day.year, day.month, day.day, (*clock)[0], (*clock)[1], (*clock)[2]);
    return std::nullopt;
}

CommandResult editPlans(const PlansArgs& args) {
    const auto kindText = value(args, "--kind");
    PlanKind kind = PlanKind::Day;
    if (!kindText || !parseKindName(*kindText, kind))
        return usage("plans " + args.action + " wants --kind day|week|month|once");

    PlanDraft draft;
    std::int32_t entry = 0;
    if (args.action == "add") {
        if (auto error = draftOf(args, kind, draft)) return *error;
    } else {
        const auto text = value(args, "--entry");
        const auto number = text ? wholeNumber(*text) : std::nullopt;
        if (!number || *number < 0) return usage("plans delete wants --entry N (0, 1, ...)");
        entry = *number;
    }

    LoadedPlans loaded = loadPlanFile(args.file);
    // Saving a kind that was not read whole would drop what was not read.
    if (!pageEditable(loaded.result, kind))
        return failed({}, loadError(args.file, loaded.result, kind) + "\n" + args.file + ": " +
                              std::string(kindName(kind)) + " plans left unchanged");

    PageOutcome outcome;
    if (args.action == "add") {
        outcome = addPlan(loaded.store, loaded.file, draft);
    } else {
        if (!loaded.store.plans(kind).contains(entry))
            return failed({}, "no " + std::string(kindName(kind)) + " plan " + planEntryKey(entry) +
                                  " in " + args.file);
        outcome = deletePlan(loaded.store, loaded.file, kind, entry);
    }
    if (!outcome.changed) return failed({}, outcome.notice.english());
    std::string out = args.action == "add" ? "added " : "deleted ";
    out += std::string(kindName(kind));
    if (args.action == "add") {
        const std::string added = planEntryValue(recordFromDraft(draft), kind);
        for (const auto& [key, plan] : loaded.store.plans(kind))
            if (planEntryValue(plan, kind) == added) out += " " + planEntryKey(key);
    } else {
        out += " " + planEntryKey(entry);
    }
    return {kExitOk, out + "\n", {}};
}

// The same commands as the service's plan ops: its file, its lock, its scheduler.
CommandResult viaService(const PlansArgs& args, const std::string& socket) {
    if (args.action == "today" || value(args, "--file"))
        return usage("with --service, plans takes list, add, delete, start or stop, and no --file");
    Json request{{"op", "plans." + args.action}};
    for (const auto& [name, text] : args.values) {
        if (name == "--service") continue;
        const auto number = wholeNumber(text);
        request[name.substr(2)] = number && name != "--time" ? Json(*number) : Json(text);
    }
    Json answer;
    try {
        service::ServiceClient client(socket);
        answer = client.request(request, std::chrono::seconds(10));
    } catch (const std::exception& e) {
        return failed({}, socket + ": " + e.what());
    }
    if (!answer.value("ok", false)) return failed({}, answer.value("message", "refused"));
    if (args.action == "list")
        return {kExitOk, listed(plansFromList(answer["plans"]), args.json), {}};
    if (args.action == "start" || args.action == "stop")
        return {kExitOk, answer.value("armed", false) ? "plans armed\n" : "plans disarmed\n", {}};
    const std::string done = args.action == "add" ? "added " : "deleted ";
    return {kExitOk,
            done + answer.value("kind", "") + " " + planEntryKey(answer.value("entry", 0)) + "\n",
            {}};
}

}  // namespace

bool parseKinds(std::string_view text, PlanKindSet& kinds, std::string& error) {
    kinds = {};
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        PlanKind kind = PlanKind::Day;
        if (!parseKindName(name, kind)) {
            error = "unknown plan kind \"" + std::string(name) + "\": give day, week, month, once";
            return false;
        }
        kinds.on[kindIndex(kind)] = true;
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

std::string_view plansUsageText() {
    return kPlansUsage;
}

bool isPlansInvocation(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) return arg == "plans";
        if (arg.find('=') == std::string_view::npos && arg != "--json" && arg != "--help")
            ++i;  // skips the option's value
    }
    return false;
}

CommandResult runPlansCommand(int argc, const char* const* argv) {
    static const std::map<std::string_view, std::vector<std::string_view>> kAllowed{
        {"list", {"--file", "--service"}},
        {"today", {"--file", "--at", "--kinds"}},
        {"add",
         {"--file", "--kind", "--weekday", "--day", "--date", "--time", "--source", "--service"}},
        {"delete", {"--file", "--kind", "--entry", "--service"}},
        {"start", {"--service"}},
        {"stop", {"--service"}},
    };
    static constexpr std::array<const char*, 11> kOptions{
        "--file", "--at",   "--kinds",  "--kind",  "--weekday", "--day",
        "--date", "--time", "--source", "--entry", "--service"};
    const std::vector<std::string_view> argList(argv + 1, argv + argc);
    for (std::string_view arg : argList)
        if (arg == "--help" || arg == "-h") return {kExitOk, std::string(kPlansUsage), {}};
    auto split = splitArgs(argList, kOptions);
    if (const auto* error = std::get_if<UsageError>(&split)) return usage(error->message);
    PlansArgs args;
    args.json = std::get<SplitArgs>(split).json;
    args.values = std::move(std::get<SplitArgs>(split).values);
    const std::vector<std::string>& words = std::get<SplitArgs>(split).words;
    if (words.size() != 2) return usage("plans wants one of list, today, add, delete, start, stop");
    args.action = words[1];
    const auto allowed = kAllowed.find(args.action);
    if (allowed == kAllowed.end()) return usage("unknown plans command \"" + args.action + "\"");
    for (const auto& [name, text] : args.values) {
        bool known = false;
        for (const std::string_view option : allowed->second) known = known || option == name;
        if (!known) return usage("plans " + args.action + " takes no option " + name);
    }
    if (const auto file = value(args, "--file")) args.file = *file;
    if (args.json && (args.action == "add" || args.action == "delete"))
        return usage("--json is for plans list and plans today");

    if (const auto socket = value(args, "--service")) return viaService(args, *socket);
    if (args.action == "start" || args.action == "stop")
        return usage("plans " + args.action + " is for a chain service: give --service S");
    if (args.action == "list") return listPlans(args);
    if (args.action == "today") return todayPlans(args);
    return editPlans(args);
}

}  // namespace tvq::cli
