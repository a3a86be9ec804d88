#pragma once
// The broadcasts of the cascade dialog and the check of its brightness entry.

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/link/command_frame.h"

namespace tvq {

inline constexpr std::int32_t kCascadeTimeoutMs = 1000;
inline constexpr unsigned kBrightnessMax = 100;

CommandFrame cascadeSourceFrame(std::uint8_t address, std::uint8_t sourceCode);
CommandFrame cascadeBrightnessFrame(std::uint8_t address, std::uint8_t brightness);
CommandFrame cascadeMosaicFrame(std::uint8_t address, bool on);

// The entry read as a signed whole number (blanks around it and a sign allowed). Anything
// else, negative values and values above 100 are out of range.
std::optional<std::uint8_t> brightnessFromEntry(std::string_view text);

}  // namespace tvq
