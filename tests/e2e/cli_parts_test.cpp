// The client's parts on their own: its command line, its checks on a reply and how it shows one,
// and its wall commands.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/parse_args.h"
#include "cli/reply_check.h"
#include "cli/run_command.h"
#include "cli/status_format.h"
#include "cli/wall_command.h"
#include "core/link/status_reply.h"
#include "support/scripted_link.h"

namespace tvq::cli {
namespace {

ParsedArgs parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tvq418ctl");
    return parseArgs(static_cast<int>(args.size()), args.data());
}

// Throws, failing the test, when the arguments are refused.
CliOptions parseOk(std::vector<const char*> args) {
    return std::get<CliOptions>(parse(std::move(args)));
}

TEST(ParseArgs, DefaultsAndOptions) {
    const CliOptions tcp = parseOk({"--tcp", "localhost:65535", "status"});
    EXPECT_EQ(tcp.ipv4, 0x7F000001u);
    EXPECT_EQ(tcp.port, 65535);

    // Options may follow the command and take their value after '='.
    const CliOptions serial = parseOk(
        {"page", "3", "--json", "--serial=/dev/pts/7", "--address=0x10", "--timeout", "100"});
    EXPECT_EQ(serial.serialPath, "/dev/pts/7");
    EXPECT_EQ(serial.address, 16);
    EXPECT_EQ(serial.timeoutMs, 100);
    EXPECT_TRUE(serial.json);
    EXPECT_EQ(serial.command, Command::Page);
    EXPECT_EQ(serial.page, 3);

    const CliOptions watch = parseOk({"--service", "/run/tvq418/hall.sock", "watch", "--since=42",
                                      "--events", "link,state,link"});
    EXPECT_EQ(watch.servicePath, "/run/tvq418/hall.sock");
    EXPECT_EQ(watch.command, Command::Watch);
    EXPECT_EQ(watch.watchSince, 42u);
    EXPECT_EQ(watch.watchEvents, (std::vector<std::string>{"link", "state"}));
}

TEST(ParseArgs, SendBytesApartOrAsOneList) {
    // Byte 12 is kept as given; the exchange recomputes it.
    const CliOptions o = parseOk({"--tcp", "127.0.0.1:1", "send", "05,01,80,08", "0", "0", "0", "0",
                                  "0", "0", "0", "0", "0xFF"});
    EXPECT_EQ(o.command, Command::Send);
    EXPECT_EQ(o.frame, (CommandFrame{5, 1, 0x80, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
    // Without --address the frame says where it goes, a broadcast included.
    for (const char* address : {"0", "2"}) {
        const std::string frame = std::string("05 ") + address + " 80 08 00 00 00 00 00 00 00 00";
        EXPECT_EQ(parseOk({"--tcp", "127.0.0.1:1", "send", frame.c_str()}).address,
                  std::stoi(address));
    }
}

TEST(ParseArgs, BadUsageIsRejectedWithOneLine) {
    struct Case {
        std::vector<const char*> args;
        std::string messagePart;
    };
    const char* const kTcp = "--tcp=127.0.0.1:1";
    const std::vector<Case> cases = {
        {{kTcp, "--serial", "/dev/pts/1", "status"}, "not both"},
        {{kTcp}, "no command"},
        {{kTcp, "reboot"}, "unknown command"},
        {{"status", "--address"}, "wants a value"},
        {{"--tcp", "127.0.0.1", "status"}, "HOST:PORT"},
        {{"--tcp", "127.0.0.1:65536", "status"}, "out of range"},
        {{kTcp, "--address", "256", "status"}, "bad address"},
        {{kTcp, "--timeout", "99999999999", "status"}, "bad timeout"},
        {{kTcp, "--address", "0", "send", "05 01 17 00 00 00 00 00 00 00 00 00"}, "byte 1 (1)"},
        {{kTcp, "--address", "0", "page", "1"}, "--address 1..255"},
        {{kTcp, "source", "3"}, "unknown source"},
        {{kTcp, "send", "05 01 17 00 00 00 00 00 00 00 00 100"}, "\"100\""},
        {{kTcp, "status", "--bogus", "1"}, "unknown option --bogus"},
        {{kTcp, "watch"}, "watch needs the chain service"},
        {{"--service", "/s", kTcp, "status"}, "--service replaces"},
        {{"--service=/s", "watch", "--events", "state,bogus"}, "unknown event type \"bogus\""},
        {{"--service=/s", "status", "--since", "1"}, "belong to watch"},
        {{"--service=/s", "run-plans"}, "the chain service runs its own (tvq418d --plans FILE)"}};
    for (const Case& c : cases) {
        const ParsedArgs parsed = parse(c.args);
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << c.messagePart;
        EXPECT_NE(error->message.find(c.messagePart), std::string::npos) << error->message;
        EXPECT_EQ(error->message.find('\n'), std::string::npos);
    }
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(parse({"bogus", "-h", "--address", "999"})));
}

// The words `set` takes: syntax is a usage error, numbers are left to the setup's checks.
TEST(ParseArgs, SetSyntaxIsAUsageErrorNumbersAreLeftToTheChecks) {
    const std::vector<std::vector<const char*>> cases{
        {},
        {"contrast", "3"},
        {"sharpness", "blurry"},
        {"audio", "HDMI", "3"},
        {"hot-spare", "1,0,1"},
        {"main-window", "M5", "0", "64", "0", "64"},
        {"--address", "0", "output-window", "0", "64", "0", "64"}  // needs page 3
    };
    for (std::vector<const char*> args : cases) {
        args.insert(args.begin(), {"--tcp", "127.0.0.1:1", "set"});
        EXPECT_TRUE(std::holds_alternative<UsageError>(parse(args))) << args.back();
    }
    EXPECT_TRUE(std::holds_alternative<CliOptions>(
        parse({"--tcp", "127.0.0.1:1", "set", "brightness", "abc"})));
}

// A status reply whose bytes 0..11 combine to 0, so its check byte is right with or without the
// last byte: only the count of bytes received tells a whole reply from a zero-filled short one.
TEST(RunCommand, ShortNetworkReplyFailsEvenWhenItsCheckByteFits) {
    CommandFrame whole = {5, 1, 0x17, 0, 0, 0, 0, 0x08, 1, 0, 0, 0, 0};
    whole[11] = frameCheck(whole);
    ASSERT_EQ(frameCheck(whole), 0);
    struct Case {
        std::size_t bytes;
        int exitCode;
        std::string error;
    };
    for (const Case& c :
         {Case{13, kExitOk, ""}, Case{12, kExitFailed, "short reply: 12 of 13 bytes"}}) {
        FakeClock clock;
        DeviceLink link(clock);
        auto line = std::make_unique<test::ScriptedLink>(clock, ByteLink::Kind::Network);
        line->script({{std::chrono::milliseconds{20}, {whole.begin(), whole.begin() + c.bytes}}});
        link.attach(std::move(line));
        const CommandResult result = runCommand(parseOk({"--tcp", "127.0.0.1:1", "status"}), link);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.bytes;
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.output.find("main        HDMI") != std::string::npos,
                  c.exitCode == kExitOk)
            << result.output;
    }
}

// The simulator can damage a reply's check byte or address, never the command it answers, so
// only here does a reply to another command meet the checks.
TEST(ReplyCheck, RejectsWhatDoesNotAnswerTheCommand) {
    const CommandFrame sent = makeFrame(1, 0x80, {8});
    const std::vector<std::pair<CommandFrame, std::string>> cases = {
        {makeFrame(1, 0x17, {8}), "reply to command 0x17, expected 0x80"},
        {makeFrame(2, 0x80, {8}), "reply from address 2, expected 1"}};
    for (const auto& [reply, description] : cases)
        EXPECT_EQ(describeCheck(checkReplyTo(sent, reply), sent, reply), description);
    EXPECT_EQ(checkStatusReply(makeFrame(1, 0x80, {}), 1), StatusCheck::WrongCommand);
}

TEST(StatusFormat, JsonOfAReplyWithAnUnnamedSource) {
    const CommandFrame reply = {5, 2, 0x17, 0, 4, 2, 0x05, 0x37, 0, 1, 1, 3, 0};
    EXPECT_EQ(jsonText(statusJson(decodeStatus(reply))),
              R"({"address":2,)"
              R"("main":{"code":7,"name":"DVI","signal":false},)"
              R"("second":{"code":3,"name":null,"signal":true},)"
              R"("picture":{"code":4,"mode":"TEXT","blinking":true},)"
              R"("transition":{"code":2,"name":"Fade=1.0S"},)"
              R"("freeze":true,"bypass":false,"mosaic":true,)"
              R"("pipMode":{"code":1,"name":"M2"},)"
              R"("extType":{"code":3,"name":"DVI"}})");
}

std::variant<WallRequest, UsageError> parseWall(std::vector<const char*> args) {
    args.insert(args.begin(), "tvq418ctl");
    return parseWallArgs(static_cast<int>(args.size()), args.data());
}

std::string errorOf(std::vector<const char*> args) {
    const auto parsed = parseWall(std::move(args));
    const auto* error = std::get_if<UsageError>(&parsed);
    return error ? error->message : "(accepted)";
}

TEST(WallCli, RefusesBadArguments) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"wall", "calc", "--rows", "-1", "--cols", "1", "--cell", "0", "--widths", "", "--heights",
          ""},
         "--rows -1 is out of range 1..6"},
        {{"wall", "calc", "--rows", "1", "--cols", "2", "--cell", "0", "--widths", "1", "--heights",
          "1,1"},
         "--widths wants 2 comma-separated entries (rows x columns), got 1"},
        {{"wall", "calc", "--rows", "1", "--cols", "2", "--cell", "2", "--widths", ",", "--heights",
          ","},
         "--cell 2 is out of range 0..1"},
        {{"wall", "calc", "--rows", "1", "--cols", "1", "--cell", "0", "--widths", "1", "--heights",
          "1", "--res", "1024"},
         "bad --res \"1024\": give WxH, e.g. 1920x1080"},
        {{"wall", "program", "--rows", "1", "--cols", "1", "--widths", "1", "--heights", "1"},
         "no link: give --tcp HOST:PORT, --serial PATH or --service PATH"},
        {{"--tcp", "127.0.0.1:1", "--address", "3", "wall", "program", "--rows", "1", "--cols", "1",
          "--widths", "1", "--heights", "1"},
         "wall program takes --addresses LIST, not --address"},
        {{"--tcp", "127.0.0.1:1", "wall", "program", "--rows", "1", "--cols", "2", "--widths",
          "1,1", "--heights", "1,1", "--addresses", "5,5"},
         "address 5 is given to two cells"}};
    for (const auto& [args, message] : cases) EXPECT_EQ(errorOf(args), message);
}

