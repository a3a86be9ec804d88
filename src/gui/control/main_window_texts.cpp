// Every text of the main window that follows the language, set at start and on each switch.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/link/sources.h"
#include "gui/control/main_window.h"
#include "gui/ui/indicator_lamp.h"

void CTVQ418ControlDlg::retranslate() {
    setWindowTitle(tr("Corvane TVQ418 Processor Controller(V2.84)----Network"));
    w_.connectBox->setTitle(tr("Connect", "box around the connection controls"));
    w_.deviceIdBox->setTitle(tr("Device_ID"));
    w_.portLabel->setText(tr("Rs232_Com_Port:"));
    w_.sourceBox->setTitle(tr("Source"));
    w_.infoLabel->setText(tr("Info"));
    w_.timerBox->setTitle(tr("Timer"));
    w_.functionBox->setTitle(tr("Function"));
    w_.pipModeBox->setTitle(tr("PIP_Mode"));
    w_.languageBox->setTitle(tr("CH/EN"));
    w_.transitionBox->setTitle(tr("Cut/Fade"));
    w_.transitionRadios[0]->setText(tr("Cut"));
    w_.transitionRadios[1]->setText(tr("Fade=0.5S"));
    w_.transitionRadios[2]->setText(tr("Fade=1.0S"));
    w_.transitionRadios[3]->setText(tr("Fade=1.5S"));
    w_.connectButton->setText(tr("Connect", "button"));
    w_.disconnectButton->setText(tr("Disconnect"));
    w_.planKindBoxes[0]->setText(tr("Day"));
    w_.planKindBoxes[1]->setText(tr("Week"));
    w_.planKindBoxes[2]->setText(tr("Month"));
    w_.planKindBoxes[3]->setText(tr("Once"));
    w_.planKindBoxes[4]->setText(tr("All"));
    w_.startButton->setText(tr("Start"));
    w_.stopButton->setText(tr("Stop"));
    w_.programButton->setText(tr("Program"));
    w_.setupButton->setText(tr("Setup"));
    w_.fastMsButton->setText(tr("FastMS"));
    w_.exitButton->setText(tr("Exit"));
    w_.currentTimerBox->setTitle(tr("Current Timer"));
    w_.nextTimerBox->setTitle(tr("Next Timer"));
    const std::array<QString, 4> fieldLabels{tr("Time:"), tr("Signal:"), tr("Status:"),
                                             tr("Result:")};
    for (std::size_t i = 0; i < w_.timerLabels.size(); ++i) {
        w_.timerLabels[i]->setText(fieldLabels[i % 4]);
        const QGroupBox* box = i < 4 ? w_.currentTimerBox : w_.nextTimerBox;
        w_.timerFields[i]->setAccessibleName(box->title() + QLatin1Char(' ') + fieldLabels[i % 4]);
    }
    w_.autoConnectBox->setText(tr("AutoConnect"));
    w_.startTimerBox->setText(tr("StartTimer"));
    w_.autoBox->setTitle(tr("Auto"));
    w_.connectionBox->setTitle(tr("Connection settings"));
    w_.linkKindBox->setTitle(tr("Serial/Network"));
    w_.serialBox->setTitle(tr("Serial"));
    w_.serialRadio->setText(tr("Serial"));
    w_.networkBox->setTitle(tr("Network"));
    w_.networkRadio->setText(tr("Network"));
    w_.serviceCheck->setText(tr("Chain service"));

    w_.expandButton->setText(panelCollapsed_ ? QStringLiteral(">>") : QStringLiteral("<<"));
    aboutAction_->setText(tr("关于 TVQ418Control(&A)..."));
    findAction_->setText(tr("Find processors…"));

    // Names for assistive tools where a control shows no text of its own.
    w_.expandButton->setAccessibleName(panelCollapsed_ ? tr("Show the timer display panel")
                                                       : tr("Hide the timer display panel"));
    w_.portList->setAccessibleName(tr("Rs232_Com_Port:"));
    w_.ipBox->setAccessibleName(tr("Network address"));
    w_.tcpPortBox->setAccessibleName(tr("Network port"));
    w_.serviceSocketBox->setAccessibleName(tr("Chain service socket"));
    w_.addressList->setAccessibleName(tr("Device_ID"));
    w_.chineseRadio->setAccessibleName(tr("Chinese"));
    w_.englishRadio->setAccessibleName(tr("English"));
    w_.infoLine->setAccessibleName(tr("Info"));
    for (std::size_t i = 0; i < w_.addressRadios.size(); ++i)
        w_.addressRadios[i]->setAccessibleName(tr("Device_ID") + QLatin1Char(' ') +
                                               QString::number(i));
    // "DVI" and "VGA" are also source keys: say these are the EXT. input's.
    for (QRadioButton* radio : w_.extRadios)
        radio->setAccessibleName(tr("EXT. input %1").arg(radio->text()));

    const QString lightName = tr("%1 light");
    for (std::size_t i = 0; i < tvq::kSources.size(); ++i)
        w_.lamps[i]->setName(lightName.arg(w_.sourceButtons[i]->text()));
    for (std::size_t i = 0; i < w_.functionButtons.size(); ++i)
        w_.lamps[static_cast<std::size_t>(tvq::Light::Pip) + i]->setName(
            lightName.arg(w_.functionButtons[i]->text()));
    for (std::size_t i = 0; i < w_.modeButtons.size(); ++i)
        w_.lamps[static_cast<std::size_t>(tvq::Light::M1) + i]->setName(
            lightName.arg(w_.modeButtons[i]->text()));
    showTimers();
    if (info_) setInfo(*info_);
}
