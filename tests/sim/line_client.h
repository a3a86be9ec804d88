#pragma once
// A plain blocking client for the simulator's TCP port and pseudo-terminal, with bounded waits.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/link/command_frame.h"

namespace tvq::sim::testing {

// Generous: only a broken simulator ever waits this long.
inline constexpr int kWaitMs = 3000;

class LineClient {
public:
    static LineClient tcp(std::uint16_t port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return LineClient(-1);
        }
        return LineClient(fd);
    }

    static LineClient serial(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            termios t{};
            ::tcgetattr(fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
        return LineClient(fd);
    }

    LineClient(LineClient&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ~LineClient() {
        if (fd_ >= 0) ::close(fd_);
    }

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    bool send(const CommandFrame& frame) {
        return ::write(fd_, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
    }

    // One read of what has arrived, waiting up to timeoutMs; empty on time-out, and `closed`
    // set when the peer has gone.
    std::vector<std::uint8_t> readOnce(int timeoutMs = kWaitMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return {};
        std::vector<std::uint8_t> bytes(64);
        const ssize_t n = ::read(fd_, bytes.data(), bytes.size());
        closed = n == 0;
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    }

    // Reads until a whole frame is in; also counts the reads it took.
    std::vector<std::uint8_t> readFrame(int* reads = nullptr) {
        std::vector<std::uint8_t> all;
        int count = 0;
        while (all.size() < kFrameSize) {
            const auto piece = readOnce();
            if (piece.empty()) break;
            ++count;
            all.insert(all.end(), piece.begin(), piece.end());
        }
        if (reads) *reads = count;
        return all;
    }

    bool closed = false;

private:
    explicit LineClient(int fd) : fd_(fd) {}
    int fd_;
};

inline std::vector<std::uint8_t> bytesOf(const CommandFrame& frame) {
    return {frame.begin(), frame.end()};
}

}  // namespace tvq::sim::testing
