#include "gui/ui/indicator_lamp.h"

#include <QEvent>
#include <QPainter>
#include <QRadialGradient>

IndicatorLamp::IndicatorLamp(Colour colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    describeState();
}

void IndicatorLamp::setState(bool lit, bool blinking, bool unknown) {
    if (lit == lit_ && blinking == blinking_ && unknown == unknown_) return;
    const bool repaint = lit != lit_ || unknown != unknown_;
    lit_ = lit;
    blinking_ = blinking;
    unknown_ = unknown;
    describeState();
    if (repaint) update();
}

void IndicatorLamp::setName(const QString& name) {
    setAccessibleName(name);
    describeState();
}

QString IndicatorLamp::stateText() const {
    if (unknown_) return tr("unknown");
    if (blinking_) return tr("blinking");
    return lit_ ? tr("lit") : tr("off");
}

QSize IndicatorLamp::sizeHint() const {
    const int side = qMax(13, fontMetrics().height() * 4 / 5);
    return {side, side};
}

void IndicatorLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 1.0;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);

    // The socket is always drawn so the panel keeps its shape; the glass glows when lit.
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    p.setBrush(QColor(0x55, 0x55, 0x55));
    p.drawEllipse(r);

    const QRectF glass = r.adjusted(side * 0.12, side * 0.12, -side * 0.12, -side * 0.12);
    const QColor on = colour_ == Colour::Red ? QColor(0xFF, 0x20, 0x20) : QColor(0x20, 0xE0, 0x30);
    const QColor base = lit_ ? on : on.darker(350);
    QRadialGradient g(glass.center() - QPointF(glass.width() / 5, glass.height() / 5),
                      glass.width() * 0.75);
    g.setColorAt(0, lit_ ? on.lighter(140) : base.lighter(130));
    g.setColorAt(0.45, lit_ ? on : base);
    g.setColorAt(1, lit_ ? on.darker(125) : base.darker(160));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(glass);

    // Unknown: the last known state shows through a grey veil with a question mark, so nobody
    // takes it for the device's state now.
    if (unknown_) {
        p.setBrush(QColor(0xB0, 0xB0, 0xB0, 160));
        p.drawEllipse(glass);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(qMax(6, int(glass.height() * 0.85)));
        p.setFont(font);
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(glass, Qt::AlignCenter, QStringLiteral("?"));
    }
}

void IndicatorLamp::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) describeState();
    QWidget::changeEvent(event);
}

void IndicatorLamp::describeState() {
    setAccessibleDescription(stateText());
    setToolTip(accessibleName().isEmpty() ? stateText()
                                          : accessibleName() + QStringLiteral(": ") + stateText());
}
