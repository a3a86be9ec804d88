#pragma once
// The TCP side: a listener whose clients, one after another or several at once, all talk to the
// same chain. Every member runs on the io_context's one thread.

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_core.h"

namespace tvq::sim {

class TcpSession;

class TcpEndpoint {
public:
    // More clients than this at once are turned away, keeping memory bounded.
    static constexpr std::size_t kMaxClients = 32;

    TcpEndpoint(asio::io_context& io, SimCore& core);
    ~TcpEndpoint();

    // Binds and listens; false with a message on failure. Port 0 picks a free one.
    bool open(const std::string& host, std::uint16_t port, std::string& error);
    std::uint16_t port() const { return port_; }
    // Stops listening and closes every client.
    void close();

private:
    void accept();

    SimCore& core_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer retry_;  // after a failed accept (out of descriptors), not a busy loop
    std::vector<std::weak_ptr<TcpSession>> sessions_;
    unsigned nextConnection_ = 1;
    std::uint16_t port_ = 0;
};

}  // namespace tvq::sim
