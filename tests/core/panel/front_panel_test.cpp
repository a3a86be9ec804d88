#include "core/panel/front_panel.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/link/sources.h"

namespace tvq {
namespace {

// Byte 12 stays 0 for the exchange to fill.
CommandFrame frame(std::uint8_t address, std::uint8_t command, std::uint8_t param) {
    return {5, address, command, param};
}

// The groups decide which presses the panel refuses; names show in the client's status.
TEST(Sources, GroupsAndParsing) {
    const std::pair<unsigned, char> groups[] = {{0, 'A'}, {4, 'A'},  {5, 'C'}, {7, 'B'},
                                                {9, 'D'}, {10, 'E'}, {3, 0},   {11, 0}};
    for (const auto& [code, group] : groups) EXPECT_EQ(sourceGroup(code), group) << code;
    EXPECT_EQ(parseSource("S-Video"), 4);
    EXPECT_EQ(parseSource("VGA3"), std::nullopt);
}

TEST(SourcePress, Table) {
    enum Mode { Plain, Pip, Text };
    using enum MessageId;
    const struct {
        Mode mode;
        std::uint8_t main;
        bool mosaic, bypass;
        std::optional<std::uint8_t> ext;
        std::uint8_t code, address;
        int command;  // -1: nothing queued
        MessageId refusal;
        bool bypassButtonBefore, bypassButtonAfter;
    } cases[] = {
        {Plain, kNoSource, false, false, {}, 2, 1, 0x80, None, false, false},  // before any status
        {Plain, kNoSource, false, true, {}, 3, 1, -1, None, true, true},       // no such source
        {Pip, 1, false, false, {}, 2, 1, -1, IncorrectSource, false, false},
        {Pip, 1, false, false, {}, 8, 1, 0x82, None, false, false},
        {Text, 8, false, false, {}, 0, 0, 0x84, None, false, false},
        {Plain, 1, false, false, {}, 2, 1, 0x80, None, false, false},  // same group, no function
        {Plain, kNoSource, true, false, {}, 7, 1, 0x80, None, false, false},  // DVI passes mosaic
        {Plain, kNoSource, true, false, {}, 8, 1, -1, MosaicOnlyOff, false, false},
        // The BYPASS button follows the source even when the press is refused.
        {Plain, kNoSource, true, true, {}, 6, 1, -1, MosaicOnlyOff, false, true},
        {Plain, kNoSource, false, true, {}, 0, 1, 0x80, None, true, false},
        {Plain, kNoSource, false, true, 2, 9, 1, 0x80, None, false, true},  // EXT. carrying VGA
        {Plain, kNoSource, false, true, 1, 9, 1, 0x80, None, true, false},  // EXT. carrying SDI
        {Plain, kNoSource, false, true, {}, 9, 1, 0x80, NotExtModel, false, false},
        {Plain, kNoSource, true, true, 3, 9, 1, -1, MosaicOnlyOff, false, true},
        {Plain, kNoSource, false, false, 0, 9, 1, 0x80, None, false, false}};
    for (const auto& c : cases) {
        PanelState s;
        s.pipAltFlag = c.mode == Pip;
        s.textFlag = c.mode == Text;
        s.mainSource = c.main;
        s.mainSourceGroup = sourceGroup(c.main);
        s.mosaicFlag = c.mosaic;
        s.bypassFlag = c.bypass;
        s.extInputType = c.ext;
        s.enable(Control::Bypass, c.bypassButtonBefore);
        std::optional<CommandFrame> want;
        if (c.command >= 0) want = frame(c.address, static_cast<std::uint8_t>(c.command), c.code);
        EXPECT_EQ(pressSource(s, c.address, c.code), (PressOutcome{want, c.refusal}))
            << "row " << &c - cases;
        EXPECT_EQ(s.isEnabled(Control::Bypass), c.bypassButtonAfter) << "row " << &c - cases;
    }
}

TEST(TogglePress, ParameterFollowsStateAndOwnFlagsFlip) {
    PanelState s;
    EXPECT_EQ(pressToggle(s, 3, Toggle::Pip).frame, frame(3, 0x81, 1));
    EXPECT_EQ(pressToggle(s, 3, Toggle::Pip).frame, frame(3, 0x81, 1));  // no flip
    s.pipAltFlag = s.textAltFlag = true;
    EXPECT_EQ(pressToggle(s, 3, Toggle::Pip).frame, frame(3, 0x81, 0));
    EXPECT_EQ(pressToggle(s, 3, Toggle::Text).frame, frame(3, 0x83, 0));
    EXPECT_EQ(pressToggle(s, 3, Toggle::Bypass).frame, frame(3, 0x85, 1));
    EXPECT_EQ(pressToggle(s, 3, Toggle::Bypass).frame, frame(3, 0x85, 0));
    s.freezeFlag = true;
    EXPECT_EQ(pressToggle(s, 3, Toggle::Mosaic).frame, frame(3, 0x86, 1));
    EXPECT_EQ(pressToggle(s, 3, Toggle::Freeze).frame, frame(3, 0x87, 0));
    EXPECT_TRUE(!s.bypassFlag && s.mosaicFlag && !s.freezeFlag);

    // Address 0 cannot report the state a toggle depends on: nothing is sent or flipped.
    for (Toggle t : {Toggle::Pip, Toggle::Text, Toggle::Bypass, Toggle::Mosaic, Toggle::Freeze}) {
        PanelState zero;
        EXPECT_EQ(pressToggle(zero, 0, t), PressOutcome{});
        EXPECT_FALSE(zero.bypassFlag || zero.mosaicFlag || zero.freezeFlag);
    }
}

TEST(UnguardedPress, FramesAndTransitionMark) {
    EXPECT_EQ(pressPipMode(4, 3).frame, frame(4, 0x98, 3));
    EXPECT_EQ(pressPipMode(4, 4), PressOutcome{});
    // The mark waits for the device's report, except at address 0, which reports nothing.
    PanelState s;
    EXPECT_EQ(pressTransition(s, 0, 1).frame, frame(0, 0x99, 1));
    EXPECT_EQ(s.transitionMark, 1);
    EXPECT_EQ(pressTransition(s, 1, 2).frame, frame(1, 0x99, 2));
    EXPECT_EQ(s.transitionMark, -1);
}

}  // namespace
}  // namespace tvq
