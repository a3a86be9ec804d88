#include "core/link/network_link.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>

#include "core/platform/diagnostics.h"

namespace tvq {

NetworkLink::NetworkLink() : socket_(io_) {}

NetworkLink::~NetworkLink() {
    close();
}

int NetworkLink::writeFrame(const CommandFrame& frame) {
    if (!socket_.is_open()) return 0;
    const ssize_t n = ::send(socket_.native_handle(), frame.data(), frame.size(), MSG_NOSIGNAL);
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)) broken_ = true;
    return n > 0 ? static_cast<int>(n) : 0;
}

int NetworkLink::readAvailable(std::uint8_t* out, int max) {
    if (!socket_.is_open() || max <= 0) return -1;
    const ssize_t n = ::recv(socket_.native_handle(), out, static_cast<std::size_t>(max), 0);
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    broken_ = true;  // closed by the peer, or reset
    return -1;
}

bool NetworkLink::waitReadable(Millis timeout) {
    if (!socket_.is_open()) return false;
    pollfd p{socket_.native_handle(), POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(std::max<Millis::rep>(timeout.count(), 0))) > 0;
}

int NetworkLink::discardInput() {
    if (!socket_.is_open()) return 0;
    int dropped = 0;
    std::uint8_t sink[256];
    for (;;) {
        const ssize_t n = ::recv(socket_.native_handle(), sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0) broken_ = true;  // an orderly close by the peer
        if (n <= 0) break;
        dropped += static_cast<int>(n);
    }
    return dropped;
}

void NetworkLink::close() {
    asio::error_code ec;
    if (socket_.is_open()) socket_.close(ec);
}

std::unique_ptr<NetworkLink> connectWithTimeout(std::uint32_t address, std::uint16_t port,
                                                Millis timeout) {
    auto link = std::make_unique<NetworkLink>();
    auto& socket = link->socket();
    asio::error_code ec;
    socket.open(asio::ip::tcp::v4(), ec);
    if (ec) return nullptr;
    socket.non_blocking(true, ec);
    if (ec) return nullptr;

    // Asio's own connect waits without limit, so the socket's own call is used.
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(address);
    target.sin_port = htons(port);
    if (::connect(socket.native_handle(), reinterpret_cast<const sockaddr*>(&target),
                  sizeof target) == 0)
        return link;
    if (errno != EINPROGRESS && errno != EWOULDBLOCK && errno != EAGAIN) return nullptr;

    pollfd p{socket.native_handle(), POLLIN | POLLOUT, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (ready == 0) {
        diagnostic("Connection timeout\n");
        return nullptr;
    }
    if (ready < 0 || (p.revents & (POLLIN | POLLOUT)) == 0) {
        diagnostic("Unknown err in connect\n");
        return nullptr;
    }
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_ERROR, &pending, &length) != 0 ||
        pending != 0) {
        return nullptr;
    }
    return link;
}

std::int64_t readPortText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) {
            value = static_cast<std::int64_t>(INT32_MAX) + 1;  // saturated: out of range either way
            break;
        }
    }
    return negative ? -value : value;
}

bool portInRange(std::int64_t port) {
    return port >= 0 && port <= 65535;
}

std::optional<std::uint32_t> parseIPv4(std::string_view text) {
    std::uint32_t address = 0;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (p == end || *p != '.') return std::nullopt;
            ++p;
        }
        unsigned value = 0;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc{} || next == p || value > 255) return std::nullopt;
        address = (address << 8) | value;
        p = next;
    }
    if (p != end) return std::nullopt;
    return address;
}

std::string formatIPv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace tvq
