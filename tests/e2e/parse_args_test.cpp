#include "cli/parse_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tvq::cli {
namespace {

ParsedArgs parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tvq418ctl");
    return parseArgs(static_cast<int>(args.size()), args.data());
}

CliOptions parseOk(std::vector<const char*> args) {
    const ParsedArgs parsed = parse(std::move(args));
    if (const auto* error = std::get_if<UsageError>(&parsed)) ADD_FAILURE() << error->message;
    const auto* options = std::get_if<CliOptions>(&parsed);
    return options ? *options : CliOptions{};
}

TEST(ParseArgs, DefaultsAndLinks) {
    const CliOptions tcp = parseOk({"--tcp", "127.0.0.1:5000", "status"});
    EXPECT_EQ(tcp.link, LinkKind::Tcp);
    EXPECT_EQ(tcp.ipv4, 0x7F000001u);
    EXPECT_EQ(tcp.port, 5000);
    EXPECT_EQ(tcp.address, 1);
    EXPECT_EQ(tcp.timeoutMs, 6000);
    EXPECT_FALSE(tcp.json);
    EXPECT_EQ(tcp.command, Command::Status);

    EXPECT_EQ(parseOk({"--tcp", "localhost:65535", "status"}).ipv4, 0x7F000001u);
    EXPECT_EQ(parseOk({"--tcp", "localhost:65535", "status"}).port, 65535);
    EXPECT_EQ(parseOk({"--tcp", "10.1.2.3:0", "status"}).ipv4, 0x0A010203u);

    const CliOptions serial =
        parseOk({"--serial", "/dev/pts/7", "--address", "3", "--timeout", "500", "page", "3"});
    EXPECT_EQ(serial.link, LinkKind::Serial);
    EXPECT_EQ(serial.serialPath, "/dev/pts/7");
    EXPECT_EQ(serial.address, 3);
    EXPECT_EQ(serial.timeoutMs, 500);
    EXPECT_EQ(serial.command, Command::Page);
    EXPECT_EQ(serial.page, 3);
}

TEST(ParseArgs, OptionsMayFollowTheCommandAndUseEquals) {
    const CliOptions o =
        parseOk({"source", "hdmi", "--json", "--tcp=127.0.0.1:9", "--address=0x10", "--timeout=0"});
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.port, 9);
    EXPECT_EQ(o.address, 16);
    EXPECT_EQ(o.timeoutMs, 0);
    EXPECT_EQ(o.command, Command::Source);
    EXPECT_EQ(o.source, 8);
}

