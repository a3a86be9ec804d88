#include "core/panel/front_panel.h"

#include "core/link/commands.h"
#include "core/link/sources.h"

namespace tvq {
namespace {

constexpr std::uint8_t kCodeDvi = 7, kCodeExt = 9, kCodeYPbPr = 10;

// Byte 12 stays 0: the exchange writes the check byte when it sends.
CommandFrame panelFrame(std::uint8_t address, std::uint8_t command, std::uint8_t parameter) {
    CommandFrame frame{};
    frame[0] = kFrameStart;
    frame[1] = address;
    frame[2] = command;
    frame[3] = parameter;
    return frame;
}

PressOutcome queued(CommandFrame frame) {
    return {frame, MessageId::None};
}

PressOutcome refused(MessageId why) {
    return {std::nullopt, why};
}

// EXT. decides the BYPASS button from the sub-input it carries.
void applyExtBypassRule(PanelState& state, PressOutcome& outcome) {
    switch (state.extInputType.value_or(0)) {
        case 2:  // VGA
        case 3:  // DVI
            state.enable(Control::Bypass, true);
            break;
        case 1:  // SDI
        case 4:  // VIDEO
            state.enable(Control::Bypass, false);
            break;
        default:
            outcome.refusal = MessageId::NotExtModel;
            break;
    }
}

}  // namespace

PressOutcome pressSource(PanelState& state, std::uint8_t deviceAddress, std::uint8_t code) {
    if (!isSourceCode(code)) return {};

    const std::uint8_t command = state.pipActive()    ? cmd::kPipSource
                                 : state.textActive() ? cmd::kTextSource
                                                      : cmd::kMainSource;
    const char group = sourceGroup(code);

    // The BYPASS button follows the pressed source even when the press is refused.
    if (state.bypassFlag && code != kCodeExt && code != kCodeYPbPr)
        state.enable(Control::Bypass, group != 'A');

    PressOutcome outcome;
    if (state.mosaicFlag && code != kCodeDvi)
        outcome = refused(MessageId::MosaicOnlyOff);
    else if ((state.pipActive() || state.textActive()) && code != state.mainSource &&
             state.mainSourceGroup == group)
        outcome = refused(MessageId::IncorrectSource);
    else
        outcome = queued(panelFrame(deviceAddress, command, code));

    if (code == kCodeExt && state.bypassFlag) applyExtBypassRule(state, outcome);
    return outcome;
}

PressOutcome pressToggle(PanelState& state, std::uint8_t deviceAddress, Toggle which) {
    // A toggle's parameter depends on the state that only one device can report.
    if (deviceAddress == 0) return {};

    auto flip = [deviceAddress](std::uint8_t command, bool& flag) {
        const bool wasOn = flag;
        flag = !flag;
        return queued(panelFrame(deviceAddress, command, wasOn ? 0 : 1));
    };
    switch (which) {
        case Toggle::Pip:
            return queued(panelFrame(deviceAddress, cmd::kPip, state.pipActive() ? 0 : 1));
        case Toggle::Text:
            return queued(panelFrame(deviceAddress, cmd::kText, state.textActive() ? 0 : 1));
        case Toggle::Bypass:
            return flip(cmd::kBypass, state.bypassFlag);
        case Toggle::Mosaic:
            return flip(cmd::kMosaic, state.mosaicFlag);
        case Toggle::Freeze:
            return flip(cmd::kFreeze, state.freezeFlag);
    }
    return {};
}

PressOutcome pressVgaAuto(std::uint8_t deviceAddress) {
    return queued(panelFrame(deviceAddress, cmd::kVgaAuto, 0));
}

PressOutcome pressPipMode(std::uint8_t deviceAddress, std::uint8_t mode) {
    if (mode > 3) return {};
    return queued(panelFrame(deviceAddress, cmd::kPipMode, mode));
}

PressOutcome pressTransition(PanelState& state, std::uint8_t deviceAddress,
                             std::uint8_t transition) {
    if (transition > 3) return {};
    // Unmarked until the device reports its transition; at address 0 nothing is reported.
    state.transitionMark = deviceAddress == 0 ? transition : -1;
    return queued(panelFrame(deviceAddress, cmd::kTransition, transition));
}

}  // namespace tvq
