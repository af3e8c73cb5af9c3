#include "effects/PanTiltShapes.h"

#include "effects/Effect.h"
#include "effects/EffectMath.h"
#include "effects/EffectRandom.h"
#include "effects/PanTiltEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCentre = CPanTiltShape::Range * 0.5;
// The centre as a stored point.
constexpr int kCentrePoint = CPanTiltShape::Range / 2;

using EffectMath::Trunc;

// Largest path one effect may hold (about 2 MB of coordinates).
constexpr qint64 kMaxPathPoints = qint64(EffectLimits::kMaxControlPoints) * EffectLimits::kMaxPointsPerControl;

} // namespace

void CPanTiltShape::SetEffect(CPanTiltEffect* effect)
{
    m_effect = effect;
    if (!m_effect)
        return;
    if (!m_effect->m_controlX.isEmpty())
        RebuildPath();
    else
        BuildShape();
}

void CPanTiltShape::Update()
{
    if (m_effect)
        RebuildPath();
}

void CPanTiltShape::BuildShape()
{
    if (!m_effect)
        return;
    switch (m_effect->m_shapeType) {
    case CPanTiltEffect::Lines: BuildLines(); break;
    case CPanTiltEffect::Circle: BuildCircle(); break;
    case CPanTiltEffect::Star: BuildStar(); break;
    case CPanTiltEffect::Cross: BuildCross(); break;
    case CPanTiltEffect::Flower: BuildFlower(); break;
    case CPanTiltEffect::Vortex: BuildVortex(); break;
    default: BuildRandom(); break;
    }
}

void CPanTiltShape::SanitiseCounts()
{
    CPanTiltEffect& e = *m_effect;
    const int points = std::min(e.m_controlX.size(), e.m_controlY.size());
    e.m_controlX.resize(points);
    e.m_controlY.resize(points);
    e.m_nbControls = points;
    if (e.m_nbPtsPerCtrl < 0)
        e.m_nbPtsPerCtrl = 0;
}

void CPanTiltShape::ResizePath()
{
    if (!m_effect)
        return;
    SanitiseCounts();
    CPanTiltEffect& e = *m_effect;
    e.m_pathX.clear();
    e.m_pathY.clear();
    qint64 count = qint64(e.m_nbControls) * e.m_nbPtsPerCtrl;
    // A path this long only comes from a damaged file; an empty path makes
    // no steps rather than a huge allocation.
    if (count > kMaxPathPoints)
        count = 0;
    e.m_pathCount = int(count);
    e.m_pathX.resize(e.m_pathCount);
    e.m_pathY.resize(e.m_pathCount);
}

void CPanTiltShape::ClearControlPoints()
{
    if (!m_effect)
        return;
    m_effect->m_controlX.clear();
    m_effect->m_controlY.clear();
}

