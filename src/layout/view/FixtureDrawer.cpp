#include "layout/view/FixtureDrawer.h"

#include "model/ColorMath.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileTypes.h"
#include "show/DmxLayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <tuple>

namespace {

const QColor kUnselectedBeam(156, 156, 164);
const QColor kOutline(60, 60, 60);

// Fonts and pens are made once for the whole program.
const QFont& LabelFont()
{
    static const QFont font(QStringLiteral("Arial"), 8);
    return font;
}
const QFont& SmallLabelFont()
{
    static const QFont font(QStringLiteral("Arial"), 3);
    return font;
}
const QFont& PictureLabelFont()
{
    static const QFont font(QStringLiteral("Arial"), 2);
    return font;
}
const QPen& OutlinePen()
{
    static const QPen pen(kOutline);
    return pen;
}
const QPen& SelectionPen()
{
    static const QPen pen(QBrush(QColor(229, 121, 72)), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    return pen;
}
const QPen& PictureFramePen()
{
    static const QPen pen(QColor(229, 121, 72));
    return pen;
}

int DivideByPercentage(int component, float factor)
{
    return std::min(255, int(float(component) * factor));
}

} // namespace

// Where a symbol is painted: rectangles are mapped to device pixels and
// filled through the painter as it stands, which keeps the common case off
// the painter's state stack; everything else is drawn after Transform(),
// which saves the painter, scales it and moves it to the symbol (the point
// in unscaled view coordinates). The painter is restored on exit.
class CSymbolPainter
{
public:
    CSymbolPainter(QPainter& painter, const QPoint& topLeft, float scale)
        : m_painter(painter)
        , m_base(painter.worldTransform())
        , m_topLeft(topLeft)
        , m_scale(double(scale))
    {
    }
    ~CSymbolPainter()
    {
        if (m_transformed)
            m_painter.restore();
    }
    CSymbolPainter(const CSymbolPainter&) = delete;
    CSymbolPainter& operator=(const CSymbolPainter&) = delete;

    QPainter& Transform()
    {
        if (!m_transformed) {
            m_painter.save();
            m_painter.scale(m_scale, m_scale);
            m_painter.translate(m_topLeft);
            m_transformed = true;
        }
        return m_painter;
    }
    // A rectangle of the symbol in the painter's coordinates as it stood;
    // Map rounds it to whole pixels.
    QRect Map(const QRectF& rect) const { return MapF(rect).toRect(); }
    QRectF MapF(const QRectF& rect) const
    {
        return QRectF((rect.x() + m_topLeft.x()) * m_scale, (rect.y() + m_topLeft.y()) * m_scale,
                      rect.width() * m_scale, rect.height() * m_scale);
    }
    void Fill(const QRect& deviceRect, const QColor& color)
    {
        if (m_transformed) {
            m_painter.save();
            m_painter.setWorldTransform(m_base);
            m_painter.fillRect(deviceRect, color);
            m_painter.restore();
        } else {
            m_painter.fillRect(deviceRect, color);
        }
    }
    // A pen width in device pixels, at least one.
    int Thickness(double width) const { return std::max(1, int(width * m_scale + 0.5)); }

private:
    QPainter& m_painter;
    QTransform m_base; // the painter's transform before Transform()
    QPointF m_topLeft;
    double m_scale;
    bool m_transformed = false;
};

void CFixtureDrawer::SetProfile(int shapeType, int labelNumber, CLibraryProfile* profile, int cellWidth,
                                int cellHeight)
{
    m_shapeType = shapeType;
    m_labelNumber = labelNumber;
    m_profile = profile;
    m_cellWidth = cellWidth;
    m_cellHeight = cellHeight;
    BuildShapes();
}

void CFixtureDrawer::SetLibraryProfile(CLibraryProfile* profile)
{
    m_profile = profile;
    if (profile)
        m_shapeType = profile->m_shapeType;
    BuildShapes();
}

// The cells of a profile's beams and the shapes painted in them, with what
// they were built from: a profile edited since gives shapes of its own.
struct CFixtureDrawer::SBeamShapes
{
    QVector<CBeamPosition> beams;
    float extentX = 0.0f;
    float extentY = 0.0f;
    QList<QRect> cells;
    QList<QPainterPath> paths;
    QList<QRectF> rects; // bounds of the paths
    QRect boundingRect;

