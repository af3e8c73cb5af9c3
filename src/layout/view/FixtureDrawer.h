#pragma once

#include "layout/view/LabelLayout.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QPoint>
#include <QRect>

#include <memory>

class CDmxLayer;
class CLibraryProfile;
class CPatchedFixture;
class CProfileChannelDef;
class QPainter;
class QPen;
class CSymbolPainter;

// Flag `index` of a beam list; a flag past the list's end counts as unset,
// as flags may be left short by a re-patch.
inline bool IsBeamFlagSet(const QList<bool>& flags, int index)
{
    return index >= 0 && index < flags.size() && flags.at(index);
}

// Draws the symbol of one fixture: one cell per beam, each a filled shape
// (rectangle, ellipse, octagon or triangle) with an ID or ID-and-address
// label, or coloured from the live output. The geometry is built once per
// profile, shape and cell size and shared by every drawer of that profile
// (a plan patches one profile many times); the drawers only paint it. The
// drawer owns neither the fixture nor the profile; its owner resets them
// when they go.
class CFixtureDrawer
{
public:
    enum Shape { Rectangle = 0, Ellipse = 1, Octagon = 2, Triangle = 3 };

    // One plain cell until a profile is set: every list holds one entry per beam.
    CFixtureDrawer() { BuildShapes(); }

    void SetProfile(int shapeType, int labelNumber, CLibraryProfile* profile, int cellWidth, int cellHeight);
    // After a re-patch replaced the library profiles.
    void SetLibraryProfile(CLibraryProfile* profile);
    void SetFixture(CPatchedFixture* fixture)
    {
        m_fixture = fixture;
        m_extentKnown = false;
    }
    CPatchedFixture* Fixture() const { return m_fixture; }
    CLibraryProfile* Profile() const { return m_profile; }
    // The levels live drawing reads (the project's output); without one
    // every beam is black.
    void SetOutput(const CDmxLayer* output) { m_output = output; }
    const CDmxLayer* Output() const { return m_output; }

    // The top-left point is in unscaled view coordinates. The label is laid
    // out into `label`, kept for the next paint of the same fixture; without
    // one the drawer keeps it itself.
    void DrawSymbol(QPainter& painter, const QPoint& topLeft, float scale);
    void DrawSymbol(QPainter& painter, const QPoint& topLeft, float scale, CLabelLayout& label);

    // The fonts a painter writes labels in, resolved once for many symbols.
    struct SLabelFonts
    {
        explicit SLabelFonts(QPainter& painter);
        QFont label;
        QFont small;
        int dpi;
        Qt::LayoutDirection direction;
        // The same for fonts, resolution and direction that lay labels out
        // alike, another for any change of them.
        quint64 id;
    };
    // What DrawSymbol paints with the painter as it stands, in its
    // coordinates: nothing outside `bounds`, and every pixel of `cover` (null
    // when there is none) opaque, whatever lay under it. The colours must be
    // those DrawSymbol will paint.
    void SymbolExtent(QPainter& painter, const QPoint& topLeft, float scale, const SLabelFonts& fonts,
                      QRect& bounds, QRect& cover);
    // Extents worked out rather than kept, by every drawer of the process:
    // tests count the work of a repaint with them rather than time it.
    static qint64 ExtentsWorkedOut();
    void DrawBeams(QPainter& painter, const QPoint& topLeft, float scale);
    void DrawBeamsHighlight(QPainter& painter, const QPoint& topLeft, float scale, int beam);
    // A percentage of 1 or more divides the colours by it (an effect's
    // intensity undone); below 1 they are drawn as they are.
    void DrawLiveColors(QPainter& painter, const QPoint& topLeft, float scale, const QList<bool>& selection,
                        int percentage);
    void DrawLiveOverlay(QPainter& painter, const QPoint& topLeft, float scale, const QList<bool>& overlay,
                         const QColor& overlayColor, const QList<bool>& selection, int percentage);
    void DrawPicture(QPainter& painter, const QPoint& topLeft, float scale, const QList<bool>& selection);

