#pragma once
// One of the screen setup dialog's black preview frames: the whole output in miniature, with
// filled areas where the rectangles sit. An area moves only when it is placed again, so the
// frame keeps showing the last place it was given.

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

class SetupPreview final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kFrameSize{192, 144};

    explicit SetupPreview(QWidget* parent = nullptr);

    // Adds an area, hidden until placed; later areas are drawn over earlier ones.
    int addArea(const QColor& colour, const QString& text = {});
    // Draws an area at `place`, in frame pixels, until it is placed again.
    void place(int area, const QRect& place);

    QSize sizeHint() const override { return kFrameSize; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Area {
        QColor colour;
        QString text;
        QRect rect;
        bool placed = false;
    };
    std::vector<Area> areas_;
};
