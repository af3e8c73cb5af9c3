#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// What the model reads of an item of the 2-D layout view: its rectangle in
// view coordinates. The layout view's items implement it; they are deleted
// through their own type, never through this one.
class CLayoutItem
{
public:
    virtual QRect ItemRect() const = 0;

protected:
    ~CLayoutItem() = default;
};

// Where something the layout view draws stands: one position per group,
// indexed like the project's group list, and the view's item while it is
// shown. Patched fixtures and fixture matrices are placed alike.
class CLayoutPlacement
{
public:
    explicit CLayoutPlacement(CLayoutItem* layoutItem = nullptr) : m_layoutItem(layoutItem) {}

    void AddPosition(const QPoint& point) { m_positions << point; }
    void AddPosition(int x, int y) { m_positions << QPoint(x, y); }
    // Positions read, appended in the room of their own count: grown one at
    // a time, the lists of thousands of fixtures in thousands of groups
    // kept up to twice their room.
    void AddPositions(const QList<QPoint>& points)
    {
        if (m_positions.isEmpty()) {
            m_positions = points;
            return;
        }
        m_positions.reserve(m_positions.size() + points.size());
        m_positions.append(points);
    }
    // (0, 0) for a group without a position.
    QPoint Position(int group) const;
    bool SetPosition(int group, const QPoint& point);
    bool RemovePosition(int group);
    int PositionCount() const { return m_positions.size(); }

    void SetLayoutItem(CLayoutItem* item) { m_layoutItem = item; }
    CLayoutItem* LayoutItem() const { return m_layoutItem; }
    // Top-left corner of the layout item; (0, 0) without one.
    QPoint ItemPosition() const;

protected:
    // Only the placed classes own a placement; none is deleted through it.
    ~CLayoutPlacement() = default;

private:
    QList<QPoint> m_positions;
    CLayoutItem* m_layoutItem = nullptr;
};
