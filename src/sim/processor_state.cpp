#include "sim/processor_state.h"

namespace tvq::sim {

std::uint8_t ProcessorState::pictureMode() const {
    const bool subSignal = hasSignal(subSource);
    if (pip) return subSignal ? 3 : 1;
    if (text) return subSignal ? 5 : 4;
    return 0;
}

ProcessorState defaultState(std::uint8_t address) {
    ProcessorState s;
    s.address = address;
    const Rect full{0, 1024, 0, 768};
    const std::array<Rect, kPipModes> corners{{
        {0, 512, 0, 384},      // M1 top left
        {512, 512, 0, 384},    // M2 top right
        {0, 512, 384, 384},    // M3 bottom left
        {512, 512, 384, 384},  // M4 bottom right
    }};
    s.mainRect.fill(full);
    s.pipRect = corners;
    return s;
}

}  // namespace tvq::sim
