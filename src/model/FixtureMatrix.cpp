#include "model/FixtureMatrix.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// Layout pixels per step of the beam grid.
constexpr int kStep = 20;

// Sizes and positions come from files: keep every product inside an int.
int ClampToInt(qint64 value)
{
    return int(qBound<qint64>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return int(qBound<double>(std::numeric_limits<int>::min(), std::trunc(value), std::numeric_limits<int>::max()));
}

bool IsEmptyCell(const QRect& cell)
{
    return cell.width() <= 0 || cell.height() <= 0;
}

bool AreAllBeamsSelected(const QList<bool>& beamFlags)
{
    return !beamFlags.contains(false);
}

} // namespace

CFixtureMatrix::CFixtureMatrix(CLibraryProfile* profile, int id, int columns, int rows, CLayoutItem* layoutItem)
    : CFixtureMatrix(profile, id, columns, rows, 0)
{
    SetLayoutItem(layoutItem);
}

CFixtureMatrix::CFixtureMatrix(CLibraryProfile* profile, int id, int columns, int rows, int drawType)
    : m_id(id)
    , m_columns(qMax(0, columns))
    , m_rows(qMax(0, rows))
    , m_drawType(drawType)
    , m_profile(profile)
{
    UpdatePixelSize();
}

CFixtureMatrix::CFixtureMatrix(const CFixtureMatrix& other)
    : CLayoutPlacement(other.LayoutItem())
    , m_id(other.m_id)
    , m_columns(other.m_columns)
    , m_rows(other.m_rows)
    , m_pixelColumns(other.m_pixelColumns)
    , m_pixelRows(other.m_pixelRows)
    , m_virtual(other.m_virtual)
    , m_drawType(other.m_drawType)
    , m_profile(other.m_profile)
    , m_members(other.m_members)
    , m_cells(other.m_cells)
    , m_keys(other.m_keys)
{
}

void CFixtureMatrix::SetProfile(CLibraryProfile* profile)
{
    m_profile = profile;
    UpdatePixelSize();
}

void CFixtureMatrix::SetSize(int columns, int rows)
{
    m_columns = qMax(0, columns);
    m_rows = qMax(0, rows);
    UpdatePixelSize();
}

int CFixtureMatrix::ProfileBeamCount() const
{
    return m_profile ? m_profile->m_beams.size() : 0;
}

void CFixtureMatrix::UpdatePixelSize()
{
    if (ProfileBeamCount() < 2) {
        m_pixelColumns = m_columns;
        m_pixelRows = m_rows;
        return;
    }
    const qint64 perHundredX = TruncToInt((m_profile->m_beamExtentX + 1.0f) * 100.0f);
    const qint64 perHundredY = TruncToInt((m_profile->m_beamExtentY + 1.0f) * 100.0f);
    m_pixelColumns = qMax(0, ClampToInt(perHundredX * m_columns / 100));
    m_pixelRows = qMax(0, ClampToInt(perHundredY * m_rows / 100));
}

QSize CFixtureMatrix::CellSize() const
{
    if (!m_profile || m_profile->m_beams.isEmpty())
        return QSize(kStep, kStep);
    // Extents are never negative in a sound profile; a cell is at least one step.
    return QSize(qMax(kStep, TruncToInt((m_profile->m_beamExtentX + 1.0f) * kStep)),
                 qMax(kStep, TruncToInt((m_profile->m_beamExtentY + 1.0f) * kStep)));
}

bool CFixtureMatrix::AddMember(CPatchedFixture* fixture, const QRect& cell)
{
    if (!fixture)
        return false;
    m_members << fixture;
    m_cells << cell;
    m_keys << FirstPixelOfMember(m_members.size() - 1);
    return true;
}

bool CFixtureMatrix::RemoveMember(int index)
{
    if (index < 0 || index >= m_members.size())
        return false;
    m_members.removeAt(index);
    m_cells.removeAt(index);
    m_keys.removeAt(index);
    return true;
}

bool CFixtureMatrix::RemoveMember(const CPatchedFixture* fixture)
{
    return RemoveMember(IndexOfMember(fixture));
}

