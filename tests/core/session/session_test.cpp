// The Session against a FakeDevice: the connect job, the three workers, holds and stops.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/control/session.h"
#include "core/control/session_test_access.h"
#include "core/link/status_reply.h"
#include "support/fake_device.h"

namespace tvq::test {
namespace {

using namespace std::chrono_literals;
using Fault = FakeDevice::Fault;
using O = ConnectOutcome;

// Polls `done` in real time; on virtual time only a fault reaches the bound.
bool eventually(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    for (; !done(); std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

StatusReport status(std::uint8_t source, bool signal = true) {
    return {.mainSource = source, .mainSignal = signal};
}

constexpr std::uint8_t kV1 = 0, kHdmi = 8, kExt = 9;

// A Session wired to a FakeDevice; the rig is also the observer and records what the GUI hears.
struct SessionRig final : SessionObserver {
    explicit SessionRig(Clock& clock, WorkerTiming timing = {})
        : device(clock), session(*this, clock, opener(), timing) {
        device.setStatus(1, status(kV1));
    }
    ~SessionRig() override { device.onFrame(nullptr); }

    // Opens the FakeDevice's link, or fails with `opening` when that is not Connected.
    LinkOpener opener() {
        return [this](const LinkChoice&, const InfoSink&) {
            return opening == O::Connected ? OpenedLink{device.openLink(), {}}
                                           : OpenedLink{nullptr, opening};
        };
    }
    void panelChanged(const PanelState& state) override {
        ++published;
        unknown = state.stateUnknown;
    }
    void infoChanged(const InfoText& text) override {
        std::lock_guard lock(infoMutex);
        infos.push_back(text);
        lastInfo = text.id;
    }
    std::vector<std::string> arguments(MessageId id) {
        std::lock_guard lock(infoMutex);
        std::vector<std::string> found;
        for (const auto& info : infos)
            if (info.id == id) found.push_back(info.argument);
        return found;
    }
    void connectFinished(ConnectOutcome outcome) override {
        lastOutcome = outcome;
        ++finished;
    }

    // Connects and waits for the connect job's end, which is reported exactly once.
    ConnectOutcome connect() {
        const int before = finished;
        session.startConnect({});
        session.waitForConnectJob();
        EXPECT_EQ(finished, before + 1) << "one connectFinished per connect";
        return lastOutcome;
    }
    bool panelLockFree() {
        return std::unique_lock(SessionTestAccess::panelLock(session), std::try_to_lock)
            .owns_lock();
    }

    std::atomic<ConnectOutcome> opening{O::Connected}, lastOutcome{O::Connected};
    std::atomic<MessageId> lastInfo{MessageId::None};
    std::atomic<int> finished{0}, published{0};
    std::atomic<bool> unknown{false};
    std::mutex infoMutex;
    std::vector<InfoText> infos;
    FakeDevice device;
    Session session;
};

bool operationControls(PanelState s, bool on) {
    const auto enabled = s.enabled;
    s.setOperationControls(on);
    return s.enabled == enabled;
}

TEST(SessionConnect, EachOutcomeIsReportedOnceAndLeavesItsState) {
    using M = MessageId;
    const struct {
        const char* name;
        ConnectOutcome opening;
        Fault fault;
        ConnectOutcome outcome;
        MessageId info;
    } cases[] = {
        {"present", O::Connected, Fault::None, O::Connected, M::EquipmentNormal},
        {"silent", O::Connected, Fault::Silent, O::DeviceAbsent, M::EquipmentFailed},
        {"wrong_command", O::Connected, Fault::WrongCommand, O::DeviceAbsent, M::EquipmentFailed},
        {"bad_check_byte", O::Connected, Fault::BadCheckByte, O::DeviceAbsent, M::EquipmentFailed},
        {"link_fails", O::LinkFailed, Fault::None, O::LinkFailed, M::None},
        {"port_out_of_range", O::PortOutOfRange, Fault::None, O::PortOutOfRange, M::None}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        SessionRig rig(clock);
        rig.device.setStatus(1, status(kHdmi));
        rig.device.setStatusFault(c.fault);
        rig.opening = c.opening;
        rig.session.holdWorkers(kAllWorkers);  // keep the check's frame alone in the log

        EXPECT_EQ(rig.connect(), c.outcome);
        const bool up = c.outcome == O::Connected;
        EXPECT_EQ(rig.lastInfo, c.info);
        EXPECT_EQ(rig.session.connected(), up);
        EXPECT_EQ(rig.device.liveLinks(), up ? 1 : 0) << "a failed check drops its link";
        EXPECT_EQ(rig.session.workersRunning(), up);
        EXPECT_EQ(rig.device.count(cmd::kReadPage), c.opening == O::Connected ? 1u : 0u);
        EXPECT_TRUE(operationControls(rig.session.snapshot(), up));
        EXPECT_EQ(rig.session.snapshot().mainSource, up ? kHdmi : kNoSource) << "reply applied";

        rig.session.releaseWorkers();
        rig.session.disconnect();
        EXPECT_EQ(rig.finished, 1) << "nothing reports a second time";
    }
}

TEST(SessionConnect, AddressZeroSendsNothingAndHidesEveryLight) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), O::Connected);
    rig.session.disconnect();
    ASSERT_TRUE(rig.session.snapshot().isShown(Light::V1));

