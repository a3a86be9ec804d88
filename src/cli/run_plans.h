#pragma once
// tvq418ctl ... run-plans: the plan scheduler without a display, one line per event on stdout.

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "core/link/device_link.h"
#include "core/plans/plan_scheduler.h"

namespace tvq::cli {

// One line for an event: local time with milliseconds, what happened, kind, entry, source and
// the time the plan was due.
std::string planEventLine(const PlanEvent& event);

// Runs the scheduler over the link until SIGINT or SIGTERM. Blocks both signals in the calling
// thread first (call it before any other thread starts); returns the exit status.
int runPlans(const CliOptions& options, FrameExchanger& link);

}  // namespace tvq::cli
