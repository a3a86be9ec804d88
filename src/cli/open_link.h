#pragma once
// Opens the line the options name: a TCP connection or a serial port.

#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "core/link/byte_link.h"

namespace tvq::cli {

struct OpenedLink {
    std::unique_ptr<ByteLink> link;  // null when opening failed
    int exitCode = kExitOk;
    std::string error;  // one line, set when link is null
};

OpenedLink openLink(const CliOptions& options);

}  // namespace tvq::cli
