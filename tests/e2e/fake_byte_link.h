#pragma once
// A line whose far end answers each frame with a scripted reply, on a virtual clock.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/link/byte_link.h"
#include "core/platform/clock.h"

namespace tvq::testing {

class FakeByteLink final : public ByteLink {
public:
    FakeByteLink(FakeClock& clock, std::optional<CommandFrame> reply)
        : clock_(clock), reply_(reply) {}

    std::vector<CommandFrame> written;
    int reads = 0;

    Kind kind() const override { return Kind::Network; }
    bool isOpen() const override { return true; }
    int writeFrame(const CommandFrame& frame) override {
        written.push_back(frame);
        if (reply_) pending_.assign(reply_->begin(), reply_->end());
        return static_cast<int>(frame.size());
    }
    int readAvailable(std::uint8_t* out, int max) override {
        ++reads;
        const int n = std::min<int>(max, static_cast<int>(pending_.size()));
        std::copy_n(pending_.begin(), n, out);
        pending_.erase(pending_.begin(), pending_.begin() + n);
        return n;
    }
    bool waitReadable(Millis timeout) override {
        if (!pending_.empty()) return true;
        clock_.advance(timeout);  // silence takes the whole wait
        return false;
    }
    int discardInput() override {
        const int n = static_cast<int>(pending_.size());
        pending_.clear();
        return n;
    }
    void close() override {}

private:
    FakeClock& clock_;
    std::optional<CommandFrame> reply_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace tvq::testing
