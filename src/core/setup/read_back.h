#pragma once
// The setup's device sequences: the read-back of every setting, and the read of one PIP mode's
// rectangles. They run on whatever thread calls them, over any exchange function, and end at
// once (between two exchanges, or inside a pause) when a stop is requested.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "core/link/command_frame.h"
#include "core/platform/clock.h"
#include "core/setup/setup_pages.h"

namespace tvq::setup {

// Sends frame, waits up to timeoutMs for one reply; 13 with the reply stored, else 0.
// tvq::Session::exchange (bound to a session) is one.
using ExchangeFn =
    std::function<int(const CommandFrame&, CommandFrame&, std::int32_t timeoutMs, std::stop_token)>;

inline constexpr std::int32_t kPageTimeoutMs = 5000;
inline constexpr std::int32_t kPicturePageTimeoutMs = 15000;  // page 5 takes the processor longer
inline constexpr std::int32_t kModePageTimeoutMs = 7000;      // pages 7..14
inline constexpr Millis kPagePause{200};                      // between two page reads

// What one read-back learned; a page that did not answer leaves its field empty.
struct ScreenSettings {
    std::optional<OutputPage> output;    // page 3
    std::optional<SetupStatus> status;   // page 0; also empty when byte 6 was 0xFF
    std::optional<ModeRectPage> main;    // page 1: current PIP mode and its main rectangle
    std::optional<WindowRect> pip;       // page 2
    std::optional<InputPage> input;      // page 4
    std::optional<PicturePage> picture;  // page 5
    std::optional<TextKeyPage> textKey;  // page 6
    bool statusAnswered = false;         // page 0 answered, even with byte 6 = 0xFF
};

// The pages in the order they are read, with their time-outs.
struct PageRead {
    std::uint8_t page;
    std::int32_t timeoutMs;
};
inline constexpr PageRead kReadBackOrder[] = {
    {kOutputPage, kPageTimeoutMs},  {kStatusPage, kPageTimeoutMs},
    {kMainPage, kPageTimeoutMs},    {kPipPage, kPageTimeoutMs},
    {kInputPage, kPageTimeoutMs},   {kPicturePage, kPicturePageTimeoutMs},
    {kTextKeyPage, kPageTimeoutMs},
};

// One step of a sequence, handed to the progress callback on the sequence's thread: first with
// `reading` set just before a page is asked for, then once more with the outcome.
struct ReadStep {
    std::uint8_t page = 0;
    bool reading = true;      // about to read; false: the read is over
    bool answered = false;    // the read gave a usable reply (when !reading)
    ScreenSettings settings;  // everything learned so far
};
using ReadProgress = std::function<void(const ReadStep&)>;

struct ReadBackResult {
    ScreenSettings settings;
    bool stopped = false;  // a stop request ended it early
};

// Pages 3, 0, 1, 2, 4, 5, 6 with a pause before each after the first. A page 3 that does not
// answer ends the sequence: without the output resolution nothing else can be judged.
ReadBackResult readBack(const ExchangeFn& exchange, std::uint8_t address, Clock& clock,
                        std::stop_token stop, const ReadProgress& progress = {});

struct ModeRects {
    std::optional<ModeRectPage> main;  // page 7 + 2m
    std::optional<WindowRect> pip;     // page 8 + 2m
    bool stopped = false;
};

// The main and PIP rectangles of PIP mode `mode` (0..3), a pause between the two reads.
ModeRects readModeRects(const ExchangeFn& exchange, std::uint8_t address, unsigned mode,
                        Clock& clock, std::stop_token stop);

// The rectangles a read-back or a PIP-mode read reported, into the values the program keeps;
// rectangles of pages that did not answer keep their values.
void storeRects(WindowGeometry& geometry, const ScreenSettings& settings);
void storeRects(WindowGeometry& geometry, const ModeRects& mode);

// Waits `duration` on clock, returning early (false) when a stop is requested.
bool pauseUnlessStopped(Clock& clock, Millis duration, std::stop_token stop);

}  // namespace tvq::setup
