#include "gui/wall/spin_button.h"

#include <QEvent>
#include <QToolButton>
#include <QVBoxLayout>

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto* b : {up_, down_}) {
        b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    // clicked also fires for the accessible press and each auto-repeat step.
    connect(up_, &QToolButton::clicked, this, [this] { Q_EMIT stepped(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Q_EMIT stepped(-1); });
    retranslate();
}

void SpinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(event);
}

void SpinButton::setTarget(const QString& field) {
    target_ = field;
    retranslate();
}

void SpinButton::retranslate() {
    up_->setAccessibleName(tr("Increase %1").arg(target_));
    down_->setAccessibleName(tr("Decrease %1").arg(target_));
}
