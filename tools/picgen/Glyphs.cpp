#include "Glyphs.h"

#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

const QColor kInk(0x2b, 0x2f, 0x36);
const QColor kMetal(0x9a, 0xa3, 0xad);
const QColor kDark(0x3a, 0x40, 0x48);
const QColor kLight(0xff, 0xf4, 0xc8);
const QColor kGlass(0xcf, 0xe6, 0xff, 0xb0);

QPolygonF Pts(std::initializer_list<QPointF> points)
{
    return QPolygonF(QVector<QPointF>(points));
}

QPolygon PtsI(std::initializer_list<QPoint> points)
{
    return QPolygon(QVector<QPoint>(points));
}

QPen Pen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPointF OnCircle(QPointF centre, double radius, double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return {centre.x() + radius * qCos(a), centre.y() - radius * qSin(a)};
}

void Head(QPainter& p, QPointF tip, QPointF direction, const QColor& color, double width)
{
    const double length = std::hypot(direction.x(), direction.y());
    if (length <= 0)
        return;
    const QPointF d = direction / length;
    const QPointF n(-d.y(), d.x());
    const double size = 2.4 * width + 4;
    const QPointF base = tip - d * size;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(Pts({tip, base + n * size * 0.62, base - n * size * 0.62}));
}

// A straight arrow whose shaft stops under the head so the tip stays sharp.
void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, double width, bool bothEnds)
{
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length <= 0)
        return;
    const QPointF u = d / length;
    const double size = 2.4 * width + 4;
    p.setPen(Pen(color, width));
    p.drawLine(bothEnds ? from + u * size * 0.8 : from, to - u * size * 0.8);
    Head(p, to, u, color, width);
    if (bothEnds)
        Head(p, from, -u, color, width);
}

// Circular arrow; angles in degrees, anticlockwise, 0 to the right.
void ArcArrow(QPainter& p, QPointF centre, double radius, double start, double span,
              const QColor& color, double width, int heads)
{
    const double trim = (2.4 * width + 4) * 0.7 / radius * 180.0 / M_PI;
    const double sign = span < 0 ? -1 : 1;
    double from = start;
    double sweep = span;
    if (heads >= 1)
        sweep -= sign * trim;
    if (heads >= 2) {
        from += sign * trim;
        sweep -= sign * trim;
    }
    QPainterPath path;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    path.arcMoveTo(box, from);
    path.arcTo(box, from, sweep);
    p.setPen(Pen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    auto tangent = [&](double degrees, double s) {
        const double a = qDegreesToRadians(degrees);
        return QPointF(-qSin(a), -qCos(a)) * s;
    };
    if (heads >= 1)
        Head(p, OnCircle(centre, radius, start + span), tangent(start + span, sign), color, width);
    if (heads >= 2)
        Head(p, OnCircle(centre, radius, start), tangent(start, -sign), color, width);
}

QVector<QPointF> Points(const GlyphArgs& a, int first)
{
    QVector<QPointF> points;
    for (int i = first; i + 1 < a.Count(); i += 2)
        points.append(QPointF(a.Num(i, 0), a.Num(i + 1, 0)));
    return points;
}

void FillBrush(QPainter& p, const GlyphArgs& a, int fillIndex, int strokeIndex, int widthIndex)
{
    p.setBrush(a.Color(fillIndex, kInk));
    if (a.Count() > strokeIndex)
        p.setPen(Pen(a.Color(strokeIndex, kInk), a.Num(widthIndex, 3)));
    else
        p.setPen(Qt::NoPen);
}

QLinearGradient Stops(QPointF from, QPointF to, const GlyphArgs& a, int first)
{
    QLinearGradient gradient(from, to);
    const int count = qMax(1, a.Count() - first);
    for (int i = 0; i < count; ++i)
        gradient.setColorAt(count == 1 ? 0 : double(i) / (count - 1), a.Color(first + i, kMetal));
    return gradient;
}

const QColor kWheelColors[] = {QColor(0xe5, 0x39, 0x35), QColor(0xfb, 0x8c, 0x00), QColor(0xfd, 0xd8, 0x35),
                               QColor(0x43, 0xa0, 0x47), QColor(0x00, 0xac, 0xc1), QColor(0x1e, 0x63, 0xd6),
                               QColor(0x8e, 0x24, 0xaa), QColor(0xfa, 0xfa, 0xfa)};

// ---- primitives -----------------------------------------------------------

void Tile(QPainter& p, const GlyphArgs& a)
{
    QLinearGradient g(0, 4, 0, 96);
    g.setColorAt(0, a.Color(0, QColor(0xf6, 0xf8, 0xfb)));
    g.setColorAt(1, a.Color(1, QColor(0xd3, 0xda, 0xe3)));
    p.setBrush(g);
    p.setPen(Pen(a.Color(2, QColor(0x84, 0x8e, 0x9c)), 3));
    p.drawRoundedRect(QRectF(4, 4, 92, 92), 14, 14);
}

void VGrad(QPainter& p, const GlyphArgs& a)
{
    p.fillRect(QRectF(0, 0, 100, 100), Stops({0, 0}, {0, 100}, a, 0));
}

void HGrad(QPainter& p, const GlyphArgs& a)
{
    p.fillRect(QRectF(0, 0, 100, 100), Stops({0, 0}, {100, 0}, a, 0));
}

// gradrect x y w h radius colour... (left to right)
void GradRect(QPainter& p, const GlyphArgs& a)
{
    const QRectF r(a.Num(0, 0), a.Num(1, 0), a.Num(2, 100), a.Num(3, 100));
    p.setBrush(Stops(r.topLeft(), r.topRight(), a, 5));
    p.setPen(Pen(kInk, 3));
    p.drawRoundedRect(r, a.Num(4, 0), a.Num(4, 0));
}

// rect x y w h fill [stroke width]
void Rect(QPainter& p, const GlyphArgs& a)
{
    FillBrush(p, a, 4, 5, 6);
    p.drawRect(QRectF(a.Num(0, 0), a.Num(1, 0), a.Num(2, 100), a.Num(3, 100)));
}

// rrect x y w h radius fill [stroke width]
void RRect(QPainter& p, const GlyphArgs& a)
{
    FillBrush(p, a, 5, 6, 7);
    p.drawRoundedRect(QRectF(a.Num(0, 0), a.Num(1, 0), a.Num(2, 100), a.Num(3, 100)), a.Num(4, 0), a.Num(4, 0));
}

// dashrect x y w h colour width
void DashRect(QPainter& p, const GlyphArgs& a)
{
    QPen pen = Pen(a.Color(4, kInk), a.Num(5, 4));
    pen.setStyle(Qt::DashLine);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(a.Num(0, 0), a.Num(1, 0), a.Num(2, 100), a.Num(3, 100)));
}

// ellipse cx cy rx ry fill [stroke width]
void Ellipse(QPainter& p, const GlyphArgs& a)
{
    FillBrush(p, a, 4, 5, 6);
    p.drawEllipse(QPointF(a.Num(0, 50), a.Num(1, 50)), a.Num(2, 40), a.Num(3, 40));
}

// line x1 y1 x2 y2 colour width
void Line(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(a.Color(4, kInk), a.Num(5, 6)));
    p.drawLine(QPointF(a.Num(0, 0), a.Num(1, 0)), QPointF(a.Num(2, 100), a.Num(3, 100)));
}

void ArrowGlyph(QPainter& p, const GlyphArgs& a)
{
    Arrow(p, {a.Num(0, 10), a.Num(1, 50)}, {a.Num(2, 90), a.Num(3, 50)}, a.Color(4, kInk), a.Num(5, 8), false);
}

void DArrowGlyph(QPainter& p, const GlyphArgs& a)
{
    Arrow(p, {a.Num(0, 10), a.Num(1, 50)}, {a.Num(2, 90), a.Num(3, 50)}, a.Color(4, kInk), a.Num(5, 8), true);
}

// poly fill x1 y1 x2 y2 ...
void Poly(QPainter& p, const GlyphArgs& a)
{
    p.setBrush(a.Color(0, kInk));
    p.setPen(Pen(a.Color(0, kInk).darker(130), 2));
    p.drawPolygon(QPolygonF(Points(a, 1)));
}

// polyline colour width x1 y1 x2 y2 ...
void PolyLine(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(a.Color(0, kInk), a.Num(1, 6)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF(Points(a, 2)));
}

// arc cx cy r start span colour width heads
void Arc(QPainter& p, const GlyphArgs& a)
{
    ArcArrow(p, {a.Num(0, 50), a.Num(1, 50)}, a.Num(2, 40), a.Num(3, 0), a.Num(4, 270), a.Color(5, kInk),
             a.Num(6, 7), int(a.Num(7, 0)));
}

