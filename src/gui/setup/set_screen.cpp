// The screen setup dialog: construction, texts, colours and the read sequences.

#include "gui/setup/set_screen.h"

#include <QCoreApplication>

#include "core/control/session.h"
#include "core/setup/setup_checks.h"
#include "gui/ui/message_boxes.h"

using tvq::setup::RectField;
using tvq::setup::RectTarget;

namespace {

void fillBackground(QWidget* widget, const QColor& colour, QPalette::ColorRole role) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QString number(int value) {
    return QString::number(value);
}

}  // namespace

CSetScreen::CSetScreen(tvq::Session& session, tvq::setup::WindowGeometry& geometry,
                       tvq::Clock& clock, MessageBoxes& boxes, SetupInputs inputs, QWidget* parent)
    : RetranslatingDialog(parent),
      session_(session),
      geometry_(geometry),
      clock_(clock),
      boxes_(boxes),
      inputs_(inputs),
      address_(session.deviceAddress()),
      task_(this) {
    ui_.setupUi(this);
    rectFields_ = {{
        {ui_.mainWidthEdit, ui_.mainXEdit, ui_.mainHeightEdit, ui_.mainYEdit},
        {ui_.pipWidthEdit, ui_.pipXEdit, ui_.pipHeightEdit, ui_.pipYEdit},
        {ui_.inWidthEdit, ui_.inXEdit, ui_.inHeightEdit, ui_.inYEdit},
        {ui_.outWidthEdit, ui_.outXEdit, ui_.outHeightEdit, ui_.outYEdit},
    }};
    thresholds_ = {ui_.redEdit, ui_.greenEdit, ui_.blueEdit};
    for (const auto& fields : rectFields_)
        editFields_.insert(editFields_.end(), fields.begin(), fields.end());
    for (auto* field : {ui_.brightnessEdit, ui_.saturationEdit, ui_.biasEdit, ui_.redEdit,
                        ui_.greenEdit, ui_.blueEdit})
        editFields_.push_back(field);
    changed_.assign(editFields_.size(), false);

    // Tooltips are the same in both languages.
    for (const auto& fields : rectFields_) {
        fields[0]->setToolTip(QStringLiteral(">=64"));
        fields[1]->setToolTip(QStringLiteral(">=0"));
        fields[2]->setToolTip(QStringLiteral(">=48"));
        fields[3]->setToolTip(QStringLiteral(">=0"));
    }
    mainArea_ = ui_.pipPreview->addArea(Qt::green, QStringLiteral("MAIN"));
    pipArea_ = ui_.pipPreview->addArea(Qt::red, QStringLiteral("PIP"));  // PIP sits on top
    ui_.inPreview->addArea(Qt::blue);
    ui_.outPreview->addArea(Qt::yellow);

    fillLists();
    paintLegend();
    // The values this program last knew stand until the read-back replaces them.
    for (std::size_t t = 0; t < tvq::setup::kRectTargets; ++t) {
        const auto target = static_cast<Target>(t);
        const auto& r = geometry_[target];
        const std::array<int, 4> values{r.width, r.x, r.height, r.y};
        for (std::size_t f = 0; f < 4; ++f) rectFields_[t][f]->setText(number(values[f]));
    }
    clearAllChanged();
    wireControls();
    ui_.inSave->setEnabled(
        tvq::setup::inputSaveAllowedAtOpen(inputs.mainIsDvi, inputs.mosaic, inputs.bypass));
    retranslate();
    showCorners();
    showLimits();
    if (inputs_.connected) startReadBack(true);
}

CSetScreen::~CSetScreen() {
    task_.stop();
}

void CSetScreen::done(int result) {
    deferred_.clear();
    task_.stop();
    RetranslatingDialog::done(result);
}

