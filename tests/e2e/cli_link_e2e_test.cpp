// tvq418ctl against a healthy simulator, over TCP and over a pseudo-terminal.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

std::string shown(const Finished& run) {
    return "exit " + std::to_string(run.exitCode) + " after " +
           std::to_string(run.elapsed.count()) + " ms\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliOverLinks, StatusOverTcp) {
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"status"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_NE(run.out.find("result 13\nreply 05 01 17 "), std::string::npos) << shown(run);
    EXPECT_NE(run.out.find("\ndevice      1\nmain        "), std::string::npos) << shown(run);
    EXPECT_EQ(run.err, "");
}

TEST(CliOverLinks, StatusOverPtyPrintsTheTraceFirst) {
    Simulator sim(Via::Pty);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"status"});
    ASSERT_EQ(run.exitCode, 0) << shown(run);

    const std::regex sent(
        R"((^|\n)\d\d:\d\d:\d\d-\d\d\d -> 05 01 17 00 00 00 00 00 00 00 00 00 13\n)");
    const std::regex received(R"(\n\d\d:\d\d:\d\d-\d\d\d <- 05[ \n])");
    std::smatch sentAt;
    std::smatch receivedAt;
    ASSERT_TRUE(std::regex_search(run.out, sentAt, sent)) << shown(run);
    ASSERT_TRUE(std::regex_search(run.out, receivedAt, received)) << shown(run);
    const auto resultAt = run.out.find("result 13\n");
    ASSERT_NE(resultAt, std::string::npos) << shown(run);
    EXPECT_LT(sentAt.position(), receivedAt.position());
    EXPECT_LT(receivedAt.position(), static_cast<std::ptrdiff_t>(resultAt));
    EXPECT_NE(run.out.find("device      1\n", resultAt), std::string::npos) << shown(run);
}

TEST(CliOverLinks, JsonKeepsStdoutPure) {
    Simulator sim(Via::Pty);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"--json", "status"});
    ASSERT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_TRUE(run.out.starts_with(R"({"ok":true,"command":"status",)")) << shown(run);
    EXPECT_TRUE(run.out.ends_with("}}\n")) << shown(run);
    EXPECT_EQ(lineCount(run.out), 1u) << shown(run);
    EXPECT_NE(run.err.find("-> 05 01 17 00 00 00 00 00 00 00 00 00 13\n"), std::string::npos)
        << shown(run);
}

TEST(CliOverLinks, SourceSwitchShowsInTheStatus) {
    for (const Via via : {Via::Tcp, Via::Pty}) {
        Simulator sim(via);
        ASSERT_TRUE(sim.ready()) << sim.diagnostics();
        for (const auto& [source, name] :
             std::vector<std::pair<std::string, std::string>>{{"V2", "V2"}, {"hdmi", "HDMI"}}) {
            const Finished switched = sim.ctl({"source", source});
            EXPECT_EQ(switched.exitCode, 0) << shown(switched);
            EXPECT_NE(switched.out.find("reply 05 01 80 "), std::string::npos) << shown(switched);
            const Finished status = sim.ctl({"status"});
            EXPECT_EQ(status.exitCode, 0) << shown(status);
            EXPECT_NE(status.out.find("main        " + name + ","), std::string::npos)
                << shown(status);
        }
        const Finished json = sim.ctl({"--json", "status"});
        EXPECT_NE(json.out.find(R"("main":{"code":8,"name":"HDMI",)"), std::string::npos)
            << shown(json);
    }
}

TEST(CliOverLinks, BroadcastSendAwaitsNoReply) {
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    ASSERT_EQ(sim.ctl({"source", "V1"}).exitCode, 0);

    // The default 6 s reply wait would show in the elapsed time; a broadcast skips it.
    const Finished sent = sim.ctl({"--address", "0", "send", "05", "00", "80", "08", "00", "00",
                                   "00", "00", "00", "00", "00", "00"});
    EXPECT_EQ(sent.exitCode, 0) << shown(sent);
    EXPECT_LT(sent.elapsed, Millis{4000}) << shown(sent);
    EXPECT_NE(sent.out.find("result 0\n"), std::string::npos) << shown(sent);
    EXPECT_EQ(sent.out.find("reply 05"), std::string::npos) << shown(sent);

    // The chain took it: device 1 now shows HDMI (a few looks, the simulator works on its own).
    Finished status;
    for (int look = 0; look < 5; ++look) {
        status = sim.ctl({"status"});
        if (status.out.find("main        HDMI,") != std::string::npos) break;
    }
    EXPECT_NE(status.out.find("main        HDMI,"), std::string::npos) << shown(status);
}

TEST(CliOverLinks, PageRead) {
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"page", "3"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(reply 05 01 17( [0-9a-f]{2}){10}\n)")))
        << shown(run);
    const Finished json = sim.ctl({"--json", "page", "3"});
    EXPECT_NE(json.out.find(R"("sent":"05 01 17 03 00 00 00 00 00 00 00 00 10")"),
              std::string::npos)
        << shown(json);
}

TEST(CliOverLinks, ChainOfTwoDevices) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished second = sim.ctl({"--address", "2", "status"});
    EXPECT_EQ(second.exitCode, 0) << shown(second);
    EXPECT_NE(second.out.find("device      2\n"), std::string::npos) << shown(second);

    const Finished absent = sim.ctl({"--address", "3", "--timeout", "500", "status"});
    EXPECT_EQ(absent.exitCode, 1) << shown(absent);
    EXPECT_NE(absent.err.find("no reply from address 3"), std::string::npos) << shown(absent);
}

TEST(CliOverLinks, RefusedConnection) {
    // A loopback port that was just free and has no listener refuses at once.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(probe, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(probe, 1), 0);
    ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(probe);

    const std::string port = std::to_string(ntohs(address.sin_port));
    for (const bool json : {false, true}) {
        std::vector<std::string> args{"--tcp", "127.0.0.1:" + port, "status"};
        if (json) args.push_back("--json");
        const Finished run = ctl(args);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.err.find("could not open the link"), std::string::npos) << shown(run);
        EXPECT_EQ(lineCount(run.err), 1u) << shown(run);
        if (json) {
            EXPECT_TRUE(run.out.starts_with(R"({"ok":false,)")) << shown(run);
        }
    }
}

TEST(CliOverLinks, BadUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"status"},
        {"--tcp", "127.0.0.1:1", "send", "05", "01"},
        {"--tcp", "127.0.0.1:1", "send", "05 01 17 00 00 00 00 00 00 00 00 zz"},
        {"--tcp", "127.0.0.1:1", "--address", "300", "status"},
        {"--tcp", "127.0.0.1:99999", "status"},
        {"--tcp", "127.0.0.1:1", "source", "XYZ"},
        {"--serial", "/nonexistent/ttyTVQ", "status"},
    };
    for (const auto& args : cases) {
        const Finished run = ctl(args);
        EXPECT_EQ(run.exitCode, 2) << shown(run);
        EXPECT_EQ(run.out, "") << shown(run);
        EXPECT_EQ(lineCount(run.err), 1u) << shown(run);
        EXPECT_TRUE(run.err.starts_with("tvq418ctl: ")) << shown(run);
    }
    const Finished help = ctl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tvq418ctl")) << shown(help);
}

}  // namespace
}  // namespace tvq::e2e
