#pragma once
// Opens the line the options name: a TCP connection or a serial port.

#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "core/link/byte_link.h"
#include "core/link/frame_exchanger.h"

namespace tvq::cli {

struct OpenedLink {
    std::unique_ptr<ByteLink> link;  // null when opening failed
    int exitCode = kExitOk;
    std::string error;  // one line, set when link is null
};

OpenedLink openLink(const CliOptions& options);

struct OpenedExchanger {
    std::unique_ptr<FrameExchanger> exchanger;  // null when opening failed
    int exitCode = kExitOk;
    std::string error;  // one line, set when exchanger is null
};

// What every link command talks through: the one place that decides between a device link of
// our own and (with --service) the chain service.
OpenedExchanger openExchanger(const CliOptions& options);

}  // namespace tvq::cli
