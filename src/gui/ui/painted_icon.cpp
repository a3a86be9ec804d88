#include "gui/ui/painted_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

QPainterPath star(QPointF centre, qreal outer, qreal turnDegrees) {
    QPainterPath path;
    const qreal inner = outer * 0.382;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? outer : inner;
        const qreal a = qDegreesToRadians(-90.0 + turnDegrees + i * 36.0);
        const QPointF p(centre.x() + r * qCos(a), centre.y() + r * qSin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

// Flags keep a 3:2 shape centred in the rect.
QRectF flagRect(const QRectF& r) {
    qreal w = r.width(), h = w * 2.0 / 3.0;
    if (h > r.height()) {
        h = r.height();
        w = h * 1.5;
    }
    return {r.center().x() - w / 2, r.center().y() - h / 2, w, h};
}

void paintChineseFlag(QPainter& p, const QRectF& area) {
    const QRectF f = flagRect(area);
    p.fillRect(f, QColor(0xDE, 0x29, 0x10));
    const qreal u = f.width() / 30.0;  // the flag is 30 by 20 units
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xDE, 0x00));
    p.drawPath(star(f.topLeft() + QPointF(5 * u, 5 * u), 3 * u, 0));
    const QPointF small[] = {{10, 2}, {12, 4}, {12, 7}, {10, 9}};
    for (const QPointF& s : small) {
        const QPointF c = f.topLeft() + s * u;
        const QPointF toBig = f.topLeft() + QPointF(5 * u, 5 * u) - c;
        const qreal turn = qRadiansToDegrees(qAtan2(toBig.y(), toBig.x())) + 90.0;
        p.drawPath(star(c, u, turn));
    }
}

void paintEnglishFlag(QPainter& p, const QRectF& area) {
    const QRectF f = flagRect(area);
    p.save();
    p.setClipRect(f);
    p.fillRect(f, QColor(0x01, 0x21, 0x69));
    const qreal u = f.height() / 30.0;  // the saltire and cross widths scale with the height
    QPen white(Qt::white, 6 * u);
    p.setPen(white);
    p.drawLine(f.topLeft(), f.bottomRight());
    p.drawLine(f.bottomLeft(), f.topRight());
    QPen red(QColor(0xC8, 0x10, 0x2E), 2 * u);
    p.setPen(red);
    p.drawLine(f.topLeft(), f.bottomRight());
    p.drawLine(f.bottomLeft(), f.topRight());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(f.center().x() - 5 * u, f.top(), 10 * u, f.height()));
    p.drawRect(QRectF(f.left(), f.center().y() - 5 * u, f.width(), 10 * u));
    p.setBrush(QColor(0xC8, 0x10, 0x2E));
    p.drawRect(QRectF(f.center().x() - 3 * u, f.top(), 6 * u, f.height()));
    p.drawRect(QRectF(f.left(), f.center().y() - 3 * u, f.width(), 6 * u));
    p.restore();
}

void paintLamp(QPainter& p, QPointF centre, qreal radius, QColor colour) {
    QRadialGradient g(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    g.setColorAt(0, colour.lighter(170));
    g.setColorAt(1, colour.darker(130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

void paintAppIcon(QPainter& p, const QRectF& r) {
    const qreal s = qMin(r.width(), r.height());
    const QRectF box(r.center().x() - s * 0.46, r.center().y() - s * 0.30, s * 0.92, s * 0.60);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), s * 0.03));
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(0x5A, 0x63, 0x70));
    g.setColorAt(1, QColor(0x2B, 0x30, 0x38));
    p.setBrush(g);
    p.drawRoundedRect(box, s * 0.06, s * 0.06);
    const QRectF screen(box.left() + s * 0.08, box.top() + s * 0.08, s * 0.46, s * 0.44);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x8B, 0xE6));
    p.drawRect(screen);
    paintLamp(p, QPointF(box.right() - s * 0.20, box.top() + s * 0.18), s * 0.07, Qt::green);
    paintLamp(p, QPointF(box.right() - s * 0.20, box.bottom() - s * 0.18), s * 0.07, Qt::red);
}

void paintConnectingLink(QPainter& p, const QRectF& r) {
    const qreal s = qMin(r.width(), r.height());
    const QPointF c = r.center();
    // Two computers' plugs meeting, with signal arcs between them.
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), s * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - s * 0.45, c.y()), QPointF(c.x() - s * 0.20, c.y()));
    p.drawLine(QPointF(c.x() + s * 0.20, c.y()), QPointF(c.x() + s * 0.45, c.y()));
    p.setBrush(QColor(0x2E, 0x8B, 0xE6));
    p.drawRoundedRect(QRectF(c.x() - s * 0.22, c.y() - s * 0.14, s * 0.16, s * 0.28), s * 0.03,
                      s * 0.03);
    p.drawRoundedRect(QRectF(c.x() + s * 0.06, c.y() - s * 0.14, s * 0.16, s * 0.28), s * 0.03,
                      s * 0.03);
    p.setPen(QPen(QColor(0x3C, 0xB0, 0x43), s * 0.04, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const qreal rad = s * 0.12 * i;
        p.drawArc(QRectF(c.x() - rad, c.y() - s * 0.28 - rad, 2 * rad, 2 * rad), 30 * 16, 120 * 16);
    }
}

class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(PaintedImage image) : image_(image) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled) painter->setOpacity(0.45);
        paintImage(*painter, rect, image_);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(image_); }

private:
    PaintedImage image_;
};

}  // namespace

void paintImage(QPainter& painter, const QRectF& rect, PaintedImage image) {
    switch (image) {
        case PaintedImage::AppIcon:
            paintAppIcon(painter, rect);
            break;
        case PaintedImage::ChineseFlag:
            paintChineseFlag(painter, rect);
            break;
        case PaintedImage::EnglishFlag:
            paintEnglishFlag(painter, rect);
            break;
        case PaintedImage::ConnectingLink:
            paintConnectingLink(painter, rect);
            break;
    }
}

QIcon paintedIcon(PaintedImage image) {
    return QIcon(new PaintedIconEngine(image));
}
