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

void SetupPreview::place(int area, int x, int width, int y, int height, QSize output) {
    Area& a = areas_.at(static_cast<std::size_t>(area));
    // A zero output size would divide by zero; the resolution is never zero, but keep it safe.
    const double sx = output.width() > 0 ? double(this->width()) / output.width() : 0.0;
    const double sy = output.height() > 0 ? double(this->height()) / output.height() : 0.0;
    const auto cut = [](double v) { return static_cast<int>(v); };  // toward zero
    a.rect = QRect(cut(x * sx), cut(y * sy), cut(width * sx), cut(height * sy));
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
