#include "cli/journal_command.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/parse_args.h"
#include "core/service/journal_file.h"
#include "core/service/journal_report.h"

namespace tvq::cli {
namespace {

using service::JournalPage;
using service::JournalQuery;

constexpr std::string_view kHint = " (try tvq418ctl journal --help)";

struct JournalArgs {
    std::string dir;
    std::string socket;
    std::string from, to;
    JournalQuery query;
    bool csv = false;
    bool json = false;
};

// Failures say so on stderr and, under --json, as the one JSON object of stdout, as every
// other command does.
CommandResult failure(int exitCode, std::string message, bool json) {
    if (exitCode == kExitUsage) message += kHint;
    std::string output;
    if (json)
        output = nlohmann::json{{"ok", false},
                                {"error", exitCode == kExitUsage ? "usage" : "journal"},
                                {"message", message}}
                     .dump() +
                 "\n";
    return {exitCode, std::move(output), std::move(message)};
}

bool timeOption(const std::string& name, const std::string& text,
                std::optional<service::JournalTime>& out, std::string& error) {
    if (text.empty()) return true;
    out = service::parseJournalTime(text);
    if (!out)
        error = "bad " + name + " \"" + text +
                "\": give \"YYYY-MM-DD HH:MM:SS\" (local) or \"YYYY-MM-DDTHH:MM:SSZ\" (UTC)";
    return out.has_value();
}

}  // namespace

bool isJournalInvocation(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) return arg == "journal";
        if (arg.find('=') == std::string_view::npos && arg != "--json" && arg != "--help")
            ++i;  // skips the option's value
    }
    return false;
}

CommandResult runJournalCommand(int argc, const char* const* argv,
                                const ServiceJournal& viaService) {
    JournalArgs args;
    CLI::App app{"Reads the chain service's journal.", "tvq418ctl"};
    app.add_option("--service", args.socket, "ask the service on this socket")->type_name("PATH");
    CLI::App* journal = app.add_subcommand(
        "journal",
        "Prints the journal's records as JSON lines, or the on-air report.\nTimes T are "
        "\"YYYY-MM-DD HH:MM:SS\" in the local zone (TZ) or \"YYYY-MM-DDTHH:MM:SSZ\" in UTC.");
    app.require_subcommand(1, 1);
    journal->fallthrough();  // --service may follow the command word too
    journal->add_option("--journal", args.dir, "the service's journal folder")->type_name("DIR");
    journal->add_option("--since", args.query.since, "only records after this number")
        ->type_name("SEQ");
    journal->add_option("--from", args.from, "from this time on")->type_name("T");
    journal->add_option("--to", args.to, "until this time")->type_name("T");
    journal->add_option("--address", args.query.address, "one device address")
        ->type_name("N")
        ->check(CLI::Range(0, 255));
    journal->add_option("--limit", args.query.limit, "at most this many records")->type_name("N");
    journal->add_flag("--on-air", args.query.onAir,
                      "what was showing, from when to when and why (a table)");
    CLI::Option* csv = journal->add_flag("--csv", args.csv, "CSV for a spreadsheet");
    journal->add_flag("--json", args.json, "JSON lines (the default for records)")->excludes(csv);

    const bool json = jsonRequested(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::string help = journal->help();
        if (const std::size_t at = help.find("Usage: journal"); at != std::string::npos)
            help.replace(at, 14, "Usage: tvq418ctl [--service PATH] journal");
        return {kExitOk, help, {}};
    } catch (const CLI::ParseError& e) {
        return failure(kExitUsage, e.what(), json);
    }

    std::string error;
    if (!timeOption("--from", args.from, args.query.from, error) ||
        !timeOption("--to", args.to, args.query.to, error))
        return failure(kExitUsage, error, json);
    if (args.query.from && args.query.to && *args.query.from >= *args.query.to)
        return failure(kExitUsage, "--from must come before --to", json);
    if (args.dir.empty() == args.socket.empty())
        return failure(kExitUsage, "journal wants either --journal DIR or --service PATH", json);

    const JournalFormat format = args.csv                         ? JournalFormat::Csv
                                 : args.query.onAir && !args.json ? JournalFormat::OnAirTable
                                                                  : JournalFormat::Records;
    try {
        if (!args.socket.empty()) {
            if (!viaService)
                return failure(kExitFailed,
                               "this tvq418ctl cannot read a journal through a service", json);
            return printJournal(viaService(args.socket, args.query), format, args.query.onAir);
        }
        return printJournal(service::readJournal(args.dir, args.query), format, args.query.onAir);
    } catch (const std::exception& e) {
        return failure(kExitFailed, e.what(), json);
    }
}

CommandResult printJournal(const JournalPage& page, JournalFormat format, bool onAir) {
    CommandResult result;
    switch (format) {
        case JournalFormat::Csv:
            result.output =
                onAir ? service::onAirCsv(page.records) : service::journalCsv(page.records);
            break;
        case JournalFormat::OnAirTable:
            result.output = service::onAirTable(page.records);
            break;
        case JournalFormat::Records:
            for (const nlohmann::json& record : page.records)
                result.output += service::journalLine(record) + "\n";
            break;
    }
    for (const std::string& warning : page.warnings)
        result.error += (result.error.empty() ? "" : "\n") + warning;
    return result;
}

}  // namespace tvq::cli