void CSetScreen::retranslate() {
    ui_.retranslateUi(this);
    // Names for assistive tools where a control has no text of its own.
    const auto name = [](QLabel* label, QWidget* field) {
        field->setAccessibleName(label->text().trimmed().remove(QLatin1Char(':')));
    };
    const std::array<std::array<QLabel*, 4>, 4> labels{{
        {ui_.mainWidthLabel, ui_.mainXLabel, ui_.mainHeightLabel, ui_.mainYLabel},
        {ui_.pipWidthLabel, ui_.pipXLabel, ui_.pipHeightLabel, ui_.pipYLabel},
        {ui_.inWidthLabel, ui_.inXLabel, ui_.inHeightLabel, ui_.inYLabel},
        {ui_.outWidthLabel, ui_.outXLabel, ui_.outHeightLabel, ui_.outYLabel},
    }};
    for (std::size_t t = 0; t < 4; ++t)
        for (std::size_t f = 0; f < 4; ++f) name(labels[t][f], rectFields_[t][f]);
    name(ui_.redLabel, ui_.redEdit);
    name(ui_.greenLabel, ui_.greenEdit);
    name(ui_.blueLabel, ui_.blueEdit);
    ui_.brightnessEdit->setAccessibleName(ui_.brightnessBox->title());
    ui_.saturationEdit->setAccessibleName(ui_.saturationBox->title());
    ui_.biasEdit->setAccessibleName(ui_.biasBox->title());
    const QString up = tr("%1 up"), down = tr("%1 down");
    const std::array<QToolButton*, 3> ups{ui_.redUp, ui_.greenUp, ui_.blueUp};
    const std::array<QToolButton*, 3> downs{ui_.redDown, ui_.greenDown, ui_.blueDown};
    for (std::size_t i = 0; i < 3; ++i) {
        ups[i]->setAccessibleName(up.arg(thresholds_[i]->accessibleName()));
        downs[i]->setAccessibleName(down.arg(thresholds_[i]->accessibleName()));
    }
    ui_.infoLine->setAccessibleName(ui_.infoLabel->text());
    ui_.outputFormatList->setAccessibleName(ui_.outputFormatBox->title());
    ui_.pipPreview->setAccessibleName(ui_.pipSizeBox->title());
    ui_.inPreview->setAccessibleName(ui_.inputBox->title());
    ui_.outPreview->setAccessibleName(ui_.outputBox->title());
}

void CSetScreen::fillLists() {
    for (const auto& format : tvq::setup::kOutputFormats)
        ui_.outputFormatList->addItem(
            QString::fromLatin1(format.text.data(), static_cast<qsizetype>(format.text.size())));
    for (auto* list : {ui_.audio1List, ui_.audio2List})
        for (const auto entry : tvq::setup::kAudioEntries)
            list->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
    ui_.audio2List->setCurrentIndex(1);  // the two lists never show one entry
}

void CSetScreen::paintLegend() {
    const std::array<std::pair<QLabel*, QColor>, 7> swatches{{
        {ui_.notSavedSwatch, kUnsaved},
        {ui_.savedSwatch, kSaved},
        {ui_.mainAreaSwatch, Qt::green},
        {ui_.pipAreaSwatch, Qt::red},
        {ui_.outputAreaSwatch, Qt::yellow},
        {ui_.inputAreaSwatch, Qt::blue},
        {ui_.bgAreaSwatch, Qt::black},
    }};
    for (const auto& [swatch, colour] : swatches) fillBackground(swatch, colour, QPalette::Window);
    for (auto* limit : {ui_.mainHoriLimit, ui_.mainVertLimit, ui_.pipHoriLimit, ui_.pipVertLimit,
                        ui_.inHoriLimit, ui_.inVertLimit, ui_.outHoriLimit, ui_.outVertLimit}) {
        limit->setAutoFillBackground(true);
        fillBackground(limit, kSaved, QPalette::Window);
    }
}

bool CSetScreen::isChanged(const QLineEdit* field) const {
    for (std::size_t i = 0; i < editFields_.size(); ++i)
        if (editFields_[i] == field) return changed_[i];
    return false;
}

void CSetScreen::markChanged(QLineEdit* field, bool changed) {
    for (std::size_t i = 0; i < editFields_.size(); ++i) {
        if (editFields_[i] != field) continue;
        changed_[i] = changed;
        fillBackground(field, changed ? kUnsaved : kSaved, QPalette::Base);
    }
}

void CSetScreen::clearChanged(std::initializer_list<QLineEdit*> fields) {
    for (auto* field : fields) markChanged(field, false);
}

void CSetScreen::clearAllChanged() {
    for (auto* field : editFields_) markChanged(field, false);
}

void CSetScreen::setSetupControls(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui_.mainSave, ui_.pipSave, ui_.outSave, ui_.brightnessSave, ui_.saturationSave,
             ui_.biasSave, ui_.textSave, ui_.audioSave, ui_.hotSpareSave, ui_.sharpNormalRadio,
             ui_.sharpSharpRadio, ui_.mode1Radio, ui_.mode2Radio, ui_.mode3Radio, ui_.mode4Radio})
        control->setEnabled(enabled);
}

