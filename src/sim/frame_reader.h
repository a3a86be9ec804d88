#pragma once
// Cuts a byte stream into 13-byte frames, resynchronising on anything else.
//
// A frame starts with 5 and carries a correct check byte. Bytes that cannot start one are
// dropped one at a time, so a frame right after garbage is still found. A partial frame that
// sits longer than staleAfter without its next byte is dropped too: the sender gave up on it.

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "core/link/command_frame.h"

namespace tvq::sim {

class FrameReader {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    struct Output {
        std::vector<CommandFrame> frames;
        std::vector<std::uint8_t> garbage;  // dropped bytes, in arrival order

        void clear() {
            frames.clear();
            garbage.clear();
        }
    };

    explicit FrameReader(std::chrono::milliseconds staleAfter = std::chrono::milliseconds{500})
        : staleAfter_(staleAfter) {}

    // Appends what this piece completes or drops to out (which it does not clear).
    void feed(std::span<const std::uint8_t> bytes, TimePoint now, Output& out);

    std::size_t pending() const { return count_; }

private:
    void dropFront(std::size_t n, Output& out);
    void settle(Output& out);

    std::chrono::milliseconds staleAfter_;
    CommandFrame buffer_{};
    std::size_t count_ = 0;
    TimePoint last_{};
};

}  // namespace tvq::sim