void Cross(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(a.Color(0, QColor(0xd6, 0x27, 0x27)), a.Num(1, 10)));
    p.drawLine(QPointF(14, 14), QPointF(86, 86));
    p.drawLine(QPointF(86, 14), QPointF(14, 86));
}

// ---- signs ------------------------------------------------------------------

void Plus(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x2f, 0x9e, 0x44));
    QPainterPath path;
    path.addRoundedRect(QRectF(38, 12, 24, 76), 5, 5);
    path.addRoundedRect(QRectF(12, 38, 76, 24), 5, 5);
    p.setPen(Pen(c.darker(140), 3));
    p.setBrush(c);
    p.drawPath(path.simplified());
}

void Minus(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xd6, 0x45, 0x41));
    p.setPen(Pen(c.darker(140), 3));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(12, 38, 76, 24), 5, 5);
}

void XMark(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xd6, 0x45, 0x41));
    p.setPen(Pen(c.darker(150), 22));
    p.drawLine(QPointF(22, 22), QPointF(78, 78));
    p.drawLine(QPointF(78, 22), QPointF(22, 78));
    p.setPen(Pen(c, 15));
    p.drawLine(QPointF(22, 22), QPointF(78, 78));
    p.drawLine(QPointF(78, 22), QPointF(22, 78));
}

void CheckMark(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x2f, 0x9e, 0x44));
    const QPolygonF tick = Pts({{14, 52}, {40, 78}, {88, 22}});
    p.setPen(Pen(c.darker(150), 20));
    p.drawPolyline(tick);
    p.setPen(Pen(c, 13));
    p.drawPolyline(tick);
}

void Question(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, kInk);
    QPainterPath path;
    const QRectF box(32, 14, 36, 36);
    path.arcMoveTo(box, 160);
    path.arcTo(box, 160, -230);
    path.quadTo(QPointF(50, 52), QPointF(50, 64));
    p.setPen(Pen(c, 11));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(50, 82), 7, 7);
}

void Hash(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(a.Color(0, kInk), 8));
    p.drawLine(QPointF(40, 14), QPointF(32, 86));
    p.drawLine(QPointF(68, 14), QPointF(60, 86));
    p.drawLine(QPointF(16, 36), QPointF(86, 36));
    p.drawLine(QPointF(14, 64), QPointF(84, 64));
}

// ---- light and optics ---------------------------------------------------------

QPainterPath BulbGlass()
{
    QPainterPath glass;
    glass.moveTo(38, 70);
    glass.cubicTo(QPointF(38, 58), QPointF(22, 52), QPointF(22, 38));
    glass.cubicTo(QPointF(22, 20), QPointF(36, 10), QPointF(50, 10));
    glass.cubicTo(QPointF(64, 10), QPointF(78, 20), QPointF(78, 38));
    glass.cubicTo(QPointF(78, 52), QPointF(62, 58), QPointF(62, 70));
    glass.closeSubpath();
    return glass;
}

// bulb level(0-100) colour
void Bulb(QPainter& p, const GlyphArgs& a)
{
    const double level = qBound(0.0, a.Num(0, 100), 100.0);
    const QColor light = a.Color(1, QColor(0xff, 0xd5, 0x4f));
    const QPainterPath glass = BulbGlass();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf6, 0xf8));
    p.drawPath(glass);
    p.save();
    p.setClipPath(glass);
    const double top = 70 - 60 * level / 100;
    QLinearGradient g(0, top, 0, 70);
    g.setColorAt(0, light.lighter(130));
    g.setColorAt(1, light);
    p.fillRect(QRectF(0, top, 100, 70 - top), g);
    p.restore();
    p.setPen(Pen(kInk, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(glass);
    p.setBrush(kMetal);
    p.drawRoundedRect(QRectF(37, 70, 26, 16), 3, 3);
    p.drawLine(QPointF(38, 76), QPointF(62, 76));
    p.drawLine(QPointF(38, 81), QPointF(62, 81));
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(44, 86, 12, 6), 2, 2);
}

void Rays(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(a.Color(0, QColor(0xf0, 0x9a, 0x1a)), 6));
    for (double angle : {0.0, 35.0, 90.0, 145.0, 180.0}) {
        p.drawLine(OnCircle({50, 38}, 35, angle), OnCircle({50, 38}, 46, angle));
    }
}

// beam halfWidth colour: a spot light shining down from a lens.
void Beam(QPainter& p, const GlyphArgs& a)
{
    const double spread = a.Num(0, 30);
    QColor c = a.Color(1, QColor(0xff, 0xd5, 0x4f));
    QLinearGradient g(0, 22, 0, 94);
    g.setColorAt(0, c);
    c.setAlpha(60);
    g.setColorAt(1, c);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPolygon(Pts({{42, 22}, {58, 22}, {50 + spread, 94}, {50 - spread, 94}}));
    p.setPen(Pen(kInk, 3));
    p.setBrush(kDark);
    p.drawRoundedRect(QRectF(34, 4, 32, 18), 3, 3);
}

void Flash(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xfd, 0xd8, 0x35));
    p.setPen(Pen(c.darker(170), 4));
    p.setBrush(c);
    p.drawPolygon(Pts({{60, 4}, {26, 56}, {46, 56}, {36, 96}, {76, 40}, {55, 40}, {70, 4}}));
}

// iris open(0-100): the blades close around a lit aperture.
void Iris(QPainter& p, const GlyphArgs& a)
{
    const double open = qBound(0.0, a.Num(0, 50), 100.0);
    const QPointF c(50, 50);
    const double radius = 8 + 28 * open / 100;
    p.setPen(Pen(kInk, 4));
    p.setBrush(kDark);
    p.drawEllipse(c, 42, 42);
    QRadialGradient g(c, radius);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0xff, 0xd5, 0x4f));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
    p.setPen(Pen(kMetal, 3));
    for (int i = 0; i < 6; ++i) {
        const double angle = i * 60.0;
        const QPointF from = OnCircle(c, radius, angle);
        p.drawLine(from, from + (OnCircle(c, 42, angle + 70) - from) * 0.95);
    }
}

// shutter open|closed
void Shutter(QPainter& p, const GlyphArgs& a)
{
    const bool open = a.Word(0, QStringLiteral("open")) == QLatin1String("open");
    QPainterPath frame;
    frame.addEllipse(QPointF(50, 50), 42, 42);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x82));
    p.drawPath(frame);
    p.save();
    p.setClipPath(frame);
    const double gap = open ? 40 : 0;
    p.setBrush(kDark);
    p.setPen(Pen(kMetal, 3));
    p.drawRect(QRectF(0, -2, 100, 52 - gap / 2));
    p.drawRect(QRectF(0, 50 + gap / 2, 100, 52 - gap / 2));
    p.restore();
    p.setPen(Pen(kInk, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
}

// focus: sharp rings and a cross hair
void Focus(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, kInk);
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(c, 5));
    p.drawEllipse(QPointF(50, 50), 36, 36);
    p.drawEllipse(QPointF(50, 50), 20, 20);
    p.setBrush(c);
    p.drawEllipse(QPointF(50, 50), 5, 5);
    p.setPen(Pen(c, 5));
    p.drawLine(QPointF(50, 4), QPointF(50, 22));
    p.drawLine(QPointF(50, 78), QPointF(50, 96));
    p.drawLine(QPointF(4, 50), QPointF(22, 50));
    p.drawLine(QPointF(78, 50), QPointF(96, 50));
}

void Frost(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x64, 0xb5, 0xf6));
    QRadialGradient g(QPointF(50, 50), 44);
    g.setColorAt(0, Qt::white);
    g.setColorAt(0.6, c.lighter(130));
    QColor edge = c;
    edge.setAlpha(0);
    g.setColorAt(1, edge);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(50, 50), 44, 44);
    p.setPen(Pen(c.darker(140), 5));
    for (int i = 0; i < 3; ++i) {
        const double angle = 90 + i * 60.0;
        p.drawLine(OnCircle({50, 50}, 30, angle), OnCircle({50, 50}, 30, angle + 180));
        for (double side : {angle, angle + 180}) {
            const QPointF tip = OnCircle({50, 50}, 20, side);
            p.drawLine(tip, tip + (OnCircle({50, 50}, 30, side + 25) - OnCircle({50, 50}, 20, side)) * 0.8);
            p.drawLine(tip, tip + (OnCircle({50, 50}, 30, side - 25) - OnCircle({50, 50}, 20, side)) * 0.8);
        }
    }
}

