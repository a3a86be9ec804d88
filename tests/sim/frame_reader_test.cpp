#include "sim/frame_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tvq::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const CommandFrame kQuery = pageQuery(1);

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kFrame(kQuery.begin(), kQuery.end());

struct ResyncCase {
    const char* what;
    std::vector<Bytes> pieces;
    std::size_t frames;
    std::size_t garbage;
};

TEST(SimFrameReader, FindsFramesAndDropsTheRest) {
    Bytes badCheck = kFrame;
    badCheck[12] ^= 1;
    const std::vector<ResyncCase> cases{
        {"clean", {kFrame}, 1, 0},
        {"two at once", {concat({kFrame, kFrame})}, 2, 0},
        {"one byte at a time", {{5}, {1}, {0x17}, Bytes(9, 0), {0x13}}, 1, 0},
        {"noise first", {concat({{0, 7, 0xFF}, kFrame})}, 1, 3},
        {"bad check byte, then a good frame", {concat({badCheck, kFrame})}, 1, 13},
        {"frame start inside noise", {concat({{5, 5, 5}, kFrame})}, 1, 3},
    };
    for (const ResyncCase& c : cases) {
        FrameReader reader;
        FrameReader::Output out;
        for (const Bytes& piece : c.pieces) reader.feed(piece, {}, out);
        EXPECT_EQ(out.frames.size(), c.frames) << c.what;
        EXPECT_EQ(out.garbage.size(), c.garbage) << c.what;
        for (const CommandFrame& f : out.frames) EXPECT_EQ(f, kQuery) << c.what;
    }
}

// A partial frame left standing is dropped before the next frame comes: twelve bytes whose
// exclusive-or is 5, or the first six bytes of the same frame, would otherwise make a "frame"
// with the next frame's first bytes and swallow it.
TEST(SimFrameReader, DropsAStalePartialFrame) {
    const std::vector<Bytes> stale{{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                   Bytes(kFrame.begin(), kFrame.begin() + 6)};
    for (const Bytes& partial : stale) {
        const FrameReader::TimePoint start{};
        FrameReader reader(100ms);
        FrameReader::Output out;
        reader.feed(partial, start, out);
        reader.feed(kFrame, start + 150ms, out);
        ASSERT_EQ(out.frames.size(), 1u) << partial.size();
        EXPECT_EQ(out.frames[0], kQuery);
        EXPECT_EQ(out.garbage, partial);
    }
}

TEST(SimFrameReader, StaysBoundedAndSoundOnNoise) {
    std::mt19937 engine(42);
    std::uniform_int_distribution<int> byte(0, 255);
    FrameReader reader;
    FrameReader::Output out;
    for (int round = 0; round < 2000; ++round) {
        Bytes noise(1 + round % 40);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(byte(engine) % 8 == 0 ? 5 : byte(engine));
        reader.feed(noise, {}, out);
        EXPECT_LT(reader.pending(), kFrameSize);
    }
    for (const CommandFrame& f : out.frames) {
        EXPECT_EQ(f[0], kFrameStart);
        EXPECT_TRUE(checkByteOk(f));
    }
    out.clear();
    reader.feed(concat({Bytes(kFrameSize, 0), kFrame}), {}, out);
    ASSERT_FALSE(out.frames.empty());
    EXPECT_EQ(out.frames.back(), kQuery);
}

}  // namespace
}  // namespace tvq::sim
