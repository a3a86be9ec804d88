#pragma once
// A push button drawn by hand in colours its owner sets at run time: the cells of the wall
// grid are grey, or green when selected. The owner writes the colours and calls update().

#include <QColor>
#include <QPushButton>

class QPainter;

class CColorButton : public QPushButton {
    Q_OBJECT
public:
    enum class HAlign { None, Left, Centre, Right };
    enum class VAlign { None, Top, Centre, Bottom };

    explicit CColorButton(const QString& text = {}, QWidget* parent = nullptr);

    // Start as the style's button colours.
    QColor textColour;    // caption of an enabled button
    QColor face;          // background of an enabled button
    QColor disabledFace;  // background of a disabled button
    QColor light;         // inner top and left edge when raised
    QColor highlight;     // outer top and left edge when raised
    QColor shadow;        // inner bottom and right edge when raised; inner edge when pressed
    QColor darkShadow;    // outer bottom and right edge when raised; outer edge when pressed

    // Caption layout; None centres each line in its own line box.
    HAlign hAlign = HAlign::None;
    VAlign vAlign = VAlign::None;
    bool multiLine = false;

    struct State {
        bool disabled = false, pressed = false, focused = false, isDefault = false;
    };
    // Draws the whole button into r as it looks in the given state.
    void drawItem(QPainter& p, const QRect& r, State state) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawCaption(QPainter& p, const QRect& t, const QColor& colour) const;
};
