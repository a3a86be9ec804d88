#include "sim/processor_state.h"

#include "core/setup/output_format.h"

namespace tvq::sim {

std::uint8_t ProcessorState::pictureMode() const {
    const bool subSignal = hasSignal(subSource);
    if (pip) return subSignal ? 3 : 1;
    if (text) return subSignal ? 5 : 4;
    return 0;
}

bool ProcessorState::setOutputFormat(std::uint8_t index) {
    const auto resolution = setup::formatResolution(index);
    if (!resolution) return false;
    outputFormat = index;
    outputRect = {0, static_cast<std::uint16_t>(resolution->width), 0,
                  static_cast<std::uint16_t>(resolution->height)};
    return true;
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
