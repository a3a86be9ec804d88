#include "gui/wall/simple_mosaic.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include "core/control/session.h"
#include "gui/control/wait_box.h"
#include "gui/ui/choice.h"
#include "gui/ui/color_button.h"
#include "gui/ui/message_boxes.h"
#include "gui/wall/spin_button.h"
#include "gui/wall/wall_program_dialog.h"

namespace {

// What the device reports as its output format, by index; two entries read alike.
constexpr const char* kResolutionNames[] = {
    "1024X768@60Hz",  "1024x768@75Hz",  "1280x1024@60Hz", "1280x1024@60Hz", "1600x1200@60Hz",
    "1920x1080@50Hz", "1920x1080@60Hz", "1366x768@60Hz",  "1440x900@60Hz",  "2048x1152@60Hz"};

const QColor kPendingColour(0, 255, 255);
const QColor kWrittenColour(205, 205, 180);

struct Preset {
    const char* name;
    int rows, columns;
};
constexpr Preset kPresets[] = {{"1X1", 1, 1}, {"1X2", 1, 2}, {"1X3", 1, 3}, {"2X1", 2, 1},
                               {"2X2", 2, 2}, {"2X3", 2, 3}, {"3X1", 3, 1}, {"3X2", 3, 2},
                               {"3X3", 3, 3}, {"4X1", 4, 1}, {"4X2", 4, 2}, {"4X3", 4, 3}};

tvq::WallEntry entryOf(const QLineEdit* entry) {
    return tvq::wallEntryFromText(entry->text().toStdString());
}

CSimpleMosaic::Quantity quantityOf(tvq::WindowField f) {
    switch (f) {
        case tvq::WindowField::Width:
            return CSimpleMosaic::Width;
        case tvq::WindowField::HorizontalStart:
            return CSimpleMosaic::HStart;
        case tvq::WindowField::Height:
            return CSimpleMosaic::Height;
        case tvq::WindowField::VerticalStart:
            return CSimpleMosaic::VStart;
    }
    return CSimpleMosaic::Width;
}

tvq::WallSide wallSide(CSimpleMosaic::Side side) {
    return side == CSimpleMosaic::Input ? tvq::WallSide::Input : tvq::WallSide::Output;
}

}  // namespace

CSimpleMosaic::CSimpleMosaic(tvq::Session& session, MessageBoxes& boxes, tvq::Clock& clock,
                             tvq::MosaicPauses pauses, QWidget* parent)
    : RetranslatingDialog(parent),
      session_(session),
      boxes_(boxes),
      clock_(clock),
      pauses_(pauses),
      waitBox_(new CProgress(this)),
      task_(this) {
    ui_.setupUi(this);
    for (const char* name : kResolutionNames) ui_.resolutionList->addItem(QLatin1String(name));
    ui_.resolutionList->setCurrentIndex(-1);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    setMinimumSize(kMinWindowWidth, kMinWindowHeight);
    // The window may be dragged smaller than its controls need; they then overlap the edge.
    ui_.mainLayout->setSizeConstraint(QLayout::SetNoConstraint);
    ui_.mainLayout->setAlignment(ui_.wallPanel, Qt::AlignLeft);

    const std::array<QLineEdit*, 16> fields{
        ui_.inputWidthCalculated,   ui_.inputHeightCalculated,  ui_.inputHStartCalculated,
        ui_.inputVStartCalculated,  ui_.inputWidthAdjusted,     ui_.inputHeightAdjusted,
        ui_.inputHStartAdjusted,    ui_.inputVStartAdjusted,    ui_.outputWidthCalculated,
        ui_.outputHeightCalculated, ui_.outputHStartCalculated, ui_.outputVStartCalculated,
        ui_.outputWidthAdjusted,    ui_.outputHeightAdjusted,   ui_.outputHStartAdjusted,
        ui_.outputVStartAdjusted};
    fields_ = fields;

    for (int n = 1; n <= 255; ++n) ui_.addressList->addItem(QString::number(n));
    ui_.addressList->setCurrentIndex(0);
    ui_.preset1X1->setChecked(true);
    ui_.addressRadio1->setChecked(true);
    wireControls();
    retranslate();
    rebuildGrid();
    resize(kDesignedWindowWidth, kDesignedWindowHeight);
    ui_.wallPanel->setFixedSize(kDesignedPanelWidth, kDesignedPanelHeight);
}

