#pragma once
// The decoded status as an operator reads it: one "name  value" line per field, or JSON.

#include <string>
#include <string_view>

#include "cli/json.h"
#include "core/link/status_reply.h"

namespace tvq::cli {

// "PIP/POP", "TEXT" or "none" for reply byte 4.
std::string_view pictureModeName(unsigned pictureMode);
// The blinking variants: 1 for PIP/POP, 4 for TEXT.
bool pictureModeBlinks(unsigned pictureMode);
// "M1".."M4", empty for other values.
std::string pipModeName(unsigned pipMode);

std::string statusText(const StatusReport& status);
Json statusJson(const StatusReport& status);

}  // namespace tvq::cli
