#include "sim/frame_reader.h"

#include <algorithm>

namespace tvq::sim {

void FrameReader::feed(std::span<const std::uint8_t> bytes, TimePoint now, Output& out) {
    if (bytes.empty()) return;
    if (count_ > 0 && now - last_ > staleAfter_) dropFront(count_, out);
    last_ = now;
    for (std::uint8_t byte : bytes) {
        buffer_[count_++] = byte;
        settle(out);
    }
}

void FrameReader::dropFront(std::size_t n, Output& out) {
    out.garbage.insert(out.garbage.end(), buffer_.begin(), buffer_.begin() + n);
    std::copy(buffer_.begin() + n, buffer_.begin() + count_, buffer_.begin());
    count_ -= n;
}

// Keeps the buffer either empty or a possible frame start; takes a complete frame out.
void FrameReader::settle(Output& out) {
    for (;;) {
        std::size_t skip = 0;
        while (skip < count_ && buffer_[skip] != kFrameStart) ++skip;
        if (skip > 0) dropFront(skip, out);
        if (count_ < kFrameSize) return;
        if (checkByteOk(buffer_)) {
            out.frames.push_back(buffer_);
            count_ = 0;
            return;
        }
        dropFront(1, out);
    }
}

}  // namespace tvq::sim
