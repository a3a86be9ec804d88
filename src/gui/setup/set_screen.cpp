// The screen setup dialog: construction, texts, colours and the read sequences.

#include "gui/setup/set_screen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

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
    // The values this program last knew stand until the read-back replaces them; a rectangle
    // never read shows no value rather than a 0 the device never said.
    for (std::size_t t = 0; t < tvq::setup::kRectTargets; ++t) {
        const auto target = static_cast<Target>(t);
        if (geometry_.known(target)) fillRect(target, geometry_[target]);
    }
    clearAllChanged();
    wireControls();
    retranslate();
    showCorners();
    showLimits();
    fitScreen();
    if (inputs_.connected)
        startReadBack(true);
    else
        finishReadBack(true);
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
    // Ten buttons read "Save": the name says which setting each one saves.
    const std::array<std::pair<QPushButton*, QGroupBox*>, 10> saves{{
        {ui_.brightnessSave, ui_.brightnessBox},
        {ui_.saturationSave, ui_.saturationBox},
        {ui_.biasSave, ui_.biasBox},
        {ui_.textSave, ui_.textBox},
        {ui_.audioSave, ui_.audioBox},
        {ui_.hotSpareSave, ui_.hotSpareBox},
        {ui_.mainSave, ui_.mainBox},
        {ui_.pipSave, ui_.pipBox},
        {ui_.inSave, ui_.inputBox},
        {ui_.outSave, ui_.outputBox},
    }};
    for (const auto& [button, box] : saves)
        button->setAccessibleName(tr("Save %1").arg(box->title().replace(QLatin1Char('_'), ' ')));
    // Lists are named by their label, not by the entry they show.
    ui_.ad1Label->setBuddy(ui_.audio1List);
    ui_.ad2Label->setBuddy(ui_.audio2List);
    ui_.audio1List->setAccessibleName(ui_.ad1Label->text());
    ui_.audio2List->setAccessibleName(ui_.ad2Label->text());
    ui_.setupScroll->verticalScrollBar()->setAccessibleName(tr("Scroll up and down"));
    ui_.setupScroll->horizontalScrollBar()->setAccessibleName(tr("Scroll sideways"));
    markUnanswered();
}

// The dialog takes the size its contents want within the screen it opens on; on a small screen
// the settings scroll while Info, Refresh and Exit stay in view.
void CSetScreen::fitScreen() {
    const QMargins margins = ui_.dialogLayout->contentsMargins();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // Sizes as the style will draw them: unpolished widgets give smaller hints.
    ensurePolished();
    const QSize content = ui_.setupContent->sizeHint();
    const QSize wanted(content.width() + margins.left() + margins.right() + bar,
                       content.height() + margins.top() + margins.bottom() +
                           ui_.dialogLayout->spacing() + ui_.bottomLayout->sizeHint().height());
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize frame(16, 40);  // the window manager's frame and title bar
    resize(wanted.boundedTo(shown->availableGeometry().size() - frame));
}

