#include "service/unix_server.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include <asio/post.hpp>
#include <asio/write.hpp>

#include "core/service/request_line.h"

namespace tvq::service {

using Socket = asio::local::stream_protocol::socket;
using nlohmann::json;

namespace {

std::string userName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

// Who is on the other end, as the kernel saw it when it connected.
Peer peerOf(Socket& socket, std::uint64_t id) {
    Peer peer;
    peer.id = id;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0) {
        peer.pid = credentials.pid;
        peer.uid = static_cast<int>(credentials.uid);
        peer.user = userName(credentials.uid);
    }
    return peer;
}

bool whitespaceOnly(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(UnixServer& server, Socket socket, Peer peer)
        : server_(server), socket_(std::move(socket)), peer_(std::move(peer)) {}

    void start() {
        send(wireLine(server_.service_->greeting()));
        server_.service_->setEventSink(peer_.id, laterSender());
        read();
    }

    // Ends the connection; what the service still answers for it goes nowhere.
    void close() {
        if (closed_) return;
        closed_ = true;
        std::error_code ignored;
        socket_.shutdown(Socket::shutdown_both, ignored);
        socket_.close(ignored);
        server_.service_->peerGone(peer_);
        server_.forget(shared_from_this());
    }

private:
    // A sender for answers and events that come from the service's threads: each is posted to
    // the io thread, so output keeps its order and a connection gone meanwhile drops it.
    std::function<void(const json&)> laterSender() {
        return [weak = weak_from_this(), &io = server_.io_,
                &work = server_.serviceWork_](const json& message) {
            if (!io.get_executor().running_in_this_thread()) ++work;
            asio::post(io, [weak, message] {
                if (const auto self = weak.lock()) self->send(wireLine(message));
            });
        };
    }

    void read() {
        socket_.async_read_some(asio::buffer(chunk_), [self = shared_from_this()](
                                                          std::error_code error, std::size_t n) {
            if (self->closed_) return;
            if (error) return self->close();  // the client went, or the socket broke
            self->take(std::string_view(self->chunk_.data(), n));
            if (!self->closed_) self->read();
        });
    }

    // Splits what arrived into lines. A line over the cap is answered as soon as it passes it,
    // and the rest of it up to its newline is dropped unread.
    void take(std::string_view bytes) {
        while (!bytes.empty() && !closed_) {
            const std::size_t newline = bytes.find('\n');
            const std::string_view part = bytes.substr(0, newline);
            bytes.remove_prefix(newline == std::string_view::npos ? bytes.size() : newline + 1);
            if (!skipping_) {
                line_.append(part);
                if (line_.size() > kMaxRequestLine) {
                    later(tooLongAnswer());
                    line_.clear();
                    line_.shrink_to_fit();
                    skipping_ = true;
                }
            }
            if (newline == std::string_view::npos) break;
            if (!skipping_) request(line_);
            line_.clear();
            skipping_ = false;
        }
    }

    void request(std::string_view line) {
        if (whitespaceOnly(line)) return;  // an Enter pressed at a terminal is no request
        ParsedLine parsed = parseRequestLine(line);
        if (!parsed.ok()) return later(parsed.error);
        server_.service_->handle(peer_, parsed.request, laterSender());
    }

    // Every reply goes through the post queue, so a refusal made here cannot overtake an answer
    // the service made a moment earlier.
    void later(const json& message) { laterSender()(message); }

    void send(std::string line) {
        if (closed_) return;
        unsent_ += line.size();
        if (unsent_ > kMaxUnsentOutput) {
            std::fprintf(stderr, "tvq418d: client %s (pid %d) dropped: over %zu bytes unread\n",
                         peer_.user.c_str(), peer_.pid, kMaxUnsentOutput);
            return close();
        }
        if (stoppedReading()) {
            std::fprintf(stderr, "tvq418d: client %s (pid %d) dropped: nothing read for %lld s\n",
                         peer_.user.c_str(), peer_.pid,
                         static_cast<long long>(kMaxWriteStall.count()));
            return close();
        }
        output_.push_back(std::move(line));
        if (output_.size() == 1) write();
    }

    // A watcher that stops reading would otherwise be kept until its backlog reaches the cap,
    // which at a few events a second takes hours. The kernel says how much of what we wrote
    // still waits in the client's socket (in its own units): a live reader empties it or at
    // least shrinks it between two of our lines; one that lets it stand for a while has stopped.
    bool stoppedReading() {
        const auto now = std::chrono::steady_clock::now();
        int waiting = 0;
        if (::ioctl(socket_.native_handle(), SIOCOUTQ, &waiting) != 0) return false;
        const bool progress = waiting == 0 || waiting < waitingSeen_;
        waitingSeen_ = waiting;
        if (progress) progressAt_ = now;
        return !progress && now - progressAt_ > kMaxWriteStall;
    }

    void write() {
        asio::async_write(socket_, asio::buffer(output_.front()),
                          [self = shared_from_this()](std::error_code error, std::size_t) {
                              if (self->closed_) return;
                              if (error) return self->close();
                              self->unsent_ -= self->output_.front().size();
                              self->output_.pop_front();
                              if (!self->output_.empty()) self->write();
                          });
    }

    UnixServer& server_;
    Socket socket_;
    const Peer peer_;
    std::array<char, 16384> chunk_{};
    std::string line_;
    bool skipping_ = false;  // inside a line over the cap
    std::deque<std::string> output_;
    std::size_t unsent_ = 0;
    int waitingSeen_ = 0;  // unread in the client's socket when last looked
    std::chrono::steady_clock::time_point progressAt_ = std::chrono::steady_clock::now();
    bool closed_ = false;
};

UnixServer::UnixServer(asio::io_context& io, std::filesystem::path path)
    : io_(io), path_(std::move(path)), acceptor_(io), retry_(io) {
    const std::string shown = path_.string();
    if (shown.size() >= sizeof(sockaddr_un{}.sun_path))
        throw SocketError("socket path " + shown + " is too long (at most " +
                          std::to_string(sizeof(sockaddr_un{}.sun_path) - 1) + " bytes)");
    const asio::local::stream_protocol::endpoint endpoint(shown);

    struct stat info {};
    if (::lstat(shown.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode))
            throw SocketError(shown + " exists and is not a socket; not touching it");
        Socket probe(io_);
        std::error_code error;
        probe.connect(endpoint, error);
        if (!error)
            throw SocketError("a service is already listening on " + shown +
                              "; stop it first or choose another --socket");
        ::unlink(shown.c_str());  // left by a service that died
    }