void CFixtureMatrix::ClearMembers()
{
    m_members.clear();
    m_cells.clear();
    m_keys.clear();
}

bool CFixtureMatrix::SetMemberCell(int index, const QRect& cell)
{
    if (index < 0 || index >= m_members.size())
        return false;
    m_cells[index] = cell;
    m_keys[index] = FirstPixelOfMember(index);
    return true;
}

int CFixtureMatrix::IndexOfMember(const CPatchedFixture* fixture) const
{
    for (int i = 0; i < m_members.size(); ++i) {
        if (m_members.at(i) == fixture)
            return i;
    }
    return -1;
}

CPatchedFixture* CFixtureMatrix::Member(int index) const
{
    return index >= 0 && index < m_members.size() ? m_members.at(index) : nullptr;
}

QRect CFixtureMatrix::MemberCell(int index) const
{
    return index >= 0 && index < m_cells.size() ? m_cells.at(index) : QRect();
}

void CFixtureMatrix::OrderMembers()
{
    m_keys.clear();
    for (int i = 0; i < m_members.size(); ++i)
        m_keys << FirstPixelOfMember(i);

    QVector<int> order(m_members.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return m_keys.at(a) < m_keys.at(b); });

    QList<CPatchedFixture*> members;
    QList<QRect> cells;
    QList<int> keys;
    for (int i : qAsConst(order)) {
        members << m_members.at(i);
        cells << m_cells.at(i);
        keys << m_keys.at(i);
    }
    m_members = members;
    m_cells = cells;
    m_keys = keys;
}

int CFixtureMatrix::FirstPixelOfMember(int index) const
{
    if (index < 0 || index >= m_cells.size())
        return -1;
    const QRect& cell = m_cells.at(index);
    if (IsEmptyCell(cell))
        return -1;
    return ClampToInt(qint64(m_columns) * cell.top() / cell.height() + cell.left() / cell.width());
}

int CFixtureMatrix::PixelOfMember(int index, const QByteArray& beamSelection) const
{
    if (index < 0 || index >= m_members.size())
        return -1;
    if (ProfileBeamCount() < 2)
        return m_keys.at(index);
    const QRect& cell = m_cells.at(index);
    if (IsEmptyCell(cell) || m_pixelColumns <= 0 || m_pixelRows <= 0)
        return -1;

    int beam = beamSelection.isEmpty() ? 0 : static_cast<signed char>(beamSelection.at(0));
    if (beam < 0 || beam >= ProfileBeamCount())
        beam = 0;
    const CBeamPosition& position = m_profile->m_beams.at(beam);
    // A beam placed beyond the grid is kept on its last column or row.
    const int column = qBound(0, ClampToInt((qint64(cell.left()) + TruncToInt(kStep * position.x)) / kStep),
                              m_pixelColumns - 1);
    const int row = qBound(0, ClampToInt((qint64(cell.top()) + TruncToInt(kStep * position.y)) / kStep),
                           m_pixelRows - 1);
    return ClampToInt(qint64(row) * m_pixelColumns + column);
}

QPoint CFixtureMatrix::CellOfFixture(const CPatchedFixture* fixture) const
{
    const int index = IndexOfMember(fixture);
    return index < 0 ? QPoint(0, 0) : m_cells.at(index).topLeft();
}

QPoint CFixtureMatrix::BeamPixel(int index, int beam) const
{
    if (index < 0 || index >= m_cells.size() || IsEmptyCell(m_cells.at(index)))
        return QPoint(-1, -1);
    const QRect& cell = m_cells.at(index);
    if (ProfileBeamCount() < 2)
        return QPoint(cell.left() / kStep, cell.top() / kStep);
    if (beam < 0 || beam >= ProfileBeamCount())
        return QPoint(-1, -1);
    const CBeamPosition& position = m_profile->m_beams.at(beam);
    return QPoint(ClampToInt((qint64(cell.left()) + TruncToInt(kStep * position.x)) / kStep),
                  ClampToInt((qint64(cell.top()) + TruncToInt(kStep * position.y)) / kStep));
}

