#include "gui/wall/wall_grid.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "gui/ui/color_button.h"

namespace {

const QColor kGrey(169, 169, 169);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

// Places within a cell's frame, from its top-left corner.
struct Place {
    int left, top, right, bottom;
    QRect rect() const { return {left, top, right - left, bottom - top}; }
};
constexpr Place kButtonPlace{47, 31, 114, 76};
constexpr Place kHeightLabelPlace{3, 35, 45, 50};
constexpr Place kHeightEntryPlace{3, 52, 45, 72};
constexpr Place kWidthLabelPlace{10, 12, 55, 27};
constexpr Place kWidthEntryPlace{56, 10, 98, 30};

constexpr int kMargin = 10;  // from the panel's edge, and between two cells of a row

template <class W>
W* place(W* widget, const Place& at, const QString& name, int controlId) {
    widget->setGeometry(at.rect());
    widget->setObjectName(name);
    widget->setProperty("controlId", controlId);
    return widget;
}

QString threeDigits(int k) {
    return QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'));
}

}  // namespace

QFont CWallGrid::cellFont(int pointSize) {
    // Matching a family list is slow; a grid of 48 cells asks 144 times.
    static QFont big = makeCellFont(20), small = makeCellFont(10);
    if (pointSize == 20) return big;
    if (pointSize == 10) return small;
    return makeCellFont(pointSize);
}

QFont CWallGrid::makeCellFont(int pointSize) {
    QFont font;
    // Linux and macOS seldom have 宋体; the next faces draw the same characters.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("AR PL UMing CN")});
    font.setPointSize(pointSize);
    return font;
}

WallCell::WallCell(int k, int resolutionWidth, int resolutionHeight, QWidget* parent)
    : QFrame(parent), id_(k) {
    const QString n = threeDigits(k);
    setObjectName(QStringLiteral("cellFrame") + n);
    setProperty("controlId", kCellFrameId + k);
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setFixedSize(kWidth, kHeight);

    button_ = place(new CColorButton(n, this), kButtonPlace, QStringLiteral("cellButton") + n,
                    kCellButtonId + k);
    button_->setFont(CWallGrid::cellFont(20));
    button_->setAutoDefault(false);
    heightLabel_ = place(new QLabel(this), kHeightLabelPlace, QStringLiteral("cellHeightLabel") + n,
                         kCellHeightLabelId + k);
    heightLabel_->setAlignment(Qt::AlignCenter);
    heightEntry_ = place(new QLineEdit(QString::number(resolutionHeight), this), kHeightEntryPlace,
                         QStringLiteral("cellHeight") + n, kCellHeightEntryId + k);
    widthLabel_ = place(new QLabel(this), kWidthLabelPlace, QStringLiteral("cellWidthLabel") + n,
                        kCellWidthLabelId + k);
    widthLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    widthEntry_ = place(new QLineEdit(QString::number(resolutionWidth), this), kWidthEntryPlace,
                        QStringLiteral("cellWidth") + n, kCellWidthEntryId + k);
    for (auto* label : {heightLabel_, widthLabel_}) label->setFont(CWallGrid::cellFont(10));
    for (auto* entry : {heightEntry_, widthEntry_}) entry->setFont(QApplication::font(entry));
    setSelected(false);
    retranslate();
}

void WallCell::setSelected(bool selected) {
    button_->textColour = Qt::white;
    button_->face = selected ? kGreen : kGrey;
    button_->setToolTip({});
    button_->update();
}

void WallCell::showResult(bool done, const QString& reason) {
    button_->face = done ? kGreen : kRed;
    button_->setToolTip(reason);
    button_->update();
}

void WallCell::retranslate() {
    const QString n = threeDigits(id_);
    widthLabel_->setText(tr("Width"));
    heightLabel_->setText(tr("Height"));
    button_->setAccessibleName(tr("Screen %1").arg(n));
    widthEntry_->setAccessibleName(tr("Width of screen %1").arg(n));
    heightEntry_->setAccessibleName(tr("Height of screen %1").arg(n));
}

CWallGrid::CWallGrid(QWidget* parent) : QGroupBox(parent) {
    // The title names both limits and must fit the narrowest panel; the cells keep the
    // window's font for their entries.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
}

void CWallGrid::build(int rows, int columns, int resolutionWidth, int resolutionHeight) {
    for (auto* cell : cells_) delete cell;
    cells_.clear();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto* cell = new WallCell(cellCount(), resolutionWidth, resolutionHeight, this);
            cell->move(kMargin + c * (WallCell::kWidth + kMargin), kMargin + r * WallCell::kHeight);
            connect(cell->button(), &QPushButton::clicked, this,
                    [this, k = cell->windowId()] { Q_EMIT cellClicked(k); });
            cell->show();
            cells_.push_back(cell);
        }
    }
    select(0);
}

void CWallGrid::select(int k) {
    for (auto* cell : cells_) cell->setSelected(cell->windowId() == k);
}

void CWallGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        for (auto* cell : cells_) cell->retranslate();
    QGroupBox::changeEvent(event);
}
