// The simulator's output format per address: the option and what page 3 then reports.

#include <gtest/gtest.h>

#include "core/setup/setup_pages.h"
#include "sim/options.h"
#include "sim/pages.h"

namespace tvq::sim {
namespace {

TEST(SimOutputFormat, OptionGivesEachAddressItsResolution) {
    const auto parsed =
        parseOptions({"--tcp", "0", "--addresses", "1,2", "--output-format", "1:7,2:9"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> expected{{1, 7}, {2, 9}};
    EXPECT_EQ(parsed.options->outputFormats, expected);
    for (const char* bad : {"10", "0:3", "1:", "a", "1:2,", "300:1"})
        EXPECT_FALSE(parseOptions({"--tcp", "0", "--output-format", bad}).options) << bad;

    ProcessorState s = defaultState(2);
    ASSERT_TRUE(s.setOutputFormat(9));
    EXPECT_EQ(setup::decodeOutputPage(encodePage(s, 3)),
              (setup::OutputPage{9, {2048, 0, 1152, 0}}));
    EXPECT_FALSE(s.setOutputFormat(10));
    EXPECT_EQ(s.outputFormat, 9);
}

}  // namespace
}  // namespace tvq::sim
