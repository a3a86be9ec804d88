// Sorting the replies to one status query, and a whole scan over a fake chain on virtual time.

#include <gtest/gtest.h>

#include <map>

#include "core/control/chain_scan.h"
#include "core/link/status_reply.h"

namespace tvq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ScanProblem::Kind;
using namespace std::chrono_literals;

Bytes statusFrom(std::uint8_t address, std::uint8_t main = 8, bool signal = true) {
    StatusReport s;
    s.address = address;
    s.mainSource = main;
    s.subSource = 1;
    s.mainSignal = signal;
    const CommandFrame f = encodeStatus(s);
    return {f.begin(), f.end()};
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes firstBytes(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

Bytes badCheck(Bytes frame) {
    frame[12] ^= 0x55;
    return frame;
}

Bytes echoOf(std::uint8_t address) {
    const CommandFrame f = makeFrame(address, 0x80, {8});
    Bytes b(f.begin(), f.end());
    b[12] = frameCheck(f);
    return b;
}

TEST(ReadScanReplies, SortsWhatCameBack) {
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
        {"bad check byte", badCheck(statusFrom(4)), false, {{Kind::Garbled, 4, 4, 13}}},
        {"a short piece", firstBytes(statusFrom(4), 7), false, {{Kind::Garbled, 4, 4, 7}}},
        {"not a status reply", echoOf(4), false, {{Kind::Garbled, 4, 4, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanReading r = readScanReplies(4, c.bytes);
        EXPECT_EQ(r.answered, c.answered);
        EXPECT_EQ(r.problems, c.problems);
    }
}

TEST(ReadScanReplies, TakesSourceAndSignalFromTheFirstAnswer) {
    const ScanReading r = readScanReplies(4, join({statusFrom(4, 7, false), statusFrom(4, 1)}));
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.answer.address, 4);
    EXPECT_EQ(r.answer.mainSource, 7);
    EXPECT_FALSE(r.answer.mainSignal);
}

// A chain behind one line on virtual time: each asked address answers with its bytes at
// once, or stays silent.
class FakeChainLink final : public ByteLink {
public:
    FakeChainLink(FakeClock& clock, std::map<std::uint8_t, Bytes> replies)
        : clock_(clock), replies_(std::move(replies)) {}

    std::function<void(std::uint8_t)> onWrite;
    int failFrom = 256;  // writes to this address and above fail
    std::vector<CommandFrame> written;

    Kind kind() const override { return Kind::Serial; }
    bool isOpen() const override { return true; }
    int writeFrame(const CommandFrame& frame) override {
        if (frame[1] >= failFrom) return 0;
        written.push_back(frame);
        if (onWrite) onWrite(frame[1]);
        const auto it = replies_.find(frame[1]);
        input_ = it == replies_.end() ? Bytes{} : it->second;
        return static_cast<int>(kFrameSize);
    }
    int readAvailable(std::uint8_t* out, int max) override {
        const auto n = std::min(input_.size(), static_cast<std::size_t>(max));
        std::copy_n(input_.begin(), n, out);
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
    }
    bool waitReadable(Millis timeout) override {
        if (input_.empty()) clock_.sleepFor(timeout);
        return !input_.empty();
    }
    int discardInput() override { return static_cast<int>(std::exchange(input_, {}).size()); }
    void close() override {}

private:
    FakeClock& clock_;
    std::map<std::uint8_t, Bytes> replies_;
    Bytes input_;
};

class ScanChain : public ::testing::Test {
protected:
    FakeChainLink& attach(std::map<std::uint8_t, Bytes> replies) {
        auto owned = std::make_unique<FakeChainLink>(clock, std::move(replies));
        FakeChainLink& line = *owned;
        link.attach(std::move(owned));
        return line;
    }

    FakeClock clock;
    DeviceLink link{clock};
    const ScanTiming timing = scanTimingFor(ByteLink::Kind::Serial);
};

TEST_F(ScanChain, ListsAnswersAndTroubleInAddressOrder) {
    FakeChainLink& line = attach({{1, statusFrom(1, 8)},
                                  {2, statusFrom(2, 0, false)},
                                  {5, join({statusFrom(5, 7), statusFrom(5, 7)})},
                                  {7, statusFrom(9)}});
    std::vector<int> progress;
    std::vector<std::uint8_t> heard;
    ScanEvents events;
    events.progress = [&](std::uint8_t address, int done, int total) {
        EXPECT_EQ(total, 10);
        EXPECT_EQ(done, address);
        progress.push_back(done);
    };
    events.answered = [&](const ScanAnswer& a) { heard.push_back(a.address); };

    const ScanResult r = scanChain(link, {1, 10}, timing, events);

    ASSERT_EQ(r.answers.size(), 3u);
    EXPECT_EQ(heard, (std::vector<std::uint8_t>{1, 2, 5}));
    EXPECT_EQ(r.answers[0].mainSource, 8);
    EXPECT_TRUE(r.answers[0].mainSignal);
    EXPECT_EQ(r.answers[1].mainSource, 0);
    EXPECT_FALSE(r.answers[1].mainSignal);
    EXPECT_EQ(r.problems,
              (std::vector<ScanProblem>{{Kind::Duplicate, 5, 5, 2}, {Kind::Foreign, 7, 9, 1}}));
    EXPECT_EQ(progress.size(), 10u);
    EXPECT_EQ(r.asked, 10);
    EXPECT_FALSE(r.stopped || r.lineFailed);
    ASSERT_EQ(line.written.size(), 10u);
    for (std::size_t i = 0; i < line.written.size(); ++i) {
        EXPECT_EQ(line.written[i][1], i + 1);
        EXPECT_EQ(line.written[i][2], 23);
        EXPECT_EQ(line.written[i][12], frameCheck(line.written[i]));
    }
    // Silence costs the reply wait, an answer the quiet time after it; nothing else waits.
    EXPECT_EQ(clock.elapsed(), 6 * timing.replyWait + 4 * timing.quiet);
}

TEST_F(ScanChain, StopEndsTheWaitAtOnceAndAsksNoFurther) {
    FakeChainLink& line = attach({{1, statusFrom(1)}});
    std::stop_source stop;
    Millis stoppedAt{};
    line.onWrite = [&](std::uint8_t address) {
        if (address != 20) return;
        stoppedAt = clock.elapsed();
        stop.request_stop();
    };
    const ScanResult r =
        scanChain(link, {1, 255}, ScanTiming{Millis{1000}, Millis{20}}, {}, stop.get_token());
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.asked, 19) << "the cut-short query does not count";
    EXPECT_EQ(line.written.size(), 20u);
    EXPECT_LT(clock.elapsed() - stoppedAt, Millis{100});
}

TEST_F(ScanChain, ADeadLineEndsTheScanInsteadOfReportingSilence) {
    FakeChainLink& line = attach({{1, statusFrom(1)}});
    line.failFrom = 3;
    const ScanResult r = scanChain(link, {1, 255}, timing, {});
    EXPECT_TRUE(r.lineFailed);
    EXPECT_EQ(r.asked, 2);
    EXPECT_EQ(r.answers.size(), 1u);
}

TEST_F(ScanChain, AnEmptyRangeAsksNobody) {
    FakeChainLink& line = attach({});
    const ScanResult r = scanChain(link, {9, 8}, timing, {});
    EXPECT_EQ(r.asked, 0);
    EXPECT_TRUE(line.written.empty());
}

TEST(ScanTiming, SilenceOnAWholeSerialLineFitsTheBudget) {
    const ScanTiming t = scanTimingFor(ByteLink::Kind::Serial);
    EXPECT_GT(t.replyWait, 2 * Millis{14}) << "shorter than a query and the start of a reply";
    EXPECT_LT(255 * t.replyWait, Millis{25000});
    EXPECT_GT(t.quiet, Millis{14}) << "a second reply right behind the first must be heard";
}

}  // namespace
}  // namespace tvq
