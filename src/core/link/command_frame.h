#pragma once
// The 13-byte frame that every conversation with a processor uses, in both directions.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace tvq {

inline constexpr std::size_t kFrameSize = 13;
inline constexpr std::uint8_t kFrameStart = 5;

using CommandFrame = std::array<std::uint8_t, kFrameSize>;

// Exclusive-or of bytes 0..11.
std::uint8_t frameCheck(std::span<const std::uint8_t, kFrameSize> bytes);

// True when byte 12 equals frameCheck of bytes 0..11.
bool checkByteOk(const CommandFrame& frame);

// 5, address, command, params..., zeros, check byte. At most nine parameters.
CommandFrame makeFrame(std::uint8_t address, std::uint8_t command,
                       std::initializer_list<std::uint8_t> params = {});

// Command 23 for one page; page 0 is the status query.
CommandFrame pageQuery(std::uint8_t address, std::uint8_t page = 0);

// "05 01 17 ..." : two lowercase hex digits per byte, single spaces.
std::string hexBytes(std::span<const std::uint8_t> bytes);

}  // namespace tvq
