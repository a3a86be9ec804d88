#pragma once
// Command-line parsing for tvq418ctl: a pure function, so every rule is testable without a device.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

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

// "--name=VALUE" gives the name and the value; "--name" alone gives no value (it follows as the
// next argument).
struct OptionWord {
    std::string_view name;
    std::optional<std::string_view> value;
};
OptionWord splitOption(std::string_view arg);

}  // namespace tvq::cli
