#include "sim/tcp_endpoint.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "sim/frame_reader.h"
#include "sim/transmitter.h"

namespace tvq::sim {

// One client connection: frames in, planned replies out, until either side closes.
class TcpSession : public std::enable_shared_from_this<TcpSession> {
public:
    TcpSession(asio::ip::tcp::socket socket, SimCore& core, unsigned connection)
        : socket_(std::move(socket)), core_(core), line_{EndpointKind::Tcp, connection} {}

    void start() {
        std::error_code ec;
        socket_.non_blocking(true, ec);
        std::weak_ptr<TcpSession> weak = weak_from_this();
        transmitter_ = std::make_shared<Transmitter>(
            socket_.get_executor(), std::chrono::nanoseconds{0},
            [weak](std::span<const std::uint8_t> bytes, std::function<void(bool)> done) {
                auto self = weak.lock();
                if (!self) return;
                writeEagerly(self->socket_, bytes, std::move(done));
            },
            [this, weak](const ReplyPlan& plan, std::int64_t monoUs) {
                if (weak.lock()) core_.logReply(plan, line_, monoUs);
            },
            [weak] {
                if (auto self = weak.lock()) self->close();
            });
        read();
    }

    void close() {
        if (transmitter_) transmitter_->cancel();
        std::error_code ec;
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
        socket_.close(ec);
    }

private:
    void read() {
        socket_.async_read_some(
            asio::buffer(buffer_),
            [self = shared_from_this()](const std::error_code& ec, std::size_t n) {
                if (ec) {
                    self->close();
                    return;
                }
                self->take(n);
                self->read();
            });
    }

    void take(std::size_t n) {
        FrameReader::Output out;
        reader_.feed({buffer_.data(), n}, std::chrono::steady_clock::now(), out);
        core_.logGarbage(out.garbage, line_);
        for (const CommandFrame& frame : out.frames)
            for (ReplyPlan& plan : core_.receive(frame, line_))
                transmitter_->enqueue(std::move(plan));
    }

    asio::ip::tcp::socket socket_;
    SimCore& core_;
    LineId line_;
    FrameReader reader_;
    std::array<std::uint8_t, 512> buffer_{};
    std::shared_ptr<Transmitter> transmitter_;
};

TcpEndpoint::TcpEndpoint(asio::io_context& io, SimCore& core)
    : core_(core), acceptor_(io), retry_(io) {}

TcpEndpoint::~TcpEndpoint() {
    close();
}

bool TcpEndpoint::open(const std::string& host, std::uint16_t port, std::string& error) {
    std::error_code ec;
    const auto address = asio::ip::make_address_v4(host, ec);
    if (ec) {
        error = "not an IPv4 address: " + host;
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(address, port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
        acceptor_.close(ec);
        return false;
    }
    port_ = acceptor_.local_endpoint(ec).port();
    accept();
    return true;
}

void TcpEndpoint::close() {
    std::error_code ec;
    acceptor_.close(ec);
    retry_.cancel();
    for (auto& weak : sessions_)
        if (auto session = weak.lock()) session->close();
    sessions_.clear();
}

void TcpEndpoint::accept() {
    acceptor_.async_accept([this](const std::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (ec) {
            retry_.expires_after(std::chrono::milliseconds{100});
            retry_.async_wait([this](const std::error_code& waited) {
                if (!waited && acceptor_.is_open()) accept();
            });
            return;
        }
        std::erase_if(sessions_, [](const auto& weak) { return weak.expired(); });
        if (sessions_.size() < kMaxClients) {
            std::error_code ignored;
            socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            auto session =
                std::make_shared<TcpSession>(std::move(socket), core_, nextConnection_++);
            sessions_.push_back(session);
            session->start();
        } else {
            std::fprintf(stderr, "tvq418-sim: %zu TCP clients already, one more turned away\n",
                         sessions_.size());
        }
        accept();
    });
}

}  // namespace tvq::sim
