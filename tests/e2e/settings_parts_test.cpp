// The words `set` takes: syntax is a usage error, numbers are left to the setup's checks.

#include <gtest/gtest.h>

#include "cli/parse_args.h"

namespace tvq::cli {
namespace {

TEST(SetWords, SyntaxIsAUsageErrorNumbersAreLeftToTheChecks) {
    const std::vector<std::vector<const char*>> cases{
        {},
        {"contrast", "3"},
        {"sharpness", "blurry"},
        {"audio", "HDMI", "3"},
        {"hot-spare", "1,0,1"},
        {"main-window", "M5", "0", "64", "0", "64"},
        {"--address", "0", "output-window", "0", "64", "0", "64"},  // needs page 3
    };
    for (const auto& words : cases) {
        std::vector<const char*> args{"tvq418ctl", "--tcp", "127.0.0.1:1", "set"};
        args.insert(args.end(), words.begin(), words.end());
        EXPECT_TRUE(std::holds_alternative<UsageError>(
            parseArgs(static_cast<int>(args.size()), args.data())))
            << (words.empty() ? "(none)" : words[0]);
    }
    const char* letters[] = {"tvq418ctl", "--tcp", "127.0.0.1:1", "set", "brightness", "abc"};
    EXPECT_TRUE(std::holds_alternative<CliOptions>(parseArgs(6, letters)));
}

}  // namespace
}  // namespace tvq::cli
