#include "core/control/session_core.h"

namespace tvq {

SessionCore::SessionCore(SessionObserver& observer, Clock& clock, LinkOpener opener,
                         WorkerTiming timing, ServiceAttacher attacher)
    : observer(observer),
      clock(clock),
      timing(timing),
      opener(std::move(opener)),
      link(clock),
      attacher(std::move(attacher)) {}

void SessionCore::setAddress(std::uint8_t address) {
    link.setDeviceAddress(address);
    if (auto a = attachment.load()) a->wire().setDeviceAddress(address);
}

bool SessionCore::attach(const std::string& socket) {
    if (!attacher) {
        info(InfoText::message(MessageId::ServiceUnsupported));
        return false;
    }
    std::shared_ptr<ServiceAttachment> attached;
    ServiceEvents events;
    // The reader thread's reports; the address in use now decides what is ours.
    events.state = [this](std::uint8_t address, const CommandFrame& reply) {
        if (address == link.deviceAddress() && address != 0) applyStatus(reply);
    };
    events.link = [this](const std::string& state, const std::string& message) {
        // The service reopens its line itself; meanwhile what the lamps show is not known.
        if (state == "up") return;
        update([](PanelState& s) { s.stateUnknown = true; });
        info(InfoText::message(MessageId::ServiceLinkLost, message.empty() ? state : message));
    };
    events.closed = [this] {
        connectedFlag = false;
        update([](PanelState& s) {
            s.stateUnknown = true;
            s.setOperationControls(false);
            s.setPipModeButtons(false);
            s.enable(Control::Disconnect, false);
            s.enable(Control::Connect, true);
        });
        info(InfoText::message(MessageId::ServiceClosed));
    };
    events.plansArmed = [this](bool armed) { setServicePlans(armed); };
    try {
        attached = attacher(socket);
        if (!attached) return false;
        attached->wire().setDeviceAddress(link.deviceAddress());
        attached->watch(std::move(events));
    } catch (const std::exception& e) {
        info(InfoText::message(MessageId::ServiceUnreachable, e.what()));
        return false;
    }
    const std::optional<bool> armed = attached->plansArmed();
    attachment.store(std::move(attached));
    setServicePlans(armed);
    return true;
}

void SessionCore::detach() {
    attachment.store(nullptr);
    if (servicePlans != -1) {
        servicePlans = -1;
        update([](PanelState& s) {
            s.enable(Control::Start, false);
            s.enable(Control::Stop, false);
        });
    }
}

void SessionCore::followServicePlans(PanelState& s) const {
    const int armed = servicePlans.load();
    if (armed < 0) return;
    s.enable(Control::Start, armed == 0);
    s.enable(Control::Stop, armed == 1);
}

void SessionCore::setServicePlans(std::optional<bool> armed) {
    servicePlans = armed ? int(*armed) : -1;
    update([](PanelState&) {});
}

PanelState SessionCore::snapshot() const {
    std::lock_guard lock(stateMutex_);
    return panel_;
}

void SessionCore::info(const InfoText& text) {
    std::lock_guard lock(stateMutex_);
    observer.infoChanged(text);
}

void SessionCore::finishConnect(ConnectOutcome outcome) {
    std::lock_guard lock(stateMutex_);
    observer.connectFinished(outcome);
}

void SessionCore::applyStatus(const CommandFrame& reply) {
    update([&](PanelState& s) {
        applyStatusReply(s, reply, link.deviceAddress(), timerRunningFlag.load());
    });
}

bool SessionCore::pause(std::stop_token stop, Millis duration) {
    std::unique_lock lock(sleepMutex_);
    clock.waitFor(lock, sleepCv_, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

std::unique_lock<std::mutex> SessionCore::beginPass(unsigned worker, std::stop_token stop) {
    std::unique_lock panel(panelLock);
    // A hold that came while this worker waited for the lock must still keep it out.
    if (stop.stop_requested() || gate.held(worker)) return {};
    return panel;
}

}  // namespace tvq