// prism facets layout(f ring, c ring with centre, l line); 0 facets is the bare glass
void Prism(QPainter& p, const GlyphArgs& a)
{
    const int facets = int(a.Num(0, 0));
    const QString layout = a.Word(1, QStringLiteral("f"));
    const QPolygonF glass = Pts({{50, 8}, {90, 82}, {10, 82}});
    p.setPen(Pen(QColor(0x5c, 0x8d, 0xc4), 4));
    p.setBrush(QColor(0xd6, 0xea, 0xff, facets ? 90 : 220));
    p.drawPolygon(glass);
    if (facets == 0) {
        p.setPen(Pen(QColor(0xf0, 0x9a, 0x1a), 5));
        p.drawLine(QPointF(0, 52), QPointF(32, 48));
        const QColor out[] = {QColor(0xe5, 0x39, 0x35), QColor(0x43, 0xa0, 0x47), QColor(0x1e, 0x63, 0xd6)};
        for (int i = 0; i < 3; ++i) {
            p.setPen(Pen(out[i], 5));
            p.drawLine(QPointF(64, 52), QPointF(98, 36 + i * 14));
        }
        return;
    }
    QVector<QPointF> spots;
    const bool centre = layout == QLatin1String("c");
    const int ring = centre ? facets - 1 : facets;
    if (layout == QLatin1String("cl")) {
        for (int i = 0; i + 1 < facets; ++i)
            spots.append(QPointF(14 + 72.0 * i / qMax(1, facets - 2), 70));
        spots.append(QPointF(50, 40));
    } else if (layout == QLatin1String("l")) {
        for (int i = 0; i < facets; ++i)
            spots.append(QPointF(14 + 72.0 * i / qMax(1, facets - 1), 56));
    } else {
        for (int i = 0; i < ring; ++i)
            spots.append(OnCircle({50, 54}, 26, 90 + 360.0 * i / ring));
        if (centre)
            spots.append(QPointF(50, 54));
    }
    const double radius = facets > 4 ? 9 : 11;
    p.setPen(Pen(QColor(0xb2, 0x6a, 0x00), 2.5));
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    for (const QPointF& spot : spots)
        p.drawEllipse(spot, radius, radius);
}

// swatch colour...: a colour chip split into stripes
void Swatch(QPainter& p, const GlyphArgs& a)
{
    const int count = qBound(1, a.Count(), 4);
    const QRectF chip(14, 14, 72, 72);
    QPainterPath shape;
    shape.addRoundedRect(chip, 8, 8);
    p.save();
    p.setClipPath(shape);
    for (int i = 0; i < count; ++i)
        p.fillRect(QRectF(chip.left() + chip.width() * i / count, chip.top(), chip.width() / count + 0.5, chip.height()),
                   a.Color(i, Qt::white));
    p.restore();
    p.setPen(Pen(kInk, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

// count n: n lit dots of twenty, five to a row
void Count(QPainter& p, const GlyphArgs& a)
{
    const int lit = qBound(0, int(a.Num(0, 1)), 20);
    p.setPen(Pen(kInk, 2));
    for (int i = 0; i < 20; ++i) {
        p.setBrush(i < lit ? QColor(0xfd, 0xd8, 0x35) : QColor(0xc4, 0xca, 0xd2));
        p.drawEllipse(QPointF(14 + (i % 5) * 18, 23 + (i / 5) * 18), 7.5, 7.5);
    }
}

// colorwheel segments
void ColorWheel(QPainter& p, const GlyphArgs& a)
{
    const int segments = qBound(2, int(a.Num(0, 6)), 8);
    const QRectF box(8, 8, 84, 84);
    p.setPen(Pen(kInk, 3));
    for (int i = 0; i < segments; ++i) {
        p.setBrush(kWheelColors[i]);
        p.drawPie(box, int((90 + 360.0 * i / segments) * 16), int(360.0 / segments * 16));
    }
    p.setBrush(kMetal);
    p.drawEllipse(QPointF(50, 50), 10, 10);
}

void GoboShape(QPainter& p, const QString& kind, QPointF c, double r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xf8, 0xe1));
    if (kind == QLatin1String("dots")) {
        for (int i = 0; i < 6; ++i)
            p.drawEllipse(OnCircle(c, r * 0.6, 90 + 60.0 * i), r * 0.2, r * 0.2);
        p.drawEllipse(c, r * 0.2, r * 0.2);
    } else if (kind == QLatin1String("bars")) {
        for (int i = -1; i <= 1; ++i)
            p.drawRect(QRectF(c.x() + i * r * 0.5 - r * 0.14, c.y() - r * 0.7, r * 0.28, r * 1.4));
    } else if (kind == QLatin1String("ring")) {
        QPainterPath ring;
        ring.addEllipse(c, r * 0.75, r * 0.75);
        ring.addEllipse(c, r * 0.45, r * 0.45);
        p.drawPath(ring);
    } else {
        QPolygonF star;
        for (int i = 0; i < 10; ++i)
            star.append(OnCircle(c, (i % 2 ? 0.36 : 0.85) * r, 90 + 36.0 * i));
        p.drawPolygon(star);
    }
}

// gobo kind(star, dots, bars, ring)
void Gobo(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(kMetal, 4));
    p.setBrush(QColor(0x20, 0x24, 0x2a));
    p.drawEllipse(QPointF(50, 50), 40, 40);
    GoboShape(p, a.Word(0, QStringLiteral("star")), {50, 50}, 36);
}

void GoboWheel(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kInk, 3));
    p.setBrush(kMetal);
    p.drawEllipse(QPointF(50, 50), 44, 44);
    const char* const kinds[] = {"star", "dots", "bars", "ring", "star", "dots"};
    for (int i = 0; i < 6; ++i) {
        const QPointF c = OnCircle({50, 50}, 28, 90 + 60.0 * i);
        p.setPen(Pen(kInk, 2));
        p.setBrush(QColor(0x20, 0x24, 0x2a));
        p.drawEllipse(c, 12, 12);
        GoboShape(p, QLatin1String(kinds[i]), c, 11);
    }
    p.setPen(Pen(kInk, 2));
    p.setBrush(kDark);
    p.drawEllipse(QPointF(50, 50), 6, 6);
}

// roller x|y: a scroll of colour frames between two drums
void Roller(QPainter& p, const GlyphArgs& a)
{
    if (a.Word(0, QStringLiteral("x")) == QLatin1String("y")) {
        p.translate(50, 50);
        p.rotate(90);
        p.translate(-50, -50);
    }
    for (int i = 0; i < 5; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(kWheelColors[i + 1]);
        p.drawRect(QRectF(20 + i * 12, 30, 12, 40));
    }
    p.setPen(Pen(kInk, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(20, 30, 60, 40));
    p.setBrush(kMetal);
    p.drawRoundedRect(QRectF(6, 22, 16, 56), 7, 7);
    p.drawRoundedRect(QRectF(78, 22, 16, 56), 7, 7);
}

void FilterGlass(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x29, 0x79, 0xff));
    for (int i = 0; i < 3; ++i) {
        QColor fill = i == 1 ? c : c.lighter(100 + 35 * i + 10);
        fill.setAlpha(170);
        p.setPen(Pen(kInk, 3));
        p.setBrush(fill);
        p.drawPolygon(Pts({{18.0 + i * 16, 10}, {40.0 + i * 16, 18}, {40.0 + i * 16, 90}, {18.0 + i * 16, 82}}));
    }
}

void Cloud(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xb0, 0xb8, 0xc2));
    QPainterPath cloud;
    cloud.addEllipse(QPointF(30, 60), 20, 18);
    cloud.addEllipse(QPointF(52, 46), 24, 24);
    cloud.addEllipse(QPointF(74, 60), 20, 18);
    cloud.addRoundedRect(QRectF(14, 56, 78, 24), 10, 10);
    p.setPen(Pen(c.darker(160), 4));
    p.setBrush(c);
    p.drawPath(cloud.simplified());
}

void Gear(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x78, 0x84, 0x92));
    QPolygonF teeth;
    for (int i = 0; i < 32; ++i) {
        const double radius = (i % 4 < 2) ? 44 : 33;
        teeth.append(OnCircle({50, 50}, radius, i * 360.0 / 32 + 5));
    }
    QPainterPath gear;
    gear.addPolygon(teeth);
    gear.closeSubpath();
    gear.addEllipse(QPointF(50, 50), 13, 13);
    p.setPen(Pen(c.darker(170), 3));
    p.setBrush(c);
    p.drawPath(gear);
}

