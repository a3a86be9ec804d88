#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <tuple>

#include "gui/ui/color_button.h"

namespace {

using State = CColorButton::State;

const QColor kFace(0, 255, 0), kDisabledFace(10, 20, 30), kLight(200, 0, 0), kHighlight(0, 0, 200),
    kShadow(100, 100, 0), kDarkShadow(0, 100, 100);
const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kGrey(128, 128, 128);
constexpr int kW = 67, kH = 45;  // a wall cell's button

// A wall cell's button; plain pixels in the caption so that colours compare exactly.
struct Rig {
    CColorButton button{QStringLiteral("005")};
    Rig() {
        QFont font = button.font();
        font.setPointSize(20);
        font.setStyleStrategy(QFont::NoAntialias);
        button.setFont(font);
        button.resize(kW, kH);
        button.textColour = kWhite;
        button.face = kFace;
        button.disabledFace = kDisabledFace;
        button.light = kLight;
        button.highlight = kHighlight;
        button.shadow = kShadow;
        button.darkShadow = kDarkShadow;
    }
    QImage draw(State state) {
        QImage image(kW, kH, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter p(&image);
        button.drawItem(p, QRect(0, 0, kW, kH), state);
        return image;
    }
};

// The smallest rectangle holding every pixel of the colour.
QRect pixelsOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

// Frame pixels from the outside in: raised, sunken, the default's black border and the focus
// rectangle, the disabled face.
TEST(ColorButton, FramesFollowTheState) {
    const int r = kW - 1, b = kH - 1;
    struct Case {
        const char* name;
        State state;
        std::vector<std::tuple<int, int, QColor>> pixels;
    };
    const std::vector<Case> cases{
        {"raised",
         {},
         {{0, 0, kHighlight}, {1, 1, kLight}, {r, b, kDarkShadow}, {0, b, kDarkShadow}}},
        {"sunken", {.pressed = true}, {{0, 0, kDarkShadow}, {1, 1, kShadow}, {2, 2, kFace}}},
        {"focused default",
         {.focused = true, .isDefault = true},
         {{0, 0, kBlack},
          {1, 1, kHighlight},
          {4, 4, kBlack},
          {5, 4, kFace},
          {r - 4, b - 4, kBlack}}},
        {"disabled", {.disabled = true}, {{0, 0, kHighlight}, {2, 2, kDisabledFace}}},
    };
    Rig rig;
    for (const auto& c : cases) {
        const QImage image = rig.draw(c.state);
        for (const auto& [x, y, colour] : c.pixels)
            EXPECT_EQ(image.pixelColor(x, y), colour) << c.name << " at " << x << "," << y;
    }
}

// Pressed, the caption moves one pixel right at the same height; disabled, it shows white
// where a pressed caption sits and grey one pixel left of it (centred text keeps its height).
TEST(ColorButton, CaptionOffsets) {
    Rig rig;
    const QRect raised = pixelsOf(rig.draw({}), kWhite);
    const QRect pressed = pixelsOf(rig.draw({.pressed = true}), kWhite);
    ASSERT_FALSE(raised.isEmpty());
    EXPECT_EQ(pressed, raised.translated(1, 0));

    const QImage disabled = rig.draw({.disabled = true});
    const QRect grey = pixelsOf(disabled, kGrey);
    EXPECT_EQ(grey, pressed.translated(-1, 0));
    // White shows where the grey copy does not cover it: at least its bottom and right.
    const QRect white = pixelsOf(disabled, kWhite);
    EXPECT_EQ(white.bottomRight(), pressed.bottomRight());
    // The face keeps its colour under a pressed caption.
    EXPECT_EQ(rig.draw({.pressed = true}).pixelColor(kW / 2, 3), kFace);
}

// The widget paints what drawItem draws for its own state.
TEST(ColorButton, PaintsItsOwnState) {
    Rig rig;
    rig.button.setDown(true);
    EXPECT_EQ(rig.button.grab().toImage().convertToFormat(QImage::Format_RGB32),
              rig.draw({.pressed = true}));
    rig.button.setDown(false);
    rig.button.setEnabled(false);
    EXPECT_EQ(rig.button.grab().toImage().convertToFormat(QImage::Format_RGB32),
              rig.draw({.disabled = true}));
}

}  // namespace