    rig.session.setDeviceAddress(0);
    const auto before = rig.device.sent().size();
    EXPECT_EQ(rig.connect(), O::ConnectedToAll);
    EXPECT_EQ(rig.device.sent().size(), before) << "no status query at address 0";
    const PanelState s = rig.session.snapshot();
    EXPECT_TRUE(s.lightShown.none());
    EXPECT_TRUE(rig.session.connected());
    EXPECT_FALSE(rig.session.workersRunning());
    EXPECT_TRUE(s.isEnabled(Control::Disconnect));
    EXPECT_TRUE(operationControls(s, false));
    EXPECT_EQ(rig.device.liveLinks(), 1);
}

TEST(SessionWorkers, CommandIsReadBackOnlyAfterAReplyWithAGoodCheckByte) {
    // The worker tests only the check byte of a command's reply.
    for (const auto& [fault, readBack] : {std::pair{Fault::None, true},
                                          {Fault::WrongCommand, true},
                                          {Fault::Silent, false},
                                          {Fault::BadCheckByte, false}}) {
        SCOPED_TRACE(static_cast<int>(fault));
        FakeClock clock;
        SessionRig rig(clock);
        rig.session.holdWorkers(kStatusPoller | kBlinkWorker);
        ASSERT_EQ(rig.connect(), O::Connected);
        rig.device.setCommandFault(fault);
        rig.device.setStatus(1, status(kHdmi));
        const auto first = rig.device.sent().size();

        ASSERT_TRUE(rig.session.pressSource(kHdmi).frame);
        ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
        ASSERT_TRUE(eventually([&] { return rig.session.snapshot().isEnabled(Control::M1); }));
        EXPECT_TRUE(operationControls(rig.session.snapshot(), true)) << "whatever the reply";

        const auto sent = rig.device.sent();
        ASSERT_EQ(sent.size(), first + (readBack ? 2 : 1));
        EXPECT_EQ(sent[first].frame[2], cmd::kMainSource);
        EXPECT_EQ(sent.back().frame, readBack ? pageQuery(1) : sent[first].frame);
        EXPECT_EQ(rig.session.snapshot().mainSource, readBack ? kHdmi : kV1);
    }
}

// Real time, every wait a minute long: EXT. without a signal is in its lit half.
void startSlow(std::optional<SessionRig>& rig) {
    WorkerTiming slow;
    slow.idleLook = slow.pollPause = slow.blinkHalf = Millis{60'000};
    rig.emplace(systemClock(), slow);
    rig->device.setStatus(1, status(kExt, false));
    ASSERT_EQ(rig->connect(), O::Connected);
    ASSERT_TRUE(eventually([&] { return rig->session.snapshot().isShown(Light::Ext); }));
    // A command must not wait for a blinking light: the blink worker keeps off panelLock.
    ASSERT_TRUE(eventually([&] { return rig->panelLockFree(); }));
}

TEST(SessionWorkers, HeldWorkersSendNothingAndCarryOnAfterRelease) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kExt, false));  // something to blink
    ASSERT_EQ(rig.connect(), O::Connected);
    ASSERT_TRUE(eventually([&] { return rig.device.sent().size() > 3; }));
    // The hold comes while the workers queue for panelLock behind a dialog's exchange: none
    // may start its pass once the lock is free.
    std::unique_lock dialog(SessionTestAccess::panelLock(rig.session));
    std::this_thread::sleep_for(20ms);
    rig.session.holdWorkers(kAllWorkers);
    const auto held = rig.device.sent().size();
    dialog.unlock();
    rig.session.pressVgaAuto();
    const int published = rig.published;
    // A worker that was queued for the lock takes it only to see the hold and let go.
    std::this_thread::sleep_for(40ms);
    ASSERT_TRUE(eventually([&] { return rig.panelLockFree(); })) << "a held worker keeps panelLock";
    EXPECT_EQ(rig.device.sent().size(), held);
    EXPECT_TRUE(rig.session.pendingFlag());
    EXPECT_EQ(rig.published, published) << "held workers changed the panel";

    rig.session.releaseWorkers();
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kReadPage) > held + 2; }));
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kVgaAuto) == 1; }));
}