void CSetScreen::fillLists() {
    for (const auto& format : tvq::setup::kOutputFormats)
        ui_.outputFormatList->addItem(
            QString::fromLatin1(format.text.data(), static_cast<qsizetype>(format.text.size())));
    for (auto* list : {ui_.audio1List, ui_.audio2List})
        for (const auto entry : tvq::setup::kAudioEntries)
            list->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
    // Nothing is shown before the device has said it.
    for (auto* list : {ui_.outputFormatList, ui_.audio1List, ui_.audio2List})
        list->setCurrentIndex(-1);
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
    // Audio channels go out only once both are known.
    ui_.audioSave->setEnabled(enabled && ui_.audio1List->currentIndex() >= 0 &&
                              ui_.audio2List->currentIndex() >= 0);
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

void CSetScreen::startReadBack(bool opening) {
    setSetupControls(false);
    showInfo(QString());  // an earlier outcome no longer describes what is shown
    unanswered_.clear();
    for (const auto& read : tvq::setup::kReadBackOrder) unanswered_.insert(read.page);
    auto& session = session_;
    auto& clock = clock_;
    const std::uint8_t address = address_;
    task_.start(
        [this, &session, &clock, address, opening](std::stop_token stop,
                                                   const DeviceTask::Post& post) {
            // A late reply to something sent before the dialog opened would pass for page 3.
            if (opening) session.discardStaleReplies();
            session.runSequence("screen setup read-back", [&] {
                tvq::setup::readBack(
                    [&session](const Frame& frame, Frame& reply, std::int32_t timeoutMs,
                               std::stop_token s) {
                        return session.exchange(frame, reply, timeoutMs, s);
                    },
                    address, clock, stop,
                    [this, &post](const tvq::setup::ReadStep& step) {
                        post([this, step] { applyStep(step); });
                    });
            });
        },
        [this, opening] {
            finishReadBack(opening);
            runDeferred();
        });
}

void CSetScreen::applyStep(const tvq::setup::ReadStep& step) {
    if (step.reading) {
        ui_.progressLabel->setText(tr("Reading page %1...").arg(step.page));
        return;
    }
    if (!step.answered) return;
    unanswered_.erase(step.page);
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

void CSetScreen::finishReadBack(bool opening) {
    ui_.progressLabel->clear();
    clearAllChanged();
    showLimits();
    setSetupControls(true);
    // At opening the main window's flags decide, after whatever page 0 said.
    if (opening)
        ui_.inSave->setEnabled(
            tvq::setup::inputSaveAllowedAtOpen(inputs_.mainIsDvi, inputs_.mosaic, inputs_.bypass));
    markUnanswered();
    sayUnanswered();
    // The values and limits just shown can widen the settings; fit them while the dialog opens.
    if (opening) fitScreen();
}

std::vector<QWidget*> CSetScreen::pageGroups(std::uint8_t page) const {
    switch (page) {
        case tvq::setup::kOutputPage:
            return {ui_.outputBox, ui_.outputFormatBox};
        case tvq::setup::kMainPage:
            return {ui_.pipModeBox, ui_.mainBox};
        case tvq::setup::kPipPage:
            return {ui_.pipBox};
        case tvq::setup::kInputPage:
            return {ui_.inputBox, ui_.mosaicModeBox};
        case tvq::setup::kPicturePage:
            return {ui_.brightnessBox, ui_.saturationBox, ui_.biasBox,
                    ui_.sharpnessBox,  ui_.audioBox,      ui_.hotSpareBox};
        case tvq::setup::kTextKeyPage:
            return {ui_.textBox};
        default:
            return {};  // page 0 fills no field
    }
}

// The groups of unanswered pages carry red titles and say so to assistive tools: what they
// show is not what the device holds.
void CSetScreen::markUnanswered() {
    for (const auto& read : tvq::setup::kReadBackOrder) {
        const bool failed = unanswered_.contains(read.page);
        for (QWidget* group : pageGroups(read.page)) {
            QPalette palette;
            if (failed) palette.setColor(QPalette::WindowText, Qt::red);
            group->setPalette(palette);
            group->setAccessibleDescription(failed ? tr("No answer from the device") : QString());
        }
    }
}

void CSetScreen::sayUnanswered() {
    if (unanswered_.empty()) return;
    QStringList names;
    for (const auto& read : tvq::setup::kReadBackOrder) {
        if (!unanswered_.contains(read.page)) continue;
        const auto groups = pageGroups(read.page);
        if (groups.empty()) names << tr("Status");
        for (QWidget* group : groups)
            names << static_cast<QGroupBox*>(group)->title().replace(QLatin1Char('_'), ' ');
    }
    showInfo(tr("No answer from the device for: %1").arg(names.join(tr(", "))));
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
    // The mode's pages stand in for pages 1 and 2: their groups show whether they answered.
    for (const auto& [page, answered] : {std::pair{tvq::setup::kMainPage, bool(rects.main)},
                                         std::pair{tvq::setup::kPipPage, bool(rects.pip)}}) {
        if (answered)
            unanswered_.erase(page);
        else
            unanswered_.insert(page);
    }
    markUnanswered();
    sayUnanswered();
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

// Marks what the device reported; quietly, as only the operator's choice sends or reads.
void CSetScreen::checkModeRadio(unsigned mode) {
    const std::array<QRadioButton*, 4> radios{ui_.mode1Radio, ui_.mode2Radio, ui_.mode3Radio,
                                              ui_.mode4Radio};
    const QSignalBlocker quiet(radios[mode]);
    radios[mode]->setChecked(true);  // the radios are exclusive: the others clear
}

void CSetScreen::setPair(QRadioButton* off, QRadioButton* on, bool isOn) {
    QRadioButton* marked = isOn ? on : off;
    const QSignalBlocker quiet(marked);
    marked->setChecked(true);
}

void CSetScreen::fillRect(Target target, const tvq::setup::WindowRect& rect) {
    geometry_[target] = rect;
    geometry_.markKnown(target);
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
    showInfo(QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(message).data()));
}

void CSetScreen::showInfo(const QString& text) {
    ui_.infoLine->setText(text);
    ui_.infoLine->setToolTip(text);
    ui_.infoLine->setAccessibleDescription(text);
}

void CSetScreen::refuse(tvq::MessageId message) {
    boxes_.inform(
        this, tr("System Information"),
        QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(message).data()));
}
