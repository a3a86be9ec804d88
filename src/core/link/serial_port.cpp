#include "core/link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <asio/serial_port_base.hpp>
#include <cerrno>
#include <cstdio>

#include "core/platform/diagnostics.h"

namespace tvq {
namespace {

void printErrorLine(int errorNumber) {
    diagnostic("GetLastError: " + lastErrorText(errorNumber) + "\n");
}

}  // namespace

void printTrafficLine(const char* direction, std::span<const std::uint8_t> bytes) {
    const LocalTimeOfDay t = localTimeOfDay();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d-%03d %s ", t.hour, t.minute, t.second,
                  t.millisecond, direction);
    diagnostic(stamp + hexBytes(bytes) + "\n");
}

CSerialPort::CSerialPort() : port_(io_) {}

CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::isOpen() const {
    return port_.is_open() && configured_ != 0;
}

int CSerialPort::fail(const char* what, bool closePort) {
    const int error = errno;
    lastError_ = error;
    diagnostic(what);
    printErrorLine(error);
    if (closePort) Close();
    return 0;
}

int CSerialPort::Open(const std::string& devicePath) {
    Close();
    broken_ = false;
    asio::error_code ec;
    port_.open(devicePath, ec);
    if (ec) {
        errno = ec.value();
        return fail("CreateFile Error\n", false);
    }
    // No sharing: neither another controller (flock) nor any other opener (TIOCEXCL).
    const int fd = port_.native_handle();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        port_.close(ec);
        errno = error;
        return fail("CreateFile Error\n", false);
    }
    ::ioctl(fd, TIOCEXCL);
    return 1;
}

int CSerialPort::Configure() {
    configured_ = 0;
    if (!port_.is_open()) {
        errno = EBADF;
        return fail("GetCommState Error\n", true);
    }
    termios settings{};
    if (::tcgetattr(port_.native_handle(), &settings) != 0)
        return fail("GetCommState Error\n", true);
    configured_ = 1;

    asio::error_code ec;
    port_.set_option(asio::serial_port_base::baud_rate(9600), ec);
    if (!ec)
        port_.set_option(asio::serial_port_base::parity(asio::serial_port_base::parity::none), ec);
    if (!ec) port_.set_option(asio::serial_port_base::character_size(8), ec);
    if (!ec)
        port_.set_option(asio::serial_port_base::stop_bits(asio::serial_port_base::stop_bits::one),
                         ec);
    if (ec) {
        errno = ec.value();
        return fail("SetCommState Error\n", true);
    }
    return 1;
}

int CSerialPort::WriteFrame(const CommandFrame& frame) {
    if (!isOpen()) return 0;
    std::size_t done = 0;
    const int fd = port_.native_handle();
    while (done < frame.size()) {
        const ssize_t n = ::write(fd, frame.data() + done, frame.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) broken_ = true;
            return fail("WriteFile Error\n", false);
        }
    }
    printTrafficLine("->", frame);
    return static_cast<int>(done);
}

int CSerialPort::bytesWaiting() {
    int waiting = 0;
    if (::ioctl(port_.native_handle(), FIONREAD, &waiting) != 0) return 0;
    return waiting;
}

int CSerialPort::ReadAvailable(std::uint8_t* bytes, int max) {
    if (!isOpen()) return 0;
    const int waiting = bytesWaiting();
    if (waiting <= 0) return 0;
    const int wanted = std::min({waiting, max, static_cast<int>(kFrameSize)});
    const ssize_t n = ::read(port_.native_handle(), bytes, static_cast<std::size_t>(wanted));
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return 0;
        if (errno == EIO || errno == ENXIO || errno == ENODEV) broken_ = true;
        return fail("ReadFile Error\n", false);
    }
    printTrafficLine("<-", {bytes, static_cast<std::size_t>(n)});
    return static_cast<int>(n);
}

int CSerialPort::readAvailable(std::uint8_t* out, int max) {
    return ReadAvailable(out, max);
}

bool CSerialPort::waitReadable(Millis timeout) {
    if (!isOpen()) return false;
    pollfd p{port_.native_handle(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::max<Millis::rep>(timeout.count(), 0)));
    if (ready <= 0) return false;
    if (p.revents & POLLIN) return true;
    // A hung-up line (the far end of a pseudo-terminal closed, a USB adapter pulled) never gets
    // data again: say so, and wait the time out rather than spin.
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) broken_ = true;
    if (timeout.count() > 0) ::usleep(static_cast<useconds_t>(timeout.count()) * 1000);
    return false;
}

int CSerialPort::discardInput() {
    if (!isOpen()) return 0;
    int dropped = 0;
    std::uint8_t sink[256];
    for (int waiting = bytesWaiting(); waiting > 0; waiting = bytesWaiting()) {
        const ssize_t n =
            ::read(port_.native_handle(), sink,
                   std::min<std::size_t>(sizeof sink, static_cast<std::size_t>(waiting)));
        if (n <= 0) break;
        dropped += static_cast<int>(n);
    }
    return dropped;
}

void CSerialPort::Close() {
    asio::error_code ec;
    if (port_.is_open()) {
        // A pseudo-terminal keeps the exclusive flag after we close it; hand the port back clean.
        ::ioctl(port_.native_handle(), TIOCNXCL);
        port_.close(ec);
    }
    configured_ = 0;
}

std::string findSerialPort(const std::vector<PresentPort>& ports) {
    std::string found;
    for (const PresentPort& port : ports)
        if (port.deviceName.starts_with(kDeviceNamePrefix)) found = port.portName;
    return found;
}

}  // namespace tvq
