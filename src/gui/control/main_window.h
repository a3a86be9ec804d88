#pragma once
// The control panel: the processor's front panel on screen, the connection settings, the timer
// block and the doors to the other windows. The device side lives in tvq::Session; this window
// renders the Session's panel snapshots and turns clicks into Session calls.

#include <QDialog>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/control/session.h"
#include "core/plans/plan_scheduler.h"
#include "core/setup/window_rect.h"
#include "core/wall/mosaic_device.h"
#include "gui/control/main_window_widgets.h"

namespace tvq {
struct PresentPort;
}

class CProgress;
class MessageBoxes;
class PlanThreadObserver;
class QAction;
class UiThreadObserver;

// What the window needs from outside; tests replace the link, the boxes and the port list.
struct MainWindowDeps {
    tvq::LinkOpener opener = tvq::openChosenLink;
    tvq::Clock* clock = nullptr;          // null: the system clock
    tvq::WallClock* wallClock = nullptr;  // null: the system's time (the plan scheduler)
    tvq::WorkerTiming timing{};
    MessageBoxes* boxes = nullptr;                             // null: real message boxes
    std::function<std::vector<tvq::PresentPort>()> listPorts;  // null: the system's ports
    std::filesystem::path settingsPath = "Planinfo.ini";       // the settings and the plans
    std::chrono::milliseconds setupPause{1000};  // Setup: lets a worker finish its exchange
    tvq::MosaicPauses wallPauses{};              // the fast mosaic screen's connect sequence
    tvq::ServiceAttacher attacher;               // null: a chain service cannot be reached
    std::string serviceSocket;  // --service: attach to this socket at start, whatever is saved
};

// The system's serial ports as findSerialPort expects them.
std::vector<tvq::PresentPort> presentSerialPorts();

class CTVQ418ControlDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CTVQ418ControlDlg(MainWindowDeps deps = {}, QWidget* parent = nullptr);
    ~CTVQ418ControlDlg() override;

    // The last opening steps, once the window is on screen: read the CONNECT settings,
    // auto-connect, start the timer and open the cascade dialog as they ask.
    void readSettings();

    tvq::Session& session() { return *session_; }
    bool planSchedulerRunning() const { return scheduler_ != nullptr; }

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Esc, Exit and the title bar's close button all ask first.
    void reject() override;

private:
    void wireControls();
    void retranslate();
    void fillPortList();
    void fillAddressList();

    // Session reports, on the UI thread.
    void render(const tvq::PanelState& state);
    void setInfo(const tvq::InfoText& text);
    void onConnectFinished(tvq::ConnectOutcome outcome);

    // Connection settings and connect.
    void onSerialRadio();
    void onNetworkRadio();
    void chooseLink(bool serial);
    void chooseService(bool on);
    void showLinkChoice();
    void onAutoConnectBox();
    void onStartTimerBox();
    std::error_code saveSettings();  // a failure is also shown in the Info line
    void onAddressRadio(int address);
    void onAddressList(int index);
    void showAddress(int address);
    void onConnect();
    void onDisconnect();
    tvq::LinkChoice linkChoice() const;
    tvq::ConnectOutcome runConnectJob();
    void openCascade();

    // Front panel.
    void onSource(std::size_t index);
    void onFunction(std::size_t index);
    void onPipMode(int mode);
    void onTransition(int transition);
    void onLanguage(bool chinese);

    // Timer block and window-level actions.
    void onAllBox();
    void onStart();
    void onStop();
    void clearTimerFields();
    void showTimerGroup(std::size_t group, const tvq::TimerDisplay& shown);
    void showTimers();
    void onPlanEvent(const tvq::PlanEvent& event);
    void showPlanNotice(const tvq::PlanNotice& notice);
    void onProgram();
    void onSetup();
    void onFastMs();
    void onExpand();
    void onAbout();
    void onFindProcessors();

    void startPlanScheduler(const tvq::PlanKindSet& kinds);
    void stopPlanScheduler();
    void openScreenSetup();
    void openProgramWindow();
    void openFastMosaic();

    MainWindowDeps deps_;
    MessageBoxes& boxes_;
    MainWindowWidgets w_;
    QAction* aboutAction_;
    QAction* findAction_;
    CProgress* waitBox_;
    std::unique_ptr<UiThreadObserver> observer_;
    std::unique_ptr<tvq::Session> session_;  // after observer_: stopped before it goes
    std::unique_ptr<PlanThreadObserver> planObserver_;
    std::unique_ptr<tvq::PlanScheduler> scheduler_;  // last: stopped before what it uses goes
    unsigned planRun_ = 0;                           // reports of earlier runs are dropped
    std::array<std::optional<tvq::TimerDisplay>, 2> timersShown_;  // Current, Next
    std::optional<tvq::InfoText> info_;                            // what the Info line shows

    tvq::ConnectOutcome lastOutcome_ = tvq::ConnectOutcome::LinkFailed;
    bool useSerial_ = false;
    bool useService_ = false;
    bool autoConnectFlag_ = false;
    bool startTimerFlag_ = false;
    bool allPlansFlag_ = false;
    bool panelCollapsed_ = true;
    bool setupPending_ = false;  // Setup pressed, the dialog not open yet
    // The sixteen rectangle values the screen setup shows; they outlive each opening.
    tvq::setup::WindowGeometry screenGeometry_;
};
