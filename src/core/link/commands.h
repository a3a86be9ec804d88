#pragma once
// Command codes (frame byte 2) understood by the processor.

#include <cstdint>

namespace tvq::cmd {

inline constexpr std::uint8_t kReadPage = 0x17;
inline constexpr std::uint8_t kMainSource = 0x80;
inline constexpr std::uint8_t kPip = 0x81;
inline constexpr std::uint8_t kPipSource = 0x82;
inline constexpr std::uint8_t kText = 0x83;
inline constexpr std::uint8_t kTextSource = 0x84;
inline constexpr std::uint8_t kBypass = 0x85;
inline constexpr std::uint8_t kMosaic = 0x86;
inline constexpr std::uint8_t kFreeze = 0x87;
inline constexpr std::uint8_t kVgaAuto = 0x88;
inline constexpr std::uint8_t kOutputWindow = 0x8A;
inline constexpr std::uint8_t kPipModeRectFirst = 0x8B;  // 0x8B..0x8E: M1..M4
inline constexpr std::uint8_t kPipModeRectLast = 0x8E;
inline constexpr std::uint8_t kTextKey = 0x8F;
inline constexpr std::uint8_t kBias = 0x90;
inline constexpr std::uint8_t kBrightness = 0x91;
inline constexpr std::uint8_t kSaturation = 0x92;
inline constexpr std::uint8_t kSharpness = 0x93;
inline constexpr std::uint8_t kAudio = 0x94;
inline constexpr std::uint8_t kHotSpare = 0x95;
inline constexpr std::uint8_t kInputWindow = 0x96;
inline constexpr std::uint8_t kPipMode = 0x98;
inline constexpr std::uint8_t kTransition = 0x99;
inline constexpr std::uint8_t kSyncMosaic = 0x9A;

}  // namespace tvq::cmd
