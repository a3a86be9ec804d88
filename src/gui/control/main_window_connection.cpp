// The connection side of the main window: link choice, saved settings, device address,
// Connect and Disconnect, and the cascade dialog that follows a connect to address 0.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <memory>

#include "core/control/settings.h"
#include "core/link/serial_port.h"
#include "core/platform/profile_file.h"
#include "gui/control/main_window.h"
#include "gui/control/wait_box.h"
#include "gui/ui/message_boxes.h"
#include "gui/wall/cascade_dialog.h"

std::vector<tvq::PresentPort> presentSerialPorts() {
    std::vector<tvq::PresentPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString openedBy = info.portName();
#else
        const QString openedBy = info.systemLocation();
#endif
        ports.push_back({std::string(tvq::kDeviceNamePrefix) + info.portName().toStdString(),
                         openedBy.toStdString()});
    }
    return ports;
}

void CTVQ418ControlDlg::fillPortList() {
    for (int i = 0; i < 20; ++i) {
#ifdef Q_OS_WIN
        w_.portList->addItem(QStringLiteral("COM%1").arg(i + 1));
#else
        w_.portList->addItem(QStringLiteral("/dev/ttyS%1").arg(i));
#endif
    }
    const auto ports = deps_.listPorts ? deps_.listPorts() : presentSerialPorts();
    for (const auto& port : ports) {
        const QString name = QString::fromStdString(port.portName);
        if (w_.portList->findText(name) < 0) w_.portList->addItem(name);
    }
    const std::string found = tvq::findSerialPort(ports);
    if (found.empty())
        w_.portList->setCurrentIndex(0);
    else
        w_.portList->setCurrentText(QString::fromStdString(found));
}

void CTVQ418ControlDlg::fillAddressList() {
    for (int i = 0; i < 256; ++i) w_.addressList->addItem(QString::number(i));
}

void CTVQ418ControlDlg::readSettings() {
    // What saves of an earlier run left behind when it was killed.
    tvq::ProfileFile::removeStaleTemps(deps_.settingsPath);
    const tvq::ConnectSettings saved = tvq::readConnectSettings(deps_.settingsPath);
    useSerial_ = saved.useSerial;
    {
        // Showing what the file says must not write it back.
        const QSignalBlocker quietSerial(w_.serialRadio), quietNetwork(w_.networkRadio);
        (useSerial_ ? w_.serialRadio : w_.networkRadio)->setChecked(true);
    }
    if (useSerial_ && !saved.serialPort.empty()) {
        // The operator's port, even while it is absent: connecting to another would be worse.
        const QString port = QString::fromStdString(saved.serialPort);
        if (w_.portList->findText(port) < 0) w_.portList->addItem(port);
        w_.portList->setCurrentText(port);
    } else if (!useSerial_) {
        w_.ipBox->setText(QString::fromStdString(saved.ip));
        w_.tcpPortBox->setText(QString::fromStdString(saved.port));
    }
    useService_ = saved.useService || !deps_.serviceSocket.empty();
    {
        const QSignalBlocker quietService(w_.serviceCheck);
        w_.serviceCheck->setChecked(useService_);
        w_.serviceSocketBox->setText(QString::fromStdString(
            deps_.serviceSocket.empty() ? saved.serviceSocket : deps_.serviceSocket));
    }
    showLinkChoice();

    autoConnectFlag_ = saved.autoConnect;
    startTimerFlag_ = saved.startTimer;
    {
        const QSignalBlocker quietAuto(w_.autoConnectBox), quietTimer(w_.startTimerBox);
        w_.autoConnectBox->setChecked(autoConnectFlag_);
        w_.startTimerBox->setChecked(startTimerFlag_);
    }
    w_.startTimerBox->setEnabled(autoConnectFlag_);
    // A service named on the command line is attached to at once.
    if (!autoConnectFlag_ && deps_.serviceSocket.empty()) return;

    session_->setDeviceAddress(saved.deviceAddress);
    showAddress(saved.deviceAddress);
    runConnectJob();
    if (session_->connected() && startTimerFlag_) onStart();
    if (session_->deviceAddress() == 0 && session_->connected()) openCascade();
}

std::error_code CTVQ418ControlDlg::saveSettings() {
    tvq::ConnectSettings s;
    s.useSerial = useSerial_;
    s.ip = w_.ipBox->text().trimmed().toStdString();
    s.port = w_.tcpPortBox->text().trimmed().toStdString();
    s.autoConnect = autoConnectFlag_;
    s.startTimer = startTimerFlag_;
    s.deviceAddress = session_->deviceAddress();
    s.serialPort = w_.portList->currentText().trimmed().toStdString();
    s.useService = useService_;
    s.serviceSocket = w_.serviceSocketBox->text().trimmed().toStdString();
    const std::error_code ec = tvq::saveConnectSettings(deps_.settingsPath, s);
    if (ec) setInfo(tvq::settingsNotSaved(ec));
    return ec;
}

