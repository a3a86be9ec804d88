#include <gtest/gtest.h>

#include "core/link/commands.h"
#include "core/wall/wall_program.h"
#include "wall_link.h"

namespace tvq {
namespace {

using test::WallLink;

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
