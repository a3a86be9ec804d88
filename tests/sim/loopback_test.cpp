// The simulator on a real pseudo-terminal, run in-process. (TCP clients and the close fault:
// tvq418ctl against the simulator.)

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/link/commands.h"
#include "sim/pages.h"
#include "sim/sim_server.h"

namespace tvq::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWaitMs = 3000;  // only a broken simulator ever waits this long

// A plain blocking client of the line.
struct Client {
    int fd;

    // The simulator keeps its line raw, as a serial port is.
    explicit Client(const std::string& pty) : fd(::open(pty.c_str(), O_RDWR | O_NOCTTY)) {
        EXPECT_GE(fd, 0) << pty;
    }
    ~Client() { ::close(fd); }

    void send(const CommandFrame& f) {
        EXPECT_EQ(::write(fd, f.data(), f.size()), static_cast<ssize_t>(f.size()));
    }
    // Reads until a whole frame is in; stops early on time-out or hang-up.
    Bytes readFrame() {
        Bytes all;
        std::uint8_t piece[64];
        pollfd p{fd, POLLIN, 0};
        while (all.size() < kFrameSize && ::poll(&p, 1, kWaitMs) > 0) {
            const ssize_t n = ::read(fd, piece, sizeof piece);
            if (n <= 0) break;
            all.insert(all.end(), piece, piece + n);
        }
        return all;
    }
};

class SimLoopback : public ::testing::Test {
protected:
    Bytes status(std::uint8_t address) {
        const CommandFrame f =
            server.withChain([&](Chain& c) { return encodePage(c.find(address)->state(), 0); });
        return {f.begin(), f.end()};
    }

    SimOptions options;
    SimServer server;
};

// A client that leaves without reading its replies, and without lifting the exclusive claim a
// controller puts on its port, must not spoil the next one's exchange: what it left unread is
// lost, as on a real port, and the claim is lifted.
TEST_F(SimLoopback, PtySurvivesClientsComingAndGoing) {
    options.pty = true;
    options.logPath = ::testing::TempDir() + "sim_pty" + std::to_string(::getpid()) + ".log";
    std::remove(options.logPath.c_str());
    ASSERT_TRUE(server.start(options));
    const auto awaitLog = [&](std::size_t count) {  // each query and its fate
        std::vector<std::string> lines;
        for (int waited = 0; lines.size() < count && waited < kWaitMs; waited += 5) {
            ::usleep(5000);
            std::ifstream in(options.logPath);
            lines.clear();
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        return lines;
    };
    {
        Client gone(server.ptyPath());
        gone.send(pageQuery(1));
        EXPECT_EQ(gone.readFrame(), status(1));
        ASSERT_EQ(::ioctl(gone.fd, TIOCEXCL), 0);
        gone.send(pageQuery(1, 3));
        ASSERT_EQ(awaitLog(4).size(), 4u);  // that reply is on the line, never read
        gone.send(pageQuery(1, 4));
    }  // and this one goes out after it has left
    const std::vector<std::string> log = awaitLog(6);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_NE(log[2].find(R"("endpoint":"pty","bytes":"05 01 17 03 00)"), std::string::npos);

    Client next(server.ptyPath());  // root may open it regardless of the claim
    int exclusive = 1;
    for (int waited = 0; exclusive && waited < kWaitMs; waited += 5) {
        ASSERT_EQ(::ioctl(next.fd, TIOCGEXCL, &exclusive), 0);
        if (exclusive) ::usleep(5000);
    }
    EXPECT_EQ(exclusive, 0);
    next.send(pageQuery(1));
    EXPECT_EQ(next.readFrame(), status(1));
    std::remove(options.logPath.c_str());
}

}  // namespace
}  // namespace tvq::sim
