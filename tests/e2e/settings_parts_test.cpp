// `set` on its own: the words it takes and the frame or refusal its checks give.

#include <gtest/gtest.h>

#include "cli/parse_args.h"
#include "cli/settings_command.h"
#include "core/link/commands.h"

namespace tvq::cli {
namespace {

ParsedArgs parseSet(std::vector<const char*> words) {
    std::vector<const char*> args{"tvq418ctl", "--tcp", "127.0.0.1:1", "set"};
    args.insert(args.end(), words.begin(), words.end());
    return parseArgs(static_cast<int>(args.size()), args.data());
}

TEST(SetWords, SyntaxIsAUsageErrorNumbersAreLeftToTheChecks) {
    const std::vector<std::vector<const char*>> usage{
        {},
        {"contrast", "3"},
        {"brightness"},
        {"brightness", "1", "2"},
        {"sharpness", "blurry"},
        {"text-key", "over", "1", "2", "3"},
        {"audio", "HDMI", "3"},
        {"hot-spare", "1,0,1"},
        {"hot-spare", "1,0,1,2"},
        {"sync-mosaic", "yes"},
        {"main-window", "M5", "0", "64", "0", "64"},
        {"pip-window", "0", "64", "0", "64"},
    };
    for (const auto& words : usage)
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseSet(words)))
            << (words.empty() ? "(none)" : words[0]);
    // Letters in a number are the checks' business: they answer with the setup's message.
    EXPECT_TRUE(std::holds_alternative<CliOptions>(parseSet({"brightness", "abc"})));

    const char* windowAtZero[] = {"tvq418ctl",     "--tcp", "127.0.0.1:1", "--address", "0", "set",
                                  "output-window", "0",     "64",          "0",         "64"};
    EXPECT_TRUE(std::holds_alternative<UsageError>(parseArgs(11, windowAtZero)));
}

TEST(SetWords, ChecksGiveTheFrameOrTheSetupsRefusal) {
    const setup::Resolution wide{1366, 768};
    struct Case {
        std::vector<const char*> words;
        MessageId refusal;
        std::string field;
        std::vector<std::uint8_t> bytes2to11;  // when sent
    } cases[] = {
        {{"brightness", "64"}, MessageId::None, "", {0x91, 64, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{"brightness", "63"}, MessageId::ValueMustBeEven, "", {}},
        {{"brightness", ""}, MessageId::ValueOutOfRange, "", {}},
        {{"saturation", "-1"}, MessageId::ValueOutOfRange, "", {}},
        {{"text-key", "below", "0", "x", "999"}, MessageId::ValueOutOfRange, "G", {}},
        {{"audio", "HDMI", "hdmi"}, MessageId::SameAudioChannel, "", {}},
        {{"audio", "YPbPr", "4"}, MessageId::None, "", {0x94, 10, 4, 0, 0, 0, 0, 0, 0, 0}},
        {{"hot-spare", "1,0,0,1"}, MessageId::None, "", {0x95, 1, 0, 0, 1, 0, 0, 0, 0, 0}},
        // X W Y H on the command line, start before size on the wire
        {{"main-window", "M4", "342", "1024", "0", "768"},
         MessageId::None,
         "",
         {0x8E, 0, 0x01, 0x56, 0x04, 0x00, 0, 0, 0x03, 0x00}},
        {{"pip-window", "m1", "344", "1024", "0", "768"}, MessageId::ValueOutOfRange, "W", {}},
        {{"output-window", "0", "1366", "1", "766"}, MessageId::ValueMustBeEven, "Y", {}},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSet(c.words);
        ASSERT_TRUE(std::holds_alternative<CliOptions>(parsed)) << c.words[0];
        const PreparedSet p = prepareSet(std::get<CliOptions>(parsed).set, 1, wide);
        EXPECT_EQ(p.refusal, c.refusal) << c.words[0] << " " << c.words[1];
        EXPECT_EQ(p.field, c.field) << c.words[0];
        ASSERT_EQ(p.frame.has_value(), c.refusal == MessageId::None) << c.words[0];
        if (p.frame) {
            EXPECT_EQ(std::vector<std::uint8_t>(p.frame->begin() + 2, p.frame->begin() + 12),
                      c.bytes2to11)
                << c.words[0];
        }
    }
}

}  // namespace
}  // namespace tvq::cli
