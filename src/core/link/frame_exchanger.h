#pragma once
// What a command needs from the wire, whoever owns it: a DeviceLink of our own, or a chain
// service that queues our exchanges among everyone else's.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>

#include "core/link/command_frame.h"
#include "core/platform/clock.h"

namespace tvq {

// What one exchange came to beyond its 13 or 0, for callers that must say why there is no reply.
struct ExchangeDetail {
    // Reply bytes that really arrived: a network reply that stays short is handed over
    // zero-filled with result 13, and a line that closes mid-reply gives 0 after N bytes.
    std::size_t received = 0;
    bool lineClosed = false;  // the peer closed or the adapter went away: silence is not the cause
};

class FrameExchanger {
public:
    virtual ~FrameExchanger() = default;

    // Address that decides whether a reply is awaited: 0 means the whole chain, no reply.
    virtual void setDeviceAddress(std::uint8_t address) = 0;
    virtual std::uint8_t deviceAddress() const = 0;
    virtual bool isOpen() const = 0;
    virtual bool isSerial() const = 0;
    // An open line not yet found broken; never waits for an exchange in flight.
    virtual bool isUp() const = 0;

    // Sends a copy of frame with its check byte computed and waits up to timeoutMs for one
    // 13-byte reply. Returns 13 with the reply copied into `reply`, or 0 with `reply` untouched.
    // A stop request ends the wait within one try (result 0).
    virtual int exchangeFrame(const CommandFrame& frame, CommandFrame& reply,
                              std::int32_t timeoutMs, ExchangeDetail& detail,
                              std::stop_token stop = {}) = 0;
    int exchangeFrame(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token stop = {}) {
        ExchangeDetail detail;
        return exchangeFrame(frame, reply, timeoutMs, detail, stop);
    }

    // Sends a copy of frame and gathers every byte that comes back: the first within
    // firstWait, each further one within `quiet` of the one before, up to out.size(). Returns
    // the count gathered, or -1 when nothing could be sent.
    virtual int exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out,
                               Millis firstWait, Millis quiet, std::stop_token stop = {}) = 0;

    // When the last exchange came to nothing for a reason other than the device's silence or
    // the line (a service that refused it), that reason in one line; else empty.
    virtual std::string lastError() const { return {}; }
};

}  // namespace tvq
