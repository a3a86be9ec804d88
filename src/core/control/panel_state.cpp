#include "core/control/panel_state.h"

#include <initializer_list>

#include "core/link/commands.h"

namespace tvq {
namespace {

constexpr std::uint8_t kCodeVga1 = 5, kCodeVga2 = 6, kCodeDvi = 7, kCodeHdmi = 8, kCodeYPbPr = 10;

struct SourceSlot {
    Light light;
    Control control;
};

// Indexed by source code; code 3 has neither a light nor a button.
constexpr std::array<std::optional<SourceSlot>, 11> kSourceSlots{{
    SourceSlot{Light::V1, Control::SrcV1},
    SourceSlot{Light::V2, Control::SrcV2},
    SourceSlot{Light::V3, Control::SrcV3},
    std::nullopt,
    SourceSlot{Light::SVideo, Control::SrcSVideo},
    SourceSlot{Light::Vga1, Control::SrcVga1},
    SourceSlot{Light::Vga2, Control::SrcVga2},
    SourceSlot{Light::Dvi, Control::SrcDvi},
    SourceSlot{Light::Hdmi, Control::SrcHdmi},
    SourceSlot{Light::Ext, Control::SrcExt},
    SourceSlot{Light::YPbPr, Control::SrcYPbPr},
}};

constexpr std::array<Light, 4> kModeLights{Light::M1, Light::M2, Light::M3, Light::M4};

std::size_t index(Light l) {
    return static_cast<std::size_t>(l);
}

// Codes without a light (3, 11..15) make every light operation a no-op.
void showSource(PanelState& s, unsigned code, bool on) {
    if (auto l = sourceLight(code)) s.show(*l, on);
}

void blinkSource(PanelState& s, unsigned code) {
    if (auto l = sourceLight(code)) s.blinkSet.set(index(*l));
}

void markInUse(PanelState& s, unsigned code) {
    if (isSourceCode(code)) s.sourceInUse[code] = true;
}

bool anyInUse(const PanelState& s, std::initializer_list<unsigned> codes) {
    for (unsigned c : codes)
        if (s.sourceInUse[c]) return true;
    return false;
}

// The second picture of an active PIP/POP or TEXT function: steady shows its source light
// and the function light; blinking only blinks the function light.
void applySecondPicture(PanelState& s, bool steady, bool alt, Light functionLight, unsigned sub,
                        bool subSignal) {
    if (!steady && !alt) return;
    markInUse(s, sub);
    if (steady) {
        if (subSignal)
            showSource(s, sub, true);
        else
            blinkSource(s, sub);
        s.show(functionLight, true);
    } else {
        s.blinkSet.set(index(functionLight));
    }
}

struct FunctionButtons {
    bool pip, text, bypass, mosaic, freeze, ypbpr;
};

void setFunctionButtons(PanelState& s, const FunctionButtons& b) {
    s.enable(Control::Pip, b.pip);
    s.enable(Control::Text, b.text);
    s.enable(Control::Bypass, b.bypass);
    s.enable(Control::Mosaic, b.mosaic);
    s.enable(Control::Freeze, b.freeze);
    s.enable(Control::SrcYPbPr, b.ypbpr);
}

}  // namespace

std::optional<Light> sourceLight(unsigned code) {
    if (code >= kSourceSlots.size() || !kSourceSlots[code]) return std::nullopt;
    return kSourceSlots[code]->light;
}

std::optional<Control> sourceControl(unsigned code) {
    if (code >= kSourceSlots.size() || !kSourceSlots[code]) return std::nullopt;
    return kSourceSlots[code]->control;
}

void PanelState::setOperationControls(bool on) {
    for (std::size_t i = 0; i < kOperationControlCount; ++i) enabled[i] = on;
}

void PanelState::setPipModeButtons(bool on) {
    for (Control c : {Control::M1, Control::M2, Control::M3, Control::M4}) enable(c, on);
}

PanelState PanelState::initial() {
    PanelState s;
    s.setOperationControls(false);
    s.setPipModeButtons(false);
    s.enable(Control::Stop, false);
    s.enable(Control::Disconnect, false);
    s.enable(Control::Connect, true);
    s.enable(Control::VgaAuto, true);
    return s;
}

void applyStatusReply(PanelState& s, const CommandFrame& reply, std::uint8_t deviceAddress,
                      bool timerRunning) {
    if (reply[0] != kFrameStart || reply[1] != deviceAddress || reply[2] != cmd::kReadPage) return;

    const unsigned m = reply[7] & 0x0F;
    const unsigned sub = reply[7] >> 4;
    const bool mainSignal = reply[8] != 0;
    const bool subSignal = reply[9] != 0;

    const std::uint8_t mode = reply[4];
    s.pipFlag = mode == 3;
    s.pipAltFlag = mode == 1;
    s.textFlag = mode == 5;
    s.textAltFlag = mode == 4;
    // Each function light is hidden whenever the other function (or neither) is active, so a
    // direct change between PIP/POP and TEXT does not leave the old light lit.
    if (!s.pipActive()) s.show(Light::Pip, false);
    if (!s.textActive()) s.show(Light::Text, false);

    s.transitionMark = reply[5] <= 3 ? reply[5] : -1;

    const std::uint8_t flags = reply[6];
    s.freezeFlag = flags & 0x01;
    s.bypassFlag = flags & 0x02;
    s.mosaicFlag = flags & 0x04;
    s.show(Light::Freeze, s.freezeFlag);
    s.show(Light::Bypass, s.bypassFlag);
    s.show(Light::Mosaic, s.mosaicFlag);

    s.blinkSet.reset();

    if (mainSignal) {
        showSource(s, m, true);
        s.mainIsDviFlag = m == kCodeDvi;
    } else {
        blinkSource(s, m);
    }
    s.mainSourceGroup = sourceGroup(m);

    if (s.mainSource != kNoSource && s.mainSource != m) showSource(s, s.mainSource, false);
    s.mainSource = static_cast<std::uint8_t>(m);

    s.sourceInUse.fill(false);
    markInUse(s, m);

    applySecondPicture(s, s.pipFlag, s.pipAltFlag, Light::Pip, sub, subSignal);
    applySecondPicture(s, s.textFlag, s.textAltFlag, Light::Text, sub, subSignal);

    // The second picture's old light goes dark, and so does its current one once neither
    // function shows it; a light that now stands for the main picture stays lit.
    if (s.subSource != kNoSource && s.subSource != sub && s.subSource != m)
        showSource(s, s.subSource, false);
    if (!s.pipActive() && !s.textActive() && sub != m) showSource(s, sub, false);
    s.subSource = static_cast<std::uint8_t>(sub);

    s.setPipModeButtons(s.pipActive());

    const std::uint8_t pipMode = reply[10];
    if (!s.pipActive()) {
        for (Light l : kModeLights) s.show(l, false);
    } else if (pipMode < kModeLights.size()) {
        for (std::size_t i = 0; i < kModeLights.size(); ++i) s.show(kModeLights[i], i == pipMode);
    }

    const std::uint8_t ext = reply[11];
    if (ext <= 4) {
        s.extMark = ext;
        s.extInputType = ext;
    } else {
        s.extMark = -1;
    }

    const bool vgaMain = s.mainSource == kCodeVga1 || s.mainSource == kCodeVga2;
    s.enable(Control::VgaAuto, vgaMain && !s.pipFlag && !s.pipAltFlag && !s.bypassFlag);

    if (!timerRunning) applyFunctionRules(s);
}

void applyFunctionRules(PanelState& s) {
    const bool pip = s.pipActive();
    const bool text = s.textActive() && !pip;
    const bool neither = !s.pipActive() && !s.textActive();

    if (s.mosaicFlag && pip) setFunctionButtons(s, {true, false, false, true, false, false});
    if (s.mosaicFlag && text) setFunctionButtons(s, {false, true, false, true, false, false});
    if (s.bypassFlag && pip) setFunctionButtons(s, {true, false, false, false, false, false});
    if (s.bypassFlag && text) setFunctionButtons(s, {false, true, false, false, false, false});
    if (s.mosaicFlag && neither) {
        setFunctionButtons(s, {true, true, false, true, true, false});
    } else if (s.bypassFlag && neither) {
        // The scaler cannot be bypassed for the analogue video inputs.
        const bool bypassable = !anyInUse(s, {0, 1, 2, 4, kCodeYPbPr});
        setFunctionButtons(s, {true, true, bypassable, false, true, true});
    }
    const bool plain = !s.mosaicFlag && !s.bypassFlag;
    if (plain && pip) setFunctionButtons(s, {true, false, false, false, false, false});
    if (plain && text) setFunctionButtons(s, {false, true, false, false, false, false});

    if (s.sourceInUse[kCodeYPbPr]) {
        setFunctionButtons(s, {false, false, false, false, true, true});
        return;
    }

    // Only the steady variants count here: a blinking PIP/POP or TEXT still lets this apply.
    if (!plain || s.pipFlag || s.textFlag) return;
    auto setFour = [&s](bool pipOn, bool textOn, bool bypassOn, bool mosaicOn) {
        s.enable(Control::Pip, pipOn);
        s.enable(Control::Text, textOn);
        s.enable(Control::Bypass, bypassOn);
        s.enable(Control::Mosaic, mosaicOn);
    };
    if (s.sourceInUse[kCodeDvi])
        setFour(true, true, true, true);
    else if (anyInUse(s, {kCodeVga1, kCodeVga2, kCodeHdmi}))
        setFour(true, true, true, false);
    else if (anyInUse(s, {0, 1, 2, 4}))
        setFour(true, true, false, false);
}

}  // namespace tvq
