#pragma once
// Processors sharing one line: every frame reaches all of them, the addressed one answers.

#include <cstdint>
#include <span>
#include <vector>

#include "core/link/command_frame.h"
#include "sim/processor.h"

namespace tvq::sim {

inline constexpr std::uint8_t kBroadcast = 0;

class Chain {
public:
    // Addresses 1..255 in line order; 0 and repeats are skipped.
    explicit Chain(std::span<const std::uint8_t> addresses);

    // The replies to one frame off the line. A frame with a wrong check byte or start byte, to
    // an address nobody has, or to the broadcast address (which every processor obeys) gets none.
    std::vector<CommandFrame> deliver(const CommandFrame& frame);

    Processor* find(std::uint8_t address);
    const Processor* find(std::uint8_t address) const;
    std::vector<Processor>& processors() { return processors_; }
    const std::vector<Processor>& processors() const { return processors_; }

private:
    std::vector<Processor> processors_;
};

}  // namespace tvq::sim