CSimpleMosaic::~CSimpleMosaic() = default;

void CSimpleMosaic::wireControls() {
    auto* presets = new QButtonGroup(this);
    for (int i = 0; i < static_cast<int>(std::size(kPresets)); ++i) {
        auto* radio =
            findChild<QAbstractButton*>(QStringLiteral("preset") + QLatin1String(kPresets[i].name));
        presets->addButton(radio, i);
    }
    onChosen(presets, this, [this](int i) { onPreset(kPresets[i].rows, kPresets[i].columns); });
    connect(ui_.wallSizeOkButton, &QPushButton::clicked, this, &CSimpleMosaic::onWallSizeOk);
    connect(ui_.wallPanel, &CWallGrid::cellClicked, this, &CSimpleMosaic::onCellClicked);
    connect(ui_.autoCalcButton, &QPushButton::clicked, this, &CSimpleMosaic::onAutoCalculate);

    const std::array<SpinButton*, 8> spins{
        ui_.inputWidthSpin,  ui_.inputHeightSpin,  ui_.inputHStartSpin,  ui_.inputVStartSpin,
        ui_.outputWidthSpin, ui_.outputHeightSpin, ui_.outputHStartSpin, ui_.outputVStartSpin};
    for (int i = 0; i < 8; ++i) {
        const int f = field(i < 4 ? Input : Output, true, static_cast<Quantity>(i % 4));
        connect(spins[static_cast<std::size_t>(i)], &SpinButton::stepped, this,
                [this, f](int delta) { onSpin(f, delta); });
    }

    auto* addresses = new QButtonGroup(this);
    for (int n = 1; n <= 9; ++n)
        addresses->addButton(findChild<QAbstractButton*>(QStringLiteral("addressRadio%1").arg(n)),
                             n);
    onChosen(addresses, this, [this](int n) { onAddressRadio(n); });
    connect(ui_.addressList, &QComboBox::activated, this, &CSimpleMosaic::onAddressList);
    connect(ui_.connectButton, &QPushButton::clicked, this, &CSimpleMosaic::onConnect);
    connect(ui_.detectButton, &QPushButton::clicked, this, &CSimpleMosaic::onDetect);
    connect(ui_.inputSetButton, &QPushButton::clicked, this, [this] { onSet(Input); });
    connect(ui_.outputSetButton, &QPushButton::clicked, this, [this] { onSet(Output); });
    onChosen(ui_.noSyncRadio, this, [this] { onMosaicMode(false); });
    onChosen(ui_.syncRadio, this, [this] { onMosaicMode(true); });
    connect(ui_.programWallButton, &QPushButton::clicked, this, &CSimpleMosaic::onProgramWall);
    connect(ui_.exitButton, &QPushButton::clicked, this, &CSimpleMosaic::accept);
}

void CSimpleMosaic::retranslate() {
    ui_.retranslateUi(this);
    // Texts that carry values, and the resolution names the form leaves to code.
    formatWallTitle();
    showBoxTitles();
    nameControls();
    describeOutcomes();
}

