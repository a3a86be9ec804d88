#pragma once
// The tests a reply passes before the client trusts it, and the words for a failed one.

#include <string>

#include "core/link/command_frame.h"
#include "core/link/status_reply.h"

namespace tvq::cli {

// Check byte, start byte, the address and the command code of the frame it answers.
StatusCheck checkReplyTo(const CommandFrame& sent, const CommandFrame& reply);

// One phrase saying why a reply was rejected, e.g. "reply from address 2, expected 1".
std::string describeCheck(StatusCheck check, const CommandFrame& sent, const CommandFrame& reply);

}  // namespace tvq::cli
