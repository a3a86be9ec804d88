#pragma once
// The main window's device side: the link, the device address, the panel state, the pending
// command slot, panelLock, the connect job and the three workers. The GUI owns one Session,
// calls it from the UI thread and hears back through a SessionObserver.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/control/panel_state.h"
#include "core/control/service_attachment.h"
#include "core/link/device_link.h"
#include "core/link/link_open.h"
#include "core/panel/front_panel.h"
#include "core/plans/plan_scheduler.h"
#include "core/platform/clock.h"
#include "core/platform/messages.h"

namespace tvq {

// The link the operator chose in the connection settings.
struct LinkChoice {
    bool useSerial = false;
    std::string portName;  // serial: "ttyUSB0", "/dev/pts/7", ...
    std::string ipText;    // network: "192.0.2.10"
    std::string portText;  // network: the port box as typed
    // Attached to a chain service instead: its socket path. The service owns the line.
    std::string serviceSocket;
};

enum class ConnectOutcome {
    Connected,       // one device answered its status query; workers started
    ConnectedToAll,  // address 0: link open, no query, no workers
    DeviceAbsent,    // link opened, the device did not answer correctly; link closed again
    LinkFailed,      // the link did not open
    PortOutOfRange,  // network port outside 0..65535: the GUI shows its box
};

// Calls may come from any thread. Implementations copy the values and hand them to the UI
// thread; they must not call back into the Session from inside these calls.
class SessionObserver {
public:
    virtual ~SessionObserver() = default;
    virtual void panelChanged(const PanelState& state) = 0;
    virtual void infoChanged(const InfoText& text) = 0;
    // The connect job has ended: the wait box closes.
    virtual void connectFinished(ConnectOutcome outcome) = 0;
};

struct OpenedLink {
    std::unique_ptr<ByteLink> link;  // null when the link did not open
    ConnectOutcome failure = ConnectOutcome::LinkFailed;
};
using LinkOpener = std::function<OpenedLink(const LinkChoice&, const InfoSink&)>;

// Opens the serial port or the TCP connection of the choice.
OpenedLink openChosenLink(const LinkChoice& choice, const InfoSink& info);

struct WorkerTiming {
    Millis idleLook{1000};           // command worker: between looks at an empty slot
    Millis afterCommand{100};        // command worker: before re-reading the status
    Millis pollPause{1000};          // status poller: after each poll
    Millis blinkHalf{500};           // blink worker: lit, then dark
    Millis blinkStep{10};            // blink worker: between two lights of one pass
    bool wakeOnPress = true;         // a press ends the command worker's idle wait at once
    int missesBeforeUnknown = 3;     // status poller: unanswered polls in a row
    Millis reconnectFirst{1000};     // after a line is lost: first pause, doubled each try
    Millis reconnectLongest{30000};  // ... up to this
};

// Which workers a hold applies to.
enum WorkerSet : unsigned {
    kCommandWorker = 1,
    kStatusPoller = 2,
    kBlinkWorker = 4,
    kAllWorkers = 7,
};

class Session {
public:
    // `attacher` serves a choice with a service socket; without it such a choice fails.
    explicit Session(SessionObserver& observer, Clock& clock = systemClock(),
                     LinkOpener opener = openChosenLink, WorkerTiming timing = {},
                     ServiceAttacher attacher = {});
    ~Session();  // stops the connect job and the workers
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connection. startConnect returns at once; connectFinished reports the end.
    void startConnect(const LinkChoice& choice);
    bool connectInProgress() const;
    void waitForConnectJob();  // joins a finished or running connect job
    // Stops the workers, disables the operation controls, closes the link, Connect back on.
    void disconnect();
    // After the cascade and fast mosaic dialogs: close the link, back to not connected.
    void closeLinkAfterDialog();
    bool connected() const;  // connectedFlag

    void setDeviceAddress(std::uint8_t address);
    std::uint8_t deviceAddress() const;

    // Front panel. Each runs the button's rules, queues its frame (waking the command worker)
    // and shows a refusal on the Info line.
    PressOutcome pressSource(std::uint8_t code);
    PressOutcome pressToggle(Toggle which);
    PressOutcome pressVgaAuto();
    PressOutcome pressPipMode(std::uint8_t mode);
    PressOutcome pressTransition(std::uint8_t transition);
    bool pendingFlag() const;
    CommandFrame pendingFrame() const;

    // Workers: held between two exchanges while a dialog is open, stopped for good otherwise.
    void holdWorkers(unsigned which);
    void releaseWorkers();
    void stopWorkers();
    bool workersRunning() const;

    // Timer block: Start and Stop as far as the panel is concerned.
    void setTimerRunning(bool running);
    bool timerRunning() const;

    // The wire as the dialogs, the scan and the plans see it. Each exchange is taken under
    // panelLock so it never meets a worker's; a stop request ends the reply wait within one try.
    int exchange(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                 std::stop_token stop = {});
    // Sends and gathers every byte that comes back (the scan's query); -1 when nothing was sent.
    int gather(const CommandFrame& frame, std::span<std::uint8_t> out, Millis firstWait,
               Millis quiet, std::stop_token stop = {});
    // Runs `body` as one job nobody else's exchanges may split (a read-back, a whole wall, a
    // scan). The workers are the caller's to hold; `what` names the job for the service. False,
    // with the reason on the Info line, when an attached service refuses the job: body not run.
    bool runSequence(const std::string& what, const std::function<void()>& body);
    bool attached() const;  // to a chain service
    // Attached: one request of the service's plan ops, answered as the service gave it.
    // Throws std::runtime_error (one line) when not attached or the service is gone.
    nlohmann::json serviceRequest(const nlohmann::json& request);
    // Attached: Start (on) or Stop of the service's plans, which Start and Stop then follow.
    // False, with the reason on the Info line, when the service refuses or is gone.
    bool armServicePlans(bool on);
    // A reply still in flight from before would pass for the next one's: dropped.
    void discardStaleReplies();
    // One plan's frame to the address chosen now.
    SendOutcome sendPlanFrame(const CommandFrame& frame, std::stop_token stop);
    bool lineOpen() const;    // a link is open (found broken or not)
    bool lineUp() const;      // an open link not yet found broken
    bool lineSerial() const;  // the open link is a serial port

    PanelState snapshot() const;
    void setOperationControls(bool on);
    void enableControl(Control control, bool on);
    void setInfo(const InfoText& text);

private:
    friend struct SessionTestAccess;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tvq
