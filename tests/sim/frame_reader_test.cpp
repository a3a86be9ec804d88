#include "sim/frame_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tvq::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const CommandFrame kQuery = pageQuery(1);
const Bytes kFrame(kQuery.begin(), kQuery.end());

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct ResyncCase {
    const char* what;
    std::vector<Bytes> pieces;
    std::size_t garbage;               // bytes dropped before the one good frame
    std::chrono::milliseconds gap{0};  // between pieces
};

TEST(SimFrameReader, FindsFramesAndDropsTheRest) {
    Bytes badCheck = kFrame;
    badCheck[12] ^= 1;
    const std::vector<ResyncCase> cases{
        {"one byte at a time", {{5}, {1}, {0x17}, Bytes(9, 0), {0x13}}, 0},
        {"noise first", {concat({{0, 7, 0xFF}, kFrame})}, 3},
        {"bad check byte, then a good frame", {concat({badCheck, kFrame})}, 13},
        {"frame start inside noise", {concat({{5, 5, 5}, kFrame})}, 3},
        // A partial frame left standing is dropped before the next frame comes: twelve bytes
        // whose exclusive-or is 5, or the first six bytes of the same frame, would otherwise
        // make a "frame" with the next frame's first bytes and swallow it.
        {"stale, checks out", {concat({{5}, Bytes(11, 0)}), kFrame}, 12, 150ms},
        {"stale, same frame", {Bytes(kFrame.begin(), kFrame.begin() + 6), kFrame}, 6, 150ms}};
    for (const ResyncCase& c : cases) {
        SCOPED_TRACE(c.what);
        FrameReader reader(100ms);
        FrameReader::Output out;
        for (std::size_t i = 0; i < c.pieces.size(); ++i)
            reader.feed(c.pieces[i], FrameReader::TimePoint{} + i * c.gap, out);
        ASSERT_EQ(out.frames.size(), 1u);
        EXPECT_EQ(out.frames[0], kQuery);
        EXPECT_EQ(out.garbage, Bytes(c.pieces[0].begin(), c.pieces[0].begin() + c.garbage));
    }
}

// Random noise, rich in start bytes, never grows the buffer nor yields an unsound frame, and two
// frames after it arrive whole.
TEST(SimFrameReader, StaysBoundedAndSoundOnNoise) {
    std::mt19937 engine(42);
    FrameReader reader;
    FrameReader::Output out;
    for (int round = 0; round < 2000; ++round) {
        Bytes noise(1 + round % 40);
        for (auto& b : noise) b = static_cast<std::uint8_t>(engine() % 8 == 0 ? 5 : engine());
        reader.feed(noise, {}, out);
        EXPECT_LT(reader.pending(), kFrameSize);
    }
    for (const CommandFrame& f : out.frames) EXPECT_TRUE(f[0] == kFrameStart && checkByteOk(f));
    out.clear();
    reader.feed(concat({Bytes(kFrameSize, 0), kFrame, kFrame}), {}, out);
    ASSERT_GE(out.frames.size(), 2u);
    EXPECT_EQ(out.frames.end()[-1], kQuery);
    EXPECT_EQ(out.frames.end()[-2], kQuery);
}

}  // namespace
}  // namespace tvq::sim
