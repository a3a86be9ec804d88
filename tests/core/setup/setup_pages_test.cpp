#include <gtest/gtest.h>

#include "core/link/commands.h"
#include "core/setup/setup_frames.h"
#include "core/setup/setup_pages.h"
#include "core/wall/mosaic_device.h"

namespace tvq::setup {
namespace {

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
        {0xFF, 0x07, 1, std::nullopt},        // no status at all
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
        {rectFrame(1, RectTarget::Output, saveCodeOf(3), r), {0x8A, 0, 0, 2, 4, 0, 0, 4, 3, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::vector<std::uint8_t>(c.frame.begin() + 2, c.frame.begin() + 12),
                  c.bytes2to11)
            << hexBytes(c.frame);
        EXPECT_TRUE(checkByteOk(c.frame)) << hexBytes(c.frame);
    }
}

}  // namespace
}  // namespace tvq::setup
