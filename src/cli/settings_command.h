#pragma once
// `settings` and `set`: the screen setup's read-back and writes from the command line, through
// the same core sequences and checks as the setup dialog.

#include <optional>

#include "cli/cli_options.h"
#include "cli/run_command.h"
#include "core/link/device_link.h"
#include "core/platform/clock.h"
#include "core/platform/messages.h"
#include "core/setup/output_format.h"

namespace tvq::cli {

// The frame a set sends after the setup's checks, or the refusal (the setup's message, and for
// a window the field refused: "X", "W", "Y" or "H").
struct PreparedSet {
    std::optional<CommandFrame> frame;
    MessageId refusal = MessageId::None;
    std::string field;
};
PreparedSet prepareSet(const SetRequest& request, std::uint8_t address, setup::Resolution output);

// A set that its checks refuse without asking the device (all but the windows): the result to
// print, so nothing is opened or sent.
std::optional<CommandResult> refuseBeforeLink(const CliOptions& options);

CommandResult runSettings(const CliOptions& options, FrameExchanger& link, Clock& clock);
CommandResult runSet(const CliOptions& options, FrameExchanger& link, Clock& clock);

}  // namespace tvq::cli
