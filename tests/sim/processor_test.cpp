#include "sim/processor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/link/commands.h"
#include "sim/pages.h"

namespace tvq::sim {
namespace {

using Bytes = std::vector<std::pair<std::size_t, std::uint8_t>>;

CommandFrame withRect(std::uint8_t command, std::uint8_t byte3, Rect r) {
    CommandFrame f = makeFrame(1, command, {byte3});
    writeRect(f, r);
    f[12] = frameCheck(f);
    return f;
}

// Rectangle bytes 4..11 of r, high byte first, as a page reports them.
Bytes rectBytes(Rect r) {
    return {{4, r.x >> 8}, {5, r.x & 0xFF}, {6, r.width >> 8},   {7, r.width & 0xFF},
            {8, r.y >> 8}, {9, r.y & 0xFF}, {10, r.height >> 8}, {11, r.height & 0xFF}};
}

Bytes plus(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct WriteCase {
    const char* what;
    CommandFrame frame;
    std::uint8_t page;
    Bytes expected;  // bytes of that page after the write
};

// Names the case in test listings, instead of dumping its bytes.
void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.what;
}

class SimProcessorWrite : public testing::TestWithParam<WriteCase> {};

// Every write is acknowledged in the reply shape and shows up in the page that reports it.
TEST_P(SimProcessorWrite, AcknowledgesAndReportsOnItsPage) {
    const WriteCase& c = GetParam();
    Processor p(1);
    const auto ack = p.handle(c.frame);
    ASSERT_TRUE(ack) << c.what;
    EXPECT_EQ((*ack)[0], kFrameStart);
    EXPECT_EQ((*ack)[1], 1);
    EXPECT_EQ((*ack)[2], c.frame[2]);
    EXPECT_NE((*ack)[6], 0xFF);
    EXPECT_TRUE(checkByteOk(*ack));

    const auto page = p.handle(pageQuery(1, c.page));
    ASSERT_TRUE(page);
    EXPECT_TRUE(checkByteOk(*page));
    EXPECT_EQ((*page)[2], cmd::kReadPage);
    for (auto [index, value] : c.expected)
        EXPECT_EQ((*page)[index], value) << c.what << ", page " << int(c.page) << " byte " << index;
}

constexpr Rect kOdd{0x0123, 0x0456, 0x0089, 0x02F0};  // high bytes nonzero, to catch byte order

INSTANTIATE_TEST_SUITE_P(
    AllWrites, SimProcessorWrite,
    testing::Values(
        WriteCase{"main source HDMI", makeFrame(1, cmd::kMainSource, {8}), 0, {{7, 0x18}, {8, 1}}},
        WriteCase{"PIP source DVI", makeFrame(1, cmd::kPipSource, {7}), 0, {{7, 0x70}, {9, 1}}},
        WriteCase{"text source VGA2", makeFrame(1, cmd::kTextSource, {6}), 0, {{7, 0x60}, {9, 0}}},
        WriteCase{"PIP on", makeFrame(1, cmd::kPip, {1}), 0, {{4, 3}}},
        WriteCase{"TEXT on", makeFrame(1, cmd::kText, {1}), 0, {{4, 5}}},
        WriteCase{"freeze", makeFrame(1, cmd::kFreeze, {1}), 0, {{6, 0x01}}},
        WriteCase{"bypass", makeFrame(1, cmd::kBypass, {1}), 0, {{6, 0x02}}},
        WriteCase{"mosaic", makeFrame(1, cmd::kMosaic, {1}), 0, {{6, 0x04}}},
        WriteCase{"PIP mode M3", makeFrame(1, cmd::kPipMode, {2}), 0, {{10, 2}}},
        WriteCase{"fade 1.5 s", makeFrame(1, cmd::kTransition, {3}), 0, {{5, 3}}},
        WriteCase{"output window", withRect(cmd::kOutputWindow, 0, kOdd), 3, rectBytes(kOdd)},
        WriteCase{"input window", withRect(cmd::kInputWindow, 0, kOdd), 4, rectBytes(kOdd)},
        WriteCase{"sync mosaic", makeFrame(1, cmd::kSyncMosaic, {1}), 4, {{3, 0x02}}},
        WriteCase{"M1 main", withRect(0x8B, 0, kOdd), 7, plus({{3, 0}}, rectBytes(kOdd))},
        WriteCase{"M1 PIP", withRect(0x8B, 1, kOdd), 8, rectBytes(kOdd)},
        WriteCase{"M4 main", withRect(0x8E, 0, kOdd), 13, plus({{3, 3}}, rectBytes(kOdd))},
        WriteCase{"M4 PIP", withRect(0x8E, 1, kOdd), 14, rectBytes(kOdd)},
        WriteCase{"bias", makeFrame(1, cmd::kBias, {77}), 5, {{3, 77}}},
        WriteCase{"brightness", makeFrame(1, cmd::kBrightness, {64}), 5, {{4, 64}}},
        WriteCase{"saturation", makeFrame(1, cmd::kSaturation, {99}), 5, {{5, 99}}},
        WriteCase{"sharp", makeFrame(1, cmd::kSharpness, {1}), 5, {{6, 1}}},
        WriteCase{"audio HDMI/V1", makeFrame(1, cmd::kAudio, {8, 0}), 5, {{7, 0x80}}},
        WriteCase{"hot spare HDMI>>DVI", makeFrame(1, cmd::kHotSpare, {0, 0, 1, 0}), 5, {{8, 4}}},
        WriteCase{"text key",
                  makeFrame(1, cmd::kTextKey, {1, 10, 20, 255}),
                  6,
                  {{3, 1}, {4, 10}, {5, 20}, {6, 255}}}),
    [](const testing::TestParamInfo<WriteCase>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

TEST(SimProcessor, CurrentModePagesFollowThePipMode) {
    Processor p(1);
    const Rect main{100, 200, 300, 400};
    const Rect pip{2, 4, 6, 8};
    p.handle(withRect(0x8D, 0, main));
    p.handle(withRect(0x8D, 1, pip));
    p.handle(makeFrame(1, cmd::kPipMode, {2}));
    const CommandFrame page1 = *p.handle(pageQuery(1, 1));
    EXPECT_EQ(page1[3], 2);
    EXPECT_EQ(readRect(page1), main);
    EXPECT_EQ(readRect(*p.handle(pageQuery(1, 2))), pip);
}

struct PictureCase {
    const char* what;
    bool subSignal;
    std::vector<CommandFrame> commands;
    std::uint8_t mode;
};

TEST(SimProcessor, PictureModeBlinksWithoutSecondSignal) {
    const std::vector<PictureCase> cases{
        {"PIP with signal", true, {makeFrame(1, cmd::kPip, {1})}, 3},
        {"PIP without signal", false, {makeFrame(1, cmd::kPip, {1})}, 1},
        {"TEXT with signal", true, {makeFrame(1, cmd::kText, {1})}, 5},
        {"TEXT without signal", false, {makeFrame(1, cmd::kText, {1})}, 4},
        {"TEXT replaces PIP",
         true,
         {makeFrame(1, cmd::kPip, {1}), makeFrame(1, cmd::kText, {1})},
         5},
        {"PIP off", true, {makeFrame(1, cmd::kPip, {1}), makeFrame(1, cmd::kPip, {0})}, 0},
        {"source change keeps PIP",
         true,
         {makeFrame(1, cmd::kPip, {1}), makeFrame(1, cmd::kPipSource, {8})},
         3},
    };
    for (const PictureCase& c : cases) {
        Processor p(1);
        p.state().signal[p.state().subSource] = c.subSignal;
        for (const CommandFrame& f : c.commands) p.handle(f);
        EXPECT_EQ((*p.handle(pageQuery(1)))[4], c.mode) << c.what;
    }
}

TEST(SimProcessor, IgnoresWhatItDoesNotKnow) {
    Processor p(1);
    const ProcessorState before = p.state();
    EXPECT_FALSE(p.handle(makeFrame(1, 0x89, {1})));
    EXPECT_FALSE(p.handle(makeFrame(1, 0x00)));
    // Codes that name no source leave the selection alone but are still acknowledged.
    EXPECT_TRUE(p.handle(makeFrame(1, cmd::kMainSource, {3})));
    EXPECT_TRUE(p.handle(makeFrame(1, cmd::kPipSource, {11})));
    EXPECT_TRUE(p.handle(makeFrame(1, cmd::kPipMode, {4})));
    EXPECT_EQ(p.state().mainSource, before.mainSource);
    EXPECT_EQ(p.state().subSource, before.subSource);
    EXPECT_EQ(p.state().pipMode, before.pipMode);
}

TEST(SimProcessor, PagesPastTheLastAreEmpty) {
    Processor p(7);
    const CommandFrame page = *p.handle(pageQuery(7, 200));
    EXPECT_EQ(page, makeFrame(7, cmd::kReadPage, {200}));
}

TEST(SimProcessor, DefaultRectanglesDifferPerMode) {
    Processor p(1);
    for (std::uint8_t m = 1; m < kPipModes; ++m)
        EXPECT_NE(readRect(*p.handle(pageQuery(1, 8 + 2 * m))),
                  readRect(*p.handle(pageQuery(1, 8))));
}

}  // namespace
}  // namespace tvq::sim
