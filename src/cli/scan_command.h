#pragma once
// tvq418ctl scan: asks a range of addresses for their status and lists who answered.

#include <cstdio>
#include <stop_token>

#include "cli/cli_options.h"
#include "cli/run_command.h"
#include "core/link/device_link.h"

namespace tvq::cli {

// Runs the scan; a progress line is drawn on `progress` when given (a terminal), else none. A stop
// request ends it after the address in flight, with the answers so far listed.
CommandResult runScan(const CliOptions& options, FrameExchanger& link,
                      std::FILE* progress = nullptr, std::stop_token stop = {});

}  // namespace tvq::cli