TEST(WallCli, FindsTheWallWordPastOptionValues) {
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{"tvq418ctl", "--tcp", "h:1", "wall", "calc"}, true},
        {{"tvq418ctl", "--json", "wall"}, true},
        {{"tvq418ctl", "--tcp=h:1", "wall"}, true},
        {{"tvq418ctl", "--serial", "wall"}, false},  // a device named "wall"
        {{"tvq418ctl", "status", "wall"}, false}};
    for (const auto& [args, wall] : cases)
        EXPECT_EQ(isWallCommand(static_cast<int>(args.size()), args.data()), wall) << args[2];
}

TEST(WallCli, CalcPrintsTheWindowsOrTheFailures) {
    auto run = [](std::vector<const char*> args) {
        return runWallCalc(std::get<WallRequest>(parseWall(std::move(args))));
    };
    WallOutput out = run({"wall", "calc", "--json", "--rows", "1", "--cols", "2", "--cell", "1",
                          "--widths", "1000,920", "--heights", "700,700", "--res", "1024x768"});
    EXPECT_EQ(out.exitCode, kExitOk);
    EXPECT_EQ(out.output,
              "{\"input\":{\"width\":490,\"height\":768,\"x\":533,\"y\":0},"
              "\"output\":{\"width\":920,\"height\":700,\"x\":0,\"y\":0}}\n");

    out = run({"wall", "calc", "--json", "--rows", "2", "--cols", "1", "--cell", "0", "--widths",
               "abc,", "--heights", "700,-5"});
    EXPECT_EQ(out.exitCode, kExitFailed);
    EXPECT_EQ(out.output,
              "{\"failures\":[{\"check\":\"width-range\",\"cell\":0,\"message\":\"Sorry, data "
              "out of range\"},{\"check\":\"height-range\",\"cell\":1,\"message\":\"Sorry, data "
              "out of range\"}]}\n");
}

}  // namespace
}  // namespace tvq::cli
