#pragma once
// Operator keys typed on standard input: change a processor behind the controller's back,
// look at its state, or change a fault's probability while the simulator runs.

#include <string>
#include <string_view>

#include "sim/processor_state.h"
#include "sim/sim_core.h"

namespace tvq::sim {

struct ConsoleReply {
    std::string text;  // lines to print, each ending in '\n'; empty for a blank line
    bool quit = false;
};

ConsoleReply runConsoleLine(std::string_view line, SimCore& core);

std::string consoleHelp();

// One line: "addr=1 main=V1 sub=V2 picture=0 ...".
std::string describeState(const ProcessorState& state);

}  // namespace tvq::sim
