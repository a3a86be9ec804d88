#pragma once
// Programming one screen's processor for the wall: connect (resolution, mosaic mode, DVI
// preparation), the checks before a window is written, the window and mosaic-mode writes, and
// Detect. Every exchange goes through the caller's exchange function, every pause through a Clock.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "core/link/command_frame.h"
#include "core/platform/clock.h"
#include "core/platform/messages.h"
#include "core/wall/mosaic_layout.h"

namespace tvq {

// Session::exchange, DeviceLink::exchangeFrame or a scripted link in tests: 13 with the reply
// filled in, 0 otherwise.
using ExchangeFn = std::function<int(const CommandFrame& frame, CommandFrame& reply,
                                     std::int32_t timeoutMs, std::stop_token stop)>;

// Time-outs of the wall's exchanges, in milliseconds.
inline constexpr std::int32_t kWallPageTimeoutMs = 6000;
inline constexpr std::int32_t kWallBypassTimeoutMs = 6000;
inline constexpr std::int32_t kWallSourceTimeoutMs = 20000;
inline constexpr std::int32_t kWallMosaicOnTimeoutMs = 10000;
inline constexpr std::int32_t kWallWriteTimeoutMs = 7000;  // windows and mosaic mode

struct MosaicPauses {
    Millis beforeRead{1000};  // before each of the connect's three reads
    Millis prepareStep{500};  // before each step of the DVI preparation
};

enum class WallSide { Input, Output };

// The screen's resolution for an output format index the device reports; nothing for an index
// outside the table.
std::optional<Resolution> wallResolution(unsigned formatIndex);

// Input (0x96) or output (0x8A) window: X, W, Y, H as 16-bit values, high byte first.
CommandFrame windowFrame(std::uint8_t address, WallSide side, const WindowRect& window);
// Mosaic synchronisation (0x9A): byte 3 = 1 for sync.
CommandFrame mosaicModeFrame(std::uint8_t address, bool sync);

// A status reply with byte 6 not 0xFF, bypass off, mosaic on, a signal on the main picture and
// DVI as its source.
bool wallReady(const CommandFrame& status);

// Reply to a read or a write: byte 2 echoes the command and the check byte is right.
bool replyMatches(const CommandFrame& sent, const CommandFrame& reply);

// Which quantity a refused window names, in the order they are checked.
enum class WindowField { Width, HorizontalStart, Height, VerticalStart };

struct WindowCheck {
    enum class Refusal { None, OutOfRange, Odd } refusal = Refusal::None;
    WindowField field = WindowField::Width;  // out of range: its adjusted field goes to 0;
                                             // odd: the first odd one, marked pending
    MessageId message = MessageId::None;
    bool ok() const { return refusal == Refusal::None; }
};

// The checks before a window is written: range (width, start, height, start: each within the
// resolution, sizes at least 64, size plus the other's magnitude within it), then evenness.
WindowCheck checkWindow(const WindowRect& window, Resolution resolution);

// Each odd quantity down by one, as an installer would with the spin buttons. Returns which ones
// changed (bit per WindowField).
unsigned makeEven(WindowRect& window);

// ---- Connect --------------------------------------------------------------------------------

struct MosaicConnect {
    bool connected = false;                // what gates the two window writes afterwards
    bool actionsEnabled = false;           // the device is (now) ready for the wall
    std::optional<std::uint8_t> format;    // page 3 answered: the format index it reported
    std::optional<Resolution> resolution;  // a format inside the table
    std::optional<bool> syncMosaic;        // page 4 answered
    bool statusAnswered = false;           // the status query was accepted
    bool prepared = false;                 // the DVI preparation ran
    MessageId message = MessageId::None;   // shown after the sequence, if any
    bool stopped = false;                  // ended by a stop request
};

// The status bits the DVI preparation starts from.
struct PrepareFrom {
    bool mainIsDvi = false;
    bool bypassOn = false;
    bool mosaicOn = false;
};
PrepareFrom prepareFromStatus(const CommandFrame& status);

// Bypass off, main source DVI, mosaic on as far as needed, each after a pause; a refused bypass
// or source skips what follows it. Ends with a status query: true when it answers wall-ready.
bool prepareForWall(const ExchangeFn& exchange, Clock& clock, std::uint8_t address,
                    PrepareFrom from, std::stop_token stop = {}, MosaicPauses pauses = {});

// The connect sequence for the processor at `address`: page 3 (resolution), page 4 (mosaic mode),
// status, and the DVI preparation when the status is not wall-ready. An unanswered page 3 or 4
// ends it counting as connected, without a message, as the screen has always done.
MosaicConnect connectForWall(const ExchangeFn& exchange, Clock& clock, std::uint8_t address,
                             std::stop_token stop = {}, MosaicPauses pauses = {});

// ---- Writes ---------------------------------------------------------------------------------

struct WindowWrite {
    WindowCheck check;      // a refusal: nothing was sent
    bool sent = false;      // false also when not connected
    bool accepted = false;  // the pending flags of that side can be cleared
};

// The Set button of one side: checks, then (when connected) the window write.
WindowWrite setWallWindow(const ExchangeFn& exchange, std::uint8_t address, WallSide side,
                          const WindowRect& window, Resolution resolution, bool connected,
                          std::stop_token stop = {});

// The mosaic-mode radios: true when the device accepted ("Set Success"), else "Set Fail".
bool setMosaicMode(const ExchangeFn& exchange, std::uint8_t address, bool sync,
                   std::stop_token stop = {});

// Detect: NeedsDvi when the operator must be told to check the DVI signal (an answered status
// with byte 6 not 0xFF that is not wall-ready); NoAnswer also for byte 6 = 0xFF.
enum class WallDetect { NoAnswer, Ready, NeedsDvi };
WallDetect detectWall(const ExchangeFn& exchange, std::uint8_t address, std::stop_token stop = {});
inline bool detectNeedsDvi(const ExchangeFn& exchange, std::uint8_t address,
                           std::stop_token stop = {}) {
    return detectWall(exchange, address, stop) == WallDetect::NeedsDvi;
}

}  // namespace tvq
