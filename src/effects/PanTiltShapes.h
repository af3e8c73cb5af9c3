#pragma once

#include <QPoint>
#include <QtGlobal>

class CPanTiltEffect;

// Builds the figures of a pan/tilt effect: the control points of a named
// shape and the closed ring of path points through them. Every result goes
// into the bound effect, which this object does not own. Coordinates are
// 16-bit pan (x) and tilt (y) values.
class CPanTiltShape
{
public:
    static constexpr int Range = 65535;
    static constexpr int Radius = 21845; // a third of the range

    CPanTiltShape() = default;

    // Binds the effect; an effect with control points gets its path, one
    // without gets the points of its shape kind.
    void SetEffect(CPanTiltEffect* effect);
    CPanTiltEffect* Effect() const { return m_effect; }

    // Rebuilds the path after a change of points, points per control or kind.
    void Update();
    // Replaces the control points by those of the effect's shape kind.
    void BuildShape();
    // Inserts (x, y) after the nearest control point and sizes the path (the
    // caller calls Update); returns the new index, -1 without an effect.
    int InsertPoint(int x, int y);
    // Removes control point `index` when there is one; returns 0.
    int RemovePoint(int index);
    // Path vectors emptied and resized to control count x points per control.
    void ResizePath();
    void ClearControlPoints();

    void BuildRandom();
    void BuildLines();
    void BuildCircle();
    void BuildStar();
    void BuildCross();
    void BuildFlower();
    void BuildVortex();
    void BuildLinePath();
    void BuildCurvePath();

    // Geometry of the curved path.
    // Signed radius of the circle through three points: positive when p2 lies
    // to the left of p0->p1; 0 for coincident or collinear points.
    static double CircleThroughPoints(const QPoint& p0, const QPoint& p1, const QPoint& p2);
    // Centre of the circle of radius |r| through s and e on the side r's sign
    // chooses; false when r is 0 or the chord is longer than the diameter.
    static bool ArcCentre(const QPoint& s, const QPoint& e, double r, QPoint& centre);
    // Angle of p around `centre` in 0..2 pi; 0 for a radius of 0.
    static double AngleOnCircle(const QPoint& p, const QPoint& centre, double radius);
    // The perpendicular bisector of a and b as y = slope x + offset; false
    // when it is vertical (a and b at the same height).
    static bool PerpendicularBisector(const QPoint& a, const QPoint& b, double& slope, double& offset);
    // Slope and offset of the line through a and b; false when it is vertical.
    static bool LineThroughPoints(const QPoint& a, const QPoint& b, double& slope, double& offset);
    // The truncated midpoint.
    static QPoint Midpoint(const QPoint& a, const QPoint& b);
    static double Distance(const QPoint& a, const QPoint& b);
    // One wrap into 0..count-1: count added below 0, subtracted at count or more.
    static int WrapPathIndex(int index, int count);
    static int ClampCoordinate(qint64 v);
    // 10922 .. 54612 from the effect random source.
    static int RandomCoordinate();
    static void SeedRandom();

private:
    // Shared start of the generators: false (nothing changes) without an
    // effect, with fewer than 2 controls or when the new count would be too
    // large; otherwise sets the kind and count and empties the control points.
    bool BeginShape(int kind, int countFactor);
    void AddPoint(int x, int y);
    void AddRimPoint(double angle, double radius = Radius);
    // Lines and Circle share their points, one per control evenly round the
    // rim; the kind alone decides straight or curved path.
    void BuildRim(int kind);
    // Cross and Flower likewise: each rim point followed by the centre.
    void BuildSpokes(int kind);
    // ResizePath, then the path kind of the shape kind.
    void RebuildPath();
    // Control count, points per control and vectors made consistent.
    void SanitiseCounts();
    void SetPathPoint(int index, const QPoint& p);
    QPoint Control(int index) const;

    CPanTiltEffect* m_effect = nullptr;
};
