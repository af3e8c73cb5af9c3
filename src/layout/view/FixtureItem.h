#pragma once

#include "layout/view/FixtureDrawer.h"
#include "model/LayoutPlacement.h"

#include <QList>
#include <QRect>

class CLibraryProfile;
class CPatchedFixture;
class QPainter;

// Selects beam `beam` of the fixture: with `toggle` the beam flips;
// otherwise it becomes selected, and with `clearOthers` a click on an
// unselected beam first clears the fixture's other beams. Returns the beam's
// flag afterwards (false for a beam the fixture does not have).
bool SelectFixtureBeam(CPatchedFixture* fixture, int beam, bool toggle, bool clearOthers);

// Every flag below the shorter length whose entry in `beams` is set takes
// `value`; true when `beams` set any.
bool SetBeamFlags(QList<bool>& flags, const QList<bool>& beams, bool value);

// The intensity an edited colour effect gives its fixtures, which full
// colour drawing divides out; -1 when no colour effect is edited.
int EditedColorIntensity();

// The item of one patched fixture in the 2-D layout view. Selection lives
// in the fixture's beam flags; the item only caches whether it counts as
// selected. The view owns its items; an item goes before its fixture, and
// takes the fixture's pointer back to it along.
class CFixtureItem : public CLayoutItem
{
public:
    enum Type : quint8 { FixtureType = 0, MatrixType = 1 };

    CFixtureItem(CPatchedFixture* fixture, quint8 type);
    // Built from a library profile only, without fixture.
    CFixtureItem(CLibraryProfile* profile, quint8 type);
    // A plain shape of one beam, without profile.
    CFixtureItem(int shapeType, int labelNumber, quint8 type);
    virtual ~CFixtureItem();
    CFixtureItem(const CFixtureItem&) = delete;
    CFixtureItem& operator=(const CFixtureItem&) = delete;

    QRect ItemRect() const override { return m_rect; }

    void SetProfile(int shapeType, int labelNumber, CLibraryProfile* profile, quint8 type);
    void SetFixture(CPatchedFixture* fixture);
    CPatchedFixture* Fixture() const { return m_fixture; }
    quint8 Type() const { return m_type; }
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected) { m_selected = selected; }
    CFixtureDrawer& Drawer() { return m_drawer; }
    const CFixtureDrawer& Drawer() const { return m_drawer; }

    virtual void Unselect();
    virtual void Select();
    virtual void InvertSelection();
    // Flags alternate from `start` in beam order; returns the value the
    // next beam would take.
    virtual bool SelectAlternate(bool start);
    // False when the item does not hold the fixture.
    virtual bool SelectBeam(const CPatchedFixture* fixture, int beam);
    virtual bool AddBeams(const QList<bool>& beams);
    virtual bool RemoveBeams(const QList<bool>& beams);
    virtual void Draw(QPainter& painter, float scale);
    // What Draw paints with the painter as it stands (see
    // CFixtureDrawer::SymbolExtent); false when the item is not drawn as a
    // plain symbol, whose extent is known.
    bool Extent(QPainter& painter, float scale, const CFixtureDrawer::SLabelFonts& fonts, QRect& bounds,
                QRect& cover);
    virtual bool SelectAt(const QPoint& point, bool toggle);
    virtual bool SelectInRect(const QRect& rect, bool toggle);

    QRect m_rect;       // view model coordinates; the top-left is the position
    QRect m_moveOrigin; // the rectangle when a move started

protected:
    // Beam cell i in view model coordinates.
    QRect CellRect(int beam) const { return m_drawer.BeamCells().at(beam).translated(m_rect.topLeft()); }
    // Beam colours by selection flag, for the plain symbol.
    void PaintSelectionColors(const QList<bool>& flags);

    CPatchedFixture* m_fixture = nullptr;
    quint8 m_type = FixtureType;
    bool m_selected = false;
    CFixtureDrawer m_drawer;

private:
    template <typename Hit>
    bool SelectCells(Hit hit, bool toggle, bool clearOthers);
};
