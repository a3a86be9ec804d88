// Every setup write lands in the simulated processor and reads back through the setup's own
// decoders: the simulator and the core agree on every byte of every page.

#include <gtest/gtest.h>

#include <functional>

#include "core/setup/read_back.h"
#include "core/setup/setup_frames.h"
#include "sim/options.h"
#include "sim/processor.h"

namespace tvq::sim {
namespace {

using namespace tvq::setup;

CommandFrame readPage(Processor& p, std::uint8_t page) {
    const auto reply = p.handle(pageQuery(p.address(), page));
    EXPECT_TRUE(reply && isPageReply(*reply, p.address())) << int(page);
    return reply.value_or(CommandFrame{});
}

struct WriteCase {
    const char* name;
    CommandFrame frame;
    std::function<bool(Processor&)> readsBack;
};

TEST(SimSetupState, EveryWriteIsAcknowledgedAndReadsBack) {
    const WindowRect r{512, 128, 384, 64};
    const std::vector<WriteCase> cases{
        {"brightness", brightnessFrame(3, 40),
         [](Processor& p) { return decodePicturePage(readPage(p, 5)).brightness == 40; }},
        {"saturation", saturationFrame(3, 99),
         [](Processor& p) { return decodePicturePage(readPage(p, 5)).saturation == 99; }},
        {"bias", biasFrame(3, 7),
         [](Processor& p) { return decodePicturePage(readPage(p, 5)).bias == 7; }},
        {"sharpness", sharpnessFrame(3, true),
         [](Processor& p) { return decodePicturePage(readPage(p, 5)).sharp; }},
        {"audio", audioFrame(3, 10, 8),
         [](Processor& p) {
             const PicturePage page = decodePicturePage(readPage(p, 5));
             return page.audio1 == 10 && page.audio2 == 8;
         }},
        {"hot spare", hotSpareFrame(3, {true, false, true, true}),
         [](Processor& p) {
             return decodePicturePage(readPage(p, 5)).hotSpare ==
                    std::array<bool, 4>{true, false, true, true};
         }},
        {"text key", textKeyFrame(3, true, {8, 252, 0}),
         [](Processor& p) {
             return decodeTextKeyPage(readPage(p, 6)) == TextKeyPage{true, {8, 252, 0}};
         }},
        {"sync mosaic", syncMosaicFrame(3, true),
         [](Processor& p) { return decodeInputPage(readPage(p, 4)).syncMosaic; }},
        {"input window", rectFrame(3, RectTarget::Input, 0, r),
         [&](Processor& p) { return decodeInputPage(readPage(p, 4)).input == r; }},
        {"output window", rectFrame(3, RectTarget::Output, 0, r),
         [&](Processor& p) { return decodeOutputPage(readPage(p, 3)).output == r; }},
        {"main window M3", rectFrame(3, RectTarget::Main, saveCodeOf(2), r),
         [&](Processor& p) {
             return decodeModeRectPage(readPage(p, modeMainPage(2))).rect == r &&
                    decodeModeRectPage(readPage(p, modeMainPage(1))).rect != r;
         }},
        {"PIP window M4", rectFrame(3, RectTarget::Pip, saveCodeOf(3), r),
         [&](Processor& p) {
             return decodeRectPage(readPage(p, modePipPage(3))) == r &&
                    decodeModeRectPage(readPage(p, modeMainPage(3))).rect != r;
         }},
    };
    for (const WriteCase& c : cases) {
        Processor p(3);
        const auto ack = p.handle(c.frame);
        ASSERT_TRUE(ack) << c.name;
        EXPECT_EQ(judgeWrite(13, c.frame, *ack), WriteOutcome::Accepted) << c.name;
        EXPECT_TRUE(c.readsBack(p)) << c.name;
    }
}

TEST(SimSetupState, CurrentModePagesFollowThePipMode) {
    Processor p(1);
    p.handle(rectFrame(1, RectTarget::Pip, saveCodeOf(1), {256, 0, 192, 0}));
    p.state().pipMode = 1;
    EXPECT_EQ(decodeModeRectPage(readPage(p, kMainPage)).mode, 1);
    EXPECT_EQ(decodeRectPage(readPage(p, kPipPage)), (WindowRect{256, 0, 192, 0}));
}

TEST(SimSetupState, OutputFormatOptionGivesEachAddressItsResolution) {
    const auto parsed =
        parseOptions({"--tcp", "0", "--addresses", "1,2", "--output-format", "1:7,2:9"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> expected{{1, 7}, {2, 9}};
    EXPECT_EQ(parsed.options->outputFormats, expected);
    for (const char* bad : {"10", "0:3", "1:", "a", "1:2,", "300:1"})
        EXPECT_FALSE(parseOptions({"--tcp", "0", "--output-format", bad}).options) << bad;

    Processor p(2);
    ASSERT_TRUE(p.state().setOutputFormat(9));
    EXPECT_EQ(decodeOutputPage(readPage(p, 3)), (OutputPage{9, {2048, 0, 1152, 0}}));
    EXPECT_FALSE(p.state().setOutputFormat(10));
    EXPECT_EQ(p.state().outputFormat, 9);
}

}  // namespace
}  // namespace tvq::sim
