#include "gui/wall/cascade_dialog.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "core/control/session.h"
#include "core/link/sources.h"
#include "core/wall/cascade_commands.h"
#include "gui/ui/message_boxes.h"
#include "gui/ui/push_button.h"

CJilian::CJilian(tvq::Session& session, MessageBoxes& boxes, QWidget* parent)
    : RetranslatingDialog(parent),
      session_(session),
      boxes_(boxes),
      sender_(this),
      sourceBox_(new QGroupBox),
      brightnessBox_(new QGroupBox),
      mosaicBox_(new QGroupBox),
      slider_(new QSlider(Qt::Horizontal)),
      entry_(new QLineEdit),
      saveButton_(button(QStringLiteral("saveButton"))),
      mosaicButton_(button(QStringLiteral("mosaicButton"), QStringLiteral("Mosaic"))),
      cancelButton_(button(QStringLiteral("cancelButton"))) {
    setObjectName(QStringLiteral("cascadeDialog"));

    auto* sources = new QHBoxLayout(sourceBox_);
    std::size_t index = 0;
    auto key = [this, &index] {
        const auto& source = tvq::kSources[index];
        const QString name =
            QString::fromLatin1(source.name.data(), static_cast<qsizetype>(source.name.size()));
        auto* b = button(QStringLiteral("source:") + name, name);
        const std::size_t i = index++;
        connect(b, &QPushButton::clicked, this, [this, i] { onSource(i); });
        sourceButtons_[i] = b;
        return b;
    };
    for (char letter : {'A', 'B', 'C', 'D'}) {
        auto* group = new QGroupBox(QString(QChar::fromLatin1(letter)));
        auto* keys = new QHBoxLayout(group);
        while (index < tvq::kSources.size() && tvq::kSources[index].group == letter)
            keys->addWidget(key());
        sources->addWidget(group);
    }
    while (index < tvq::kSources.size()) sources->addWidget(key());

    slider_->setObjectName(QStringLiteral("brightnessSlider"));
    slider_->setRange(0, static_cast<int>(tvq::kBrightnessMax));
    slider_->setValue(0);
    entry_->setObjectName(QStringLiteral("brightnessEntry"));
    entry_->setText(QStringLiteral("0"));
    entry_->setMaximumWidth(entry_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    auto* brightness = new QHBoxLayout(brightnessBox_);
    brightness->addWidget(slider_, 1);
    brightness->addWidget(entry_);
    brightness->addWidget(saveButton_);

    auto* mosaic = new QHBoxLayout(mosaicBox_);
    mosaic->addWidget(mosaicButton_);

    auto* lower = new QHBoxLayout;
    lower->addWidget(brightnessBox_, 1);
    lower->addWidget(mosaicBox_);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sourceBox_);
    layout->addLayout(lower);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(slider_, &QSlider::valueChanged, this, &CJilian::onSlider);
    connect(saveButton_, &QPushButton::clicked, this, &CJilian::onSave);
    connect(mosaicButton_, &QPushButton::clicked, this, &CJilian::onMosaic);
    connect(cancelButton_, &QPushButton::clicked, this, &CJilian::reject);
    retranslate();
}

CJilian::~CJilian() = default;

void CJilian::retranslate() {
    setWindowTitle(tr("Multi-device connection"));
    sourceBox_->setTitle(tr("Source"));
    brightnessBox_->setTitle(tr("Brightness"));
    mosaicBox_->setTitle(tr("Mosaic", "box"));
    saveButton_->setText(tr("Save"));
    cancelButton_->setText(tr("Cancel"));
    slider_->setAccessibleName(tr("Brightness"));
    entry_->setAccessibleName(tr("Brightness to save"));
    if (told_) tell(told_, outcome_);
}

void CJilian::onSource(std::size_t index) {
    send(tvq::cascadeSourceFrame(session_.deviceAddress(), tvq::kSources[index].code),
         sourceButtons_[index]);
}

void CJilian::onSlider(int value) {
    entry_->setText(QString::number(value));
}

void CJilian::onSave() {
    const auto value = tvq::brightnessFromEntry(entry_->text().toStdString());
    if (!value) {
        tell(saveButton_, Outcome::NotSent);
        boxes_.inform(this, QString(), tr("Data out of range"));
        return;
    }
    send(tvq::cascadeBrightnessFrame(session_.deviceAddress(), *value), saveButton_);
}

void CJilian::onMosaic() {
    const int answer = boxes_.askOpenClose(this);
    if (answer == 1 || answer == 2)
        send(tvq::cascadeMosaicFrame(session_.deviceAddress(), answer == 1), mosaicButton_);
    else
        tell(mosaicButton_, Outcome::NotSent);
}

void CJilian::send(const tvq::CommandFrame& frame, QPushButton* origin) {
    const bool started = sender_.start(
        [&session = session_, frame](std::stop_token stop, const DeviceTask::Post&) {
            tvq::CommandFrame reply{};
            session.exchange(frame, reply, tvq::kCascadeTimeoutMs, stop);
        },
        [this, origin] {
            setSending(false);
            tell(origin, Outcome::Sent);
        });
    if (!started) return;
    setSending(true);
    tell(origin, Outcome::Sending);
}

// The outcome of the last key pressed, in words: a greyed key alone says nothing to a reader.
void CJilian::tell(QPushButton* button, Outcome outcome) {
    if (told_ && told_ != button) told_->setAccessibleDescription({});
    told_ = button;
    outcome_ = outcome;
    switch (outcome) {
        case Outcome::Sending:
            button->setAccessibleDescription(tr("Sending to every processor on the line"));
            break;
        case Outcome::Sent:
            // Address 0 gets no replies: sent is all that can be known.
            button->setAccessibleDescription(tr("Sent to every processor on the line"));
            break;
        case Outcome::NotSent:
            button->setAccessibleDescription(tr("Nothing sent"));
            break;
    }
}

void CJilian::setSending(bool sending) {
    for (auto* b : sourceButtons_) b->setEnabled(!sending);
    saveButton_->setEnabled(!sending);
    mosaicButton_->setEnabled(!sending);
}
