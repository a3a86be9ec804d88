#include "core/setup/read_back.h"

#include <gtest/gtest.h>

#include <map>

#include "core/link/commands.h"

namespace tvq::setup {
namespace {

// A processor at address 1 that answers the pages it has, instantly, and stays silent (for the
// whole time-out) on the others. Every read is logged with the virtual time it was sent at.
struct ScriptedPages {
    FakeClock clock;
    std::map<std::uint8_t, CommandFrame> pages;
    std::vector<std::pair<std::uint8_t, std::int32_t>> reads;  // page, time-out
    std::vector<Millis> sentAt;
    std::function<void(std::uint8_t)> onRead;

    ExchangeFn exchange() {
        return [this](const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token) {
            reads.emplace_back(frame[3], timeoutMs);
            sentAt.push_back(clock.elapsed());
            if (onRead) onRead(frame[3]);
            const auto it = pages.find(frame[3]);
            if (it == pages.end()) {
                clock.advance(Millis{timeoutMs});
                return 0;
            }
            reply = it->second;
            return 13;
        };
    }
    void answer(std::uint8_t page, std::initializer_list<std::uint8_t> params) {
        pages[page] = makeFrame(1, cmd::kReadPage, params);
    }
    void answerAll() {
        for (std::uint8_t p = 0; p <= 14; ++p)
            answer(p, {static_cast<std::uint8_t>(p == 0 ? 0 : 1)});
    }
};

// Without a good page 3 (silence, or another address answering) nothing else is read.
TEST(ReadBack, PageThreeDecidesWhetherAnythingElseIsRead) {
    for (bool silent : {true, false}) {
        ScriptedPages dev;
        dev.answerAll();
        if (silent)
            dev.pages.erase(3);
        else
            dev.pages[3] = makeFrame(2, cmd::kReadPage, {0});
        const ReadBackResult r = readBack(dev.exchange(), 1, dev.clock, {});
        EXPECT_EQ(dev.reads.size(), 1u) << silent;
        EXPECT_FALSE(r.settings.output) << silent;
    }
}

// Pages in order, each with its time-out and a pause after it; a silent page costs its whole
// time-out and stays empty, and the rest are still read.
TEST(ReadBack, SilentPagesStayEmptyTheRestAreStillReadProgressTellsEach) {
    ScriptedPages dev;
    dev.answerAll();
    dev.answer(3, {7, 0, 0, 0x05, 0x56, 0, 0, 0x03, 0});
    dev.pages.erase(1);
    dev.pages.erase(5);
    dev.answer(0, {0, 0, 0, 0xFF});  // answered, but carries no status
    std::vector<std::string> steps;
    const ReadBackResult r = readBack(dev.exchange(), 1, dev.clock, {}, [&](const ReadStep& s) {
        steps.push_back(std::to_string(s.page) + (s.reading ? "?" : s.answered ? "+" : "-"));
        if (!s.reading && s.page == 4) {
            EXPECT_TRUE(s.settings.input);
        }
    });
    const std::vector<std::string> expected{"3?", "3+", "0?", "0+", "1?", "1-", "2?",
                                            "2+", "4?", "4+", "5?", "5-", "6?", "6+"};
    EXPECT_EQ(steps, expected);
    EXPECT_FALSE(r.stopped);
    ASSERT_TRUE(r.settings.output);
    EXPECT_EQ(r.settings.output->formatIndex, 7);
    EXPECT_EQ(dev.reads[5], (std::pair<std::uint8_t, std::int32_t>{5, 15000}));
    EXPECT_FALSE(r.settings.main || r.settings.picture || r.settings.status);
    EXPECT_TRUE(r.settings.statusAnswered);
    EXPECT_TRUE(r.settings.pip && r.settings.input && r.settings.textKey);
    // 6 pauses plus the silent pages' whole time-outs
    EXPECT_EQ(dev.clock.elapsed(), Millis{6 * 200 + 5000 + 15000});
}

TEST(ReadBack, AStopSendsNothingMoreAndSkipsThePause) {
    for (std::uint8_t stopAt : {3, 0, 2, 6}) {
        ScriptedPages dev;
        dev.answerAll();
        std::stop_source source;
        dev.onRead = [&](std::uint8_t page) {
            if (page == stopAt) source.request_stop();
        };
        const ReadBackResult r = readBack(dev.exchange(), 1, dev.clock, source.get_token());
        EXPECT_TRUE(r.stopped) << int(stopAt);
        EXPECT_EQ(dev.reads.back().first, stopAt);
        EXPECT_EQ(dev.clock.elapsed(), dev.sentAt.back()) << "paused after the stop";
    }
}

TEST(ModeRects, ReadsBothPagesOfTheModeWithAPauseBetween) {
    ScriptedPages dev;
    dev.answer(11, {2, 0, 0, 0x02, 0, 0, 0, 0x01, 0});
    dev.answer(12, {2, 0, 4, 0x01, 0, 0, 8, 0, 0x80});
    const ModeRects r = readModeRects(dev.exchange(), 1, 2, dev.clock, {});
    const std::vector<std::pair<std::uint8_t, std::int32_t>> expected{{11, 7000}, {12, 7000}};
    EXPECT_EQ(dev.reads, expected);
    EXPECT_EQ(dev.sentAt[1], Millis{200});
    ASSERT_TRUE(r.main && r.pip);
    EXPECT_EQ(r.main->mode, 2);
    EXPECT_EQ(r.main->rect, (WindowRect{512, 0, 256, 0}));
    EXPECT_EQ(*r.pip, (WindowRect{256, 4, 128, 8}));
}

}  // namespace
}  // namespace tvq::setup
