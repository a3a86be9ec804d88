#pragma once
// tvq418ctl scan: asks a range of addresses for their status and lists who answered.

#include <cstdio>

#include "cli/cli_options.h"
#include "cli/run_command.h"
#include "core/link/device_link.h"

namespace tvq::cli {

// Runs the scan; a progress line is drawn on `progress` when given (a terminal), else none.
CommandResult runScan(const CliOptions& options, DeviceLink& link, std::FILE* progress = nullptr);

}  // namespace tvq::cli
