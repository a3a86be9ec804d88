#pragma once
// Everything one simulated processor remembers: what the commands change and the pages report.

#include <array>
#include <cstdint>

namespace tvq::sim {

// A window in output pixels; on the wire each field is 16 bits, high byte first, in the order
// horizontal start, width, vertical start, height.
struct Rect {
    std::uint16_t x = 0;
    std::uint16_t width = 0;
    std::uint16_t y = 0;
    std::uint16_t height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr std::size_t kPipModes = 4;
inline constexpr std::size_t kSourceSlots = 11;  // indexed by source code; slot 3 names no input
inline constexpr std::uint8_t kOutputFormats = 10;
inline constexpr std::uint8_t kExtTypes = 5;

struct ProcessorState {
    std::uint8_t address = 1;

    std::uint8_t mainSource = 0;  // V1
    std::uint8_t subSource = 1;   // V2: the second picture of PIP/POP and of TEXT alike
    bool pip = false;             // PIP/POP on; mutually exclusive with text
    bool text = false;
    std::uint8_t transition = 0;  // 0 Cut, 1..3 Fade 0.5/1.0/1.5 s
    bool freeze = false;
    bool bypass = false;
    bool mosaic = false;
    std::uint8_t pipMode = 0;  // 0..3 = M1..M4
    std::uint8_t extType = 1;  // 0 NULL, 1 SDI, 2 VGA, 3 DVI, 4 VIDEO

    // Signal present per source code; V3, S-VIDEO, VGA2 and EXT. start without a signal.
    std::array<bool, kSourceSlots> signal{true,  true, false, false, false, true,
                                          false, true, true,  false, true};

    std::uint8_t outputFormat = 0;  // index into the output format table (0 = 1024x768@60)
    // Another output format also brings the output window to that format's whole screen, as a
    // processor does when its resolution changes. Indices outside the table are ignored.
    bool setOutputFormat(std::uint8_t index);
    std::array<Rect, kPipModes> mainRect{};
    std::array<Rect, kPipModes> pipRect{};
    Rect inputRect{0, 1024, 0, 768};
    Rect outputRect{0, 1024, 0, 768};

    std::uint8_t brightness = 32;
    std::uint8_t saturation = 50;
    std::uint8_t bias = 50;
    std::uint8_t sharpness = 0;  // 0 Normal, 1 Sharp

    std::uint8_t textKeyMode = 0;  // 0 below threshold, 1 above
    std::array<std::uint8_t, 3> textKeyRgb{128, 128, 128};

    std::uint8_t audio1 = 0;  // source codes of AD1 and AD2
    std::uint8_t audio2 = 1;
    std::uint8_t hotSpare = 0;  // bit 0 V1>>V3, 1 V2>>S-VIDEO, 2 HDMI>>DVI, 3 VGA1>>VGA2
    bool syncMosaic = false;
    unsigned vgaAutoCount = 0;  // VGA-AUTO presses seen; nothing else to show for them

    // PIP/POP 3 (1 while the second picture has no signal), TEXT 5 (4), else 0.
    std::uint8_t pictureMode() const;
    bool hasSignal(std::uint8_t source) const { return source < kSourceSlots && signal[source]; }
};

// A fresh processor: full-screen main windows and a quarter-size PIP window in a different
// corner for each PIP mode, so the four modes read back distinguishably.
ProcessorState defaultState(std::uint8_t address);

}  // namespace tvq::sim
