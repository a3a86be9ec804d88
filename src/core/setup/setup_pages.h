#pragma once
// What the setup reads from the processor: pages of command 23 decoded into plain values.

#include <array>
#include <cstdint>
#include <optional>

#include "core/link/command_frame.h"
#include "core/setup/window_rect.h"

namespace tvq::setup {

inline constexpr std::uint8_t kOutputPage = 3;
inline constexpr std::uint8_t kStatusPage = 0;
inline constexpr std::uint8_t kMainPage = 1;
inline constexpr std::uint8_t kPipPage = 2;
inline constexpr std::uint8_t kInputPage = 4;
inline constexpr std::uint8_t kPicturePage = 5;
inline constexpr std::uint8_t kTextKeyPage = 6;
inline constexpr std::uint8_t kPipModes = 4;

// Pages 7 + 2m and 8 + 2m hold the main and PIP rectangles of PIP mode m (0..3).
constexpr std::uint8_t modeMainPage(unsigned mode) {
    return static_cast<std::uint8_t>(7 + 2 * mode);
}
constexpr std::uint8_t modePipPage(unsigned mode) {
    return static_cast<std::uint8_t>(8 + 2 * mode);
}

// A page reply is used only when it is the answer to that read: the asked address, command 23
// and a sound check byte. A spoilt reply would otherwise show, and later save, garbage.
bool isPageReply(const CommandFrame& reply, std::uint8_t address);

// Page 3.
struct OutputPage {
    std::uint8_t formatIndex = 0;  // may lie outside the format table
    WindowRect output;
    friend bool operator==(const OutputPage&, const OutputPage&) = default;
};
OutputPage decodeOutputPage(const CommandFrame& reply);

// Page 0, as far as the setup uses it. Byte 6 = 0xFF carries no status: nothing is learned.
struct SetupStatus {
    bool inputSaveAllowed = false;  // DVI main source with a signal, MOSAIC on, BYPASS off
    friend bool operator==(const SetupStatus&, const SetupStatus&) = default;
};
std::optional<SetupStatus> decodeSetupStatus(const CommandFrame& reply);

// Whether the input rectangle may be saved, from the main window's flags at opening.
constexpr bool inputSaveAllowedAtOpen(bool mainIsDvi, bool mosaic, bool bypass) {
    return mainIsDvi && mosaic && !bypass;
}

// Pages 1 and 7 + 2m: a PIP mode (byte 3) and that mode's main rectangle.
struct ModeRectPage {
    std::uint8_t mode = 0;  // as reported; only 0..3 names a mode
    WindowRect rect;
    friend bool operator==(const ModeRectPage&, const ModeRectPage&) = default;
};
ModeRectPage decodeModeRectPage(const CommandFrame& reply);

// Pages 2 and 8 + 2m: a PIP rectangle.
inline WindowRect decodeRectPage(const CommandFrame& reply) {
    return readFrameRect(reply);
}

// Page 4.
struct InputPage {
    bool syncMosaic = false;
    WindowRect input;
    friend bool operator==(const InputPage&, const InputPage&) = default;
};
InputPage decodeInputPage(const CommandFrame& reply);

inline constexpr std::size_t kHotSpares = 4;  // V1>>V3, V2>>S-VIDEO, HDMI>>DVI, VGA1>>VGA2

// Page 5.
struct PicturePage {
    std::uint8_t bias = 0;
    std::uint8_t brightness = 0;
    std::uint8_t saturation = 0;
    bool sharp = false;
    std::uint8_t audio1 = 0;  // source codes as reported (0..15)
    std::uint8_t audio2 = 0;
    std::array<bool, kHotSpares> hotSpare{};
    friend bool operator==(const PicturePage&, const PicturePage&) = default;
};
PicturePage decodePicturePage(const CommandFrame& reply);

// Page 6.
struct TextKeyPage {
    bool above = false;  // ">Threshold"; byte 3 = 0 is "<Threshold"
    std::array<std::uint8_t, 3> rgb{};
    friend bool operator==(const TextKeyPage&, const TextKeyPage&) = default;
};
TextKeyPage decodeTextKeyPage(const CommandFrame& reply);

}  // namespace tvq::setup