void CFixtureMatrix::HitTest(int x, int y, int& member, int& beam) const
{
    member = -1;
    beam = -1;
    // Outside the grid a pixel must not wrap into the next row.
    if (x < 0 || y < 0 || x >= m_pixelColumns || y >= m_pixelRows)
        return;

    // Cells are looked up by key: once a member was removed, the members
    // no longer stand at their cell index.
    if (ProfileBeamCount() < 2) {
        const qint64 index = qint64(y) * m_columns + x;
        if (index <= std::numeric_limits<int>::max() && (member = m_keys.indexOf(int(index))) >= 0)
            beam = 0;
        return;
    }

    int beamsWidth = 0;
    int beamsHeight = 0;
    for (const CBeamPosition& position : qAsConst(m_profile->m_beams)) {
        beamsWidth = qMax(beamsWidth, TruncToInt(kStep * position.x));
        beamsHeight = qMax(beamsHeight, TruncToInt(kStep * position.y));
    }
    const qint64 px = qint64(kStep) * x;
    const qint64 py = qint64(kStep) * y;
    const qint64 column = px / (qint64(beamsWidth) + kStep);
    const qint64 row = py / (qint64(beamsHeight) + kStep);
    if (column >= m_columns || row >= m_rows)
        return;
    const qint64 index = row * m_columns + column;
    if (index > std::numeric_limits<int>::max() || (member = m_keys.indexOf(int(index))) < 0)
        return;

    const QRect& cell = m_cells.at(member);
    for (int b = 0; b < m_profile->m_beams.size(); ++b) {
        const qint64 left = qint64(cell.left()) + TruncToInt(kStep * m_profile->m_beams.at(b).x);
        const qint64 top = qint64(cell.top()) + TruncToInt(kStep * m_profile->m_beams.at(b).y);
        if (px >= left && px < left + kStep && py >= top && py < top + kStep) {
            beam = b;
            return;
        }
    }
}

CFixtureMatrix* CFixtureMatrix::BuildVirtualGrid()
{
    bool anySelected = false;
    bool allSelected = true;
    for (const CPatchedFixture* fixture : qAsConst(m_members)) {
        if (fixture->IsAnyBeamSelected())
            anySelected = true;
        if (!AreAllBeamsSelected(fixture->BeamFlags()))
            allSelected = false;
    }
    if (!anySelected)
        return nullptr;
    if (LayoutItem() && allSelected)
        return this;

    const QSize cellSize = CellSize();
    qint64 minLeft = std::numeric_limits<qint64>::max();
    qint64 minTop = std::numeric_limits<qint64>::max();
    qint64 maxLeft = 0;
    qint64 maxTop = 0;
    for (int i = 0; i < m_members.size(); ++i) {
        const QRect& cell = m_cells.at(i);
        if (IsEmptyCell(cell) || !m_members.at(i)->IsAnyBeamSelected())
            continue;
        minLeft = qMin<qint64>(minLeft, cell.left());
        minTop = qMin<qint64>(minTop, cell.top());
        maxLeft = qMax<qint64>(maxLeft, cell.left());
        maxTop = qMax<qint64>(maxTop, cell.top());
    }
    if (minLeft > maxLeft || minTop > maxTop) // only empty cells are selected
        return nullptr;

    auto* grid = new CFixtureMatrix(m_profile, m_id, ClampToInt((maxLeft - minLeft) / cellSize.width() + 1),
                                    ClampToInt((maxTop - minTop) / cellSize.height() + 1), 0);
    grid->m_virtual = true;
    // The span holds the unselected members lying between the selected ones too.
    for (int i = 0; i < m_members.size(); ++i) {
        const QRect& cell = m_cells.at(i);
        if (IsEmptyCell(cell))
            continue;
        if (cell.left() >= minLeft && cell.left() <= maxLeft + 2 && cell.top() >= minTop && cell.top() <= maxTop + 2)
            grid->AddMember(m_members.at(i), cell.translated(int(-minLeft), int(-minTop)));
    }
    grid->OrderMembers();
    return grid;
}
