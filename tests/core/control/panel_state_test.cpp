#include "core/control/panel_state.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/link/commands.h"

namespace tvq {
namespace {

constexpr std::uint8_t kAddr = 1;

struct Reply {
    std::uint8_t mode = 0, sources = 0, mainSignal = 1, subSignal = 1;
    std::uint8_t flags = 0, transition = 0, pipMode = 0, ext = 0, address = kAddr;
};

PanelState decode(const std::vector<Reply>& replies, bool timerRunning = false) {
    PanelState s = PanelState::initial();
    for (const Reply& r : replies) {
        const CommandFrame f = makeFrame(r.address, cmd::kReadPage,
                                         {0, r.mode, r.transition, r.flags, r.sources, r.mainSignal,
                                          r.subSignal, r.pipMode, r.ext});
        applyStatusReply(s, f, kAddr, timerRunning);
    }
    return s;
}

// "V1 PIP | EXT": the lights shown, a bar, then the blinking ones.
std::string lightText(const PanelState& s) {
    static constexpr std::array<const char*, kLightCount> names{
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
    struct Case {
        std::vector<Reply> replies;
        const char* lights;
    };
    const Case cases[] = {
        {{{.sources = 0x09, .mainSignal = 0}}, "| EXT"},
        {{{.sources = 0x09, .mainSignal = 0}, {.sources = 0x09}}, "EXT |"},
        {{{.mode = 1, .sources = 0x80, .pipMode = 1}}, "V1 M2 | PIP"},
        {{{.mode = 3, .sources = 0x80, .pipMode = 1}, {.sources = 0x50}}, "V1 |"},
        // The device keeps reporting the second source after PIP/POP ends.
        {{{.mode = 3, .sources = 0x80}, {.sources = 0x80}}, "V1 |"},
        {{{.sources = 0x05}, {.sources = 0x07}}, "DVI |"},
        {{{.mode = 3, .sources = 0x53, .subSignal = 0}}, "PIP M1 | VGA1"},
        // Main and second picture swapped: the old second light is the new main light.
        {{{.mode = 3, .sources = 0x75}, {.mode = 3, .sources = 0x57}}, "DVI VGA1 PIP M1 |"},
        {{{.mode = 5, .sources = 0x80}, {.mode = 3, .sources = 0x80, .pipMode = 2}},
         "V1 HDMI PIP M3 |"},
        {{{.mode = 5, .sources = 0x80, .subSignal = 0}}, "V1 TEXT | HDMI"},
        {{{.flags = 0x07}}, "V1 BYPASS FREEZE MOSAIC |"},
        {{{.mode = 3, .pipMode = 2}, {.mode = 3, .pipMode = 9}}, "V1 PIP M3 |"},
        {{{.sources = 0x05}, {.sources = 0x07, .address = 2}}, "VGA1 |"},
    };
    for (const Case& c : cases) EXPECT_EQ(lightText(decode(c.replies)), c.lights);
}

TEST(StatusReply, FlagsRadiosAndButtons) {
    PanelState s = decode({{.mode = 4, .sources = 0x87, .transition = 2, .ext = 3}});
    EXPECT_TRUE(s.textAltFlag && !s.pipFlag && !s.pipAltFlag && !s.textFlag);
    EXPECT_EQ(s.transitionMark, 2);
    EXPECT_EQ(s.extMark, 3);
    EXPECT_EQ(s.mainSourceGroup, 'B');
    EXPECT_TRUE(s.mainIsDviFlag && s.sourceInUse[7] && s.sourceInUse[8]);

    // Out-of-range radios clear the marks; the EXT. type and the DVI flag survive.
    s = decode({{.sources = 0x07, .ext = 3},
                {.sources = 0x07, .mainSignal = 0, .transition = 4, .ext = 5}});
    EXPECT_EQ(s.transitionMark, -1);
    EXPECT_EQ(s.extMark, -1);
    EXPECT_EQ(s.extInputType, 3);
    EXPECT_TRUE(s.mainIsDviFlag);

    struct Case {
        Reply reply;
        bool modeButtons, vgaAuto;
    };
    for (const Case& c :
         {Case{{.sources = 0x05}, false, true},
          Case{{.sources = 0x06, .flags = 0x02}, false, false},
          Case{{.mode = 1, .sources = 0x05}, true, false},
          Case{{.mode = 5, .sources = 0x06}, false, true}, Case{{.sources = 0x07}, false, false}}) {
        s = decode({c.reply});
        EXPECT_EQ(s.isEnabled(Control::M4), c.modeButtons) << int(c.reply.sources);
        EXPECT_EQ(s.isEnabled(Control::VgaAuto), c.vgaAuto) << int(c.reply.sources);
    }

    EXPECT_TRUE(decode({{.sources = 0x07}}, false).isEnabled(Control::Mosaic));
    EXPECT_FALSE(decode({{.sources = 0x07}}, true).isEnabled(Control::Mosaic));  // timer running
}

TEST(FunctionRules, Table) {
    enum Mode { None, Pip, PipAlt, Text, TextAlt };
    struct Case {
        Mode mode;
        bool bypass, mosaic;
        std::vector<unsigned> inUse;
        const char* expected;  // PIP TEXT BYPASS MOSAIC FREEZE YPbPr; untouched keep "101010"
    };
    const Case cases[] = {
        {Pip, false, true, {0, 8}, "100100"},       // mosaic with PIP/POP
        {Text, false, true, {0, 8}, "010100"},      // mosaic with TEXT
        {Pip, true, false, {5, 8}, "100000"},       // bypass with PIP/POP
        {TextAlt, true, false, {5, 8}, "010000"},   // bypass with TEXT
        {Pip, true, true, {7, 8}, "100000"},        // bypass overrides mosaic
        {None, false, true, {7}, "110110"},         // mosaic alone
        {None, true, true, {7}, "110110"},          // mosaic alone wins over bypass alone
        {None, true, false, {5}, "111011"},         // bypass alone
        {None, true, false, {1}, "110011"},         // bypass alone, composite in use
        {None, true, false, {9}, "111011"},         // bypass alone, EXT. in use
        {Pip, false, false, {5, 7}, "100000"},      // plain PIP/POP
        {Text, false, false, {0, 7}, "010000"},     // plain TEXT
        {PipAlt, false, false, {0, 7}, "111100"},   // blinking PIP/POP: source rules too
        {TextAlt, false, false, {4}, "110000"},     // blinking TEXT: source rules too
        {Pip, false, false, {10, 0}, "000011"},     // YPbPr overrides PIP/POP
        {None, true, false, {10}, "000011"},        // YPbPr overrides bypass
        {PipAlt, false, false, {10, 7}, "000011"},  // YPbPr stops the DVI rule
        {None, false, false, {7}, "111110"},        // DVI
        {None, false, false, {8}, "111010"},        // HDMI
        {None, false, false, {4}, "110010"},        // S-VIDEO
        {None, false, false, {9}, "101010"},        // EXT. only: no change
        {None, false, false, {}, "101010"},
    };
    constexpr std::array<Control, 6> ruled{Control::Pip,    Control::Text,   Control::Bypass,
                                           Control::Mosaic, Control::Freeze, Control::SrcYPbPr};
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        PanelState s;
        for (std::size_t i = 0; i < ruled.size(); ++i) s.enable(ruled[i], i % 2 == 0);
        s.pipFlag = c.mode == Pip;
        s.pipAltFlag = c.mode == PipAlt;
        s.textFlag = c.mode == Text;
        s.textAltFlag = c.mode == TextAlt;
        s.bypassFlag = c.bypass;
        s.mosaicFlag = c.mosaic;
        for (unsigned code : c.inUse) s.sourceInUse[code] = true;
        applyFunctionRules(s);
        std::string got;
        for (Control b : ruled) got += s.isEnabled(b) ? '1' : '0';
        EXPECT_EQ(got, c.expected) << "row " << row;
    }
}

TEST(PanelState, InitialIsDisconnected) {
    PanelState s = PanelState::initial();
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const auto c = static_cast<Control>(i);
        EXPECT_EQ(s.isEnabled(c), c == Control::Connect || c == Control::VgaAuto) << i;
    }
    EXPECT_TRUE(s.lightShown.none() && s.blinkSet.none());
    EXPECT_EQ(s.transitionMark + s.extMark, -2);
    s.setOperationControls(true);
    EXPECT_EQ(s.enabled.count(), kOperationControlCount + 2);
    EXPECT_TRUE(s.isEnabled(Control::FastMS) && !s.isEnabled(Control::M1));
    EXPECT_FALSE(sourceLight(3) || sourceControl(11));
}

}  // namespace
}  // namespace tvq
