// The screen setup's rules: the checks on typed values, the pages it reads and the frames it
// writes.

#include "core/setup/setup_checks.h"

#include <gtest/gtest.h>

#include "core/link/commands.h"
#include "core/setup/setup_frames.h"
#include "core/setup/setup_pages.h"
#include "core/wall/mosaic_device.h"

namespace tvq::setup {
namespace {

TEST(FieldValue, ReadsWholeSignedNumbersOnly) {
    for (std::string_view text : {"", "abc", "12abc", "-", "1 2"})
        EXPECT_EQ(parseFieldValue(text), std::nullopt) << text;
    EXPECT_EQ(parseFieldValue("1024"), 1024);
    EXPECT_EQ(parseFieldValue(" -4 "), -4);
    EXPECT_EQ(parseFieldValue("99999999999999999999"), 2147483647);
    EXPECT_EQ(parseFieldValue("-99999999999999999999"), -2147483647);
}

// The wall screen's check of a window, with its own types, keeps the same rule: each row whose
// texts are numbers is put to it too.
TEST(RectCheck, RangeThenEvenInFieldOrder) {
    constexpr Resolution xga{1024, 768};
    constexpr Resolution wide{1366, 768};
    using O = CheckOutcome;
    using F = RectField;
    struct Case {
        std::array<std::string_view, 4> texts;  // width, x, height, y
        Resolution output;
        O outcome;
        F field;
    } cases[] = {
        {{"1024", "0", "768", "0"}, xga, O::Ok, F::Width},
        {{"64", "960", "64", "704"}, xga, O::Ok, F::Width},
        {{"62", "0", "768", "0"}, xga, O::OutOfRange, F::Width},
        {{"1024", "0", "64", "-2"}, xga, O::OutOfRange, F::VStart},
        {{"1366", "0", "768", "0"}, wide, O::Ok, F::Width},
        {{"1366", "0", "768", "0"}, xga, O::OutOfRange, F::Width},
        {{"100", "2", "101", "3"}, xga, O::Odd, F::Height},                  // first odd one
        {{"100", "x", "768", "0"}, xga, O::OutOfRange, F::HStart},           // not read as 0
        {{"100", "0", "64", "99999999999"}, xga, O::OutOfRange, F::Height},  // H + |Y| first
        {{"1024", "0", "48", "0"}, xga, O::OutOfRange, F::Height},
        {{"532", "3", "768", "0"}, xga, O::Odd, F::HStart},
        {{"2147483647", "-2147483647", "64", "0"}, xga, O::OutOfRange, F::Width}};
    for (const auto& c : cases) {
        const RectCheck check = checkRectTexts(c.texts, c.output);
        const auto label = "row " + std::to_string(&c - cases);
        EXPECT_EQ(check.outcome, c.outcome) << label;
        if (c.outcome != O::Ok) {
            EXPECT_EQ(check.field, c.field) << label;
        }
        const auto n = [&](int i) { return parseFieldValue(c.texts[i]); };
        if (!n(0) || !n(1) || !n(2) || !n(3)) continue;  // the wall screen takes numbers only
        const WindowCheck wall =
            checkWindow({*n(0), *n(2), *n(1), *n(3)},
                        {std::uint16_t(c.output.width), std::uint16_t(c.output.height)});
        EXPECT_EQ(int(wall.refusal), int(c.outcome)) << label;
        if (c.outcome != O::Ok) EXPECT_EQ(int(wall.field), int(c.field)) << label;
    }
    EXPECT_EQ(checkRectTexts({"64", "960", "66", "702"}, xga).rect, (WindowRect{64, 960, 66, 702}));
}

TEST(LevelCheck, RangesAndTheEvenBrightness) {
    using O = CheckOutcome;
    struct Case {
        Level level;
        std::optional<std::int32_t> value;
        O outcome;
    } cases[] = {{Level::Brightness, 64, O::Ok},
                 {Level::Brightness, -2, O::OutOfRange},
                 {Level::Brightness, 0, O::Ok},
                 {Level::Saturation, 100, O::Ok},
                 {Level::Saturation, 99, O::Ok},
                 {Level::Bias, -1, O::OutOfRange},
                 {Level::Bias, std::nullopt, O::OutOfRange}};
    for (const auto& c : cases)
        EXPECT_EQ(checkLevel(c.level, c.value), c.outcome)
            << static_cast<int>(c.level) << " " << c.value.value_or(-999);
}

TEST(Thresholds, FirstBadOneAndTheArrowSteps) {
    EXPECT_EQ(firstBadThreshold({0, 255, 128}), std::nullopt);
    EXPECT_EQ(firstBadThreshold({0, 256, -1}), 1u);
    EXPECT_EQ(firstBadThreshold({std::nullopt, 0, 0}), 0u);

    struct Case {
        int value;
        Channel channel;
        Direction direction;
        int expected;
        MessageId refusal;
    } cases[] = {{247, Channel::Red, Direction::Up, 255, MessageId::None},
                 {8, Channel::Blue, Direction::Down, 0, MessageId::None},
                 {3, Channel::Green, Direction::Down, 3, MessageId::CannotAdjustDown}};
    for (const auto& c : cases) {
        const StepResult r = stepThreshold(c.value, c.channel, c.direction);
        EXPECT_EQ(r.value, c.expected) << c.value;
        EXPECT_EQ(r.refusal, c.refusal) << c.value;
    }
}

TEST(Audio, SameChannelMovesTheChangedList) {
    EXPECT_EQ(audioPositionOfCode(3), std::nullopt);  // no source has code 3
    struct Case {
        std::size_t changed, other, position;
        bool refused;
    } cases[] = {{7, 7, 0, true}, {0, 0, 1, true}, {3, 7, 3, false}};
    for (const auto& c : cases) {
        const AudioCorrection r = sameChannelRule(c.changed, c.other);
        EXPECT_EQ(r.position, c.position);
        EXPECT_EQ(r.refused, c.refused);
    }
}

CommandFrame reply(std::initializer_list<std::uint8_t> params, std::uint8_t address = 1) {
    return makeFrame(address, cmd::kReadPage, params);
}

// The screen setup's input save and the wall's readiness are the same rule, kept twice.
TEST(Pages, StatusAllowsTheInputSaveOnlyForDviWithSignalInMosaic) {
    struct Case {
        std::uint8_t flags, sources, signal;
        std::optional<SetupStatus> expected;
    } cases[] = {
        {0x04, 0x07, 1, SetupStatus{true}},
        {0x04, 0x37, 1, SetupStatus{true}},   // the second picture's source does not matter
        {0x06, 0x07, 1, SetupStatus{false}},  // bypass on
        {0x00, 0x07, 1, SetupStatus{false}},  // mosaic off
        {0x04, 0x07, 0, SetupStatus{false}},  // no signal
        {0x04, 0x08, 1, SetupStatus{false}},  // HDMI
        {0xFF, 0x07, 1, std::nullopt}         // no status at all
    };
    for (const auto& c : cases) {
        const CommandFrame status = reply({0, 0, 0, c.flags, c.sources, c.signal});
        EXPECT_EQ(decodeSetupStatus(status), c.expected) << int(c.flags) << " " << int(c.sources);
        EXPECT_EQ(wallReady(status), c.expected && c.expected->inputSaveAllowed) << int(c.flags);
    }
}

TEST(Pages, OnlyTheAnswerToThisReadCounts) {
    EXPECT_TRUE(isPageReply(reply({3}), 1));
    EXPECT_FALSE(isPageReply(reply({3}, 2), 1));
    EXPECT_FALSE(isPageReply(makeFrame(1, cmd::kBrightness, {3}), 1));
    CommandFrame spoilt = reply({3});
    spoilt[12] ^= 0x40;
    EXPECT_FALSE(isPageReply(spoilt, 1));
    EXPECT_FALSE(isPageReply(CommandFrame{}, 0));  // a read left untouched
}

TEST(Frames, EveryWriteCarriesItsCommandAndBytes) {
    const WindowRect r{1024, 2, 768, 4};
    struct Case {
        CommandFrame frame;
        std::vector<std::uint8_t> bytes2to11;
    } cases[] = {
        {rectFrame(1, RectTarget::Main, saveCodeOf(2), r), {0x8D, 0, 0, 2, 4, 0, 0, 4, 3, 0}},
        {rectFrame(1, RectTarget::Input, saveCodeOf(3), r), {0x96, 0, 0, 2, 4, 0, 0, 4, 3, 0}},
        {rectFrame(1, RectTarget::Output, saveCodeOf(3), r), {0x8A, 0, 0, 2, 4, 0, 0, 4, 3, 0}}};
    for (const auto& c : cases) {
        EXPECT_EQ(std::vector<std::uint8_t>(c.frame.begin() + 2, c.frame.begin() + 12),
                  c.bytes2to11)
            << hexBytes(c.frame);
        EXPECT_TRUE(checkByteOk(c.frame)) << hexBytes(c.frame);
    }
}

}  // namespace
}  // namespace tvq::setup
