#pragma once
// What the sky plot and the signal bars share: the background with its sunken frame, the label
// font, and the box around a satellite's label.

#include <QFont>
#include <QRect>

class QPainter;
class QPalette;

namespace ui {

// The small label font ("Arial" 7 point, or the nearest the system has).
QFont satelliteLabelFont();

// Fills rect with the button face and draws a sunken frame in the shadow and highlight colours.
void drawSunkenBackground(QPainter& painter, const QPalette& palette, const QRect& rect);

} // namespace ui
