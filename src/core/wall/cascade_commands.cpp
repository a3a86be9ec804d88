#include "core/wall/cascade_commands.h"

#include <algorithm>
#include <cctype>

#include "core/link/commands.h"

namespace tvq {

CommandFrame cascadeSourceFrame(std::uint8_t address, std::uint8_t sourceCode) {
    return makeFrame(address, cmd::kMainSource, {sourceCode});
}

CommandFrame cascadeBrightnessFrame(std::uint8_t address, std::uint8_t brightness) {
    return makeFrame(address, cmd::kBrightness, {brightness});
}

CommandFrame cascadeMosaicFrame(std::uint8_t address, bool on) {
    return makeFrame(address, cmd::kMosaic, {static_cast<std::uint8_t>(on ? 1 : 0)});
}

std::optional<std::uint8_t> brightnessFromEntry(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Digits beyond the range only need to be known as too large, so the sum stops growing.
    unsigned value = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        digits = true;
        value = std::min(value * 10 + static_cast<unsigned>(text[i] - '0'), kBrightnessMax + 1);
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    // Anything but a whole number ("", "x7z", "7z") is refused rather than read as 0, which
    // would black out every screen of the chain.
    if (!digits || i != text.size()) return std::nullopt;
    if (negative && value != 0) return std::nullopt;
    if (value > kBrightnessMax) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

}  // namespace tvq
