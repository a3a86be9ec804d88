#pragma once
// The wire side of a processor's state: the pages that command 23 reads, and rectangles in frames.

#include <cstdint>

#include "core/link/command_frame.h"
#include "core/link/status_reply.h"
#include "sim/processor_state.h"

namespace tvq::sim {

inline constexpr std::uint8_t kLastPage = 14;

// Bytes 4..11: horizontal start, width, vertical start, height, high byte first.
Rect readRect(const CommandFrame& frame);
void writeRect(CommandFrame& frame, const Rect& rect);

StatusReport statusOf(const ProcessorState& state);

// The reply to a read of page p, check byte included. Pages past the last read as empty pages
// (byte 3 = p, the rest 0), which is what an unknown page costs the controller: nothing useful.
CommandFrame encodePage(const ProcessorState& state, std::uint8_t page);

}  // namespace tvq::sim
