#pragma once
// Command-line parsing for tvq418ctl: a pure function, so every rule is testable without a device.

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/cli_options.h"

namespace tvq::cli {

struct HelpRequest {};

struct UsageError {
    std::string message;  // one line, no program name, no newline
    bool json = false;    // --json was among the arguments: the error is shown as JSON too
};

using ParsedArgs = std::variant<CliOptions, HelpRequest, UsageError>;

// argv[0] is the program name and is skipped. Options may stand before or after the command.
ParsedArgs parseArgs(int argc, const char* const* argv);

std::string_view usageText();

// --json is among the arguments: every failure is then shown as JSON too.
bool jsonRequested(int argc, const char* const* argv);

// A command line taken apart by CLI11: each of `valueOptions` takes one value ("--name V" or
// "--name=V"; given twice, the last counts), --json is a flag, other words keep their order.
struct SplitArgs {
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> words;
    bool json = false;
};
// An unknown option or one without its value is a usage error. `args` excludes argv[0].
std::variant<SplitArgs, UsageError> splitArgs(const std::vector<std::string_view>& args,
                                              std::span<const char* const> valueOptions);

}  // namespace tvq::cli
