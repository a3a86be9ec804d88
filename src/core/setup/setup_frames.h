#pragma once
// The frames the setup writes, and how a write's reply is judged.

#include <array>
#include <cstdint>
#include <optional>

#include "core/link/command_frame.h"
#include "core/platform/messages.h"
#include "core/setup/window_rect.h"

namespace tvq::setup {

inline constexpr std::int32_t kWriteTimeoutMs = 7000;

// Main and PIP rectangles are saved per PIP mode: command 0x8B + mode (0x8B..0x8E).
inline constexpr std::uint8_t kFirstSaveCode = 0x8B;
constexpr std::uint8_t saveCodeOf(unsigned mode) {
    return static_cast<std::uint8_t>(kFirstSaveCode + (mode & 3u));
}

// The save code after a page reported PIP mode `mode`; none (keep the old one) above M4.
constexpr std::optional<std::uint8_t> saveCodeOfReported(unsigned mode) {
    if (mode > 3) return std::nullopt;
    return saveCodeOf(mode);
}

// The save frame of one rectangle; `saveCode` matters for Main and Pip only.
CommandFrame rectFrame(std::uint8_t address, RectTarget target, std::uint8_t saveCode,
                       const WindowRect& rect);

CommandFrame brightnessFrame(std::uint8_t address, std::uint8_t value);
CommandFrame saturationFrame(std::uint8_t address, std::uint8_t value);
CommandFrame biasFrame(std::uint8_t address, std::uint8_t value);
CommandFrame sharpnessFrame(std::uint8_t address, bool sharp);
CommandFrame textKeyFrame(std::uint8_t address, bool above, const std::array<std::uint8_t, 3>& rgb);
CommandFrame audioFrame(std::uint8_t address, std::uint8_t code1, std::uint8_t code2);
CommandFrame hotSpareFrame(std::uint8_t address, const std::array<bool, 4>& marks);
CommandFrame syncMosaicFrame(std::uint8_t address, bool sync);

enum class WriteOutcome {
    Failed,    // no reply: "Setup failed", a rectangle gets its old values back
    Accepted,  // "Set successfully", the sent fields count as saved
    Ignored,   // a reply that is not the acknowledgement: nothing shown, nothing changes
};

// result is what the exchange gave (13 or 0); the acknowledgement repeats the command byte and
// carries a sound check byte.
WriteOutcome judgeWrite(int result, const CommandFrame& sent, const CommandFrame& reply);

// The Info-line text of an outcome; None for Ignored.
MessageId writeMessage(WriteOutcome outcome);

}  // namespace tvq::setup
