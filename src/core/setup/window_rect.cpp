#include "core/setup/window_rect.h"

namespace tvq::setup {
namespace {

std::int32_t get16(const CommandFrame& frame, std::size_t at) {
    return (frame[at] << 8) | frame[at + 1];
}

void put16(CommandFrame& frame, std::size_t at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    frame[at] = static_cast<std::uint8_t>((bits >> 8) & 0xFF);
    frame[at + 1] = static_cast<std::uint8_t>(bits & 0xFF);
}

}  // namespace

WindowRect readFrameRect(const CommandFrame& frame) {
    return {get16(frame, 6), get16(frame, 4), get16(frame, 10), get16(frame, 8)};
}

void writeFrameRect(CommandFrame& frame, const WindowRect& rect) {
    put16(frame, 4, rect.x);
    put16(frame, 6, rect.width);
    put16(frame, 8, rect.y);
    put16(frame, 10, rect.height);
}

}  // namespace tvq::setup
