#include "core/control/session.h"

#include <atomic>
#include <thread>

#include "core/control/connect_job.h"
#include "core/control/session_core.h"
#include "core/control/session_test_access.h"
#include "core/control/workers.h"

namespace tvq {

struct Session::Impl {
    Impl(SessionObserver& observer, Clock& clock, LinkOpener opener, WorkerTiming timing,
         ServiceAttacher attacher)
        : core(observer, clock, std::move(opener), timing, std::move(attacher)), workers(core) {}

    bool lineUp() {
        return core.onWire([](FrameExchanger& wire) { return wire.isUp(); });
    }

    // Ends a connect job still running; it finishes its exchange in flight, reports, and
    // starts no workers. Touched by the UI thread only.
    void stopConnectJob() {
        if (!connectJob.joinable()) return;
        connectJob.request_stop();
        connectJob.join();
    }

    void stopAll() {
        stopConnectJob();
        workers.stop();
    }

    // Runs a button's rule on the panel and queues its frame, carrying the address of now.
    // Without a working line a press does nothing: a frame queued now would go out long after,
    // maybe to another device, at some later connect.
    template <class Rule>
    PressOutcome press(Rule&& rule) {
        PressOutcome outcome;
        if (!lineUp()) return outcome;
        core.update([&](PanelState& s) {
            outcome = rule(s, core.link.deviceAddress());
            if (outcome.frame) core.pending.put(*outcome.frame);
        });
        if (outcome.refusal != MessageId::None) core.info(InfoText::message(outcome.refusal));
        return outcome;
    }