int CPanTiltShape::InsertPoint(int x, int y)
{
    if (!m_effect)
        return -1;
    SanitiseCounts();
    CPanTiltEffect& e = *m_effect;
    int index = 0;
    if (!e.m_controlX.isEmpty()) {
        int best = 0;
        qint64 bestDistance = Range;
        for (int i = 0; i < e.m_controlX.size(); ++i) {
            const qint64 dx = std::llabs(qint64(x) - e.m_controlX[i]) / 512;
            const qint64 dy = std::llabs(qint64(y) - e.m_controlY[i]) / 512;
            const qint64 d = dx * dx + dy * dy;
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        index = best + 1;
    }
    e.m_controlX.insert(index, x);
    e.m_controlY.insert(index, y);
    e.m_nbControls = e.m_controlX.size();
    ResizePath();
    return index;
}

int CPanTiltShape::RemovePoint(int index)
{
    if (!m_effect)
        return 0;
    SanitiseCounts();
    CPanTiltEffect& e = *m_effect;
    if (index < 0 || index >= e.m_controlX.size())
        return 0;
    e.m_controlX.remove(index);
    e.m_controlY.remove(index);
    e.m_nbControls = e.m_controlX.size();
    ResizePath();
    return 0;
}

void CPanTiltShape::RebuildPath()
{
    ResizePath();
    switch (m_effect->m_shapeType) {
    case CPanTiltEffect::Circle:
    case CPanTiltEffect::Flower:
    case CPanTiltEffect::Vortex:
        BuildCurvePath();
        break;
    default:
        BuildLinePath();
        break;
    }
}

bool CPanTiltShape::BeginShape(int kind, int countFactor)
{
    if (!m_effect || m_effect->m_nbControls < 2)
        return false;
    // Cross, Flower and Vortex multiply whatever count they find; past the
    // file limit the figure stays as it is.
    const qint64 count = qint64(m_effect->m_nbControls) * countFactor;
    if (count > EffectLimits::kMaxControlPoints)
        return false;
    m_effect->m_shapeType = kind;
    m_effect->m_nbControls = int(count);
    m_effect->m_controlX.clear();
    m_effect->m_controlY.clear();
    return true;
}

void CPanTiltShape::AddPoint(int x, int y)
{
    m_effect->m_controlX.append(x);
    m_effect->m_controlY.append(y);
}

void CPanTiltShape::AddRimPoint(double angle, double radius)
{
    AddPoint(int(Trunc(std::cos(angle) * radius + kCentre)), int(Trunc(std::sin(angle) * radius + kCentre)));
}

void CPanTiltShape::BuildRandom()
{
    if (!BeginShape(CPanTiltEffect::Random, 1))
        return;
    SeedRandom();
    for (int i = 0; i < m_effect->m_nbControls; ++i) {
        const int x = RandomCoordinate();
        const int y = RandomCoordinate();
        AddPoint(x, y);
    }
    RebuildPath();
}

void CPanTiltShape::BuildLines()
{
    BuildRim(CPanTiltEffect::Lines);
}

void CPanTiltShape::BuildCircle()
{
    BuildRim(CPanTiltEffect::Circle);
}

void CPanTiltShape::BuildRim(int kind)
{
    if (!BeginShape(kind, 1))
        return;
    const int n = m_effect->m_nbControls;
    for (int i = 0; i < n; ++i)
        AddRimPoint(i * 2.0 * kPi / n);
    RebuildPath();
}

void CPanTiltShape::BuildStar()
{
    if (!BeginShape(CPanTiltEffect::Star, 1))
        return;
    const int n = m_effect->m_nbControls;
    if (n == 4) {
        for (int k : {0, 1, 3, 2})
            AddRimPoint(k * 2.0 * kPi * 0.25);
    } else if (n == 8) {
        for (int k = 0; k < 8; ++k)
            AddRimPoint(k * 2.0 * kPi * 3.0 * 0.125);
    } else if (n % 2 == 0) {
        qint64 j = 0;
        for (int k = 0; k < n; ++k) {
            AddRimPoint(double(j) * 2.0 * kPi / n);
            j += (k % 2 == 0) ? 1 : n / 2;
        }
    } else {
        for (int k = 0; k < n; ++k)
            AddRimPoint(k * 4.0 * kPi / n);
    }
    RebuildPath();
}

void CPanTiltShape::BuildCross()
{
    BuildSpokes(CPanTiltEffect::Cross);
}

void CPanTiltShape::BuildFlower()
{
    BuildSpokes(CPanTiltEffect::Flower);
}

void CPanTiltShape::BuildSpokes(int kind)
{
    if (!BeginShape(kind, 2))
        return;
    const int n = m_effect->m_nbControls / 2;
    for (int i = 0; i < n; ++i) {
        AddRimPoint(i * 2.0 * kPi / n);
        AddPoint(kCentrePoint, kCentrePoint);
    }
    RebuildPath();
}

void CPanTiltShape::BuildVortex()
{
    if (!BeginShape(CPanTiltEffect::Vortex, 4))
        return;
    const int n = m_effect->m_nbControls / 4;
    const double d = 2.0 * kPi / (2 * n);
    const double inner = Radius / 2;
    for (int i = 0; i < n; ++i) {
        const double a = i * 2.0 * kPi / n;
        AddRimPoint(a);
        AddRimPoint(a + d, inner);
        AddRimPoint(a - d, inner);
        AddRimPoint(a);
    }
    RebuildPath();
}

QPoint CPanTiltShape::Control(int index) const
{
    return QPoint(m_effect->m_controlX[index], m_effect->m_controlY[index]);
}

void CPanTiltShape::SetPathPoint(int index, const QPoint& p)
{
    CPanTiltEffect& e = *m_effect;
    if (index < 0 || index >= e.m_pathX.size())
        return;
    e.m_pathX[index] = ClampCoordinate(p.x());
    e.m_pathY[index] = ClampCoordinate(p.y());
}

void CPanTiltShape::BuildLinePath()
{
    if (!m_effect)
        return;
    const CPanTiltEffect& e = *m_effect;
    const int n = e.m_nbControls;
    const int p = e.m_nbPtsPerCtrl;
    if (e.m_pathCount != qint64(n) * p)
        return; // ResizePath refused the size
    for (int i = 0; i < n; ++i) {
        const qint64 x0 = e.m_controlX[i];
        const qint64 y0 = e.m_controlY[i];
        const qint64 x1 = e.m_controlX[(i + 1) % n];
        const qint64 y1 = e.m_controlY[(i + 1) % n];
        for (int k = 0; k < p; ++k) {
            m_effect->m_pathX[p * i + k] = ClampCoordinate(x0 + (k * (x1 - x0)) / p);
            m_effect->m_pathY[p * i + k] = ClampCoordinate(y0 + (k * (y1 - y0)) / p);
        }
    }
}

void CPanTiltShape::BuildCurvePath()
{
    if (!m_effect)
        return;
    CPanTiltEffect& e = *m_effect;
    const int n = e.m_nbControls;
    const int p = e.m_nbPtsPerCtrl;
    const int count = e.m_pathCount;
    if (count != qint64(n) * p || count < 1)
        return;
    std::fill(e.m_pathX.begin(), e.m_pathX.end(), 0);
    std::fill(e.m_pathY.begin(), e.m_pathY.end(), 0);

    if (n == 2) {
        // A full circle with the two points at the ends of a diameter.
        const QPoint p0 = Control(0);
        const QPoint centre = Midpoint(p0, Control(1));
        const double radius = Distance(p0, centre);
        const double a0 = AngleOnCircle(p0, centre, radius);
        for (int k = 0; k < 2 * p; ++k) {
            const double angle = a0 + k * 2.0 * kPi / (2 * p);
            SetPathPoint(k, QPoint(int(Trunc(std::cos(angle) * radius + centre.x())),
                                   int(Trunc(std::sin(angle) * radius + centre.y()))));
        }
    } else {
        for (int step = 0; step < n; ++step) {
            // The last segment first, so the first ones win where they overlap.
            const int b = (step + n - 1) % n;
            const QPoint A = Control((b + n - 1) % n);
            const QPoint B = Control(b);
            const QPoint C = Control((b + 1) % n);
            const QPoint D = Control((b + 2) % n);
            double rA = CircleThroughPoints(A, B, C);
            double rB = CircleThroughPoints(B, C, D);
            if (rB == 0.0)
                rB = rA;
            if (rA == 0.0)
                rA = rB;
            double r = (std::fabs(rA) + std::fabs(rB)) / 2.0;
            if (rA < 0.0)
                r = -r;
            const bool inflection = (rA > 0.0 && rB < 0.0) || (rA < 0.0 && rB > 0.0);
            const QPoint M = Midpoint(B, C);
            QPoint E = C;
            double m = p;
            if (inflection) {
                E = M;
                r /= 2.0;
                m = p / 2.0;
            }
            QPoint O;
            if (!ArcCentre(B, E, r, O)) {
                for (int k = 0; k < p; ++k) {
                    const qint64 x = B.x() + (k * (qint64(C.x()) - B.x())) / p;
                    const qint64 y = B.y() + (k * (qint64(C.y()) - B.y())) / p;
                    SetPathPoint(WrapPathIndex(b * p + k, count), QPoint(ClampCoordinate(x), ClampCoordinate(y)));
                }
                continue;
            }
            const double radius = std::fabs(r);
            const double a1 = AngleOnCircle(B, O, radius);
            const double a2 = AngleOnCircle(E, O, radius);
            double sweep = a2 - a1;
            if (r > 0.0 && sweep < 0.0)
                sweep += 2.0 * kPi;
            if (r < 0.0 && sweep > 0.0)
                sweep -= 2.0 * kPi;
            for (int k = 0; k < m; ++k) {
                const double angle = a1 + k * sweep / m;
                const qint64 px = Trunc(std::cos(angle) * radius + O.x());
                const qint64 py = Trunc(std::sin(angle) * radius + O.y());
                SetPathPoint(WrapPathIndex(b * p + k, count), QPoint(ClampCoordinate(px), ClampCoordinate(py)));
                if (inflection) {
                    // The second half is the first turned about M: an S-curve.
                    const int index = WrapPathIndex((b + 1) * p - k, count);
                    if (index < count)
                        SetPathPoint(index, QPoint(ClampCoordinate(2 * qint64(M.x()) - px),
                                                   ClampCoordinate(2 * qint64(M.y()) - py)));
                }
            }
        }
    }

    // Points no segment wrote take the average of their neighbours.
    for (int j = 0; j < count; ++j) {
        if (e.m_pathX[j] != 0 || e.m_pathY[j] != 0)
            continue;
        const int next = (j + 1) % count;
        const int previous = (j + count - 1) % count;
        e.m_pathX[j] = (e.m_pathX[next] + e.m_pathX[previous]) / 2;
        e.m_pathY[j] = (e.m_pathY[next] + e.m_pathY[previous]) / 2;
    }
}

bool CPanTiltShape::LineThroughPoints(const QPoint& a, const QPoint& b, double& slope, double& offset)
{
    if (a.x() == b.x())
        return false;
    slope = (double(b.y()) - a.y()) / (double(b.x()) - a.x());
    offset = a.y() - a.x() * slope;
    return true;
}

bool CPanTiltShape::PerpendicularBisector(const QPoint& a, const QPoint& b, double& slope, double& offset)
{
    if (a.y() == b.y())
        return false;
    slope = (double(b.x()) - a.x()) / (double(a.y()) - b.y());
    const QPoint m = Midpoint(a, b);
    offset = m.y() - slope * m.x();
    return true;
}

QPoint CPanTiltShape::Midpoint(const QPoint& a, const QPoint& b)
{
    return QPoint(int(Trunc((double(a.x()) - b.x()) * 0.5 + b.x())), int(Trunc((double(a.y()) - b.y()) * 0.5 + b.y())));
}

double CPanTiltShape::Distance(const QPoint& a, const QPoint& b)
{
    const double dx = double(a.x()) - b.x();
    const double dy = double(a.y()) - b.y();
    return std::sqrt(dy * dy + dx * dx);
}

double CPanTiltShape::CircleThroughPoints(const QPoint& p0, const QPoint& p1, const QPoint& p2)
{
    if (p0 == p1)
        return 0.0;
    int sign;
    double slope;
    double offset;
    if (LineThroughPoints(p0, p1, slope, offset)) {
        const double yl = p2.x() * slope + offset;
        if (yl == p2.y())
            return 0.0;
        sign = ((p1.x() > p0.x() && p2.y() > yl) || (p1.x() < p0.x() && p2.y() < yl)) ? 1 : -1;
    } else {
        if (p2.x() == p0.x())
            return 0.0;
        sign = ((p1.y() > p0.y() && p2.x() < p0.x()) || (p1.y() < p0.y() && p2.x() > p0.x())) ? 1 : -1;
    }

    struct Bisector {
        bool exists;
        double slope;
        double offset;
    };
    auto bisector = [](const QPoint& a, const QPoint& b) {
        Bisector l{};
        l.exists = PerpendicularBisector(a, b, l.slope, l.offset);
        return l;
    };
    const Bisector b01 = bisector(p0, p1);
    const Bisector b12 = bisector(p1, p2);
    const Bisector b02 = bisector(p0, p2);
    double radius = 0.0;
    for (const auto& pair : {std::make_pair(b01, b12), std::make_pair(b01, b02), std::make_pair(b12, b02)}) {
        const Bisector& l1 = pair.first;
        const Bisector& l2 = pair.second;
        if (!l1.exists || !l2.exists || l1.slope == l2.slope)
            continue;
        const qint64 cx = Trunc((l2.offset - l1.offset) / (l1.slope - l2.slope));
        const qint64 cy = Trunc(cx * l1.slope + l1.offset);
        const double dx = double(p0.x()) - cx;
        const double dy = double(p0.y()) - cy;
        radius = std::sqrt(dx * dx + dy * dy);
    }
    return sign * radius;
}

bool CPanTiltShape::ArcCentre(const QPoint& s, const QPoint& e, double r, QPoint& centre)
{
    if (r == 0.0)
        return false;
    const QPoint m = Midpoint(s, e);
    const double d = Distance(s, e);
    const double h2 = r * r - d * d * 0.25;
    if (!(h2 > 0.0))
        return false;
    const double h = std::sqrt(h2);
    if (s.y() == e.y()) {
        const bool below = (r > 0.0 && s.x() > e.x()) || (r < 0.0 && s.x() < e.x());
        centre = QPoint(m.x(), int(Trunc(below ? m.y() - h : m.y() + h)));
        return true;
    }
    double slope;
    double offset;
    PerpendicularBisector(s, e, slope, offset);
    double t = h * std::cos(std::atan(slope));
    if (slope * s.x() + offset > s.y())
        t = -t;
    if (r < 0.0)
        t = -t;
    const qint64 x = Trunc(m.x() + t);
    centre = QPoint(int(x), int(Trunc(x * slope + offset)));
    return true;
}

double CPanTiltShape::AngleOnCircle(const QPoint& p, const QPoint& centre, double radius)
{
    if (radius == 0.0)
        return 0.0;
    const double t = std::clamp((double(p.x()) - centre.x()) / radius, -1.0, 1.0);
    double angle = std::acos(t);
    if (p.y() < centre.y())
        angle = 2.0 * kPi - angle;
    return angle;
}

int CPanTiltShape::WrapPathIndex(int index, int count)
{
    if (index < 0)
        return index + count;
    if (index >= count)
        return index - count;
    return index;
}

int CPanTiltShape::ClampCoordinate(qint64 v)
{
    return int(std::clamp<qint64>(v, 0, Range));
}

int CPanTiltShape::RandomCoordinate()
{
    const float product = float(CEffectRandom::Next()) / 32767.0f * float(2 * Radius);
    return int(product) + Range / 2 - Radius;
}

void CPanTiltShape::SeedRandom()
{
    CEffectRandom::SeedFromClock();
}
