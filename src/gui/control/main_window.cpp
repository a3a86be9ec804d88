#include "gui/control/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include "gui/control/about_box.h"
#include "gui/control/find_processors_dialog.h"
#include "gui/control/ui_thread_observer.h"
#include "gui/control/wait_box.h"
#include "gui/plans/plan_thread_observer.h"
#include "gui/setup/set_screen.h"
#include "gui/ui/choice.h"
#include "gui/ui/keyboard.h"
#include "gui/ui/message_boxes.h"
#include "gui/ui/painted_icon.h"
#include "gui/wall/simple_mosaic.h"

CTVQ418ControlDlg::CTVQ418ControlDlg(MainWindowDeps deps, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      deps_(std::move(deps)),
      boxes_(deps_.boxes ? *deps_.boxes : dialogMessageBoxes()),
      w_(buildMainWindow(this)),
      aboutAction_(new QAction(this)),
      findAction_(new QAction(this)),
      waitBox_(new CProgress(this)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(paintedIcon(PaintedImage::AppIcon));

    UiThreadObserver::Handlers handlers;
    handlers.panelChanged = [this](const tvq::PanelState& s) { render(s); };
    handlers.infoChanged = [this](const tvq::InfoText& t) { setInfo(t); };
    handlers.connectFinished = [this](tvq::ConnectOutcome o) { onConnectFinished(o); };
    observer_ = std::make_unique<UiThreadObserver>(this, std::move(handlers));
    session_ =
        std::make_unique<tvq::Session>(*observer_, deps_.clock ? *deps_.clock : tvq::systemClock(),
                                       deps_.opener, deps_.timing, deps_.attacher);

    // Linux window managers offer no system menu to extend; the window's context menu holds
    // the About entry instead.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    findAction_->setObjectName(QStringLiteral("findProcessorsAction"));
    addAction(separator);
    addAction(findAction_);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    fillPortList();
    fillAddressList();
    w_.englishRadio->setChecked(true);
    showAddress(session_->deviceAddress());
    for (auto* box : w_.planKindBoxes) box->setChecked(true);
    render(session_->snapshot());
    w_.timerPanel->hide();

    tabIntoMarkedRadios(this);
    wireControls();
    retranslate();
}

CTVQ418ControlDlg::~CTVQ418ControlDlg() {
    stopPlanScheduler();
}

void CTVQ418ControlDlg::wireControls() {
    auto click = [this](QAbstractButton* b, void (CTVQ418ControlDlg::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    onChosen(w_.serialRadio, this, [this] { onSerialRadio(); });
    onChosen(w_.networkRadio, this, [this] { onNetworkRadio(); });
    onTicked(w_.serviceCheck, this, [this](bool on) { chooseService(on); });
    onTicked(w_.autoConnectBox, this, [this](bool) { onAutoConnectBox(); });
    onTicked(w_.startTimerBox, this, [this](bool) { onStartTimerBox(); });
    onChosen(w_.addressGroup, this, [this](int id) { onAddressRadio(id); });
    connect(w_.addressList, &QComboBox::currentIndexChanged, this,
            &CTVQ418ControlDlg::onAddressList);
    click(w_.connectButton, &CTVQ418ControlDlg::onConnect);
    click(w_.disconnectButton, &CTVQ418ControlDlg::onDisconnect);

    for (std::size_t i = 0; i < w_.sourceButtons.size(); ++i)
        connect(w_.sourceButtons[i], &QPushButton::clicked, this, [this, i] { onSource(i); });
    onChosen(w_.transitionGroup, this, [this](int id) { onTransition(id); });
    for (std::size_t i = 0; i < w_.functionButtons.size(); ++i)
        connect(w_.functionButtons[i], &QPushButton::clicked, this, [this, i] { onFunction(i); });
    for (int m = 0; m < 4; ++m)
        connect(w_.modeButtons[static_cast<std::size_t>(m)], &QPushButton::clicked, this,
                [this, m] { onPipMode(m); });
    onChosen(w_.chineseRadio, this, [this] { onLanguage(true); });
    onChosen(w_.englishRadio, this, [this] { onLanguage(false); });

    onTicked(w_.planKindBoxes[4], this, [this](bool) { onAllBox(); });
    click(w_.startButton, &CTVQ418ControlDlg::onStart);
    click(w_.stopButton, &CTVQ418ControlDlg::onStop);
    click(w_.programButton, &CTVQ418ControlDlg::onProgram);
    click(w_.fastMsButton, &CTVQ418ControlDlg::onFastMs);
    click(w_.setupButton, &CTVQ418ControlDlg::onSetup);
    click(w_.exitButton, &CTVQ418ControlDlg::reject);
    click(w_.expandButton, &CTVQ418ControlDlg::onExpand);
    connect(aboutAction_, &QAction::triggered, this, &CTVQ418ControlDlg::onAbout);
    connect(findAction_, &QAction::triggered, this, &CTVQ418ControlDlg::onFindProcessors);
}

void CTVQ418ControlDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    QDialog::changeEvent(event);
}

void CTVQ418ControlDlg::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the context menu as the Menu key does, where the focus is.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QWidget* at = focusWidget() ? focusWidget() : this;
        const QPoint centre = at->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, centre, at->mapToGlobal(centre));
        QApplication::sendEvent(at, &menu);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTVQ418ControlDlg::reject() {
    const auto answer = boxes_.askYesNoCancel(this, tr("System Information", "exit question"),
                                              tr("Are you sure want to Exit? "));
    if (answer != MessageBoxes::Answer::Yes) return;
    session_->stopWorkers();
    stopPlanScheduler();
    QDialog::reject();
}

void CTVQ418ControlDlg::onAllBox() {
    // The flag starts clear while the boxes start ticked: the first press keeps them ticked.
    allPlansFlag_ = !allPlansFlag_;
    const QSignalBlocker quiet(w_.planKindBoxes[4]);
    for (auto* box : w_.planKindBoxes) box->setChecked(allPlansFlag_);
}

void CTVQ418ControlDlg::onSetup() {
    if (!session_->connected()) {
        boxes_.inform(this, tr("System Information"), tr("Device is not connected"));
        return;
    }
    // The pause lets a worker finish the exchange it is in; it runs on a timer, so the window
    // keeps painting and answering meanwhile.
    if (setupPending_) return;
    setupPending_ = true;
    QTimer::singleShot(deps_.setupPause, this, [this] {
        setupPending_ = false;
        if (!session_->connected()) return;  // disconnected during the pause
        session_->holdWorkers(tvq::kAllWorkers);
        openScreenSetup();
        session_->releaseWorkers();
    });
}

void CTVQ418ControlDlg::onFastMs() {
    session_->stopWorkers();
    openFastMosaic();
    session_->closeLinkAfterDialog();
}

void CTVQ418ControlDlg::onExpand() {
    panelCollapsed_ = !panelCollapsed_;
    w_.timerPanel->setVisible(!panelCollapsed_);
    retranslate();
    layout()->activate();  // take the new width now rather than on the next event pass
    // Widened near the right edge of a small screen (1366 pixels), the window would run off
    // it: pull it back in, never past the left edge.
    if (const QScreen* s = screen()) {
        const QRect room = s->availableGeometry(), frame = frameGeometry();
        const int over = std::min(frame.right() - room.right(), frame.left() - room.left());
        if (over > 0) move(pos() - QPoint(over, 0));
    }
}

void CTVQ418ControlDlg::onAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CTVQ418ControlDlg::openScreenSetup() {
    const tvq::PanelState state = session_->snapshot();
    CSetScreen dialog(*session_, screenGeometry_, deps_.clock ? *deps_.clock : tvq::systemClock(),
                      boxes_,
                      {.connected = session_->connected(),
                       .mainIsDvi = state.mainIsDviFlag,
                       .mosaic = state.mosaicFlag,
                       .bypass = state.bypassFlag},
                      this);
    dialog.exec();
}

void CTVQ418ControlDlg::onFindProcessors() {
    // Connected, the scan shares the session's line with the workers held; otherwise it opens
    // the chosen line itself for as long as it runs.
    const bool overSession = session_->workersRunning() && session_->lineUp();
    if (overSession) session_->holdWorkers(tvq::kAllWorkers);
    CFindProcessorsDlg dialog(*session_, overSession, linkChoice(), deps_.opener, deps_.attacher,
                              this);
    const bool picked = dialog.exec() == QDialog::Accepted && dialog.chosenAddress();
    if (overSession) session_->releaseWorkers();
    if (picked) onAddressList(*dialog.chosenAddress());
}

void CTVQ418ControlDlg::openFastMosaic() {
    CSimpleMosaic screen(*session_, boxes_, deps_.clock ? *deps_.clock : tvq::systemClock(),
                         deps_.wallPauses, this);
    screen.exec();
}
