#pragma once
// What the main window shows of the device, decided in the core so the rules can be tested:
// the state flags decoded from status replies, the 20 lights, the two radio groups and which
// controls can be pressed. The GUI renders copies of it.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/link/command_frame.h"
#include "core/link/sources.h"

namespace tvq {

// The indicator lights, in the fixed order in which a blink pass walks them.
// clang-format off
enum class Light : std::uint8_t {
    V1, V2, V3, SVideo, Dvi, Hdmi, Vga1, Vga2, Ext, YPbPr,  // above the source buttons
    Pip, Text, Bypass, Freeze, Mosaic, VgaAuto,              // beside the function buttons
    M1, M2, M3, M4,                                          // beside the PIP-mode buttons
    Count
};
// clang-format on
inline constexpr std::size_t kLightCount = static_cast<std::size_t>(Light::Count);

// The light above a source button; none for 3 and codes above 10.
std::optional<Light> sourceLight(unsigned code);

// Controls whose enabled state the core decides.
// clang-format off
enum class Control : std::uint8_t {
    // The 23 operation controls that setOperationControls switches together.
    Program, SrcV1, SrcV2, SrcV3, SrcSVideo, SrcDvi, SrcHdmi, SrcVga1, SrcVga2, SrcExt, SrcYPbPr,
    Cut, Fade05, Fade10, Fade15, Start, Pip, Text, Bypass, Mosaic, Freeze, Setup, FastMS,
    // The rest.
    VgaAuto, M1, M2, M3, M4, Stop, Connect, Disconnect,
    Count
};
// clang-format on
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::Count);
inline constexpr std::size_t kOperationControlCount = 23;

// The enable bit of the button of a source code; none for codes that name no source.
std::optional<Control> sourceControl(unsigned code);

struct PanelState {
    // Decoded from status replies (and three toggles flipped by their buttons).
    bool pipFlag = false, pipAltFlag = false;    // PIP/POP active, steady / blinking
    bool textFlag = false, textAltFlag = false;  // TEXT active, steady / blinking
    bool bypassFlag = false, mosaicFlag = false, freezeFlag = false;
    std::uint8_t mainSource = kNoSource;
    std::uint8_t subSource = kNoSource;
    char mainSourceGroup = 0;
    std::optional<std::uint8_t> extInputType;
    std::array<bool, 11> sourceInUse{};  // by source code; entry 3 is never set
    bool mainIsDviFlag = false;

    // What the window shows.
    std::bitset<kLightCount> lightShown;
    std::bitset<kLightCount> blinkSet;  // lights that blink; walked in Light order
    int transitionMark = -1;            // marked transition radio 0..3, -1 none
    int extMark = -1;                   // marked EXT. radio 0..4, -1 none
    std::bitset<kControlCount> enabled;
    // The device has not answered for a while (or the line is being reopened): the lights show
    // its last known state, drawn as unknown.
    bool stateUnknown = false;

    bool pipActive() const { return pipFlag || pipAltFlag; }
    bool textActive() const { return textFlag || textAltFlag; }

    bool isEnabled(Control c) const { return enabled[static_cast<std::size_t>(c)]; }
    void enable(Control c, bool on) { enabled[static_cast<std::size_t>(c)] = on; }
    bool isShown(Light l) const { return lightShown[static_cast<std::size_t>(l)]; }
    void show(Light l, bool on) { lightShown[static_cast<std::size_t>(l)] = on; }
    bool isBlinking(Light l) const { return blinkSet[static_cast<std::size_t>(l)]; }

    // The 23 operation controls together.
    void setOperationControls(bool on);
    // M1..M4 together.
    void setPipModeButtons(bool on);
    // The state of a freshly opened, not connected window.
    static PanelState initial();

    bool operator==(const PanelState&) const = default;
};

// Decodes a status reply that already passed its check-byte test. Ignored unless byte 0 is 5,
// byte 1 equals deviceAddress and byte 2 is 23.
void applyStatusReply(PanelState& state, const CommandFrame& reply, std::uint8_t deviceAddress,
                      bool timerRunning);

// Enables PIP/POP, TEXT, BYPASS, MOSAIC, FREEZE and YPbPr from the state flags.
void applyFunctionRules(PanelState& state);

}  // namespace tvq
