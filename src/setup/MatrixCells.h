#pragma once

#include "model/Triggers.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class CPatchBlock;
class CPatchMatrixBlock;

// The cells of a matrix being built and the rules that place fixtures on
// them: addresses chained across universes of 512 slots, the sixteen wiring
// orders, adding, removing and moving cells. No widget: the grid window
// draws these records and forwards the operator's gestures.
//
// Positions handed between the rules are relative to the start universe:
// position p is address p mod 512 of universe start + p / 512.
class CMatrixCells
{
public:
    struct Cell
    {
        QRect rect; // the grid square; invalid for a cell without fixture
        int number = 0;
        int address = 0;
        int universe = 0;
        CPatchBlock* block = nullptr; // the member an edited matrix had here
        bool IsPlaced() const { return rect.isValid(); }
    };

    static constexpr int kSlots = kDmxChannelsPerUniverse;

    // `limit` is the absolute position no fixture start may reach; no
    // fixture lies in or past universe `universeCount`.
    CMatrixCells(int channels, int universe, int start, int limit, int universeCount);

    int Channels() const { return m_channels; }
    int StartUniverse() const { return m_universe; }
    int Start() const { return m_start; }
    int Limit() const { return m_limit; }

    // The patch settings: first address F and fixtures per universe N.
    void SetFirstAddress(int first);
    int FirstAddress() const { return m_first; }
    int MaxFixturesPerUniverse() const;
    void SetFixturesPerUniverse(int count);
    int FixturesPerUniverse() const { return m_perUniverse; }
    // The last slot a universe's chain may use.
    int LastAddress() const { return m_first - 1 + m_perUniverse * m_channels; }

    int ChainStart() const;
    // Where the fixture after the one at `position` starts; a fixture never
    // runs past the last address, so never past slot 511.
    int NextAddress(int position) const;
    bool IsFreeStart(int universe, int address) const;
    bool IsFreePosition(int position) const;
    // Fixtures the chain places before the limit.
    int Capacity() const;

    // Geometry.
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    QSize CellSize() const { return m_cellSize; }
    // Keeps every placed cell on its column and row.
    void SetCellSize(const QSize& size);
    QRect Square(int column, int row) const;
    QRect SquareAt(const QPoint& point) const;
    QSize GridSize() const { return QSize(m_columns * m_cellSize.width(), m_rows * m_cellSize.height()); }

    // A new size: with `keep`, squares of the old grid that were emptied stay
    // empty; without, every square is filled again. Every placed cell is then
    // numbered and chained in grid order; cells the chain cannot place stay empty.
    void RebuildGrid(int columns, int rows, bool keep);
    // Orders 0 to 7 are H1 to H8, 8 to 15 V1 to V8.
    void SetOrder(int order, bool following);
    // False when no free address is left (or no record): nothing changed.
    bool AddCellAt(const QRect& square);
    void RemoveSelected();
    // Exchanges number and address of two cells; squares and members stay.
    void SwapCells(int a, int b);
    // A dragged cell dropped on `square`: an occupied square swaps the two
    // fixtures, an empty one takes the fixture; members go with fixtures.
    // False when nothing moved.
    bool DropCell(int source, const QRect& square);
    // Binds the members of an edited matrix to their cells; returns how many
    // members have no usable cell and were left out.
    int LoadMatrix(const CPatchMatrixBlock& matrix);

    int CellCount() const { return m_cells.size(); }
    const Cell& CellAt(int i) const { return m_cells.at(i); }
    void SetCell(int i, int number, int address, int universe);
    int FindCell(const QRect& square) const;
    int CellAtPoint(const QPoint& point) const;
    int EmptyCellCount() const;
    int PlacedCellCount() const;
    // The cell's place in the matrix layout for a fixture of `beams` pixels.
    QRect CellLayoutRect(int i, const QSize& beams) const;
    // Placed cells by fixture number.
    QList<int> PreviewOrder() const;

    QList<int> m_selection; // cell indices in the order they were selected

private:
    int ColumnOf(const Cell& cell) const { return cell.rect.left() / m_cellSize.width(); }
    int RowOf(const Cell& cell) const { return cell.rect.top() / m_cellSize.height(); }
    int Position(int universe, int address) const { return (universe - m_universe) * kSlots + address; }
    void SetCellAt(Cell& cell, int position, int number);
    bool IsSquareTaken(const QRect& square) const;

    int m_channels;
    int m_universe;
    int m_start;
    int m_limit;
    int m_universeCount;
    int m_first;
    int m_perUniverse = 1;
    int m_columns = 0;
    int m_rows = 0;
    QSize m_cellSize{30, 30};
    QList<Cell> m_cells;
};