// Names for assistive tools: each says what the control is. Left to the toolkit, an entry would
// take its box's title and a list its current value.
void CSimpleMosaic::nameControls() {
    ui_.rowsEntry->setAccessibleName(tr("Rows of the wall"));
    ui_.columnsEntry->setAccessibleName(tr("Columns of the wall"));
    ui_.addressList->setAccessibleName(tr("Device address"));
    for (int n = 1; n <= 9; ++n)
        findChild<QWidget*>(QStringLiteral("addressRadio%1").arg(n))
            ->setAccessibleName(tr("Device address %1").arg(n));
    ui_.inputSetButton->setAccessibleName(tr("Set the input window"));
    ui_.outputSetButton->setAccessibleName(tr("Set the output window"));
    ui_.resolutionList->setAccessibleName(ui_.resolutionBox->title());
    ui_.bezelHSpin->setAccessibleName(tr("Horizontal bezel in pixels"));
    ui_.bezelVSpin->setAccessibleName(tr("Vertical bezel in pixels"));
    const std::array<QLabel*, 8> rowLabels{
        ui_.inputWidthLabel,  ui_.inputHeightLabel,  ui_.inputHStartLabel,  ui_.inputVStartLabel,
        ui_.outputWidthLabel, ui_.outputHeightLabel, ui_.outputHStartLabel, ui_.outputVStartLabel};
    const std::array<SpinButton*, 8> spins{
        ui_.inputWidthSpin,  ui_.inputHeightSpin,  ui_.inputHStartSpin,  ui_.inputVStartSpin,
        ui_.outputWidthSpin, ui_.outputHeightSpin, ui_.outputHStartSpin, ui_.outputVStartSpin};
    const QString heads[] = {ui_.inputCalculatedHead->text().trimmed(),
                             ui_.inputAdjustedHead->text().trimmed()};
    for (Side side : {Input, Output}) {
        const QString sideName = side == Input ? tr("Input") : tr("Output");
        for (Quantity q : {Width, Height, HStart, VStart}) {
            const std::size_t row = static_cast<std::size_t>(side * 4 + q);
            for (bool adjusted : {false, true}) {
                const QString name =
                    tr("%1: %2, %3").arg(sideName, rowLabels[row]->text(), heads[adjusted ? 1 : 0]);
                fields_[static_cast<std::size_t>(field(side, adjusted, q))]->setAccessibleName(
                    name);
                if (adjusted) spins[row]->setTarget(name);
            }
        }
    }
}

void CSimpleMosaic::describeOutcomes() {
    auto describe = [this](QWidget* button, Outcome outcome) {
        switch (outcome) {
            case Outcome::None:
                button->setAccessibleDescription({});
                break;
            case Outcome::Written:
                button->setAccessibleDescription(tr("Written to the device"));
                break;
            case Outcome::NotAccepted:
                button->setAccessibleDescription(tr("Not written: the device did not accept it"));
                break;
            case Outcome::Refused:
                button->setAccessibleDescription(tr("Not written: the values were refused"));
                break;
            case Outcome::NotConnected:
                button->setAccessibleDescription(tr("Not written: not connected"));
                break;
            case Outcome::Ready:
                button->setAccessibleDescription(tr("The device is ready for the wall"));
                break;
            case Outcome::NeedsDvi:
                button->setAccessibleDescription(message(tvq::MessageId::WallCheckDvi));
                break;
            case Outcome::NoAnswer:
                button->setAccessibleDescription(tr("No answer from the device"));
                break;
        }
    };
    describe(ui_.inputSetButton, outcomes_[Input]);
    describe(ui_.outputSetButton, outcomes_[Output]);
    describe(ui_.detectButton, detectOutcome_);
}

void CSimpleMosaic::clearResults() {
    for (int f = 0; f < 16; ++f) {
        values_[static_cast<std::size_t>(f)] = 0;
        fields_[static_cast<std::size_t>(f)]->setText(QStringLiteral("0"));
        setPending(f, false);
    }
    outcomes_ = {Outcome::None, Outcome::None};
    describeOutcomes();
}

QString CSimpleMosaic::message(tvq::MessageId id) const {
    return QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(id).data());
}

// ---- Wall size and grid ----

void CSimpleMosaic::onPreset(int rows, int columns) {
    ui_.rowsEntry->setText(QString::number(rows));
    ui_.columnsEntry->setText(QString::number(columns));
    rows_ = rows;
    columns_ = columns;
    sizeWindow();
    rebuildGrid();
    if (rows >= 3) {
        size_.sizedRows = rows;
        size_.sizedColumns = columns;
    }
}

void CSimpleMosaic::onWallSizeOk() {
    const tvq::WallEntry rows = entryOf(ui_.rowsEntry), columns = entryOf(ui_.columnsEntry);
    if (const auto refusal = tvq::checkWallSize(rows.value_or(0), columns.value_or(0))) {
        boxes_.inform(this, {}, message(*refusal));
        return;
    }
    rows_ = *rows;
    columns_ = *columns;
    sizeWindow();
    rebuildGrid();
    size_.sizedRows = rows_;
    size_.sizedColumns = columns_;
}

void CSimpleMosaic::sizeWindow() {
    size_ = sizeWall(rows_, columns_, size_);
    // Client sizes: the frame a window manager adds differs between desktops.
    ui_.wallPanel->setFixedSize(size_.panelWidth, size_.panelHeight);
    resize(size_.windowWidth, size_.windowHeight);
}

