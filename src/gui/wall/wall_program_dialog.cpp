#include "gui/wall/wall_program_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/control/session.h"
#include "gui/ui/push_button.h"

namespace {

constexpr int kSteps = 5;  // connect, calculate, input, output, mode

QString threeDigits(unsigned k) {
    return QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'));
}

QString messageText(tvq::MessageId id) {
    return QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(id).data());
}

}  // namespace

CWallProgram::CWallProgram(tvq::Session& session, tvq::Clock& clock, tvq::MosaicPauses pauses,
                           tvq::WallLayout layout, std::vector<std::uint8_t> addresses,
                           QWidget* parent)
    : QDialog(parent),
      session_(session),
      clock_(clock),
      pauses_(pauses),
      layout_(std::move(layout)),
      task_(this),
      table_(new QTableWidget(static_cast<int>(addresses.size()), 2)),
      modeLabel_(new QLabel),
      mode_(new QComboBox),
      bar_(new QProgressBar),
      stepText_(new QLabel),
      summaryText_(new QLabel),
      startButton_(button(QStringLiteral("startButton"))),
      cancelButton_(button(QStringLiteral("cancelButton"))),
      closeButton_(button(QStringLiteral("closeButton"))) {
    setObjectName(QStringLiteral("wallProgramDialog"));
    table_->setObjectName(QStringLiteral("addressTable"));
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int k = 0; k < table_->rowCount(); ++k) {
        auto* id = new QTableWidgetItem(threeDigits(static_cast<unsigned>(k)));
        id->setFlags(Qt::ItemIsEnabled);
        table_->setItem(k, 0, id);
        auto* address = new QSpinBox;
        address->setObjectName(QStringLiteral("address") + threeDigits(static_cast<unsigned>(k)));
        address->setRange(1, 255);
        address->setValue(addresses[static_cast<std::size_t>(k)]);
        table_->setCellWidget(k, 1, address);
    }
    mode_->setObjectName(QStringLiteral("modeList"));
    modeLabel_->setBuddy(mode_);  // the list is named by its label, not by its value
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, table_->rowCount() * kSteps);
    bar_->setValue(0);
    stepText_->setObjectName(QStringLiteral("stepText"));
    summaryText_->setObjectName(QStringLiteral("summaryText"));
    summaryText_->setWordWrap(true);

    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(modeLabel_);
    modeRow->addWidget(mode_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(closeButton_);
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addWidget(table_, 1);
    layoutBox->addLayout(modeRow);
    layoutBox->addWidget(bar_);
    layoutBox->addWidget(stepText_);
    layoutBox->addWidget(summaryText_);
    layoutBox->addLayout(buttons);

    connect(startButton_, &QPushButton::clicked, this, &CWallProgram::onStart);
    connect(cancelButton_, &QPushButton::clicked, this, &CWallProgram::onCancel);
    connect(closeButton_, &QPushButton::clicked, this, &CWallProgram::reject);
    retranslate();
    setRunning(false);
    resize(420, 480);
}

CWallProgram::~CWallProgram() = default;

std::vector<std::uint8_t> CWallProgram::addresses() const {
    std::vector<std::uint8_t> out;
    for (int k = 0; k < table_->rowCount(); ++k)
        out.push_back(
            static_cast<std::uint8_t>(static_cast<QSpinBox*>(table_->cellWidget(k, 1))->value()));
    return out;
}

void CWallProgram::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    QDialog::changeEvent(event);
}

void CWallProgram::retranslate() {
    setWindowTitle(tr("Program wall"));
    table_->setHorizontalHeaderLabels({tr("Screen"), tr("Address")});
    modeLabel_->setText(tr("Mosaic mode afterwards"));
    table_->setAccessibleName(tr("Addresses of the screens"));
    bar_->setAccessibleName(tr("Programming progress"));
    for (int k = 0; k < table_->rowCount(); ++k)
        table_->cellWidget(k, 1)->setAccessibleName(
            tr("Address of screen %1").arg(table_->item(k, 0)->text()));
    const int mode = mode_->currentIndex();
    mode_->clear();
    mode_->addItems({tr("Leave as it is"), tr("No Sync Mosaic"), tr("Sync Mosaic")});
    mode_->setCurrentIndex(mode < 0 ? 0 : mode);
    startButton_->setText(tr("Start"));
    cancelButton_->setText(tr("Cancel"));
    closeButton_->setText(tr("Close"));
    if (!summary_.cells.empty() && !running()) showSummary();
}

