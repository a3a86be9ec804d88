#include "core/control/panel_state.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "core/link/commands.h"

namespace tvq {
namespace {

struct Reply {
    std::uint8_t mode = 0, sources = 0, mainSignal = 1, subSignal = 1;
    std::uint8_t flags = 0, transition = 0, pipMode = 0, ext = 0, address = 1;
};

PanelState decode(const std::vector<Reply>& replies, bool timerRunning = false) {
    PanelState s = PanelState::initial();
    for (const Reply& r : replies)
        applyStatusReply(s,
                         makeFrame(r.address, cmd::kReadPage,
                                   {0, r.mode, r.transition, r.flags, r.sources, r.mainSignal,
                                    r.subSignal, r.pipMode, r.ext}),
                         1, timerRunning);
    return s;
}

// "V1 PIP | EXT": the lights shown, a bar, then the blinking ones.
std::string lightText(const PanelState& s) {
    static constexpr const char* names[kLightCount] = {
        "V1",  "V2",   "V3",     "SV",     "DVI",    "HDMI", "VGA1", "VGA2", "EXT", "YPbPr",
        "PIP", "TEXT", "BYPASS", "FREEZE", "MOSAIC", "AUTO", "M1",   "M2",   "M3",  "M4"};
    std::string text;
    for (std::size_t i = 0; i < kLightCount; ++i)
        if (s.lightShown[i]) text += std::string(names[i]) + " ";
    text += "|";
    for (std::size_t i = 0; i < kLightCount; ++i)
        if (s.blinkSet[i]) text += std::string(" ") + names[i];
    return text;
}

TEST(StatusReply, Lights) {
    const std::pair<std::vector<Reply>, const char*> cases[] = {
        {{{.sources = 0x09, .mainSignal = 0}}, "| EXT"},
        {{{.mode = 1, .sources = 0x80, .pipMode = 1}}, "V1 M2 | PIP"},
        {{{.mode = 3, .sources = 0x80, .pipMode = 1}, {.sources = 0x50}}, "V1 |"},
        // The device keeps reporting the second source after PIP/POP ends.
        {{{.mode = 3, .sources = 0x80}, {.sources = 0x80}}, "V1 |"},
        {{{.mode = 3, .sources = 0x53, .subSignal = 0}}, "PIP M1 | VGA1"},
        // Main and second picture swapped: the old second light is the new main light.
        {{{.mode = 3, .sources = 0x75}, {.mode = 3, .sources = 0x57}}, "DVI VGA1 PIP M1 |"},
        {{{.mode = 5, .sources = 0x80}, {.mode = 3, .sources = 0x80, .pipMode = 2}},
         "V1 HDMI PIP M3 |"},
        {{{.mode = 5, .sources = 0x80, .subSignal = 0}}, "V1 TEXT | HDMI"},
        {{{.flags = 0x07}}, "V1 BYPASS FREEZE MOSAIC |"},
        {{{.mode = 3, .pipMode = 2}, {.mode = 3, .pipMode = 9}}, "V1 PIP M3 |"},
        {{{.sources = 0x05}, {.sources = 0x07, .address = 2}}, "VGA1 |"}};
    for (const auto& [replies, lights] : cases) EXPECT_EQ(lightText(decode(replies)), lights);
}

// "1" for each enabled control, "0" for each disabled one.
std::string enabledBits(const PanelState& s, std::initializer_list<Control> controls) {
    std::string bits;
    for (Control c : controls) bits += s.isEnabled(c) ? '1' : '0';
    return bits;
}

TEST(StatusReply, FlagsRadiosAndButtons) {
    PanelState s = decode({{.mode = 4, .sources = 0x87, .transition = 2, .ext = 3}});
    EXPECT_TRUE(s.textAltFlag && !s.textFlag && !s.pipActive() && s.mainSourceGroup == 'B');
    EXPECT_TRUE(s.mainIsDviFlag && s.sourceInUse[7] && s.sourceInUse[8]);
    EXPECT_EQ(std::pair(s.transitionMark, s.extMark), std::pair(2, 3));

    // Out-of-range radios clear the marks; the EXT. type and the DVI flag survive.
    s = decode({{.sources = 0x07, .ext = 3},
                {.sources = 0x07, .mainSignal = 0, .transition = 4, .ext = 5}});
    EXPECT_EQ(std::pair(s.transitionMark, s.extMark), std::pair(-1, -1));
    EXPECT_TRUE(s.extInputType == 3 && s.mainIsDviFlag);

    // M1..M4 with PIP/POP; VGA AUTO for VGA without PIP/POP or bypass; rules wait for the timer.
    const std::tuple<Reply, bool, const char*> buttons[] = {
        {{.sources = 0x06, .flags = 0x02}, false, "000"},
        {{.mode = 1, .sources = 0x05}, false, "100"},
        {{.mode = 5, .sources = 0x06}, false, "010"},
        {{.sources = 0x07}, false, "001"},
        {{.sources = 0x07}, true, "000"}};
    const auto shown = {Control::M4, Control::VgaAuto, Control::Mosaic};
    for (const auto& [reply, timer, expected] : buttons)
        EXPECT_EQ(enabledBits(decode({reply}, timer), shown), expected) << int(reply.sources);
}

TEST(FunctionRules, Table) {
    using Flag = bool PanelState::*;
    const Flag None = nullptr, Pip = &PanelState::pipFlag, PipAlt = &PanelState::pipAltFlag,
               Text = &PanelState::textFlag, TextAlt = &PanelState::textAltFlag;
    const struct {
        Flag mode;
        bool bypass, mosaic;
        std::vector<unsigned> inUse;
        const char* expected;  // PIP TEXT BYPASS MOSAIC FREEZE YPbPr; untouched keep "101010"
    } cases[] = {
        {Pip, false, true, {0, 8}, "100100"},       // mosaic with PIP/POP
        {Pip, true, false, {5, 8}, "100000"},       // bypass with PIP/POP
        {TextAlt, true, false, {5, 8}, "010000"},   // bypass with TEXT
        {Pip, true, true, {7, 8}, "100000"},        // bypass overrides mosaic
        {None, true, true, {7}, "110110"},          // mosaic alone wins over bypass alone
        {None, true, false, {1}, "110011"},         // bypass alone, composite in use
        {None, true, false, {9}, "111011"},         // bypass alone, EXT. in use
        {Text, false, false, {0, 7}, "010000"},     // plain TEXT
        {PipAlt, false, false, {0, 7}, "111100"},   // blinking PIP/POP: source rules too
        {TextAlt, false, false, {4}, "110000"},     // blinking TEXT: source rules too
        {Pip, false, false, {10, 0}, "000011"},     // YPbPr overrides PIP/POP
        {PipAlt, false, false, {10, 7}, "000011"},  // YPbPr stops the DVI rule
        {None, false, false, {8}, "111010"},        // HDMI
        {None, false, false, {9}, "101010"}         // EXT. only: no change
    };
    const auto ruled = {Control::Pip,    Control::Text,   Control::Bypass,
                        Control::Mosaic, Control::Freeze, Control::SrcYPbPr};
    for (const auto& c : cases) {
        PanelState s;
        for (Control b : {Control::Pip, Control::Bypass, Control::Freeze}) s.enable(b, true);
        if (c.mode) s.*c.mode = true;
        s.bypassFlag = c.bypass;
        s.mosaicFlag = c.mosaic;
        for (unsigned code : c.inUse) s.sourceInUse[code] = true;
        applyFunctionRules(s);
        EXPECT_EQ(enabledBits(s, ruled), c.expected) << "row " << &c - cases;
    }
}

}  // namespace
}  // namespace tvq