    SessionCore core;
    SessionWorkers workers;
    std::jthread connectJob;
    std::atomic<bool> connecting{false};
};

Session::Session(SessionObserver& observer, Clock& clock, LinkOpener opener, WorkerTiming timing,
                 ServiceAttacher attacher)
    : impl_(std::make_unique<Impl>(observer, clock, std::move(opener), timing,
                                   std::move(attacher))) {}

Session::~Session() {
    impl_->stopAll();
    impl_->core.link.close();
    impl_->core.detach();
}

void Session::startConnect(const LinkChoice& choice) {
    // The wait box keeps the operator out meanwhile; a second connect replaces the first.
    impl_->stopAll();
    impl_->connecting = true;
    Impl& impl = *impl_;
    impl.connectJob = std::jthread([&impl, choice](std::stop_token stop) {
        runConnectJob(impl.core, impl.core.opener, choice, stop, [&impl] { impl.workers.start(); });
        impl.connecting = false;
    });
}

bool Session::connectInProgress() const {
    return impl_->connecting.load();
}

void Session::waitForConnectJob() {
    if (impl_->connectJob.joinable()) impl_->connectJob.join();
}

void Session::disconnect() {
    impl_->stopAll();
    impl_->core.update([](PanelState& s) {
        s.setOperationControls(false);
        s.setPipModeButtons(false);  // they would do nothing without a line
    });
    impl_->core.link.close();
    impl_->core.detach();
    impl_->core.update([](PanelState& s) {
        s.enable(Control::Connect, true);
        s.enable(Control::Disconnect, false);
    });
}

void Session::closeLinkAfterDialog() {
    impl_->stopAll();
    impl_->core.link.close();
    impl_->core.detach();
    impl_->core.update([](PanelState& s) {
        // Nobody watches the device any more: its last state must not pass for its state now.
        s.stateUnknown = true;
        s.setOperationControls(false);
        s.setPipModeButtons(false);
        s.enable(Control::Disconnect, false);
        s.enable(Control::Connect, true);
    });
    impl_->core.info(InfoText::message(MessageId::LinkClosed));
}

bool Session::connected() const {
    return impl_->core.connectedFlag.load();
}

void Session::setDeviceAddress(std::uint8_t address) {
    impl_->core.setAddress(address);
}

std::uint8_t Session::deviceAddress() const {
    return impl_->core.link.deviceAddress();
}

PressOutcome Session::pressSource(std::uint8_t code) {
    return impl_->press(
        [code](PanelState& s, std::uint8_t address) { return tvq::pressSource(s, address, code); });
}

PressOutcome Session::pressToggle(Toggle which) {
    return impl_->press([which](PanelState& s, std::uint8_t address) {
        return tvq::pressToggle(s, address, which);
    });
}

PressOutcome Session::pressVgaAuto() {
    return impl_->press(
        [](PanelState&, std::uint8_t address) { return tvq::pressVgaAuto(address); });
}

PressOutcome Session::pressPipMode(std::uint8_t mode) {
    return impl_->press(
        [mode](PanelState&, std::uint8_t address) { return tvq::pressPipMode(address, mode); });
}

PressOutcome Session::pressTransition(std::uint8_t transition) {
    return impl_->press([transition](PanelState& s, std::uint8_t address) {
        return tvq::pressTransition(s, address, transition);
    });
}

bool Session::pendingFlag() const {
    return impl_->core.pending.flag();
}

CommandFrame Session::pendingFrame() const {
    return impl_->core.pending.frame();
}

void Session::holdWorkers(unsigned which) {
    impl_->core.gate.hold(which);
    // A blink step decides under the state mutex; taking it once waits out one that began
    // before the hold, so nothing changes after this returns.
    (void)impl_->core.snapshot();
}

void Session::releaseWorkers() {
    impl_->core.gate.release();
}

void Session::stopWorkers() {
    impl_->stopAll();
}

bool Session::workersRunning() const {
    return impl_->workers.running();
}

void Session::setTimerRunning(bool running) {
    impl_->core.timerRunningFlag = running;
    const bool lineUp = impl_->lineUp();
    impl_->core.update([running, lineUp](PanelState& s) {
        // Without a line (it is being reopened) the buttons stay grey: a press would do nothing.
        if (!running && lineUp) {
            s.setPipModeButtons(true);
            s.setOperationControls(true);
        } else {
            s.enable(Control::Start, false);
        }
        s.enable(Control::Stop, running);
        s.enable(Control::Disconnect, !running);
    });
}

bool Session::timerRunning() const {
    return impl_->core.timerRunningFlag.load();
}

int Session::exchange(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token stop) {
    std::lock_guard panel(impl_->core.panelLock);
    return impl_->core.onWire(
        [&](FrameExchanger& wire) { return wire.exchangeFrame(frame, reply, timeoutMs, stop); });
}

int Session::gather(const CommandFrame& frame, std::span<std::uint8_t> out, Millis firstWait,
                    Millis quiet, std::stop_token stop) {
    std::lock_guard panel(impl_->core.panelLock);
    return impl_->core.onWire([&](FrameExchanger& wire) {
        return wire.exchangeGather(frame, out, firstWait, quiet, stop);
    });
}

bool Session::runSequence(const std::string& what, const std::function<void()>& body) {
    // A direct line: the held workers and panelLock per exchange already keep others apart.
    // Attached, the service must keep other clients and its plans out for the whole job.
    std::shared_ptr<ServiceAttachment> attached = impl_->core.attachment.load();
    if (!attached) {
        body();
        return true;
    }
    try {
        attached->beginSequence(what);
    } catch (const std::exception& e) {
        impl_->core.info(InfoText::message(MessageId::ServiceRefusedJob, e.what()));
        return false;
    }
    struct End {
        ServiceAttachment& a;
        ~End() {
            try {
                a.endSequence();
            } catch (const std::exception&) {
                // Gone or refused: the service ends a hold by itself after a quiet while.
            }
        }
    } end{*attached};
    body();
    return true;
}

bool Session::attached() const {
    return impl_->core.attachment.load() != nullptr;
}

nlohmann::json Session::serviceRequest(const nlohmann::json& request) {
    std::shared_ptr<ServiceAttachment> attached = impl_->core.attachment.load();
    if (!attached) throw std::runtime_error("not attached to a chain service");
    return attached->request(request);
}

bool Session::armServicePlans(bool on) {
    std::string why;
    try {
        const nlohmann::json answer = serviceRequest({{"op", on ? "plans.start" : "plans.stop"}});
        if (answer.value("ok", false)) {
            impl_->core.setServicePlans(answer.value("armed", false));
            return true;
        }
        why = answer.value("message", "refused");
    } catch (const std::exception& e) {
        why = e.what();
    }
    impl_->core.info(InfoText::message(MessageId::ServiceRefusedJob, why));
    return false;
}

void Session::discardStaleReplies() {
    if (attached()) return;  // the service matches replies to requests itself
    std::lock_guard panel(impl_->core.panelLock);
    impl_->core.link.discardPending();
}

SendOutcome Session::sendPlanFrame(const CommandFrame& frame, std::stop_token stop) {
    if (!lineUp()) return SendOutcome::LinkClosed;
    CommandFrame out = frame;
    out[1] = deviceAddress();
    CommandFrame reply{};
    const int got = exchange(out, reply, kPlanReplyTimeoutMs, stop);
    if (stop.stop_requested()) return SendOutcome::Stopped;
    if (got == 13 || out[1] == 0) return SendOutcome::Sent;
    return lineUp() ? SendOutcome::NoReply : SendOutcome::LinkClosed;
}

bool Session::lineOpen() const {
    return impl_->core.onWire([](FrameExchanger& wire) { return wire.isOpen(); });
}

bool Session::lineUp() const {
    return impl_->lineUp();
}

bool Session::lineSerial() const {
    return impl_->core.onWire([](FrameExchanger& wire) { return wire.isSerial(); });
}

DeviceLink& SessionTestAccess::link(Session& session) {
    return session.impl_->core.link;
}

std::mutex& SessionTestAccess::panelLock(Session& session) {
    return session.impl_->core.panelLock;
}

PanelState Session::snapshot() const {
    return impl_->core.snapshot();
}

void Session::setOperationControls(bool on) {
    impl_->core.update([on](PanelState& s) { s.setOperationControls(on); });
}

void Session::enableControl(Control control, bool on) {
    impl_->core.update([control, on](PanelState& s) { s.enable(control, on); });
}

void Session::setInfo(const InfoText& text) {
    impl_->core.info(text);
}

}  // namespace tvq
