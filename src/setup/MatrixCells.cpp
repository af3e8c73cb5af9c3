#include "setup/MatrixCells.h"

#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// One fixture per slot of every universe is the most any matrix can hold.
constexpr int kMaxCells = 256 * CMatrixCells::kSlots;

// The sort key of a cell under a wiring order: line first, then the place
// inside the line.
std::pair<int, int> OrderKey(int order, int column, int row)
{
    const bool vertical = order >= 8 && order <= 15;
    const int k = vertical ? order - 8 : (order >= 0 && order <= 7 ? order : 0);
    // Lines run forwards for H1, H3, H5, H7 (V1, V2, V5, V6 among columns).
    static const bool kLineForward[2][8] = {{true, false, true, false, true, false, true, false},
                                            {true, true, false, false, true, true, false, false}};
    // Inside a line, from the line's start; the last four alternate by the
    // parity of the line and the flag gives the even lines' way.
    static const bool kInsideForward[2][8] = {{true, true, false, false, true, false, false, true},
                                              {true, false, true, false, true, false, false, true}};
    const int line = vertical ? column : row;
    const int inside = vertical ? row : column;
    bool forward = kInsideForward[vertical][k];
    if (k >= 4 && line % 2 == 1)
        forward = !forward;
    return {kLineForward[vertical][k] ? line : -line, forward ? inside : -inside};
}

} // namespace

CMatrixCells::CMatrixCells(int channels, int universe, int start, int limit, int universeCount)
    : m_channels(std::clamp(channels, 1, kSlots)), m_universe(std::max(0, universe)),
      m_start(std::clamp(start, 0, kSlots - m_channels)), m_universeCount(std::max(1, universeCount)),
      m_first(m_start)
{
    m_limit = int(std::clamp<qint64>(limit, 0, qint64(m_universeCount) * kSlots));
    m_perUniverse = MaxFixturesPerUniverse();
}

// ---- Addresses ----

void CMatrixCells::SetFirstAddress(int first)
{
    m_first = std::clamp(first, 0, kSlots - m_channels);
    m_perUniverse = std::clamp(m_perUniverse, 1, MaxFixturesPerUniverse());
}

int CMatrixCells::MaxFixturesPerUniverse() const
{
    return (kSlots - m_first) / m_channels;
}

void CMatrixCells::SetFixturesPerUniverse(int count)
{
    m_perUniverse = std::clamp(count, 1, MaxFixturesPerUniverse());
}

int CMatrixCells::ChainStart() const
{
    const int last = LastAddress();
    if (m_first >= m_start && m_first + m_channels <= last)
        return m_first;
    if (m_start + m_channels <= last)
        return m_start;
    return kSlots + m_first;
}

int CMatrixCells::NextAddress(int position) const
{
    const int address = position % kSlots;
    if (address + 2 * m_channels <= LastAddress() + 1)
        return position + m_channels;
    return (position / kSlots + 1) * kSlots + m_first;
}

bool CMatrixCells::IsFreeStart(int universe, int address) const
{
    return universe >= 0 && universe < m_universeCount && address >= 0 && address + m_channels <= kSlots &&
           qint64(universe) * kSlots + address < m_limit;
}

bool CMatrixCells::IsFreePosition(int position) const
{
    return position >= 0 && IsFreeStart(m_universe + position / kSlots, position % kSlots);
}

int CMatrixCells::Capacity() const
{
    int count = 0;
    for (int p = ChainStart(); IsFreePosition(p) && count < kMaxCells; p = NextAddress(p))
        ++count;
    return count;
}

// ---- Geometry ----

void CMatrixCells::SetCellSize(const QSize& size)
{
    const QSize old = m_cellSize;
    m_cellSize = QSize(std::max(1, size.width()), std::max(1, size.height()));
    for (Cell& cell : m_cells) {
        if (cell.IsPlaced())
            cell.rect = Square(cell.rect.left() / old.width(), cell.rect.top() / old.height());
    }
}

