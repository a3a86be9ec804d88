#pragma once
// The chain service's Unix socket: newline-delimited JSON, one connection per client, all on
// one io_context thread. Answers and events of a connection leave in the order they were made;
// a connection that leaves more than kMaxUnsentOutput unread is closed, so nobody else waits.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>
#include <asio/steady_timer.hpp>

#include "core/service/chain_service.h"

namespace tvq::service {

inline constexpr std::size_t kMaxUnsentOutput = std::size_t{1} << 20;
// ... or that has read nothing for this long while output waited for it.
inline constexpr std::chrono::seconds kMaxWriteStall{5};

// The socket could not be made; the message is one line for the operator.
class SocketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Connection;

class UnixServer {
public:
    // Creates the socket file with mode 0660 and listens. A file left by a dead service is
    // replaced; a live service there, or a file that is not a socket, throws SocketError.
    UnixServer(asio::io_context& io, std::filesystem::path path);
    ~UnixServer();  // closes every connection and removes the socket file
    UnixServer(const UnixServer&) = delete;
    UnixServer& operator=(const UnixServer&) = delete;

    // Begins accepting, each client served by `service`; io thread or before it runs.
    void start(ChainService& service);
    void close();  // stops accepting and closes every connection; io thread
    std::size_t connectionCount() const { return connections_.size(); }
    // Answers and events the service made on its own threads so far: signs that it works.
    const std::atomic<std::uint64_t>& serviceWork() const { return serviceWork_; }
    // Told (on the io thread) whenever a client comes or goes.
    void onClientsChanged(std::function<void()> handler) { clientsChanged_ = std::move(handler); }

private:
    friend class Connection;
    void accept();
    void forget(const std::shared_ptr<Connection>& connection);

    asio::io_context& io_;
    std::filesystem::path path_;
    ChainService* service_ = nullptr;
    asio::local::stream_protocol::acceptor acceptor_;
    asio::steady_timer retry_;  // after a failed accept
    std::set<std::shared_ptr<Connection>> connections_;
    std::uint64_t nextPeerId_ = 1;
    bool ownsFile_ = false;
    std::uint64_t fileInode_ = 0;
    std::function<void()> clientsChanged_;
    std::atomic<std::uint64_t> serviceWork_{0};
};

}  // namespace tvq::service
