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

TEST(ExchangeGather, AStopRequestEndsEvenALongWait) {
    FakeClock clock;
    DeviceLink link{clock};
    link.attach(std::make_unique<ScriptedLink>(clock, ByteLink::Kind::Serial));
    std::stop_source stop;
    stop.request_stop();
    Bytes out(52);
    EXPECT_EQ(link.exchangeGather(pageQuery(3), out, Millis{60000}, kQuiet, stop.get_token()), 0);
    EXPECT_EQ(clock.elapsed(), Millis{0});
}

}  // namespace
}  // namespace tvq
