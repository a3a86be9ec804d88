// tvq418ctl run as a process against tvq418-sim, healthy and faulty, over TCP and a
// pseudo-terminal.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

TEST(Cli, StatusAndSourceSwitchOnBothLinks) {
    for (const Via via : {Via::Tcp, Via::Pty}) {
        SCOPED_TRACE(via == Via::Tcp ? "tcp" : "pty");
        Simulator sim(via);
        ASSERT_TRUE(sim.ready()) << sim.diagnostics();
        const Finished switched = sim.ctl({"source", "hdmi"});
        EXPECT_EQ(switched.exitCode, 0) << shown(switched);
        EXPECT_TRUE(has(switched.out, "result 13\nreply 05 01 80 ")) << shown(switched);
        // With --json stdout holds one object and nothing else.
        const Finished json = sim.ctl({"--json", "status"});
        EXPECT_EQ(json.exitCode, 0) << shown(json);
        EXPECT_TRUE(json.out.starts_with(R"({"ok":true,"command":"status",)")) << shown(json);
        EXPECT_TRUE(has(json.out, R"("main":{"code":8,"name":"HDMI",)")) << shown(json);
        EXPECT_EQ(json.out.find('\n'), json.out.size() - 1) << shown(json);
        if (via == Via::Tcp) continue;

        // The line trace goes to stdout ahead of the result, or to stderr beside JSON.
        const std::string query = " -> 05 01 17 00 00 00 00 00 00 00 00 00 13\n";
        const Finished status = sim.ctl({"status"});
        EXPECT_LT(status.out.find(query), status.out.find(" <- 05")) << shown(status);
        EXPECT_LT(status.out.find(" <- 05"), status.out.find("result 13")) << shown(status);
        EXPECT_TRUE(has(json.err, query)) << shown(json);
        const Finished page = sim.ctl({"page", "3"});
        EXPECT_EQ(page.exitCode, 0) << shown(page);
        EXPECT_TRUE(has(page.out, " -> 05 01 17 03 00 00 00 00 00 00 00 00 10\n")) << shown(page);
    }
}

TEST(Cli, BroadcastReturnsAtOnceAndReachesTheChain) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    ASSERT_EQ(sim.ctl({"--address", "2", "source", "V1"}).exitCode, 0);

    // The default 6 s reply wait would show in the elapsed time; a broadcast skips it.
    const Finished sent =
        sim.ctl({"--address", "0", "send", "05 00 80 08 00 00 00 00 00 00 00 00"});
    EXPECT_EQ(sent.exitCode, 0) << shown(sent);
    EXPECT_LT(sent.elapsed, Millis{4000}) << shown(sent);
    EXPECT_TRUE(has(sent.out, "result 0\n")) << shown(sent);
    EXPECT_FALSE(has(sent.out, "reply 05")) << shown(sent);

    // Device 2 took it too (a few looks: the simulated chain passes it on in its own time).
    Finished status;
    for (int look = 0; look < 5 && !has(status.out, "main        HDMI,"); ++look)
        status = sim.ctl({"--address", "2", "status"});
    EXPECT_TRUE(has(status.out, "device      2\nmain        HDMI,")) << shown(status);
}

TEST(Cli, EachFaultHasItsOutcome) {
    struct Case {
        const char* fault;
        Via via;
        std::vector<std::string> args;
        int exitCode;
        std::string errorPart;  // on stderr; empty means stderr stays empty
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"--drop", Via::Tcp, {"--timeout", "500", "status"}, 1, "no reply from address 1 within 500 ms"},
        {"--drop", Via::Pty, {"--timeout", "500", "source", "HDMI"}, 1, "no reply from address 1"},
        {"--corrupt", Via::Tcp, {"status"}, 1, "status rejected: bad check byte"},
        {"--wrong-address", Via::Tcp, {"status"}, 1, "status rejected: reply from address "},
        {"--ff6", Via::Tcp, {"status"}, 1, "the device reports no status"},
        {"--split", Via::Tcp, {"status"}, 0, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + (c.via == Via::Tcp ? " over tcp" : " over pty"));
        Simulator sim(c.via, {"--seed", "7", c.fault, "1"});
        ASSERT_TRUE(sim.ready()) << sim.diagnostics();
        const Finished run = sim.ctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << shown(run);
        // Generous bound: the longest wait asked for is 500 ms, the rest is process start-up.
        EXPECT_LT(run.elapsed, Millis{5000}) << shown(run);
        if (c.errorPart.empty()) {
            EXPECT_EQ(run.err, "") << shown(run);
            EXPECT_TRUE(has(run.out, "device      1\n")) << shown(run);
        } else {
            EXPECT_TRUE(has(run.err, c.errorPart)) << shown(run);
            EXPECT_FALSE(has(run.out, "device      1")) << shown(run);
        }
    }
}

TEST(Cli, RefusedPortFailsWithOneLine) {
    // A loopback port bound without listening refuses connections while the client runs.
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string endpoint = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const Finished run = ctl({"--tcp", endpoint, "status", "--json"});
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    EXPECT_TRUE(run.err.starts_with("tvq418ctl: could not open the link")) << shown(run);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown(run);
    EXPECT_TRUE(run.out.starts_with(R"({"ok":false,)")) << shown(run);
    ::close(holder);
}

TEST(Cli, BadUsageExitsWithTwo) {
    const std::string kTcp = "--tcp=127.0.0.1:1";  // never reached: usage is judged first
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--serial", "/nonexistent/ttyTVQ", "status"},  // found out only when opening it
        {kTcp, "--json", "--timeout", "0", "status"},
        {"--serial", "/nonexistent/ttyTVQ", "--json", "status"},
    };
    for (const auto& args : cases) {
        const Finished run = ctl(args);
        EXPECT_EQ(run.exitCode, 2) << shown(run);
        EXPECT_TRUE(run.err.starts_with("tvq418ctl: ")) << shown(run);
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown(run);
        if (std::find(args.begin(), args.end(), "--json") == args.end()) {
            EXPECT_EQ(run.out, "") << shown(run);
            continue;
        }
        // One JSON object, carrying the same message as the stderr line.
        const std::string message = run.err.substr(11, run.err.find_first_of("\"(\n", 11) - 11);
        EXPECT_TRUE(run.out.starts_with(R"({"ok":false,"error":"usage","message":")" + message))
            << shown(run);
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << shown(run);
    }
    const Finished help = ctl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tvq418ctl")) << shown(help);
}

}  // namespace
}  // namespace tvq::e2e
