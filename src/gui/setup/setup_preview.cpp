#include "gui/setup/setup_preview.h"

#include <QPainter>

SetupPreview::SetupPreview(QWidget* parent) : QWidget(parent) {
    setFixedSize(kFrameSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int SetupPreview::addArea(const QColor& colour, const QString& text) {
    areas_.push_back({colour, text, {}, false});
    return static_cast<int>(areas_.size()) - 1;
}

void SetupPreview::place(int area, const QRect& place) {
    Area& a = areas_.at(static_cast<std::size_t>(area));
    a.rect = place;
    a.placed = true;
    update();
}

void SetupPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(Qt::black);
    for (const Area& a : areas_) {
        if (!a.placed || a.rect.isEmpty()) continue;
        painter.fillRect(a.rect, a.colour);
        if (!a.text.isEmpty()) painter.drawText(a.rect, Qt::AlignCenter, a.text);
    }
}
