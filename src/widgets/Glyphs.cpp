#include "widgets/Glyphs.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>

void PaintArrow(QPainter& painter, const QRectF& box, double degrees, const QColor& color)
{
    const double half = std::min(box.width(), box.height()) * 0.38;
    // Drawn pointing right about the box centre, then turned (y grows
    // downward on screen). The shaft keeps diagonals from reading backwards.
    const QPolygonF arrow({QPointF(half, 0), QPointF(0, -half * 0.7), QPointF(0, -half * 0.22),
                           QPointF(-half, -half * 0.22), QPointF(-half, half * 0.22), QPointF(0, half * 0.22),
                           QPointF(0, half * 0.7)});
    QTransform turn;
    turn.translate(box.center().x(), box.center().y());
    turn.rotate(-degrees);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(turn.map(arrow));
    painter.restore();
}

void PaintPlus(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double half = std::min(box.width(), box.height()) * 0.3;
    const QPointF c = box.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, std::max(1.5, half * 0.4), Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(c.x() - half, c.y()), QPointF(c.x() + half, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - half), QPointF(c.x(), c.y() + half));
    painter.restore();
}

void PaintCross(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double half = std::min(box.width(), box.height()) * 0.3;
    const QPointF c = box.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(c.x() - half, c.y() - half), QPointF(c.x() + half, c.y() + half));
    painter.drawLine(QPointF(c.x() - half, c.y() + half), QPointF(c.x() + half, c.y() - half));
    painter.restore();
}
