#pragma once
// Runs one parsed command over an open link and says what to print and how to exit.

#include <string>

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
CommandResult runCommand(const CliOptions& options, DeviceLink& link);

// What --json prints for bad usage: {"ok":false,"error":"usage","message":"..."}.
std::string usageErrorJson(const std::string& message);

// A failure before any exchange (the link could not be opened), shaped like the others.
CommandResult commandFailure(const CliOptions& options, int exitCode, std::string message);

}  // namespace tvq::cli
