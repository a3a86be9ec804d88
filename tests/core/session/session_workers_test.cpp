// The command worker, the status poller and the blink worker: what they send, what they apply,
// how a press wakes them and how a hold keeps them quiet.

#include "session_rig.h"
#include "support/manual_clock.h"

namespace tvq::test {
namespace {

using test::PrintTo;
using Fault = FakeDevice::Fault;

std::vector<CommandFrame> framesAfter(const FakeDevice& device, std::size_t first) {
    std::vector<CommandFrame> frames;
    const auto sent = device.sent();
    for (std::size_t i = first; i < sent.size(); ++i) frames.push_back(sent[i].frame);
    return frames;
}

CommandFrame sourceCommand(std::uint8_t address, std::uint8_t code) {
    return makeFrame(address, cmd::kMainSource, {code});
}

// Frames as written: the exchange fills in the check byte.
CommandFrame checked(CommandFrame frame) {
    frame[12] = frameCheck(frame);
    return frame;
}

struct CommandCase {
    const char* name;
    Fault commandFault;
    bool readBack;  // the status query follows and its reply is applied
};

class CommandWorker : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandWorker, SendsThePressThenReadsTheStatusBackOnlyAfterAGoodReply) {
    const CommandCase& c = GetParam();
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.holdWorkers(kStatusPoller | kBlinkWorker);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.device.setCommandFault(c.commandFault);
    const auto first = rig.device.sentCount();

    ASSERT_TRUE(rig.session.pressSource(kHdmi).frame);
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    ASSERT_TRUE(rig.observer.waitPanel([](const PanelState& s) {
        return operationControls(s, true) && pipModeButtons(s, true);
    })) << "controls come back after the command, whatever its reply";

    std::vector<CommandFrame> expected{checked(sourceCommand(1, kHdmi))};
    if (c.readBack) expected.push_back(pageQuery(1));
    EXPECT_EQ(framesAfter(rig.device, first), expected);
    EXPECT_EQ(rig.session.snapshot().mainSource, c.readBack ? kHdmi : kV1);
}

INSTANTIATE_TEST_SUITE_P(Session, CommandWorker,
                         ::testing::Values(CommandCase{"acknowledged", Fault::None, true},
                                           CommandCase{"silent", Fault::Silent, false},
                                           CommandCase{"bad_check_byte", Fault::BadCheckByte,
                                                       false},
                                           // The worker tests only the check byte here.
                                           CommandCase{"other_address", Fault::WrongAddress, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SessionWorkers, CommandsAtAddressZeroAreNotReadBack) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.holdWorkers(kStatusPoller | kBlinkWorker);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.session.setDeviceAddress(0);
    const auto first = rig.device.sentCount();
    rig.session.pressVgaAuto();
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    rig.settle();
    EXPECT_EQ(framesAfter(rig.device, first),
              std::vector<CommandFrame>{makeFrame(0, cmd::kVgaAuto)});
}

// With virtual time that stands still unless told, a press must go out without the idle look
// running its course; with wakeOnPress off it waits for the look, as documented.
struct WakeCase {
    const char* name;
    bool wakeOnPress;
};

class PressWake : public ::testing::TestWithParam<WakeCase> {};

TEST_P(PressWake, PressReachesTheDeviceWithinTheIdleLookOnlyWhenItWakesTheWorker) {
    ManualClock clock;
    WorkerTiming timing;
    timing.wakeOnPress = GetParam().wakeOnPress;
    SessionRig rig(clock, timing);
    rig.session.holdWorkers(kStatusPoller | kBlinkWorker);  // nothing else moves the clock
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    const auto sentAt = [&]() -> std::optional<Clock::TimePoint> {
        for (const auto& s : rig.device.sent())
            if (s.frame[2] == cmd::kVgaAuto) return s.at;
        return std::nullopt;
    };

    ASSERT_TRUE(eventually([&] { return clock.waiting() == 1; })) << "command worker not idle";

    const auto pressedAt = clock.now();
    rig.session.pressVgaAuto();
    if (GetParam().wakeOnPress) {
        ASSERT_TRUE(eventually([&] { return sentAt().has_value(); }));
        EXPECT_EQ(*sentAt() - pressedAt, Millis{0});
    } else {
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(sentAt()) << "sent before the idle look ended";
        clock.advance(timing.idleLook);
        ASSERT_TRUE(eventually([&] { return sentAt().has_value(); }));
        EXPECT_GE(*sentAt() - pressedAt, timing.idleLook);
    }
}

INSTANTIATE_TEST_SUITE_P(Session, PressWake,
                         ::testing::Values(WakeCase{"wakes", true}, WakeCase{"documented", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SessionWorkers, HeldWorkersSendNothingAndCarryOnAfterRelease) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kExt, false));  // something to blink
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(eventually([&] { return rig.device.sentCount() > 3; }));

    std::size_t held = 0;
    {
        // The hold comes while the workers queue for panelLock behind a dialog's exchange:
        // none may start its pass once the lock is free.
        std::lock_guard dialog(rig.session.panelLock());
        std::this_thread::sleep_for(20ms);
        rig.session.holdWorkers(kAllWorkers);
        held = rig.device.sentCount();
    }
    rig.session.pressVgaAuto();
    rig.observer.watch([](const PanelState&) { return true; });
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(2ms);
        ASSERT_TRUE(rig.session.panelLock().try_lock()) << "a held worker holds panelLock";
        rig.session.panelLock().unlock();
    }
    EXPECT_EQ(rig.device.sentCount(), held);
    EXPECT_TRUE(rig.session.pendingFlag());
    EXPECT_EQ(rig.observer.watchHits(), 0) << "held workers changed the panel";