void CSimpleMosaic::rebuildGrid() {
    ui_.wallPanel->build(rows_, columns_, resolutionWidth_, resolutionHeight_);
    wallAddresses_.clear();
    selected_ = 0;
    showBoxTitles();
    // The results belonged to a cell of the old grid; shown beside fresh sizes they would be
    // taken for cell 000's and could be Set to the wrong screen.
    clearResults();
    setActionButtons(false);
}

void CSimpleMosaic::onCellClicked(int k) {
    setActionButtons(false);
    selected_ = k;
    ui_.wallPanel->select(k);
    showBoxTitles();
}

void CSimpleMosaic::showBoxTitles() {
    const QString id = QStringLiteral("%1").arg(selected_, 3, 10, QLatin1Char('0'));
    ui_.inputBox->setTitle(tr("Input（WindowID：%1）").arg(id));
    ui_.outputBox->setTitle(tr("Output（WindowID：%1）").arg(id));
}

void CSimpleMosaic::formatWallTitle() {
    ui_.wallPanel->setTitle(
        tr("Effects show（Please enter each screen width and height values：Width<=%1，"
           "Height<=%2）")
            .arg(resolutionWidth_)
            .arg(resolutionHeight_));
}

// ---- Result fields ----

void CSimpleMosaic::onSpin(int f, int delta) {
    writeField(f, tvq::spinAdjusted(static_cast<std::int16_t>(value(f)), delta));
}

void CSimpleMosaic::writeField(int f, int v) {
    values_[static_cast<std::size_t>(f)] = v;
    fields_[static_cast<std::size_t>(f)]->setText(QString::number(v));
    setPending(f, true);
}

void CSimpleMosaic::setPending(int f, bool pending) {
    pending_[static_cast<std::size_t>(f)] = pending;
    const QColor c = pending ? kPendingColour : kWrittenColour;
    fields_[static_cast<std::size_t>(f)]->setStyleSheet(
        QStringLiteral("QLineEdit { background-color: %1; }").arg(c.name()));
}

void CSimpleMosaic::setActionButtons(bool on) {
    actionsOn_ = on;
    const bool usable = on && !busy();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_.inputSetButton, ui_.outputSetButton,
                                                      ui_.noSyncRadio, ui_.syncRadio})
        w->setEnabled(usable);
}

// While a sequence talks to the device nothing else may start one.
void CSimpleMosaic::setBusy(bool busy) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui_.connectButton, ui_.detectButton, ui_.programWallButton,
                                         ui_.addressList, ui_.bezelHSpin, ui_.bezelVSpin})
        w->setEnabled(!busy);
    for (auto* radio : ui_.connectBox->findChildren<QRadioButton*>()) radio->setEnabled(!busy);
    const bool usable = actionsOn_ && !busy;
    for (QWidget* w : std::initializer_list<QWidget*>{ui_.inputSetButton, ui_.outputSetButton,
                                                      ui_.noSyncRadio, ui_.syncRadio})
        w->setEnabled(usable);
}

// ---- Calculation ----

tvq::WallLayout CSimpleMosaic::wallLayout() const {
    tvq::WallLayout l;
    l.rows = static_cast<unsigned>(rows_);
    l.columns = static_cast<unsigned>(columns_);
    l.selected = static_cast<unsigned>(selected_);
    for (int k = 0; k < ui_.wallPanel->cellCount(); ++k) {
        l.widths.push_back(entryOf(ui_.wallPanel->cell(k)->widthEntry()));
        l.heights.push_back(entryOf(ui_.wallPanel->cell(k)->heightEntry()));
    }
    l.resolution = {static_cast<std::uint16_t>(resolutionWidth_),
                    static_cast<std::uint16_t>(resolutionHeight_)};
    l.bezelH = static_cast<std::uint16_t>(ui_.bezelHSpin->value());
    l.bezelV = static_cast<std::uint16_t>(ui_.bezelVSpin->value());
    return l;
}

