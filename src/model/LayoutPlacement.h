#pragma once

#include <QPoint>
#include <QRect>
#include <QVector>

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
//
// A show may place tens of thousands of fixtures in thousands of groups,
// nearly all of them at the one place every new group gives an item it does
// not hold: the positions are kept as runs of equal places, so such a
// fixture costs a run, not a place per group.
class CLayoutPlacement
{
public:
    // Positions from the previous run's end up to `end` (exclusive) stand at
    // `point`; runs are never empty and neighbours differ.
    struct SRun {
        int end;
        QPoint point;
    };

    explicit CLayoutPlacement(CLayoutItem* layoutItem = nullptr) : m_layoutItem(layoutItem) {}

    void AddPosition(const QPoint& point) { AddPositions(point, 1); }
    void AddPosition(int x, int y) { AddPositions(QPoint(x, y), 1); }
    // `count` positions at the point.
    void AddPositions(const QPoint& point, int count);
    // (0, 0) for a group without a position.
    QPoint Position(int group) const;
    bool SetPosition(int group, const QPoint& point);
    bool RemovePosition(int group);
    int PositionCount() const { return m_runs.isEmpty() ? 0 : m_runs.constLast().end; }
    const QVector<SRun>& Runs() const { return m_runs; }

    void SetLayoutItem(CLayoutItem* item) { m_layoutItem = item; }
    CLayoutItem* LayoutItem() const { return m_layoutItem; }
    // Top-left corner of the layout item; (0, 0) without one.
    QPoint ItemPosition() const;

protected:
    // Only the placed classes own a placement; none is deleted through it.
    ~CLayoutPlacement() = default;

private:
    // The run that holds the position, by binary search.
    int RunOf(int group) const;
    // Joins the run at `index` with its neighbours where they hold its point.
    void MergeAround(int index);

    QVector<SRun> m_runs;
    CLayoutItem* m_layoutItem = nullptr;
};