TEST(SessionWorkers, StatusRepliesCountOnlyFromTheAddressInUse) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.session.holdWorkers(kAllWorkers);
    ASSERT_EQ(rig.connect(), O::Connected);
    // Device 1 now reports EXT., but the address moves to 2 (where nobody answers) while its
    // next reply is on the way.
    rig.device.setStatus(1, status(kExt));
    std::atomic<int> toAddress2{0};
    rig.device.onFrame([&](const CommandFrame& f) {
        if (f[1] == 1) rig.session.setDeviceAddress(2);
        if (f[1] == 2) ++toAddress2;
    });
    rig.session.releaseWorkers();
    ASSERT_TRUE(eventually([&] { return toAddress2 > 0; }));
    rig.session.disconnect();
    EXPECT_EQ(rig.session.snapshot().mainSource, kV1) << "a reply from the old address was applied";
}

// A press that lands while a command is in flight must not be lost when the worker clears the
// flag of the command it sent.
TEST(SessionWorkers, PressDuringACommandIsSentNext) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), O::Connected);
    rig.device.onFrame([&rig](const CommandFrame& f) {
        if (f[2] == cmd::kMainSource) rig.session.pressVgaAuto();
    });
    rig.session.pressSource(kHdmi);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kVgaAuto) == 1; }));
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    rig.session.disconnect();
    EXPECT_EQ(rig.device.count(cmd::kMainSource), 1u);
}

// A dialog's exchange takes panelLock, so it never lands between a command and its read-back.
TEST(SessionWorkers, DialogExchangesNeverSplitACommandFromItsReadBack) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), O::Connected);
    std::jthread dialog([&](std::stop_token stop) {
        for (CommandFrame reply{}; !stop.stop_requested();)
            rig.session.exchange(pageQuery(1, 5), reply, 1000);
    });
    for (int i = 0; i < 30; ++i) {
        rig.session.pressVgaAuto();
        ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    }
    dialog = {};
    const auto sent = rig.device.sent();
    int readBack = 0;
    for (std::size_t i = 0; i + 1 < sent.size(); ++i)
        if (sent[i].frame[2] == cmd::kVgaAuto) readBack += sent[i + 1].frame == pageQuery(1);
    EXPECT_EQ(readBack, 30) << "a dialog's exchange came between a command and its read-back";
}

TEST(SessionLifecycle, EveryStopEndsLongWaitsAtOnceAndFreesPanelLock) {
    for (int ending = 0; ending < 4; ++ending) {
        SCOPED_TRACE(ending);
        std::optional<SessionRig> rig;
        ASSERT_NO_FATAL_FAILURE(startSlow(rig));
        const auto start = std::chrono::steady_clock::now();
        if (ending == 0) rig->session.disconnect();
        if (ending == 1) rig->session.stopWorkers();
        if (ending == 2) rig->session.closeLinkAfterDialog();
        if (ending == 3) rig.reset();
        // The bound covers one exchange in flight (200 ms rest after its reply) with room.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        if (!rig) continue;
        EXPECT_FALSE(rig->session.workersRunning());
        EXPECT_TRUE(rig->panelLockFree()) << "a stopped worker left panelLock held";
    }
}