QRect CMatrixCells::Square(int column, int row) const
{
    return QRect(column * m_cellSize.width(), row * m_cellSize.height(), m_cellSize.width(), m_cellSize.height());
}

QRect CMatrixCells::SquareAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0)
        return QRect();
    const int column = point.x() / m_cellSize.width();
    const int row = point.y() / m_cellSize.height();
    return column < m_columns && row < m_rows ? Square(column, row) : QRect();
}

bool CMatrixCells::IsSquareTaken(const QRect& square) const
{
    return FindCell(square) >= 0;
}

// ---- Building ----

void CMatrixCells::RebuildGrid(int columns, int rows, bool keep)
{
    columns = std::clamp(columns, 1, kMaxCells);
    rows = std::clamp(rows, 1, kMaxCells / columns);
    const QRect oldArea(QPoint(0, 0), GridSize());
    QSet<QPair<int, int>> oldPlaced;
    for (const Cell& cell : std::as_const(m_cells)) {
        if (cell.IsPlaced())
            oldPlaced.insert({ColumnOf(cell), RowOf(cell)});
    }
    const int count = columns * rows;
    // Members whose record goes or stays empty are handed to placed cells
    // without one, so an edited matrix keeps its fixtures.
    QList<CPatchBlock*> orphans;
    for (int i = count; i < m_cells.size(); ++i) {
        if (m_cells[i].block)
            orphans << m_cells[i].block;
    }
    if (keep) {
        QList<Cell> fresh;
        fresh.reserve(count);
        for (int i = 0; i < count; ++i) {
            fresh << Cell();
            if (i < m_cells.size())
                fresh[i].block = m_cells[i].block;
        }
        m_cells = fresh;
    } else {
        while (m_cells.size() > count)
            m_cells.removeLast();
        while (m_cells.size() < count)
            m_cells << Cell();
    }
    m_selection.clear();
    m_columns = columns;
    m_rows = rows;

    int p = ChainStart();
    int n = 1;
    for (int i = 0; i < count; ++i) {
        Cell& cell = m_cells[i];
        const QRect square = Square(i % columns, i / columns);
        const bool emptied = keep && oldArea.contains(square) && !oldPlaced.contains({i % columns, i / columns});
        if (emptied || !IsFreePosition(p)) {
            cell.rect = QRect();
            continue;
        }
        cell.rect = square;
        SetCellAt(cell, p, n++);
        p = NextAddress(p);
    }
    for (Cell& cell : m_cells) {
        if (!cell.IsPlaced() && cell.block) {
            orphans << cell.block;
            cell.block = nullptr;
        }
    }
    for (Cell& cell : m_cells) {
        if (orphans.isEmpty())
            break;
        if (cell.IsPlaced() && !cell.block)
            cell.block = orphans.takeFirst();
    }
    for (Cell& cell : m_cells) {
        if (orphans.isEmpty())
            break;
        if (!cell.block)
            cell.block = orphans.takeFirst();
    }
}

