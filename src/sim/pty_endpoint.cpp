#include "sim/pty_endpoint.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/transmitter.h"

namespace tvq::sim {
namespace {

constexpr std::chrono::milliseconds kSweepPeriod{200};

bool makeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    t.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

PtyEndpoint::PtyEndpoint(asio::io_context& io, SimCore& core)
    : core_(core), master_(io), watch_(io), retry_(io), sweep_(io) {}

PtyEndpoint::~PtyEndpoint() {
    close();
}

bool PtyEndpoint::open(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || !makeRaw(slave_)) {
        error = std::string("cannot set up ") + name + ": " + std::strerror(errno);
        ::close(master);
        if (slave_ >= 0) ::close(slave_);
        slave_ = -1;
        return false;
    }
    makeRaw(master);
    path_ = name;
    master_.assign(master);
    std::error_code ec;
    master_.non_blocking(true, ec);

    // Watched only now, so our own open is not counted as a client.
    const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify >= 0 &&
        ::inotify_add_watch(notify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
        clients_ = 0;
        watch_.assign(notify);
        watchClients();
    } else if (notify >= 0) {
        ::close(notify);
    }

    std::weak_ptr<PtyEndpoint> weak = weak_from_this();
    transmitter_ = std::make_shared<Transmitter>(
        master_.get_executor(), kSerialByteTime,
        [weak](std::span<const std::uint8_t> bytes, std::function<void(bool)> done) {
            auto self = weak.lock();
            if (!self) return;
            self->drainClientEvents();
            if (self->clients_ == 0) {
                done(false);  // nobody on the line: the bytes are lost, as on a real port
                return;
            }
            writeEagerly(self->master_, bytes, std::move(done));
        },
        [this, weak](const ReplyPlan& plan, std::int64_t monoUs) {
            if (weak.lock()) core_.logReply(plan, {EndpointKind::Pty, 0}, monoUs);
        },
        nullptr);  // a serial line has nothing to close: such a reply is simply lost
    read();
    sweep();
    return true;
}

void PtyEndpoint::close() {
    if (transmitter_) transmitter_->cancel();
    std::error_code ec;
    retry_.cancel();
    sweep_.cancel();
    watch_.close(ec);
    master_.close(ec);
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
}

void PtyEndpoint::read() {
    master_.async_read_some(asio::buffer(buffer_), [self = shared_from_this()](
                                                       const std::error_code& ec, std::size_t n) {
        if (ec == asio::error::operation_aborted || !self->master_.is_open()) return;
        if (!ec) {
            self->take(n);
            self->read();
            return;
        }
        // EIO while no slave is open should not happen with ours held; retry, never exit.
        self->retry_.expires_after(std::chrono::milliseconds{50});
        self->retry_.async_wait([self](const std::error_code& waited) {
            if (!waited) self->read();
        });
    });
}

void PtyEndpoint::take(std::size_t n) {
    // The writer's open is already queued, its close too if it has gone since.
    drainClientEvents();
    const LineId line{EndpointKind::Pty, 0};
    FrameReader::Output out;
    reader_.feed({buffer_.data(), n}, std::chrono::steady_clock::now(), out);
    core_.logGarbage(out.garbage, line);
    for (const CommandFrame& frame : out.frames)
        for (ReplyPlan& plan : core_.receive(frame, line)) transmitter_->enqueue(std::move(plan));
}

void PtyEndpoint::watchClients() {
    watch_.async_wait(asio::posix::stream_descriptor::wait_read,
                      [self = shared_from_this()](const std::error_code& ec) {
                          if (ec) return;
                          self->drainClientEvents();
                          self->watchClients();
                      });
}

void PtyEndpoint::drainClientEvents() {
    if (!watch_.is_open()) return;
    for (;;) {
        const ssize_t n = ::read(watch_.native_handle(), events_.data(), events_.size());
        if (n <= 0) return;
        std::size_t at = 0;
        while (at + sizeof(inotify_event) <= static_cast<std::size_t>(n)) {
            inotify_event event;
            std::memcpy(&event, events_.data() + at, sizeof event);
            at += sizeof event + event.len;
            if (event.mask & IN_Q_OVERFLOW) clients_ = kUnknown;
            if (clients_ == kUnknown) continue;
            if (event.mask & IN_OPEN) ++clients_;
            if ((event.mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && clients_ > 0 &&
                --clients_ == 0)
                lastClientGone();
        }
    }
}

// What closing a real port does: unread input is gone and the port is free to open again.
void PtyEndpoint::lastClientGone() {
    if (slave_ < 0) return;
    ::ioctl(slave_, TIOCNXCL);
    ::tcflush(slave_, TCIFLUSH);
}

// Controllers keep each other out with a lock of their own; the exclusive flag is cleared early
// as well, so that a client reopening right after its close never finds it still set.
void PtyEndpoint::sweep() {
    if (slave_ < 0) return;
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (::ioctl(slave_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) ::ioctl(slave_, TIOCNXCL);
#endif
    sweep_.expires_after(kSweepPeriod);
    sweep_.async_wait([self = shared_from_this()](const std::error_code& ec) {
        if (!ec) self->sweep();
    });
}

}  // namespace tvq::sim
