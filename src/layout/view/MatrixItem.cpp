#include "layout/view/MatrixItem.h"

#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"

#include <QPainter>

#include <algorithm>

CMatrixItem::CMatrixItem(CFixtureMatrix* matrix)
    : CFixtureItem(matrix && matrix->MemberCount() > 0 ? matrix->Member(0) : nullptr, MatrixType)
{
    // A file may hold a matrix without members: it shows as its profile.
    if (matrix && matrix->MemberCount() == 0) {
        CLibraryProfile* profile = matrix->Profile();
        SetProfile(profile ? profile->m_shapeType : 0, 0, profile, MatrixType);
    }
    SetMatrix(matrix);
}

CMatrixItem::CMatrixItem(CLibraryProfile* profile)
    : CFixtureItem(profile, MatrixType)
{
}

CMatrixItem::~CMatrixItem()
{
    if (m_matrix && m_matrix->LayoutItem() == this)
        m_matrix->SetLayoutItem(nullptr);
}

void CMatrixItem::SetMatrix(CFixtureMatrix* matrix)
{
    m_matrix = matrix;
    SetFixture(matrix ? matrix->Member(0) : nullptr);
    m_toolMask.clear();
    if (!matrix || matrix->MemberCount() == 0)
        return;
    int right = 0;
    int bottom = 0;
    for (int m = 0; m < matrix->MemberCount(); ++m) {
        m_toolMask << QList<bool>();
        for (int b = 0; b < m_drawer.BeamCount(); ++b)
            m_toolMask.last() << false;
        const QRect cell = matrix->MemberCell(m);
        right = std::max(right, cell.x() + cell.width());
        bottom = std::max(bottom, cell.y() + cell.height());
    }
    m_rect.setWidth(right);
    m_rect.setHeight(bottom);
}

QRect CMatrixItem::CellRect(int member, int beam) const
{
    if (!m_matrix || beam < 0 || beam >= m_drawer.BeamCount())
        return QRect();
    const QRect cell = m_matrix->MemberCell(member);
    if (cell.isNull())
        return QRect();
    return m_drawer.BeamCells().at(beam).translated(m_rect.topLeft() + cell.topLeft());
}

template <typename Visit>
void CMatrixItem::ForEachCell(Visit visit) const
{
    if (!m_matrix)
        return;
    for (int m = 0; m < m_matrix->MemberCount(); ++m) {
        for (int b = 0; b < m_drawer.BeamCount(); ++b) {
            const QRect cell = CellRect(m, b);
            if (!cell.isNull())
                visit(m, b, cell);
        }
    }
}

void CMatrixItem::SetAllFlags(bool value)
{
    if (!m_matrix)
        return;
    for (CPatchedFixture* member : m_matrix->Members()) {
        QList<bool>& flags = member->BeamFlags();
        std::fill(flags.begin(), flags.end(), value);
    }
}

void CMatrixItem::Unselect()
{
    SetAllFlags(false);
    m_selected = false;
}

void CMatrixItem::Select()
{
    SetAllFlags(true);
    m_selected = true;
}

void CMatrixItem::InvertSelection()
{
    if (m_matrix) {
        for (CPatchedFixture* member : m_matrix->Members()) {
            for (bool& flag : member->BeamFlags())
                flag = !flag;
        }
    }
    UpdateSelected();
}

bool CMatrixItem::SelectAlternate(bool start)
{
    if (m_matrix) {
        for (CPatchedFixture* member : m_matrix->Members()) {
            for (bool& flag : member->BeamFlags()) {
                flag = start;
                start = !start;
            }
        }
    }
    UpdateSelected();
    return start;
}

bool CMatrixItem::SelectBeam(const CPatchedFixture* fixture, int beam)
{
    const int m = m_matrix ? m_matrix->IndexOfMember(fixture) : -1;
    if (m < 0)
        return false;
    QList<bool>& flags = m_matrix->Member(m)->BeamFlags();
    if (beam >= 0 && beam < flags.size()) {
        flags[beam] = true;
        m_selected = true;
    }
    return true;
}

bool CMatrixItem::AddCellBeams(int member, const QList<bool>& beams)
{
    CPatchedFixture* fixture = m_matrix ? m_matrix->Member(member) : nullptr;
    if (!fixture)
        return false;
    const bool any = SetBeamFlags(fixture->BeamFlags(), beams, true);
    if (any)
        m_selected = true;
    return any;
}

void CMatrixItem::RemoveCellBeams(int member, const QList<bool>& beams)
{
    CPatchedFixture* fixture = m_matrix ? m_matrix->Member(member) : nullptr;
    if (!fixture)
        return;
    if (SetBeamFlags(fixture->BeamFlags(), beams, false))
        UpdateSelected();
}

