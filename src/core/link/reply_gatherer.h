#pragma once
// Puts a reply together from the pieces that reads hand over.
//
// Serial rules: a single read of 13 bytes is the reply, whatever was gathered before it;
// smaller pieces are gathered, and 13 gathered bytes are the reply when they start with 5
// and a rejected reply otherwise. Pieces that add up past 13 without ever totalling 13 end
// the gathering: they are dropped, and only a single 13-byte read can still be the reply.
//
// Network rules: pieces are gathered until 13 bytes are there (reads never ask for more than
// what is missing); a partial reply is handed over zero-filled when the exchange gives up
// waiting for the rest.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/link/command_frame.h"

namespace tvq {

class ReplyGatherer {
public:
    enum class Mode { Serial, Network };
    enum class Outcome { Incomplete, Reply, Rejected };

    explicit ReplyGatherer(Mode mode) : mode_(mode) {}

    // Takes the bytes of one read (empty pieces are ignored).
    Outcome take(std::span<const std::uint8_t> piece);

    // How many bytes the next read may ask for.
    int readLimit() const;

    // Network only: true when a partial reply is waiting to be handed over as it is.
    bool hasPartial() const { return mode_ == Mode::Network && count_ > 0 && count_ < kFrameSize; }

    // The reply (valid after Outcome::Reply, or zero-filled for a partial network reply).
    const CommandFrame& reply() const { return buffer_; }
    std::size_t gathered() const { return count_; }
    bool overrun() const { return overrun_; }

private:
    Mode mode_;
    CommandFrame buffer_{};
    std::size_t count_ = 0;
    bool overrun_ = false;
};

}  // namespace tvq
