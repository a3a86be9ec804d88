// The simulator's output format per address, and pages it leaves unanswered.

#include <gtest/gtest.h>

#include "sim/console.h"
#include "sim/options.h"
#include "sim/pages.h"
#include "sim/sim_core.h"

namespace tvq::sim {
namespace {

// Good lists show end to end in `tvq418ctl settings` and the wall run; here, the refused ones.
TEST(SimOutputFormat, RefusesWhatNamesNoFormatOrAddress) {
    for (const char* bad : {"10", "0:3", "1:", "a", "1:2,", "300:1"})
        EXPECT_FALSE(parseOptions({"--tcp", "0", "--output-format", bad}).options) << bad;
}

TEST(SimMutedPages, ListedPagesGoUnansweredOthersAndWritesStillAnswer) {
    EXPECT_EQ(parsePageSet("0-2,4-14"), 0x7FF7u);
    EXPECT_EQ(parsePageSet("none"), 0u);
    for (const char* bad : {"", "3-1", "32", "1,,2", "a", "-3"})
        EXPECT_EQ(parsePageSet(bad), std::nullopt) << bad;

    SimCore core(std::vector<std::uint8_t>{1});
    ASSERT_EQ(runConsoleLine("mute 1 0-2,4-14", core).text, "ok\n");
    const auto answers = [&](const CommandFrame& frame) {
        return core.withChain([&](Chain& c) { return !c.deliver(frame).empty(); });
    };
    EXPECT_TRUE(answers(pageQuery(1, 3)));
    EXPECT_FALSE(answers(pageQuery(1, 0)));
    EXPECT_FALSE(answers(pageQuery(1, 5)));
    EXPECT_TRUE(answers(makeFrame(1, 0x91, {10})));
}

}  // namespace
}  // namespace tvq::sim