    bool BuiltFrom(const CLibraryProfile* profile) const
    {
        const QVector<CBeamPosition> none;
        const QVector<CBeamPosition>& now = profile ? profile->m_beams : none;
        return (!profile || (profile->m_beamExtentX == extentX && profile->m_beamExtentY == extentY))
            && std::equal(beams.begin(), beams.end(), now.begin(), now.end(),
                          [](const CBeamPosition& a, const CBeamPosition& b) { return a.x == b.x && a.y == b.y; });
    }
};

namespace {

// Shapes in use, by profile, shape and cell size. A plan of a hundred
// fixtures of one profile of many beams would otherwise hold a hundred
// copies of the same paths. The shapes go with their last drawer. (A
// template: the shapes' type is the drawer's own.)
using ShapesKey = std::tuple<const CLibraryProfile*, int, int, int>;
template <typename Shapes>
std::map<ShapesKey, std::weak_ptr<const Shapes>>& ShapesInUse()
{
    static std::map<ShapesKey, std::weak_ptr<const Shapes>> shapes;
    return shapes;
}

} // namespace

void CFixtureDrawer::BuildShapes()
{
    m_extentKnown = false;
    const int w = m_cellWidth;
    const int h = m_cellHeight;
    const bool several = m_profile && m_profile->m_beams.size() > 1;
    m_beamCount = several ? m_profile->m_beams.size() : 1;
    m_colored = QList<bool>();
    m_colors = QList<QColor>();
    m_colored.reserve(m_beamCount);
    m_colors.reserve(m_beamCount);
    for (int i = 0; i < m_beamCount; ++i) {
        m_colored << false;
        m_colors << kUnselectedBeam;
    }

    auto& inUse = ShapesInUse<SBeamShapes>();
    const ShapesKey key(several ? m_profile : nullptr, m_shapeType, w, h);
    const auto found = inUse.find(key);
    if (found != inUse.end()) {
        std::shared_ptr<const SBeamShapes> shapes = found->second.lock();
        if (shapes && shapes->BuiltFrom(several ? m_profile : nullptr)) {
            m_shapes = std::move(shapes);
            return;
        }
    }

    auto shapes = std::make_shared<SBeamShapes>();
    QList<QPointF> offsets;
    if (!several) {
        shapes->cells << QRect(0, 0, w, h);
        offsets << QPointF(0, 0);
        shapes->boundingRect = shapes->cells.first();
    } else {
        shapes->beams = m_profile->m_beams;
        shapes->extentX = m_profile->m_beamExtentX;
        shapes->extentY = m_profile->m_beamExtentY;
        for (const CBeamPosition& beam : qAsConst(m_profile->m_beams)) {
            const float x = float(w) * beam.x;
            const float y = float(h) * beam.y;
            shapes->cells << QRect(int(x), int(y), w, h);
            offsets << QPointF(x, y);
        }
        shapes->boundingRect = QRect(0, 0, int((m_profile->m_beamExtentX + 1.0f) * float(w)),
                                     int((m_profile->m_beamExtentY + 1.0f) * float(h)));
    }

    for (const QPointF& offset : qAsConst(offsets)) {
        QPainterPath path;
        switch (m_shapeType) {
        case Ellipse:
            path.addEllipse(QRectF(offset, QSizeF(w, h)));
            break;
        case Octagon:
            path.addPolygon(QPolygonF({{0, h / 3.0}, {w / 3.0, 0}, {2 * w / 3.0, 0}, {double(w), h / 3.0},
                                       {double(w), 2 * h / 3.0}, {2 * w / 3.0, double(h)}, {w / 3.0, double(h)},
                                       {0, 2 * h / 3.0}, {0, h / 3.0}})
                                .translated(offset));
            path.closeSubpath();
            break;
        case Triangle:
            path.addPolygon(QPolygonF({{0, double(h)}, {w / 2.0, 0}, {double(w), double(h)}, {0, double(h)}})
                                .translated(offset));
            break;
        default:
            path.addRect(QRectF(offset, QSizeF(w, h)));
            break;
        }
        shapes->paths << path;
        shapes->rects << path.boundingRect();
    }
    for (auto it = inUse.begin(); it != inUse.end();)
        it = it->second.expired() ? inUse.erase(it) : std::next(it);
    inUse[key] = shapes;
    m_shapes = std::move(shapes);
}

QRect CFixtureDrawer::BoundingRect() const
{
    return m_shapes->boundingRect;
}

const QList<QRect>& CFixtureDrawer::BeamCells() const
{
    return m_shapes->cells;
}

void CFixtureDrawer::DrawShape(CSymbolPainter& symbol, int beam, const QPen& pen, const QColor& fill) const
{
    if (m_shapeType == Ellipse || m_shapeType == Octagon || m_shapeType == Triangle) {
        QPainter& painter = symbol.Transform();
        painter.setPen(pen);
        painter.setBrush(fill);
        if (m_shapeType == Ellipse)
            painter.drawEllipse(m_shapes->rects.at(beam));
        else
            painter.drawPath(m_shapes->paths.at(beam));
        return;
    }
    // Stroking even a small rectangle costs the raster engine many times
    // what filling it does, and a large plan is mostly rectangles: the
    // outline is painted as a filled frame of the pen's width instead.
    const QRect outer = RectangleFrame(symbol, beam, pen);
    if (pen.style() == Qt::NoPen) {
        symbol.Fill(outer, fill);
        return;
    }
    const int t = symbol.Thickness(pen.widthF() > 1.5 ? 2.0 : 1.0);
    symbol.Fill(outer, pen.color());
    symbol.Fill(QRect(outer.x() + t, outer.y() + t, outer.width() - 2 * t, outer.height() - 2 * t), fill);
}

QRect CFixtureDrawer::RectangleFrame(const CSymbolPainter& symbol, int beam, const QPen& pen) const
{
    const QRect r = symbol.Map(m_shapes->rects.at(beam));
    if (pen.style() == Qt::NoPen)
        return r;
    const int t = symbol.Thickness(pen.widthF() > 1.5 ? 2.0 : 1.0);
    // A wide pen is centred on the edge; a thin one lies inside the right and bottom.
    const int before = pen.widthF() > 1.5 ? t / 2 : 0;
    return QRect(r.x() - before, r.y() - before, r.width() + t, r.height() + t);
}

bool CFixtureDrawer::HasCornerMarks() const
{
    if (!m_fixture)
        return false;
    const QColor& mark = m_fixture->DisplayColor();
    return mark.red() != 0 || mark.green() != 0 || mark.blue() != 0;
}

QRect CFixtureDrawer::CornerMarkRect(const CSymbolPainter& symbol, int beam) const
{
    return symbol.Map(m_shapes->cells.at(beam).adjusted(16, 0, 0, -16));
}

QRect CFixtureDrawer::CornerMark(const CSymbolPainter& symbol, int beam) const
{
    return HasCornerMarks() ? CornerMarkRect(symbol, beam) : QRect();
}

void CFixtureDrawer::DrawCornerMark(CSymbolPainter& symbol, int beam) const
{
    const QRect mark = CornerMark(symbol, beam);
    if (!mark.isNull())
        symbol.Fill(mark, m_fixture->DisplayColor());
}

void CFixtureDrawer::DrawSymbol(QPainter& painter, const QPoint& topLeft, float scale)
{
    DrawSymbol(painter, topLeft, scale, m_label);
}

void CFixtureDrawer::DrawSymbol(QPainter& painter, const QPoint& topLeft, float scale, CLabelLayout& label)
{
    CSymbolPainter symbol(painter, topLeft, scale);
    const QPen pen = painter.pen();
    for (int i = 0; i < m_beamCount; ++i) {
        DrawShape(symbol, i, pen, m_colors.at(i));
        DrawCornerMark(symbol, i);
    }
    QRect rect;
    QString text;
    bool small = false;
    if (!LabelOf(scale, rect, text, small))
        return;
    symbol.Transform();
    painter.setPen(OutlinePen());
    painter.setFont(small ? SmallLabelFont() : LabelFont());
    label.Draw(painter, rect, text);
}

bool CFixtureDrawer::LabelOf(float scale, QRect& rect, QString& text, bool& small) const
{
    if (scale < 1.0f)
        return false;
    rect = m_shapes->cells.first().adjusted(1, 0, -1, 0);
    if (m_shapeType == Triangle)
        rect.setTop(rect.top() + 8);
    small = m_fixture && scale >= 2.0f && m_shapeType != Triangle;
    if (!m_fixture)
        text = QString::number(m_labelNumber);
    else if (small)
        text = QLatin1String("ID : ") + QString::number(m_fixture->m_id) + QLatin1String("\n@ : ")
            + QString::number(m_fixture->m_address + 1);
    else
        text = QString::number(m_fixture->m_id);
    return true;
}

CFixtureDrawer::SLabelFonts::SLabelFonts(QPainter& painter)
    : dpi(painter.device()->logicalDpiY())
    , direction(painter.layoutDirection())
{
    painter.save();
    painter.setFont(LabelFont());
    label = painter.font();
    painter.setFont(SmallLabelFont());
    small = painter.font();
    painter.restore();
    // Every repaint resolves its fonts afresh; numbered by what they are,
    // the symbols' kept extents outlive the repaint.
    static std::unique_ptr<SLabelFonts> last;
    if (last && last->label == label && last->small == small && last->dpi == dpi && last->direction == direction) {
        id = last->id;
        return;
    }
    id = last ? last->id + 1 : 1;
    last = std::make_unique<SLabelFonts>(*this);
}

namespace {

qint64 g_extentsWorkedOut = 0;

} // namespace

qint64 CFixtureDrawer::ExtentsWorkedOut()
{
    return g_extentsWorkedOut;
}

bool CFixtureDrawer::SExtentKey::operator==(const SExtentKey& other) const
{
    return topLeft == other.topLeft && scale == other.scale && penStyle == other.penStyle
        && penWidth == other.penWidth && penAlpha == other.penAlpha && fillAlpha == other.fillAlpha
        && fonts == other.fonts && id == other.id && address == other.address;
}

void CFixtureDrawer::SymbolExtent(QPainter& painter, const QPoint& topLeft, float scale, const SLabelFonts& fonts,
                                  QRect& bounds, QRect& cover)
{
    const QPen& pen = painter.pen();
    SExtentKey key;
    key.topLeft = topLeft;
    key.scale = scale;
    key.penStyle = pen.style();
    key.penWidth = pen.widthF();
    key.penAlpha = pen.color().alpha();
    key.fillAlpha = m_colors.at(0).alpha();
    key.fonts = fonts.id;
    key.id = m_fixture ? m_fixture->m_id : 0;
    key.address = m_fixture ? m_fixture->m_address : 0;
    if (!m_extentKnown || !(key == m_extentKey)) {
        ++g_extentsWorkedOut;
        const CSymbolPainter symbol(painter, topLeft, scale);
        m_extentBounds = QRect();
        m_extentMarks = QRect();
        m_extentCover = QRect();
        for (int i = 0; i < m_beamCount; ++i) {
            if (m_shapeType == Ellipse || m_shapeType == Octagon || m_shapeType == Triangle) {
                // Stroked through the painter: the pen may reach past the
                // shape, and a pixel further where the edge is rounded.
                const int reach = int(std::ceil(std::max(1.0, pen.widthF()) * double(scale))) + 2;
                m_extentBounds |= symbol.Map(m_shapes->rects.at(i)).adjusted(-reach, -reach, reach, reach);
            } else {
                m_extentBounds |= RectangleFrame(symbol, i, pen);
            }
            m_extentMarks |= CornerMarkRect(symbol, i);
        }
        QRect rect;
        QString text;
        bool small = false;
        if (LabelOf(scale, rect, text, small)) {
            m_label.Prepare(small ? fonts.small : fonts.label, fonts.dpi, fonts.direction, rect, text);
            m_extentBounds |= m_label.Reach(rect, [&symbol](const QRectF& r) { return symbol.MapF(r); });
        }
        const bool opaque = key.penStyle != Qt::NoPen && key.penAlpha == 255 && key.fillAlpha == 255;
        if (m_shapeType == Rectangle && m_beamCount == 1 && opaque)
            m_extentCover = RectangleFrame(symbol, 0, pen);
        m_extentKey = key;
        m_extentKnown = true;
    }
    bounds = HasCornerMarks() ? m_extentBounds | m_extentMarks : m_extentBounds;
    cover = m_extentCover;
}

void CFixtureDrawer::DrawBeams(QPainter& painter, const QPoint& topLeft, float scale)
{
    CSymbolPainter symbol(painter, topLeft, scale);
    for (int i = 0; i < m_beamCount; ++i)
        DrawShape(symbol, i, OutlinePen(), QColor(100, 100, 100));
}

void CFixtureDrawer::DrawBeamsHighlight(QPainter& painter, const QPoint& topLeft, float scale, int beam)
{
    DrawBeams(painter, topLeft, scale);
    if (beam < 0 || beam >= m_beamCount)
        return;
    CSymbolPainter symbol(painter, topLeft, scale);
    DrawShape(symbol, beam, OutlinePen(), Qt::white);
}

int CFixtureDrawer::Level(const CProfileChannelDef* channel) const
{
    if (!channel || !m_fixture || !m_output)
        return 0;
    const int slot = m_fixture->m_address + channel->m_index;
    const int universe = m_fixture->m_universe;
    if (slot < 0 || slot >= CDmxLayer::kSlots || universe < 0 || universe >= m_output->UniverseCount())
        return 0;
    return (*m_output)[universe][slot];
}

template <typename Apply>
void CFixtureDrawer::ForEachBeamOf(const CProfileChannelDef* channel, Apply apply) const
{
    if (channel->m_beams.isEmpty()) {
        for (int b = 0; b < m_beamCount; ++b)
            apply(b);
        return;
    }
    for (char beam : channel->m_beams) {
        const int b = static_cast<unsigned char>(beam);
        if (b < m_beamCount)
            apply(b);
    }
}

QColor CFixtureDrawer::SetColor(const CProfileChannelDef* red, const CProfileChannelDef* green,
                                const CProfileChannelDef* blue, const CProfileChannelDef* white) const
{
    const bool cmy = m_profile->IsCmy();
    const auto level = [this, cmy](const CProfileChannelDef* channel) {
        const int value = Level(channel);
        return cmy ? 255 - value : value;
    };
    QColor color(level(red), level(green), level(blue));
    if (m_profile->HasWhite() && white) {
        const int w = Level(white);
        color = MixColors(color, QColor(w, w, w), 1);
    }
    return color;
}

QColor CFixtureDrawer::FirstGroupColor(int set)
{
    const CColorSet& channels = m_profile->ColorSets(false).at(set);
    const QColor color = SetColor(channels.red, channels.green, channels.blue, channels.white);
    // With master colours too, the group whose levels changed last is shown.
    if (m_profile->HasColor(true) && set < m_fixture->m_beamColors.size()
        && m_fixture->m_beamColors.at(set) != color) {
        m_fixture->m_beamColors[set] = color;
        if (set < m_fixture->m_beamColorFlags.size())
            m_fixture->m_beamColorFlags[set] = 1;
    }
    return color;
}

QColor CFixtureDrawer::SecondGroupColor(int set)
{
    const CColorSet& channels = m_profile->ColorSets(true).at(set);
    const QColor color = SetColor(channels.red, channels.green, channels.blue, channels.white);
    if (set < m_fixture->m_masterColors.size() && m_fixture->m_masterColors.at(set) != color) {
        m_fixture->m_masterColors[set] = color;
        if (channels.red) {
            QList<quint8>& wins = m_fixture->m_beamColorFlags;
            ForEachBeamOf(channels.red, [&wins](int b) {
                if (b < wins.size())
                    wins[b] = 0;
            });
        }
    }
    return color;
}

void CFixtureDrawer::ApplyBeamColor(const CProfileChannelDef* channel, const QColor& color, int mode)
{
    if (!channel)
        return;
    ForEachBeamOf(channel, [&](int b) {
        m_colors[b] = m_colored.at(b) ? MixColors(m_colors.at(b), color, mode) : color;
        m_colored[b] = true;
    });
}

void CFixtureDrawer::ApplySecondGroupColor(const CProfileChannelDef* channel, const QColor& color)
{
    if (!channel)
        return;
    const QList<quint8>& wins = m_fixture->m_beamColorFlags;
    ForEachBeamOf(channel, [&](int b) {
        if (b < wins.size() && wins.at(b))
            return;
        m_colors[b] = color;
        m_colored[b] = true;
    });
}

bool CFixtureDrawer::DimmerGrey(const CProfileChannelDef* channel, int& grey) const
{
    const int level = Level(channel);
    const CProfilePresetDef* preset = channel->FindPreset(level);
    if (!preset || preset->m_type != PresetType::Dimmer)
        return false;
    const int start = preset->m_dmxStart;
    const int end = preset->m_dmxEnd;
    grey = start == end ? 255 : ((level - start) * 255 / (end - start)) & 0xFF;
    return true;
}

QColor CFixtureDrawer::ColorDimmerColor(const CProfileChannelDef* channel) const
{
    const float t = float(Level(channel)) / 255.0f;
    const auto mix = [t](int start, int end) { return int(float(end) * t + float(start) * (1.0f - t)); };
    const QColor& start = channel->m_colorMin;
    const QColor& end = channel->m_colorMax;
    return QColor(mix(start.red(), end.red()), mix(start.green(), end.green()), mix(start.blue(), end.blue()));
}

void CFixtureDrawer::ComputeLiveColors()
{
    std::fill(m_colors.begin(), m_colors.end(), QColor(Qt::black));
    std::fill(m_colored.begin(), m_colored.end(), false);
    if (!m_fixture || !m_profile)
        return;

    const QList<CColorSet>& firstSets = m_profile->ColorSets(false);
    for (int i = 0; i < firstSets.size(); ++i)
        ApplyBeamColor(firstSets.at(i).red, FirstGroupColor(i), 0);

    const QList<CColorSet>& secondSets = m_profile->ColorSets(true);
    if (!secondSets.isEmpty()) {
        std::fill(m_colored.begin(), m_colored.end(), false);
        for (int i = 0; i < secondSets.size(); ++i)
            ApplySecondGroupColor(secondSets.at(i).red, SecondGroupColor(i));
    }

    for (bool multiBeam : {false, true}) {
        for (const CDimmerChannel& dimmer : m_profile->Dimmers(multiBeam)) {
            int grey = 0;
            if (dimmer.channel && DimmerGrey(dimmer.channel, grey))
                ApplyBeamColor(dimmer.channel, QColor(grey, grey, grey), 0);
        }
    }

    for (const CProfileChannelDef* channel : m_profile->ColorDimmers()) {
        if (channel)
            ApplyBeamColor(channel, ColorDimmerColor(channel), 1);
    }
}

void CFixtureDrawer::DrawLiveColors(QPainter& painter, const QPoint& topLeft, float scale,
                                    const QList<bool>& selection, int percentage)
{
    if (!m_fixture)
        return;
    ComputeLiveColors();

    CSymbolPainter symbol(painter, topLeft, scale);
    const float factor = percentage >= 1 ? 100.0f / float(percentage) : 1.0f;
    for (int i = 0; i < m_beamCount; ++i) {
        const QColor& color = m_colors.at(i);
        const QPen& pen = IsBeamFlagSet(selection, i) ? SelectionPen() : OutlinePen();
        if (percentage >= 1) {
            DrawShape(symbol, i, pen,
                      QColor(DivideByPercentage(color.red(), factor), DivideByPercentage(color.green(), factor),
                             DivideByPercentage(color.blue(), factor)));
        } else {
            DrawShape(symbol, i, pen, color);
        }
        DrawCornerMark(symbol, i);
    }
}

void CFixtureDrawer::DrawLiveOverlay(QPainter& painter, const QPoint& topLeft, float scale,
                                     const QList<bool>& overlay, const QColor& overlayColor,
                                     const QList<bool>& selection, int percentage)
{
    if (!m_fixture)
        return;
    DrawLiveColors(painter, topLeft, scale, selection, percentage);
    CSymbolPainter symbol(painter, topLeft, scale);
    for (int i = 0; i < m_beamCount; ++i) {
        if (IsBeamFlagSet(overlay, i))
            DrawShape(symbol, i, IsBeamFlagSet(selection, i) ? SelectionPen() : OutlinePen(), overlayColor);
    }
}

void CFixtureDrawer::DrawPicture(QPainter& painter, const QPoint& topLeft, float scale,
                                 const QList<bool>& selection)
{
    if (!m_fixture)
        return;
    const bool large = scale > 2.0f;
    CSymbolPainter symbol(painter, topLeft, scale);
    symbol.Transform();
    const QImage* picture = m_profile ? &m_profile->Icon() : nullptr;
    for (int i = 0; i < m_beamCount; ++i) {
        const QRect& cell = m_shapes->cells.at(i);
        if (IsBeamFlagSet(selection, i)) {
            painter.fillRect(cell, QColor(250, 232, 151));
            painter.setPen(PictureFramePen());
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell);
        }
        if (picture && !picture->isNull())
            painter.drawImage(large ? cell.adjusted(4, 3, -4, -5) : cell, *picture);
        DrawCornerMark(symbol, i);
    }
    if (!large)
        return;
    const QRect& cell = m_shapes->cells.first();
    painter.setPen(QPen(Qt::black));
    painter.setFont(PictureLabelFont());
    painter.drawText(QRect(QPoint(cell.left() + 1, cell.top() + 1), QPoint(cell.right() - 1, cell.top() + 3)),
                     Qt::AlignCenter, QStringLiteral("ID : %1").arg(m_fixture->m_id));
    painter.drawText(QRect(QPoint(cell.left() + 1, cell.bottom() - 3), QPoint(cell.right() - 1, cell.bottom() - 1)),
                     Qt::AlignCenter, QStringLiteral("@ : %1").arg(m_fixture->m_address + 1));
}