// Only the boxes of the chosen link can be edited.
void CTVQ418ControlDlg::showLinkChoice() {
    w_.ipBox->setEnabled(!useSerial_ && !useService_);
    w_.tcpPortBox->setEnabled(!useSerial_ && !useService_);
    w_.portList->setEnabled(useSerial_ && !useService_);
    w_.serialRadio->setEnabled(!useService_);
    w_.networkRadio->setEnabled(!useService_);
    w_.serviceSocketBox->setEnabled(useService_);
}

void CTVQ418ControlDlg::chooseService(bool on) {
    useService_ = on;
    saveSettings();
    showLinkChoice();
}

void CTVQ418ControlDlg::chooseLink(bool serial) {
    useSerial_ = serial;
    if (const std::error_code ec = tvq::writeSerialTcp(deps_.settingsPath, serial))
        setInfo(tvq::settingsNotSaved(ec));
    showLinkChoice();
}

void CTVQ418ControlDlg::onSerialRadio() {
    chooseLink(true);
}

void CTVQ418ControlDlg::onNetworkRadio() {
    chooseLink(false);
}

void CTVQ418ControlDlg::onAutoConnectBox() {
    autoConnectFlag_ = w_.autoConnectBox->isChecked();
    saveSettings();
    w_.startTimerBox->setEnabled(autoConnectFlag_);
}

void CTVQ418ControlDlg::onStartTimerBox() {
    startTimerFlag_ = w_.startTimerBox->isChecked();
    saveSettings();
}

void CTVQ418ControlDlg::onAddressRadio(int address) {
    session_->setDeviceAddress(static_cast<std::uint8_t>(address));
    showAddress(address);
}

void CTVQ418ControlDlg::onAddressList(int index) {
    if (index < 0) return;
    session_->setDeviceAddress(static_cast<std::uint8_t>(index));
    showAddress(index);
}

// The radios and the list always show the same address; above 6 no radio is marked.
void CTVQ418ControlDlg::showAddress(int address) {
    {
        const QSignalBlocker quiet(w_.addressList);
        w_.addressList->setCurrentIndex(address);
    }
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (auto* radio : w_.addressRadios) quiet.push_back(std::make_unique<QSignalBlocker>(radio));
    if (address >= 0 && address < static_cast<int>(w_.addressRadios.size())) {
        w_.addressRadios[static_cast<std::size_t>(address)]->setChecked(true);
        return;
    }
    w_.addressGroup->setExclusive(false);
    for (auto* radio : w_.addressRadios) radio->setChecked(false);
    w_.addressGroup->setExclusive(true);
}

tvq::LinkChoice CTVQ418ControlDlg::linkChoice() const {
    tvq::LinkChoice choice;
    choice.useSerial = useSerial_;
    choice.portName = w_.portList->currentText().trimmed().toStdString();
    choice.ipText = w_.ipBox->text().trimmed().toStdString();
    choice.portText = w_.tcpPortBox->text().trimmed().toStdString();
    if (useService_) choice.serviceSocket = w_.serviceSocketBox->text().trimmed().toStdString();
    return choice;
}

tvq::ConnectOutcome CTVQ418ControlDlg::runConnectJob() {
    lastOutcome_ = tvq::ConnectOutcome::LinkFailed;
    waitBox_->rearm();
    session_->startConnect(linkChoice());
    waitBox_->exec();
    if (lastOutcome_ == tvq::ConnectOutcome::PortOutOfRange) {
        const auto id = tvq::MessageId::PortOutOfRange;
        boxes_.inform(
            this, QString(),
            QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(id).data()));
    }
    return lastOutcome_;
}

void CTVQ418ControlDlg::onConnectFinished(tvq::ConnectOutcome outcome) {
    lastOutcome_ = outcome;
    waitBox_->finish();
    // A connect while the timer runs (its link had closed) gives the panel back only at Stop;
    // Program must stay shut while the scheduler works on the plans.
    if (scheduler_) {
        session_->setTimerRunning(true);
        session_->setOperationControls(false);
    }
}

void CTVQ418ControlDlg::onConnect() {
    if (session_->deviceAddress() == 0) {
        const auto answer = boxes_.askYesNoCancel(
            this, tr("System Information "),
            tr("Select address 0 set even the state, the software will not be able to display "
               "the status of each machine, whether to continue.?"));
        if (answer != MessageBoxes::Answer::Yes) return;
    }
    const std::error_code notSaved = saveSettings();
    runConnectJob();
    // The connect's own reports cover the Info line; the failed save must not go unseen.
    if (notSaved) setInfo(tvq::settingsNotSaved(notSaved));
    if (session_->deviceAddress() == 0) openCascade();
}

void CTVQ418ControlDlg::openCascade() {
    {
        CJilian cascade(*session_, boxes_, this);
        cascade.exec();
    }
    session_->closeLinkAfterDialog();
}

void CTVQ418ControlDlg::onDisconnect() {
    session_->disconnect();
}