void CMatrixCells::SetOrder(int order, bool following)
{
    QList<int> selected;
    QSet<int> seen;
    for (int i : std::as_const(m_selection)) {
        if (i >= 0 && i < m_cells.size() && m_cells[i].IsPlaced() && !seen.contains(i)) {
            seen.insert(i);
            selected << i;
        }
    }
    if (selected.isEmpty()) {
        int p = ChainStart();
        int n = 1;
        for (int i = 0; i < m_cells.size(); ++i) {
            if (!m_cells[i].IsPlaced())
                continue;
            selected << i;
            if (IsFreePosition(p)) {
                SetCellAt(m_cells[i], p, n++);
                p = NextAddress(p);
            }
        }
        following = false;
    }
    if (following) {
        // Gaps between the selected cells close first, from their lowest address.
        QHash<int, int> holders; // position -> first placed cell there
        for (int j = m_cells.size() - 1; j >= 0; --j) {
            if (m_cells[j].IsPlaced())
                holders.insert(Position(m_cells[j].universe, m_cells[j].address), j);
        }
        int q = INT_MAX;
        for (int i : std::as_const(selected))
            q = std::min(q, Position(m_cells[i].universe, m_cells[i].address));
        for (int i : std::as_const(selected)) {
            if (!IsFreePosition(q))
                break;
            Cell& cell = m_cells[i];
            const int from = Position(cell.universe, cell.address);
            if (from != q) {
                const int holder = holders.value(q, -1);
                if (holder >= 0) {
                    SwapCells(i, holder);
                    holders.insert(from, holder);
                } else {
                    SetCellAt(cell, q, cell.number);
                    if (holders.value(from) == i)
                        holders.remove(from);
                }
                holders.insert(q, i);
            }
            q = NextAddress(q);
        }
    }
    struct Place
    {
        int number, address, universe;
    };
    QList<Place> places;
    for (int i : std::as_const(selected))
        places << Place{m_cells[i].number, m_cells[i].address, m_cells[i].universe};
    std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return std::make_pair(a.universe, a.address) < std::make_pair(b.universe, b.address);
    });
    std::stable_sort(selected.begin(), selected.end(), [&](int a, int b) {
        return OrderKey(order, ColumnOf(m_cells[a]), RowOf(m_cells[a])) <
               OrderKey(order, ColumnOf(m_cells[b]), RowOf(m_cells[b]));
    });
    for (int k = 0; k < selected.size(); ++k)
        SetCell(selected[k], places[k].number, places[k].address, places[k].universe);
}

bool CMatrixCells::AddCellAt(const QRect& square)
{
    int record = -1;
    for (int i = 0; i < m_cells.size() && record < 0; ++i) {
        if (!m_cells[i].IsPlaced())
            record = i;
    }
    if (record < 0 || !square.isValid() || IsSquareTaken(square))
        return false;
    QSet<int> numbers;
    QSet<int> positions;
    for (const Cell& cell : std::as_const(m_cells)) {
        if (cell.IsPlaced()) {
            numbers.insert(cell.number);
            positions.insert(Position(cell.universe, cell.address));
        }
    }
    int n = 1;
    while (numbers.contains(n))
        ++n;
    int p = ChainStart();
    while (positions.contains(p) && IsFreePosition(p))
        p = NextAddress(p);
    if (!IsFreePosition(p))
        return false;
    m_cells[record].rect = square;
    SetCellAt(m_cells[record], p, n);
    return true;
}

void CMatrixCells::RemoveSelected()
{
    for (int i : std::as_const(m_selection)) {
        if (i >= 0 && i < m_cells.size())
            m_cells[i].rect = QRect();
    }
    m_selection.clear();
    if (PlacedCellCount() == 0 && !m_cells.isEmpty())
        m_cells[0].rect = Square(0, 0);
}

void CMatrixCells::SwapCells(int a, int b)
{
    if (a == b || a < 0 || b < 0 || a >= m_cells.size() || b >= m_cells.size())
        return;
    std::swap(m_cells[a].number, m_cells[b].number);
    std::swap(m_cells[a].address, m_cells[b].address);
    std::swap(m_cells[a].universe, m_cells[b].universe);
}

bool CMatrixCells::DropCell(int source, const QRect& square)
{
    if (source < 0 || source >= m_cells.size() || !m_cells[source].IsPlaced())
        return false;
    if (!square.isValid() || square != SquareAt(square.topLeft()) || square == m_cells[source].rect)
        return false;
    int target = FindCell(square);
    if (target < 0) {
        // The record of the square's own index when it is free, else the
        // first free one: a record an add put elsewhere keeps its fixture.
        const int own = square.top() / m_cellSize.height() * m_columns + square.left() / m_cellSize.width();
        if (own < m_cells.size() && !m_cells[own].IsPlaced())
            target = own;
        for (int i = 0; i < m_cells.size() && target < 0; ++i) {
            if (!m_cells[i].IsPlaced())
                target = i;
        }
        if (target < 0)
            return false;
        m_cells[target].rect = square;
        m_cells[source].rect = QRect();
    }
    SwapCells(source, target);
    std::swap(m_cells[source].block, m_cells[target].block);
    return true;
}

