#include "model/LayoutPlacement.h"

QPoint CLayoutPlacement::Position(int group) const
{
    return group >= 0 && group < m_positions.size() ? m_positions.at(group) : QPoint(0, 0);
}

bool CLayoutPlacement::SetPosition(int group, const QPoint& point)
{
    if (group < 0 || group >= m_positions.size())
        return false;
    m_positions[group] = point;
    return true;
}

bool CLayoutPlacement::RemovePosition(int group)
{
    if (group < 0 || group >= m_positions.size())
        return false;
    m_positions.removeAt(group);
    return true;
}

QPoint CLayoutPlacement::ItemPosition() const
{
    return m_layoutItem ? m_layoutItem->ItemRect().topLeft() : QPoint(0, 0);
}
