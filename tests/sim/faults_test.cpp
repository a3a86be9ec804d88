#include "sim/faults.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tvq::sim {
namespace {

const CommandFrame kReply = makeFrame(3, 0x17, {0, 3, 0, 4, 0x18, 1, 1, 0, 1});

FaultSettings only(Fault f, double p = 1.0) {
    FaultSettings s;
    s[f] = p;
    s.delayMinMs = 20;
    s.delayMaxMs = 40;
    return s;
}

std::vector<ReplyPlan> run(const FaultSettings& s, std::uint32_t seed, int count) {
    FaultPlan plan(s, seed);
    std::vector<ReplyPlan> out;
    for (int i = 0; i < count; ++i) out.push_back(plan.plan(kReply));
    return out;
}

bool samePlan(const ReplyPlan& a, const ReplyPlan& b) {
    if (a.bytes != b.bytes || a.send != b.send || a.delay != b.delay || a.faults != b.faults ||
        a.pieces.size() != b.pieces.size())
        return false;
    for (std::size_t i = 0; i < a.pieces.size(); ++i)
        if (a.pieces[i].offset != b.pieces[i].offset || a.pieces[i].length != b.pieces[i].length ||
            a.pieces[i].gapBefore != b.pieces[i].gapBefore)
            return false;
    return true;
}

FaultSettings mixed() {
    FaultSettings s;
    for (double& p : s.probability) p = 0.2;
    s.delayMinMs = 1;
    s.delayMaxMs = 50;
    return s;
}

TEST(SimFaults, SameSeedSameFaults) {
    const auto a = run(mixed(), 7, 300);
    const auto b = run(mixed(), 7, 300);
    const auto c = run(mixed(), 8, 300);
    int differences = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_TRUE(samePlan(a[i], b[i])) << "reply " << i;
        differences += samePlan(a[i], c[i]) ? 0 : 1;
    }
    EXPECT_GT(differences, 30);
}

// Turning another fault on must not move the replies a fault hits.
TEST(SimFaults, OneFaultDoesNotShiftAnother) {
    FaultSettings dropOnly = only(Fault::Drop, 0.3);
    FaultSettings dropAndSplit = dropOnly;
    dropAndSplit[Fault::Split] = 0.9;
    const auto a = run(dropOnly, 11, 200);
    const auto b = run(dropAndSplit, 11, 200);
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].send, b[i].send) << "reply " << i;
}

TEST(SimFaults, RateFollowsTheProbability) {
    int dropped = 0;
    for (const ReplyPlan& p : run(only(Fault::Drop, 0.25), 3, 2000)) dropped += p.send ? 0 : 1;
    EXPECT_GT(dropped, 400);
    EXPECT_LT(dropped, 600);
}

struct EffectCase {
    Fault fault;
    std::function<bool(const ReplyPlan&)> holds;
};

TEST(SimFaults, EachFaultDoesWhatItSays) {
    const std::vector<EffectCase> cases{
        {Fault::Drop, [](const ReplyPlan& p) { return !p.send && !p.closeConnection; }},
        {Fault::Close, [](const ReplyPlan& p) { return !p.send && p.closeConnection; }},
        {Fault::Corrupt,
         [](const ReplyPlan& p) { return p.send && !checkByteOk(p.bytes) && p.bytes[1] == 3; }},
        {Fault::WrongAddress,
         [](const ReplyPlan& p) {
             return checkByteOk(p.bytes) && p.bytes[1] != 3 && p.bytes[1] != 0;
         }},
        {Fault::Ff6, [](const ReplyPlan& p) { return checkByteOk(p.bytes) && p.bytes[6] == 0xFF; }},
        {Fault::Delay,
         [](const ReplyPlan& p) {
             return p.bytes == kReply && p.delay >= Millis{20} && p.delay <= Millis{40};
         }},
        {Fault::Split,
         [](const ReplyPlan& p) {
             std::size_t next = 0;
             for (const Piece& piece : p.pieces) {
                 if (piece.offset != next || piece.length == 0) return false;
                 if (next > 0 && (piece.gapBefore < Millis{1} || piece.gapBefore > Millis{5}))
                     return false;
                 next += piece.length;
             }
             return p.bytes == kReply && p.pieces.size() >= 2 && next == kFrameSize;
         }},
    };
    for (const EffectCase& c : cases) {
        for (const ReplyPlan& p : run(only(c.fault), 5, 50)) {
            EXPECT_TRUE(c.holds(p)) << faultName(c.fault);
            EXPECT_TRUE(p.has(c.fault)) << p.faults;
        }
    }
    for (const ReplyPlan& p : run(FaultSettings{}, 5, 50)) {
        EXPECT_TRUE(p.send);
        EXPECT_EQ(p.bytes, kReply);
        EXPECT_EQ(p.pieces.size(), 1u);
        EXPECT_TRUE(p.faults.empty());
    }
}

TEST(SimFaults, WrongAddressWrapsAt255) {
    CommandFrame reply = makeFrame(255, 0x17);
    FaultPlan plan(only(Fault::WrongAddress), 1);
    EXPECT_EQ(plan.plan(reply).bytes[1], 1);
}

TEST(SimFaults, NamesRoundTrip) {
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        const auto f = static_cast<Fault>(i);
        EXPECT_EQ(parseFaultName(faultName(f)), f);
    }
    EXPECT_FALSE(parseFaultName("explode"));
}

}  // namespace
}  // namespace tvq::sim
