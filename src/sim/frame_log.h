#pragma once
// The frame log: one JSON object per line for every frame in and out, flushed line by line.
//
// {"mono_us":123,"time":"08:15:02.041","dir":"out","endpoint":"tcp","conn":1,
//  "bytes":"05 01 17 ...","fault":"split"}
// mono_us is CLOCK_MONOTONIC in microseconds, comparable between processes on one machine. For
// an "out" line it is the moment the last byte was written; a reply that never went out carries
// "sent":false and the moment it was given up. "fault" lists what happened, comma-separated: the
// injected faults (drop, delay, split, corrupt, wrong-address, ff6, close), and on "out" lines
// overflow (the peer reads too slowly), closed (the line closes first) and write-failed (the
// peer has gone); on "in" lines, garbage marks bytes dropped while looking for a frame.
//
// The log is capped: a line that would take the file past its limit first moves the file to
// PATH.1 (replacing an older one) and starts a fresh file, so the two never hold much more than
// twice the limit however busy or hostile the clients are.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace tvq::sim {

enum class Direction { In, Out };
enum class EndpointKind { Tcp, Pty };

struct LogEntry {
    std::int64_t monoUs = 0;
    Direction dir = Direction::In;
    EndpointKind endpoint = EndpointKind::Tcp;
    unsigned connection = 0;  // TCP connection number, from 1; 0 leaves it out
    std::span<const std::uint8_t> bytes;
    std::string_view fault;  // empty leaves it out
    bool sent = true;        // out lines only
};

std::int64_t monotonicMicros();

// "HH:MM:SS.mmm" local time now.
std::string localClockText();

// The line for an entry, without the newline; time is the clock text to put in it.
std::string formatLogLine(const LogEntry& entry, std::string_view time);

inline constexpr std::uint64_t kDefaultLogMaxBytes = 64ull << 20;

class FrameLog {
public:
    // Appends to path, rotating at maxBytes; nullptr when it cannot be opened.
    static std::unique_ptr<FrameLog> open(const std::string& path,
                                          std::uint64_t maxBytes = kDefaultLogMaxBytes);
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    void record(const LogEntry& entry);

private:
    FrameLog(std::string path, std::uint64_t maxBytes, std::FILE* file, std::uint64_t size)
        : path_(std::move(path)), maxBytes_(maxBytes), file_(file), size_(size) {}
    void rotate();

    const std::string path_;
    const std::uint64_t maxBytes_;
    std::mutex mutex_;
    std::FILE* file_;     // null after a rotation that could not open a fresh file
    std::uint64_t size_;  // bytes in the current file
};

}  // namespace tvq::sim