void CSimpleMosaic::onAutoCalculate() {
    for (Side side : {Input, Output})
        for (Quantity q : {Width, Height, HStart, VStart}) writeField(field(side, true, q), 0);
    const tvq::WallCalculation calc = tvq::CalculateWindows(wallLayout());
    for (const tvq::WallFailure& failure : calc.failures) {
        boxes_.inform(this, {}, message(failure.message));
        WallCell* cell = ui_.wallPanel->cell(static_cast<int>(failure.cell));
        const bool horizontal = failure.check == tvq::WallCheck::HorizontalEmpty ||
                                failure.check == tvq::WallCheck::WidthRange;
        (horizontal ? cell->widthEntry() : cell->heightEntry())
            ->setText(QString::number(failure.refill));
    }
    if (calc.windows) {
        const tvq::WindowRect* sides[] = {&calc.windows->input, &calc.windows->output};
        for (Side side : {Input, Output}) {
            const tvq::WindowRect& w = *sides[side];
            writeField(field(side, false, Width), w.width);
            writeField(field(side, false, Height), w.height);
            writeField(field(side, false, HStart), w.x);
            writeField(field(side, false, VStart), w.y);
        }
    }
    setActionButtons(true);
}

tvq::WindowRect CSimpleMosaic::windowOf(Side side) const {
    auto sum = [&](Quantity q) {
        return value(field(side, false, q)) + value(field(side, true, q));
    };
    return {sum(Width), sum(Height), sum(HStart), sum(VStart)};
}

// ---- Device ----

void CSimpleMosaic::runOnDevice(std::function<void(const tvq::ExchangeFn&, std::stop_token)> work,
                                std::function<void()> done) {
    tvq::ExchangeFn exchange = [&session = session_](const tvq::CommandFrame& frame,
                                                     tvq::CommandFrame& reply,
                                                     std::int32_t timeoutMs, std::stop_token stop) {
        return session.exchange(frame, reply, timeoutMs, stop);
    };
    const bool started = task_.start(
        [work = std::move(work), exchange, &session = session_](std::stop_token stop,
                                                                const DeviceTask::Post&) {
            session.runSequence("fast mosaic", [&] { work(exchange, stop); });
        },
        [this, done = std::move(done)] {
            setBusy(false);
            done();
        });
    if (started) setBusy(true);
}

void CSimpleMosaic::onAddressRadio(int n) {
    const auto answer = boxes_.askYesNoCancel(this, tr("System Infomation"),
                                              message(tvq::MessageId::WallConnectSerial));
    if (answer != MessageBoxes::Answer::Yes) return;
    deviceAddress_ = static_cast<std::uint8_t>(n);
    ui_.addressList->setCurrentIndex(n - 1);
}

void CSimpleMosaic::onAddressList(int index) {
    deviceAddress_ = static_cast<std::uint8_t>(index + 1);
    auto* group = ui_.addressRadio1->group();
    const QSignalBlocker quiet(group);  // the list has chosen already: no question
    group->setExclusive(false);         // lets every radio go unmarked for an address above 9
    for (auto* radio : group->buttons()) radio->setChecked(group->id(radio) == index + 1);
    group->setExclusive(true);
}

void CSimpleMosaic::onConnect() {
    auto result = std::make_shared<tvq::MosaicConnect>();
    waitBox_->rearm();
    runOnDevice(
        [result, &clock = clock_, address = deviceAddress_, pauses = pauses_](
            const tvq::ExchangeFn& exchange, std::stop_token stop) {
            *result = tvq::connectForWall(exchange, clock, address, stop, pauses);
        },
        [this, result] { applyConnect(*result); });
    if (busy()) waitBox_->exec();
}

void CSimpleMosaic::applyConnect(const tvq::MosaicConnect& r) {
    if (r.format) {
        ui_.resolutionList->setCurrentIndex(r.resolution ? *r.format : -1);
        if (r.resolution) {
            resolutionWidth_ = r.resolution->width;
            resolutionHeight_ = r.resolution->height;
        }
        formatWallTitle();
    }
    if (r.syncMosaic) {
        // What the device reports, not a choice: nothing is to be sent for it.
        const QSignalBlocker quietSync(ui_.syncRadio), quietNoSync(ui_.noSyncRadio);
        ui_.syncRadio->setChecked(*r.syncMosaic);
        ui_.noSyncRadio->setChecked(!*r.syncMosaic);
    }
    if (r.statusAnswered || r.message != tvq::MessageId::None) setActionButtons(r.actionsEnabled);
    connected_ = r.connected;
    // Not wall-ready: told while the wait box still shows. No answer: told once it has gone.
    if (r.message == tvq::MessageId::WallCheckDvi) boxes_.inform(this, {}, message(r.message));
    waitBox_->finish();
    if (r.message == tvq::MessageId::WallCannotConnect) boxes_.inform(this, {}, message(r.message));
}

