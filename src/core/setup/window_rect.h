#pragma once
// A window rectangle in output pixels, and the sixteen values the setup keeps between openings.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/link/command_frame.h"

namespace tvq::setup {

// Field order is the order the fields are shown and checked: width, horizontal start, height,
// vertical start. On the wire the order is start, width, start, height (see readFrameRect).
struct WindowRect {
    std::int32_t width = 0;
    std::int32_t x = 0;  // horizontal start
    std::int32_t height = 0;
    std::int32_t y = 0;  // vertical start
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

enum class RectField { Width, HStart, Height, VStart };

// The four rectangles the setup edits.
enum class RectTarget { Main, Pip, Input, Output };
inline constexpr std::size_t kRectTargets = 4;

// Bytes 4..11: horizontal start, width, vertical start, height, each 16 bits high byte first.
WindowRect readFrameRect(const CommandFrame& frame);
// Values outside 0..65535 are cut to their low 16 bits; the checks keep them in range first.
void writeFrameRect(CommandFrame& frame, const WindowRect& rect);

// The main, PIP, input and output rectangles. They belong to the program, not to one opening of
// the setup: they start at 0 and a later opening shows them until its read-back replaces them.
// A rectangle is known once the device has reported or taken it; until then it shows no value.
class WindowGeometry {
public:
    WindowRect& operator[](RectTarget target) { return rects_[static_cast<std::size_t>(target)]; }
    const WindowRect& operator[](RectTarget target) const {
        return rects_[static_cast<std::size_t>(target)];
    }
    // Stores rect and returns what was there, so a refused save can put it back.
    WindowRect replace(RectTarget target, const WindowRect& rect) {
        WindowRect old = (*this)[target];
        (*this)[target] = rect;
        return old;
    }

    bool known(RectTarget target) const { return known_[static_cast<std::size_t>(target)]; }
    void markKnown(RectTarget target) { known_[static_cast<std::size_t>(target)] = true; }

private:
    std::array<WindowRect, kRectTargets> rects_{};
    std::array<bool, kRectTargets> known_{};
};

}  // namespace tvq::setup