    // The beam colours from the output levels, as live drawing shows them.
    void ComputeLiveColors();

    int BeamCount() const { return m_beamCount; }
    QRect BoundingRect() const;
    int ShapeType() const { return m_shapeType; }
    const QList<QRect>& BeamCells() const;
    // Whether this drawer paints the very shapes `other` paints.
    bool SharesShapesWith(const CFixtureDrawer& other) const { return m_shapes == other.m_shapes; }
    const QList<QColor>& BeamColors() const { return m_colors; }
    // The owner writes them before DrawSymbol.
    QList<QColor>& BeamColors() { return m_colors; }

private:
    struct SBeamShapes;
    void BuildShapes();
    void DrawShape(CSymbolPainter& symbol, int beam, const QPen& pen, const QColor& fill) const;
    // The outer edge of a rectangle beam drawn with `pen`.
    QRect RectangleFrame(const CSymbolPainter& symbol, int beam, const QPen& pen) const;
    // The cell's corner showing the kinds of scene that drive the fixture;
    // null when none does.
    QRect CornerMark(const CSymbolPainter& symbol, int beam) const;
    // Where that corner is, whether or not a mark shows there.
    QRect CornerMarkRect(const CSymbolPainter& symbol, int beam) const;
    bool HasCornerMarks() const;
    // The label DrawSymbol writes at that scale; false when it writes none.
    bool LabelOf(float scale, QRect& rect, QString& text, bool& small) const;
    void DrawCornerMark(CSymbolPainter& symbol, int beam) const;
    // Output level of the channel at the fixture's address; 0 outside the
    // output's slots and universes.
    int Level(const CProfileChannelDef* channel) const;
    QColor SetColor(const CProfileChannelDef* red, const CProfileChannelDef* green, const CProfileChannelDef* blue,
                    const CProfileChannelDef* white) const;
    QColor FirstGroupColor(int set);
    QColor SecondGroupColor(int set);
    void ApplyBeamColor(const CProfileChannelDef* channel, const QColor& color, int mode);
    void ApplySecondGroupColor(const CProfileChannelDef* channel, const QColor& color);
    // Grey of a dimmer's level within its Dimmer preset; false when the
    // level lies in no Dimmer preset.
    bool DimmerGrey(const CProfileChannelDef* channel, int& grey) const;
    QColor ColorDimmerColor(const CProfileChannelDef* channel) const;
    // Calls apply(beam) for each beam the channel serves (all of them when
    // it names none) that the drawer has.
    template <typename Apply>
    void ForEachBeamOf(const CProfileChannelDef* channel, Apply apply) const;

    int m_cellWidth = 20;
    int m_cellHeight = 20;
    int m_labelNumber = -1;
    int m_beamCount = 1;
    int m_shapeType = Rectangle;
    CPatchedFixture* m_fixture = nullptr;
    CLibraryProfile* m_profile = nullptr;
    const CDmxLayer* m_output = nullptr;
    std::shared_ptr<const SBeamShapes> m_shapes;
    QList<bool> m_colored;
    QList<QColor> m_colors;
    CLabelLayout m_label;

    // What SymbolExtent found last and what it depended on besides the
    // shapes, the label number and the fixture, whose change forgets it. A
    // stack of fixtures has it asked of every symbol at each repaint, when
    // mostly only the scenes' marks changed: they are kept apart.
    struct SExtentKey
    {
        QPoint topLeft;
        float scale = 0.0f;
        Qt::PenStyle penStyle = Qt::NoPen;
        qreal penWidth = 0.0;
        int penAlpha = 0;
        int fillAlpha = 0;
        quint64 fonts = 0;
        int id = 0;
        int address = 0;
        bool operator==(const SExtentKey& other) const;
    };
    SExtentKey m_extentKey;
    bool m_extentKnown = false;
    QRect m_extentBounds; // without the marks
    QRect m_extentMarks;  // every beam's mark
    QRect m_extentCover;
};