// Disconnect keeps lights, flags and the queued command; a press while disconnected goes out,
// with the address it was built with, once the command worker next runs.
// A command must never go out long after, or to another device than, the press that made it.
TEST(SessionLifecycle, PressesWithoutALineDoNothingAndConnectDropsAnOldOne) {
    FakeClock clock;
    SessionRig rig(clock);
    EXPECT_EQ(rig.session.pressVgaAuto(), PressOutcome{}) << "never connected";
    rig.session.holdWorkers(kCommandWorker);
    ASSERT_EQ(rig.connect(), O::Connected);
    rig.session.pressVgaAuto();  // queued behind the held worker
    rig.session.disconnect();
    EXPECT_TRUE(rig.session.snapshot().isShown(Light::V1)) << "the panel is kept";
    EXPECT_TRUE(operationControls(rig.session.snapshot(), false));
    EXPECT_FALSE(rig.session.snapshot().isEnabled(Control::M1));
    EXPECT_TRUE(rig.session.connected()) << "connectedFlag is left as it was";
    EXPECT_EQ(rig.device.liveLinks(), 0);
    EXPECT_EQ(rig.session.pressPipMode(1), PressOutcome{}) << "disconnected";

    rig.session.releaseWorkers();
    ASSERT_EQ(rig.connect(), O::Connected);
    EXPECT_FALSE(rig.session.pendingFlag()) << "the connect drops the old press";
    rig.session.pressSource(kHdmi);
    ASSERT_TRUE(eventually([&] { return !rig.session.pendingFlag(); }));
    rig.session.disconnect();
    EXPECT_EQ(rig.device.count(cmd::kVgaAuto) + rig.device.count(cmd::kPipMode), 0u);
    EXPECT_EQ(rig.device.count(cmd::kMainSource), 1u);
}

TEST(SessionHealth, UnansweredPollsShowTheStateUnknownUntilAnswersComeBack) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), O::Connected);
    std::atomic<int> polls{0}, pollsWhenUnknown{-1};
    rig.device.onFrame([&](const CommandFrame& f) {
        if (f[2] == cmd::kReadPage) ++polls;
        if (rig.unknown && pollsWhenUnknown < 0) pollsWhenUnknown = polls.load();
    });
    rig.device.setStatusFault(Fault::Silent);
    ASSERT_TRUE(eventually([&] { return rig.lastInfo == MessageId::NoAnswerSince; }));
    EXPECT_TRUE(rig.unknown);
    EXPECT_TRUE(rig.session.snapshot().isShown(Light::V1)) << "the last known state stays";
    ASSERT_EQ(rig.arguments(MessageId::NoAnswerSince).size(), 1u) << "said once";
    EXPECT_EQ(rig.arguments(MessageId::NoAnswerSince)[0].size(), 8u) << "HH:MM:SS";
    ASSERT_TRUE(eventually([&] { return pollsWhenUnknown >= 0; }));
    EXPECT_GE(pollsWhenUnknown, 3) << "not before three unanswered polls";

    rig.device.setStatusFault(Fault::None);
    ASSERT_TRUE(eventually([&] { return rig.lastInfo == MessageId::EquipmentNormal; }));
    EXPECT_FALSE(rig.unknown);
    rig.session.disconnect();
}

TEST(SessionHealth, ALostLineIsReopenedWithGrowingPausesUntilItAnswers) {
    FakeClock clock;
    SessionRig rig(clock);
    ASSERT_EQ(rig.connect(), O::Connected);
    rig.opening = O::LinkFailed;  // the peer is gone for now
    rig.device.breakOpenLinks();
    const std::vector<std::string> waits{"1", "2", "4", "8", "16", "30", "30"};
    ASSERT_TRUE(eventually([&] { return rig.arguments(MessageId::Reconnecting).size() >= 7; }));
    auto said = rig.arguments(MessageId::Reconnecting);
    said.resize(waits.size());
    EXPECT_EQ(said, waits);
    EXPECT_TRUE(rig.unknown);
    EXPECT_EQ(rig.session.pressSource(kHdmi), PressOutcome{}) << "no line: the press does nothing";
    EXPECT_TRUE(operationControls(rig.session.snapshot(), false)) << "and its button is grey";
    rig.session.setTimerRunning(false);  // Stop
    EXPECT_TRUE(operationControls(rig.session.snapshot(), false)) << "also after Stop";

    rig.opening = O::Connected;  // back again
    ASSERT_TRUE(eventually([&] { return rig.lastInfo == MessageId::EquipmentNormal; }));
    EXPECT_FALSE(rig.unknown);
    EXPECT_TRUE(rig.session.snapshot().isEnabled(Control::SrcHdmi));
    EXPECT_EQ(rig.device.liveLinks(), 1);
    rig.session.pressSource(kHdmi);
    ASSERT_TRUE(eventually([&] { return rig.device.count(cmd::kMainSource) == 1; }));

    // Disconnect ends a reconnect in its pause.
    rig.opening = O::LinkFailed;
    rig.device.breakOpenLinks();
    ASSERT_TRUE(eventually([&] { return rig.lastInfo == MessageId::Reconnecting; }));
    rig.session.disconnect();
    EXPECT_FALSE(rig.session.workersRunning());
    EXPECT_EQ(rig.device.liveLinks(), 0);
}

