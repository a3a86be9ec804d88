#include "sim/sim_server.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"

namespace tvq::sim {

SimServer::SimServer() = default;

SimServer::~SimServer() {
    stop();
}

bool SimServer::start(const SimOptions& options, std::string* error) {
    stop();
    std::string reason;
    const auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        tcp_.reset();
        pty_.reset();
        io_.reset();
        return false;
    };

    std::unique_ptr<FrameLog> log;
    if (!options.logPath.empty()) {
        log = FrameLog::open(options.logPath);
        if (!log) return fail("cannot open the log file " + options.logPath);
    }
    core_ = std::make_unique<SimCore>(options.addresses, options.faults, options.seed,
                                      std::move(log), Millis{options.answerMs});
    for (const auto& [address, format] : options.outputFormats) {
        const bool found = core_->withChain([&](Chain& chain) {
            bool any = false;
            for (Processor& p : chain.processors())
                if (address == 0 || p.address() == address) any = p.state().setOutputFormat(format);
            return any;
        });
        if (!found)
            return fail("--output-format: no processor at address " + std::to_string(address));
    }
    io_ = std::make_unique<asio::io_context>(1);
    tcpPort_ = 0;
    ptyPath_.clear();
    if (options.tcp) {
        tcp_ = std::make_unique<TcpEndpoint>(*io_, *core_);
        if (!tcp_->open(options.tcpHost, options.tcpPort, reason)) return fail(reason);
        tcpPort_ = tcp_->port();
    }
    if (options.pty) {
        pty_ = std::make_shared<PtyEndpoint>(*io_, *core_);
        if (!pty_->open(reason)) return fail(reason);
        ptyPath_ = pty_->path();
    }
    thread_ = std::thread([io = io_.get()] {
        auto work = asio::make_work_guard(*io);
        io->run();
    });
    return true;
}

void SimServer::stop() {
    if (!io_) return;
    io_->stop();
    if (thread_.joinable()) thread_.join();
    // The loop is still now, so the endpoints can be closed from here.
    if (tcp_) tcp_->close();
    if (pty_) pty_->close();
    // Let the aborted operations finish, so their handlers release sessions and endpoints
    // while the io_context is still whole.
    io_->restart();
    io_->poll();
    tcp_.reset();
    pty_.reset();
    io_.reset();
}

}  // namespace tvq::sim
