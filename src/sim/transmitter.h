#pragma once
// Sends planned replies down one line, in order: the plan's delay, its pieces with their gaps,
// and on a serial line each byte in its own time slot, as a UART at 9600 baud would.

#include <asio/any_io_executor.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>

#include "sim/faults.h"

namespace tvq::sim {

// Ten bits per byte (start, eight data, stop) at 9600 baud.
inline constexpr std::chrono::nanoseconds kSerialByteTime{1'041'667};

class Transmitter : public std::enable_shared_from_this<Transmitter> {
public:
    // Writes bytes (kept alive until done is called) and calls done(ok), possibly at once.
    using WriteFn = std::function<void(std::span<const std::uint8_t>, std::function<void(bool)>)>;
    // Told when a reply is finished with: monoUs is when its last byte went, or when it was
    // given up (a dropped reply, or one that closes the line instead).
    using DoneFn = std::function<void(const ReplyPlan&, std::int64_t monoUs)>;
    // Closes the line for a plan that says so; without one, such a plan is just a lost reply.
    using CloseFn = std::function<void()>;

    // Replies queued beyond this are given up, so a peer that never reads costs bounded memory.
    static constexpr std::size_t kMaxQueued = 64;

    Transmitter(asio::any_io_executor executor, std::chrono::nanoseconds byteTime, WriteFn write,
                DoneFn done, CloseFn close);

    // Call on the executor's thread only, as all of this class.
    void enqueue(ReplyPlan plan);
    // Stops at once: nothing further is written or reported.
    void cancel();

private:
    using Clock = std::chrono::steady_clock;

    void next();
    void step();
    void afterWrite(bool ok);

    asio::steady_timer timer_;
    std::chrono::nanoseconds byteTime_;
    WriteFn write_;
    DoneFn done_;
    CloseFn close_;

    std::deque<ReplyPlan> queue_;
    ReplyPlan current_;
    bool busy_ = false;
    bool stopped_ = false;
    bool closing_ = false;  // a close is queued: later replies will never go
    std::size_t piece_ = 0;
    std::size_t written_ = 0;  // bytes of the current piece already out
    Clock::time_point deadline_{};
};

// A write hook for a non-blocking stream: writes in place when the stream takes it all, which
// is nearly always, so the reply is logged the moment its last byte went; else finishes later.
template <class Stream>
void writeEagerly(Stream& stream, std::span<const std::uint8_t> bytes,
                  std::function<void(bool)> done) {
    std::error_code ec;
    const std::size_t n = stream.write_some(asio::buffer(bytes.data(), bytes.size()), ec);
    if (ec && ec != asio::error::would_block && ec != asio::error::try_again) {
        done(false);
    } else if (n == bytes.size()) {
        done(true);
    } else {
        asio::async_write(stream, asio::buffer(bytes.data() + n, bytes.size() - n),
                          [done](const std::error_code& failed, std::size_t) { done(!failed); });
    }
}

}  // namespace tvq::sim
