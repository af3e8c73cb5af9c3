#pragma once

#include "show/DmxLayer.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>

class CPatchBlock;
class CPatchedFixture;
class CProject;

// The cells of the ID dialog: one 30-pixel cell per fixture, 20 to a row,
// showing its ID and first address. Cells are exchanged by drag and drop or
// sorted by address; a chase lights the fixture of one cell after the other
// on the live layer, which gets back exactly what it held when the chase
// ends or the grid goes.
class CAssignIdsWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kCellSide = 30;
    static constexpr int kMaxColumns = 20;

    // The blocks stay the caller's; each names its fixture and profile.
    CAssignIdsWnd(CProject& project, const QList<CPatchBlock*>& blocks, QWidget* parent = nullptr);
    ~CAssignIdsWnd() override;

    int Count() const { return m_cells.size(); }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    QSize GridSize() const { return QSize(m_columns * kCellSide, m_rows * kCellSide); }

    // What cell n shows now: the ID its fixture had when the dialog opened,
    // and the first address (0-based) and universe.
    int IdAt(int n) const;
    int StartAt(int n) const;
    int UniverseAt(int n) const;
    // The fixture now standing in cell n, and the ID it takes: the n-th of
    // the IDs in the order the cells opened, so the fixtures take the IDs
    // in the order of the cells whatever exchanges and sorts led there.
    CPatchedFixture* FixtureAt(int n) const;
    int NewIdAt(int n) const;

    // The cell whose slot holds `point`; -1 for none.
    int CellAt(const QPoint& point) const;
    // A drag starts from the cell under `point`; false when there is none or
    // a chase runs.
    bool BeginDrag(const QPoint& point);
    // The dragged cell is let go at `point`: it changes place with the cell
    // there.
    void DropAt(const QPoint& point);
    void Exchange(int a, int b);
    void SortByAddress(bool ascending);

    bool IsChasing() const { return m_chasing; }
    int Position() const { return m_position; }
    void StartChase();
    void StopChase();
    // Only the fixture of cell `position` is lit on the live layer.
    void ShowPosition(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Cell {
        int id = 0;
        int start = 0;
        int universe = 0;
        QPixmap picture;
        CPatchBlock* block = nullptr;
    };

    QRect SlotAt(const QPoint& point) const;
    QRect CellRect(int i) const;
    void DrawCell(QPainter& painter, const Cell& cell, const QRect& rect, int state) const;
    void RedrawCellPicture(Cell& cell) const;
    void RebuildGrid();
    void ClearTarget();
    void EndChase(bool repaint);

    CProject& m_project;
    int m_source = -1;
    int m_target = -1;
    int m_columns = 0;
    int m_rows = 0;
    QRect m_targetRect;
    QPixmap m_grid;
    CDmxLayer m_savedMask;
    CDmxLayer m_savedLive;
    int m_position = 0;
    bool m_chasing = false;
    QList<Cell> m_cells;
    QList<int> m_openingIds;
};
