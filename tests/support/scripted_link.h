#pragma once
// A ByteLink whose input is a script of pieces arriving at fixed times after each write, on a
// FakeClock, so exchange timings run instantly and exactly.

#include <deque>
#include <vector>

#include "core/link/byte_link.h"
#include "core/platform/clock.h"

namespace tvq::test {

struct Piece {
    Millis after;                     // arrival, counted from the write that triggers it
    std::vector<std::uint8_t> bytes;  // handed over by one read (split if the read asks less);
                                      // none: the peer closes the line here
};

class ScriptedLink final : public ByteLink {
public:
    ScriptedLink(FakeClock& clock, Kind kind) : clock_(clock), kind_(kind) {}

    // Pieces that the next write sets going.
    void script(std::vector<Piece> pieces) { script_ = std::move(pieces); }
    // Bytes already waiting before the next write (a late reply).
    void preload(std::vector<std::uint8_t> bytes) { arrived_.push_back(std::move(bytes)); }
    void failWrites(int writtenCount) { writeResult_ = writtenCount; }
    void breakLine() { broken_ = true; }

    const std::vector<CommandFrame>& written() const { return written_; }
    int reads() const { return reads_; }
    int discarded() const { return discarded_; }

    Kind kind() const override { return kind_; }
    bool isOpen() const override { return open_; }
    bool broken() const override { return closed_; }

    int writeFrame(const CommandFrame& frame) override {
        written_.push_back(frame);
        for (auto& piece : script_) pending_.push_back({clock_.now() + piece.after, piece.bytes});
        script_.clear();
        return writeResult_;
    }

    int readAvailable(std::uint8_t* out, int max) override {
        ++reads_;
        release();
        if (arrived_.empty()) return broken_ || closed_ ? -1 : 0;
        auto& front = arrived_.front();
        const auto n = std::min<std::size_t>(front.size(), static_cast<std::size_t>(max));
        std::copy_n(front.begin(), n, out);
        front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(n));
        if (front.empty()) arrived_.pop_front();
        return static_cast<int>(n);
    }

    bool waitReadable(Millis timeout) override {
        release();
        if (!arrived_.empty() || broken_ || closed_) return true;
        const auto deadline = clock_.now() + timeout;
        if (!pending_.empty() && pending_.front().at <= deadline) {
            clock_.advance(std::chrono::duration_cast<Millis>(pending_.front().at - clock_.now()));
            release();
            return true;
        }
        clock_.advance(timeout);
        return false;
    }

    int discardInput() override {
        release();
        int n = 0;
        for (auto& bytes : arrived_) n += static_cast<int>(bytes.size());
        arrived_.clear();
        discarded_ += n;
        return n;
    }

    void close() override { open_ = false; }

private:
    struct Timed {
        Clock::TimePoint at;
        std::vector<std::uint8_t> bytes;
    };

    void release() {
        while (!pending_.empty() && pending_.front().at <= clock_.now()) {
            closed_ = closed_ || pending_.front().bytes.empty();
            if (!pending_.front().bytes.empty())
                arrived_.push_back(std::move(pending_.front().bytes));
            pending_.pop_front();
        }
    }

    FakeClock& clock_;
    Kind kind_;
    bool open_ = true;
    bool broken_ = false;  // reads fail, yet the line does not know it is gone
    bool closed_ = false;
    int writeResult_ = static_cast<int>(kFrameSize);
    int reads_ = 0;
    int discarded_ = 0;
    std::vector<Piece> script_;
    std::deque<Timed> pending_;
    std::deque<std::vector<std::uint8_t>> arrived_;
    std::vector<CommandFrame> written_;
};

}  // namespace tvq::test
