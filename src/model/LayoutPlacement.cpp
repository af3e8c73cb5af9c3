#include "model/LayoutPlacement.h"

#include <algorithm>

void CLayoutPlacement::AddPositions(const QPoint& point, int count)
{
    if (count <= 0)
        return;
    if (!m_runs.isEmpty() && m_runs.constLast().point == point)
        m_runs.last().end += count;
    else
        m_runs.append({PositionCount() + count, point});
}

int CLayoutPlacement::RunOf(int group) const
{
    const auto run = std::upper_bound(m_runs.cbegin(), m_runs.cend(), group,
                                      [](int position, const SRun& r) { return position < r.end; });
    return int(run - m_runs.cbegin());
}

QPoint CLayoutPlacement::Position(int group) const
{
    return group >= 0 && group < PositionCount() ? m_runs.at(RunOf(group)).point : QPoint(0, 0);
}

bool CLayoutPlacement::SetPosition(int group, const QPoint& point)
{
    if (group < 0 || group >= PositionCount())
        return false;
    int index = RunOf(group);
    if (m_runs.at(index).point == point)
        return true;
    const int start = index > 0 ? m_runs.at(index - 1).end : 0;
    const int end = m_runs.at(index).end;
    // The run splits into what lies before the position, the position and
    // what lies after it.
    if (group + 1 < end)
        m_runs.insert(index + 1, {end, m_runs.at(index).point});
    if (group > start) {
        m_runs[index].end = group;
        m_runs.insert(++index, {group + 1, point});
    } else {
        m_runs[index] = {group + 1, point};
    }
    MergeAround(index);
    return true;
}

bool CLayoutPlacement::RemovePosition(int group)
{
    if (group < 0 || group >= PositionCount())
        return false;
    const int index = RunOf(group);
    for (int i = index; i < m_runs.size(); ++i)
        --m_runs[i].end;
    const int start = index > 0 ? m_runs.at(index - 1).end : 0;
    if (m_runs.at(index).end > start)
        return true;
    m_runs.remove(index);
    if (index > 0 && index < m_runs.size())
        MergeAround(index - 1);
    return true;
}

void CLayoutPlacement::MergeAround(int index)
{
    if (index + 1 < m_runs.size() && m_runs.at(index + 1).point == m_runs.at(index).point) {
        m_runs[index].end = m_runs.at(index + 1).end;
        m_runs.remove(index + 1);
    }
    if (index > 0 && m_runs.at(index - 1).point == m_runs.at(index).point) {
        m_runs[index - 1].end = m_runs.at(index).end;
        m_runs.remove(index);
    }
}

QPoint CLayoutPlacement::ItemPosition() const
{
    return m_layoutItem ? m_layoutItem->ItemRect().topLeft() : QPoint(0, 0);
}
