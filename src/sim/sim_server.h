#pragma once
// A whole simulator in one object: the chain, its endpoints and the thread that serves them.
// The tvq418-sim program is one of these; tests and benchmarks run their own in-process.

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "sim/options.h"
#include "sim/sim_core.h"

namespace asio {
class io_context;
}

namespace tvq::sim {

class TcpEndpoint;
class PtyEndpoint;

class SimServer {
public:
    SimServer();
    ~SimServer();  // stops
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Opens the chosen endpoints and serves them on a thread of its own. False, with a one-line
    // reason in *error, when an endpoint or the log cannot be opened; nothing runs then.
    bool start(const SimOptions& options, std::string* error = nullptr);
    // Closes every endpoint and joins the thread. Safe to call twice, or without a start.
    void stop();
    bool running() const { return thread_.joinable(); }

    std::uint16_t tcpPort() const { return tcpPort_; }       // 0 without TCP
    const std::string& ptyPath() const { return ptyPath_; }  // empty without a pty

    // Valid after a successful start (and after stop, until the next start).
    SimCore& core() { return *core_; }
    template <class F>
    decltype(auto) withChain(F&& f) {
        return core_->withChain(std::forward<F>(f));
    }

private:
    std::unique_ptr<SimCore> core_;
    std::unique_ptr<asio::io_context> io_;
    std::unique_ptr<TcpEndpoint> tcp_;
    std::shared_ptr<PtyEndpoint> pty_;
    std::thread thread_;
    std::uint16_t tcpPort_ = 0;
    std::string ptyPath_;
};

}  // namespace tvq::sim
