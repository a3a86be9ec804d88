// exchangeGather: listening after one question for whatever the line brings, on virtual time.

#include <gtest/gtest.h>

#include "core/link/device_link.h"
#include "support/scripted_link.h"

namespace tvq {
namespace {

using test::Piece;
using test::ScriptedLink;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

constexpr Millis kFirst{70};
constexpr Millis kQuiet{20};

TEST(ExchangeGather, TakesPiecesUntilTheLineFallsQuiet) {
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
         24ms + kQuiet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        DeviceLink link{clock};
        auto owned = std::make_unique<ScriptedLink>(clock, ByteLink::Kind::Serial);
        owned->script(c.pieces);
        link.attach(std::move(owned));
        Bytes out(52, 0xEE);
        EXPECT_EQ(link.exchangeGather(pageQuery(3), out, kFirst, kQuiet), c.gathered);
        EXPECT_EQ(clock.elapsed(), c.elapsed) << "no pause after the last byte";
    }
}

TEST(ExchangeGather, StaleInputIsDroppedAndTheQuerySentWithItsCheckByte) {
    FakeClock clock;
    DeviceLink link{clock};
    auto owned = std::make_unique<ScriptedLink>(clock, ByteLink::Kind::Network);
    ScriptedLink& line = *owned;
    line.preload(Bytes(13, 5));  // a late answer to the question before
    link.attach(std::move(owned));
    Bytes out(52);
    CommandFrame query = pageQuery(3);
    query[12] = 0;
    EXPECT_EQ(link.exchangeGather(query, out, kFirst, kQuiet), 0);
    ASSERT_EQ(line.written().size(), 1u);
    EXPECT_EQ(line.written()[0][12], frameCheck(query));
}

TEST(ExchangeGather, NothingSentIsMinusOne) {
    FakeClock clock;
    DeviceLink link{clock};
    Bytes out(52);
    EXPECT_EQ(link.exchangeGather(pageQuery(3), out, kFirst, kQuiet), -1) << "no line";
    auto owned = std::make_unique<ScriptedLink>(clock, ByteLink::Kind::Serial);
    owned->failWrites(12);
    link.attach(std::move(owned));
    EXPECT_EQ(link.exchangeGather(pageQuery(3), out, kFirst, kQuiet), -1) << "short write";
}

// Never answers; asks for a stop at its fifth wait and remembers the longest wait asked of it.
class SilentLink final : public ByteLink {
public:
    SilentLink(FakeClock& clock, std::stop_source& stop) : clock_(clock), stop_(stop) {}
    Millis longest{0};
    Kind kind() const override { return Kind::Serial; }
    bool isOpen() const override { return true; }
    int writeFrame(const CommandFrame&) override { return static_cast<int>(kFrameSize); }
    int readAvailable(std::uint8_t*, int) override { return 0; }
    bool waitReadable(Millis timeout) override {
        longest = std::max(longest, timeout);
        clock_.sleepFor(timeout);
        if (++waits_ == 5) stop_.request_stop();
        return false;
    }
    int discardInput() override { return 0; }
    void close() override {}

private:
    FakeClock& clock_;
    std::stop_source& stop_;
    int waits_ = 0;
};

TEST(ExchangeGather, AStopRequestEndsALongWaitWithinOneSlice) {
    FakeClock clock;
    DeviceLink link{clock};
    std::stop_source stop;
    auto owned = std::make_unique<SilentLink>(clock, stop);
    SilentLink& line = *owned;
    link.attach(std::move(owned));
    Bytes out(52);
    EXPECT_EQ(link.exchangeGather(pageQuery(3), out, Millis{60000}, kQuiet, stop.get_token()), 0);
    EXPECT_LE(line.longest, Millis{50}) << "one wait must not outlast a stop by much";
    EXPECT_EQ(clock.elapsed(), 5 * line.longest);
}

}  // namespace
}  // namespace tvq
