#include "layout/view/2DItem.h"

void C2DItem::Draw(QPainter& painter, float scale)
{
    PaintSelectionColors({m_selected});
    m_drawer.DrawSymbol(painter, m_rect.topLeft(), scale);
}

bool C2DItem::SelectAt(const QPoint& point, bool)
{
    if (!m_rect.contains(point))
        return false;
    m_selected = true;
    return true;
}

bool C2DItem::SelectInRect(const QRect& rect, bool)
{
    if (!m_rect.intersects(rect))
        return false;
    m_selected = true;
    return true;
}