int CMatrixCells::LoadMatrix(const CPatchMatrixBlock& matrix)
{
    for (Cell& cell : m_cells) {
        cell.rect = QRect();
        cell.block = nullptr;
    }
    m_selection.clear();
    const qint64 lowest = matrix.LowestId();
    const auto bind = [&](int index, const QRect& square, CPatchBlock* member) {
        Cell& cell = m_cells[index];
        cell.block = member;
        cell.rect = square;
        const qint64 number = std::clamp<qint64>(member->m_id - lowest + 1, 1, kMaxCells);
        SetCell(index, int(number), member->m_start, member->m_universe);
    };
    int leftOut = 0;
    // Members sharing a cell wait until every member on its own cell is
    // bound, then take the first free squares: none is lost.
    QList<CPatchBlock*> displaced;
    for (int k = 0; k < matrix.m_members.size(); ++k) {
        CPatchBlock* member = matrix.m_members[k];
        const QRect r = k < matrix.m_cells.size() ? matrix.m_cells[k] : QRect();
        if (!member || r.width() <= 0 || r.height() <= 0 || r.left() < 0 || r.top() < 0 || member->m_universe < 0 ||
            member->m_universe >= m_universeCount || member->m_start < 0 ||
            member->m_start + m_channels > kSlots) {
            ++leftOut;
            continue;
        }
        const int column = r.left() / r.width();
        const int row = r.top() / r.height();
        if (column >= m_columns || row >= m_rows) {
            ++leftOut;
            continue;
        }
        const int index = column + m_columns * row;
        if (m_cells[index].block)
            displaced << member;
        else
            bind(index, Square(column, row), member);
    }
    for (CPatchBlock* member : std::as_const(displaced)) {
        int index = -1;
        for (int i = 0; i < m_cells.size() && index < 0; ++i) {
            if (!m_cells[i].IsPlaced() && !m_cells[i].block)
                index = i;
        }
        QRect square;
        for (int i = 0; i < m_columns * m_rows && !square.isValid(); ++i) {
            const QRect candidate = Square(i % m_columns, i / m_columns);
            if (!IsSquareTaken(candidate))
                square = candidate;
        }
        if (index < 0 || !square.isValid())
            ++leftOut;
        else
            bind(index, square, member);
    }
    return leftOut;
}

// ---- Records ----

void CMatrixCells::SetCell(int i, int number, int address, int universe)
{
    if (i < 0 || i >= m_cells.size())
        return;
    m_cells[i].number = number;
    m_cells[i].address = address;
    m_cells[i].universe = universe;
}

void CMatrixCells::SetCellAt(Cell& cell, int position, int number)
{
    cell.number = number;
    cell.address = position % kSlots;
    cell.universe = m_universe + position / kSlots;
}

int CMatrixCells::FindCell(const QRect& square) const
{
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].IsPlaced() && m_cells[i].rect == square)
            return i;
    }
    return -1;
}

int CMatrixCells::CellAtPoint(const QPoint& point) const
{
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].IsPlaced() && m_cells[i].rect.contains(point))
            return i;
    }
    return -1;
}

int CMatrixCells::EmptyCellCount() const
{
    return int(m_cells.size()) - PlacedCellCount();
}

int CMatrixCells::PlacedCellCount() const
{
    return int(std::count_if(m_cells.begin(), m_cells.end(), [](const Cell& cell) { return cell.IsPlaced(); }));
}

QRect CMatrixCells::CellLayoutRect(int i, const QSize& beams) const
{
    if (i < 0 || i >= m_cells.size() || !m_cells[i].IsPlaced())
        return QRect();
    return QRect(ColumnOf(m_cells[i]) * beams.width(), RowOf(m_cells[i]) * beams.height(), beams.width(),
                 beams.height());
}

QList<int> CMatrixCells::PreviewOrder() const
{
    QList<int> order;
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].IsPlaced())
            order << i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_cells[a].number < m_cells[b].number; });
    return order;
}