// gauge value(0-100): a speed dial
void Gauge(QPainter& p, const GlyphArgs& a)
{
    const QPointF c(50, 58);
    p.setPen(Pen(kInk, 5));
    p.setBrush(QColor(0xfa, 0xfb, 0xfc));
    p.drawPie(QRectF(8, 16, 84, 84), 210 * 16, -240 * 16);
    p.setPen(Pen(QColor(0xd6, 0x45, 0x41), 6));
    p.drawArc(QRectF(16, 24, 68, 68), 10 * 16, -40 * 16);
    p.setPen(Pen(kInk, 3));
    for (int i = 0; i <= 6; ++i) {
        const double angle = 210 - 40.0 * i;
        p.drawLine(OnCircle(c, 34, angle), OnCircle(c, 40, angle));
    }
    const double angle = 210 - 240 * qBound(0.0, a.Num(0, 70), 100.0) / 100;
    Arrow(p, c, OnCircle(c, 32, angle), QColor(0xd6, 0x45, 0x41), 5, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(c, 6, 6);
}

// spin cw|ccw|both|off colour
void Spin(QPainter& p, const GlyphArgs& a)
{
    const QString dir = a.Word(0, QStringLiteral("cw"));
    const QColor c = a.Color(1, QColor(0x1e, 0x63, 0xd6));
    const QPointF centre(50, 50);
    if (dir == QLatin1String("cw")) {
        ArcArrow(p, centre, 42, 150, -280, c, 7, 1);
    } else if (dir == QLatin1String("ccw")) {
        ArcArrow(p, centre, 42, 30, 280, c, 7, 1);
    } else if (dir == QLatin1String("off")) {
        ArcArrow(p, centre, 42, 150, -280, c, 7, 1);
        Cross(p, GlyphArgs({}, {}));
    } else {
        ArcArrow(p, centre, 42, 165, -130, c, 7, 1);
        ArcArrow(p, centre, 42, 195, 130, c, 7, 1);
    }
}

void IndexMark(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xd6, 0x45, 0x41));
    p.setPen(Pen(kInk, 3));
    for (int i = 0; i < 12; ++i)
        p.drawLine(OnCircle({50, 50}, 42, i * 30.0), OnCircle({50, 50}, 48, i * 30.0));
    p.setPen(Pen(c.darker(150), 2));
    p.setBrush(c);
    p.drawPolygon(Pts({{38, 0}, {62, 0}, {50, 18}}));
}

void Shake(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0xd6, 0x45, 0x41));
    ArcArrow(p, {50, 50}, 46, 235, 70, c, 6, 2);
    ArcArrow(p, {50, 50}, 46, 55, 70, c, 6, 2);
}

// pulse open|close|double colour: the level shape of a pulse on a small card
void Pulse(QPainter& p, const GlyphArgs& a)
{
    const QString kind = a.Word(0, QStringLiteral("double"));
    const QColor c = a.Color(1, QColor(0xd6, 0x45, 0x41));
    p.setPen(Pen(kInk, 4));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRoundedRect(QRectF(4, 4, 92, 92), 12, 12);
    QPolygonF wave;
    if (kind == QLatin1String("open"))
        wave = Pts({{14, 80}, {78, 20}, {78, 80}});
    else if (kind == QLatin1String("close"))
        wave = Pts({{22, 80}, {22, 20}, {86, 80}});
    else
        wave = Pts({{12, 80}, {50, 18}, {88, 80}});
    p.setPen(Pen(c, 13));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(wave);
}

// ---- equipment ------------------------------------------------------------------

void Xlr(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kInk, 4));
    p.setBrush(kMetal);
    p.drawEllipse(QPointF(50, 50), 44, 44);
    p.setBrush(QColor(0x26, 0x2a, 0x30));
    p.drawEllipse(QPointF(50, 50), 33, 33);
    p.setPen(Qt::NoPen);
    p.setBrush(kMetal);
    p.drawRect(QRectF(44, 12, 12, 10));
    p.setBrush(QColor(0xe8, 0xc5, 0x6a));
    for (const QPointF& pin : {QPointF(34, 44), QPointF(66, 44), QPointF(50, 68)})
        p.drawEllipse(pin, 8, 8);
}

void Speaker(QPainter& p, const GlyphArgs& a)
{
    const bool on = a.Word(0, QStringLiteral("on")) == QLatin1String("on");
    p.setPen(Pen(kInk, 4));
    p.setBrush(kDark);
    p.drawPolygon(Pts({{8, 36}, {26, 36}, {50, 14}, {50, 86}, {26, 64}, {8, 64}}));
    if (on) {
        p.setBrush(Qt::NoBrush);
        p.setPen(Pen(QColor(0x1e, 0x63, 0xd6), 7));
        p.drawArc(QRectF(38, 30, 30, 40), -50 * 16, 100 * 16);
        p.drawArc(QRectF(32, 14, 56, 72), -50 * 16, 100 * 16);
    } else {
        p.setPen(Pen(QColor(0xd6, 0x27, 0x27), 8));
        p.drawLine(QPointF(62, 34), QPointF(90, 66));
        p.drawLine(QPointF(90, 34), QPointF(62, 66));
    }
}

// wave on|off: a sound envelope
void Wave(QPainter& p, const GlyphArgs& a)
{
    const bool on = a.Word(0, QStringLiteral("on")) == QLatin1String("on");
    const QColor c = on ? QColor(0x2f, 0x9e, 0x44) : QColor(0x9a, 0xa0, 0xa8);
    const double heights[] = {10, 26, 44, 30, 60, 80, 52, 34, 66, 40, 20, 12};
    p.setPen(Pen(c, 6));
    for (int i = 0; i < 12; ++i) {
        const double x = 8 + i * 7.6;
        p.drawLine(QPointF(x, 50 - heights[i] / 2), QPointF(x, 50 + heights[i] / 2));
    }
    if (!on) {
        p.setPen(Pen(QColor(0xd6, 0x27, 0x27), 8));
        p.drawLine(QPointF(14, 86), QPointF(86, 14));
    }
}

// film colour: a strip with sprocket holes across the whole box
void Film(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x30, 0x34, 0x3a));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(0, 0, 100, 100));
    p.setBrush(QColor(0xee, 0xee, 0xee));
    for (int i = 0; i < 4; ++i) {
        p.drawRoundedRect(QRectF(6 + i * 25, 6, 13, 18), 3, 3);
        p.drawRoundedRect(QRectF(6 + i * 25, 76, 13, 18), 3, 3);
    }
    p.setBrush(QColor(0x90, 0xca, 0xf9));
    p.drawRect(QRectF(4, 32, 42, 36));
    p.drawRect(QRectF(54, 32, 42, 36));
}

void Folder(QPainter& p, const GlyphArgs&)
{
    const QColor c(0xf2, 0xb5, 0x3a);
    p.setPen(Pen(c.darker(160), 4));
    p.setBrush(c.darker(115));
    p.drawPolygon(Pts({{8, 22}, {38, 22}, {46, 30}, {88, 30}, {88, 82}, {8, 82}}));
    p.setBrush(c);
    p.drawPolygon(Pts({{8, 82}, {20, 42}, {96, 42}, {86, 82}}));
}

void Floppy(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kInk, 4));
    p.setBrush(QColor(0x2f, 0x6f, 0xc4));
    p.drawPolygon(Pts({{10, 10}, {80, 10}, {90, 20}, {90, 90}, {10, 90}}));
    p.setBrush(QColor(0xd9, 0xde, 0xe4));
    p.drawRect(QRectF(26, 10, 44, 26));
    p.setBrush(kInk);
    p.drawRect(QRectF(54, 15, 9, 16));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(22, 52, 56, 38));
}

void Page(QPainter& p, QPointF at, double scale)
{
    p.save();
    p.translate(at);
    p.scale(scale, scale);
    p.setPen(Pen(kInk, 4));
    p.setBrush(Qt::white);
    p.drawPolygon(Pts({{18, 6}, {62, 6}, {82, 26}, {82, 94}, {18, 94}}));
    p.drawPolyline(Pts({{62, 6}, {62, 26}, {82, 26}}));
    p.setPen(Pen(QColor(0x9a, 0xa3, 0xad), 4));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(30, 42 + i * 13), QPointF(70, 42 + i * 13));
    p.restore();
}

void PageGlyph(QPainter& p, const GlyphArgs&)
{
    Page(p, {0, 0}, 1);
}

void Pages(QPainter& p, const GlyphArgs&)
{
    Page(p, {-8, -4}, 0.8);
    Page(p, {22, 18}, 0.8);
}

void Clipboard(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kInk, 4));
    p.setBrush(QColor(0xa8, 0x74, 0x3c));
    p.drawRoundedRect(QRectF(14, 12, 72, 84), 6, 6);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(24, 24, 52, 64));
    p.setBrush(kMetal);
    p.drawRoundedRect(QRectF(34, 4, 32, 16), 4, 4);
    p.setPen(Pen(QColor(0x9a, 0xa3, 0xad), 4));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(32, 42 + i * 14), QPointF(68, 42 + i * 14));
}

