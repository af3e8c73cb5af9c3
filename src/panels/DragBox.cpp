#include "panels/DragBox.h"

namespace DragBox {

namespace {

QRect Around(int x, int y)
{
    return QRect(QPoint(x - 2, y - 2), QPoint(x + 1, y + 1));
}

} // namespace

int HitHandle(const QRect& b, const QPoint& p)
{
    const QRect handles[8] = {
        Around(b.left(), b.top()), Around(b.right(), b.top()), Around(b.left(), b.bottom()),
        Around(b.right(), b.bottom()),
        QRect(QPoint(b.left() - 2, b.top()), QPoint(b.left() + 1, b.bottom())),
        QRect(QPoint(b.right() - 2, b.top()), QPoint(b.right() + 1, b.bottom())),
        QRect(QPoint(b.left(), b.top() - 2), QPoint(b.right(), b.top() + 1)),
        QRect(QPoint(b.left(), b.bottom() - 2), QPoint(b.right(), b.bottom() + 1)),
    };
    const int order[8] = {TopLeft, TopRight, BottomLeft, BottomRight, Left, Right, Top, Bottom};
    for (int i = 0; i < 8; ++i) {
        if (handles[i].contains(p))
            return order[i];
    }
    return b.contains(p) ? Inside : None;
}

Qt::CursorShape CursorFor(int handle)
{
    switch (handle) {
    case TopLeft:
    case BottomRight:
        return Qt::SizeFDiagCursor;
    case TopRight:
    case BottomLeft:
        return Qt::SizeBDiagCursor;
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    case Top:
    case Bottom:
        return Qt::SizeVerCursor;
    case Inside:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QRect DragEdges(QRect box, int handle, const QPoint& p)
{
    const bool top = handle == Top || handle == TopLeft || handle == TopRight;
    const bool bottom = handle == Bottom || handle == BottomLeft || handle == BottomRight;
    const bool left = handle == Left || handle == TopLeft || handle == BottomLeft;
    const bool right = handle == Right || handle == TopRight || handle == BottomRight;
    if (top)
        box.setTop(qMin(p.y(), box.bottom() - kMinSpan));
    if (bottom)
        box.setBottom(qMax(p.y(), box.top() + kMinSpan));
    if (left)
        box.setLeft(qMin(p.x(), box.right() - kMinSpan));
    if (right)
        box.setRight(qMax(p.x(), box.left() + kMinSpan));
    return box;
}

QRect MoveInside(QRect box, const QPoint& delta, const QRect& bounds)
{
    box.translate(delta);
    if (box.right() > bounds.right())
        box.moveRight(bounds.right());
    if (box.left() < bounds.left())
        box.moveLeft(bounds.left());
    if (box.bottom() > bounds.bottom())
        box.moveBottom(bounds.bottom());
    if (box.top() < bounds.top())
        box.moveTop(bounds.top());
    return box;
}

} // namespace DragBox