void CWallProgram::onStart() {
    tvq::WallPlan plan{layout_, addresses(), std::nullopt};
    if (mode_->currentIndex() > 0) plan.syncMosaic = mode_->currentIndex() == 2;
    summary_ = {};
    summaryText_->clear();
    bar_->setValue(0);
    cancel_ = std::stop_source();
    auto summary = std::make_shared<tvq::WallSummary>();
    const bool started = task_.start(
        [this, plan, summary, cancel = cancel_, &session = session_, &clock = clock_,
         pauses = pauses_](std::stop_token stop, const DeviceTask::Post& post) {
            // Closing the dialog stops the task; Cancel only this run. Either ends the run
            // after the exchange in flight.
            std::stop_source run = cancel;
            std::stop_callback closing(stop, [run]() mutable { run.request_stop(); });
            tvq::ExchangeFn exchange = [&session](const tvq::CommandFrame& frame,
                                                  tvq::CommandFrame& reply, std::int32_t timeoutMs,
                                                  std::stop_token s) {
                return session.exchange(frame, reply, timeoutMs, s);
            };
            tvq::WallCallbacks callbacks;
            callbacks.progress = [this, post](const tvq::WallProgress& p) {
                post([this, p] { showProgress(p); });
            };
            callbacks.cellDone = [this, post](const tvq::CellResult& r) {
                post([this, r] {
                    if (r.outcome == tvq::CellOutcome::Cancelled) return;
                    Q_EMIT cellFinished(static_cast<int>(r.cell),
                                        r.outcome == tvq::CellOutcome::Done, describe(r));
                });
            };
            session.runSequence("wall program", [&] {
                *summary =
                    tvq::programWall(plan, exchange, clock, run.get_token(), callbacks, pauses);
            });
        },
        [this, summary] {
            summary_ = *summary;
            setRunning(false);
            showSummary();
        });
    if (started) setRunning(true);
}

void CWallProgram::onCancel() {
    cancel_.request_stop();
    cancelButton_->setEnabled(false);
    stepText_->setText(tr("Cancelling after the current exchange…"));
}

void CWallProgram::reject() {
    if (running()) onCancel();  // the task's stop, when the dialog goes, waits for it
    QDialog::reject();
}

void CWallProgram::showProgress(const tvq::WallProgress& p) {
    static const char* const kStepNames[] = {
        QT_TR_NOOP("connecting"), QT_TR_NOOP("calculating"), QT_TR_NOOP("setting the input window"),
        QT_TR_NOOP("setting the output window"), QT_TR_NOOP("setting the mosaic mode")};
    const int step = static_cast<int>(p.step);
    bar_->setValue(static_cast<int>(p.cellsDone) * kSteps + step);
    const auto addresses = this->addresses();
    stepText_->setText(tr("Screen %1, address %2: %3")
                           .arg(threeDigits(p.cell))
                           .arg(addresses.at(p.cell))
                           .arg(tr(kStepNames[step])));
}

void CWallProgram::showSummary() {
    bar_->setValue(static_cast<int>(summary_.done + summary_.failed) * kSteps);
    stepText_->clear();
    if (summary_.cells.empty()) {
        summaryText_->setText(tr("Nothing was programmed: the wall is not laid out completely."));
        return;
    }
    summaryText_->setText(tr("%1 of %2 screens programmed, %3 failed, %4 cancelled.")
                              .arg(summary_.done)
                              .arg(summary_.cells.size())
                              .arg(summary_.failed)
                              .arg(summary_.cancelled));
}

void CWallProgram::setRunning(bool running) {
    startButton_->setEnabled(!running);
    cancelButton_->setEnabled(running);
    table_->setEnabled(!running);
    mode_->setEnabled(!running);
}

QString CWallProgram::describe(const tvq::CellResult& r) {
    using tvq::CellOutcome;
    QString text;
    switch (r.outcome) {
        case CellOutcome::Done:
            text = tr("Done");
            break;
        case CellOutcome::NoAnswer:
            text = tr("No answer");
            break;
        case CellOutcome::NotWallReady:
            text = tr("Not ready for the wall");
            break;
        case CellOutcome::CalcFailed:
            text = tr("Cannot calculate");
            break;
        case CellOutcome::OutOfRange:
            text = tr("Window out of range");
            break;
        case CellOutcome::InputRejected:
            text = tr("Input window not accepted");
            break;
        case CellOutcome::OutputRejected:
            text = tr("Output window not accepted");
            break;
        case CellOutcome::ModeRejected:
            text = tr("Mosaic mode not accepted");
            break;
        case CellOutcome::Cancelled:
            text = tr("Cancelled");
            break;
    }
    if (r.outcome != CellOutcome::Done && r.message != tvq::MessageId::None)
        text += QStringLiteral("：") + messageText(r.message);
    // Odd values went down by one, as the spin buttons would have done.
    static const char* const kFieldNames[] = {QT_TR_NOOP("width"), QT_TR_NOOP("horizontal start"),
                                              QT_TR_NOOP("height"), QT_TR_NOOP("vertical start")};
    const std::pair<unsigned, const char*> sides[] = {{r.evenedInput, QT_TR_NOOP("input")},
                                                      {r.evenedOutput, QT_TR_NOOP("output")}};
    for (const auto& [bits, side] : sides)
        for (int f = 0; f < 4; ++f)
            if (bits & (1u << f))
                text += QLatin1Char('\n') + tr("%1 %2 made even").arg(tr(side), tr(kFieldNames[f]));
    return text;
}
