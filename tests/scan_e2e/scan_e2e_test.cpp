// tvq418ctl scan against tvq418-sim: who answers, what a script reads, and the trouble lines.

#include <gtest/gtest.h>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

std::string withoutTrace(const std::string& out) {
    // The serial trace ("hh:mm:ss-mmm -> ...") shares stdout with the list.
    std::istringstream lines(out);
    std::string kept;
    for (std::string line; std::getline(lines, line);)
        if (line.find(" -> ") == std::string::npos && line.find(" <- ") == std::string::npos)
            kept += line + "\n";
    return kept;
}

class ScanE2e : public ::testing::TestWithParam<Via> {};

TEST_P(ScanE2e, ListsTheChainAsTextAndJson) {
    Simulator sim(GetParam(), {"--addresses", "1,2,5"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();

    const Finished json = sim.ctl({"scan", "--from", "1", "--to", "8", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out,
              "[{\"address\":1,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":2,\"main\":\"V1\",\"signal\":true},"
              "{\"address\":5,\"main\":\"V1\",\"signal\":true}]\n");

    const Finished text = sim.ctl({"scan", "--to", "6"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(withoutTrace(text.out),
              "address 1  main V1  signal yes\n"
              "address 2  main V1  signal yes\n"
              "address 5  main V1  signal yes\n"
              "3 of 6 addresses answered\n");
    EXPECT_EQ(text.err, "") << "no progress line when stderr is no terminal";
}

TEST_P(ScanE2e, AnEmptyRangeOfTheChainFailsAndSaysSo) {
    Simulator sim(GetParam(), {"--addresses", "1,2,5"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"scan", "--from", "6", "--to", "9", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "[]\n");
    EXPECT_NE(run.err.find("no device answered on addresses 6..9"), std::string::npos) << run.err;
}

TEST_P(ScanE2e, AnswersFromAnotherAddressAreReportedNotListed) {
    Simulator sim(GetParam(), {"--addresses", "3", "--wrong-address", "1"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    const Finished run = sim.ctl({"scan", "--from", "2", "--to", "4", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "[]\n");
    EXPECT_NE(run.err.find("address 3: answered by address"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Links, ScanE2e, ::testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return info.param == Via::Tcp ? "Tcp" : "Pty"; });

TEST(ScanUsage, BadRangesAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"scan", "--from", "0"}, "bad --from \"0\": give 1..255"},
        {{"scan", "--to", "256"}, "bad --to \"256\": give 1..255"},
        {{"scan", "--from", "9", "--to", "3"}, "--from 9 is above --to 3"},
        {{"scan", "--timeout", "5"}, "bad timeout \"5\": give milliseconds, 15 or more"},
        {{"status", "--from", "2"}, "--from and --to belong to scan"},
        {{"scan", "--address", "2"}, "scan asks every address of --from..--to"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--tcp", "127.0.0.1:1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Finished run = ctl(args);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace tvq::e2e
