// Disconnect, stop, the timer block and the end of a session: prompt, complete, leak-free.

#include <filesystem>
#include <optional>
#include <random>

#include "session_rig.h"

namespace tvq::test {
namespace {

using test::PrintTo;
using Fault = FakeDevice::Fault;

std::size_t entries(const char* dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

enum class Ending { Disconnect, StopWorkers, CloseAfterDialog, Destroy };

struct EndingCase {
    const char* name;
    Ending ending;
};

class StopIsPrompt : public ::testing::TestWithParam<EndingCase> {};

// Real time: every worker sits in a minute-long wait, the blink worker with panelLock held.
TEST_P(StopIsPrompt, EndsLongWaitsAtOnceAndFreesPanelLock) {
    WorkerTiming slow;
    slow.idleLook = slow.pollPause = slow.blinkHalf = Millis{60'000};
    std::optional<SessionRig> rig(std::in_place, systemClock(), slow);
    rig->device.setStatus(1, status(kExt, false));
    ASSERT_EQ(rig->connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(rig->observer.waitPanel([](const PanelState& s) { return s.isShown(Light::Ext); }));

    const auto start = std::chrono::steady_clock::now();
    switch (GetParam().ending) {
        case Ending::Disconnect:
            rig->session.disconnect();
            break;
        case Ending::StopWorkers:
            rig->session.stopWorkers();
            break;
        case Ending::CloseAfterDialog:
            rig->session.closeLinkAfterDialog();
            break;
        case Ending::Destroy:
            rig.reset();
            break;
    }
    // The bound covers one exchange in flight (200 ms rest after its reply) with room to spare.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    if (!rig) return;
    EXPECT_FALSE(rig->session.workersRunning());
    ASSERT_TRUE(rig->session.panelLock().try_lock()) << "a stopped worker left panelLock held";
    rig->session.panelLock().unlock();
}

INSTANTIATE_TEST_SUITE_P(Session, StopIsPrompt,
                         ::testing::Values(EndingCase{"disconnect", Ending::Disconnect},
                                           EndingCase{"stop_workers", Ending::StopWorkers},
                                           EndingCase{"close_after_dialog",
                                                      Ending::CloseAfterDialog},
                                           EndingCase{"destroy", Ending::Destroy}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SessionLifecycle, DisconnectKeepsLightsFlagsAndThePendingCommand) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kHdmi));
    rig.session.holdWorkers(kCommandWorker);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.session.pressVgaAuto();
    rig.session.disconnect();

    const PanelState s = rig.session.snapshot();
    EXPECT_TRUE(s.isShown(Light::Hdmi));
    EXPECT_EQ(s.mainSource, kHdmi);
    EXPECT_TRUE(rig.session.pendingFlag());
    EXPECT_EQ(rig.session.pendingFrame()[2], cmd::kVgaAuto);
    EXPECT_TRUE(rig.session.connected()) << "connectedFlag is left as it was";
    EXPECT_TRUE(operationControls(s, false));
    EXPECT_TRUE(s.isEnabled(Control::Connect));
    EXPECT_FALSE(s.isEnabled(Control::Disconnect));
    EXPECT_FALSE(rig.session.link().isOpen());
    EXPECT_FALSE(rig.session.workersRunning());
    EXPECT_EQ(rig.device.count(cmd::kVgaAuto), 0u);
}

struct TimerCase {
    const char* name;
    bool running;
    std::vector<std::pair<Control, bool>> expected;
};

class TimerBlock : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerBlock, SetsItsControls) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.setTimerRunning(GetParam().running);
    EXPECT_EQ(rig.session.timerRunning(), GetParam().running);
    const PanelState s = rig.session.snapshot();
    for (const auto& [control, on] : GetParam().expected)
        EXPECT_EQ(s.isEnabled(control), on) << static_cast<int>(control);
}

INSTANTIATE_TEST_SUITE_P(Session, TimerBlock,
                         ::testing::Values(TimerCase{"start",
                                                     true,
                                                     {{Control::Start, false},
                                                      {Control::Stop, true},
                                                      {Control::Disconnect, false}}},
                                           TimerCase{"stop",
                                                     false,
                                                     {{Control::Start, true},
                                                      {Control::Program, true},
                                                      {Control::FastMS, true},
                                                      {Control::M1, true},
                                                      {Control::M4, true},
                                                      {Control::Stop, false},
                                                      {Control::Disconnect, true}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// While the timer runs, decoded replies leave the function buttons alone.
TEST(SessionLifecycle, FunctionRulesWaitForTheTimerToStop) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.session.setTimerRunning(true);
    rig.settle();
    rig.session.enableControl(Control::Pip, false);
    const auto polls = rig.device.count(cmd::kReadPage);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kReadPage) > polls + 3; }));
    EXPECT_FALSE(rig.session.snapshot().isEnabled(Control::Pip));

    rig.session.setTimerRunning(false);
    rig.session.enableControl(Control::Pip, false);
    ASSERT_TRUE(
        rig.observer.waitPanel([](const PanelState& s) { return s.isEnabled(Control::Pip); }));
}

TEST(SessionLifecycle, RapidConnectDisconnectWithFaultsLeavesNothingBehind) {
    // Sanitizer runtimes start a helper thread with the first thread; count from after it.
    std::thread([] {}).join();
    const auto threads = entries("/proc/self/task");
    const auto fds = entries("/proc/self/fd");
    constexpr int kCycles = 200;
    {
        FakeClock clock;
        SessionRig rig(clock);
        std::mt19937 random(418);
        const auto fault = [&] { return static_cast<Fault>(random() % 5); };
        for (int i = 0; i < kCycles; ++i) {
            rig.device.setStatusFault(fault());
            rig.device.setCommandFault(fault());
            rig.opening = random() % 6 == 0 ? Opening::Fails : Opening::Works;
            rig.session.setDeviceAddress(random() % 8 == 0 ? 0 : 1);
            rig.session.startConnect({});
            switch (random() % 4) {
                case 0:  // Disconnect while the connect job may still run
                    break;
                case 1:
                    rig.session.waitForConnectJob();
                    break;
                case 2:
                    rig.session.waitForConnectJob();
                    rig.session.pressVgaAuto();
                    std::this_thread::sleep_for(1ms);
                    break;
                case 3:
                    rig.session.holdWorkers(kStatusPoller | kBlinkWorker);
                    rig.session.pressSource(kHdmi);
                    rig.session.releaseWorkers();
                    break;
            }
            rig.session.disconnect();
            ASSERT_FALSE(rig.session.workersRunning()) << "cycle " << i;
            ASSERT_FALSE(rig.session.connectInProgress()) << "cycle " << i;
        }
        EXPECT_EQ(rig.observer.outcomes().size(), static_cast<std::size_t>(kCycles));
        ASSERT_TRUE(rig.session.panelLock().try_lock());
        rig.session.panelLock().unlock();
        EXPECT_EQ(entries("/proc/self/task"), threads);
        EXPECT_EQ(rig.device.liveLinks(), 0);
    }
    EXPECT_EQ(entries("/proc/self/task"), threads);
    EXPECT_EQ(entries("/proc/self/fd"), fds);
}

}  // namespace
}  // namespace tvq::test
