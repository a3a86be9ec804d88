// tvq418ctl against a simulator that misbehaves on purpose.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

std::string shown(const Finished& run) {
    return "exit " + std::to_string(run.exitCode) + " after " +
           std::to_string(run.elapsed.count()) + " ms\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

struct FaultCase {
    const char* name;
    Via via;
    std::vector<std::string> simOptions;
    std::vector<std::string> args;
    int exitCode;
    std::string errorPart;  // on stderr; empty means stderr stays empty
};

TEST(CliAgainstFaults, EachFaultHasItsOutcome) {
    // clang-format off
    const std::vector<FaultCase> cases = {
        {"dropped reply", Via::Tcp, {"--drop", "1"}, {"--timeout", "500", "status"}, 1,
         "no reply from address 1 within 500 ms"},
        {"dropped reply on the line", Via::Pty, {"--drop", "1"}, {"--timeout", "500", "status"}, 1,
         "no reply"},
        {"connection closed instead of a reply", Via::Tcp, {"--close", "1"},
         {"--timeout", "500", "status"}, 1, "no reply"},
        {"corrupted reply", Via::Tcp, {"--corrupt", "1"}, {"status"}, 1,
         "status rejected: bad check byte"},
        {"corrupted reply on the line", Via::Pty, {"--corrupt", "1"}, {"status"}, 1,
         "status rejected: bad check byte"},
        {"corrupted acknowledgement", Via::Tcp, {"--corrupt", "1"}, {"source", "DVI"}, 1,
         "source rejected: bad check byte"},
        {"reply from another address", Via::Tcp, {"--wrong-address", "1"}, {"status"}, 1,
         "status rejected: reply from address "},
        {"reply without status", Via::Tcp, {"--ff6", "1"}, {"status"}, 1, "no status"},
        {"split reply", Via::Tcp, {"--split", "1"}, {"status"}, 0, ""},
        {"split reply on the line", Via::Pty, {"--split", "1"}, {"status"}, 0, ""},
        {"late reply", Via::Tcp, {"--delay", "100-400"}, {"status"}, 0, ""},
    };
    // clang-format on
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> options{"--seed", "7"};
        options.insert(options.end(), c.simOptions.begin(), c.simOptions.end());
        Simulator sim(c.via, options);
        ASSERT_TRUE(sim.ready()) << sim.diagnostics();

        const Finished run = sim.ctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << shown(run);
        EXPECT_FALSE(run.killed) << shown(run);
        if (c.errorPart.empty()) {
            EXPECT_EQ(run.err, "") << shown(run);
            EXPECT_NE(run.out.find("device      1\n"), std::string::npos) << shown(run);
        } else {
            EXPECT_NE(run.err.find(c.errorPart), std::string::npos) << shown(run);
            EXPECT_EQ(run.err.find("device      1"), std::string::npos) << shown(run);
        }
    }
}

TEST(CliAgainstFaults, SilenceEndsWithinTheTimeout) {
    Simulator sim(Via::Tcp, {"--drop", "1"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"--timeout", "500", "source", "HDMI"});
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    // Generous bound: the wait is 500 ms, the rest is process start-up.
    EXPECT_LT(run.elapsed, Millis{5000}) << shown(run);
}

}  // namespace
}  // namespace tvq::e2e
