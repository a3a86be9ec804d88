#include "core/wall/mosaic_layout.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tvq {
namespace {

// Entries are compared as unsigned, so a negative one is simply too large.
bool inScreenRange(std::int32_t value, std::uint16_t limit) {
    const auto v = static_cast<std::uint32_t>(value);
    return v >= static_cast<std::uint32_t>(kMinScreenSize) && v <= limit;
}

std::optional<WallFailure> checkEntry(const WallEntry& entry, unsigned cell, bool horizontal,
                                      std::uint16_t limit) {
    if (!entry) {
        return WallFailure{
            horizontal ? WallCheck::HorizontalEmpty : WallCheck::VerticalEmpty, cell,
            horizontal ? MessageId::WallHorizontalEmpty : MessageId::WallVerticalEmpty, limit};
    }
    if (!inScreenRange(*entry, limit)) {
        return WallFailure{horizontal ? WallCheck::WidthRange : WallCheck::HeightRange, cell,
                           MessageId::WallDataOutOfRange, limit};
    }
    return std::nullopt;
}

// ⌊(part ÷ whole) × scale⌋: the quotient first, in double precision, cut toward zero.
std::int32_t share(std::uint32_t part, std::uint32_t whole, std::uint16_t scale) {
    return static_cast<std::int32_t>(static_cast<double>(part) / static_cast<double>(whole) *
                                     static_cast<double>(scale));
}

}  // namespace

WallEntry wallEntryFromText(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + (text[i] - '0'), kCap);
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

std::optional<MessageId> checkWallSize(std::int64_t rows, std::int64_t columns) {
    const auto r = static_cast<std::uint64_t>(rows);
    const auto c = static_cast<std::uint64_t>(columns);
    if (r > kMaxWallRows || c > kMaxWallColumns) return MessageId::WallSpecTooLarge;
    if (r == 0 || c == 0) return MessageId::WallSpecTooSmall;
    return std::nullopt;
}

bool WallLayout::valid() const {
    const std::size_t cells = std::size_t{rows} * columns;
    return !checkWallSize(rows, columns) && widths.size() == cells && heights.size() == cells &&
           selected < cells && bezelH <= kMaxBezel && bezelV <= kMaxBezel;
}

WallCalculation CalculateWindows(const WallLayout& layout) {
    WallCalculation result;
    if (!layout.valid()) {
        result.layoutValid = false;
        return result;
    }
    const unsigned columns = layout.columns;
    const unsigned s = layout.selected;
    const unsigned row = s / columns;
    const unsigned column = s % columns;
    const Resolution res = layout.resolution;

    for (unsigned j = 0; j < columns; ++j) {
        const unsigned cell = row * columns + j;
        if (auto failure = checkEntry(layout.widths[cell], cell, true, res.width)) {
            result.failures.push_back(*failure);
            break;
        }
    }
    // The first column's heights make the vertical sums; the selected cell's own height makes
    // the input height, so it is checked too (an unchecked one could be any 32-bit value).
    std::vector<unsigned> heightCells;
    for (unsigned i = 0; i < layout.rows; ++i) heightCells.push_back(i * columns);
    if (column != 0) heightCells.push_back(s);
    for (unsigned cell : heightCells) {
        if (auto failure = checkEntry(layout.heights[cell], cell, false, res.height)) {
            result.failures.push_back(*failure);
            break;
        }
    }
    if (!result.failures.empty()) return result;

    auto width = [&](unsigned cell) { return static_cast<std::uint32_t>(*layout.widths[cell]); };
    auto height = [&](unsigned cell) { return static_cast<std::uint32_t>(*layout.heights[cell]); };
    std::uint32_t sumW = 0;
    std::uint32_t leftW = 0;
    for (unsigned j = 0; j < columns; ++j) {
        sumW += width(row * columns + j);
        if (j < column) leftW += width(row * columns + j);
    }
    std::uint32_t sumH = 0;
    std::uint32_t aboveH = 0;
    for (unsigned i = 0; i < layout.rows; ++i) {
        sumH += height(i * columns);
        if (i < row) aboveH += height(i * columns);
    }
    const std::uint32_t spanW = sumW + (columns - 1) * std::uint32_t{layout.bezelH};
    const std::uint32_t spanH = sumH + (layout.rows - 1) * std::uint32_t{layout.bezelV};

    WallWindows w;
    w.input.width = share(width(s), spanW, res.width);
    w.input.height = share(height(s), spanH, res.height);
    w.input.x = share(leftW + column * std::uint32_t{layout.bezelH}, spanW, res.width);
    w.input.y = share(aboveH + row * std::uint32_t{layout.bezelV}, spanH, res.height);
    w.output = {static_cast<std::int32_t>(width(s)), static_cast<std::int32_t>(height(s)), 0, 0};
    result.windows = w;
    return result;
}

std::string_view wallCheckName(WallCheck check) {
    switch (check) {
        case WallCheck::HorizontalEmpty:
            return "horizontal-empty";
        case WallCheck::WidthRange:
            return "width-range";
        case WallCheck::VerticalEmpty:
            return "vertical-empty";
        case WallCheck::HeightRange:
            return "height-range";
    }
    return "";
}

std::int16_t spinAdjusted(std::int16_t value, int step) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value + step));
}

}  // namespace tvq
