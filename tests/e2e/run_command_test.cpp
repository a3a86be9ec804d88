#include "cli/run_command.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/parse_args.h"
#include "e2e/fake_byte_link.h"

namespace tvq::cli {
namespace {

CliOptions options(std::vector<const char*> args) {
    args.insert(args.begin(), {"tvq418ctl", "--tcp", "127.0.0.1:1"});
    const ParsedArgs parsed = parseArgs(static_cast<int>(args.size()), args.data());
    return std::get<CliOptions>(parsed);
}

CommandFrame corrupted(CommandFrame frame) {
    frame[12] ^= 0x40;
    return frame;
}

// PIP steady, Cut, no flags, main HDMI with signal, second V1 without, M1, EXT. NULL.
const CommandFrame kStatusHdmi = makeFrame(1, 0x17, {0, 3, 0, 0, 0x08, 1, 0, 0, 0});

struct Outcome {
    CommandResult result;
    std::vector<CommandFrame> written;
    int reads = 0;
    Millis elapsed{};
};

Outcome run(const CliOptions& o, std::optional<CommandFrame> reply) {
    FakeClock clock;
    auto fake = std::make_unique<testing::FakeByteLink>(clock, reply);
    auto* seen = fake.get();
    DeviceLink link(clock);
    link.attach(std::move(fake));
    Outcome r;
    r.result = runCommand(o, link);
    r.written = seen->written;
    r.reads = seen->reads;
    r.elapsed = clock.elapsed();
    return r;
}

TEST(RunCommand, OutcomesOfOneExchange) {
    struct Case {
        const char* name;
        std::vector<const char*> args;
        std::optional<CommandFrame> reply;
        int exitCode;
        std::string outputPart;
        std::string errorPart;
    };
    const CommandFrame badStart = [] {
        CommandFrame f = kStatusHdmi;
        f[0] = 4;
        f[12] = frameCheck(f);
        return f;
    }();
    const char* const kSendAck = "05 01 81 01 00 00 00 00 00 00 00 00";
    // clang-format off
    const std::vector<Case> cases = {
        {"status", {"status"}, kStatusHdmi, 0, "main        HDMI, signal\n", ""},
        {"status from another device", {"status"}, makeFrame(2, 0x17, {0, 3}), 1,
         "reply 05 02 17", "status rejected: reply from address 2, expected 1"},
        {"status corrupted", {"status"}, corrupted(kStatusHdmi), 1, "result 13",
         "status rejected: bad check byte"},
        {"status answered by another command", {"status"}, makeFrame(1, 0x80, {8}), 1, "",
         "reply to command 0x80, expected 0x17"},
        {"status starting badly", {"status"}, badStart, 1, "", "reply starts with 0x04"},
        {"status without status", {"status"}, makeFrame(1, 0x17, {0, 3, 0, 0xFF, 8}), 1, "",
         "byte 6 is 0xff"},
        {"status silent", {"--timeout", "500", "status"}, std::nullopt, 1, "result 0\n",
         "no reply from address 1 within 500 ms"},
        {"source", {"source", "HDMI"}, makeFrame(1, 0x80, {8}), 0, "reply 05 01 80 08", ""},
        {"source acked as a page read", {"source", "HDMI"}, makeFrame(1, 0x17, {8}), 1, "",
         "source rejected: reply to command 0x17, expected 0x80"},
        {"source to another device", {"--address", "7", "source", "V2"}, makeFrame(7, 0x80, {1}),
         0, "", ""},
        {"source broadcast", {"--address", "0", "source", "VGA1"}, std::nullopt, 0,
         "no reply awaited", ""},
        {"send broadcast", {"--address", "0", "send", "05 00 80 08 00 00 00 00 00 00 00 00"},
         std::nullopt, 0, "result 0\nsent to all devices", ""},
        {"send", {"send", kSendAck}, makeFrame(1, 0x81, {1}), 0,
         "result 13\nreply 05 01 81 01 00 00 00 00 00 00 00 00 84\n", ""},
        {"send corrupted", {"send", kSendAck}, corrupted(makeFrame(1, 0x81, {1})), 1,
         "reply 05 01 81", "send rejected: bad check byte"},
        {"send silent", {"--timeout", "200", "send", kSendAck}, std::nullopt, 1, "result 0",
         "within 200 ms"},
        {"page", {"page", "3"}, makeFrame(1, 0x17, {3, 0, 0xFF, 4}), 0,
         "reply 05 01 17 03 00 ff 04", ""},
        {"page from another device", {"page", "3"}, makeFrame(9, 0x17, {3}), 1, "",
         "page rejected: reply from address 9, expected 1"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = run(options(c.args), c.reply);
        EXPECT_EQ(r.result.exitCode, c.exitCode);
        EXPECT_NE(r.result.output.find(c.outputPart), std::string::npos) << r.result.output;
        if (c.errorPart.empty())
            EXPECT_EQ(r.result.error, "");
        else
            EXPECT_NE(r.result.error.find(c.errorPart), std::string::npos) << r.result.error;
        EXPECT_EQ(r.result.error.find('\n'), std::string::npos);
        EXPECT_EQ(r.written.size(), 1u);
    }
}

TEST(RunCommand, FramesPutOnTheLine) {
    struct Case {
        std::vector<const char*> args;
        CommandFrame sent;
    };
    const std::vector<Case> cases = {
        {{"status"}, {5, 1, 0x17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x13}},
        {{"--address", "2", "page", "14"}, {5, 2, 0x17, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0x1E}},
        {{"--address", "0", "source", "HDMI"}, {5, 0, 0x80, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0x8D}},
        // a wrong check byte is replaced, never sent as given
        {{"send", "05 01 17 00 00 00 00 00 00 00 00 00 ee"},
         {5, 1, 0x17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x13}},
    };
    for (const Case& c : cases) {
        const Outcome r = run(options(c.args), std::nullopt);
        ASSERT_EQ(r.written.size(), 1u);
        EXPECT_EQ(r.written[0], c.sent) << hexBytes(r.written[0]);
    }
}

TEST(RunCommand, BroadcastAwaitsNothing) {
    const Outcome r = run(options({"--address", "0", "source", "HDMI"}), makeFrame(0, 0x80, {8}));
    EXPECT_EQ(r.result.exitCode, 0);
    EXPECT_EQ(r.reads, 0);
    EXPECT_EQ(r.elapsed, Millis{0});
}

TEST(RunCommand, TimeoutBoundsTheWait) {
    const Outcome r = run(options({"--timeout", "1000", "status"}), std::nullopt);
    EXPECT_EQ(r.result.exitCode, 1);
    EXPECT_GE(r.elapsed, Millis{1000});
    EXPECT_LT(r.elapsed, Millis{1100});
}

TEST(RunCommand, JsonIsOneObjectWithTheOutcome) {
    const Outcome good = run(options({"--json", "status"}), kStatusHdmi);
    EXPECT_EQ(good.result.exitCode, 0);
    const std::string& out = good.result.output;
    EXPECT_TRUE(out.starts_with(R"({"ok":true,"command":"status","address":1,)")) << out;
    EXPECT_TRUE(out.ends_with("}\n"));
    EXPECT_EQ(out.find('\n'), out.size() - 1);
    EXPECT_NE(out.find(R"("main":{"code":8,"name":"HDMI","signal":true})"), std::string::npos);
    EXPECT_NE(out.find(R"("reply":"05 01 17 00 03 00 00 08 01 00 00 00 19")"), std::string::npos)
        << out;

    const Outcome bad = run(options({"--json", "--timeout", "300", "status"}), std::nullopt);
    EXPECT_EQ(bad.result.exitCode, 1);
    EXPECT_TRUE(bad.result.output.starts_with(R"({"ok":false,)"));
    EXPECT_NE(bad.result.output.find(R"("error":"no reply from address 1 within 300 ms"})"),
              std::string::npos)
        << bad.result.output;
    EXPECT_EQ(bad.result.output.find("status\":{"), std::string::npos);

    const Outcome broadcast = run(options({"--json", "--address", "0", "source", "hdmi"}), {});
    EXPECT_NE(broadcast.result.output.find(R"("source":{"code":8,"name":"HDMI"})"),
              std::string::npos);
    EXPECT_NE(broadcast.result.output.find(R"("broadcast":true)"), std::string::npos);
}

}  // namespace
}  // namespace tvq::cli
