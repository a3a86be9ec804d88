// The screen setup dialog: what its controls do, and the writes they send.

#include <QSignalBlocker>
#include <memory>

#include "core/control/session.h"
#include "core/setup/setup_checks.h"
#include "core/setup/setup_frames.h"
#include "gui/setup/set_screen.h"
#include "gui/ui/choice.h"
#include "gui/ui/message_boxes.h"

using tvq::setup::CheckOutcome;
using tvq::setup::RectTarget;

namespace {

std::optional<std::int32_t> valueOf(const QLineEdit* field) {
    return tvq::setup::parseFieldValue(field->text().toStdString());
}

}  // namespace

void CSetScreen::wireControls() {
    for (auto* field : editFields_)
        connect(field, &QLineEdit::textChanged, this, [this, field] { markChanged(field, true); });

    const auto onClick = [this](QAbstractButton* b, std::function<void()> action) {
        connect(b, &QAbstractButton::clicked, this, [this, action] { whenFree(action); });
    };
    onClick(ui_.mainSave, [this] { saveRect(RectTarget::Main); });
    onClick(ui_.pipSave, [this] { saveRect(RectTarget::Pip); });
    onClick(ui_.inSave, [this] { saveRect(RectTarget::Input); });
    onClick(ui_.outSave, [this] { saveRect(RectTarget::Output); });
    onClick(ui_.brightnessSave, [this] { saveLevel(ui_.brightnessEdit, 0); });
    onClick(ui_.saturationSave, [this] { saveLevel(ui_.saturationEdit, 1); });
    onClick(ui_.biasSave, [this] { saveLevel(ui_.biasEdit, 2); });
    onClick(ui_.textSave, [this] { saveTextKey(); });
    onClick(ui_.audioSave, [this] { saveAudio(); });
    onClick(ui_.hotSpareSave, [this] { saveHotSpare(); });
    onClick(ui_.refreshButton, [this] { startReadBack(false); });
    // Radios act on being marked (a click, a key, or an assistive tool's toggle, which emits no
    // click). A send may wait for a read-back that marks the device's choice meanwhile; the
    // operator's choice is marked again as it goes out.
    const auto onRadio = [this](QRadioButton* radio, auto frameOf) {
        onChosen(radio, this, [this, radio, frameOf] {
            whenFree([this, radio, frameOf] {
                const QSignalBlocker quiet(radio);
                radio->setChecked(true);
                sendRadio(frameOf(address_));
            });
        });
    };
    onRadio(ui_.sharpNormalRadio,
            [](std::uint8_t a) { return tvq::setup::sharpnessFrame(a, false); });
    onRadio(ui_.sharpSharpRadio,
            [](std::uint8_t a) { return tvq::setup::sharpnessFrame(a, true); });
    onRadio(ui_.noSyncRadio, [](std::uint8_t a) { return tvq::setup::syncMosaicFrame(a, false); });
    onRadio(ui_.syncRadio, [](std::uint8_t a) { return tvq::setup::syncMosaicFrame(a, true); });
    const std::array<QRadioButton*, 4> modes{ui_.mode1Radio, ui_.mode2Radio, ui_.mode3Radio,
                                             ui_.mode4Radio};
    for (unsigned m = 0; m < modes.size(); ++m)
        onChosen(modes[m], this, [this, m] { whenFree([this, m] { onModeRadio(m); }); });

    const std::array<QToolButton*, 3> ups{ui_.redUp, ui_.greenUp, ui_.blueUp};
    const std::array<QToolButton*, 3> downs{ui_.redDown, ui_.greenDown, ui_.blueDown};
    for (std::size_t i = 0; i < 3; ++i) {
        connect(ups[i], &QToolButton::clicked, this, [this, i] { onThresholdArrow(i, true); });
        connect(downs[i], &QToolButton::clicked, this, [this, i] { onThresholdArrow(i, false); });
    }
    connect(ui_.audio1List, &QComboBox::currentIndexChanged, this, [this] { onAudioList(0); });
    connect(ui_.audio2List, &QComboBox::currentIndexChanged, this, [this] { onAudioList(1); });
    connect(ui_.exitButton, &QPushButton::clicked, this, &CSetScreen::reject);
}

void CSetScreen::write(const Frame& frame, std::function<void()> accepted,
                       std::function<void()> failed, std::function<void()> finish) {
    struct Outcome {
        int result = 0;
        Frame reply{};
    };
    auto outcome = std::make_shared<Outcome>();
    auto& session = session_;
    task_.start(
        [&session, frame, outcome](std::stop_token stop, const DeviceTask::Post&) {
            outcome->result =
                session.exchange(frame, outcome->reply, tvq::setup::kWriteTimeoutMs, stop);
        },
        [this, frame, outcome, accepted, failed, finish] {
            const auto judged = tvq::setup::judgeWrite(outcome->result, frame, outcome->reply);
            if (judged != tvq::setup::WriteOutcome::Ignored)
                showInfo(tvq::setup::writeMessage(judged));
            if (judged == tvq::setup::WriteOutcome::Accepted && accepted) accepted();
            if (judged == tvq::setup::WriteOutcome::Failed && failed) failed();
            if (finish) finish();
            runDeferred();
        });
}