void CSimpleMosaic::onDetect() {
    auto needsDvi = std::make_shared<tvq::WallDetect>(tvq::WallDetect::NoAnswer);
    runOnDevice([needsDvi, address = deviceAddress_](
                    const tvq::ExchangeFn& exchange,
                    std::stop_token stop) { *needsDvi = tvq::detectWall(exchange, address, stop); },
                [this, needsDvi] {
                    detectOutcome_ = *needsDvi == tvq::WallDetect::NeedsDvi ? Outcome::NeedsDvi
                                     : *needsDvi == tvq::WallDetect::Ready  ? Outcome::Ready
                                                                            : Outcome::NoAnswer;
                    describeOutcomes();
                    if (*needsDvi != tvq::WallDetect::NeedsDvi) return;
                    setActionButtons(false);
                    boxes_.inform(this, {}, message(tvq::MessageId::WallCheckDvi));
                });
}

void CSimpleMosaic::onSet(Side side) {
    setActionButtons(false);
    const tvq::WindowRect window = windowOf(side);
    const tvq::Resolution resolution{static_cast<std::uint16_t>(resolutionWidth_),
                                     static_cast<std::uint16_t>(resolutionHeight_)};
    const tvq::WindowCheck check = tvq::checkWindow(window, resolution);
    if (check.refusal == tvq::WindowCheck::Refusal::OutOfRange) {
        writeField(field(side, true, quantityOf(check.field)), 0);
        boxes_.inform(this, {}, message(check.message));
    } else if (check.refusal == tvq::WindowCheck::Refusal::Odd) {
        boxes_.inform(this, tr("System Information"), message(check.message));
        setPending(field(side, true, quantityOf(check.field)), true);
    }
    if (!check.ok() || !connected_) {
        outcomes_[side] = check.ok() ? Outcome::NotConnected : Outcome::Refused;
        describeOutcomes();
        setActionButtons(true);
        return;
    }
    auto accepted = std::make_shared<bool>(false);
    runOnDevice(
        [accepted, window, resolution, side, address = deviceAddress_](
            const tvq::ExchangeFn& exchange, std::stop_token stop) {
            *accepted = tvq::setWallWindow(exchange, address, wallSide(side), window, resolution,
                                           true, stop)
                            .accepted;
        },
        [this, accepted, side] {
            outcomes_[side] = *accepted ? Outcome::Written : Outcome::NotAccepted;
            describeOutcomes();
            if (*accepted)
                for (bool adjusted : {false, true})
                    for (Quantity q : {Width, Height, HStart, VStart})
                        setPending(field(side, adjusted, q), false);
            setActionButtons(true);
        });
}

void CSimpleMosaic::onMosaicMode(bool sync) {
    auto accepted = std::make_shared<bool>(false);
    // The mode goes to the main window's address, which may differ from this screen's.
    runOnDevice(
        [accepted, sync, address = session_.deviceAddress()](const tvq::ExchangeFn& exchange,
                                                             std::stop_token stop) {
            *accepted = tvq::setMosaicMode(exchange, address, sync, stop);
        },
        [this, accepted] {
            boxes_.inform(
                this, tr("System Information"),
                message(*accepted ? tvq::MessageId::WallSetSuccess : tvq::MessageId::WallSetFail));
        });
}

void CSimpleMosaic::onProgramWall() {
    if (wallAddresses_.size() != static_cast<std::size_t>(ui_.wallPanel->cellCount()))
        wallAddresses_ = tvq::defaultWallAddresses(static_cast<unsigned>(rows_),
                                                   static_cast<unsigned>(columns_));
    CWallProgram dialog(session_, clock_, pauses_, wallLayout(), wallAddresses_, this);
    connect(&dialog, &CWallProgram::cellFinished, this,
            [this](int k, bool done, const QString& reason) {
                ui_.wallPanel->cell(k)->showResult(done, reason);
            });
    setBusy(true);
    dialog.exec();
    setBusy(false);
    wallAddresses_ = dialog.addresses();
}