void Scissors(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kMetal.darker(140), 8));
    p.drawLine(QPointF(36, 62), QPointF(82, 8));
    p.drawLine(QPointF(64, 62), QPointF(18, 8));
    p.setPen(Pen(QColor(0xd6, 0x45, 0x41), 7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(28, 76), 14, 14);
    p.drawEllipse(QPointF(72, 76), 14, 14);
}

void Pencil(QPainter& p, const GlyphArgs&)
{
    p.translate(50, 50);
    p.rotate(-45);
    p.setPen(Pen(kInk, 3));
    p.setBrush(QColor(0xf2, 0xb5, 0x3a));
    p.drawRect(QRectF(-26, -10, 52, 20));
    p.setBrush(QColor(0xe8, 0x9a, 0x9a));
    p.drawRect(QRectF(26, -10, 12, 20));
    p.setBrush(QColor(0xf3, 0xdc, 0xb0));
    p.drawPolygon(Pts({{-26, -10}, {-44, 0}, {-26, 10}}));
    p.setBrush(kInk);
    p.drawPolygon(Pts({{-38, -3}, {-44, 0}, {-38, 3}}));
}

// padlock closed|open
void Padlock(QPainter& p, const GlyphArgs& a)
{
    const bool open = a.Word(0, QStringLiteral("closed")) == QLatin1String("open");
    p.setPen(Pen(kMetal.darker(150), 9));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(32, 48);
    shackle.lineTo(32, 30);
    shackle.arcTo(QRectF(32, 10, 36, 40), 180, -180);
    shackle.lineTo(68, open ? 34 : 48);
    p.save();
    if (open)
        p.translate(16, -6);
    p.drawPath(shackle);
    p.restore();
    p.setPen(Pen(QColor(0xa0, 0x70, 0x10), 4));
    p.setBrush(QColor(0xf2, 0xc2, 0x30));
    p.drawRoundedRect(QRectF(20, 46, 60, 46), 6, 6);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(50, 64), 6, 6);
    p.drawRect(QRectF(48, 66, 4, 14));
}

// magnifier +|-|none
void Magnifier(QPainter& p, const GlyphArgs& a)
{
    const QString sign = a.Word(0, QStringLiteral("none"));
    p.setPen(Pen(kInk, 16));
    p.drawLine(QPointF(64, 64), QPointF(88, 88));
    p.setPen(Pen(kInk, 7));
    p.setBrush(QColor(0xd6, 0xea, 0xff));
    p.drawEllipse(QPointF(42, 42), 28, 28);
    p.setPen(Pen(kInk, 7));
    if (sign != QLatin1String("none"))
        p.drawLine(QPointF(28, 42), QPointF(56, 42));
    if (sign == QLatin1String("+"))
        p.drawLine(QPointF(42, 28), QPointF(42, 56));
}

void Clock(QPainter& p, const GlyphArgs&)
{
    p.setPen(Pen(kInk, 6));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(50, 50), 42, 42);
    p.setPen(Pen(kInk, 3));
    for (int i = 0; i < 12; ++i)
        p.drawLine(OnCircle({50, 50}, 34, i * 30.0), OnCircle({50, 50}, 39, i * 30.0));
    p.setPen(Pen(kInk, 6));
    p.drawLine(QPointF(50, 50), QPointF(50, 22));
    p.setPen(Pen(QColor(0xd6, 0x45, 0x41), 6));
    p.drawLine(QPointF(50, 50), QPointF(72, 60));
}

// sliders level1 level2 level3 (0-100): three faders
void Sliders(QPainter& p, const GlyphArgs& a)
{
    for (int i = 0; i < 3; ++i) {
        const double x = 22 + i * 28;
        p.setPen(Pen(kInk, 5));
        p.drawLine(QPointF(x, 10), QPointF(x, 90));
        const double y = 84 - 68 * qBound(0.0, a.Num(i, 50), 100.0) / 100;
        p.setPen(Pen(kInk, 3));
        p.setBrush(QColor(0xd9, 0xde, 0xe4));
        p.drawRoundedRect(QRectF(x - 11, y - 7, 22, 14), 3, 3);
    }
}

// pointer colour: the mouse arrow
void Pointer(QPainter& p, const GlyphArgs& a)
{
    p.setPen(Pen(kInk, 4));
    p.setBrush(a.Color(0, Qt::white));
    p.drawPolygon(Pts({{24, 8}, {24, 78}, {40, 64}, {52, 90}, {64, 84}, {52, 58}, {74, 58}}));
}

void Move4(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, kInk);
    Arrow(p, {50, 50}, {50, 6}, c, 7, false);
    Arrow(p, {50, 50}, {50, 94}, c, 7, false);
    Arrow(p, {50, 50}, {6, 50}, c, 7, false);
    Arrow(p, {50, 50}, {94, 50}, c, 7, false);
}

void Landscape(QPainter& p, const GlyphArgs&)
{
    const QRectF r(0, 0, 100, 100);
    p.setPen(Pen(kInk, 5));
    p.setBrush(QColor(0x90, 0xca, 0xf9));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xfd, 0xd8, 0x35));
    p.drawEllipse(QPointF(72, 28), 12, 12);
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawPolygon(Pts({{2, 98}, {2, 70}, {34, 40}, {60, 70}, {74, 58}, {98, 80}, {98, 98}}));
}

// brush, pipette and bucket: the paint tools
void Brush(QPainter& p, const GlyphArgs&)
{
    p.translate(50, 50);
    p.rotate(-45);
    p.setPen(Pen(kInk, 3));
    p.setBrush(QColor(0xa8, 0x74, 0x3c));
    p.drawRoundedRect(QRectF(-6, -46, 12, 50), 4, 4);
    p.setBrush(kMetal);
    p.drawRect(QRectF(-9, 4, 18, 12));
    p.setBrush(QColor(0xd6, 0x45, 0x41));
    QPainterPath tuft;
    tuft.moveTo(-10, 16);
    tuft.lineTo(10, 16);
    tuft.quadTo(QPointF(10, 36), QPointF(0, 46));
    tuft.quadTo(QPointF(-10, 36), QPointF(-10, 16));
    p.drawPath(tuft);
}

void Pipette(QPainter& p, const GlyphArgs&)
{
    p.translate(50, 50);
    p.rotate(45);
    p.setPen(Pen(kInk, 3));
    p.setBrush(kDark);
    p.drawRoundedRect(QRectF(-10, -46, 20, 22), 8, 8);
    p.setBrush(kMetal);
    p.drawRect(QRectF(-13, -26, 26, 7));
    p.setBrush(QColor(0xd6, 0xea, 0xff));
    p.drawPolygon(Pts({{-6, -19}, {6, -19}, {6, 30}, {0, 44}, {-6, 30}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x63, 0xd6));
    p.drawPolygon(Pts({{-5, 12}, {5, 12}, {5, 30}, {0, 42}, {-5, 30}}));
}

void Bucket(QPainter& p, const GlyphArgs&)
{
    p.save();
    p.translate(44, 54);
    p.rotate(-30);
    p.setPen(Pen(kInk, 4));
    p.setBrush(kMetal);
    p.drawPolygon(Pts({{-24, -22}, {24, -22}, {18, 30}, {-18, 30}}));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-22, -46, 44, 44), 0, 180 * 16);
    p.setBrush(QColor(0x1e, 0x63, 0xd6));
    p.drawEllipse(QPointF(0, -22), 24, 6);
    p.restore();
    p.setPen(Pen(QColor(0x1e, 0x63, 0xd6).darker(140), 2));
    p.setBrush(QColor(0x1e, 0x63, 0xd6));
    QPainterPath drop;
    drop.moveTo(84, 52);
    drop.quadTo(QPointF(94, 70), QPointF(84, 76));
    drop.quadTo(QPointF(74, 70), QPointF(84, 52));
    p.drawPath(drop);
}

// sine cycles colour
void Sine(QPainter& p, const GlyphArgs& a)
{
    const double cycles = a.Num(0, 1.5);
    QPolygonF curve;
    for (int i = 0; i <= 60; ++i) {
        const double t = i / 60.0;
        curve.append(QPointF(8 + 84 * t, 50 - 34 * qSin(t * cycles * 2 * M_PI)));
    }
    p.setPen(Pen(a.Color(1, QColor(0x1e, 0x63, 0xd6)), 8));
    p.drawPolyline(curve);
}

// grid cols rows colour...: lit cells of a matrix
void Grid(QPainter& p, const GlyphArgs& a)
{
    const int cols = qBound(1, int(a.Num(0, 4)), 12);
    const int rows = qBound(1, int(a.Num(1, 4)), 12);
    const double w = 88.0 / cols;
    const double h = 88.0 / rows;
    const int colours = qMax(1, a.Count() - 2);
    p.setPen(Pen(kInk, 2));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            p.setBrush(a.Color(2 + (r + c) % colours, QColor(0x90, 0xca, 0xf9)));
            p.drawRoundedRect(QRectF(6 + c * w + 1.5, 6 + r * h + 1.5, w - 3, h - 3), 2, 2);
        }
    }
}

