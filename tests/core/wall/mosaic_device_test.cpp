#include <gtest/gtest.h>

#include "core/link/commands.h"
#include "core/wall/mosaic_device.h"
#include "wall_link.h"

namespace tvq {
namespace {

using test::WallLink;

CommandFrame status(std::uint8_t flags, std::uint8_t sources, std::uint8_t signal) {
    CommandFrame f = makeFrame(1, cmd::kReadPage, {0, 0, 0, flags, sources, signal});
    return f;
}

TEST(WallFrames, InputWindowAtAddressTwo) {
    const CommandFrame f = windowFrame(2, WallSide::Input, {512, 768, 512, 0});
    const CommandFrame expected{5,    2,    0x96, 0,    0x02, 0x00, 0x02,
                                0x00, 0x00, 0x00, 0x03, 0x00, 0x92};
    EXPECT_EQ(f, expected);
    EXPECT_EQ(windowFrame(2, WallSide::Output, {512, 768, 512, 0})[2], 0x8A);
    EXPECT_EQ(mosaicModeFrame(9, true), makeFrame(9, 0x9A, {1}));
}

TEST(WallFrames, WallReady) {
    const std::tuple<const char*, CommandFrame, bool> cases[] = {
        {"ready", status(0x04, 0x07, 1), true},
        {"second picture V2, main DVI", status(0x04, 0x17, 1), true},
        {"bypass on", status(0x06, 0x07, 1), false},
        {"mosaic off", status(0x00, 0x07, 1), false},
        {"no signal", status(0x04, 0x07, 0), false},
        {"main HDMI", status(0x04, 0x08, 1), false},
        {"no status", status(0xFF, 0x07, 1), false},
    };
    for (const auto& [name, frame, ready] : cases) EXPECT_EQ(wallReady(frame), ready) << name;
}

TEST(WallChecks, RangeThenEven) {
    using R = WindowCheck::Refusal;
    const std::tuple<const char*, WindowRect, R, WindowField> cases[] = {
        // {width, height, x, y} at 1024 x 768
        {"full screen", {1024, 768, 0, 0}, R::None, WindowField::Width},
        {"width plus start too wide", {1024, 768, 2, 0}, R::OutOfRange, WindowField::Width},
        {"negative start passes the width check",
         {1020, 768, -2, 0},
         R::OutOfRange,
         WindowField::HorizontalStart},
        {"height 48", {1024, 48, 0, 0}, R::OutOfRange, WindowField::Height},
        {"height plus start too tall", {1024, 768, 0, 2}, R::OutOfRange, WindowField::Height},
        {"start below zero", {1024, 700, 0, -2}, R::OutOfRange, WindowField::VerticalStart},
        {"huge start cannot overflow",
         {1024, 768, std::numeric_limits<std::int32_t>::min(), 0},
         R::OutOfRange,
         WindowField::Width},
        {"odd width", {533, 768, 0, 0}, R::Odd, WindowField::Width},
        {"odd start, even width", {532, 768, 3, 0}, R::Odd, WindowField::HorizontalStart},
        {"odd height and start: height first", {532, 765, 0, 1}, R::Odd, WindowField::Height},
    };
    for (const auto& [name, rect, refusal, field] : cases) {
        const WindowCheck check = checkWindow(rect, {});
        EXPECT_EQ(check.refusal, refusal) << name;
        if (refusal != R::None) {
            EXPECT_EQ(check.field, field) << name;
        }
    }
}

TEST(WallChecks, MakeEvenLowersOddValuesByOne) {
    WindowRect rect{533, 768, 491, 1};
    EXPECT_EQ(makeEven(rect), 0b1011u);
    EXPECT_EQ(rect, (WindowRect{532, 768, 490, 0}));
}

class WallConnect : public testing::Test {
protected:
    FakeClock clock;
    WallLink link{{1, 2}, clock};
    MosaicConnect connect(std::uint8_t address = 1) {
        return connectForWall(link.fn(), clock, address);
    }
};

TEST_F(WallConnect, ReadyDeviceReadsResolutionAndMode) {
    auto& s = link.state(1);
    s.bypass = false;
    s.mosaic = true;
    s.mainSource = 7;
    s.outputFormat = 7;
    s.syncMosaic = true;
    const MosaicConnect c = connect();
    EXPECT_TRUE(c.connected);
    EXPECT_TRUE(c.actionsEnabled);
    EXPECT_FALSE(c.prepared);
    EXPECT_EQ(c.resolution, (Resolution{1366, 768}));
    EXPECT_EQ(c.syncMosaic, true);
    EXPECT_EQ(link.commands(), (std::vector<std::uint8_t>{0x17, 0x17, 0x17}));
    EXPECT_EQ(link.sent()[0].frame[3], 3);
    EXPECT_EQ(link.sent()[1].frame[3], 4);
    EXPECT_EQ(link.sent()[2].frame[3], 0);
    EXPECT_EQ(clock.elapsed(), Millis{3000});
}

TEST_F(WallConnect, PreparesBypassSourceAndMosaicInTurn) {
    link.state(1).bypass = true;  // main V1, mosaic off
    const MosaicConnect c = connect();
    EXPECT_TRUE(c.prepared);
    EXPECT_TRUE(c.actionsEnabled);
    EXPECT_EQ(c.message, MessageId::None);
    EXPECT_EQ(link.commands(),
              (std::vector<std::uint8_t>{0x17, 0x17, 0x17, 0x85, 0x80, 0x86, 0x17}));
    EXPECT_EQ(link.sent()[4].frame[3], 7);
    EXPECT_EQ(link.sent()[4].timeoutMs, 20000);
    EXPECT_EQ(link.sent()[5].timeoutMs, 10000);
    EXPECT_EQ(clock.elapsed(), Millis{3000 + 4 * 500});
}

TEST_F(WallConnect, RefusedBypassSkipsSourceAndMosaic) {
    link.state(1).bypass = true;
    link.fault(1, cmd::kBypass, WallLink::Fault::NoStatus);
    const MosaicConnect c = connect();
    EXPECT_FALSE(c.actionsEnabled);
    EXPECT_TRUE(c.connected);
    EXPECT_EQ(c.message, MessageId::WallCheckDvi);
    EXPECT_EQ(link.commands(), (std::vector<std::uint8_t>{0x17, 0x17, 0x17, 0x85, 0x17}));
}

TEST_F(WallConnect, SilentDeviceCountsAsConnectedAfterOneReadTimeout) {
    const MosaicConnect c = connect(5);
    EXPECT_TRUE(c.connected);
    EXPECT_FALSE(c.actionsEnabled);
    EXPECT_EQ(c.message, MessageId::None);
    EXPECT_EQ(link.sent().size(), 1u);
    EXPECT_EQ(clock.elapsed(), Millis{1000 + 6000});
}

TEST_F(WallConnect, StatusFailuresAndUnknownFormat) {
    link.state(2).outputFormat = 12;
    link.fault(2, cmd::kReadPage, WallLink::Fault::WrongCommand);
    // page 3 with a wrong command byte is not accepted: connected, nothing read
    MosaicConnect c = connect(2);
    EXPECT_TRUE(c.connected);
    EXPECT_FALSE(c.format);
    EXPECT_EQ(link.sent().size(), 1u);

    link.fault(2, cmd::kReadPage, WallLink::Fault::BadCheckByte);
    c = connect(2);
    EXPECT_EQ(link.sent().size(), 2u);

    WallLink plain({2}, clock);
    plain.state(2).outputFormat = 12;
    c = connectForWall(plain.fn(), clock, 2);
    EXPECT_EQ(c.format, 12);
    EXPECT_FALSE(c.resolution);
}

TEST_F(WallConnect, UnansweredStatusIsNotConnected) {
    int reads = 0;
    ExchangeFn fn = [&](const CommandFrame& f, CommandFrame& reply, std::int32_t t,
                        std::stop_token s) {
        if (f[2] != cmd::kReadPage || f[3] != 0) return link.fn()(f, reply, t, s);
        ++reads;
        return 0;
    };
    const MosaicConnect c = connectForWall(fn, clock, 1);
    EXPECT_FALSE(c.connected);
    EXPECT_FALSE(c.actionsEnabled);
    EXPECT_EQ(c.message, MessageId::WallCannotConnect);
    EXPECT_EQ(reads, 1);
}

TEST_F(WallConnect, StopEndsAPauseAndSendsNothingMore) {
    std::stop_source stop;
    link.onFrame([&](const CommandFrame& f) {
        if (f[3] == 4) stop.request_stop();
    });
    const MosaicConnect c = connectForWall(link.fn(), clock, 1, stop.get_token());
    EXPECT_TRUE(c.stopped);
    EXPECT_FALSE(c.connected);
    EXPECT_EQ(link.sent().size(), 2u);
}

TEST(WallWrites, SetWindowAndMode) {
    FakeClock clock;
    WallLink link({1}, clock);
    const WindowRect rect{512, 768, 512, 0};

    WindowWrite w = setWallWindow(link.fn(), 1, WallSide::Input, rect, {}, false);
    EXPECT_TRUE(w.check.ok());
    EXPECT_FALSE(w.sent);  // not connected: nothing goes out
    EXPECT_TRUE(link.sent().empty());

    w = setWallWindow(link.fn(), 1, WallSide::Input, {533, 768, 0, 0}, {}, true);
    EXPECT_EQ(w.check.refusal, WindowCheck::Refusal::Odd);
    EXPECT_TRUE(link.sent().empty());

    w = setWallWindow(link.fn(), 1, WallSide::Output, rect, {}, true);
    EXPECT_TRUE(w.accepted);
    EXPECT_EQ(link.state(1).outputRect, (sim::Rect{512, 512, 0, 768}));
    EXPECT_EQ(link.sent().back().timeoutMs, 7000);

    for (auto fault : {WallLink::Fault::WrongCommand, WallLink::Fault::BadCheckByte}) {
        link.fault(1, cmd::kInputWindow, fault);
        EXPECT_FALSE(setWallWindow(link.fn(), 1, WallSide::Input, rect, {}, true).accepted);
        link.fault(1, cmd::kSyncMosaic, fault);
        EXPECT_FALSE(setMosaicMode(link.fn(), 1, true));
    }
    link.fault(1, cmd::kSyncMosaic, WallLink::Fault::NoStatus);
    EXPECT_FALSE(setMosaicMode(link.fn(), 1, true));

    WallLink fresh({1}, clock);
    EXPECT_TRUE(setMosaicMode(fresh.fn(), 1, true));
    EXPECT_TRUE(fresh.state(1).syncMosaic);
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
