// Sorting the replies to one status query, and how a scan over a scripted chain ends (the gathering
// of replies is the link's exchange table).

#include <gtest/gtest.h>

#include <map>

#include "core/control/chain_scan.h"
#include "core/link/status_reply.h"

namespace tvq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ScanProblem::Kind;

Bytes bytesOf(const CommandFrame& f) {
    return {f.begin(), f.end()};
}

Bytes statusFrom(std::uint8_t address, std::uint8_t main = 8, bool signal = true) {
    return bytesOf(encodeStatus({.address = address, .mainSource = main, .mainSignal = signal}));
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(ReadScanReplies, SortsWhatCameBack) {
    Bytes badCheck = statusFrom(4);
    badCheck[12] ^= 0x55;
    struct Case {
        const char* name;
        Bytes bytes;
        bool answered;
        std::vector<ScanProblem> problems;
    };
    const std::vector<Case> cases{
        {"silence", {}, false, {}},
        {"one answer", statusFrom(4), true, {}},
        {"two devices on one address",
         join({statusFrom(4), statusFrom(4, 1)}),
         true,
         {{Kind::Duplicate, 4, 4, 2}}},
        {"another address answers", statusFrom(9), false, {{Kind::Foreign, 4, 9, 1}}},
        {"answer and a stray reply",
         join({statusFrom(9), statusFrom(4)}),
         true,
         {{Kind::Foreign, 4, 9, 1}}},
        {"noise before the answer",
         join({{0x00, 0xFF, 0x05}, statusFrom(4)}),
         true,
         {{Kind::Garbled, 4, 4, 3}}},
        {"bad check byte", badCheck, false, {{Kind::Garbled, 4, 4, 13}}},
        {"not a status reply",
         bytesOf(makeFrame(4, 0x80, {8})),
         false,
         {{Kind::Garbled, 4, 4, 0}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanReading r = readScanReplies(4, c.bytes);
        EXPECT_EQ(r.answered, c.answered);
        EXPECT_EQ(r.problems, c.problems);
    }
}

// A chain whose members answer at once with their scripted bytes; -1 once the line is dead.
struct ScriptedChain {
    std::map<std::uint8_t, Bytes> replies{};
    std::vector<CommandFrame> asked{};
    int deadFrom = 256;
    std::function<void(std::uint8_t)> onAsk{};

    ScanExchange exchange() {
        return [this](const CommandFrame& query, std::span<std::uint8_t> out, std::stop_token) {
            if (query[1] >= deadFrom) return -1;
            asked.push_back(query);
            if (onAsk) onAsk(query[1]);
            const Bytes& b = replies[query[1]];
            std::copy(b.begin(), b.end(), out.begin());
            return static_cast<int>(b.size());
        };
    }
};

TEST(ScanChain, StopOrADeadLineEndTheScan) {
    std::stop_source stop;
    ScriptedChain stopped{.replies = {{1, statusFrom(1)}}};
    stopped.onAsk = [&](std::uint8_t a) {
        if (a == 20) stop.request_stop();
    };
    const ScanResult s = scanChain(stopped.exchange(), {1, 255}, {}, stop.get_token());
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.asked, 19) << "the cut-short query does not count";
    EXPECT_EQ(stopped.asked.size(), 20u);

    // Silence on a dead line would read as "nobody there": the scan says it failed instead.
    ScriptedChain dead{.replies = {{1, statusFrom(1)}}, .deadFrom = 3};
    const ScanResult d = scanChain(dead.exchange(), {1, 255}, {});
    EXPECT_TRUE(d.lineFailed);
    EXPECT_EQ(d.asked, 2);
    EXPECT_EQ(d.answers.size(), 1u);
}

}  // namespace
}  // namespace tvq
