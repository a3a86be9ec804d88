#include "sim/chain.h"

#include <gtest/gtest.h>

#include <array>

#include "core/link/commands.h"
#include "core/link/status_reply.h"

namespace tvq::sim {
namespace {

constexpr std::array<std::uint8_t, 3> kLine{1, 2, 3};

TEST(SimChain, OnlyTheAddressedProcessorAnswers) {
    Chain chain(kLine);
    chain.deliver(makeFrame(2, cmd::kMainSource, {8}));
    for (std::uint8_t address : kLine) {
        const auto replies = chain.deliver(pageQuery(address));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(checkStatusReply(replies[0], address), StatusCheck::Ok);
        EXPECT_EQ(decodeStatus(replies[0]).mainSource, address == 2 ? 8 : 0);
    }
}

TEST(SimChain, BroadcastChangesEveryProcessorWithoutReply) {
    Chain chain(kLine);
    EXPECT_TRUE(chain.deliver(makeFrame(kBroadcast, cmd::kMosaic, {1})).empty());
    EXPECT_TRUE(chain.deliver(makeFrame(kBroadcast, cmd::kBrightness, {90})).empty());
    EXPECT_TRUE(chain.deliver(pageQuery(kBroadcast)).empty());
    for (const Processor& p : chain.processors()) {
        EXPECT_TRUE(p.state().mosaic);
        EXPECT_EQ(p.state().brightness, 90);
    }
}

TEST(SimChain, IgnoresFramesNotForAnyone) {
    Chain chain(kLine);
    CommandFrame badCheck = makeFrame(1, cmd::kMainSource, {8});
    badCheck[12] ^= 0x40;
    CommandFrame badStart = makeFrame(1, cmd::kMainSource, {8});
    badStart[0] = 4;
    badStart[12] = frameCheck(badStart);
    const std::array<CommandFrame, 3> ignored{badCheck, badStart,
                                              makeFrame(9, cmd::kMainSource, {8})};
    for (const CommandFrame& f : ignored) EXPECT_TRUE(chain.deliver(f).empty()) << hexBytes(f);
    EXPECT_EQ(chain.find(1)->state().mainSource, 0);
}

TEST(SimChain, SkipsBroadcastAndRepeatedAddresses) {
    const std::array<std::uint8_t, 4> addresses{0, 5, 5, 255};
    Chain chain(addresses);
    ASSERT_EQ(chain.processors().size(), 2u);
    EXPECT_EQ(chain.processors()[0].address(), 5);
    EXPECT_EQ(chain.processors()[1].address(), 255);
}

}  // namespace
}  // namespace tvq::sim
