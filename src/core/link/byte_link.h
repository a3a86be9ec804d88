#pragma once
// One open line to a chain of processors: a serial port or a TCP connection.

#include <cstdint>

#include "core/link/command_frame.h"
#include "core/platform/clock.h"

namespace tvq {

class ByteLink {
public:
    enum class Kind { Serial, Network };

    virtual ~ByteLink() = default;
    virtual Kind kind() const = 0;
    virtual bool isOpen() const = 0;

    // Sends one frame; returns the count written, 0 or less when nothing went out.
    virtual int writeFrame(const CommandFrame& frame) = 0;

    // Reads at most max bytes that have already arrived and never blocks. Returns 0 when
    // nothing is waiting and -1 when the line is broken (peer closed, read error).
    virtual int readAvailable(std::uint8_t* out, int max) = 0;

    // Waits until input may be waiting or the time-out passes; true when readable.
    virtual bool waitReadable(Millis timeout) = 0;

    // Drops every byte already waiting; returns how many were dropped.
    virtual int discardInput() = 0;

    virtual void close() = 0;

    // True once the line is gone for good (peer closed, adapter pulled): nothing sent on it
    // can be answered any more, and only opening it again helps.
    virtual bool broken() const { return false; }
};

}  // namespace tvq
