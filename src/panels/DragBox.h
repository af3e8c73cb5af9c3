#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

// The resizable dashed box of the pan/tilt grids: which handle lies under
// the pointer, the cursor it shows, and where a dragged edge may go.
// Rectangles are inclusive pixels.
namespace DragBox {

enum Handle { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4, TopLeft = 5, TopRight = 6, BottomLeft = 7,
              BottomRight = 8, Inside = 9 };

// An edge never comes nearer than this to the opposite one.
constexpr int kMinSpan = 10;

// Corners first, then the left and right edges, the top and bottom ones,
// then the box itself.
int HitHandle(const QRect& box, const QPoint& point);
Qt::CursorShape CursorFor(int handle);
// The box with the grabbed edge (or the two edges of a corner) on `point`.
QRect DragEdges(QRect box, int handle, const QPoint& point);
// The box moved by `delta`, shifted back inside `bounds`.
QRect MoveInside(QRect box, const QPoint& delta, const QRect& bounds);

} // namespace DragBox