// dots pattern: a 3 x 3 block of fixtures, '1' lit and '0' dark
void Dots(QPainter& p, const GlyphArgs& a)
{
    const QString pattern = a.Word(0, QStringLiteral("111111111"));
    p.setPen(Pen(kInk, 3));
    for (int i = 0; i < 9; ++i) {
        const bool lit = i < pattern.size() && pattern[i] == QLatin1Char('1');
        p.setBrush(lit ? QColor(0xfd, 0xd8, 0x35) : QColor(0x9a, 0xa0, 0xa8));
        p.drawEllipse(QPointF(20 + (i % 3) * 30, 20 + (i / 3) * 30), 11, 11);
    }
}

// place line|circle count: fixtures arranged along a line or a circle
void Place(QPainter& p, const GlyphArgs& a)
{
    const bool circle = a.Word(0, QStringLiteral("line")) == QLatin1String("circle");
    const int count = qBound(2, int(a.Num(1, 5)), 12);
    p.setPen(Pen(kMetal, 3));
    p.setBrush(Qt::NoBrush);
    if (circle)
        p.drawEllipse(QPointF(50, 50), 36, 36);
    else
        p.drawLine(QPointF(12, 88), QPointF(88, 12));
    p.setPen(Pen(kInk, 3));
    p.setBrush(QColor(0xfd, 0xd8, 0x35));
    for (int i = 0; i < count; ++i) {
        const QPointF at = circle ? OnCircle({50, 50}, 36, 90 + 360.0 * i / count)
                                  : QPointF(12 + 76.0 * i / (count - 1), 88 - 76.0 * i / (count - 1));
        p.drawEllipse(at, 10, 10);
    }
}

// wiring order(0-15): the path a matrix is patched along on a 4 x 4 grid
void Wiring(QPainter& p, const GlyphArgs& a)
{
    const int order = qBound(0, int(a.Num(0, 0)), 15);
    const bool vertical = order >= 8;
    const int kind = order % 8;
    // outer reversed, inner reversed on even lines, inner reversed on odd lines
    static const bool table[8][3] = {{false, false, false}, {true, false, false}, {false, true, true},
                                     {true, true, true},    {false, false, true}, {true, true, false},
                                     {false, true, false},  {true, false, true}};
    QPolygonF path;
    for (int o = 0; o < 4; ++o) {
        const int line = table[kind][0] ? 3 - o : o;
        const bool reversed = (line % 2 == 0) ? table[kind][1] : table[kind][2];
        for (int i = 0; i < 4; ++i) {
            const int along = reversed ? 3 - i : i;
            const int col = vertical ? line : along;
            const int row = vertical ? along : line;
            path.append(QPointF(14 + col * 24, 14 + row * 24));
        }
    }
    p.setPen(Pen(kMetal, 2));
    p.setBrush(QColor(0xe3, 0xe8, 0xee));
    for (int i = 0; i < 16; ++i)
        p.drawRect(QRectF(4 + (i % 4) * 24, 4 + (i / 4) * 24, 20, 20));
    p.setPen(Pen(QColor(0x1e, 0x63, 0xd6), 4));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(path.mid(0, 15));
    Arrow(p, path[14], path[15], QColor(0x1e, 0x63, 0xd6), 4, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x9e, 0x44));
    p.drawEllipse(path[0], 7, 7);
}

// response high|band|low: the shape of a sound filter
void Response(QPainter& p, const GlyphArgs& a)
{
    const QString kind = a.Word(0, QStringLiteral("low"));
    p.setPen(Pen(kMetal, 3));
    p.drawLine(QPointF(6, 90), QPointF(96, 90));
    p.drawLine(QPointF(6, 90), QPointF(6, 6));
    QPainterPath curve;
    if (kind == QLatin1String("high")) {
        curve.moveTo(12, 88);
        curve.cubicTo(QPointF(36, 88), QPointF(40, 24), QPointF(60, 24));
        curve.lineTo(94, 24);
    } else if (kind == QLatin1String("band")) {
        curve.moveTo(10, 88);
        curve.cubicTo(QPointF(30, 88), QPointF(34, 20), QPointF(50, 20));
        curve.cubicTo(QPointF(66, 20), QPointF(70, 88), QPointF(92, 88));
    } else {
        curve.moveTo(8, 24);
        curve.lineTo(40, 24);
        curve.cubicTo(QPointF(60, 24), QPointF(64, 88), QPointF(88, 88));
    }
    p.setPen(Pen(QColor(0x1e, 0x63, 0xd6), 7));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
}

// marker colour: a pin pointing down onto a time scale
void Marker(QPainter& p, const GlyphArgs& a)
{
    const QColor c = a.Color(0, QColor(0x1e, 0x63, 0xd6));
    p.setPen(Pen(c.darker(160), 8));
    p.setBrush(c);
    p.drawPolygon(Pts({{8, 6}, {92, 6}, {92, 60}, {50, 94}, {8, 60}}));
}

// ---- pixel-exact pictures ------------------------------------------------------

// The colour wheel: hue by angle (0 to the right, growing anticlockwise),
// saturation by distance from the centre, full value, so that a pick on it
// and the computed cursor agree.
void HsvWheel(QPainter& p, const GlyphArgs& a)
{
    const QSize size = a.ImageSize();
    QImage wheel(size, QImage::Format_ARGB32);
    const double cx = size.width() / 2.0;
    const double cy = size.height() / 2.0;
    const double radius = qMin(cx, cy);
    for (int y = 0; y < size.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(wheel.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = cy - (y + 0.5);
            const double distance = std::hypot(dx, dy);
            const double coverage = qBound(0.0, radius - distance, 1.0);
            double hue = qRadiansToDegrees(std::atan2(dy, dx));
            if (hue < 0)
                hue += 360;
            QColor c = QColor::fromHsv(int(hue) % 360, qMin(255, int(distance * 255 / radius)), 255);
            c.setAlphaF(coverage);
            row[x] = c.rgba();
        }
    }
    p.resetTransform();
    p.drawImage(0, 0, wheel);
}

// The DIP-switch block: ten slots whose levers the control draws itself at
// x = 16 + 7k .. 21 + 7k, y 5 .. 16.
void DipBlock(QPainter& p, const GlyphArgs&)
{
    p.resetTransform();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x8e, 0x1b, 0x1b));
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawRect(0, 0, 87, 31);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.setBrush(QColor(0xf5, 0xf5, 0xf5));
    for (int k = 0; k < 10; ++k) {
        p.drawRect(15 + 7 * k, 4, 7, 13);
        p.fillRect(18 + 7 * k, 21, 2, 3, Qt::white);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(PtsI({QPoint(4, 12), QPoint(10, 12), QPoint(7, 6)}));
}