    rig.session.releaseWorkers();
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kReadPage) > held + 2; }));
    EXPECT_EQ(rig.device.count(cmd::kVgaAuto), 1u);
}

TEST(SessionWorkers, HoldingOneWorkerLeavesTheOthersRunning) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.holdWorkers(kCommandWorker);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.session.pressVgaAuto();
    const auto polls = rig.device.count(cmd::kReadPage);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kReadPage) > polls + 3; }));
    EXPECT_EQ(rig.device.count(cmd::kVgaAuto), 0u);
    rig.session.releaseWorkers();
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kVgaAuto) == 1; }));
}

TEST(SessionWorkers, StatusRepliesCountOnlyFromTheAddressInUse) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kV1));
    rig.device.setStatus(2, status(kHdmi));
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(rig.observer.waitPanel([](const PanelState& s) { return s.mainSource == kV1; }));

    // Device 1 now reports VGA1, but the address moves to 2 while its reply is on the way.
    rig.observer.watch([](const PanelState& s) { return s.mainSource == kVga1; });
    rig.device.onFrame([&rig](const CommandFrame& f) {
        if (f[1] == 1) rig.session.setDeviceAddress(2);
    });
    rig.device.setStatus(1, status(kVga1));
    ASSERT_TRUE(rig.observer.waitPanel([](const PanelState& s) { return s.mainSource == kHdmi; }));
    rig.session.disconnect();
    EXPECT_EQ(rig.observer.watchHits(), 0) << "a reply from the old address was applied";
}

// A press that lands while a command is in flight (VGA-AUTO stays enabled) must not be lost
// when the worker clears the flag of the command it sent.
TEST(SessionWorkers, PressDuringACommandIsSentNext) {
    FakeClock clock;
    std::atomic<bool> pressed{false};
    SessionRig rig(clock);
    rig.session.holdWorkers(kStatusPoller | kBlinkWorker);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.device.onFrame([&](const CommandFrame& f) {
        if (f[2] == cmd::kMainSource && !pressed.exchange(true)) rig.session.pressVgaAuto();
    });
    rig.session.pressSource(kHdmi);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kVgaAuto) == 1; }));
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    rig.settle();
    EXPECT_EQ(rig.device.count(cmd::kMainSource), 1u);
    rig.device.onFrame(nullptr);
}

// A dialog's exchange takes panelLock, so it never lands between a command and its read-back.
TEST(SessionWorkers, DialogExchangesNeverSplitACommandFromItsReadBack) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    std::atomic<bool> done{false};
    std::thread dialog([&] {
        while (!done) {
            CommandFrame reply{};
            rig.session.exchange(pageQuery(1, 5), reply, 1000);
        }
    });
    for (int i = 0; i < 30; ++i) {
        rig.session.pressVgaAuto();
        ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    }
    done = true;
    dialog.join();
    rig.session.disconnect();

    const auto sent = rig.device.sent();
    int commands = 0;
    for (std::size_t i = 0; i + 1 < sent.size(); ++i) {
        if (sent[i].frame[2] != cmd::kVgaAuto) continue;
        ++commands;
        EXPECT_EQ(sent[i + 1].frame, pageQuery(1)) << "frame " << i + 1;
    }
    EXPECT_EQ(commands, 30);
}

// Pressed while not connected: stays queued and goes out, with the address it was built with,
// when the command worker next starts.
TEST(SessionWorkers, PressQueuedWhileDisconnectedIsSentAfterTheNextConnect) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.setDeviceAddress(3);
    rig.session.pressVgaAuto();
    rig.session.setDeviceAddress(1);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kVgaAuto) == 1; }));
    rig.session.disconnect();
    for (const auto& s : rig.device.sent()) {
        if (s.frame[2] == cmd::kVgaAuto) {
            EXPECT_EQ(s.frame[1], 3);
        }
    }
}

TEST(SessionWorkers, LightOfASourceWithoutSignalBlinksAndTurnsSteadyWithIt) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kExt, false));
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    for (bool on : {true, false, true, false})
        ASSERT_TRUE(rig.observer.waitPanel(
            [on](const PanelState& s) { return s.isShown(Light::Ext) == on; }));

    rig.device.setStatus(1, status(kExt, true));
    ASSERT_TRUE(rig.observer.waitPanel(
        [](const PanelState& s) { return s.blinkSet.none() && s.isShown(Light::Ext); }));
    rig.observer.watch([](const PanelState& s) { return !s.isShown(Light::Ext); });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(rig.observer.watchHits(), 0) << "a steady light went dark";
}

}  // namespace
}  // namespace tvq::test

namespace tvq::test {
namespace {

// A command must not wait for a blinking light: the blink worker keeps off panelLock.
TEST(SessionWorkers, BlinkingLeavesPanelLockFree) {
    WorkerTiming slow;
    slow.blinkHalf = Millis{60'000};
    slow.pollPause = Millis{60'000};
    SessionRig rig(systemClock(), slow);
    rig.device.setStatus(1, status(kExt, false));
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(rig.observer.waitPanel([](const PanelState& s) { return s.isShown(Light::Ext); }));
    ASSERT_TRUE(eventually([&] {
        const bool free = rig.session.panelLock().try_lock();
        if (free) rig.session.panelLock().unlock();
        return free;
    }));
    EXPECT_TRUE(rig.session.snapshot().isShown(Light::Ext)) << "still in its lit half";
}

}  // namespace
}  // namespace tvq::test
