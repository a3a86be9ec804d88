// The operator's side: keys typed while the simulator runs, and its command line: faults, output
// formats per address, and pages it leaves unanswered.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string_view>

#include "sim/console.h"
#include "sim/options.h"
#include "sim/pages.h"

namespace tvq::sim {
namespace {

constexpr std::array<std::uint8_t, 2> kLine{1, 2};

std::uint8_t pageByte(SimCore& core, std::uint8_t address, std::uint8_t page, std::size_t index) {
    return core.withChain(
        [&](Chain& c) { return encodePage(c.find(address)->state(), page)[index]; });
}

struct KeyCase {
    std::vector<std::string> lines;
    std::uint8_t address, page, index, value;  // the page byte that shows the change
};

TEST(SimConsole, KeysChangeTheProcessor) {
    const std::vector<KeyCase> cases{
        {{"source 1 HDMI"}, 1, 0, 7, 0x18},
        {{"signal 1 V2 off", "text 1 on"}, 1, 0, 4, 4},  // blinks without the second signal
        {{"freeze 1 on", "bypass 1 on", "mosaic 1 on"}, 1, 0, 6, 0x07},
        {{"ext 1 VIDEO"}, 1, 0, 11, 4},
        {{"format 2 7"}, 2, 3, 3, 7},
        {{"mosaic all on"}, 2, 0, 6, 0x04}};
    for (const KeyCase& k : cases) {
        SimCore core(kLine);
        for (const std::string& line : k.lines)
            EXPECT_EQ(runConsoleLine(line, core).text, "ok\n") << line;
        EXPECT_EQ(pageByte(core, k.address, k.page, k.index), k.value) << k.lines.back();
    }
}

TEST(SimConsole, RefusesWithOneLineAndChangesNothing) {
    SimCore core(kLine);
    for (const char* line :
         {"explode", "source 1", "source 1 NOPE", "source 9 V1", "source x V1", "signal 1 V2 maybe",
          "pip 1", "ext 1 SCART", "format 1 10", "pipmode 1 M5", "fault drop 2", "fault melt 0.5",
          "status 42", "transition 1 4"}) {
        const ConsoleReply reply = runConsoleLine(line, core);
        EXPECT_TRUE(reply.text.starts_with("error: ")) << line;
        EXPECT_EQ(reply.text.find('\n'), reply.text.size() - 1) << line;
    }
    EXPECT_EQ(pageByte(core, 1, 0, 7), 0x10);
    EXPECT_EQ(core.faults().settings()[Fault::Drop], 0.0);
    EXPECT_EQ(runConsoleLine("fault wrong-address 0.5", core).text, "ok\n");
    EXPECT_EQ(core.faults().settings()[Fault::WrongAddress], 0.5);

    EXPECT_TRUE(runConsoleLine("quit", core).quit);
}

// The program itself refuses with status 2 and one line on standard error.
TEST(SimOptions, RefusedWithStatusTwo) {
    for (const char* args :
         {"", "--addresses 1", "--pty --bogus", "--pty --drop 1.5", "--tcp 127.0.0.1:65536",
          "--pty --addresses 2,2", "--pty --delay 20-5", "--pty --log ''"}) {
        const std::string command = std::string("timeout 10 '") + TVQ_SIM_PROGRAM + "' " + args +
                                    " 2>&1 >/dev/null </dev/null";
        std::FILE* errors = ::popen(command.c_str(), "r");
        char text[256] = {};
        const std::string_view line(text, std::fread(text, 1, sizeof text - 1, errors));
        const int status = ::pclose(errors);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args << ": " << status;
        EXPECT_TRUE(line.starts_with("tvq418-sim: ") && line.find('\n') == line.size() - 1)
            << args << ": " << line;
    }
}

// Good lists show end to end in `tvq418ctl settings` and the wall run; here, the refused ones.
TEST(SimOutputFormat, RefusesWhatNamesNoFormatOrAddress) {
    for (const char* bad : {"10", "0:3", "1:", "a", "1:2,", "300:1"})
        EXPECT_FALSE(parseOptions({"--tcp", "0", "--output-format", bad}).options) << bad;
}

TEST(SimMutedPages, ListedPagesGoUnansweredOthersAndWritesStillAnswer) {
    EXPECT_EQ(parsePageSet("0-2,4-14"), 0x7FF7u);
    EXPECT_EQ(parsePageSet("none"), 0u);
    for (const char* bad : {"", "3-1", "32", "1,,2", "a", "-3"})
        EXPECT_EQ(parsePageSet(bad), std::nullopt) << bad;

    SimCore core(std::vector<std::uint8_t>{1});
    ASSERT_EQ(runConsoleLine("mute 1 0-2,4-14", core).text, "ok\n");
    const auto answers = [&](const CommandFrame& frame) {
        return core.withChain([&](Chain& c) { return !c.deliver(frame).empty(); });
    };
    EXPECT_TRUE(answers(pageQuery(1, 3)));
    EXPECT_FALSE(answers(pageQuery(1, 0)));
    EXPECT_FALSE(answers(pageQuery(1, 5)));
    EXPECT_TRUE(answers(makeFrame(1, 0x91, {10})));
}

}  // namespace
}  // namespace tvq::sim
