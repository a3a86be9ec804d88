// The wall against a simulated chain: connecting a processor for it, its writes, and whole walls
// programmed cell by cell.

#include <gtest/gtest.h>

#include <utility>

#include "core/link/commands.h"
#include "core/wall/mosaic_device.h"
#include "core/wall/wall_program.h"
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

// 2 x 2 wall: the left column 1000 wide, the right 920, rows 400 and 368 high.
WallPlan twoByTwo(std::optional<bool> sync = false) {
    WallPlan plan;
    plan.layout.rows = 2;
    plan.layout.columns = 2;
    plan.layout.widths = {1000, 920, 1000, 920};
    plan.layout.heights = {400, 400, 368, 368};
    plan.syncMosaic = sync;
    return plan;
}

std::vector<CellOutcome> outcomes(const WallSummary& summary) {
    std::vector<CellOutcome> list;
    for (const CellResult& c : summary.cells) list.push_back(c.outcome);
    return list;
}

// One bad cell fails with its reason; the cells around it are still programmed.
TEST(WallProgram, AFaultFailsOnlyThatCell) {
    using F = WallLink::Fault;
    const std::tuple<std::uint8_t, std::uint8_t, F, CellOutcome> cases[] = {
        {2, cmd::kInputWindow, F::WrongCommand, CellOutcome::InputRejected},
        {3, cmd::kOutputWindow, F::BadCheckByte, CellOutcome::OutputRejected},
        {1, cmd::kSyncMosaic, F::NoStatus, CellOutcome::ModeRejected},
        {4, cmd::kMainSource, F::NoStatus, CellOutcome::NotWallReady}};
    for (const auto& [address, command, fault, outcome] : cases) {
        FakeClock clock;
        WallLink link({1, 2, 3, 4}, clock);
        link.fault(address, command, fault);
        const WallSummary s = programWall(twoByTwo(), link.fn(), clock);
        std::vector<CellOutcome> expected(4, CellOutcome::Done);
        expected[address - 1u] = outcome;
        EXPECT_EQ(outcomes(s), expected) << int(command);
        EXPECT_EQ(std::pair(s.failed, s.done), std::pair(1u, 3u));
    }
}

TEST(WallProgram, AddressMapAndCalculationFailure) {
    FakeClock clock;
    WallLink link({7, 9}, clock);
    WallPlan plan;
    plan.layout.rows = 1;
    plan.layout.columns = 2;
    plan.layout.widths = {1000, 2000};  // 2000 is beyond 1024
    plan.layout.heights = {768, 768};
    plan.addresses = {9, 7};
    const WallSummary s = programWall(plan, link.fn(), clock);
    ASSERT_EQ(s.cells.size(), 2u);
    EXPECT_EQ(s.cells[0].address, 9);
    EXPECT_EQ(s.cells[0].outcome, CellOutcome::CalcFailed);
    EXPECT_EQ(s.cells[0].failures.at(0).check, WallCheck::WidthRange);
    EXPECT_EQ(s.cells[0].failures.at(0).cell, 1u);
    EXPECT_EQ(link.state(9).inputRect, (sim::Rect{0, 1024, 0, 768}));  // untouched
}

TEST(WallProgram, RefusedPlans) {
    FakeClock clock;
    WallLink link({1}, clock);
    auto with = [](std::vector<std::uint8_t> addresses) {
        WallPlan p = twoByTwo();
        p.addresses = std::move(addresses);
        return p;
    };
    WallPlan shortEntries = twoByTwo();
    shortEntries.layout.heights.pop_back();
    for (const WallPlan& plan :
         {with({1, 2, 3}), with({1, 2, 2, 3}), with({1, 0, 2, 3}), shortEntries}) {
        EXPECT_TRUE(wallPlanError(plan));
        EXPECT_TRUE(programWall(plan, link.fn(), clock).cells.empty());
    }
    EXPECT_TRUE(link.sent().empty());
    EXPECT_FALSE(wallPlanError(with({4, 3, 2, 1})));
}

}  // namespace
}  // namespace tvq
