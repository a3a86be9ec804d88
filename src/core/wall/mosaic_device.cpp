#include "core/wall/mosaic_device.h"

#include <array>
#include <cstdlib>

#include "core/link/commands.h"
#include "core/setup/output_format.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_frames.h"

namespace tvq {
namespace {

constexpr int kReplyTaken = static_cast<int>(kFrameSize);
constexpr std::uint8_t kNoStatus = 0xFF;
constexpr std::uint8_t kDviCode = 7;
constexpr std::uint8_t kBypassBit = 0x02;
constexpr std::uint8_t kMosaicBit = 0x04;
constexpr std::uint8_t kSyncBit = 0x02;

// A pause that a stop request ends at once; false when stopped.
bool pause(Clock& clock, Millis duration, std::stop_token stop) {
    return setup::pauseUnlessStopped(clock, duration, stop);
}

bool odd(std::int32_t value) {
    return (value & 1) != 0;
}

// A reply to a write that also carries a status: byte 6 0xFF means the device refused.
bool answeredWithStatus(int result, const CommandFrame& reply) {
    return result == kReplyTaken && reply[6] != kNoStatus;
}

}  // namespace

std::optional<Resolution> wallResolution(unsigned formatIndex) {
    const auto format = setup::formatResolution(formatIndex);
    if (!format) return std::nullopt;
    return Resolution{static_cast<std::uint16_t>(format->width),
                      static_cast<std::uint16_t>(format->height)};
}

CommandFrame windowFrame(std::uint8_t address, WallSide side, const WindowRect& window) {
    return setup::rectFrame(
        address, side == WallSide::Input ? setup::RectTarget::Input : setup::RectTarget::Output, 0,
        {window.width, window.x, window.height, window.y});
}

CommandFrame mosaicModeFrame(std::uint8_t address, bool sync) {
    return setup::syncMosaicFrame(address, sync);
}

bool wallReady(const CommandFrame& status) {
    const std::uint8_t flags = status[6];
    return flags != kNoStatus && (flags & kBypassBit) == 0 && (flags & kMosaicBit) != 0 &&
           status[8] != 0 && (status[7] & 0x0F) == kDviCode;
}

bool replyMatches(const CommandFrame& sent, const CommandFrame& reply) {
    return reply[2] == sent[2] && checkByteOk(reply);
}

WindowCheck checkWindow(const WindowRect& window, Resolution resolution) {
    // 64-bit, so that no typed value can overflow the sums.
    const std::int64_t w = window.width, x = window.x, h = window.height, y = window.y;
    const std::int64_t rw = resolution.width, rh = resolution.height;
    auto refuse = [](WindowField field) {
        return WindowCheck{WindowCheck::Refusal::OutOfRange, field, MessageId::WallSetOutOfRange};
    };
    if (w > rw || w < kMinScreenSize || std::llabs(x) + w > rw) return refuse(WindowField::Width);
    if (x > rw || x < 0 || std::llabs(w) + x > rw) return refuse(WindowField::HorizontalStart);
    if (h > rh || h < kMinScreenSize || std::llabs(y) + h > rh) return refuse(WindowField::Height);
    if (y > rh || y < 0 || std::llabs(h) + y > rh) return refuse(WindowField::VerticalStart);

    const std::array<std::pair<std::int32_t, WindowField>, 4> order{
        {{window.width, WindowField::Width},
         {window.x, WindowField::HorizontalStart},
         {window.height, WindowField::Height},
         {window.y, WindowField::VerticalStart}}};
    for (const auto& [value, field] : order)
        if (odd(value)) return {WindowCheck::Refusal::Odd, field, MessageId::WallSetOdd};
    return {};
}

unsigned makeEven(WindowRect& window) {
    unsigned changed = 0;
    auto even = [&changed](std::int32_t& value, WindowField field) {
        if (!odd(value)) return;
        value -= 1;
        changed |= 1u << static_cast<unsigned>(field);
    };
    even(window.width, WindowField::Width);
    even(window.x, WindowField::HorizontalStart);
    even(window.height, WindowField::Height);
    even(window.y, WindowField::VerticalStart);
    return changed;
}

PrepareFrom prepareFromStatus(const CommandFrame& status) {
    return {(status[7] & 0x0F) == kDviCode, (status[6] & kBypassBit) != 0,
            (status[6] & kMosaicBit) != 0};
}

bool prepareForWall(const ExchangeFn& exchange, Clock& clock, std::uint8_t address,
                    PrepareFrom from, std::stop_token stop, MosaicPauses pauses) {
    CommandFrame reply{};
    bool ok = true;
    if (!pause(clock, pauses.prepareStep, stop)) return false;
    if (from.bypassOn) {
        const int r =
            exchange(makeFrame(address, cmd::kBypass, {0}), reply, kWallBypassTimeoutMs, stop);
        ok = answeredWithStatus(r, reply);
    }
    if (!pause(clock, pauses.prepareStep, stop)) return false;
    if (ok && !from.mainIsDvi) {
        const int r = exchange(makeFrame(address, cmd::kMainSource, {kDviCode}), reply,
                               kWallSourceTimeoutMs, stop);
        ok = answeredWithStatus(r, reply);
    }
    if (!pause(clock, pauses.prepareStep, stop)) return false;
    if (ok && !from.mosaicOn) {
        // The processor's answer to mosaic-on says nothing useful; the status below decides.
        exchange(makeFrame(address, cmd::kMosaic, {1}), reply, kWallMosaicOnTimeoutMs, stop);
    }
    if (!pause(clock, pauses.prepareStep, stop)) return false;
    CommandFrame status{};
    const int r = exchange(pageQuery(address, 0), status, kWallPageTimeoutMs, stop);
    return r == kReplyTaken && wallReady(status);
}

MosaicConnect connectForWall(const ExchangeFn& exchange, Clock& clock, std::uint8_t address,
                             std::stop_token stop, MosaicPauses pauses) {
    MosaicConnect c;
    auto stopped = [&] {
        c.stopped = stop.stop_requested();
        return c.stopped;
    };
    auto halt = [&] {
        c.stopped = true;
        return c;
    };

    if (!pause(clock, pauses.beforeRead, stop)) return halt();
    const CommandFrame page3 = pageQuery(address, 3);
    CommandFrame reply{};
    int r = exchange(page3, reply, kWallPageTimeoutMs, stop);
    if (stopped()) return c;
    if (r != kReplyTaken || !replyMatches(page3, reply)) {
        c.connected = true;
        return c;
    }
    c.format = reply[3];
    c.resolution = wallResolution(reply[3]);

    if (!pause(clock, pauses.beforeRead, stop)) return halt();
    r = exchange(pageQuery(address, 4), reply, kWallPageTimeoutMs, stop);
    if (stopped()) return c;
    if (r != kReplyTaken) {
        c.connected = true;
        return c;
    }
    c.syncMosaic = (reply[3] & kSyncBit) != 0;

    if (!pause(clock, pauses.beforeRead, stop)) return halt();
    const CommandFrame query = pageQuery(address, 0);
    CommandFrame status{};
    r = exchange(query, status, kWallPageTimeoutMs, stop);
    if (stopped()) return c;
    if (r != kReplyTaken || !replyMatches(query, status)) {
        c.message = MessageId::WallCannotConnect;
        return c;
    }
    c.statusAnswered = true;
    if (wallReady(status)) {
        c.actionsEnabled = true;
    } else {
        c.prepared = true;
        c.actionsEnabled =
            prepareForWall(exchange, clock, address, prepareFromStatus(status), stop, pauses);
        if (stopped()) return c;
        if (!c.actionsEnabled) c.message = MessageId::WallCheckDvi;
    }
    c.connected = true;
    return c;
}

WindowWrite setWallWindow(const ExchangeFn& exchange, std::uint8_t address, WallSide side,
                          const WindowRect& window, Resolution resolution, bool connected,
                          std::stop_token stop) {
    WindowWrite write;
    write.check = checkWindow(window, resolution);
    if (!write.check.ok() || !connected) return write;
    const CommandFrame frame = windowFrame(address, side, window);
    CommandFrame reply{};
    const int r = exchange(frame, reply, kWallWriteTimeoutMs, stop);
    write.sent = true;
    write.accepted = r == kReplyTaken && replyMatches(frame, reply);
    return write;
}

bool setMosaicMode(const ExchangeFn& exchange, std::uint8_t address, bool sync,
                   std::stop_token stop) {
    const CommandFrame frame = mosaicModeFrame(address, sync);
    CommandFrame reply{};
    const int r = exchange(frame, reply, kWallWriteTimeoutMs, stop);
    return answeredWithStatus(r, reply) && replyMatches(frame, reply);
}

WallDetect detectWall(const ExchangeFn& exchange, std::uint8_t address, std::stop_token stop) {
    CommandFrame status{};
    const int r = exchange(pageQuery(address, 0), status, kWallPageTimeoutMs, stop);
    if (r != kReplyTaken || status[6] == kNoStatus) return WallDetect::NoAnswer;
    return wallReady(status) ? WallDetect::Ready : WallDetect::NeedsDvi;
}

}  // namespace tvq
