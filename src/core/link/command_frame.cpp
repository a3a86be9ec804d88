#include "core/link/command_frame.h"

#include <algorithm>
#include <cstdio>

#include "core/link/commands.h"

namespace tvq {

std::uint8_t frameCheck(std::span<const std::uint8_t, kFrameSize> bytes) {
    std::uint8_t check = 0;
    for (std::size_t i = 0; i < kFrameSize - 1; ++i) check ^= bytes[i];
    return check;
}

bool checkByteOk(const CommandFrame& frame) {
    return frame[12] == frameCheck(frame);
}

CommandFrame makeFrame(std::uint8_t address, std::uint8_t command,
                       std::initializer_list<std::uint8_t> params) {
    CommandFrame frame{};
    frame[0] = kFrameStart;
    frame[1] = address;
    frame[2] = command;
    std::copy_n(params.begin(), std::min<std::size_t>(params.size(), 9), frame.begin() + 3);
    frame[12] = frameCheck(frame);
    return frame;
}

CommandFrame pageQuery(std::uint8_t address, std::uint8_t page) {
    return makeFrame(address, cmd::kReadPage, {page});
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += digits;
    }
    return text;
}

}  // namespace tvq
