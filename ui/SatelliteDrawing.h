#pragma once
// What the sky plot and the signal bars share: the off-screen picture, the background with its
// sunken frame, and the label font.

#include <QFont>
#include <QRect>

class QPainter;
class QPalette;
class QPixmap;
class QWidget;

namespace ui {

// The small label font ("Arial" 7 point, or the nearest the system has).
QFont satelliteLabelFont();

// Fills rect with the button face and draws a sunken frame in the shadow and highlight colours.
void drawSunkenBackground(QPainter& painter, const QPalette& palette, const QRect& rect);

// Makes picture the off-screen copy of widget: its size at the screen's pixel ratio.
void fitPicture(QPixmap& picture, const QWidget& widget);

} // namespace ui
