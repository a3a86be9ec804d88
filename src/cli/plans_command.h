#pragma once
// tvq418ctl plans list|today|add|delete: the plan file, no device needed.

#include <string>
#include <string_view>
#include <vector>

#include "cli/run_command.h"
#include "core/plans/plan_record.h"

namespace tvq::cli {

// True when the command word (the first argument that is not an option) is "plans".
bool isPlansInvocation(int argc, const char* const* argv);

// Parses and runs one plans command; usage errors exit with kExitUsage.
CommandResult runPlansCommand(int argc, const char* const* argv);

// "day,week": the kinds named, or false with an error for an unknown name.
bool parseKinds(std::string_view text, PlanKindSet& kinds, std::string& error);

std::string_view plansUsageText();

}  // namespace tvq::cli
