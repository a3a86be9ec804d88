#include "gui/ui/color_button.h"

#include <QPainter>
#include <QStringList>

namespace {

// Rectangles here are left/top inclusive and right/bottom exclusive, as the frame is drawn:
// every line runs from its start point up to, not including, its end point.
struct Box {
    int left, top, right, bottom;
};

void hLine(QPainter& p, int x0, int x1, int y, const QColor& c) {
    if (x1 > x0) p.fillRect(x0, y, x1 - x0, 1, c);
}
void vLine(QPainter& p, int x, int y0, int y1, const QColor& c) {
    if (y1 > y0) p.fillRect(x, y0, 1, y1 - y0, c);
}

// Top and left in one colour, then bottom and right in another, then one pixel inwards.
void ring(QPainter& p, Box& f, const QColor& topLeft, const QColor& bottomRight) {
    hLine(p, f.left, f.right, f.top, topLeft);
    vLine(p, f.left, f.top, f.bottom, topLeft);
    hLine(p, f.left, f.right, f.bottom - 1, bottomRight);
    vLine(p, f.right - 1, f.top, f.bottom, bottomRight);
    f = {f.left + 1, f.top + 1, f.right - 1, f.bottom - 1};
}

// A dotted rectangle: every other pixel along the edges, starting at the corner.
void focusRect(QPainter& p, const Box& b) {
    for (int x = b.left; x < b.right; x += 2) {
        p.fillRect(x, b.top, 1, 1, Qt::black);
        p.fillRect(x, b.bottom - 1, 1, 1, Qt::black);
    }
    for (int y = b.top; y < b.bottom; y += 2) {
        p.fillRect(b.left, y, 1, 1, Qt::black);
        p.fillRect(b.right - 1, y, 1, 1, Qt::black);
    }
}

}  // namespace

CColorButton::CColorButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    const QPalette& pal = palette();
    textColour = pal.color(QPalette::ButtonText);
    face = pal.color(QPalette::Button);
    disabledFace = face;
    light = pal.color(QPalette::Midlight);
    highlight = pal.color(QPalette::Light);
    shadow = pal.color(QPalette::Mid);
    darkShadow = pal.color(QPalette::Shadow);
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawItem(p, rect(),
             {.disabled = !isEnabled(),
              .pressed = isDown(),
              .focused = hasFocus(),
              .isDefault = isDefault()});
}

void CColorButton::drawItem(QPainter& p, const QRect& r, State state) const {
    const Box R{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    p.fillRect(r, state.disabled ? disabledFace : face);

    Box f = R;
    if (state.pressed) {
        ring(p, f, darkShadow, darkShadow);
        ring(p, f, shadow, shadow);
    } else {
        if (state.focused || state.isDefault) ring(p, f, Qt::black, Qt::black);
        ring(p, f, highlight, darkShadow);
        ring(p, f, light, shadow);
    }

    const QRect moved = r.translated(-1, -1);
    if (state.disabled) {
        drawCaption(p, r, Qt::white);
        drawCaption(p, moved, QColor(128, 128, 128));
    } else {
        drawCaption(p, state.pressed ? r : moved, textColour);
    }

    if (state.focused) focusRect(p, {R.left + 4, R.top + 4, R.right - 4, R.bottom - 4});
}

void CColorButton::drawCaption(QPainter& p, const QRect& t, const QColor& colour) const {
    const QStringList lines =
        multiLine ? QPushButton::text().split(QLatin1Char('\n')) : QStringList{QPushButton::text()};
    p.setFont(font());
    p.setPen(colour);
    p.setBackgroundMode(Qt::TransparentMode);
    // A text extent is as tall as the font, whatever the characters.
    const int lineHeight = p.fontMetrics().height();
    const int n = static_cast<int>(lines.size());
    const int tLeft = t.left(), tTop = t.top(), tRight = t.left() + t.width();
    const int tBottom = t.top() + t.height();
    int top = 0;
    switch (vAlign) {
        case VAlign::Top:
            top = tTop + 2;
            break;
        case VAlign::Bottom:
            top = tBottom - n * lineHeight - 2;
            break;
        // Counted from the button's own top, so a moved caption only moves sideways.
        case VAlign::Centre:
        case VAlign::None:
            top = (tBottom - tTop - n * lineHeight) / 2 - 1;
            break;
    }
    int flags = Qt::AlignCenter;
    switch (hAlign) {
        case HAlign::Left:
            flags = Qt::AlignLeft | Qt::AlignTop;
            break;
        case HAlign::Right:
            flags = Qt::AlignRight | Qt::AlignTop;
            break;
        case HAlign::Centre:
            flags = Qt::AlignHCenter | Qt::AlignTop;
            break;
        case HAlign::None:
            flags = Qt::AlignCenter;
            break;
    }
    for (const QString& line : lines) {
        p.drawText(QRect(tLeft + 3, top, tRight - 3 - (tLeft + 3), lineHeight),
                   flags | Qt::TextSingleLine, line);
        top += lineHeight;
    }
}
