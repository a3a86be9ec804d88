#include "sim/faults.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tvq::sim {
namespace {

using Pieces = std::vector<std::tuple<int, int, Millis>>;
using Plan = std::tuple<CommandFrame, bool, Millis, std::string, Pieces>;

// The fates of 300 replies, as values to compare: bytes, sent, delay, faults, pieces.
std::vector<Plan> run(const FaultSettings& s, std::uint32_t seed) {
    FaultPlan plan(s, seed);
    std::vector<Plan> out;
    for (int i = 0; i < 300; ++i) {
        const ReplyPlan p = plan.plan(makeFrame(3, 0x17, {0, 3, 0, 4}));
        Pieces pieces;
        for (const Piece& x : p.pieces) pieces.emplace_back(x.offset, x.length, x.gapBefore);
        out.emplace_back(p.bytes, p.send, p.delay, p.faults, pieces);
    }
    return out;
}

TEST(SimFaults, SameSeedSameFaults) {
    FaultSettings mixed;
    for (double& p : mixed.probability) p = 0.2;
    mixed.delayMinMs = 20;
    mixed.delayMaxMs = 40;
    const auto a = run(mixed, 7);
    EXPECT_TRUE(a == run(mixed, 7));
    const auto c = run(mixed, 8);
    int differences = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        differences += a[i] != c[i] ? 1 : 0;
        const Millis delay = std::get<2>(a[i]);
        const bool delayed = std::get<3>(a[i]).find("delay") != std::string::npos;
        EXPECT_TRUE(delayed ? delay >= Millis{20} && delay <= Millis{40} : delay == Millis{0});
    }
    EXPECT_GT(differences, 30);

    // Turning another fault on must not move the replies a fault hits, nor change its rate.
    FaultSettings dropOnly;
    dropOnly[Fault::Drop] = 0.3;
    FaultSettings dropAndSplit = dropOnly;
    dropAndSplit[Fault::Split] = 0.9;
    const auto d = run(dropOnly, 11);
    const auto e = run(dropAndSplit, 11);
    int dropped = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        EXPECT_EQ(std::get<1>(d[i]), std::get<1>(e[i])) << "reply " << i;
        dropped += std::get<1>(d[i]) ? 0 : 1;
    }
    EXPECT_GT(dropped, 60);
    EXPECT_LT(dropped, 120);
}

}  // namespace
}  // namespace tvq::sim
