#pragma once
// The device wants a rest after every reply it gives before it hears the next frame. A
// DeviceLink rests right after the reply; the service's line rests before its next send
// instead, so whoever asked hears the answer at once and the wire keeps the same spacing.

#include <condition_variable>
#include <mutex>

#include "core/link/device_link.h"

namespace tvq::service {

class RestingLink final : public FrameExchanger {
public:
    // `line` must not rest itself (acceptPause 0).
    RestingLink(DeviceLink& line, Clock& clock, Millis rest)
        : line_(line), clock_(clock), rest_(rest) {}

    void setDeviceAddress(std::uint8_t address) override { line_.setDeviceAddress(address); }
    std::uint8_t deviceAddress() const override { return line_.deviceAddress(); }
    bool isOpen() const override { return line_.isOpen(); }
    bool isSerial() const override { return line_.isSerial(); }
    bool isUp() const override { return line_.isUp(); }

    int exchangeFrame(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      ExchangeDetail& detail, std::stop_token stop = {}) override {
        restFirst(stop);
        const int result = line_.exchangeFrame(frame, reply, timeoutMs, detail, stop);
        if (result == static_cast<int>(kFrameSize)) restUntil_ = clock_.now() + rest_;
        return result;
    }
    int exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out, Millis firstWait,
                       Millis quiet, std::stop_token stop = {}) override {
        restFirst(stop);
        const int count = line_.exchangeGather(frame, out, firstWait, quiet, stop);
        if (count > 0) restUntil_ = clock_.now() + rest_;
        return count;
    }

private:
    void restFirst(std::stop_token stop) {
        const auto left = std::chrono::ceil<Millis>(restUntil_ - clock_.now());
        if (left <= Millis{0}) return;
        std::mutex mutex;
        std::condition_variable_any never;
        std::unique_lock lock(mutex);
        clock_.waitFor(lock, never, stop, left, [] { return false; });
    }

    DeviceLink& line_;
    Clock& clock_;
    const Millis rest_;
    Clock::TimePoint restUntil_{};  // the runner's thread only
};

}  // namespace tvq::service