// dipmark 9|10: the convention switch beside the block; its knob sits low
// for nine-bit, high for ten-bit, as a press in the lower half chooses nine.
void DipMark(QPainter& p, const GlyphArgs& a)
{
    const bool nine = int(a.Num(0, 10)) == 9;
    p.resetTransform();
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.setBrush(QColor(0x55, 0x5b, 0x63));
    p.drawRoundedRect(QRectF(0.5, 0.5, 29, 29), 3, 3);
    p.setBrush(QColor(0x20, 0x22, 0x26));
    p.drawRect(QRectF(10.5, 3.5, 9, 23));
    p.setBrush(nine ? QColor(0xfd, 0xd8, 0x35) : QColor(0x90, 0xca, 0xf9));
    p.drawRect(QRectF(10.5, nine ? 15.5 : 3.5, 9, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const int dots = nine ? 1 : 2;
    for (int i = 0; i < dots; ++i)
        p.drawEllipse(QPointF(4.5, (nine ? 21 : 9) + i * 5), 1.6, 1.6);
}

// ---- fixtures ------------------------------------------------------------------------

void Yoke(QPainter& p)
{
    p.setPen(Pen(kInk, 3));
    p.setBrush(QColor(0x4a, 0x50, 0x58));
    p.drawRoundedRect(QRectF(20, 82, 60, 14), 3, 3);
    p.drawPolygon(Pts({{44, 82}, {56, 82}, {56, 74}, {84, 74}, {84, 30}, {76, 30}, {76, 66}, {24, 66},
                            {24, 30}, {16, 30}, {16, 74}, {44, 74}}));
}

void LedDots(QPainter& p, QPointF c, double radius, int rings)
{
    p.setPen(Qt::NoPen);
    int k = 0;
    for (int ring = 0; ring <= rings; ++ring) {
        const int count = ring == 0 ? 1 : 6 * ring;
        for (int i = 0; i < count; ++i, ++k) {
            p.setBrush(kWheelColors[k % 3 == 0 ? 0 : k % 3 == 1 ? 3 : 5]);
            p.drawEllipse(OnCircle(c, radius * ring / (rings + 0.5), 90 + 360.0 * i / count), radius / (rings + 1) * 0.55,
                          radius / (rings + 1) * 0.55);
        }
    }
}

void Fixture(QPainter& p, const GlyphArgs& a)
{
    const QString kind = a.Word(0, QStringLiteral("MH"));
    const int n = int(a.Num(1, 1));
    const QColor body(0x3a, 0x40, 0x48);
    const QColor light(0xff, 0xd5, 0x4f);
    p.setPen(Pen(kInk, 3));
    p.setBrush(body);
    if (kind == QLatin1String("LED")) {
        switch (n) {
        case 1: // par seen from the front
            p.drawEllipse(QPointF(50, 50), 44, 44);
            p.setBrush(QColor(0x22, 0x25, 0x2a));
            p.drawEllipse(QPointF(50, 50), 34, 34);
            LedDots(p, {50, 50}, 32, 2);
            break;
        case 2: // bar
            p.drawRoundedRect(QRectF(4, 36, 92, 28), 5, 5);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 8; ++i) {
                p.setBrush(kWheelColors[i % 3 == 0 ? 0 : i % 3 == 1 ? 3 : 5]);
                p.drawEllipse(QPointF(12 + i * 10.8, 50), 4.5, 4.5);
            }
            break;
        case 3: // panel
            p.drawRoundedRect(QRectF(8, 8, 84, 84), 6, 6);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 16; ++i) {
                p.setBrush(kWheelColors[(i + i / 4) % 3 == 0 ? 0 : (i + i / 4) % 3 == 1 ? 3 : 5]);
                p.drawEllipse(QPointF(23 + (i % 4) * 18, 23 + (i / 4) * 18), 6, 6);
            }
            break;
        case 4: // par from the side, on its bracket
            p.drawRoundedRect(QRectF(22, 16, 56, 44), 8, 8);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x8e, 0x24, 0xaa, 150));
            p.drawPolygon(Pts({{28, 60}, {72, 60}, {94, 98}, {6, 98}}));
            p.setPen(Pen(kInk, 4));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(12, 4, 76, 56), 0, 180 * 16);
            break;
        case 5: // flat par with a ring of LEDs
            p.drawEllipse(QPointF(50, 50), 44, 44);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 12; ++i) {
                p.setBrush(kWheelColors[i % 3 == 0 ? 0 : i % 3 == 1 ? 3 : 5]);
                p.drawEllipse(OnCircle({50, 50}, 30, i * 30.0), 6, 6);
            }
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(50, 50), 10, 10);
            break;
        case 6: // batten
            p.drawRoundedRect(QRectF(36, 4, 28, 92), 5, 5);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 8; ++i) {
                p.setBrush(kWheelColors[i % 3 == 0 ? 0 : i % 3 == 1 ? 3 : 5]);
                p.drawEllipse(QPointF(50, 12 + i * 10.8), 4.5, 4.5);
            }
            break;
        default: // dome
            p.drawRoundedRect(QRectF(10, 74, 80, 18), 4, 4);
            p.setBrush(QColor(0x22, 0x25, 0x2a));
            p.drawChord(QRectF(14, 30, 72, 88), 0, 180 * 16);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 9; ++i) {
                p.setBrush(kWheelColors[i % 4 == 0 ? 0 : i % 4 == 1 ? 3 : i % 4 == 2 ? 5 : 2]);
                p.drawEllipse(OnCircle({50, 74}, 24 + (i % 2) * 12, 20 + i * 17.5), 4, 4);
            }
            break;
        }
    } else if (kind == QLatin1String("TRAD")) {
        switch (n) {
        case 1: // can
            p.drawArc(QRectF(18, 10, 64, 60), 0, 180 * 16);
            p.drawPolygon(Pts({{30, 14}, {70, 14}, {78, 80}, {22, 80}}));
            p.setBrush(light);
            p.drawEllipse(QPointF(50, 82), 28, 8);
            break;
        case 2: // fresnel
            p.drawRoundedRect(QRectF(14, 18, 72, 62), 8, 8);
            p.setBrush(light);
            p.drawEllipse(QPointF(50, 49), 24, 24);
            p.setBrush(Qt::NoBrush);
            p.setPen(Pen(light.darker(150), 2.5));
            p.drawEllipse(QPointF(50, 49), 16, 16);
            p.drawEllipse(QPointF(50, 49), 8, 8);
            p.setPen(Pen(kInk, 4));
            p.drawArc(QRectF(8, 6, 84, 80), 20 * 16, 140 * 16);
            break;
        case 3: // profile
            p.drawPolygon(Pts({{6, 30}, {40, 22}, {40, 62}, {6, 54}}));
            p.drawRect(QRectF(40, 30, 32, 24));
            p.drawRect(QRectF(72, 34, 22, 16));
            p.setBrush(light);
            p.drawRect(QRectF(91, 36, 5, 12));
            p.setPen(Pen(kInk, 3));
            p.drawLine(QPointF(52, 22), QPointF(52, 30));
            p.drawLine(QPointF(60, 54), QPointF(60, 62));
            p.setBrush(body);
            p.drawRoundedRect(QRectF(30, 70, 40, 10), 3, 3);
            p.drawLine(QPointF(50, 62), QPointF(50, 70));
            break;
        default: // flood
            p.drawPolygon(Pts({{10, 16}, {90, 16}, {82, 84}, {18, 84}}));
            p.setBrush(light);
            p.drawRect(QRectF(20, 26, 60, 48));
            p.setPen(Pen(light.darker(140), 3));
            p.drawLine(QPointF(28, 50), QPointF(72, 50));
            break;
        }
    } else if (kind == QLatin1String("SCAN")) {
        p.save();
        if (n == 2) {
            p.translate(50, 50);
            p.scale(0.8, 0.8);
            p.translate(-50, -50);
        }
        p.drawRoundedRect(QRectF(6, 34, 58, 30), 4, 4);
        p.setBrush(QColor(0x4a, 0x50, 0x58));
        p.drawRect(QRectF(64, 40, 10, 18));
        p.setBrush(QColor(0xcf, 0xd8, 0xdc));
        p.drawPolygon(Pts({{74, 32}, {94, 52}, {90, 58}, {74, 42}}));
        p.setPen(Qt::NoPen);
        QColor beam = n == 3 ? QColor(0x29, 0x79, 0xff, 150) : QColor(0xff, 0xd5, 0x4f, 170);
        p.setBrush(beam);
        p.drawPolygon(Pts({{80, 52}, {88, 56}, {96, 98}, {66, 98}}));
        p.setPen(Pen(kInk, 3));
        p.setBrush(body);
        if (n == 3)
            p.drawRect(QRectF(20, 18, 30, 16));
        else
            p.drawLine(QPointF(20, 64), QPointF(20, 78));
        p.restore();
    } else if (kind == QLatin1String("MH")) {
        QColor lens = light;
        QRectF head(26, 14, 48, 52);
        double lensRadius = 10;
        switch (n) {
        case 2: lensRadius = 18; lens = QColor(0x90, 0xca, 0xf9); break;
        case 3: lensRadius = 6; lens = Qt::white; break;
        case 4: head = QRectF(24, 16, 52, 44); break;
        case 5: head = QRectF(32, 30, 36, 36); lensRadius = 7; break;
        case 7: lensRadius = 18; break;
        default: break;
        }
        if (n == 6) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xff, 0xd5, 0x4f, 150));
            p.drawPolygon(Pts({{60, 20}, {68, 30}, {100, 4}, {100, -10}}));
            p.setPen(Pen(kInk, 3));
            p.setBrush(body);
        }
        Yoke(p);
        p.setPen(Pen(kInk, 3));
        p.setBrush(body);
        if (n == 4)
            p.drawRoundedRect(head, 6, 6);
        else
            p.drawEllipse(head);
        p.setBrush(QColor(0x4a, 0x50, 0x58));
        p.drawEllipse(QPointF(20, 48), 5, 5);
        p.drawEllipse(QPointF(80, 48), 5, 5);
        const QPointF centre = n == 6 ? QPointF(60, 28) : head.center();
        p.setBrush(lens);
        p.drawEllipse(centre, lensRadius, lensRadius);
        if (n == 7)
            LedDots(p, centre, 17, 1);
    } else if (kind == QLatin1String("LASER")) {
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 5; ++i) {
            p.setBrush(QColor(0x00, 0xe6, 0x76, 140));
            p.drawPolygon(Pts({{70, 62}, {100, 6.0 + i * 20}, {100, 10.0 + i * 20}}));
        }
        p.setPen(Pen(kInk, 3));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(6, 50, 64, 26), 4, 4);
        p.setBrush(QColor(0x00, 0xe6, 0x76));
        p.drawEllipse(QPointF(66, 62), 4, 4);
        p.setBrush(QColor(0xfd, 0xd8, 0x35));
        p.drawPolygon(Pts({{16, 56}, {26, 56}, {21, 66}}));
    } else {
        switch (n) {
        case 1: // strobe
            p.drawRoundedRect(QRectF(6, 26, 88, 48), 5, 5);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(14, 34, 72, 32), 4, 4);
            p.setPen(Pen(QColor(0x90, 0xca, 0xf9), 4));
            p.drawLine(QPointF(22, 50), QPointF(78, 50));
            break;
        case 2: // smoke machine
            Cloud(p, GlyphArgs({}, {}));
            p.setPen(Pen(kInk, 3));
            p.setBrush(body);
            p.drawRoundedRect(QRectF(4, 62, 52, 32), 4, 4);
            p.drawRect(QRectF(56, 70, 10, 10));
            break;
        case 3: // blinder
            p.drawRoundedRect(QRectF(8, 8, 84, 84), 6, 6);
            p.setBrush(light);
            for (int i = 0; i < 4; ++i)
                p.drawEllipse(QPointF(30 + (i % 2) * 40, 30 + (i / 2) * 40), 15, 15);
            break;
        case 4: { // mirror ball
            p.setPen(Pen(kInk, 3));
            p.drawLine(QPointF(50, 0), QPointF(50, 10));
            p.setBrush(QColor(0xcf, 0xd8, 0xdc));
            p.drawEllipse(QPointF(50, 54), 40, 40);
            QPainterPath ball;
            ball.addEllipse(QPointF(50, 54), 40, 40);
            p.setClipPath(ball);
            p.setPen(Pen(kMetal.darker(120), 2));
            for (int i = 1; i < 8; ++i) {
                p.drawLine(QPointF(0, 14 + i * 10), QPointF(100, 14 + i * 10));
                p.drawLine(QPointF(10 + i * 10, 0), QPointF(10 + i * 10, 100));
            }
            p.setClipping(false);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(36, 38), 6, 6);
            break;
        }
        case 5: { // fan
            p.drawEllipse(QPointF(50, 46), 40, 40);
            p.setBrush(kMetal);
            for (int i = 0; i < 3; ++i) {
                QPainterPath blade;
                blade.moveTo(50, 46);
                blade.quadTo(OnCircle({50, 46}, 40, 90 + i * 120.0), OnCircle({50, 46}, 32, 60 + i * 120.0));
                blade.quadTo(OnCircle({50, 46}, 20, 40 + i * 120.0), QPointF(50, 46));
                p.drawPath(blade);
            }
            p.setBrush(body);
            p.drawEllipse(QPointF(50, 46), 7, 7);
            p.drawRect(QRectF(30, 86, 40, 8));
            break;
        }
        default: // dimmer pack
            p.drawRoundedRect(QRectF(6, 20, 88, 60), 4, 4);
            for (int i = 0; i < 6; ++i) {
                p.setPen(Pen(QColor(0xcf, 0xd8, 0xdc), 3));
                p.drawLine(QPointF(18 + i * 13, 30), QPointF(18 + i * 13, 70));
                p.setPen(Pen(kInk, 2));
                p.setBrush(light);
                p.drawRect(QRectF(13 + i * 13, 60 - i * 5, 10, 6));
            }
            break;
        }
    }
}

