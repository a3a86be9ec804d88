#include "sim/pages.h"

#include "core/link/commands.h"

namespace tvq::sim {
namespace {

void put16(CommandFrame& frame, std::size_t at, std::uint16_t value) {
    frame[at] = static_cast<std::uint8_t>(value >> 8);
    frame[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t get16(const CommandFrame& frame, std::size_t at) {
    return static_cast<std::uint16_t>((frame[at] << 8) | frame[at + 1]);
}

CommandFrame rectPage(const ProcessorState& s, std::uint8_t byte3, const Rect& rect) {
    CommandFrame frame = makeFrame(s.address, cmd::kReadPage, {byte3});
    writeRect(frame, rect);
    frame[12] = frameCheck(frame);
    return frame;
}

}  // namespace

Rect readRect(const CommandFrame& frame) {
    return {get16(frame, 4), get16(frame, 6), get16(frame, 8), get16(frame, 10)};
}

void writeRect(CommandFrame& frame, const Rect& rect) {
    put16(frame, 4, rect.x);
    put16(frame, 6, rect.width);
    put16(frame, 8, rect.y);
    put16(frame, 10, rect.height);
}

StatusReport statusOf(const ProcessorState& s) {
    StatusReport r;
    r.address = s.address;
    r.pictureMode = s.pictureMode();
    r.transition = s.transition;
    r.freeze = s.freeze;
    r.bypass = s.bypass;
    r.mosaic = s.mosaic;
    r.mainSource = s.mainSource;
    r.subSource = s.subSource;
    r.mainSignal = s.hasSignal(s.mainSource);
    r.subSignal = s.hasSignal(s.subSource);
    r.pipMode = s.pipMode;
    r.extType = s.extType;
    return r;
}

CommandFrame encodePage(const ProcessorState& s, std::uint8_t page) {
    const std::size_t mode = s.pipMode % kPipModes;
    switch (page) {
        case 0:
            return encodeStatus(statusOf(s));
        case 1:
            return rectPage(s, s.pipMode, s.mainRect[mode]);
        case 2:
            return rectPage(s, s.pipMode, s.pipRect[mode]);
        case 3:
            return rectPage(s, s.outputFormat, s.outputRect);
        case 4:
            return rectPage(s, s.syncMosaic ? 0x02 : 0x00, s.inputRect);
        case 5:
            return makeFrame(
                s.address, cmd::kReadPage,
                {s.bias, s.brightness, s.saturation, s.sharpness,
                 static_cast<std::uint8_t>((s.audio1 << 4) | (s.audio2 & 0x0F)), s.hotSpare});
        case 6:
            return makeFrame(s.address, cmd::kReadPage,
                             {s.textKeyMode, s.textKeyRgb[0], s.textKeyRgb[1], s.textKeyRgb[2]});
        default:
            break;
    }
    if (page > kLastPage) return makeFrame(s.address, cmd::kReadPage, {page});
    const auto m = static_cast<std::uint8_t>((page - 7) / 2);  // pages 7..14: mode 0..3
    return rectPage(s, m, (page - 7) % 2 == 0 ? s.mainRect[m] : s.pipRect[m]);
}

}  // namespace tvq::sim
