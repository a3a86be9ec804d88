// tvq418ctl run as a process against tvq418-sim, healthy and faulty, over TCP and a
// pseudo-terminal.

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
    }
}

TEST(Cli, BroadcastReachesTheChainAndAnInterruptedScanListsWhatItFound) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();

    // The default 6 s reply wait would show in the elapsed time; a broadcast skips it.
    const Finished sent =
        sim.ctl({"--address", "0", "send", "05 00 80 08 00 00 00 00 00 00 00 00"});
    EXPECT_EQ(sent.exitCode, 0) << shown(sent);
    EXPECT_LT(sent.elapsed, Millis{4000}) << shown(sent);
    EXPECT_TRUE(has(sent.out, "result 0\n")) << shown(sent);
    EXPECT_FALSE(has(sent.out, "reply 05")) << shown(sent);

    // Ctrl-C a few addresses into 1..255; both devices took the broadcast (they start on V1).
    const Finished scan = sim.ctl(
        {"scan"}, Millis{15000},
        [until = Clock::now() + Millis{800}](const std::string&) { return Clock::now() >= until; });
    EXPECT_EQ(scan.exitCode, 1) << shown(scan);
    EXPECT_LT(scan.elapsed, Millis{2000}) << shown(scan);
    EXPECT_TRUE(has(scan.out, "address 1  main HDMI  signal yes\naddress 2  main HDMI"))
        << shown(scan);
    EXPECT_TRUE(has(scan.err, " of 255 addresses; the list is incomplete\n")) << shown(scan);
}

// tvq418ctl scan: who answers, as a script reads it. (An answer from another address: the scan's
// own tests.)
TEST(Cli, ScanListsTheChain) {
    Simulator chain(Via::Pty, {"--addresses", "1,2,5"});
    ASSERT_TRUE(chain.ready()) << chain.diagnostics();
    const Finished run = chain.ctl({"scan", "--from", "1", "--to", "8", "--json"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_EQ(run.out,
              "[{\"address\":1,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":2,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":5,\"main\":\"V1\",\"signal\":true}]\n");
    EXPECT_FALSE(has(run.err, "scanning")) << "progress only on a terminal";
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
        {"--close", Via::Tcp, {"--timeout", "1000", "status"}, 1, "the connection closed after 0 of 13 bytes"},
        {"--corrupt", Via::Tcp, {"status"}, 1, "status rejected: bad check byte"},
        {"--wrong-address", Via::Tcp, {"status"}, 1, "status rejected: reply from address "},
        {"--ff6", Via::Tcp, {"status"}, 1, "the device reports no status"},
        {"--split", Via::Tcp, {"status"}, 0, ""}
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

TEST(Cli, FailuresBeforeTheCommandAreOneLineAndUnderJsonOneObject) {
    const std::string refused = "--tcp=127.0.0.1:1";  // nothing listens on port 1
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errorPart;  // on stderr, and as the JSON message
    };
    const std::vector<Case> cases = {
        {{}, 2, "no link"},
        {{refused, "--json", "--timeout", "0", "status"}, 2, "bad timeout"},
        {{"--serial", "/nonexistent/ttyTVQ", "--json", "status"}, 1, ": No such file or directory"},
        {{refused, "--json", "status"}, 1, "could not open the link"},
        {{"--service", "/nonexistent/t.sock", "--json", "status"}, 1, "t.sock: no such socket"},
        {{refused, "--json", "wall", "program", "--rows", "1", "--cols", "1", "--widths", "1",
          "--heights", "1"},
         1,
         "could not open the link"}};
    for (const Case& c : cases) {
        const Finished run = ctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << shown(run);
        // The last line; a serial port's diagnostics may come before it under --json.
        const std::string line = run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1);
        EXPECT_TRUE(line.starts_with("tvq418ctl: ") && has(line, c.errorPart)) << shown(run);
        if (std::find(c.args.begin(), c.args.end(), "--json") == c.args.end()) {
            EXPECT_EQ(run.out, "") << shown(run);
            continue;
        }
        // One JSON object, carrying the same message as the stderr line.
        std::string message = line.substr(11, line.find_first_of("\"\n", 11) - 11);
        message = message.substr(0, message.find(" (try"));
        const std::string kind = c.exitCode == 2 ? "usage" : "link";
        EXPECT_TRUE(
            run.out.starts_with(R"({"ok":false,"error":")" + kind + R"(","message":")" + message))
            << shown(run);
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << shown(run);
    }
    const Finished help = ctl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tvq418ctl")) << shown(help);
}

}  // namespace
}  // namespace tvq::e2e
