#pragma once
// The serial side: a pseudo-terminal whose slave path the controller opens as its serial port.
//
// The simulator keeps a slave descriptor of its own, so the line outlives every client: the
// master never sees a hang-up. It counts the clients' opens and closes instead, so that, as on
// a real port, what is sent while no client has the port open is lost rather than waiting for
// the next one, and the exclusive-use flag a client set (which on a pseudo-terminal would
// outlive it and lock every later open out) is cleared.

#include <array>
#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <memory>
#include <string>

#include "sim/frame_reader.h"
#include "sim/sim_core.h"

namespace tvq::sim {

class Transmitter;

class PtyEndpoint : public std::enable_shared_from_this<PtyEndpoint> {
public:
    PtyEndpoint(asio::io_context& io, SimCore& core);
    ~PtyEndpoint();

    // Creates the pseudo-terminal in raw mode; false with a message on failure.
    bool open(std::string& error);
    const std::string& path() const { return path_; }
    void close();

private:
    static constexpr int kUnknown = -1;

    void read();
    void take(std::size_t n);
    void watchClients();
    // Reads the opens and closes queued so far; called before every decision that needs them.
    void drainClientEvents();
    void lastClientGone();
    void sweep();

    SimCore& core_;
    asio::posix::stream_descriptor master_;
    asio::posix::stream_descriptor watch_;  // inotify: clients opening and closing the slave
    asio::steady_timer retry_;              // a failed read tries again later
    asio::steady_timer sweep_;              // clears the exclusive flag of a long-open client
    int slave_ = -1;
    int clients_ = kUnknown;  // open client descriptions; unknown without inotify
    std::string path_;
    FrameReader reader_;
    std::array<std::uint8_t, 512> buffer_{};
    alignas(8) std::array<std::uint8_t, 4096> events_{};
    std::shared_ptr<Transmitter> transmitter_;
};

}  // namespace tvq::sim
