#include "gui/control/about_box.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

#include "gui/ui/painted_icon.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : RetranslatingDialog(parent), version_(new QLabel(this)), date_(new QLabel(this)) {
    setObjectName(QStringLiteral("aboutBox"));
    auto* icon = new QLabel(this);
    icon->setPixmap(paintedIcon(PaintedImage::AppIcon).pixmap(48, 48));
    version_->setObjectName(QStringLiteral("versionText"));
    date_->setObjectName(QStringLiteral("dateText"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 16, 40, 20);
    layout->setHorizontalSpacing(20);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version_, 0, 1);
    layout->addWidget(date_, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    retranslate();
}

void CAboutDlg::retranslate() {
    setWindowTitle(tr("关于 TVQ418Control"));
    version_->setText(tr("TVQ418  V2.84"));
    date_->setText(tr("2014-08-12"));
}
