#include "gui/ui/ask_box.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAnswer::CAnswer(QWidget* parent)
    : RetranslatingDialog(parent),
      question_(new QLabel(this)),
      openButton_(new QPushButton(this)),
      closeButton_(new QPushButton(this)),
      cancelButton_(new QPushButton(this)) {
    setObjectName(QStringLiteral("askBox"));
    openButton_->setObjectName(QStringLiteral("openButton"));
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    question_->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openButton_);
    buttons->addWidget(closeButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(openButton_, &QPushButton::clicked, this, [this] { finish(Open); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { finish(Close); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { finish(Cancel); });
    retranslate();
}

void CAnswer::finish(int answer) {
    answer_ = answer;
    if (answer == Cancel)
        reject();
    else
        accept();
}

void CAnswer::retranslate() {
    setWindowTitle(tr("Ask Box"));
    question_->setText(tr("Open？Close？"));
    openButton_->setText(tr("Open"));
    closeButton_->setText(tr("Close"));
    cancelButton_->setText(tr("Cancel"));
}
