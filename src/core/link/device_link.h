#pragma once
// The one way to talk to a processor: exchangeFrame over whichever ByteLink is attached.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>

#include "core/link/byte_link.h"
#include "core/link/command_frame.h"
#include "core/link/frame_exchanger.h"
#include "core/link/reply_gatherer.h"
#include "core/platform/clock.h"

namespace tvq {

struct ExchangeTiming {
    Millis tryLength{100};    // one try of the reply wait; tries = timeoutMs / 100
    Millis acceptPause{200};  // rest after every accepted reply
};

class DeviceLink : public FrameExchanger {
public:
    explicit DeviceLink(Clock& clock = systemClock(), ExchangeTiming timing = {});
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Takes over an open line, closing any previous one. Waits for an exchange in flight.
    void attach(std::unique_ptr<ByteLink> link);
    // Closes the line (after an exchange in flight). Safe to call when nothing is attached.
    void close();
    bool isOpen() const override;
    bool isSerial() const override;
    // An attached line not yet found broken. Never waits for an exchange in flight, so the UI
    // thread may ask.
    bool isUp() const override { return up_.load(); }

    // Address that decides whether a reply is awaited: 0 means the whole chain, no reply.
    void setDeviceAddress(std::uint8_t address) override { address_.store(address); }
    std::uint8_t deviceAddress() const override { return address_.load(); }

    // Sends a copy of frame with its check byte computed and waits up to timeoutMs for one
    // 13-byte reply. Returns 13 with the reply copied into `reply`, or 0 with `reply` untouched.
    // Conversations on one link never overlap: concurrent callers take turns.
    // A stop request ends the wait for a reply within one try (result 0), so a worker being
    // stopped never holds its caller for the rest of a long time-out.
    int exchangeFrame(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token stop = {});
    // The same exchange with the detail of how it ended; the result is the same 13 or 0.
    int exchangeFrame(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      ExchangeDetail& detail, std::stop_token stop = {}) override;

    // Sends a copy of frame with its check byte computed and gathers every byte that comes
    // back: the first within firstWait, each further one within `quiet` of the one before, up
    // to out.size(). No pause follows. For listening to a whole chain, where one question may
    // draw several answers and silence must cost as little as the line allows. Returns the
    // count gathered, or -1 when nothing could be sent.
    int exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out, Millis firstWait,
                       Millis quiet, std::stop_token stop = {}) override;

    // Drops reply bytes already waiting (a late reply of an earlier command).
    int discardPending();

private:
    int converse(ByteLink& link, const CommandFrame& frame, CommandFrame& reply,
                 std::int32_t timeoutMs, std::stop_token stop, std::size_t& received);
    int awaitReply(ByteLink& link, CommandFrame& reply, int tries, std::stop_token stop,
                   std::size_t& received);
    int accept(const ReplyGatherer& gatherer, CommandFrame& reply, std::size_t& received);
    int gather(ByteLink& link, const CommandFrame& frame, std::span<std::uint8_t> out,
               Millis firstWait, Millis quiet, std::stop_token stop);

    Clock& clock_;
    const ExchangeTiming timing_;
    std::atomic<std::uint8_t> address_{1};
    std::atomic<bool> up_{false};
    mutable std::mutex mutex_;  // one conversation at a time; guards link_
    std::unique_ptr<ByteLink> link_;
};

}  // namespace tvq
