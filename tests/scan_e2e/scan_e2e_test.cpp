// tvq418ctl scan against tvq418-sim: who answers, what a script reads, and the trouble lines.

#include <gtest/gtest.h>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

class ScanE2e : public ::testing::TestWithParam<Via> {};

TEST_P(ScanE2e, ListsTheChainForAScript) {
    Simulator sim(GetParam(), {"--addresses", "1,2,5"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"scan", "--from", "1", "--to", "8", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "[{\"address\":1,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":2,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":5,\"main\":\"V1\",\"signal\":true}]\n");
    EXPECT_EQ(run.err.find("scanning"), std::string::npos) << "progress only on a terminal";
}

TEST_P(ScanE2e, AnswersFromAnotherAddressAreReportedNotListed) {
    Simulator sim(GetParam(), {"--addresses", "3", "--wrong-address", "1"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"scan", "--from", "2", "--to", "4", "--json"});
    EXPECT_EQ(run.exitCode, 1) << "nobody answered as asked";
    EXPECT_EQ(run.out, "[]\n");
    EXPECT_NE(run.err.find("address 3: answered by address"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Links, ScanE2e, ::testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return info.param == Via::Tcp ? "Tcp" : "Pty"; });

}  // namespace
}  // namespace tvq::e2e
