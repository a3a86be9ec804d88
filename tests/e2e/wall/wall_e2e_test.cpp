// A whole 2 x 2 wall programmed by tvq418ctl against a simulated chain over TCP.

#include <gtest/gtest.h>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

TEST(WallE2e, ProgramsAWallWithOneProcessorMissing) {
    // Address 3 (cell 2) is not on the line; address 4 runs at 1280 x 1024.
    Simulator sim(Via::Tcp, {"--addresses", "1,2,4", "--output-format", "4:2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();

    // Room for a whole wall's pauses, about 7 s a cell.
    const Finished run =
        sim.ctl({"wall", "program", "--rows", "2", "--cols", "2", "--widths", "1000,920,1000,920",
                 "--heights", "400,400,368,368", "--sync", "on"},
                Millis{90000});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.out, "cell 000 address 1: done input 532x400+0+0 output 1000x400+0+0"))
        << run.out;
    EXPECT_TRUE(has(run.out, "cell 002 address 3: no-answer: The device did not answer\n"))
        << run.out;
    EXPECT_TRUE(has(run.out, "4 cells: 3 done, 1 failed, 0 cancelled"));

    // Read back as written, at this processor's own resolution. (A cell is done only once its
    // processor reported DVI main, mosaic on and no bypass, before its windows were written.)
    const Finished settings = sim.ctl({"--address", "4", "settings"});
    for (const char* line : {"output-format 2 ", "output-window 0 920 0 368\n",
                             "input-window 666 612 532 490\n", "sync-mosaic on\n"})
        EXPECT_TRUE(has(settings.out, line)) << line << settings.out;
}

TEST(WallE2e, InterruptEndsTheWallAfterTheExchangeInFlight) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    std::vector<std::string> argv{TVQ418CTL_PATH};
    argv.insert(argv.end(), sim.linkArgs().begin(), sim.linkArgs().end());
    for (const char* arg : {"wall", "program", "--rows", "1", "--cols", "2", "--widths", "1000,920",
                            "--heights", "700,700"})
        argv.emplace_back(arg);
    const std::string out = tempFile();
    const std::string err = tempFile();
    const pid_t pid = spawn(std::move(argv), out, err);
    ASSERT_GT(pid, 0);
    // Interrupt during cell 001's first pause, once cell 000 is reported.
    const auto deadline = Clock::now() + Millis{30000};
    while (readFile(out).find("cell 000") == std::string::npos && Clock::now() < deadline)
        std::this_thread::sleep_for(Millis{20});
    ::kill(pid, SIGINT);
    const auto signalled = Clock::now();
    EXPECT_EQ(reap(pid, Millis{5000}), 1);
    EXPECT_LT(Clock::now() - signalled, Millis{1000});
    const std::string text = readFile(out);
    EXPECT_TRUE(has(text, "cell 000 address 1: done")) << text;
    EXPECT_TRUE(has(text, "cell 001 address 2: cancelled\n2 cells: 1 done, 0 failed, 1 cancelled"))
        << text << readFile(err);
    ::unlink(out.c_str());
    ::unlink(err.c_str());
}

}  // namespace
}  // namespace tvq::e2e
