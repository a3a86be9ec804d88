// The front panel of the main window: button presses go to the Session, and the Session's
// snapshots come back here to light lamps, mark radios and enable controls.

#include <QButtonGroup>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <memory>

#include "core/link/sources.h"
#include "gui/control/main_window.h"
#include "gui/panel/language.h"
#include "gui/ui/indicator_lamp.h"

namespace {

// Marks radio `mark` of the group, or none when mark is out of range.
template <std::size_t N>
void showMark(QButtonGroup* group, const std::array<QRadioButton*, N>& radios, int mark) {
    // The device's state, not a press: nothing is to be sent for it.
    const QSignalBlocker quiet(group);
    std::array<std::unique_ptr<QSignalBlocker>, N> radiosQuiet;
    for (std::size_t i = 0; i < N; ++i)
        radiosQuiet[i] = std::make_unique<QSignalBlocker>(radios[i]);
    if (mark >= 0 && mark < static_cast<int>(N)) {
        radios[static_cast<std::size_t>(mark)]->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (auto* radio : radios) radio->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

void CTVQ418ControlDlg::render(const tvq::PanelState& state) {
    for (std::size_t i = 0; i < tvq::kLightCount; ++i)
        w_.lamps[i]->setState(state.lightShown[i], state.blinkSet[i], state.stateUnknown);
    showMark(w_.transitionGroup, w_.transitionRadios, state.transitionMark);
    showMark(w_.extGroup, w_.extRadios, state.extMark);
    for (std::size_t i = 0; i < tvq::kControlCount; ++i) {
        if (QWidget* control = w_.control(static_cast<tvq::Control>(i)))
            control->setEnabled(state.enabled[i]);
    }
}

void CTVQ418ControlDlg::setInfo(const tvq::InfoText& info) {
    // Kept, so that a change of language shows the message again in the new one. The argument
    // goes in after translation, so that it lands where the translation puts "%1".
    info_ = info;
    QString text =
        info.id == tvq::MessageId::None
            ? QString::fromStdString(info.literal)
            : QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(info.id).data());
    if (info.id != tvq::MessageId::None && text.contains(QLatin1String("%1")))
        text = text.arg(QString::fromStdString(info.argument));
    w_.infoLine->setText(text);
    w_.infoLine->setCursorPosition(0);
    w_.infoLine->setAccessibleDescription(text);
    // A long message (a socket's path, say) runs past the line's end: the tip shows it whole.
    w_.infoLine->setToolTip(text);
}

void CTVQ418ControlDlg::onSource(std::size_t index) {
    session_->pressSource(tvq::kSources[index].code);
}

void CTVQ418ControlDlg::onFunction(std::size_t index) {
    // Buttons in panel order: PIP/POP, TEXT, BYPASS, FREEZE, MOSAIC, VGA-AUTO.
    static constexpr std::array<tvq::Toggle, 5> kToggles{tvq::Toggle::Pip, tvq::Toggle::Text,
                                                         tvq::Toggle::Bypass, tvq::Toggle::Freeze,
                                                         tvq::Toggle::Mosaic};
    if (index < kToggles.size())
        session_->pressToggle(kToggles[index]);
    else
        session_->pressVgaAuto();
}

void CTVQ418ControlDlg::onPipMode(int mode) {
    session_->pressPipMode(static_cast<std::uint8_t>(mode));
}

void CTVQ418ControlDlg::onTransition(int transition) {
    session_->pressTransition(static_cast<std::uint8_t>(transition));
}

void CTVQ418ControlDlg::onLanguage(bool chinese) {
    Language::setChinese(chinese);
}
