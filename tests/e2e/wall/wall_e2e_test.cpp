// Whole walls programmed by tvq418ctl against a simulated chain over TCP.

#include <gtest/gtest.h>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

TEST(WallE2e, ProgramsAWallWithOneProcessorMissing) {
    // Address 1 (cell 0) is not on the line; address 2 runs at 1280 x 1024. Two cells prove
    // that the wall goes on past a missing processor: each costs about 7 s.
    Simulator sim(Via::Tcp, {"--addresses", "2", "--output-format", "2:2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();

    const Finished run = sim.ctl({"wall", "program", "--rows", "1", "--cols", "2", "--widths",
                                  "1000,920", "--heights", "368,368", "--sync", "on"},
                                 Millis{45000});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.out, "cell 000 address 1: no-answer: The device did not answer\n"))
        << run.out;
    EXPECT_TRUE(has(run.out, "cell 001 address 2: done input 612x1024+666+0 output 920x368+0+0"))
        << run.out;
    EXPECT_TRUE(has(run.out, "2 cells: 1 done, 1 failed, 0 cancelled"));

    // Read back as written, at this processor's own resolution. (A cell is done only once its
    // processor reported DVI main, mosaic on and no bypass, before its windows were written.)
    const Finished settings = sim.ctl({"--address", "2", "settings"});
    for (const char* line : {"output-format 2 ", "output-window 0 920 0 368\n",
                             "input-window 666 612 0 1024\n", "sync-mosaic on\n"})
        EXPECT_TRUE(has(settings.out, line)) << line << settings.out;
}

}  // namespace
}  // namespace tvq::e2e
