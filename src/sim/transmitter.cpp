#include "sim/transmitter.h"

#include <algorithm>

#include "sim/frame_log.h"

namespace tvq::sim {
namespace {

void addFault(ReplyPlan& plan, std::string_view name) {
    if (!plan.faults.empty()) plan.faults += ',';
    plan.faults += name;
}

}  // namespace

Transmitter::Transmitter(asio::any_io_executor executor, std::chrono::nanoseconds byteTime,
                         WriteFn write, DoneFn done, CloseFn close)
    : timer_(executor),
      byteTime_(byteTime),
      write_(std::move(write)),
      done_(std::move(done)),
      close_(std::move(close)) {}

void Transmitter::enqueue(ReplyPlan plan) {
    if (stopped_) return;
    const bool closes = plan.closeConnection && close_;
    // Replies that will never go out are done with at once; so is everything after a close.
    if (closing_ || (!plan.send && !closes)) {
        if (closing_) addFault(plan, "closed");
        plan.send = false;
        done_(plan, monotonicMicros());
        return;
    }
    if (!closes && queue_.size() >= kMaxQueued) {
        plan.send = false;
        addFault(plan, "overflow");
        done_(plan, monotonicMicros());
        return;
    }
    closing_ = closes;
    queue_.push_back(std::move(plan));
    if (!busy_) next();
}

void Transmitter::cancel() {
    stopped_ = true;
    queue_.clear();
    timer_.cancel();
}

void Transmitter::next() {
    while (!stopped_ && !queue_.empty()) {
        current_ = std::move(queue_.front());
        queue_.pop_front();
        if (current_.send && !current_.pieces.empty()) {
            busy_ = true;
            piece_ = 0;
            written_ = 0;
            // A paced byte is written when it would have finished arriving on the wire.
            deadline_ = Clock::now() + current_.delay + byteTime_;
            step();
            return;
        }
        // Only a plan that closes the line is queued without being sent.
        done_(current_, monotonicMicros());
        if (current_.closeConnection && close_) close_();
    }
    busy_ = false;
}

// Waits for the next slot, then writes the next piece (or, when paced, its next byte).
void Transmitter::step() {
    if (stopped_) return;
    const Piece& piece = current_.pieces[piece_];
    if (written_ == 0) deadline_ += piece.gapBefore;
    const auto writeNow = [this, self = shared_from_this()] {
        if (stopped_) return;
        const Piece& p = current_.pieces[piece_];
        const std::size_t offset = std::min<std::size_t>(p.offset + written_, kFrameSize);
        const std::size_t remaining =
            std::min<std::size_t>(p.length - written_, kFrameSize - offset);
        const std::size_t count =
            byteTime_.count() > 0 ? std::min<std::size_t>(1, remaining) : remaining;
        written_ += count;
        write_({current_.bytes.data() + offset, count}, [this, self](bool ok) { afterWrite(ok); });
    };
    if (deadline_ <= Clock::now()) {
        writeNow();
        return;
    }
    timer_.expires_at(deadline_);
    timer_.async_wait([writeNow](const std::error_code& ec) {
        if (!ec) writeNow();
    });
}

void Transmitter::afterWrite(bool ok) {
    if (stopped_) return;
    if (!ok) {
        // Give this reply up but keep the line: a pseudo-terminal lives on, and a broken socket
        // is noticed and closed on its read side.
        current_.send = false;
        addFault(current_, "write-failed");
        busy_ = false;
        done_(current_, monotonicMicros());
        next();
        return;
    }
    const auto now = Clock::now();
    if (byteTime_.count() > 0) {
        deadline_ += byteTime_;
        // A line that stalled catches up by at most one byte, never in a burst.
        if (deadline_ + byteTime_ < now) deadline_ = now;
    } else {
        deadline_ = std::max(deadline_, now);
    }
    const Piece& piece = current_.pieces[piece_];
    if (written_ < piece.length) {
        step();
        return;
    }
    written_ = 0;
    if (++piece_ < current_.pieces.size()) {
        step();
        return;
    }
    busy_ = false;
    done_(current_, monotonicMicros());
    next();
}

}  // namespace tvq::sim