using GlyphTable = QHash<QString, GlyphFn>;

GlyphTable MakeTable()
{
    return {
        {QStringLiteral("tile"), Tile},           {QStringLiteral("swatch"), Swatch},
        {QStringLiteral("count"), Count},           {QStringLiteral("vgrad"), VGrad},
        {QStringLiteral("hgrad"), HGrad},         {QStringLiteral("gradrect"), GradRect},
        {QStringLiteral("rect"), Rect},           {QStringLiteral("rrect"), RRect},
        {QStringLiteral("dashrect"), DashRect},   {QStringLiteral("ellipse"), Ellipse},
        {QStringLiteral("line"), Line},           {QStringLiteral("arrow"), ArrowGlyph},
        {QStringLiteral("darrow"), DArrowGlyph},  {QStringLiteral("poly"), Poly},
        {QStringLiteral("polyline"), PolyLine},   {QStringLiteral("arc"), Arc},
        {QStringLiteral("cross"), Cross},         {QStringLiteral("plus"), Plus},
        {QStringLiteral("minus"), Minus},         {QStringLiteral("xmark"), XMark},
        {QStringLiteral("check"), CheckMark},     {QStringLiteral("question"), Question},
        {QStringLiteral("hash"), Hash},           {QStringLiteral("bulb"), Bulb},
        {QStringLiteral("rays"), Rays},           {QStringLiteral("beam"), Beam},
        {QStringLiteral("flash"), Flash},         {QStringLiteral("iris"), Iris},
        {QStringLiteral("shutter"), Shutter},     {QStringLiteral("focus"), Focus},
        {QStringLiteral("frost"), Frost},         {QStringLiteral("prism"), Prism},
        {QStringLiteral("colorwheel"), ColorWheel}, {QStringLiteral("gobo"), Gobo},
        {QStringLiteral("gobowheel"), GoboWheel}, {QStringLiteral("roller"), Roller},
        {QStringLiteral("filterglass"), FilterGlass}, {QStringLiteral("cloud"), Cloud},
        {QStringLiteral("gear"), Gear},           {QStringLiteral("gauge"), Gauge},
        {QStringLiteral("spin"), Spin},           {QStringLiteral("indexmark"), IndexMark},
        {QStringLiteral("shake"), Shake},         {QStringLiteral("pulse"), Pulse},
        {QStringLiteral("xlr"), Xlr},             {QStringLiteral("speaker"), Speaker},
        {QStringLiteral("wave"), Wave},           {QStringLiteral("film"), Film},
        {QStringLiteral("folder"), Folder},       {QStringLiteral("floppy"), Floppy},
        {QStringLiteral("page"), PageGlyph},      {QStringLiteral("pages"), Pages},
        {QStringLiteral("clipboard"), Clipboard}, {QStringLiteral("scissors"), Scissors},
        {QStringLiteral("pencil"), Pencil},       {QStringLiteral("padlock"), Padlock},
        {QStringLiteral("magnifier"), Magnifier}, {QStringLiteral("clock"), Clock},
        {QStringLiteral("sliders"), Sliders},     {QStringLiteral("pointer"), Pointer},
        {QStringLiteral("move4"), Move4},         {QStringLiteral("landscape"), Landscape},
        {QStringLiteral("brush"), Brush},         {QStringLiteral("pipette"), Pipette},
        {QStringLiteral("bucket"), Bucket},       {QStringLiteral("sine"), Sine},
        {QStringLiteral("grid"), Grid},           {QStringLiteral("dots"), Dots},
        {QStringLiteral("place"), Place},         {QStringLiteral("wiring"), Wiring},
        {QStringLiteral("response"), Response},   {QStringLiteral("marker"), Marker},
        {QStringLiteral("hsvwheel"), HsvWheel},   {QStringLiteral("dipblock"), DipBlock},
        {QStringLiteral("dipmark"), DipMark},     {QStringLiteral("fixture"), Fixture},
    };
}

} // namespace

GlyphArgs::GlyphArgs(const QStringList& args, QSize imageSize)
    : m_args(args)
    , m_imageSize(imageSize)
{
}

double GlyphArgs::Num(int index, double fallback) const
{
    if (index >= m_args.size())
        return fallback;
    bool ok = false;
    const double value = m_args[index].toDouble(&ok);
    if (!ok && m_error.isEmpty())
        m_error = QStringLiteral("argument %1 \"%2\" is not a number").arg(index + 1).arg(m_args[index]);
    return ok ? value : fallback;
}

QColor GlyphArgs::Color(int index, const QColor& fallback) const
{
    if (index >= m_args.size())
        return fallback;
    if (m_args[index] == QLatin1String("none"))
        return Qt::transparent;
    const QColor color(m_args[index]);
    if (!color.isValid() && m_error.isEmpty())
        m_error = QStringLiteral("argument %1 \"%2\" is not a colour").arg(index + 1).arg(m_args[index]);
    return color.isValid() ? color : fallback;
}

QString GlyphArgs::Word(int index, const QString& fallback) const
{
    return index < m_args.size() ? m_args[index] : fallback;
}

GlyphFn FindGlyph(const QString& name)
{
    static const GlyphTable table = MakeTable();
    return table.value(name, nullptr);
}
