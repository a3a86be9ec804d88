#include "gui/control/wait_box.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include "gui/ui/painted_icon.h"

CProgress::CProgress(QWidget* parent)
    : RetranslatingDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), text_(new QLabel(this)) {
    setObjectName(QStringLiteral("waitBox"));
    setModal(true);
    // Without a title bar the box needs a frame of its own to stand out from the window.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    auto* image = new QLabel(frame);
    image->setPixmap(paintedIcon(PaintedImage::ConnectingLink).pixmap(48, 48));
    text_->setParent(frame);
    auto* inner = new QHBoxLayout(frame);
    inner->setContentsMargins(16, 12, 16, 12);
    inner->setSpacing(12);
    inner->addWidget(image);
    inner->addWidget(text_);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    retranslate();
}

int CProgress::exec() {
    if (finished_) return Accepted;
    return QDialog::exec();
}

void CProgress::finish() {
    finished_ = true;
    if (isVisible()) done(Accepted);
}

void CProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (finished_) QTimer::singleShot(0, this, [this] { done(Accepted); });
}

void CProgress::retranslate() {
    text_->setText(tr("Connecting device，Please waiting........."));
    setAccessibleName(text_->text());
}