void CSetScreen::whenFree(std::function<void()> action) {
    // A click that arrives while a sequence runs is carried out after it, in order, as it
    // would be had the sequence held the window.
    if (task_.busy())
        deferred_.push_back(std::move(action));
    else
        action();
}

void CSetScreen::runDeferred() {
    while (!deferred_.empty() && !task_.busy()) {
        auto action = std::move(deferred_.front());
        deferred_.pop_front();
        action();
    }
}

void CSetScreen::startReadBack(bool discardFirst) {
    setSetupControls(false);
    auto& session = session_;
    auto& clock = clock_;
    const std::uint8_t address = address_;
    task_.start(
        [this, &session, &clock, address, discardFirst](std::stop_token stop,
                                                        const DeviceTask::Post& post) {
            // A late reply to something sent before the dialog opened would pass for page 3.
            if (discardFirst) session.link().discardPending();
            tvq::setup::readBack(
                [&session](const Frame& frame, Frame& reply, std::int32_t timeoutMs,
                           std::stop_token s) {
                    return session.exchange(frame, reply, timeoutMs, s);
                },
                address, clock, stop,
                [this, &post](const tvq::setup::ReadStep& step) {
                    post([this, step] { applyStep(step); });
                });
        },
        [this] {
            finishReadBack();
            runDeferred();
        });
}

void CSetScreen::applyStep(const tvq::setup::ReadStep& step) {
    if (step.reading) {
        ui_.progressLabel->setText(tr("Reading page %1...").arg(step.page));
        return;
    }
    if (!step.answered) return;
    const auto& s = step.settings;
    filling_ = true;
    switch (step.page) {
        case tvq::setup::kOutputPage:
            if (const auto resolution = tvq::setup::formatResolution(s.output->formatIndex)) {
                ui_.outputFormatList->setCurrentIndex(s.output->formatIndex);
                output_ = *resolution;
            }
            showCorners();
            fillRect(RectTarget::Output, s.output->output);
            redraw(RectTarget::Output);
            break;
        case tvq::setup::kStatusPage:
            if (s.status) ui_.inSave->setEnabled(s.status->inputSaveAllowed);
            break;
        case tvq::setup::kMainPage:
            if (const auto code = tvq::setup::saveCodeOfReported(s.main->mode)) {
                checkModeRadio(s.main->mode);
                saveCode_ = *code;
            }
            fillRect(RectTarget::Main, s.main->rect);
            redraw(RectTarget::Main);
            break;
        case tvq::setup::kPipPage:
            fillRect(RectTarget::Pip, *s.pip);
            redraw(RectTarget::Pip);
            break;
        case tvq::setup::kInputPage:
            setPair(ui_.noSyncRadio, ui_.syncRadio, s.input->syncMosaic);
            fillRect(RectTarget::Input, s.input->input);
            redraw(RectTarget::Input);
            break;
        case tvq::setup::kPicturePage: {
            const auto& p = *s.picture;
            ui_.biasEdit->setText(number(p.bias));
            ui_.brightnessEdit->setText(number(p.brightness));
            ui_.saturationEdit->setText(number(p.saturation));
            setPair(ui_.sharpNormalRadio, ui_.sharpSharpRadio, p.sharp);
            // A code that names no source leaves its list as it was.
            if (const auto at = tvq::setup::audioPositionOfCode(p.audio1))
                ui_.audio1List->setCurrentIndex(static_cast<int>(*at));
            if (const auto at = tvq::setup::audioPositionOfCode(p.audio2))
                ui_.audio2List->setCurrentIndex(static_cast<int>(*at));
            const std::array<QCheckBox*, 4> spares{ui_.hotSpare0, ui_.hotSpare1, ui_.hotSpare2,
                                                   ui_.hotSpare3};
            for (std::size_t i = 0; i < spares.size(); ++i) spares[i]->setChecked(p.hotSpare[i]);
            break;
        }
        case tvq::setup::kTextKeyPage:
            setPair(ui_.textBelowRadio, ui_.textAboveRadio, s.textKey->above);
            for (std::size_t i = 0; i < 3; ++i) thresholds_[i]->setText(number(s.textKey->rgb[i]));
            break;
        default:
            break;
    }
    filling_ = false;
}

void CSetScreen::finishReadBack() {
    ui_.progressLabel->clear();
    clearAllChanged();
    showLimits();
    setSetupControls(true);
}

