#include "gui/control/find_processors_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "core/link/sources.h"
#include "gui/ui/push_button.h"

namespace {

constexpr int kAnswerRole = Qt::UserRole;  // the address of an answer; problems carry none

QSpinBox* addressBox(const QString& name, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(1, 255);
    box->setValue(value);
    return box;
}

}  // namespace

CFindProcessorsDlg::CFindProcessorsDlg(tvq::Session& session, bool overSession,
                                       tvq::LinkChoice choice, tvq::LinkOpener opener,
                                       tvq::ServiceAttacher attacher, QWidget* parent)
    : RetranslatingDialog(parent),
      session_(session),
      overSession_(overSession),
      choice_(std::move(choice)),
      opener_(std::move(opener)),
      attacher_(std::move(attacher)),
      task_(this),
      fromLabel_(new QLabel),
      toLabel_(new QLabel),
      fromBox_(addressBox(QStringLiteral("fromBox"), 1)),
      toBox_(addressBox(QStringLiteral("toBox"), 255)),
      progress_(new QProgressBar),
      statusLabel_(new QLabel),
      found_(new QListWidget),
      scanButton_(button(QStringLiteral("scanButton"))),
      useButton_(button(QStringLiteral("useButton"))),
      cancelButton_(button(QStringLiteral("cancelButton"))) {
    setObjectName(QStringLiteral("findProcessorsDialog"));
    progress_->setObjectName(QStringLiteral("scanProgress"));
    statusLabel_->setObjectName(QStringLiteral("scanStatus"));
    found_->setObjectName(QStringLiteral("foundList"));
    fromLabel_->setBuddy(fromBox_);
    toLabel_->setBuddy(toBox_);
    progress_->setRange(0, 1);
    progress_->setValue(0);

    auto* range = new QHBoxLayout;
    range->addWidget(fromLabel_);
    range->addWidget(fromBox_);
    range->addWidget(toLabel_);
    range->addWidget(toBox_);
    range->addStretch();
    range->addWidget(scanButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(useButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(progress_);
    layout->addWidget(statusLabel_);
    layout->addWidget(found_);
    layout->addLayout(buttons);

    connect(scanButton_, &QPushButton::clicked, this, &CFindProcessorsDlg::onScan);
    connect(useButton_, &QPushButton::clicked, this, &CFindProcessorsDlg::onUse);
    connect(cancelButton_, &QPushButton::clicked, this, &CFindProcessorsDlg::onCancel);
    connect(found_, &QListWidget::currentRowChanged, this, [this] { setScanning(scanning()); });
    // An assistive tool selects an item without moving the current one; the keyboard moves
    // both. Following the selection makes either choose what "Use address" takes.
    connect(found_, &QListWidget::itemSelectionChanged, this, [this] {
        const auto selected = found_->selectedItems();
        if (selected.size() == 1 && selected.front() != found_->currentItem())
            found_->setCurrentItem(selected.front());
    });
    connect(found_, &QListWidget::itemActivated, this, [this] { onUse(); });

    setScanning(false);
    retranslate();
}

CFindProcessorsDlg::~CFindProcessorsDlg() = default;

void CFindProcessorsDlg::retranslate() {
    setWindowTitle(tr("Find processors"));
    fromLabel_->setText(tr("From address"));
    toLabel_->setText(tr("To address"));
    scanButton_->setText(tr("Scan"));
    useButton_->setText(tr("Use address"));
    cancelButton_->setText(scanning() ? tr("Cancel") : tr("Close"));
    found_->setAccessibleName(tr("Processors found"));
    progress_->setAccessibleName(tr("Scan progress"));
    for (int row = 0; row < found_->count(); ++row) {
        QListWidgetItem* item = found_->item(row);
        const std::size_t index = item->data(Qt::UserRole + 1).toUInt();
        item->setText(item->data(kAnswerRole).isValid() ? answerText(answers_[index])
                                                        : problemText(problems_[index]));
    }
    showStatus();
}

void CFindProcessorsDlg::reject() {
    task_.stop();
    RetranslatingDialog::reject();
}

void CFindProcessorsDlg::onScan() {
    if (scanning() || fromBox_->value() > toBox_->value()) return;
    answers_.clear();
    problems_.clear();
    found_->clear();
    const tvq::ScanRange range{static_cast<std::uint8_t>(fromBox_->value()),
                               static_cast<std::uint8_t>(toBox_->value())};
    progress_->setRange(0, range.count());
    progress_->setValue(0);
    current_ = range.from;

    tvq::Session* session = overSession_ ? &session_ : nullptr;
    // Reports of a scan that was cancelled may still be queued when the next one starts.
    const unsigned run = ++run_;
    auto outcome = std::make_shared<Status>(Status::Done);
    auto why = std::make_shared<std::string>();
    auto work = [this, run, outcome, why, session, range, choice = choice_, opener = opener_,
                 attacher = attacher_](std::stop_token stop, const DeviceTask::Post& post) {
        auto report = [this, run, &post](std::function<void()> onUi) {
            post([this, run, onUi = std::move(onUi)] {
                if (run == run_) onUi();
            });
        };
        tvq::ScanEvents events;
        events.progress = [this, &report](std::uint8_t address, int done, int total) {
            report([this, address, done, total] { onProgress(address, done, total); });
        };
        events.answered = [this, &report](const tvq::ScanAnswer& a) {
            report([this, a] { onAnswer(a); });
        };
        events.problem = [this, &report](const tvq::ScanProblem& p) {
            report([this, p] { onProblem(p); });
        };

        tvq::ScanResult result;
        if (session) {
            const tvq::ScanTiming timing = tvq::scanTimingFor(
                session->lineSerial() ? tvq::ByteLink::Kind::Serial : tvq::ByteLink::Kind::Network);
            const tvq::ScanExchange exchange = [session, timing](const tvq::CommandFrame& query,
                                                                 std::span<std::uint8_t> out,
                                                                 std::stop_token s) {
                return session->gather(query, out, timing.replyWait, timing.quiet, s);
            };
            session->runSequence("scan",
                                 [&] { result = tvq::scanChain(exchange, range, events, stop); });
        } else if (!choice.serviceSocket.empty()) {
            // The service owns the line: the scan is one of its sequences, like anyone else's.
            try {
                if (!attacher)
                    throw std::runtime_error(
                        tvq::englishText(tvq::MessageId::ServiceUnsupported).data());
                const std::unique_ptr<tvq::ServiceAttachment> service =
                    attacher(choice.serviceSocket);
                tvq::FrameExchanger& wire = service->wire();
                service->beginSequence("scan");
                result = tvq::scanChain(
                    wire, range,
                    tvq::scanTimingFor(wire.isSerial() ? tvq::ByteLink::Kind::Serial
                                                       : tvq::ByteLink::Kind::Network),
                    events, stop);
                service->endSequence();
            } catch (const std::exception& e) {
                *why = e.what();
                *outcome = Status::ServiceFailed;
                return;
            }
        } else {
            tvq::OpenedLink opened = opener(choice, [](const tvq::InfoText&) {});
            if (!opened.link) {
                *outcome = Status::LinkFailed;
                return;
            }
            tvq::DeviceLink link;
            const auto kind = opened.link->kind();
            link.attach(std::move(opened.link));
            result = tvq::scanChain(link, range, tvq::scanTimingFor(kind), events, stop);
        }
        if (result.lineFailed) *outcome = Status::LineFailed;
    };
    status_ = Status::Scanning;
    // The task's end is reported after everything the scan posted, and read on the UI thread.
    task_.start(std::move(work), [this, outcome, why] {
        serviceProblem_ = QString::fromStdString(*why);
        onFinished(*outcome);
    });
    setScanning(true);
    showStatus();
}

void CFindProcessorsDlg::onCancel() {
    if (!scanning()) {
        reject();
        return;
    }
    task_.stop();
    ++run_;  // what the scan posted before it stopped is dropped
    onFinished(Status::Cancelled);
}

void CFindProcessorsDlg::onUse() {
    QListWidgetItem* item = found_->currentItem();
    if (scanning() || !item || !item->data(kAnswerRole).isValid()) return;
    chosen_ = static_cast<std::uint8_t>(item->data(kAnswerRole).toUInt());
    accept();
}

void CFindProcessorsDlg::onProgress(int address, int done, int) {
    current_ = address;
    progress_->setValue(done);
    showStatus();
}

void CFindProcessorsDlg::onAnswer(const tvq::ScanAnswer& answer) {
    answers_.push_back(answer);
    auto* item = new QListWidgetItem(answerText(answer));
    item->setData(kAnswerRole, answer.address);
    item->setData(Qt::UserRole + 1, static_cast<uint>(answers_.size() - 1));
    found_->addItem(item);
    if (!found_->currentItem()) found_->setCurrentItem(item);
}

void CFindProcessorsDlg::onProblem(const tvq::ScanProblem& problem) {
    problems_.push_back(problem);
    auto* item = new QListWidgetItem(problemText(problem));
    item->setData(Qt::UserRole + 1, static_cast<uint>(problems_.size() - 1));
    item->setFlags(Qt::ItemIsEnabled);  // a warning, not something to pick
    found_->addItem(item);
}

void CFindProcessorsDlg::onFinished(Status status) {
    status_ = status;
    setScanning(false);
    showStatus();
}

void CFindProcessorsDlg::setScanning(bool on) {
    fromBox_->setEnabled(!on);
    toBox_->setEnabled(!on);
    scanButton_->setEnabled(!on);
    const QListWidgetItem* item = found_->currentItem();
    useButton_->setEnabled(!on && item && item->data(kAnswerRole).isValid());
    cancelButton_->setText(on ? tr("Cancel") : tr("Close"));
}

void CFindProcessorsDlg::showStatus() {
    const QString count = QString::number(answers_.size());
    switch (status_) {
        case Status::Ready:
            statusLabel_->setText(tr("Choose the addresses to ask and press Scan."));
            break;
        case Status::Scanning:
            statusLabel_->setText(
                tr("Asking address %1…  Processors found: %2").arg(current_).arg(count));
            break;
        case Status::Done:
            statusLabel_->setText(answers_.empty() ? tr("No processor answered.")
                                                   : tr("Processors found: %1").arg(count));
            break;
        case Status::Cancelled:
            statusLabel_->setText(tr("Scan cancelled. Processors found: %1").arg(count));
            break;
        case Status::LinkFailed:
            statusLabel_->setText(tr("The link did not open: check the connection settings."));
            break;
        case Status::LineFailed:
            statusLabel_->setText(tr("The line failed; the scan is incomplete."));
            break;
        case Status::ServiceFailed:
            statusLabel_->setText(
                tr("The chain service could not run the scan: %1").arg(serviceProblem_));
            break;
    }
}

QString CFindProcessorsDlg::answerText(const tvq::ScanAnswer& answer) const {
    const std::string_view name = tvq::sourceName(answer.mainSource);
    const QString source =
        name.empty() ? tr("no source")
                     : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return tr("Address %1: %2, %3")
        .arg(answer.address)
        .arg(source, answer.mainSignal ? tr("signal") : tr("no signal"));
}

QString CFindProcessorsDlg::problemText(const tvq::ScanProblem& problem) const {
    switch (problem.kind) {
        case tvq::ScanProblem::Kind::Duplicate:
            return tr("Address %1: %2 answers, more than one processor on this address")
                .arg(problem.asked)
                .arg(problem.count);
        case tvq::ScanProblem::Kind::Foreign:
            return tr("Address %1: answered by address %2").arg(problem.asked).arg(problem.from);
        case tvq::ScanProblem::Kind::Garbled:
            break;
    }
    return tr("Address %1: garbled answer").arg(problem.asked);
}
