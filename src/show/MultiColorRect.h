#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// Fills the rectangle with 1 to 4 side-by-side colour bands of equal width
// (whole, halves, thirds, quarters), the last band taking what division
// leaves over. A count outside 1-4 is held to it; `colors` holds at least
// that many colours.
void DrawMultiColorRect(QPainter& painter, const QRect& rect, int colorCount, const QColor* colors);
