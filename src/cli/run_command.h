#pragma once
// Runs one parsed command over an open link and says what to print and how to exit.

#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "core/link/device_link.h"

namespace tvq::cli {

struct CommandResult {
    int exitCode = kExitOk;
    std::string output;  // for stdout: text lines, or one JSON object and a newline
    std::string error;   // one line for stderr (no program name, no newline); empty on success
};

// The frame a command sends; for send, the bytes as given.
CommandFrame commandFrame(const CliOptions& options);

// Sets the link's device address from the options, makes the one exchange and judges the reply.
CommandResult runCommand(const CliOptions& options, FrameExchanger& link);

// Why an exchange that the line ended gave no reply: "the connection closed after 5 of 13 bytes".
std::string lineClosedText(bool serial, std::size_t received);

// A failure before a command's own work, the same for every command (plans and wall
// included): bad usage (exit 2) or a link that could not be opened (exit 1). One line on stderr,
// with a pointer to `hint` for usage, and under --json also, as the whole of stdout,
// {"ok":false,"error":"usage"|"link","message":"..."}. Returns the exit status.
int reportFailure(int exitCode, const std::string& message, bool json,
                  std::string_view hint = "--help");

}  // namespace tvq::cli