template <typename Hit>
bool CMatrixItem::SelectCells(Hit hit, bool toggle, bool wholeMatrix, bool clearOthers)
{
    const bool wasSelected = m_selected;
    m_selected = false;
    bool any = false;
    bool whole = false;
    QList<QPair<int, int>> kept;
    ForEachCell([&](int m, int b, const QRect& cell) {
        if (whole || !hit(cell))
            return;
        if (wholeMatrix) {
            whole = true;
            return;
        }
        any = true;
        if (SelectFixtureBeam(m_matrix->Member(m), b, toggle, clearOthers)) {
            kept << qMakePair(m, b);
            m_selected = true;
        }
    });
    if (whole) {
        Select();
        return true;
    }
    if (!any) {
        m_selected = wasSelected;
        return false;
    }
    if (toggle) {
        UpdateSelected();
        return true;
    }
    for (int m = 0; m < m_matrix->MemberCount(); ++m) {
        QList<bool>& flags = m_matrix->Member(m)->BeamFlags();
        for (int b = 0; b < flags.size(); ++b) {
            if (!kept.contains(qMakePair(m, b)))
                flags[b] = false;
        }
    }
    return true;
}

bool CMatrixItem::HitTestBeams(const QPoint& point, bool toggle, bool wholeMatrix)
{
    return SelectCells([&point](const QRect& cell) { return cell.contains(point); }, toggle, wholeMatrix, true);
}

bool CMatrixItem::SelectBeamsInRect(const QRect& rect, bool toggle, bool wholeMatrix)
{
    return SelectCells([&rect](const QRect& cell) { return cell.intersects(rect); }, toggle, wholeMatrix, false);
}

bool CMatrixItem::CellAt(const QPoint& point, int& member, int& beam) const
{
    member = -1;
    beam = -1;
    ForEachCell([&](int m, int b, const QRect& cell) {
        if (member < 0 && cell.contains(point)) {
            member = m;
            beam = b;
        }
    });
    return member >= 0;
}

void CMatrixItem::DrawMatrix(QPainter& painter, float scale, bool toolActive, const QColor& toolColor)
{
    if (!m_matrix || m_matrix->MemberCount() == 0) {
        Draw(painter, scale);
        return;
    }
    const int drawType = m_matrix->DrawType();
    const int intensity = drawType == 3 && !toolActive ? EditedColorIntensity() : -1;
    m_labels.resize(size_t(m_matrix->MemberCount()));
    for (int m = 0; m < m_matrix->MemberCount(); ++m) {
        const QRect cell = m_matrix->MemberCell(m);
        if (cell.isNull())
            continue;
        CPatchedFixture* member = m_matrix->Member(m);
        m_drawer.SetFixture(member);
        const QPoint at = m_rect.topLeft() + cell.topLeft();
        const QList<bool>& flags = member->BeamFlags();
        if (toolActive) {
            m_drawer.DrawLiveOverlay(painter, at, scale, m_toolMask.value(m), toolColor, flags, -1);
        } else if (drawType == 1) {
            m_drawer.DrawPicture(painter, at, scale, flags);
        } else if (drawType == 2 || drawType == 3) {
            m_drawer.DrawLiveColors(painter, at, scale, flags, intensity);
        } else {
            PaintSelectionColors(flags);
            m_drawer.DrawSymbol(painter, at, scale, m_labels[size_t(m)]);
        }
    }
    m_drawer.SetFixture(m_fixture);
    if (toolActive || !m_selected)
        return;
    painter.save();
    painter.scale(scale, scale);
    painter.setPen(QPen(QBrush(QColor(229, 121, 72)), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rect.adjusted(0, 0, 1, 1));
    painter.restore();
}

void CMatrixItem::ClearToolMask()
{
    for (QList<bool>& flags : m_toolMask)
        std::fill(flags.begin(), flags.end(), false);
}

void CMatrixItem::SetToolMask(int member, int beam, bool on)
{
    if (member >= 0 && member < m_toolMask.size() && beam >= 0 && beam < m_toolMask.at(member).size())
        m_toolMask[member][beam] = on;
}

bool CMatrixItem::ToolMask(int member, int beam) const
{
    return member >= 0 && member < m_toolMask.size() && IsBeamFlagSet(m_toolMask.at(member), beam);
}

void CMatrixItem::SelectMemberBeams(int member)
{
    CPatchedFixture* fixture = m_matrix ? m_matrix->Member(member) : nullptr;
    if (!fixture)
        return;
    QList<bool>& flags = fixture->BeamFlags();
    std::fill(flags.begin(), flags.end(), true);
    m_selected = true;
}

void CMatrixItem::UpdateSelected()
{
    m_selected = false;
    if (!m_matrix)
        return;
    for (const CPatchedFixture* member : m_matrix->Members())
        m_selected = m_selected || member->IsAnyBeamSelected();
}