TEST(ParseArgs, SendBytes) {
    struct Case {
        std::vector<const char*> bytes;
        CommandFrame expected;
    };
    const std::vector<Case> cases = {
        {{"05", "01", "17", "00", "00", "00", "00", "00", "00", "00", "00", "00"},
         {5, 1, 0x17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // byte 12 is kept as given; the exchange recomputes it
        {{"5", "0x1", "80", "8", "0", "0", "0", "0", "0", "0", "0", "0", "ff"},
         {5, 1, 0x80, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        {{"05 01 17 03 00 00 00 00 00 00 00 00"}, {5, 1, 0x17, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{"05,01,AB,cd", "0", "0", "0", "0", "0", "0", "0", "0"},
         {5, 1, 0xAB, 0xCD, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> args{"--tcp", "127.0.0.1:1", "send"};
        args.insert(args.end(), c.bytes.begin(), c.bytes.end());
        const CliOptions o = parseOk(args);
        EXPECT_EQ(o.command, Command::Send);
        EXPECT_EQ(o.frame, c.expected) << c.bytes[0];
    }
}

TEST(ParseArgs, SourcesByNameAndCode) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"V1", 0},   {"s-video", 4}, {"VGA2", 6},   {"DVI", 7}, {"HDMI", 8},
        {"EXT.", 9}, {"ext", 9},     {"YPbPr", 10}, {"10", 10}, {"0", 0},
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(parseOk({"--tcp", "127.0.0.1:1", "source", text}).source, code) << text;
}

TEST(ParseArgs, BadUsageIsRejectedWithAMessage) {
    struct Case {
        std::vector<const char*> args;
        std::string messagePart;
    };
    const std::vector<Case> cases = {
        {{"status"}, "no link"},
        {{"--tcp", "127.0.0.1:1", "--serial", "/dev/pts/1", "status"}, "not both"},
        {{"--tcp", "127.0.0.1:1"}, "no command"},
        {{"--tcp", "127.0.0.1:1", "reboot"}, "unknown command"},
        {{"--tcp", "127.0.0.1:1", "--verbose", "status"}, "unknown option"},
        {{"--tcp"}, "wants a value"},
        {{"status", "--address"}, "wants a value"},
        {{"--tcp", "127.0.0.1", "status"}, "HOST:PORT"},
        {{"--tcp", "127.0.0:1", "status"}, "bad host"},
        {{"--tcp", "example.org:1", "status"}, "bad host"},
        {{"--tcp", "0.0.0.0:1", "status"}, "0.0.0.0"},
        {{"--tcp", "127.0.0.1:65536", "status"}, "out of range"},
        {{"--tcp", "127.0.0.1:-1", "status"}, "out of range"},
        {{"--tcp", "127.0.0.1:", "status"}, "bad port"},
        {{"--tcp", "127.0.0.1:80x", "status"}, "bad port"},
        {{"--serial", "", "status"}, "device path"},
        {{"--tcp", "127.0.0.1:1", "--address", "256", "status"}, "bad address"},
        {{"--tcp", "127.0.0.1:1", "--address", "-1", "status"}, "bad address"},
        {{"--tcp", "127.0.0.1:1", "--address", "one", "status"}, "bad address"},
        {{"--tcp", "127.0.0.1:1", "--timeout", "-5", "status"}, "bad timeout"},
        {{"--tcp", "127.0.0.1:1", "--timeout", "99999999999", "status"}, "bad timeout"},
        {{"--tcp", "127.0.0.1:1", "status", "now"}, "no arguments"},
        {{"--tcp", "127.0.0.1:1", "--address", "0", "status"}, "--address 1..255"},
        {{"--tcp", "127.0.0.1:1", "--address", "0", "page", "1"}, "--address 1..255"},
        {{"--tcp", "127.0.0.1:1", "page"}, "one page"},
        {{"--tcp", "127.0.0.1:1", "page", "256"}, "bad page"},
        {{"--tcp", "127.0.0.1:1", "source"}, "one source"},
        {{"--tcp", "127.0.0.1:1", "source", "3"}, "unknown source"},
        {{"--tcp", "127.0.0.1:1", "source", "11"}, "unknown source"},
        {{"--tcp", "127.0.0.1:1", "source", "SDI"}, "unknown source"},
        {{"--tcp", "127.0.0.1:1", "send", "05", "01", "17"}, "got 3"},
        {{"--tcp", "127.0.0.1:1", "send", "05 01 17 00 00 00 00 00 00 00 00 00 13 00"}, "got 14"},
        {{"--tcp", "127.0.0.1:1", "send", "05 01 17 00 00 00 00 00 00 00 00 0g"}, "\"0g\""},
        {{"--tcp", "127.0.0.1:1", "send", "05 01 17 00 00 00 00 00 00 00 00 100"}, "\"100\""},
        {{"--tcp", "127.0.0.1:1", "send", "05 01 17 00 00 00 00 00 00 00 00 0x"}, "\"0x\""},
    };
    for (const Case& c : cases) {
        const ParsedArgs parsed = parse(c.args);
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << c.messagePart;
        EXPECT_NE(error->message.find(c.messagePart), std::string::npos)
            << "got: " << error->message;
        EXPECT_EQ(error->message.find('\n'), std::string::npos);
    }
}

TEST(ParseArgs, HelpWinsOverEverythingElse) {
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(parse({"--help"})));
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(parse({"bogus", "-h", "--address", "999"})));
    EXPECT_TRUE(std::holds_alternative<UsageError>(parse({})));
    EXPECT_NE(usageText().find("--serial PATH"), std::string_view::npos);
}

}  // namespace
}  // namespace tvq::cli
