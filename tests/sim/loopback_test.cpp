// The simulator on real loopback sockets and a real pseudo-terminal, run in-process.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <sys/ioctl.h>

#include "core/link/commands.h"
#include "core/link/serial_port.h"
#include "core/link/status_reply.h"
#include "core/platform/diagnostics.h"
#include "line_client.h"
#include "sim/pages.h"
#include "sim/sim_server.h"

namespace tvq::sim {
namespace {

using testing::bytesOf;
using testing::LineClient;

SimOptions tcpOptions() {
    SimOptions o;
    o.tcp = true;
    o.addresses = {1, 2};
    return o;
}

std::vector<std::uint8_t> expectedStatus(SimServer& server, std::uint8_t address) {
    return bytesOf(
        server.withChain([&](Chain& c) { return encodePage(c.find(address)->state(), 0); }));
}

TEST(SimLoopback, TcpClientsShareTheChain) {
    SimServer server;
    ASSERT_TRUE(server.start(tcpOptions()));
    LineClient a = LineClient::tcp(server.tcpPort());
    LineClient b = LineClient::tcp(server.tcpPort());
    ASSERT_TRUE(a.ok() && b.ok());

    ASSERT_TRUE(a.send(makeFrame(2, cmd::kMainSource, {8})));
    const auto ack = a.readFrame();
    ASSERT_EQ(ack.size(), kFrameSize);
    EXPECT_EQ(ack[2], cmd::kMainSource);

    ASSERT_TRUE(b.send(pageQuery(2)));
    const auto status = b.readFrame();
    EXPECT_EQ(status, expectedStatus(server, 2));
    CommandFrame frame{};
    std::copy(status.begin(), status.end(), frame.begin());
    EXPECT_EQ(checkStatusReply(frame, 2), StatusCheck::Ok);
    EXPECT_EQ(decodeStatus(frame).mainSource, 8);
}

TEST(SimLoopback, CloseFaultDropsTheConnectionAndANewOneWorks) {
    SimOptions o = tcpOptions();
    o.faults[Fault::Close] = 1.0;
    SimServer server;
    ASSERT_TRUE(server.start(o));
    {
        LineClient first = LineClient::tcp(server.tcpPort());
        ASSERT_TRUE(first.send(pageQuery(1)));
        EXPECT_TRUE(first.readOnce().empty());
        EXPECT_TRUE(first.closed);
    }
    server.core().faults().setProbability(Fault::Close, 0.0);
    LineClient second = LineClient::tcp(server.tcpPort());
    ASSERT_TRUE(second.send(pageQuery(1)));
    EXPECT_EQ(second.readFrame(), expectedStatus(server, 1));
}

// Gaps far longer than any scheduling hiccup keep the pieces apart on the wire.
TEST(SimLoopback, SplitFaultDeliversPieces) {
    SimOptions o = tcpOptions();
    o.faults[Fault::Split] = 1.0;
    o.faults.splitGapMinMs = 150;
    o.faults.splitGapMaxMs = 150;
    SimServer server;
    ASSERT_TRUE(server.start(o));
    LineClient client = LineClient::tcp(server.tcpPort());
    ASSERT_TRUE(client.send(pageQuery(1)));
    int reads = 0;
    EXPECT_EQ(client.readFrame(&reads), expectedStatus(server, 1));
    EXPECT_GE(reads, 2);
}

TEST(SimLoopback, PtyAnswersAtSerialPaceAndSurvivesReopen) {
    SimOptions o;
    o.pty = true;
    SimServer server;
    ASSERT_TRUE(server.start(o));
    ASSERT_FALSE(server.ptyPath().empty());
    for (int open = 0; open < 2; ++open) {
        LineClient line = LineClient::serial(server.ptyPath());
        ASSERT_TRUE(line.ok());
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(line.send(pageQuery(1)));
        EXPECT_EQ(line.readFrame(), expectedStatus(server, 1)) << "open " << open;
        // Thirteen bytes at 9600 baud cannot arrive sooner.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds{13});
    }
}

// Waits until the log holds `count` lines, or gives up after the usual wait.
std::vector<std::string> awaitLogLines(const std::string& path, std::size_t count) {
    std::vector<std::string> lines;
    for (int waited = 0; waited <= testing::kWaitMs; waited += 5) {
        lines.clear();
        std::ifstream log(path);
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        if (lines.size() >= count) break;
        ::usleep(5000);
    }
    return lines;
}

// A reply that goes out while no client has the port open is lost, as on a real port, rather
// than greeting the next client.
TEST(SimLoopback, PtyLosesWhatNobodyRead) {
    SimOptions o;
    o.pty = true;
    o.logPath = ::testing::TempDir() + "sim_pty_lost.log";
    std::remove(o.logPath.c_str());
    SimServer server;
    ASSERT_TRUE(server.start(o));
    {
        LineClient gone = LineClient::serial(server.ptyPath());
        ASSERT_TRUE(gone.send(pageQuery(1, 3)));
    }
    ASSERT_EQ(awaitLogLines(o.logPath, 2).size(), 2u);  // the query and its fate
    LineClient next = LineClient::serial(server.ptyPath());
    ASSERT_TRUE(next.send(pageQuery(1)));
    EXPECT_EQ(next.readFrame(), expectedStatus(server, 1));
}

// The controller's own serial port claims the line exclusively; on a pseudo-terminal that claim
// would outlive it and refuse every later open, unless the simulator lifts it.
TEST(SimLoopback, PtyLiftsTheControllersExclusiveClaim) {
    SimOptions o;
    o.pty = true;
    SimServer server;
    ASSERT_TRUE(server.start(o));
    const DiagnosticSink previous = setDiagnosticSink([](std::string_view) {});
    {
        CSerialPort port;
        ASSERT_EQ(port.Open(server.ptyPath()), 1);
        ASSERT_EQ(port.Configure(), 1);
        ASSERT_EQ(port.WriteFrame(pageQuery(1)), int(kFrameSize));
        std::vector<std::uint8_t> reply;
        std::uint8_t piece[kFrameSize];
        while (reply.size() < kFrameSize && port.waitReadable(Millis{testing::kWaitMs})) {
            const int n = port.ReadAvailable(piece, int(kFrameSize - reply.size()));
            reply.insert(reply.end(), piece, piece + std::max(n, 0));
        }
        EXPECT_EQ(reply, expectedStatus(server, 1));
    }
    setDiagnosticSink(previous);

    LineClient probe = LineClient::serial(server.ptyPath());  // root may open it regardless
    ASSERT_TRUE(probe.ok());
    int exclusive = 1;
    for (int waited = 0; waited < testing::kWaitMs && exclusive; waited += 5) {
        ASSERT_EQ(::ioctl(probe.fd(), TIOCGEXCL, &exclusive), 0);
        if (exclusive) ::usleep(5000);
    }
    EXPECT_EQ(exclusive, 0);
}

TEST(SimLoopback, LogsEveryFrameInAndOut) {
    const std::string path = ::testing::TempDir() + "sim_frames.log";
    std::remove(path.c_str());
    SimOptions o = tcpOptions();
    o.logPath = path;
    SimServer server;
    ASSERT_TRUE(server.start(o));
    {
        LineClient client = LineClient::tcp(server.tcpPort());
        ASSERT_TRUE(client.send(makeFrame(9, cmd::kReadPage)));  // nobody there
        ASSERT_TRUE(client.send(pageQuery(1)));
        EXPECT_EQ(client.readFrame().size(), kFrameSize);
    }
    server.stop();
    const std::vector<std::string> lines = awaitLogLines(path, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\"dir\":\"in\",\"endpoint\":\"tcp\",\"conn\":1,\"bytes\":\"05 09 17"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("\"bytes\":\"05 01 17 00 00 00 00 00 00 00 00 00 13\""),
              std::string::npos);
    EXPECT_NE(lines[2].find("\"dir\":\"out\""), std::string::npos);
    EXPECT_EQ(lines[2].find("fault"), std::string::npos);
    const auto monoOf = [](const std::string& line) { return std::stoll(line.substr(11)); };
    EXPECT_LE(monoOf(lines[1]), monoOf(lines[2]));
}

TEST(SimLoopback, StartFailsCleanlyAndStopTwiceIsHarmless) {
    SimServer first;
    ASSERT_TRUE(first.start(tcpOptions()));
    SimOptions clash = tcpOptions();
    clash.tcpPort = first.tcpPort();
    SimServer second;
    std::string error;
    EXPECT_FALSE(second.start(clash, &error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos);
    EXPECT_FALSE(second.running());
    first.stop();
    first.stop();
}

}  // namespace
}  // namespace tvq::sim