// Attached to a chain service: the service's wire carries the exchanges, its state events move
// the lamps, its sequences bracket the dialogs' jobs, and nobody here polls.
struct FakeAttachment final : ServiceAttachment {
    explicit FakeAttachment(FakeDevice& device, Clock& clock) : wire_(clock) {
        wire_.attach(device.openLink());
    }
    FrameExchanger& wire() override { return wire_; }
    void beginSequence(const std::string& what) override {
        if (refuse) throw std::runtime_error("busy: the queue is full");
        begun.push_back(what);
    }
    void endSequence() override { ++ended; }
    void watch(ServiceEvents e) override { events = std::move(e); }

    DeviceLink wire_;
    bool refuse = false;
    std::vector<std::string> begun;
    int ended = 0;
    ServiceEvents events;
};

TEST(SessionAttached, ServiceCarriesPressesStateAndSequencesWithoutPolls) {
    FakeClock clock;
    FakeDevice device(clock);
    device.setStatus(1, status(kV1));
    FakeAttachment* attachment = nullptr;
    std::string socketAsked;
    struct Quiet final : SessionObserver {
        void panelChanged(const PanelState&) override {}
        void infoChanged(const InfoText& t) override {
            std::lock_guard lock(m);
            last = t;
        }
        void connectFinished(ConnectOutcome o) override { outcome = o; }
        std::mutex m;
        InfoText last;
        std::atomic<ConnectOutcome> outcome{O::LinkFailed};
    } observer;
    bool unreachable = true;
    Session session(observer, clock, {}, {}, [&](const std::string& socket) {
        socketAsked = socket;
        if (unreachable) throw std::runtime_error("cannot reach the chain service at " + socket);
        auto made = std::make_unique<FakeAttachment>(device, clock);
        attachment = made.get();
        return std::unique_ptr<ServiceAttachment>(std::move(made));
    });
    const LinkChoice choice{.serviceSocket = "/run/tvq418/hall.sock"};

    session.startConnect(choice);
    session.waitForConnectJob();
    EXPECT_EQ(observer.outcome, O::LinkFailed);
    EXPECT_EQ(observer.last,
              InfoText::message(MessageId::ServiceUnreachable,
                                "cannot reach the chain service at " + choice.serviceSocket));

    unreachable = false;
    session.startConnect(choice);
    session.waitForConnectJob();
    ASSERT_EQ(observer.outcome, O::Connected);
    EXPECT_EQ(socketAsked, choice.serviceSocket);
    EXPECT_TRUE(session.attached());

    // Lamps follow the service's state events for the address in use, not for others.
    device.setStatus(2, status(kExt));
    attachment->events.state(2, encodeStatus({.address = 2, .mainSource = kExt}));
    EXPECT_EQ(session.snapshot().mainSource, kV1);
    attachment->events.state(1, encodeStatus({.address = 1, .mainSource = kHdmi}));
    EXPECT_EQ(session.snapshot().mainSource, kHdmi);

    session.pressVgaAuto();
    ASSERT_TRUE(eventually([&] { return device.count(cmd::kVgaAuto) == 1; }));
    clock.advance(std::chrono::seconds(30));  // a poller would have asked many times by now
    std::this_thread::sleep_for(20ms);
    EXPECT_LE(device.count(cmd::kReadPage), 2u) << "the connect's check and the press's read-back";

    bool ran = false;
    EXPECT_TRUE(session.runSequence("wall program", [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(attachment->begun, std::vector<std::string>{"wall program"});
    EXPECT_EQ(attachment->ended, 1);
    attachment->refuse = true;
    ran = false;
    EXPECT_FALSE(session.runSequence("scan", [&] { ran = true; }));
    EXPECT_FALSE(ran) << "a job the service would let others split must not run";
    EXPECT_EQ(observer.last,
              InfoText::message(MessageId::ServiceRefusedJob, "busy: the queue is full"));

    attachment->events.closed();
    EXPECT_FALSE(session.connected());
    EXPECT_TRUE(session.snapshot().stateUnknown);
    session.disconnect();
    EXPECT_FALSE(session.attached());
}

}  // namespace
}  // namespace tvq::test
