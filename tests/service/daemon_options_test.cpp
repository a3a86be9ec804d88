// tvq418d's command line: what is taken, and that every mistake is a usage error (exit 2).

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/daemon_options.h"

namespace tvq::service {
namespace {

std::variant<DaemonOptions, DaemonExit> parse(std::vector<std::string> args) {
    std::vector<const char*> argv{"tvq418d"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return parseDaemonOptions(static_cast<int>(argv.size()), argv.data());
}

// A TCP link and the chain named after the socket are seen end to end; the rest here.
TEST(DaemonOptions, TakesASerialLinkAndAnAddressList) {
    const auto parsed =
        parse({"--serial", "/dev/ttyUSB0", "--addresses", "7,1-3,2", "--name", "foyer", "--socket",
               "f.sock", "--rate", "2.5", "--http", "[::1]:8418"});
    ASSERT_TRUE(std::holds_alternative<DaemonOptions>(parsed));
    const ServiceOptions& s = std::get<DaemonOptions>(parsed).service;
    EXPECT_TRUE(s.link.useSerial);
    EXPECT_EQ(s.addresses, (std::vector<std::uint8_t>{1, 2, 3, 7}));
    EXPECT_EQ(s.chain, "foyer");
    EXPECT_EQ(s.rate, 2.5);
    EXPECT_EQ(std::get<DaemonOptions>(parsed).httpHost, "::1");
    EXPECT_EQ(std::get<DaemonOptions>(parsed).httpPort, 8418);
}

TEST(DaemonOptions, MistakesAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases{
        {"--socket", "s"},  // no link
        {"--tcp", "1.2.3.4:9", "--serial", "/dev/x", "--socket", "s"},
        {"--tcp", "1.2.3.4:0", "--socket", "s"},  // port out of range
        {"--tcp", "0.0.0.0:9", "--socket", "s"},  // this very machine
        {"--tcp", "1.2.3.4", "--socket", "s"},    // no port
        {"--tcp", "1.2.3.4:9"},                   // no socket
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--addresses", "0"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--addresses", "1-256"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--addresses", "5-3"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--addresses", "1,,2"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--rate", "0"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--queue", "-1"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--bogus"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--http", "hall-pc:80"},  // a name
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--http", "127.0.0.1:65536"},
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--http", "0.0.0.0:80"},  // open, no tokens
        {"--tcp", "1.2.3.4:9", "--socket", "s", "--tokens", "t"},         // tokens, no web
    };
    for (const auto& args : cases) {
        const auto parsed = parse(args);
        ASSERT_TRUE(std::holds_alternative<DaemonExit>(parsed)) << args[1];
        EXPECT_EQ(std::get<DaemonExit>(parsed).exitCode, kDaemonExitUsage) << args[1];
        EXPECT_TRUE(std::get<DaemonExit>(parsed).text.starts_with("tvq418d: ")) << args[1];
    }
}

}  // namespace
}  // namespace tvq::service
