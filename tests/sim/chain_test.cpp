#include "sim/chain.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "core/link/commands.h"
#include "core/link/status_reply.h"

namespace tvq::sim {
namespace {

using Bytes = std::vector<std::pair<std::size_t, std::uint8_t>>;

constexpr std::array<std::uint8_t, 3> kLine{1, 2, 3};

struct Step {
    CommandFrame frame;
    std::uint8_t page;
    Bytes expected;  // bytes of that page afterwards
};

// One processor through a run of writes: each is acknowledged in the reply shape and shows up
// on the page that reports it. Sources, transitions, PIP modes, windows and levels written by
// the controller are read back end to end; here, the rules only the simulator keeps.
TEST(SimChain, WritesAreAcknowledgedAndReportedOnTheirPage) {
    const auto to1 = [](std::uint8_t command, std::initializer_list<std::uint8_t> data) {
        return makeFrame(1, command, data);
    };
    const std::vector<Step> steps{
        {to1(cmd::kMainSource, {3}), 0, {{7, 0x10}}},  // code 3 names no source
        {to1(cmd::kPipSource, {7}), 0, {{7, 0x70}, {9, 1}}},
        {to1(cmd::kTextSource, {6}), 0, {{7, 0x60}, {9, 0}}},  // VGA2, without a signal
        {to1(cmd::kPip, {1}), 0, {{4, 1}}},  // PIP blinks without the second signal
        {to1(cmd::kPipSource, {8}), 0, {{4, 3}, {7, 0x80}}},
        {to1(cmd::kText, {1}), 0, {{4, 5}}},  // TEXT replaces PIP
        {to1(cmd::kFreeze, {1}), 0, {{6, 0x01}}},
        {to1(cmd::kMosaic, {1}), 0, {{6, 0x05}}},
        {to1(cmd::kPipMode, {2}), 0, {{10, 2}}},
        {to1(cmd::kPipMode, {4}), 0, {{10, 2}}}  // no such mode
    };
    Chain chain(kLine);
    for (const Step& s : steps) {
        SCOPED_TRACE(hexBytes(s.frame));
        const auto ack = chain.deliver(s.frame);
        ASSERT_EQ(ack.size(), 1u);
        EXPECT_EQ(ack[0][2], s.frame[2]);
        EXPECT_NE(ack[0][6], 0xFF);  // an acknowledgement, not a reply without status
        const auto page = chain.deliver(pageQuery(1, s.page));
        ASSERT_EQ(page.size(), 1u);
        EXPECT_TRUE(checkByteOk(page[0]));
        EXPECT_EQ(page[0][2], cmd::kReadPage);
        for (auto [index, value] : s.expected) EXPECT_EQ(page[0][index], value) << "byte " << index;
    }
}

// Only the addressed processor answers; a broadcast changes every one and gets no reply; a frame
// that is not sound or is for nobody is ignored.
TEST(SimChain, AddressingAndBroadcast) {
    CommandFrame badCheck = makeFrame(1, cmd::kMainSource, {8});
    badCheck[12] ^= 0x40;
    Chain chain(kLine);
    for (const CommandFrame& f :
         {badCheck, makeFrame(9, cmd::kMainSource, {8}), makeFrame(1, 0x89, {8}),
          makeFrame(1, 0x00), makeFrame(kBroadcast, cmd::kBrightness, {90}), pageQuery(kBroadcast)})
        EXPECT_TRUE(chain.deliver(f).empty()) << hexBytes(f);
    EXPECT_EQ(chain.deliver(makeFrame(2, cmd::kMainSource, {8})).size(), 1u);
    for (std::uint8_t address : kLine) {
        const auto replies = chain.deliver(pageQuery(address));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(checkStatusReply(replies[0], address), StatusCheck::Ok);
        EXPECT_EQ(decodeStatus(replies[0]).mainSource, address == 2 ? 8 : 0);
        EXPECT_EQ(chain.find(address)->state().brightness, 90);
    }
}

}  // namespace
}  // namespace tvq::sim
