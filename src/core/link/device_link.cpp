#include "core/link/device_link.h"

#include <algorithm>

namespace tvq {
namespace {

// When a line reports input that is not there, look again after this rest rather than spin.
constexpr Millis kSpuriousWakeRest{5};

// Longest single wait while gathering, so a stop request is seen well within 100 ms.
constexpr Millis kGatherSlice{20};

bool sentWhole(const ByteLink& link, int written) {
    return link.kind() == ByteLink::Kind::Serial ? written == static_cast<int>(kFrameSize)
                                                 : written > 0;
}

}  // namespace

DeviceLink::DeviceLink(Clock& clock, ExchangeTiming timing) : clock_(clock), timing_(timing) {}

DeviceLink::~DeviceLink() {
    close();
}

void DeviceLink::attach(std::unique_ptr<ByteLink> link) {
    std::lock_guard lock(mutex_);
    if (link_) link_->close();
    link_ = std::move(link);
    up_ = link_ && link_->isOpen();
}

void DeviceLink::close() {
    std::lock_guard lock(mutex_);
    up_ = false;
    if (link_) link_->close();
    link_.reset();
}

bool DeviceLink::isOpen() const {
    std::lock_guard lock(mutex_);
    return link_ && link_->isOpen();
}

bool DeviceLink::isSerial() const {
    std::lock_guard lock(mutex_);
    return link_ && link_->kind() == ByteLink::Kind::Serial;
}

int DeviceLink::discardPending() {
    std::lock_guard lock(mutex_);
    return link_ ? link_->discardInput() : 0;
}

int DeviceLink::exchangeFrame(const CommandFrame& frame, CommandFrame& reply,
                              std::int32_t timeoutMs, std::stop_token stop) {
    ExchangeDetail detail;
    return exchangeFrame(frame, reply, timeoutMs, detail, std::move(stop));
}

int DeviceLink::exchangeFrame(const CommandFrame& frame, CommandFrame& reply,
                              std::int32_t timeoutMs, ExchangeDetail& detail,
                              std::stop_token stop) {
    detail = {};
    std::lock_guard lock(mutex_);
    if (!link_ || !link_->isOpen()) return 0;
    ByteLink& link = *link_;
    const int result = converse(link, frame, reply, timeoutMs, stop, detail.received);
    detail.lineClosed = link.broken();
    if (detail.lineClosed) up_ = false;
    return result;
}

int DeviceLink::converse(ByteLink& link, const CommandFrame& frame, CommandFrame& reply,
                         std::int32_t timeoutMs, std::stop_token stop, std::size_t& received) {
    if (link.broken()) return 0;  // nothing sent on a dead line can be answered

    CommandFrame out = frame;
    out[12] = frameCheck(out);

    // A reply that came after its exchange gave up must not pass for the answer to this one.
    link.discardInput();

    if (!sentWhole(link, link.writeFrame(out))) return 0;
    if (address_.load() == 0) return 0;  // the whole chain listens; nobody answers

    const int tries = timeoutMs / 100;
    if (tries <= 0) return 0;
    return awaitReply(link, reply, tries, stop, received);
}

int DeviceLink::awaitReply(ByteLink& link, CommandFrame& reply, int tries, std::stop_token stop,
                           std::size_t& received) {
    const auto mode = link.kind() == ByteLink::Kind::Serial ? ReplyGatherer::Mode::Serial
                                                            : ReplyGatherer::Mode::Network;
    ReplyGatherer gatherer(mode);
    const auto deadline = clock_.now() + tries * timing_.tryLength;
    Clock::TimePoint partialDeadline = Clock::TimePoint::max();

    for (;;) {
        const auto now = clock_.now();
        if (gatherer.hasPartial() && now >= partialDeadline)
            return accept(gatherer, reply, received);
        if (now >= deadline) return gatherer.hasPartial() ? accept(gatherer, reply, received) : 0;
        if (stop.stop_requested()) return 0;

        // Never wait past one try at a time, so a stop request is seen within a try.
        const auto wakeAt = std::min({deadline, partialDeadline, now + timing_.tryLength});
        const auto wait = std::chrono::ceil<Millis>(wakeAt - now);
        if (!link.waitReadable(wait)) continue;

        std::uint8_t piece[kFrameSize];
        const int n = link.readAvailable(piece, gatherer.readLimit());
        if (n < 0) {
            if (link.broken()) {  // gone for good: the owner reopens it
                received = gatherer.gathered();
                return 0;
            }
            // Otherwise a line that failed to read counts as silence until the time-out.
            clock_.sleepFor(std::chrono::ceil<Millis>(wakeAt - clock_.now()));
            continue;
        }
        if (n == 0) {
            clock_.sleepFor(std::min(kSpuriousWakeRest, std::chrono::ceil<Millis>(wakeAt - now)));
            continue;
        }
        const bool wasEmpty = gatherer.gathered() == 0;
        switch (gatherer.take({piece, static_cast<std::size_t>(n)})) {
            case ReplyGatherer::Outcome::Reply:
                return accept(gatherer, reply, received);
            case ReplyGatherer::Outcome::Rejected:
                clock_.sleepFor(timing_.acceptPause);
                return 0;
            case ReplyGatherer::Outcome::Incomplete:
                if (wasEmpty && gatherer.hasPartial())
                    partialDeadline = clock_.now() + timing_.tryLength;
                break;
        }
    }
}

int DeviceLink::exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out,
                               Millis firstWait, Millis quiet, std::stop_token stop) {
    std::lock_guard lock(mutex_);
    if (!link_ || !link_->isOpen()) return -1;
    ByteLink& link = *link_;
    const int result = gather(link, frame, out, firstWait, quiet, stop);
    if (link.broken()) up_ = false;
    return result;
}

int DeviceLink::gather(ByteLink& link, const CommandFrame& frame, std::span<std::uint8_t> out,
                       Millis firstWait, Millis quiet, std::stop_token stop) {
    if (link.broken()) return -1;
    CommandFrame sent = frame;
    sent[12] = frameCheck(sent);
    link.discardInput();
    if (!sentWhole(link, link.writeFrame(sent))) return -1;

    std::size_t count = 0;
    auto deadline = clock_.now() + firstWait;
    while (count < out.size() && !stop.stop_requested()) {
        const auto now = clock_.now();
        if (now >= deadline) break;
        const auto wait = std::min(std::chrono::ceil<Millis>(deadline - now), kGatherSlice);
        if (!link.waitReadable(wait)) continue;
        const auto room = std::min(out.size() - count, kFrameSize);
        const int n = link.readAvailable(out.data() + count, static_cast<int>(room));
        if (n < 0) {
            if (link.broken()) break;
            clock_.sleepFor(wait);  // a failed read counts as silence
            continue;
        }
        if (n == 0) {
            clock_.sleepFor(std::min(kSpuriousWakeRest, wait));
            continue;
        }
        count += static_cast<std::size_t>(n);
        deadline = clock_.now() + quiet;
    }
    return static_cast<int>(count);
}

int DeviceLink::accept(const ReplyGatherer& gatherer, CommandFrame& reply, std::size_t& received) {
    reply = gatherer.reply();
    received = gatherer.gathered();
    clock_.sleepFor(timing_.acceptPause);
    return static_cast<int>(kFrameSize);
}

}  // namespace tvq
