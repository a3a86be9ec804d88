#include "core/control/chain_scan.h"

#include <array>

#include "core/link/commands.h"
#include "core/link/status_reply.h"

namespace tvq {
namespace {

constexpr int kBitsPerByte = 10;  // start, eight data, stop
constexpr int kLineBaud = 9600;
constexpr Millis kAnswerAllowance{40};
constexpr Millis kNetworkAllowance{30};

// Room for four replies: a duplicate or a stray reply besides the answer.
constexpr std::size_t kGatherRoom = 4 * kFrameSize;

constexpr Millis frameTime() {
    return Millis{(static_cast<int>(kFrameSize) * kBitsPerByte * 1000 + kLineBaud - 1) / kLineBaud};
}

}  // namespace

ScanTiming scanTimingFor(ByteLink::Kind kind) {
    ScanTiming timing;
    timing.replyWait = 2 * frameTime() + kAnswerAllowance;
    timing.quiet = frameTime() + Millis{6};
    if (kind == ByteLink::Kind::Network) timing.replyWait += kNetworkAllowance;
    return timing;
}

ScanReading readScanReplies(std::uint8_t asked, std::span<const std::uint8_t> bytes) {
    ScanReading reading;
    int replies = 0;
    int stray = 0;
    bool notStatus = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        // A good frame starts with 5 and has its check byte; anything else is skipped byte by
        // byte, so a frame behind some noise is still found.
        if (bytes[i] != kFrameStart || bytes.size() - i < kFrameSize) {
            ++stray;
            ++i;
            continue;
        }
        CommandFrame frame;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i), kFrameSize, frame.begin());
        if (!checkByteOk(frame)) {
            ++stray;
            ++i;
            continue;
        }
        i += kFrameSize;
        if (frame[1] != asked) {
            reading.problems.push_back({ScanProblem::Kind::Foreign, asked, frame[1], 1});
        } else if (frame[2] != cmd::kReadPage) {
            notStatus = true;
        } else if (++replies == 1) {
            const StatusReport status = decodeStatus(frame);
            reading.answered = true;
            reading.answer = {asked, status.mainSource, status.mainSignal};
        }
    }
    if (replies > 1)
        reading.problems.push_back({ScanProblem::Kind::Duplicate, asked, asked, replies});
    if (stray > 0 || notStatus)
        reading.problems.push_back({ScanProblem::Kind::Garbled, asked, asked, stray});
    return reading;
}

ScanResult scanChain(const ScanExchange& exchange, ScanRange range, const ScanEvents& events,
                     std::stop_token stop) {
    ScanResult result;
    const int total = range.count();
    std::array<std::uint8_t, kGatherRoom> bytes{};
    for (int a = range.from; total > 0 && a <= range.to; ++a) {
        if (stop.stop_requested()) {
            result.stopped = true;
            break;
        }
        const auto address = static_cast<std::uint8_t>(a);
        const int n = exchange(pageQuery(address, 0), bytes, stop);
        if (n < 0) {
            result.lineFailed = true;
            break;
        }
        // A query cut short by a stop may have missed its answer: it does not count.
        if (stop.stop_requested()) {
            result.stopped = true;
            break;
        }
        ++result.asked;
        const ScanReading reading =
            readScanReplies(address, std::span(bytes).first(static_cast<std::size_t>(n)));
        if (reading.answered) {
            result.answers.push_back(reading.answer);
            if (events.answered) events.answered(reading.answer);
        }
        for (const ScanProblem& problem : reading.problems) {
            result.problems.push_back(problem);
            if (events.problem) events.problem(problem);
        }
        if (events.progress) events.progress(address, result.asked, total);
    }
    return result;
}

ScanResult scanChain(FrameExchanger& link, ScanRange range, ScanTiming timing,
                     const ScanEvents& events, std::stop_token stop) {
    const ScanExchange exchange = [&link, timing](const CommandFrame& query,
                                                  std::span<std::uint8_t> out, std::stop_token s) {
        return link.exchangeGather(query, out, timing.replyWait, timing.quiet, std::move(s));
    };
    return scanChain(exchange, range, events, std::move(stop));
}

}  // namespace tvq
