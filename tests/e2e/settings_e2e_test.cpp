// `set` against a real simulator changes what a later `settings` reads back. (Refusals: the
// setup's checks and the setup window; a broadcast reaching every processor: Cli.)

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
        {"output-window", "2", "1364", "0", "768"}};
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

}  // namespace
}  // namespace tvq::e2e
