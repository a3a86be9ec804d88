#include <gtest/gtest.h>

#include <functional>

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

struct ConnectCase {
    const char* name;
    std::uint8_t address;
    std::function<void(WallLink&)> setUp;
    std::vector<std::uint8_t> commands;
    bool connected;
    bool enabled;
    MessageId message;
    std::optional<Resolution> resolution;
    Millis elapsed;
};

void makeReady(WallLink& link) {
    auto& s = link.state(1);
    s.mosaic = true;
    s.mainSource = 7;
    s.outputFormat = 7;
}

class WallConnect : public testing::TestWithParam<ConnectCase> {};

TEST_P(WallConnect, Sequence) {
    const ConnectCase& c = GetParam();
    FakeClock clock;
    WallLink link({1}, clock);
    if (c.setUp) c.setUp(link);
    const MosaicConnect r = connectForWall(link.fn(), clock, c.address);
    EXPECT_EQ(link.commands(), c.commands);
    EXPECT_EQ(r.connected, c.connected);
    EXPECT_EQ(r.actionsEnabled, c.enabled);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(r.resolution, c.resolution);
    EXPECT_EQ(clock.elapsed(), c.elapsed);
}

using F = WallLink::Fault;
const std::vector<std::uint8_t> kReads{0x17, 0x17, 0x17};
const std::optional<Resolution> kXga = Resolution{};

INSTANTIATE_TEST_SUITE_P(
    Wall, WallConnect,
    testing::Values(
        ConnectCase{"Ready", 1, makeReady, kReads, true, true, MessageId::None,
                    Resolution{1366, 768}, Millis{3000}},
        // Bypass off, DVI (20 s time-out) and mosaic on, each after half a second.
        ConnectCase{"Prepared",
                    1,
                    [](WallLink& l) { l.state(1).bypass = true; },
                    {0x17, 0x17, 0x17, 0x85, 0x80, 0x86, 0x17},
                    true,
                    true,
                    MessageId::None,
                    kXga,
                    Millis{5000}},
        ConnectCase{"RefusedBypassSkipsSourceAndMosaic",
                    1,
                    [](WallLink& l) {
                        l.state(1).bypass = true;
                        l.fault(1, cmd::kBypass, F::NoStatus);
                    },
                    {0x17, 0x17, 0x17, 0x85, 0x17},
                    true,
                    false,
                    MessageId::WallCheckDvi,
                    kXga,
                    Millis{5000}},
        ConnectCase{"NoSignalOnDvi",
                    1,
                    [](WallLink& l) {
                        makeReady(l);
                        l.state(1).signal[7] = false;
                    },
                    {0x17, 0x17, 0x17, 0x17},
                    true,
                    false,
                    MessageId::WallCheckDvi,
                    Resolution{1366, 768},
                    Millis{5000}},
        // Nobody there: one second, one page time-out, then counted as connected.
        ConnectCase{
            "Silent", 5, nullptr, {0x17}, true, false, MessageId::None, std::nullopt, Millis{7000}},
        ConnectCase{"PageThreeWrongCommand",
                    1,
                    [](WallLink& l) { l.fault(1, 0x17, F::WrongCommand, 3); },
                    {0x17},
                    true,
                    false,
                    MessageId::None,
                    std::nullopt,
                    Millis{1000}},
        ConnectCase{"PageThreeBadCheckByte",
                    1,
                    [](WallLink& l) { l.fault(1, 0x17, F::BadCheckByte, 3); },
                    {0x17},
                    true,
                    false,
                    MessageId::None,
                    std::nullopt,
                    Millis{1000}},
        ConnectCase{"StatusUnanswered", 1, [](WallLink& l) { l.fault(1, 0x17, F::Silent, 0); },
                    kReads, false, false, MessageId::WallCannotConnect, kXga, Millis{9000}},
        ConnectCase{"UnknownFormatKeepsResolution", 1,
                    [](WallLink& l) {
                        makeReady(l);
                        l.state(1).outputFormat = 12;
                    },
                    kReads, true, true, MessageId::None, std::nullopt, Millis{3000}}),
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