void CSetScreen::showCorners() {
    const QString corner = QStringLiteral("(%1,%2)").arg(output_.width).arg(output_.height);
    for (auto* label : {ui_.pipBottomRight, ui_.inBottomRight, ui_.outBottomRight})
        label->setText(corner);
}

void CSetScreen::showLimits() {
    const QString wide = QStringLiteral("<=%1").arg(output_.width);
    const QString high = QStringLiteral("<=%1").arg(output_.height);
    for (auto* label : {ui_.mainHoriLimit, ui_.pipHoriLimit, ui_.inHoriLimit, ui_.outHoriLimit})
        label->setText(wide);
    for (auto* label : {ui_.mainVertLimit, ui_.pipVertLimit, ui_.inVertLimit, ui_.outVertLimit})
        label->setText(high);
}

void CSetScreen::onModeRadio(unsigned mode) {
    setSetupControls(false);
    auto& session = session_;
    auto& clock = clock_;
    const std::uint8_t address = address_;
    task_.start(
        [this, &session, &clock, address, mode](std::stop_token stop,
                                                const DeviceTask::Post& post) {
            post([this, mode] {
                ui_.progressLabel->setText(
                    tr("Reading page %1...").arg(tvq::setup::modeMainPage(mode)));
            });
            const auto rects = tvq::setup::readModeRects(
                [&session](const Frame& frame, Frame& reply, std::int32_t timeoutMs,
                           std::stop_token s) {
                    return session.exchange(frame, reply, timeoutMs, s);
                },
                address, mode, clock, stop);
            post([this, rects, mode] { showMode(rects, mode); });
        },
        [this] { runDeferred(); });
}

void CSetScreen::showMode(const tvq::setup::ModeRects& rects, unsigned mode) {
    if (rects.main) {
        if (rects.main->mode < tvq::setup::kPipModes) checkModeRadio(rects.main->mode);
        fillRect(RectTarget::Main, rects.main->rect);
        redraw(RectTarget::Main);
    }
    if (rects.pip) {
        fillRect(RectTarget::Pip, *rects.pip);
        redraw(RectTarget::Pip);
    }
    for (auto target : {RectTarget::Main, RectTarget::Pip})
        for (auto* field : rectFields_[static_cast<std::size_t>(target)]) markChanged(field, false);
    ui_.progressLabel->clear();
    setSetupControls(true);
    saveCode_ = tvq::setup::saveCodeOf(mode);
}

void CSetScreen::checkModeRadio(unsigned mode) {
    const std::array<QRadioButton*, 4> radios{ui_.mode1Radio, ui_.mode2Radio, ui_.mode3Radio,
                                              ui_.mode4Radio};
    radios[mode]->setChecked(true);  // the radios are exclusive: the others clear
}

void CSetScreen::setPair(QRadioButton* off, QRadioButton* on, bool isOn) {
    (isOn ? on : off)->setChecked(true);
}

void CSetScreen::fillRect(Target target, const tvq::setup::WindowRect& rect) {
    geometry_[target] = rect;
    const auto& fields = rectFields_[static_cast<std::size_t>(target)];
    fields[0]->setText(number(rect.width));
    fields[1]->setText(number(rect.x));
    fields[2]->setText(number(rect.height));
    fields[3]->setText(number(rect.y));
}

void CSetScreen::redraw(Target target) {
    const auto& r = geometry_[target];
    const auto placeIn = [&](SetupPreview* preview, int area) {
        const auto at = tvq::setup::previewPlace(r.x, r.width, r.y, r.height, output_,
                                                 preview->width(), preview->height());
        preview->place(area, QRect(at.left, at.top, at.width, at.height));
    };
    switch (target) {
        case RectTarget::Main:
            placeIn(ui_.pipPreview, mainArea_);
            break;
        case RectTarget::Pip:
            placeIn(ui_.pipPreview, pipArea_);
            break;
        case RectTarget::Input:
            placeIn(ui_.inPreview, 0);
            break;
        case RectTarget::Output:
            placeIn(ui_.outPreview, 0);
            break;
    }
}

QLineEdit* CSetScreen::rectField(Target target, RectField field) const {
    return rectFields_[static_cast<std::size_t>(target)][static_cast<std::size_t>(field)];
}

void CSetScreen::showInfo(tvq::MessageId message) {
    const QString text =
        QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(message).data());
    ui_.infoLine->setText(text);
    ui_.infoLine->setAccessibleDescription(text);
}

void CSetScreen::refuse(tvq::MessageId message) {
    boxes_.inform(
        this, tr("System Information"),
        QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(message).data()));
}
