// The TCP line against real loopback sockets.

#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>

#include "core/link/link_open.h"
#include "core/link/network_link.h"
#include "support/diagnostic_capture.h"

namespace tvq {
namespace {

using test::DiagnosticCapture;
using namespace std::chrono_literals;

constexpr std::uint32_t kLoopback = 0x7F000001;

// A loopback listener on a free port; backlog as given.
struct Listener {
    explicit Listener(int backlog = 8) { acceptor.listen(backlog); }
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor{io, {asio::ip::address_v4::loopback(), 0}};
    const std::uint16_t port = acceptor.local_endpoint().port();
};

TEST(NetworkLink, ConnectsAndNeverBlocksOnAnEmptyReceive) {
    Listener listener;
    auto link = connectWithTimeout(kLoopback, listener.port);
    ASSERT_NE(link, nullptr);
    asio::ip::tcp::socket peer = listener.acceptor.accept();
    std::uint8_t buf[13];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link->readAvailable(buf, 13), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    peer.close();
    EXPECT_TRUE(link->waitReadable(1000ms));
    EXPECT_EQ(link->readAvailable(buf, 13), -1) << "a closed peer is a broken line";
}

TEST(NetworkLink, RefusedConnectionFailsQuietly) {
    std::uint16_t port;
    {
        Listener closed;
        port = closed.port;
    }
    DiagnosticCapture capture;
    EXPECT_EQ(connectWithTimeout(kLoopback, port), nullptr);
    EXPECT_EQ(capture.text(), "");
}

TEST(NetworkLink, ConnectGivesUpWhenNobodyAnswers) {
    // A listener that never accepts, with its queue filled, drops further handshakes.
    Listener listener(0);
    std::vector<std::unique_ptr<NetworkLink>> filling;
    for (int i = 0; i < 8; ++i) {
        auto link = connectWithTimeout(kLoopback, listener.port, 200ms);
        if (!link) break;
        filling.push_back(std::move(link));
    }
    DiagnosticCapture capture;
    const auto start = std::chrono::steady_clock::now();
    auto link = connectWithTimeout(kLoopback, listener.port, 300ms);
    if (link) GTEST_SKIP() << "this kernel accepted past a full listen queue";
    EXPECT_EQ(capture.text(), "Connection timeout\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
}

TEST(PortText, ReadsAsASignedNumber) {
    struct Case {
        const char* text;
        bool inRange;
        std::int64_t value;
    };
    for (const Case c : {Case{"abc", true, 0}, Case{" +80x", true, 80}, Case{"65535", true, 65535},
                         Case{"65536", false, 65536}, Case{"-1", false, -1},
                         Case{"99999999999", false, 2147483648}}) {
        EXPECT_EQ(readPortText(c.text), c.value) << c.text;
        EXPECT_EQ(portInRange(readPortText(c.text)), c.inRange) << c.text;
    }
}

TEST(Ipv4Text, ParsesFourFields) {
    EXPECT_EQ(parseIPv4("127.0.0.1"), kLoopback);
    EXPECT_EQ(parseIPv4("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1..2.3", "1.2.3.4 "})
        EXPECT_EQ(parseIPv4(bad), std::nullopt) << bad;
    EXPECT_EQ(formatIPv4(0xC0000201), "192.0.2.1");
}

TEST(OpenNetworkLink, ReportsEveryOutcome) {
    std::vector<InfoText> info;
    auto sink = [&](const InfoText& t) { info.push_back(t); };

    auto result = openNetworkLink("127.0.0.1", "65536", sink);
    EXPECT_EQ(result.outcome, NetworkOpenResult::Outcome::PortOutOfRange);
    EXPECT_TRUE(info.empty()) << "out of range leaves the Info line alone";

    for (const char* ip : {"", "0.0.0.0", "nonsense"}) {
        info.clear();
        result = openNetworkLink(ip, "80", sink);
        EXPECT_EQ(result.outcome, NetworkOpenResult::Outcome::Failed) << ip;
        EXPECT_EQ(info, std::vector<InfoText>{InfoText::message(MessageId::OpenNetworkFail)});
    }

    Listener listener;
    info.clear();
    result = openNetworkLink("127.0.0.1", std::to_string(listener.port), sink);
    EXPECT_EQ(result.outcome, NetworkOpenResult::Outcome::Connected);
    EXPECT_NE(result.link, nullptr);
    EXPECT_EQ(info, std::vector<InfoText>{InfoText::message(MessageId::OpenNetworkSuccess)});
}

}  // namespace
}  // namespace tvq
