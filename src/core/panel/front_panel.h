#pragma once
// The front-panel buttons: each press is checked against the panel state and turns into at
// most one frame for the pending-command slot, or a refusal for the Info line.

#include <cstdint>
#include <optional>

#include "core/control/panel_state.h"
#include "core/link/command_frame.h"
#include "core/platform/messages.h"

namespace tvq {

enum class Toggle : std::uint8_t { Pip, Text, Bypass, Mosaic, Freeze };

struct PressOutcome {
    std::optional<CommandFrame> frame;    // to be queued; byte 12 left 0 (the exchange adds it)
    MessageId refusal = MessageId::None;  // Info-line text, None when nothing is to be shown

    bool operator==(const PressOutcome&) const = default;
};

// Source button of code k. May change the BYPASS button's enabled bit.
PressOutcome pressSource(PanelState& state, std::uint8_t deviceAddress, std::uint8_t code);
// PIP/POP, TEXT, BYPASS, MOSAIC, FREEZE. BYPASS, MOSAIC and FREEZE flip their own flag.
PressOutcome pressToggle(PanelState& state, std::uint8_t deviceAddress, Toggle which);
PressOutcome pressVgaAuto(std::uint8_t deviceAddress);
PressOutcome pressPipMode(std::uint8_t deviceAddress, std::uint8_t mode);  // M1..M4 as 0..3
// Cut and the three Fades as 0..3. Clears the pressed radio's mark unless deviceAddress is 0.
PressOutcome pressTransition(PanelState& state, std::uint8_t deviceAddress,
                             std::uint8_t transition);

}  // namespace tvq
