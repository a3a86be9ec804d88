#include <gtest/gtest.h>

#include <utility>

#include "core/link/commands.h"
#include "core/wall/mosaic_device.h"
#include "wall_link.h"

namespace tvq {
namespace {

using test::WallLink;

struct ConnectCase {
    const char* name;
    std::uint8_t address;
    void (*setUp)(WallLink&);
    const char* commands;
    bool connected, enabled;
    MessageId message;
    std::optional<Resolution> resolution;
    int elapsedMs;
};

using F = WallLink::Fault;
void makeReady(WallLink& l) {
    auto& s = l.state(1);
    s.mosaic = true;
    s.mainSource = 7;
    s.outputFormat = 7;
}
const auto bypassOn = [](WallLink& l) { l.state(1).bypass = true; };
const auto bypassRefused = [](WallLink& l) {
    l.state(1).bypass = true;
    l.fault(1, cmd::kBypass, F::NoStatus);
};
const auto noDviSignal = [](WallLink& l) { makeReady(l), l.state(1).signal[7] = false; };
const auto pageThreeWrong = [](WallLink& l) { l.fault(1, 0x17, F::WrongCommand, 3); };
const auto statusSilent = [](WallLink& l) { l.fault(1, 0x17, F::Silent, 0); };
const auto unknownFormat = [](WallLink& l) { makeReady(l), l.state(1).outputFormat = 12; };
const auto nothing = [](WallLink&) {};

class WallConnect : public testing::TestWithParam<ConnectCase> {};

TEST_P(WallConnect, Sequence) {
    const ConnectCase& c = GetParam();
    FakeClock clock;
    WallLink link({1}, clock);
    c.setUp(link);
    const MosaicConnect r = connectForWall(link.fn(), clock, c.address);
    EXPECT_EQ(hexBytes(link.commands()), c.commands);
    EXPECT_EQ(std::pair(r.connected, r.actionsEnabled), std::pair(c.connected, c.enabled));
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(r.resolution, c.resolution);
    EXPECT_EQ(clock.elapsed(), Millis{c.elapsedMs});
}

constexpr const char* kReads = "17 17 17";
const std::optional<Resolution> kXga = Resolution{}, kWide = Resolution{1366, 768};
constexpr auto kNone = MessageId::None, kDvi = MessageId::WallCheckDvi;

INSTANTIATE_TEST_SUITE_P(
    Wall, WallConnect,
    testing::Values(
        ConnectCase{"Ready", 1, makeReady, kReads, true, true, kNone, kWide, 3000},
        // Bypass off, DVI (20 s time-out) and mosaic on, each after half a second.
        ConnectCase{"Prepared", 1, bypassOn, "17 17 17 85 80 86 17", true, true, kNone, kXga, 5000},
        ConnectCase{"RefusedBypassSkipsSourceAndMosaic", 1, bypassRefused, "17 17 17 85 17", true,
                    false, kDvi, kXga, 5000},
        ConnectCase{"NoSignalOnDvi", 1, noDviSignal, "17 17 17 17", true, false, kDvi, kWide, 5000},
        // Nobody there: one second, one page time-out, then counted as connected.
        ConnectCase{"Silent", 5, nothing, "17", true, false, kNone, std::nullopt, 7000},
        ConnectCase{"PageThreeWrongCommand", 1, pageThreeWrong, "17", true, false, kNone,
                    std::nullopt, 1000},
        ConnectCase{"StatusUnanswered", 1, statusSilent, kReads, false, false,
                    MessageId::WallCannotConnect, kXga, 9000},
        ConnectCase{"UnknownFormatKeepsResolution", 1, unknownFormat, kReads, true, true, kNone,
                    std::nullopt, 3000}),
    [](const auto& info) { return info.param.name; });

TEST(WallConnectStop, StopEndsAPauseAndSendsNothingMore) {
    FakeClock clock;
    WallLink link({1}, clock);
    std::stop_source stop;
    link.onFrame([&](const CommandFrame& f) {
        if (f[3] == 4) stop.request_stop();
    });
    const MosaicConnect c = connectForWall(link.fn(), clock, 1, stop.get_token());
    EXPECT_TRUE(c.stopped);
    EXPECT_FALSE(c.connected);
    EXPECT_EQ(link.sent().size(), 2u);
}

// The screen's tests cover accepted writes and refusals by command or check byte; here, the
// output window's time-out and a mode acknowledged without a status.
TEST(WallWrites, SetWindowAndMode) {
    FakeClock clock;
    WallLink link({1}, clock);
    EXPECT_TRUE(
        setWallWindow(link.fn(), 1, WallSide::Output, {512, 768, 512, 0}, {}, true).accepted);
    EXPECT_EQ(link.sent().back().timeoutMs, 7000);
    link.fault(1, cmd::kSyncMosaic, WallLink::Fault::NoStatus);
    EXPECT_FALSE(setMosaicMode(link.fn(), 1, true));
}

TEST(WallWrites, DetectAsksForDviOnlyWhenAnsweredAndNotReady) {
    FakeClock clock;
    WallLink link({1}, clock);
    EXPECT_TRUE(detectNeedsDvi(link.fn(), 1));   // a fresh processor shows V1, mosaic off
    EXPECT_FALSE(detectNeedsDvi(link.fn(), 2));  // nobody there
    link.fault(1, cmd::kReadPage, WallLink::Fault::NoStatus);
    EXPECT_FALSE(detectNeedsDvi(link.fn(), 1));
}

}  // namespace
}  // namespace tvq
