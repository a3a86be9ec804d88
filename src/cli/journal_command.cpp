#include "cli/journal_command.h"

#include <algorithm>
#include <iterator>
#include <set>

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
// Records are fetched and printed this many at a time, so a full journal never sits in memory.
constexpr std::size_t kPageSize = 1000;

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

// Prints records as they come; only the on-air table waits for all its rows (for its widths).
class Printer {
public:
    Printer(JournalFormat format, bool onAir, std::FILE* out)
        : format_(format), onAir_(onAir), out_(out) {}

    void add(const nlohmann::json& record) {
        switch (format_) {
            case JournalFormat::OnAirTable:
                rows_.push_back(record);
                break;
            case JournalFormat::Csv: {
                std::string text = csv({record});
                if (headed_) text.erase(0, text.find('\n') + 1);
                headed_ = true;
                emit(text);
                break;
            }
            case JournalFormat::Records:
                emit(service::journalLine(record) + "\n");
                break;
        }
    }
    // A damaged line is met again by each later page of the service: said once.
    void warn(const std::vector<std::string>& warnings) {
        for (const std::string& warning : warnings)
            if (warned_.insert(warning).second)
                result_.error += (result_.error.empty() ? "" : "\n") + warning;
    }
    CommandResult finish() {
        if (format_ == JournalFormat::OnAirTable) emit(service::onAirTable(rows_));
        if (format_ == JournalFormat::Csv && !headed_) emit(csv({}));
        return std::move(result_);
    }

private:
    std::string csv(const std::vector<nlohmann::json>& records) const {
        return onAir_ ? service::onAirCsv(records) : service::journalCsv(records);
    }
    void emit(const std::string& text) {
        if (out_)
            std::fwrite(text.data(), 1, text.size(), out_);
        else
            result_.output += text;
    }

    const JournalFormat format_;
    const bool onAir_;
    std::FILE* const out_;
    bool headed_ = false;
    std::vector<nlohmann::json> rows_;
    std::set<std::string, std::less<>> warned_;
    CommandResult result_;
};

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

CommandResult runJournalCommand(int argc, const char* const* argv, const ServiceJournal& viaService,
                                std::FILE* out) {
    // CLI11 would take "-1" for a huge unsigned number.
    const CLI::Validator wholeNumber(
        [](std::string& text) -> std::string {
            if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
                return {};
            return "give a whole number, 0 or more, not \"" + text + "\"";
        },
        "", "whole");
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
        ->type_name("SEQ")
        ->check(wholeNumber);
    journal->add_option("--from", args.from, "from this time on")->type_name("T");
    journal->add_option("--to", args.to, "until this time")->type_name("T");
    journal->add_option("--address", args.query.address, "one device address")
        ->type_name("N")
        ->check(CLI::Range(0, 255));
    journal->add_option("--limit", args.query.limit, "at most this many records")
        ->type_name("N")
        ->check(wholeNumber);
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
    if (!args.socket.empty() && !viaService)
        return failure(kExitFailed, "this tvq418ctl cannot read a journal through a service", json);
    try {
        Printer printer(format, args.query.onAir, out);
        if (args.socket.empty()) {
            printer.warn(service::scanJournal(args.dir, args.query, [&printer](nlohmann::json&& r) {
                             printer.add(r);
                         }).warnings);
            return printer.finish();
        }
        // The service answers a page at a time.
        JournalQuery query = args.query;
        std::size_t left = query.limit;
        for (;;) {
            query.limit = left ? std::min(kPageSize, left) : kPageSize;
            const JournalPage page = viaService(args.socket, query);
            printer.warn(page.warnings);
            for (const nlohmann::json& record : page.records) printer.add(record);
            if (left) left -= std::min(left, page.records.size());
            if (page.records.size() < query.limit || (args.query.limit && !left) ||
                page.next <= query.since.value_or(0))
                break;
            query.since = page.next;
        }
        return printer.finish();
    } catch (const std::exception& e) {
        return failure(kExitFailed, e.what(), json);
    }
}

}  // namespace tvq::cli
