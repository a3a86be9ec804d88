// `set` against a real simulator changes what a later `settings` reads back; refused and
// broadcast writes, and a spoilt read-back, end as documented.

#include <gtest/gtest.h>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

TEST(SettingsE2e, EverySetShowsInALaterReadBack) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2", "--output-format", "2:7"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    // Input windows are taken only with a DVI main picture in mosaic.
    ASSERT_EQ(sim.ctl({"--address", "2", "source", "DVI"}).exitCode, 0);
    ASSERT_EQ(sim.ctl({"--address", "2", "send", "05 02 86 01 00 00 00 00 00 00 00 00"}).exitCode,
              0);

    const std::vector<std::vector<std::string>> sets{
        {"brightness", "40"},
        {"saturation", "99"},
        {"bias", "7"},
        {"sharpness", "sharp"},
        {"text-key", "above", "8", "252", "0"},
        {"audio", "HDMI", "YPbPr"},
        {"hot-spare", "1,0,1,0"},
        {"sync-mosaic", "on"},
        {"main-window", "M3", "342", "1024", "0", "768"},  // fits 1366 wide only
        {"pip-window", "M2", "100", "200", "50", "64"},
        {"input-window", "0", "512", "0", "384"},
        {"output-window", "2", "1364", "0", "768"},
    };
    for (const auto& set : sets) {
        std::vector<std::string> args{"--address", "2", "set"};
        args.insert(args.end(), set.begin(), set.end());
        const Finished run = sim.ctl(args);
        EXPECT_EQ(run.exitCode, 0) << set[0] << ": " << run.err << sim.diagnostics();
        EXPECT_TRUE(has(run.out, "Set successfully")) << set[0];
    }

    const Finished text = sim.ctl({"--address", "2", "settings"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const char* line :
         {"output-format 7 1366x768@60Hz 1366 768\n", "brightness 40\n", "saturation 99\n",
          "bias 7\n", "sharpness sharp\n", "text-key above 8 252 0\n", "audio HDMI YPBPR\n",
          "hot-spare 1,0,1,0\n", "sync-mosaic on\n", "main-window M3 342 1024 0 768\n",
          "pip-window M2 100 200 50 64\n", "input-window 0 512 0 384\n",
          "output-window 2 1364 0 768\n", "input-save allowed\n"})
        EXPECT_TRUE(has(text.out, line)) << line << "in\n" << text.out;
}

TEST(SettingsE2e, RefusedWritesSendNothingBroadcastsReachEveryone) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    struct Refusal {
        std::vector<std::string> args;
        std::string message;
    } refusals[] = {
        {{"set", "brightness", "63"}, "The input value must be even, and can not be odd"},
        {{"set", "audio", "V2", "1"}, "Sorry, audio1 and audio2 can't use the same channel"},
        {{"set", "main-window", "M1", "0", "1366", "0", "768"}, "Value out  of range"},
        {{"set", "main-window", "M1", "-2", "1024", "0", "768"}, "field X\n"},  // not W
    };
    for (const auto& r : refusals) {
        const Finished run = sim.ctl(r.args);
        EXPECT_EQ(run.exitCode, 2) << r.args[1];
        EXPECT_TRUE(has(run.out + run.err, r.message)) << run.out << run.err;
    }
    const Finished broadcast = sim.ctl({"--address", "0", "set", "saturation", "12"});
    EXPECT_EQ(broadcast.exitCode, 0) << broadcast.err;
    // Page 5 (bias 50, brightness 32, saturation) and page 7 (M1 main): only the broadcast
    // changed anything.
    for (const char* address : {"1", "2"}) {
        const std::string id = address == std::string("1") ? "01" : "02";
        EXPECT_TRUE(has(sim.ctl({"--address", address, "page", "5"}).out,
                        "reply 05 " + id + " 17 32 20 0c"));
        EXPECT_TRUE(has(sim.ctl({"--address", address, "page", "7"}).out,
                        "reply 05 " + id + " 17 00 00 00 04 00 00 00 03 00"));
    }
}

// Every reply's check byte spoilt: page 3 counts as unanswered and the read-back ends. (Split
// replies: the serial gathering table and `status --split` against the simulator.)
TEST(SettingsE2e, SpoiltRepliesDuringTheReadBack) {
    Simulator sim(Via::Tcp, {"--corrupt", "1"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"--json", "settings"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(has(run.out, "\"missing\":[\"output_format\",\"output_window\"")) << run.out;
    EXPECT_LT(run.elapsed, Millis{3000});
    const Finished set = sim.ctl({"set", "bias", "3"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_TRUE(has(set.err, "does not acknowledge")) << set.err;
}

}  // namespace
}  // namespace tvq::e2e
