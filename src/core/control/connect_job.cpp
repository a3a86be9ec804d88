#include "core/control/connect_job.h"

#include <exception>
#include <string>

#include "core/control/session_core.h"
#include "core/link/commands.h"
#include "core/platform/diagnostics.h"

namespace tvq {
namespace {

constexpr std::int32_t kCheckTimeoutMs = 6000;

// Makes sure the wait box hears of the end exactly once, even if the job breaks off.
class FinishReport {
public:
    explicit FinishReport(SessionCore& core) : core_(core) {}
    ~FinishReport() {
        if (!sent_) send(ConnectOutcome::LinkFailed);
    }
    FinishReport(const FinishReport&) = delete;
    FinishReport& operator=(const FinishReport&) = delete;

    void send(ConnectOutcome outcome) {
        if (sent_) return;
        sent_ = true;
        core_.finishConnect(outcome);
    }

private:
    SessionCore& core_;
    bool sent_ = false;
};

bool devicePresent(int result, const CommandFrame& reply) {
    return result == static_cast<int>(kFrameSize) && reply[2] == cmd::kReadPage &&
           checkByteOk(reply);
}

void markConnected(PanelState& s) {
    s.enable(Control::Disconnect, true);
    s.enable(Control::Connect, false);
}

void connect(SessionCore& core, const LinkOpener& opener, const LinkChoice& choice,
             std::stop_token stop, const std::function<void()>& startWorkers,
             FinishReport& report) {
    // A port still open from an earlier connect would refuse to open again.
    core.link.close();
    core.detach();
    // A press left from before belongs to another moment, maybe to another device.
    core.pending.discard();
    core.choice = choice;
    core.update([](PanelState& s) { s.stateUnknown = false; });
    if (!choice.serviceSocket.empty()) {
        if (!core.attach(choice.serviceSocket)) {
            core.connectedFlag = false;
            report.send(ConnectOutcome::LinkFailed);
            return;
        }
    } else {
        OpenedLink opened = opener(choice, [&core](const InfoText& text) { core.info(text); });
        if (!opened.link || !opened.link->isOpen()) {
            core.connectedFlag = false;
            report.send(opened.failure);
            return;
        }
        core.link.attach(std::move(opened.link));
    }

    const std::uint8_t address = core.link.deviceAddress();
    if (address == 0) {
        core.update([&](PanelState& s) {
            markConnected(s);
            core.connectedFlag = true;
            s.lightShown.reset();
        });
        report.send(ConnectOutcome::ConnectedToAll);
        return;
    }

    CommandFrame reply{};
    const int result = core.onWire([&](FrameExchanger& wire) {
        return wire.exchangeFrame(pageQuery(address), reply, kCheckTimeoutMs, stop);
    });
    if (!devicePresent(result, reply)) {
        report.send(ConnectOutcome::DeviceAbsent);
        core.link.close();
        core.detach();
        core.info(InfoText::message(MessageId::EquipmentFailed));
        return;
    }

    core.info(InfoText::message(MessageId::EquipmentNormal));
    core.applyStatus(reply);
    core.update([&](PanelState& s) {
        markConnected(s);
        // Set before the wait box closes: the UI reads it as soon as the box has gone.
        core.connectedFlag = true;
    });
    report.send(ConnectOutcome::Connected);
    core.update([](PanelState& s) { s.setOperationControls(true); });
    if (!stop.stop_requested()) startWorkers();
}

}  // namespace

OpenedLink openChosenLink(const LinkChoice& choice, const InfoSink& info) {
    OpenedLink opened;
    if (choice.useSerial) {
        opened.link = openSerialLink(choice.portName, info);
        return opened;
    }
    NetworkOpenResult network = openNetworkLink(choice.ipText, choice.portText, info);
    if (network.outcome == NetworkOpenResult::Outcome::PortOutOfRange)
        opened.failure = ConnectOutcome::PortOutOfRange;
    opened.link = std::move(network.link);
    return opened;
}

void runConnectJob(SessionCore& core, const LinkOpener& opener, const LinkChoice& choice,
                   std::stop_token stop, const std::function<void()>& startWorkers) {
    std::lock_guard panel(core.panelLock);
    FinishReport report(core);
    try {
        connect(core, opener, choice, stop, startWorkers, report);
    } catch (const std::exception& e) {
        diagnostic(std::string("Connect failed: ") + e.what() + "\n");
    }
}

}  // namespace tvq
