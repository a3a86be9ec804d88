#include "sim/console.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "sim/pages.h"

namespace tvq::sim {
namespace {

constexpr std::array<std::uint8_t, 2> kLine{1, 2};

struct KeyCase {
    std::vector<std::string> lines;
    std::function<bool(SimCore&)> holds;
};

bool at(SimCore& core, std::uint8_t address, const std::function<bool(const ProcessorState&)>& f) {
    return core.withChain([&](Chain& c) { return f(c.find(address)->state()); });
}

std::uint8_t statusByte(SimCore& core, std::uint8_t address, std::size_t index) {
    return core.withChain([&](Chain& c) { return encodePage(c.find(address)->state(), 0)[index]; });
}

TEST(SimConsole, KeysChangeTheProcessor) {
    const std::vector<KeyCase> cases{
        {{"source 1 HDMI"}, [](SimCore& c) { return statusByte(c, 1, 7) == 0x18; }},
        {{"sub 2 ext"}, [](SimCore& c) { return statusByte(c, 2, 7) == 0x90; }},
        {{"signal 1 V1 off"}, [](SimCore& c) { return statusByte(c, 1, 8) == 0; }},
        {{"signal 1 V2 off", "pip 1 on"}, [](SimCore& c) { return statusByte(c, 1, 4) == 1; }},
        {{"pip 1 on", "text 1 on"}, [](SimCore& c) { return statusByte(c, 1, 4) == 5; }},
        {{"freeze 1 on", "bypass 1 on", "mosaic 1 on"},
         [](SimCore& c) { return statusByte(c, 1, 6) == 0x07; }},
        {{"ext 1 VIDEO"}, [](SimCore& c) { return statusByte(c, 1, 11) == 4; }},
        {{"pipmode 1 M4"}, [](SimCore& c) { return statusByte(c, 1, 10) == 3; }},
        {{"transition 1 2"}, [](SimCore& c) { return statusByte(c, 1, 5) == 2; }},
        {{"format 2 7"},
         [](SimCore& c) { return at(c, 2, [](const auto& s) { return s.outputFormat == 7; }); }},
        {{"mosaic all on"},
         [](SimCore& c) { return statusByte(c, 1, 6) == 0x04 && statusByte(c, 2, 6) == 0x04; }},
        {{"fault drop 1", "fault wrong-address 0.5"},
         [](SimCore& c) {
             const FaultSettings s = c.faults().settings();
             return s[Fault::Drop] == 1.0 && s[Fault::WrongAddress] == 0.5;
         }},
    };
    for (const KeyCase& k : cases) {
        SimCore core(kLine);
        for (const std::string& line : k.lines)
            EXPECT_EQ(runConsoleLine(line, core).text, "ok\n") << line;
        EXPECT_TRUE(k.holds(core)) << k.lines.back();
    }
}

TEST(SimConsole, RefusesWithOneLineAndChangesNothing) {
    const std::vector<std::string> bad{
        "explode",           "source 1",       "source 1 NOPE", "source 9 V1",    "source x V1",
        "signal 1 V2 maybe", "pip 1",          "ext 1 SCART",   "format 1 10",    "pipmode 1 M5",
        "fault drop 2",      "fault melt 0.5", "status 42",     "transition 1 4",
    };
    SimCore core(kLine);
    for (const std::string& line : bad) {
        const ConsoleReply reply = runConsoleLine(line, core);
        EXPECT_TRUE(reply.text.starts_with("error: ")) << line;
        EXPECT_EQ(reply.text.find('\n'), reply.text.size() - 1) << line;
        EXPECT_FALSE(reply.quit);
    }
    EXPECT_EQ(statusByte(core, 1, 7), 0x10);
    EXPECT_EQ(core.faults().settings()[Fault::Drop], 0.0);
}

TEST(SimConsole, StatusQuitAndBlankLines) {
    SimCore core(kLine);
    EXPECT_TRUE(runConsoleLine("", core).text.empty());
    const std::string one = runConsoleLine("status 2", core).text;
    EXPECT_TRUE(one.starts_with("addr=2 main=V1 sub=V2 ")) << one;
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 1);
    const std::string all = runConsoleLine("status", core).text;
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 2);
    EXPECT_TRUE(runConsoleLine("quit", core).quit);
    EXPECT_NE(runConsoleLine("help", core).text.find("signal ADDR"), std::string::npos);
}

}  // namespace
}  // namespace tvq::sim
