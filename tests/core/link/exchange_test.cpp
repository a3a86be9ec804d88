// exchangeFrame and exchangeGather over a scripted line on virtual time.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/link/device_link.h"
#include "support/scripted_link.h"

namespace tvq {
namespace {

using test::Piece;
using test::ScriptedLink;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const CommandFrame kStatusQuery{5, 1, 23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes reply(std::uint8_t first = 5) {
    CommandFrame r = makeFrame(1, 23, {0, 3, 1, 0, 0x08, 1, 1, 2, 3});
    r[0] = first;
    return {r.begin(), r.end()};
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t to) {
    return {b.begin() + static_cast<std::ptrdiff_t>(from),
            b.begin() + static_cast<std::ptrdiff_t>(to)};
}

class Exchange : public ::testing::Test {
protected:
    ScriptedLink& attach(ByteLink::Kind kind) {
        auto owned = std::make_unique<ScriptedLink>(clock, kind);
        ScriptedLink& line = *owned;
        link.attach(std::move(owned));
        return line;
    }
    Millis elapsedSince(Millis start) const { return clock.elapsed() - start; }

    FakeClock clock;
    DeviceLink link{clock};
    CommandFrame out = filled(0xEE);

    static CommandFrame filled(std::uint8_t v) {
        CommandFrame f;
        f.fill(v);
        return f;
    }
};

// Each case: what the line does after the query, the time-out, the outcome and the time it took
// (a reply is picked up on arrival, then the 200 ms pause; only the first byte is tested).
TEST_F(Exchange, OutcomeAndTimeFollowTheReplyAndTheTimeOut) {
    using K = ByteLink::Kind;
    // A reply in two pieces, with its first byte right or wrong.
    const auto inTwo = [](const Bytes& r) {
        return std::vector<Piece>{{120ms, slice(r, 0, 6)}, {250ms, slice(r, 6, 13)}};
    };
    const struct {
        const char* name;
        K kind;
        std::vector<Piece> pieces;
        std::int32_t timeoutMs;
        int result;
        Millis elapsed;
    } cases[] = {
        {"shorter than one try", K::Serial, {}, 99, 0, 0ms},
        {"negative", K::Serial, {}, -100, 0, 0ms},
        {"whole tries only", K::Serial, {}, 1099, 0, 1000ms},
        {"serial reply", K::Serial, {{37ms, reply()}}, 1000, 13, 37ms + 200ms},
        {"network reply", K::Network, {{37ms, reply()}}, 1000, 13, 37ms + 200ms},
        {"serial pieces", K::Serial, inTwo(reply()), 1000, 13, 250ms + 200ms},
        {"bad first byte", K::Serial, inTwo(reply(4)), 1000, 0, 250ms + 200ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedLink& line = attach(c.kind);
        line.script(c.pieces);
        out = filled(0xEE);
        const Millis start = clock.elapsed();
        EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, c.timeoutMs), c.result);
        EXPECT_EQ(elapsedSince(start), c.elapsed);
        EXPECT_EQ(line.written().size(), 1u);
        if (c.result == 13)
            EXPECT_EQ(Bytes(out.begin(), out.end()), reply());
        else
            EXPECT_EQ(out, filled(0xEE));
    }
}

TEST_F(Exchange, SerialPiecesPastThirteenNeverOverrunAndOnlyAWholeReadCanFollow) {
    ScriptedLink& line = attach(ByteLink::Kind::Serial);
    const Bytes r = reply();
    line.script({{10ms, slice(r, 0, 10)}, {20ms, slice(r, 0, 5)}, {30ms, slice(r, 5, 8)}});
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 500), 0);
    EXPECT_EQ(out, filled(0xEE));

    line.script({{10ms, slice(r, 0, 10)}, {20ms, slice(r, 0, 5)}, {40ms, r}});
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 500), 13);
    EXPECT_EQ(Bytes(out.begin(), out.end()), r);
}

TEST_F(Exchange, NetworkShortReplyIsHandedOverZeroFilledUnlessThePeerCloses) {
    ScriptedLink& line = attach(ByteLink::Kind::Network);
    const Bytes r = reply();
    line.script({{20ms, slice(r, 0, 8)}});
    const Millis start = clock.elapsed();
    ASSERT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), 13);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), slice(r, 0, 8));
    EXPECT_EQ(Bytes(out.begin() + 8, out.end()), Bytes(5, 0));
    EXPECT_EQ(elapsedSince(start), 20ms + 100ms + 200ms);
    EXPECT_FALSE(checkByteOk(out));

    // A peer that closes after the same 8 bytes ends the wait at once: no reply, and the
    // detail tells it from silence.
    const CommandFrame before = out;
    line.script({{20ms, slice(r, 0, 8)}, {20ms, {}}});
    ExchangeDetail detail;
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 1000, detail), 0);
    EXPECT_EQ(elapsedSince(start), 20ms + 100ms + 200ms + 20ms);
    EXPECT_TRUE(detail.lineClosed && detail.received == 8u);
    EXPECT_EQ(out, before);
}

TEST_F(Exchange, LateReplyOfAnEarlierCommandIsDiscardedBeforeSending) {
    for (auto kind : {ByteLink::Kind::Serial, ByteLink::Kind::Network}) {
        ScriptedLink& line = attach(kind);
        const CommandFrame stale = makeFrame(1, 0x80, {8});
        line.preload({stale.begin(), stale.end()});
        line.script({{30ms, reply()}});
        ASSERT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), 13);
        EXPECT_EQ(Bytes(out.begin(), out.end()), reply());
        EXPECT_EQ(line.discarded(), 13);
    }
}

