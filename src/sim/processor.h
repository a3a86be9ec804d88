#pragma once
// One simulated processor: its state and how it answers one frame.

#include <cstdint>
#include <optional>

#include "core/link/command_frame.h"
#include "sim/processor_state.h"

namespace tvq::sim {

class Processor {
public:
    explicit Processor(std::uint8_t address) : state_(defaultState(address)) {}

    std::uint8_t address() const { return state_.address; }
    ProcessorState& state() { return state_; }
    const ProcessorState& state() const { return state_; }

    // Applies one frame meant for this processor (its address or the broadcast address; the
    // chain decides, as does the check byte). Returns the reply: the page for command 23, an
    // acknowledgement for a write, nothing for a command the processor does not know.
    // An acknowledgement carries the command's first parameter in byte 3 and the status
    // fields after the write in bytes 4..11, so byte 6 holds only the function flags.
    std::optional<CommandFrame> handle(const CommandFrame& frame);

private:
    bool apply(const CommandFrame& frame);

    ProcessorState state_;
};

}  // namespace tvq::sim
