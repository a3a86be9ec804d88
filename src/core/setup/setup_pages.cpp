#include "core/setup/setup_pages.h"

#include "core/link/commands.h"

namespace tvq::setup {

bool isPageReply(const CommandFrame& reply, std::uint8_t address) {
    return reply[0] == kFrameStart && reply[1] == address && reply[2] == cmd::kReadPage &&
           checkByteOk(reply);
}

OutputPage decodeOutputPage(const CommandFrame& reply) {
    return {reply[3], readFrameRect(reply)};
}

std::optional<SetupStatus> decodeSetupStatus(const CommandFrame& reply) {
    const std::uint8_t flags = reply[6];
    if (flags == 0xFF) return std::nullopt;
    const bool bypass = (flags & 0x02) != 0;
    const bool mosaic = (flags & 0x04) != 0;
    const bool mainSignal = reply[8] != 0;
    const bool mainIsDvi = (reply[7] & 0x0F) == 7;
    return SetupStatus{mainIsDvi && mainSignal && mosaic && !bypass};
}

ModeRectPage decodeModeRectPage(const CommandFrame& reply) {
    return {reply[3], readFrameRect(reply)};
}

InputPage decodeInputPage(const CommandFrame& reply) {
    return {(reply[3] & 0x02) != 0, readFrameRect(reply)};
}

PicturePage decodePicturePage(const CommandFrame& reply) {
    PicturePage p;
    p.bias = reply[3];
    p.brightness = reply[4];
    p.saturation = reply[5];
    p.sharp = reply[6] != 0;
    p.audio1 = static_cast<std::uint8_t>(reply[7] >> 4);
    p.audio2 = static_cast<std::uint8_t>(reply[7] & 0x0F);
    for (std::size_t i = 0; i < kHotSpares; ++i) p.hotSpare[i] = (reply[8] >> i) & 1;
    return p;
}

TextKeyPage decodeTextKeyPage(const CommandFrame& reply) {
    return {reply[3] != 0, {reply[4], reply[5], reply[6]}};
}

}  // namespace tvq::setup