TEST_F(Exchange, FailedSendsGiveZero) {
    struct Case {
        ByteLink::Kind kind;
        int written;
        int result;
    };
    for (const Case c :
         {Case{ByteLink::Kind::Serial, 12, 0}, Case{ByteLink::Kind::Serial, 0, 0},
          Case{ByteLink::Kind::Network, 0, 0}, Case{ByteLink::Kind::Network, 5, 13}}) {
        ScriptedLink& line = attach(c.kind);
        line.failWrites(c.written);
        line.script({{10ms, reply()}});
        EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), c.result) << c.written;
    }
}

TEST_F(Exchange, BrokenLineReadsAsSilenceUntilTheTimeOut) {
    ScriptedLink& line = attach(ByteLink::Kind::Network);
    line.breakLine();
    const Millis start = clock.elapsed();
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), 0);
    EXPECT_EQ(elapsedSince(start), 1000ms);
    EXPECT_LT(line.reads(), 20) << "a closed peer must not be polled in a tight loop";
}

TEST_F(Exchange, AStopRequestEndsTheWaitButNotTheSend) {
    ScriptedLink& line = attach(ByteLink::Kind::Network);
    line.script({{500ms, reply()}});
    std::stop_source stop;
    stop.request_stop();
    const Millis start = clock.elapsed();
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 6000, stop.get_token()), 0);
    EXPECT_EQ(line.written().size(), 1u);
    EXPECT_EQ(elapsedSince(start), 0ms);
    EXPECT_EQ(out, filled(0xEE));
}

TEST_F(Exchange, NothingAttachedGivesZero) {
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), 0);
    attach(ByteLink::Kind::Serial);
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.exchangeFrame(kStatusQuery, out, 1000), 0);
}

// exchangeGather listens after one question for whatever the line brings, until it falls quiet.
TEST_F(Exchange, GatherTakesPiecesUntilTheLineFallsQuiet) {
    constexpr Millis kFirst{70}, kQuiet{20};
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        int gathered;
        Millis elapsed;
    };
    const Bytes six(6, 5), seven(7, 1);
    const std::vector<Case> cases{
        {"silence costs the first wait", {}, 0, kFirst},
        {"first byte too late", {{kFirst + 1ms, six}}, 0, kFirst},
        {"one reply in two pieces", {{10ms, six}, {25ms, seven}}, 13, 25ms + kQuiet},
        {"a piece after the quiet time is left", {{10ms, six}, {31ms, seven}}, 6, 10ms + kQuiet},
        {"a second reply right behind",
         {{10ms, Bytes(13, 5)}, {24ms, Bytes(13, 5)}},
         26,
         24ms + kQuiet}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        attach(ByteLink::Kind::Serial).script(c.pieces);
        const Millis start = clock.elapsed();
        Bytes gathered(52, 0xEE);
        EXPECT_EQ(link.exchangeGather(pageQuery(3), gathered, kFirst, kQuiet), c.gathered);
        EXPECT_EQ(elapsedSince(start), c.elapsed) << "no pause after the last byte";
    }

    attach(ByteLink::Kind::Serial);
    std::stop_source stop;
    stop.request_stop();
    const Millis start = clock.elapsed();
    Bytes gathered(52);
    EXPECT_EQ(link.exchangeGather(pageQuery(3), gathered, 60000ms, kQuiet, stop.get_token()), 0);
    EXPECT_EQ(elapsedSince(start), 0ms) << "a stop request ends even a long wait";
}

// Answers every frame with a copy of it; counts frames written while one was unanswered.
class EchoLink final : public ByteLink {
public:
    Kind kind() const override { return Kind::Network; }
    bool isOpen() const override { return true; }
    int writeFrame(const CommandFrame& frame) override {
        if (busy_.exchange(true)) ++overlaps;
        echo_ = frame;
        ready_ = true;
        return 13;
    }
    int readAvailable(std::uint8_t* out, int max) override {
        if (!ready_ || max < 13) return 0;
        std::copy(echo_.begin(), echo_.end(), out);
        ready_ = false;
        std::this_thread::yield();  // widen the window a careless link would leave open
        busy_ = false;
        return 13;
    }
    bool waitReadable(Millis) override { return ready_; }
    int discardInput() override { return 0; }
    void close() override {}

    std::atomic<int> overlaps{0};

private:
    std::atomic<bool> busy_{false};
    bool ready_ = false;
    CommandFrame echo_{};
};

TEST(ExchangeConcurrency, CallersOnOneLinkTakeTurns) {
    DeviceLink link(systemClock(), ExchangeTiming{100ms, 0ms});
    auto owned = std::make_unique<EchoLink>();
    EchoLink& echo = *owned;
    link.attach(std::move(owned));
    std::atomic<int> misattributed{0};
    auto caller = [&](std::uint8_t command) {
        for (int i = 0; i < 500; ++i) {
            const CommandFrame frame = makeFrame(1, command, {static_cast<std::uint8_t>(i)});
            CommandFrame r{};
            if (link.exchangeFrame(frame, r, 1000) != 13 || r != frame) ++misattributed;
        }
    };
    std::thread a(caller, 0x80), b(caller, 0x91);
    a.join();
    b.join();
    EXPECT_EQ(echo.overlaps, 0);
    EXPECT_EQ(misattributed, 0);
}

}  // namespace
}  // namespace tvq
