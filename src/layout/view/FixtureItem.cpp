#include "layout/view/FixtureItem.h"

#include "effects/ColorEffect.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/ShowHost.h"

namespace {

const QColor kSelectedBeam(247, 182, 131);
const QColor kUnselectedBeam(156, 156, 164);

} // namespace

bool SetBeamFlags(QList<bool>& flags, const QList<bool>& beams, bool value)
{
    bool any = false;
    for (int i = 0; i < qMin(flags.size(), beams.size()); ++i) {
        if (beams.at(i)) {
            flags[i] = value;
            any = true;
        }
    }
    return any;
}

bool SelectFixtureBeam(CPatchedFixture* fixture, int beam, bool toggle, bool clearOthers)
{
    if (!fixture)
        return false;
    QList<bool>& flags = fixture->BeamFlags();
    if (beam < 0 || beam >= flags.size())
        return false;
    if (toggle) {
        flags[beam] = !flags.at(beam);
    } else {
        if (!flags.at(beam) && clearOthers)
            std::fill(flags.begin(), flags.end(), false);
        flags[beam] = true;
    }
    return flags.at(beam);
}

int EditedColorIntensity()
{
    const CEffect* effect = ShowHost().EditedEffect();
    if (!effect || !effect->IsColor())
        return -1;
    return static_cast<const CColorEffect*>(effect)->m_intensity;
}

CFixtureItem::CFixtureItem(CPatchedFixture* fixture, quint8 type)
{
    CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
    SetProfile(profile ? profile->m_shapeType : 0, fixture ? fixture->m_id : 0, profile, type);
    SetFixture(fixture);
}

CFixtureItem::CFixtureItem(CLibraryProfile* profile, quint8 type)
{
    SetProfile(profile ? profile->m_shapeType : 0, 0, profile, type);
}

CFixtureItem::CFixtureItem(int shapeType, int labelNumber, quint8 type)
{
    SetProfile(shapeType, labelNumber, nullptr, type);
}

CFixtureItem::~CFixtureItem()
{
    // Positions are stored from the item a fixture points to.
    if (m_fixture && m_fixture->LayoutItem() == this)
        m_fixture->SetLayoutItem(nullptr);
}

void CFixtureItem::SetProfile(int shapeType, int labelNumber, CLibraryProfile* profile, quint8 type)
{
    m_type = type;
    m_selected = false;
    m_drawer.SetProfile(shapeType, labelNumber, profile, 20, 20);
    m_rect = QRect(m_rect.topLeft(), m_drawer.BoundingRect().size());
}

void CFixtureItem::SetFixture(CPatchedFixture* fixture)
{
    m_fixture = fixture;
    m_drawer.SetFixture(fixture);
}

void CFixtureItem::Unselect()
{
    if (m_fixture) {
        QList<bool>& flags = m_fixture->BeamFlags();
        std::fill(flags.begin(), flags.end(), false);
    }
    m_selected = false;
}

void CFixtureItem::Select()
{
    if (m_fixture) {
        QList<bool>& flags = m_fixture->BeamFlags();
        std::fill(flags.begin(), flags.end(), true);
    }
    m_selected = true;
}

void CFixtureItem::InvertSelection()
{
    if (!m_fixture)
        return;
    for (bool& flag : m_fixture->BeamFlags())
        flag = !flag;
    m_selected = m_fixture->IsAnyBeamSelected();
}

bool CFixtureItem::SelectAlternate(bool start)
{
    if (!m_fixture)
        return start;
    for (bool& flag : m_fixture->BeamFlags()) {
        flag = start;
        start = !start;
    }
    m_selected = m_fixture->IsAnyBeamSelected();
    return start;
}

bool CFixtureItem::SelectBeam(const CPatchedFixture* fixture, int beam)
{
    if (!m_fixture || fixture != m_fixture)
        return false;
    QList<bool>& flags = m_fixture->BeamFlags();
    if (beam >= 0 && beam < flags.size()) {
        flags[beam] = true;
        m_selected = true;
    }
    return true;
}

bool CFixtureItem::AddBeams(const QList<bool>& beams)
{
    if (!m_fixture || !SetBeamFlags(m_fixture->BeamFlags(), beams, true))
        return false;
    m_selected = true;
    return true;
}

bool CFixtureItem::RemoveBeams(const QList<bool>& beams)
{
    if (!m_fixture || !SetBeamFlags(m_fixture->BeamFlags(), beams, false))
        return false;
    m_selected = m_fixture->IsAnyBeamSelected();
    return m_selected;
}

void CFixtureItem::PaintSelectionColors(const QList<bool>& flags)
{
    QList<QColor>& colors = m_drawer.BeamColors();
    for (int i = 0; i < colors.size(); ++i)
        colors[i] = IsBeamFlagSet(flags, i) ? kSelectedBeam : kUnselectedBeam;
}

void CFixtureItem::Draw(QPainter& painter, float scale)
{
    const QPoint at = m_rect.topLeft();
    const QList<bool> none;
    const QList<bool>& flags = m_fixture ? m_fixture->BeamFlags() : none;
    switch (m_fixture ? m_fixture->m_drawType : 0) {
    case 1:
        m_drawer.DrawPicture(painter, at, scale, flags);
        break;
    case 2:
        m_drawer.DrawLiveColors(painter, at, scale, flags, -1);
        break;
    case 3:
        m_drawer.DrawLiveColors(painter, at, scale, flags, EditedColorIntensity());
        break;
    default:
        PaintSelectionColors(flags);
        m_drawer.DrawSymbol(painter, at, scale);
        break;
    }
}

bool CFixtureItem::Extent(QPainter& painter, float scale, const CFixtureDrawer::SLabelFonts& fonts, QRect& bounds,
                          QRect& cover)
{
    if (m_fixture && m_fixture->m_drawType != 0)
        return false;
    const QList<bool> none;
    PaintSelectionColors(m_fixture ? m_fixture->BeamFlags() : none);
    m_drawer.SymbolExtent(painter, m_rect.topLeft(), scale, fonts, bounds, cover);
    return true;
}

template <typename Hit>
bool CFixtureItem::SelectCells(Hit hit, bool toggle, bool clearOthers)
{
    const bool wasSelected = m_selected;
    m_selected = false;
    bool any = false;
    for (int b = 0; b < m_drawer.BeamCount(); ++b) {
        if (!hit(CellRect(b)))
            continue;
        any = true;
        if (SelectFixtureBeam(m_fixture, b, toggle, clearOthers))
            m_selected = true;
    }
    if (!any)
        m_selected = wasSelected;
    return any;
}

bool CFixtureItem::SelectAt(const QPoint& point, bool toggle)
{
    return SelectCells([&point](const QRect& cell) { return cell.contains(point); }, toggle, true);
}

bool CFixtureItem::SelectInRect(const QRect& rect, bool toggle)
{
    return SelectCells([&rect](const QRect& cell) { return cell.intersects(rect); }, toggle, false);
}
