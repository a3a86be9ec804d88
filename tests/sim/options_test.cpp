#include "sim/options.h"

#include <gtest/gtest.h>

#include <functional>

namespace tvq::sim {
namespace {

struct GoodCase {
    std::vector<std::string> args;
    std::function<bool(const SimOptions&)> holds;
};

TEST(SimOptions, Accepted) {
    const std::vector<GoodCase> cases{
        {{"--tcp", "127.0.0.1:0"},
         [](const SimOptions& o) { return o.tcp && o.tcpHost == "127.0.0.1" && o.tcpPort == 0; }},
        {{"--tcp=localhost:5000"}, [](const SimOptions& o) { return o.tcpPort == 5000; }},
        {{"--tcp", "7000"},
         [](const SimOptions& o) { return o.tcpHost == "127.0.0.1" && o.tcpPort == 7000; }},
        {{"--pty"},
         [](const SimOptions& o) {
             return o.pty && !o.tcp && o.addresses == std::vector<std::uint8_t>{1};
         }},
        {{"--pty", "--addresses", "3,1,255"},
         [](const SimOptions& o) {
             return o.addresses == std::vector<std::uint8_t>{3, 1, 255};
         }},
        {{"--pty", "--delay", "5-20"},
         [](const SimOptions& o) {
             return o.faults[Fault::Delay] == 1.0 && o.faults.delayMinMs == 5 &&
                    o.faults.delayMaxMs == 20;
         }},
        {{"--pty", "--delay-prob", "0.5", "--delay", "7"},
         [](const SimOptions& o) {
             return o.faults[Fault::Delay] == 0.5 && o.faults.delayMaxMs == 7;
         }},
        {{"--pty", "--delay-prob", "0.5"},
         [](const SimOptions& o) { return o.faults[Fault::Delay] == 0.0; }},
        {{"--pty", "--drop", "0.1", "--split", "1", "--corrupt", "0", "--wrong-address", "0.2",
          "--ff6", "0.3", "--close", "0.4", "--seed", "99", "--answer-ms", "15", "--log", "x.log"},
         [](const SimOptions& o) {
             return o.faults[Fault::Drop] == 0.1 && o.faults[Fault::Split] == 1.0 &&
                    o.faults[Fault::WrongAddress] == 0.2 && o.faults[Fault::Ff6] == 0.3 &&
                    o.faults[Fault::Close] == 0.4 && o.seed == 99 && o.answerMs == 15 &&
                    o.logPath == "x.log";
         }},
    };
    for (const GoodCase& c : cases) {
        const ParsedOptions parsed = parseOptions(c.args);
        ASSERT_TRUE(parsed.options) << c.args[0] << ": " << parsed.error;
        EXPECT_TRUE(c.holds(*parsed.options)) << c.args[0];
    }
}

TEST(SimOptions, Refused) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--addresses", "1"},
        {"--pty", "--bogus"},
        {"--pty", "--drop"},
        {"--pty", "--drop", "1.5"},
        {"--pty", "--drop", "-0.1"},
        {"--pty", "--drop", "half"},
        {"--tcp", "127.0.0.1:65536"},
        {"--tcp", "127.0.0.1:"},
        {"--pty", "--addresses", "0"},
        {"--pty", "--addresses", "256"},
        {"--pty", "--addresses", "1,,2"},
        {"--pty", "--addresses", "2,2"},
        {"--pty", "--delay", "20-5"},
        {"--pty", "--delay", "-5"},
        {"--pty", "--seed", "-1"},
        {"--pty", "--answer-ms", "x"},
        {"--pty", "--log", ""},
    };
    for (const auto& args : cases) {
        const ParsedOptions parsed = parseOptions(args);
        EXPECT_FALSE(parsed.options) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    EXPECT_TRUE(parseOptions({"--pty", "--help"}).help);
}

}  // namespace
}  // namespace tvq::sim