void CSetScreen::saveRect(Target target) {
    setSetupControls(false);
    const auto& fields = rectFields_[static_cast<std::size_t>(target)];
    const std::array<std::optional<std::int32_t>, 4> values{valueOf(fields[0]), valueOf(fields[1]),
                                                            valueOf(fields[2]), valueOf(fields[3])};
    const auto check = tvq::setup::checkRect(values, output_);
    QLineEdit* named = rectField(target, check.field);
    if (check.outcome != CheckOutcome::Ok) {
        refuse(tvq::setup::refusalMessage(check.outcome));
        if (check.outcome == CheckOutcome::OutOfRange)
            named->clear();
        else
            markChanged(named, true);
        setSetupControls(true);
        return;
    }
    const auto old = geometry_.replace(target, check.rect);
    const bool modeRect = target == RectTarget::Main || target == RectTarget::Pip;
    write(
        tvq::setup::rectFrame(address_, target, saveCode_, check.rect),
        [this, target, modeRect] {
            for (auto* field : rectFields_[static_cast<std::size_t>(target)])
                markChanged(field, false);
            geometry_.markKnown(target);
            if (modeRect) {
                redraw(RectTarget::Main);
                redraw(RectTarget::Pip);
            } else {
                redraw(target);
            }
        },
        [this, target, old] { geometry_[target] = old; }, [this] { setSetupControls(true); });
}

void CSetScreen::saveLevel(QLineEdit* field, int level) {
    setSetupControls(false);
    const auto which = static_cast<tvq::setup::Level>(level);
    const auto value = valueOf(field);
    const auto outcome = tvq::setup::checkLevel(which, value);
    if (outcome != CheckOutcome::Ok) {
        refuse(tvq::setup::refusalMessage(outcome));
        if (outcome == CheckOutcome::OutOfRange) field->setText(QStringLiteral("0"));
        setSetupControls(true);
        return;
    }
    const auto byte = static_cast<std::uint8_t>(*value);
    const Frame frame =
        which == tvq::setup::Level::Brightness   ? tvq::setup::brightnessFrame(address_, byte)
        : which == tvq::setup::Level::Saturation ? tvq::setup::saturationFrame(address_, byte)
                                                 : tvq::setup::biasFrame(address_, byte);
    write(
        frame, [this, field] { markChanged(field, false); }, {},
        [this] { setSetupControls(true); });
}

void CSetScreen::saveTextKey() {
    setSetupControls(false);
    const std::array<std::optional<std::int32_t>, 3> values{
        valueOf(thresholds_[0]), valueOf(thresholds_[1]), valueOf(thresholds_[2])};
    if (const auto bad = tvq::setup::firstBadThreshold(values)) {
        refuse(tvq::MessageId::ValueOutOfRange);
        thresholds_[*bad]->setText(QStringLiteral("0"));
        setSetupControls(true);
        return;
    }
    const std::array<std::uint8_t, 3> rgb{static_cast<std::uint8_t>(*values[0]),
                                          static_cast<std::uint8_t>(*values[1]),
                                          static_cast<std::uint8_t>(*values[2])};
    write(
        tvq::setup::textKeyFrame(address_, ui_.textAboveRadio->isChecked(), rgb),
        [this] {
            clearChanged({thresholds_[0], thresholds_[1], thresholds_[2]});
        },
        {}, [this] { setSetupControls(true); });
}

void CSetScreen::saveAudio() {
    setSetupControls(false);
    const auto code = [](const QComboBox* list) {
        return tvq::setup::audioCodeOfPosition(
            static_cast<std::size_t>(std::max(0, list->currentIndex())));
    };
    write(tvq::setup::audioFrame(address_, code(ui_.audio1List), code(ui_.audio2List)), {}, {},
          [this] { setSetupControls(true); });
}

void CSetScreen::saveHotSpare() {
    setSetupControls(false);
    const std::array<bool, 4> marks{ui_.hotSpare0->isChecked(), ui_.hotSpare1->isChecked(),
                                    ui_.hotSpare2->isChecked(), ui_.hotSpare3->isChecked()};
    write(tvq::setup::hotSpareFrame(address_, marks), {}, {}, [this] { setSetupControls(true); });
}

void CSetScreen::sendRadio(const Frame& frame) {
    write(frame, {}, {}, {});  // a radio sends at once and leaves the other controls alone
}

void CSetScreen::onThresholdArrow(std::size_t channel, bool up) {
    QLineEdit* field = thresholds_[channel];
    const auto step = tvq::setup::stepThreshold(
        valueOf(field).value_or(0), static_cast<tvq::setup::Channel>(channel),
        up ? tvq::setup::Direction::Up : tvq::setup::Direction::Down);
    if (step.refusal != tvq::MessageId::None) {
        boxes_.inform(this, QString(),
                      QCoreApplication::translate(tvq::kMessageContext,
                                                  tvq::englishText(step.refusal).data()));
        return;
    }
    field->setText(QString::number(step.value));
}

void CSetScreen::onAudioList(std::size_t changed) {
    if (!busy()) setSetupControls(true);  // the audio Save waits for both channels
    if (filling_ || ui_.audio1List->currentIndex() < 0 || ui_.audio2List->currentIndex() < 0)
        return;
    const std::array<QComboBox*, 2> lists{ui_.audio1List, ui_.audio2List};
    const auto at = [](const QComboBox* list) {
        return static_cast<std::size_t>(std::max(0, list->currentIndex()));
    };
    const auto rule = tvq::setup::sameChannelRule(at(lists[changed]), at(lists[1 - changed]));
    if (!rule.refused) return;
    boxes_.inform(
        this, QString(),
        QCoreApplication::translate(tvq::kMessageContext,
                                    tvq::englishText(tvq::MessageId::SameAudioChannel).data()));
    lists[changed]->setCurrentIndex(static_cast<int>(rule.position));
}
