#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// Small pictures the common widgets paint themselves, so they stay sharp at
// any size and need no picture file.

// A filled arrow head centred in `box`, pointing `degrees` counter-clockwise
// from the right (0 right, 90 up, 180 left, 270 down).
void PaintArrow(QPainter& painter, const QRectF& box, double degrees, const QColor& color);
void PaintPlus(QPainter& painter, const QRectF& box, const QColor& color);
void PaintCross(QPainter& painter, const QRectF& box, const QColor& color);