    std::error_code error;
    acceptor_.open(endpoint.protocol(), error);
    if (!error) {
        // Owner and group only; the process umask would otherwise decide.
        const mode_t previous = ::umask(0117);
        acceptor_.bind(endpoint, error);
        ::umask(previous);
    }
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error) throw SocketError("cannot listen on " + shown + ": " + error.message());
    if (::lstat(shown.c_str(), &info) == 0) {
        ownsFile_ = true;
        fileInode_ = info.st_ino;
    }
}

UnixServer::~UnixServer() {
    close();
    // Only our own file: a successor may already have replaced it.
    struct stat info {};
    if (ownsFile_ && ::lstat(path_.c_str(), &info) == 0 && info.st_ino == fileInode_)
        ::unlink(path_.c_str());
}

void UnixServer::start(ChainService& service) {
    service_ = &service;
    accept();
}

void UnixServer::close() {
    std::error_code ignored;
    acceptor_.close(ignored);
    retry_.cancel();
    while (!connections_.empty()) (*connections_.begin())->close();
}

void UnixServer::accept() {
    acceptor_.async_accept([this](std::error_code error, Socket socket) {
        if (error == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (error) {
            // Out of descriptors and the like: try again shortly rather than spin.
            retry_.expires_after(std::chrono::milliseconds(100));
            retry_.async_wait([this](std::error_code waited) {
                if (!waited) accept();
            });
            return;
        }
        const Peer peer = peerOf(socket, nextPeerId_++);
        auto connection = std::make_shared<Connection>(*this, std::move(socket), peer);
        connections_.insert(connection);
        connection->start();
        if (clientsChanged_) clientsChanged_();
        accept();
    });
}

void UnixServer::forget(const std::shared_ptr<Connection>& connection) {
    connections_.erase(connection);
    if (clientsChanged_) clientsChanged_();
}

}  // namespace tvq::service
