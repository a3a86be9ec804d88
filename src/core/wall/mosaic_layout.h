#pragma once
// The video wall's arithmetic: which part of the source picture each screen of an R x C wall
// shows, the checks that come before it, and the adjusted fields' spin.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/platform/messages.h"

namespace tvq {

inline constexpr unsigned kMaxWallRows = 6;
inline constexpr unsigned kMaxWallColumns = 8;
inline constexpr unsigned kMaxWallCells = kMaxWallRows * kMaxWallColumns;
inline constexpr std::int32_t kMinScreenSize = 64;  // smallest width or height of one screen
inline constexpr std::uint16_t kMaxBezel = 4096;    // far beyond any real frame

struct Resolution {
    std::uint16_t width = 1024;
    std::uint16_t height = 768;
    friend bool operator==(const Resolution&, const Resolution&) = default;
};

// A width or height entry of one cell: empty, or its text read as a signed whole number.
using WallEntry = std::optional<std::int32_t>;

// Reads an entry's text as the screen does: leading blanks, an optional sign, then digits up to
// the first other character; text that is not a number reads 0, empty text is an empty entry.
// Values beyond 32 bits stay at the nearest end (they fail the range check all the same).
WallEntry wallEntryFromText(std::string_view text);

// The (6 X 8) or (1 X 1) message for a wall size it cannot have, else nothing.
// Rows and columns come as typed numbers: negative ones count as too large.
std::optional<MessageId> checkWallSize(std::int64_t rows, std::int64_t columns);

struct WallLayout {
    unsigned rows = 1;
    unsigned columns = 1;
    unsigned selected = 0;           // cell k = row * columns + column
    std::vector<WallEntry> widths;   // rows * columns, row by row
    std::vector<WallEntry> heights;  // rows * columns, row by row
    Resolution resolution;
    std::uint16_t bezelH = 0;  // picture hidden between two neighbours of a row
    std::uint16_t bezelV = 0;  // ... between two neighbours of a column

    // rows and columns within the wall's limits, both entry lists of rows * columns, the
    // selected cell on the wall and the bezels at most kMaxBezel.
    bool valid() const;
};

// A window in output pixels, in the order the result fields list it.
struct WindowRect {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t x = 0;  // horizontal start
    std::int32_t y = 0;  // vertical start
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The eight calculated values: the input window (the part of the source picture the selected
// screen shows, scaled to the resolution) and the output window (where it lands on the screen).
struct WallWindows {
    WindowRect input;
    WindowRect output;
    friend bool operator==(const WallWindows&, const WallWindows&) = default;
};

enum class WallCheck { HorizontalEmpty, WidthRange, VerticalEmpty, HeightRange };

struct WallFailure {
    WallCheck check = WallCheck::HorizontalEmpty;
    unsigned cell = 0;
    MessageId message = MessageId::None;
    std::int32_t refill = 0;  // what the failing entry is set to: the resolution width or height
    friend bool operator==(const WallFailure&, const WallFailure&) = default;
};

struct WallCalculation {
    std::optional<WallWindows> windows;  // absent when a check failed or the layout is invalid
    std::vector<WallFailure>
        failures;  // at most the first width failure, then the first height one
    bool layoutValid = true;
};

// Widths of the selected row and heights of the first column are checked (empty, then
// 64..resolution), then the selected cell's own height, which the input height is made from.
// Every quotient is formed before it is multiplied and the product is cut toward zero, so a row
// may leave a remainder column uncovered. A bezel widens the span by (count - 1) bezels and moves
// each start by one bezel per screen before it; zero bezels give the plain proportions.
WallCalculation CalculateWindows(const WallLayout& layout);

// "wall calc" JSON names of the checks.
std::string_view wallCheckName(WallCheck check);

// One press of an adjusted field's spin button: the field is a signed 16-bit number, so
// 32767 + 1 is -32768 and back.
std::int16_t spinAdjusted(std::int16_t value, int step);

}  // namespace tvq
