#include <gtest/gtest.h>

#include <limits>

#include "core/wall/mosaic_layout.h"

namespace tvq {
namespace {

std::vector<WallEntry> entries(std::initializer_list<std::optional<int>> values) {
    std::vector<WallEntry> list;
    for (auto v : values) list.push_back(v ? WallEntry{*v} : std::nullopt);
    return list;
}

WallLayout layout(unsigned rows, unsigned columns, unsigned selected,
                  std::initializer_list<std::optional<int>> widths,
                  std::initializer_list<std::optional<int>> heights, Resolution res = {},
                  std::uint16_t bezelH = 0, std::uint16_t bezelV = 0) {
    return {rows, columns, selected, entries(widths), entries(heights), res, bezelH, bezelV};
}

struct CalcCase {
    const char* name;
    WallLayout layout;
    WallWindows expected;
};

TEST(Wall, CalculatesTheEightValues) {
    // Input windows are {width, height, x, y}.
    for (const CalcCase& c :
         {CalcCase{
              "OneScreen", layout(1, 1, 0, {1024}, {768}), {{1024, 768, 0, 0}, {1024, 768, 0, 0}}},
          CalcCase{
              "NarrowestWidth", layout(1, 1, 0, {64}, {768}), {{1024, 768, 0, 0}, {64, 768, 0, 0}}},
          // Row 1's widths and column 1's heights of other cells are neither checked nor used.
          CalcCase{"UncheckedEntries",
                   layout(2, 2, 0, {512, 512, std::nullopt, -3}, {384, 9, 384, std::nullopt}),
                   {{512, 384, 0, 0}, {512, 384, 0, 0}}},
          // The remainder column stays uncovered: 533 + 490 = 1023.
          CalcCase{"RowLeft",
                   layout(1, 2, 0, {1000, 920}, {700, 700}),
                   {{533, 768, 0, 0}, {1000, 700, 0, 0}}},
          // 82 / 160 is formed first: 0.5125 * 1600 = 819.99..., cut to 819.
          CalcCase{"QuotientFirst",
                   layout(1, 2, 0, {82, 78}, {100, 100}, {1600, 1200}),
                   {{819, 1200, 0, 0}, {82, 100, 0, 0}}},
          // Cell 2's start comes from cell 0's height; cell 3's height is its own, over 0 and 2.
          CalcCase{"SecondRowStart",
                   layout(2, 2, 2, {500, 500, 600, 400}, {300, 111, 500, 222}),
                   {{614, 480, 0, 288}, {600, 500, 0, 0}}},
          CalcCase{"OwnHeight",
                   layout(2, 2, 3, {500, 500, 600, 400}, {300, 111, 500, 400}),
                   {{409, 384, 614, 288}, {400, 400, 0, 0}}},
          // Bezels shrink the first cell's share, but it still starts at 0.
          CalcCase{"BezelFirstCellKeepsZeroStart",
                   layout(2, 2, 0, {512, 512, 512, 512}, {384, 384, 384, 384}, {}, 16, 16),
                   {{504, 376, 0, 0}, {512, 384, 0, 0}}}}) {
        const WallCalculation calc = CalculateWindows(c.layout);
        ASSERT_TRUE(calc.failures.empty()) << c.name;
        ASSERT_TRUE(calc.windows.has_value()) << c.name;
        EXPECT_EQ(calc.windows->input, c.expected.input) << c.name;
        EXPECT_EQ(calc.windows->output, c.expected.output) << c.name;
    }
}

struct FailCase {
    const char* name;
    WallLayout layout;
    std::vector<WallFailure> expected;
};

constexpr auto kW = WallCheck::WidthRange;
constexpr auto kV = WallCheck::VerticalEmpty;
constexpr auto kHt = WallCheck::HeightRange;
constexpr auto kRange = MessageId::WallDataOutOfRange;

TEST(Wall, RefusesWithTheFirstFailureOfEachSide) {
    for (const FailCase& c :
         {FailCase{"WidthBelow64", layout(1, 1, 0, {63}, {768}), {{kW, 0, kRange, 1024}}},
          FailCase{
              "NegativeWidthIsTooLarge", layout(1, 1, 0, {-100}, {768}), {{kW, 0, kRange, 1024}}},
          FailCase{"HeightInSecondRow",
                   layout(2, 1, 0, {1024, 1024}, {384, 769}, {}),
                   {{kHt, 1, kRange, 768}}},
          FailCase{"ResolutionScalesTheRange",
                   layout(1, 1, 0, {1366}, {800}, {1366, 768}),
                   {{kHt, 0, kRange, 768}}},
          // The selected cell's own height makes its input height, so it is checked like
          // the first column's: a huge one would otherwise overflow the result.
          FailCase{"SelectedOwnHeight",
                   layout(1, 2, 1, {512, 512}, {384, 2147483647}),
                   {{kHt, 1, kRange, 768}}},
          FailCase{"SelectedOwnHeightEmpty",
                   layout(1, 2, 1, {512, 512}, {384, std::nullopt}),
                   {{kV, 1, MessageId::WallVerticalEmpty, 768}}}}) {
        const WallCalculation calc = CalculateWindows(c.layout);
        EXPECT_FALSE(calc.windows.has_value()) << c.name;
        EXPECT_EQ(calc.failures, c.expected) << c.name;
    }
}

TEST(Wall, InvalidLayoutCalculatesNothing) {
    for (WallLayout bad :
         {layout(1, 2, 2, {512, 512}, {384, 384}), layout(1, 2, 0, {512}, {384, 384}),
          layout(7, 1, 0, {}, {}), layout(1, 1, 0, {512}, {384}, {}, 5000)}) {
        const auto calc = CalculateWindows(bad);
        EXPECT_FALSE(calc.layoutValid);
        EXPECT_FALSE(calc.windows);
    }
}

TEST(Wall, EntryText) {
    using Limits = std::numeric_limits<std::int32_t>;
    const std::pair<const char*, WallEntry> cases[] = {{"", std::nullopt},
                                                       {"abc", 0},
                                                       {" 12x", 12},
                                                       {"-5", -5},
                                                       {"+7", 7},
                                                       {"99999999999", Limits::max()},
                                                       {"-99999999999", Limits::min()}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(wallEntryFromText(text), expected) << text;
}

TEST(Wall, SizeTooLargeIsLookedAtFirst) {
    EXPECT_EQ(checkWallSize(0, 9), MessageId::WallSpecTooLarge);
    EXPECT_EQ(checkWallSize(6, 8), std::nullopt);
}

TEST(Wall, SpinWrapsAtSixteenBits) {
    EXPECT_EQ(spinAdjusted(32767, 1), -32768);
    EXPECT_EQ(spinAdjusted(-32768, -1), 32767);
    EXPECT_EQ(spinAdjusted(-1, 1), 0);
}

}  // namespace
}  // namespace tvq
