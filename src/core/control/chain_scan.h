#pragma once
// Finds the processors on a line: asks every address of a range for its status and sorts what
// comes back into answers and trouble (two devices on one address, a reply carrying another
// address than asked, bytes that make no frame).

#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <vector>

#include "core/link/byte_link.h"
#include "core/link/device_link.h"
#include "core/platform/clock.h"

namespace tvq {

struct ScanTiming {
    Millis replyWait{70};  // from the query to the first reply byte; what a silent address costs
    Millis quiet{20};      // after the last byte: a second answer must start within this
};

// Waits sized from the line: a frame at 9600 baud (ten bits a byte) takes 14 ms each way, and a
// processor needs a few tens of milliseconds to answer. A network link may hide such a serial
// line behind a converter, plus its own round trip.
ScanTiming scanTimingFor(ByteLink::Kind kind);

struct ScanRange {
    std::uint8_t from = 1;
    std::uint8_t to = 255;
    int count() const { return from <= to ? to - from + 1 : 0; }
};

struct ScanAnswer {
    std::uint8_t address = 0;
    std::uint8_t mainSource = 0;  // source code, low four bits of reply byte 7
    bool mainSignal = false;
};

struct ScanProblem {
    enum class Kind {
        Duplicate,  // more than one status reply from the asked address
        Foreign,    // a good reply that carries another address than asked
        Garbled,    // bytes that make no good frame, or a frame that is no status reply
    };
    Kind kind = Kind::Garbled;
    std::uint8_t asked = 0;
    std::uint8_t from = 0;  // Foreign: the address the reply carries
    int count = 0;          // Duplicate: replies in all; Garbled: stray bytes
    bool operator==(const ScanProblem&) const = default;
};

// What came back to one status query.
struct ScanReading {
    bool answered = false;
    ScanAnswer answer;
    std::vector<ScanProblem> problems;
};

// Sorts the bytes gathered after asking `asked` for its status.
ScanReading readScanReplies(std::uint8_t asked, std::span<const std::uint8_t> bytes);

struct ScanEvents {
    std::function<void(std::uint8_t address, int done, int total)> progress;  // after each address
    std::function<void(const ScanAnswer&)> answered;
    std::function<void(const ScanProblem&)> problem;
};

struct ScanResult {
    std::vector<ScanAnswer> answers;
    std::vector<ScanProblem> problems;
    int asked = 0;
    bool stopped = false;     // a stop request ended it early
    bool lineFailed = false;  // a query could not be sent: the rest would only be silence
};

// One query and what came back: the gathered count, or -1 when nothing could be sent.
using ScanExchange =
    std::function<int(const CommandFrame& query, std::span<std::uint8_t> out, std::stop_token)>;

ScanResult scanChain(const ScanExchange& exchange, ScanRange range, const ScanEvents& events,
                     std::stop_token stop = {});

// Over a link of its own (nobody else may talk on it meanwhile).
ScanResult scanChain(FrameExchanger& link, ScanRange range, ScanTiming timing,
                     const ScanEvents& events, std::stop_token stop = {});

}  // namespace tvq
