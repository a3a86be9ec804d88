#pragma once
// Icons drawn with QPainter at whatever size and pixel ratio they are asked for, so flags,
// the window icon and the wait-box picture stay crisp at any scale without image files.

#include <QIcon>

class QPainter;
class QRectF;

enum class PaintedImage {
    AppIcon,        // the processor front with two lamps
    ChineseFlag,    // the CH radio
    EnglishFlag,    // the EN radio
    ConnectingLink  // the wait box picture
};

QIcon paintedIcon(PaintedImage image);

// Paints the image into rect; used by the icon engine and by widgets that draw it inline.
void paintImage(QPainter& painter, const QRectF& rect, PaintedImage image);
