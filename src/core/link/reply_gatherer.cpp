#include "core/link/reply_gatherer.h"

#include <algorithm>

namespace tvq {

ReplyGatherer::Outcome ReplyGatherer::take(std::span<const std::uint8_t> piece) {
    if (piece.empty()) return Outcome::Incomplete;

    if (mode_ == Mode::Serial) {
        if (piece.size() == kFrameSize) {
            std::copy(piece.begin(), piece.end(), buffer_.begin());
            count_ = kFrameSize;
            return Outcome::Reply;
        }
        if (overrun_ || count_ + piece.size() > kFrameSize) {
            overrun_ = true;
            return Outcome::Incomplete;
        }
        std::copy(piece.begin(), piece.end(),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(count_));
        count_ += piece.size();
        if (count_ < kFrameSize) return Outcome::Incomplete;
        return buffer_[0] == kFrameStart ? Outcome::Reply : Outcome::Rejected;
    }

    const std::size_t room = kFrameSize - count_;
    const std::size_t n = std::min(room, piece.size());
    std::copy_n(piece.begin(), n, buffer_.begin() + static_cast<std::ptrdiff_t>(count_));
    count_ += n;
    return count_ == kFrameSize ? Outcome::Reply : Outcome::Incomplete;
}

int ReplyGatherer::readLimit() const {
    if (mode_ == Mode::Serial) return static_cast<int>(kFrameSize);
    return static_cast<int>(kFrameSize - count_);
}

}  // namespace tvq
