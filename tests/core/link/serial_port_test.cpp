// CSerialPort on a real pseudo-terminal.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "core/link/device_link.h"
#include "core/link/link_open.h"
#include "core/link/port_holder.h"
#include "core/link/serial_port.h"
#include "support/diagnostic_capture.h"

namespace tvq {
namespace {

using test::DiagnosticCapture;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class Pty : public ::testing::Test {
protected:
    void SetUp() override {
        int slave = -1;
        char name[256];
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
        ::close(slave);  // the port under test opens it by path
    }
    void TearDown() override { ::close(master); }

    void masterWrite(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    std::vector<std::uint8_t> masterRead(std::size_t count) {
        std::vector<std::uint8_t> got;
        while (got.size() < count) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) break;
            std::uint8_t buf[64];
            const ssize_t n = ::read(master, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    int master = -1;
    std::string path;
};

std::vector<std::uint8_t> bytes(const CommandFrame& f) {
    return {f.begin(), f.end()};
}

// Before Configure nothing moves and nothing is printed; after it every frame is traced, a
// read takes what is waiting up to 13 bytes and an empty read prints nothing.
TEST_F(Pty, MovesFramesOnlyWhenConfiguredAndTracesThem) {
    DiagnosticCapture capture;
    CSerialPort port;
    std::uint8_t buf[13];
    EXPECT_EQ(port.WriteFrame(pageQuery(1)), 0);
    ASSERT_EQ(port.Open(path), 1);
    EXPECT_EQ(port.WriteFrame(pageQuery(1)), 0);
    EXPECT_EQ(port.ReadAvailable(buf), 0);
    EXPECT_EQ(capture.text(), "");

    ASSERT_EQ(port.Configure(), 1);
    EXPECT_EQ(port.WriteFrame(pageQuery(1)), 13);
    EXPECT_EQ(masterRead(13), bytes(pageQuery(1)));
    EXPECT_TRUE(std::regex_match(
        capture.text(),
        std::regex(R"(\d\d:\d\d:\d\d-\d\d\d -> 05 01 17 00 00 00 00 00 00 00 00 00 13\n)")))
        << capture.text();
    capture.clear();
    EXPECT_EQ(port.ReadAvailable(buf), 0);
    EXPECT_EQ(capture.text(), "");

    const auto settle = [&] {
        ASSERT_TRUE(port.waitReadable(Millis{2000}));
        std::this_thread::sleep_for(Millis{20});  // the rest of the burst lands
    };
    masterWrite({5, 1, 2, 3, 4, 0xab});
    settle();
    EXPECT_EQ(port.ReadAvailable(buf), 6);
    EXPECT_THAT(capture.text(), HasSubstr(" <- 05 01 02 03 04 ab\n"));
    masterWrite(std::vector<std::uint8_t>(20, 0x11));
    settle();
    EXPECT_EQ(port.ReadAvailable(buf), 13);
    EXPECT_EQ(port.ReadAvailable(buf), 7) << "the other seven stayed queued";
}

TEST_F(Pty, OpenFailuresAreReportedAndLeaveThePortClosed) {
    DiagnosticCapture capture;
    CSerialPort port;
    EXPECT_EQ(port.Open("/dev/tvq418-no-such-port"), 0);
    EXPECT_THAT(capture.text(), StartsWith("CreateFile Error\nGetLastError: "));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(Pty, OpenSerialLinkTellsTheInfoLineThenThePath) {
    DiagnosticCapture capture;
    std::vector<InfoText> info;
    auto sink = [&](const InfoText& t) { info.push_back(t); };

    auto link = openSerialLink(path, sink);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(info, (std::vector<InfoText>{InfoText::message(MessageId::OpenComPortSuccess),
                                           InfoText::text(path)}));

    info.clear();
    EXPECT_EQ(openSerialLink(path, sink), nullptr) << "held by the first link";
    EXPECT_EQ(info, (std::vector<InfoText>{InfoText::message(MessageId::OpenComPortFail),
                                           InfoText::text(path)}));
    EXPECT_EQ(serialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
}

// The lock table and a holder's command line, as the kernel gives them; a real held port is in
// the service's end-to-end test.
TEST(PortHolder, ReadsTheLockTableAndTheSocketOption) {
    const std::string table =
        "1: FLOCK  ADVISORY  WRITE 77 00:19:3 0 EOF\n"
        "1: -> FLOCK  ADVISORY  WRITE 88 00:19:4 0 EOF\n"
        "2: POSIX  ADVISORY  WRITE 99 fd:01:3 0 EOF\n";
    EXPECT_EQ(lockHolder(table, 0x00, 0x19, 3), 77);
    EXPECT_EQ(lockHolder(table, 0xfd, 0x01, 3), 99);
    EXPECT_EQ(lockHolder(table, 0x00, 0x19, 4), std::nullopt) << "a waiter holds nothing";

    using namespace std::string_literals;
    EXPECT_EQ(socketOption("tvq418d\0--serial\0/dev/ttyS0\0--socket\0/run/a.sock\0"s),
              "/run/a.sock");
    EXPECT_EQ(socketOption("tvq418d\0--socket=/run/b.sock\0"s), "/run/b.sock");
    EXPECT_EQ(socketOption("tvq418d\0--serial\0/dev/ttyS0\0--socket"s), std::nullopt);
}

TEST(FindSerialPort, TheLastDevicePortWins) {
    EXPECT_EQ(findSerialPort({}), "");
    EXPECT_EQ(findSerialPort({{"\\Device\\Serial0", "COM1"}, {"\\Device\\USBSER000", "COM5"}}),
              "COM5");
    EXPECT_EQ(findSerialPort({{"\\Device\\Serial0", "COM1"}, {"Serial9", "COM9"}}), "COM1");
    EXPECT_EQ(findSerialPort({{"Other", "COM2"}}), "");
}

}  // namespace
}  // namespace tvq
