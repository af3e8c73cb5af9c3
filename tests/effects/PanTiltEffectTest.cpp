#include "EffectRig.h"
#include "TestRegistry.h"

#include "effects/EffectEngine.h"
#include "effects/EffectRandom.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"

#include <QtTest>

namespace {

using Rig = EffectRig<16>;

QList<QPoint> Controls(const CPanTiltEffect& effect)
{
    QList<QPoint> points;
    for (int i = 0; i < effect.m_controlX.size(); ++i)
        points << QPoint(effect.m_controlX[i], effect.m_controlY.value(i));
    return points;
}

QPoint PathPoint(const CPanTiltEffect& effect, int index)
{
    return QPoint(effect.m_pathX.at(index), effect.m_pathY.at(index));
}

// The 16-bit position a record plays at a step.
QPoint Position(const CEffectEngine& engine, int record, int step)
{
    const CPanTiltStepRecord& r = engine.m_panTiltRecords.at(record);
    return QPoint(quint8(r.m_panCoarse.at(step)) * 256 + quint8(r.m_panFine.at(step)),
                  quint8(r.m_tiltCoarse.at(step)) * 256 + quint8(r.m_tiltFine.at(step)));
}

int PanCoarse(const CEffectEngine& engine, int record, int step)
{
    return quint8(engine.m_panTiltRecords.at(record).m_panCoarse.at(step));
}

// A new effect bound to an engine over `rig`'s fixtures.
CPanTiltEffect* Bind(CEffectEngine& engine, const Rig& rig, CPanTiltEffect* effect = new CPanTiltEffect)
{
    rig.Drive(*effect);
    engine.SetEffect(effect);
    return effect;
}

const QList<QPoint> kFourRimPoints = {QPoint(54612, 32767), QPoint(32767, 54612), QPoint(10922, 32767),
                                      QPoint(32767, 10922)};

} // namespace

class PanTiltEffectTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { CEffectRandom::UnpinSeed(); }

    // --- Shapes ---

    void newEffectGetsTheRimPointsAndAStraightPath()
    {
        Rig rig(1);
        CEffectEngine engine;
        CPanTiltEffect* effect = Bind(engine, rig);
        // Radius 21845 around 32767.5 at 0, 90, 180 and 270 degrees.
        QCOMPARE(Controls(*effect), kFourRimPoints);
        QCOMPARE(effect->m_pathCount, 8);
        // Odd entries are the truncated midpoints of the segments.
        QCOMPARE(PathPoint(*effect, 0), QPoint(54612, 32767));
        QCOMPARE(PathPoint(*effect, 1), QPoint(43690, 43689));
        QCOMPARE(PathPoint(*effect, 2), QPoint(32767, 54612));
        QCOMPARE(PathPoint(*effect, 3), QPoint(21845, 43690));
        QCOMPARE(PathPoint(*effect, 5), QPoint(21844, 21845));
        QCOMPARE(PathPoint(*effect, 7), QPoint(43689, 21844));

        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 8);
        // 54612 = 213 x 256 + 84; 32767 = 127 x 256 + 255.
        const CPanTiltStepRecord& record = engine.m_panTiltRecords[0];
        QCOMPARE(quint8(record.m_panCoarse[0]), quint8(213));
        QCOMPARE(quint8(record.m_panFine[0]), quint8(84));
        QCOMPARE(quint8(record.m_tiltCoarse[0]), quint8(127));
        QCOMPARE(quint8(record.m_tiltFine[0]), quint8(255));
        for (int s = 0; s < 8; ++s)
            QCOMPARE(Position(engine, 0, s), PathPoint(*effect, s));
    }

    void starsJoinRimPointsAcrossTheFigure()
    {
        CPanTiltEffect effect;
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        effect.m_shapeType = CPanTiltEffect::Star;
        effect.m_nbControls = 4;
        shape.BuildShape();
        // Four points in the order 0, 1, 3, 2: the straight path crosses itself.
        QCOMPARE(Controls(effect), QList<QPoint>({kFourRimPoints[0], kFourRimPoints[1], kFourRimPoints[3],
                                                 kFourRimPoints[2]}));

        // Five points: every second one, at k x 144 degrees.
        effect.m_nbControls = 5;
        shape.BuildShape();
        QCOMPARE(Controls(effect), QList<QPoint>({QPoint(54612, 32767), QPoint(15094, 45607), QPoint(39517, 11991),
                                                 QPoint(39517, 53543), QPoint(15094, 19927)}));
        QCOMPARE(effect.m_pathCount, 10);
    }

    void crossAndVortexMultiplyTheControlCount()
    {
        CPanTiltEffect effect;
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        effect.m_shapeType = CPanTiltEffect::Cross;
        effect.m_nbControls = 3;
        shape.BuildShape();
        QCOMPARE(effect.m_nbControls, 6);
        QCOMPARE(effect.m_controlX.size(), 6);
        QCOMPARE(QPoint(effect.m_controlX[1], effect.m_controlY[1]), QPoint(32767, 32767));
        shape.BuildShape();
        QCOMPARE(effect.m_nbControls, 12);

        // Vortex: rim, inner point either side at radius 10922, rim again.
        effect.m_shapeType = CPanTiltEffect::Vortex;
        effect.m_nbControls = 2;
        shape.BuildShape();
        QCOMPARE(effect.m_nbControls, 8);
        QCOMPARE(Controls(effect).mid(0, 4), QList<QPoint>({QPoint(54612, 32767), QPoint(32767, 43689),
                                                           QPoint(32767, 21845), QPoint(54612, 32767)}));

        // Doubling stops before the count outgrows what a file may hold.
        effect.m_shapeType = CPanTiltEffect::Cross;
        effect.m_nbControls = 1000;
        effect.m_controlX.fill(0, 1000);
        effect.m_controlY.fill(0, 1000);
        shape.BuildShape();
        QCOMPARE(effect.m_nbControls, 1000);

        // Fewer than 2 controls leave kind and points as they are.
        effect.m_shapeType = CPanTiltEffect::Star;
        effect.m_nbControls = 1;
        shape.BuildShape();
        QCOMPARE(effect.m_controlX.size(), 1000);
    }

    void randomShapeStaysInsideTheRadius()
    {
        CEffectRandom::PinSeed(99);
        CPanTiltEffect effect;
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        effect.m_shapeType = 42; // an unknown kind draws at random
        effect.m_nbControls = 50;
        shape.BuildShape();
        QCOMPARE(effect.m_shapeType, int(CPanTiltEffect::Random));
        QCOMPARE(effect.m_controlX.size(), 50);
        for (const QPoint& p : Controls(effect)) {
            QVERIFY(p.x() >= 10922 && p.x() <= 54612);
            QVERIFY(p.y() >= 10922 && p.y() <= 54612);
        }
        const QList<QPoint> first = Controls(effect);
        shape.BuildShape();
        QCOMPARE(Controls(effect), first);
    }

    // --- Paths ---

    void curvedPathOnTwoPointsIsAFullCircle()
    {
        CPanTiltEffect effect;
        effect.m_shapeType = CPanTiltEffect::Vortex; // any curved kind
        effect.m_nbControls = 2;
        effect.m_controlX = {54612, 10922};
        effect.m_controlY = {32767, 32767};
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        // Centre (32767, 32767), radius 21845, from control point 0 on.
        QCOMPARE(effect.m_pathCount, 4);
        QCOMPARE(PathPoint(effect, 0), QPoint(54612, 32767));
        QCOMPARE(PathPoint(effect, 1), QPoint(32767, 54612));
        QCOMPARE(PathPoint(effect, 2), QPoint(10922, 32767));
        QVERIFY(qAbs(PathPoint(effect, 3).x() - 32767) <= 1);
        QCOMPARE(PathPoint(effect, 3).y(), 10922);
    }

    void collinearPointsOnACurvedKindGiveStraightSegments()
    {
        CPanTiltEffect effect;
        effect.m_shapeType = CPanTiltEffect::Circle;
        effect.m_nbControls = 3;
        effect.m_controlX = {10000, 20000, 30000};
        effect.m_controlY = {10000, 20000, 30000};
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        QCOMPARE(effect.m_pathCount, 6);
        const QList<int> expected = {10000, 15000, 20000, 25000, 30000, 20000};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(PathPoint(effect, i), QPoint(expected[i], expected[i]));
    }

    void oppositeBendsMakeAnSCurveThroughTheMidpoint()
    {
        // Point 4 pulls the ring inward: the turns at points 3 and 4 bend
        // against those at their neighbours, so segments 3 and 4 inflect.
        CPanTiltEffect effect;
        effect.m_shapeType = CPanTiltEffect::Circle;
        effect.m_nbControls = 5;
        effect.m_nbPtsPerCtrl = 8;
        effect.m_controlX = {10000, 30000, 50000, 30000, 30000};
        effect.m_controlY = {30000, 10000, 30000, 50000, 35000};
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        const QPoint mid3(30000, 42500); // between (30000, 50000) and (30000, 35000)
        const QPoint mid4(20000, 32500); // between (30000, 35000) and (10000, 30000)
        QCOMPARE(PathPoint(effect, 24), QPoint(30000, 50000));
        // The second half is the first turned half a turn about the midpoint.
        for (int k = 1; k < 4; ++k) {
            QCOMPARE(PathPoint(effect, 24 + k) + PathPoint(effect, 32 - k), 2 * mid3);
            QCOMPARE(PathPoint(effect, 32 + k) + PathPoint(effect, 40 - k), 2 * mid4);
        }
        // Neither half writes the middle entry; filled from its neighbours it
        // lands on the midpoint.
        QCOMPARE(PathPoint(effect, 28), mid3);
        QCOMPARE(PathPoint(effect, 36), mid4);
    }

    void curvedPathStaysOnTheRange()
    {
        // Points on the edges of the range: arcs bulge outside and are held in.
        CPanTiltEffect effect;
        effect.m_shapeType = CPanTiltEffect::Flower;
        effect.m_nbControls = 5;
        effect.m_nbPtsPerCtrl = 16;
        effect.m_controlX = {0, 65535, 65535, 0, 32767};
        effect.m_controlY = {0, 0, 65535, 65535, 40000};
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        QCOMPARE(effect.m_pathCount, 80);
        for (int i = 0; i < 80; ++i) {
            QVERIFY(effect.m_pathX[i] >= 0 && effect.m_pathX[i] <= 65535);
            QVERIFY(effect.m_pathY[i] >= 0 && effect.m_pathY[i] <= 65535);
        }
    }

    void geometryOfTheCurvedPath()
    {
        // Left turn positive, right turn negative, collinear 0.
        const double left = CPanTiltShape::CircleThroughPoints(QPoint(0, 0), QPoint(100, 0), QPoint(100, 100));
        QVERIFY(left > 0.0);
        QVERIFY(qAbs(left - 70.71) < 1.0);
        QVERIFY(CPanTiltShape::CircleThroughPoints(QPoint(0, 0), QPoint(100, 0), QPoint(100, -100)) < 0.0);
        QCOMPARE(CPanTiltShape::CircleThroughPoints(QPoint(0, 0), QPoint(50, 50), QPoint(100, 100)), 0.0);
        QCOMPARE(CPanTiltShape::CircleThroughPoints(QPoint(5, 5), QPoint(5, 5), QPoint(100, 100)), 0.0);

        QPoint centre;
        QVERIFY(!CPanTiltShape::ArcCentre(QPoint(0, 0), QPoint(100, 0), 0.0, centre));
        QVERIFY(!CPanTiltShape::ArcCentre(QPoint(0, 0), QPoint(100, 0), 40.0, centre)); // chord too long
        // Chord 60, radius 50: the centre lies 40 from the chord's middle,
        // on the side the radius' sign and the direction of travel choose.
        QVERIFY(CPanTiltShape::ArcCentre(QPoint(60, 0), QPoint(0, 0), 50.0, centre));
        QCOMPARE(centre, QPoint(30, -40));
        QVERIFY(CPanTiltShape::ArcCentre(QPoint(60, 0), QPoint(0, 0), -50.0, centre));
        QCOMPARE(centre, QPoint(30, 40));
        QVERIFY(CPanTiltShape::ArcCentre(QPoint(0, 0), QPoint(0, 60), 50.0, centre));
        QCOMPARE(centre, QPoint(-40, 30));

        QCOMPARE(CPanTiltShape::AngleOnCircle(QPoint(10, 0), QPoint(0, 0), 0.0), 0.0);
        QVERIFY(qAbs(CPanTiltShape::AngleOnCircle(QPoint(0, -10), QPoint(0, 0), 10.0) - 1.5 * M_PI) < 1e-9);
        // A point off the circle gives the angle of its clamped cosine.
        QCOMPARE(CPanTiltShape::AngleOnCircle(QPoint(50, 0), QPoint(0, 0), 10.0), 0.0);
    }

    // --- Editing control points ---

    void insertPointGoesAfterTheNearestPoint()
    {
        CPanTiltEffect effect;
        effect.m_nbControls = 6;
        effect.m_controlX = {0, 60000, 10240, 60000, 0, 20480};
        effect.m_controlY = {0, 0, 30000, 60000, 60000, 30000};
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        // 5120 / 512 = 10 units from both point 2 and point 5: the first wins.
        QCOMPARE(shape.InsertPoint(15360, 30000), 3);
        QCOMPARE(effect.m_nbControls, 7);
        QCOMPARE(QPoint(effect.m_controlX[3], effect.m_controlY[3]), QPoint(15360, 30000));
        QCOMPARE(effect.m_pathCount, 14);
        QCOMPARE(effect.m_pathX.size(), 14);
    }

    void editingAnEmptyOrUnboundShapeIsSafe()
    {
        CPanTiltShape unbound;
        QCOMPARE(unbound.InsertPoint(1, 2), -1);
        QCOMPARE(unbound.RemovePoint(0), 0);
        unbound.Update();
        unbound.BuildShape();
        unbound.ResizePath();
        unbound.ClearControlPoints();

        CPanTiltEffect effect;
        CPanTiltShape shape;
        shape.SetEffect(&effect);
        shape.ClearControlPoints();
        effect.m_nbControls = 0;
        QCOMPARE(shape.InsertPoint(100, 200), 0);
        QCOMPARE(effect.m_nbControls, 1);
        QCOMPARE(Controls(effect), QList<QPoint>({QPoint(100, 200)}));

        // Removing outside the list changes nothing.
        QCOMPARE(shape.RemovePoint(1), 0);
        QCOMPARE(shape.RemovePoint(-1), 0);
        QCOMPARE(effect.m_nbControls, 1);
        QCOMPARE(shape.RemovePoint(0), 0);
        QCOMPARE(effect.m_nbControls, 0);
        QCOMPARE(effect.m_pathCount, 0);
        QCOMPARE(shape.RemovePoint(0), 0);
        QCOMPARE(effect.m_nbControls, 0);
    }

    // --- Steps ---

    void startAndReverseChooseWhereTheWalkBegins()
    {
        Rig rig(1);
        CEffectEngine engine;
        auto* effect = new CPanTiltEffect;
        effect->m_sens = true;
        Bind(engine, rig, effect);
        engine.GenerateEffect();
        const QList<int> backwards = {0, 7, 6, 5, 4, 3, 2, 1};
        for (int s = 0; s < 8; ++s)
            QCOMPARE(Position(engine, 0, s), PathPoint(*effect, backwards[s]));

        // A start outside the ring counts round it, either way.
        effect->m_start = 10; // point 2
        engine.GenerateEffect();
        QCOMPARE(Position(engine, 0, 0), PathPoint(*effect, 2));
        QCOMPARE(Position(engine, 0, 1), PathPoint(*effect, 1));
        effect->m_sens = false;
        effect->m_start = -1; // point 7
        engine.GenerateEffect();
        QCOMPARE(Position(engine, 0, 0), PathPoint(*effect, 7));
        QCOMPARE(Position(engine, 0, 1), PathPoint(*effect, 0));
        effect->m_start = -2147483647 - 1;
        engine.GenerateEffect();
        QCOMPARE(Position(engine, 0, 0), PathPoint(*effect, 0)); // -2^31 is a multiple of 8
    }

    void phaseSpreadsFixturesAlongTheRing()
    {
        Rig rig(3);
        CEffectEngine engine;
        auto* effect = new CPanTiltEffect;
        effect->m_phi = 25; // 8 x 25 / 100 = 2 steps per fixture
        Bind(engine, rig, effect);
        engine.GenerateEffect();
        QCOMPARE(Position(engine, 0, 0), PathPoint(*effect, 0));
        QCOMPARE(Position(engine, 1, 0), PathPoint(*effect, 6));
        QCOMPARE(Position(engine, 2, 0), PathPoint(*effect, 4));
        QCOMPARE(Position(engine, 2, 5), PathPoint(*effect, 1));
    }

    void offsetsFanFixturesOutAroundThePath()
    {
        // Step 0 pans at coarse 213, step 4 at 42.
        Rig three(3);
        CEffectEngine engine;
        auto* effect = new CPanTiltEffect;
        effect->m_offsetX = 10;
        Bind(engine, three, effect);
        engine.GenerateEffect();
        QCOMPARE(PanCoarse(engine, 0, 0), 203);
        QCOMPARE(PanCoarse(engine, 1, 0), 213);
        QCOMPARE(PanCoarse(engine, 2, 0), 223);
        // Fine bytes and tilt are the path's own.
        QCOMPARE(quint8(engine.m_panTiltRecords[2].m_panFine[0]), quint8(84));
        QCOMPARE(quint8(engine.m_panTiltRecords[2].m_tiltCoarse[0]), quint8(127));

        Rig two(2);
        effect = new CPanTiltEffect;
        effect->m_offsetX = 10;
        Bind(engine, two, effect);
        engine.GenerateEffect();
        QCOMPARE(PanCoarse(engine, 0, 0), 208);
        QCOMPARE(PanCoarse(engine, 1, 0), 218);

        // Held to a byte at both ends.
        effect = new CPanTiltEffect;
        effect->m_offsetX = 50;
        Bind(engine, three, effect);
        engine.GenerateEffect();
        QCOMPARE(PanCoarse(engine, 2, 0), 255);
        QCOMPARE(PanCoarse(engine, 0, 4), 0);

        // With a phase the shifted step is fanned.
        effect = new CPanTiltEffect;
        effect->m_offsetX = 10;
        effect->m_phi = 50; // 4 steps per fixture
        Bind(engine, three, effect);
        engine.GenerateEffect();
        QCOMPARE(PanCoarse(engine, 1, 0), 42);
        QCOMPARE(PanCoarse(engine, 2, 0), 223);
    }

    void malformedFiguresMakeNoSteps()
    {
        Rig rig(2);
        CEffectEngine engine;

        // Negative points per control: an empty path.
        auto* negative = new CPanTiltEffect;
        negative->m_nbPtsPerCtrl = -3;
        Bind(engine, rig, negative);
        engine.GenerateEffect();
        QCOMPARE(negative->m_nbPtsPerCtrl, 0);
        QCOMPARE(negative->m_pathCount, 0);
        QCOMPARE(engine.m_stepCount, 0);

        // A count that disagrees with the points follows the points.
        auto* mismatched = new CPanTiltEffect;
        mismatched->m_nbControls = 10;
        mismatched->m_controlX = {100, 200, 300};
        mismatched->m_controlY = {100, 200};
        Bind(engine, rig, mismatched);
        QCOMPARE(mismatched->m_nbControls, 2);
        QCOMPARE(mismatched->m_pathCount, 4);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 4);

        // No points and a count too small to draw a shape.
        auto* empty = new CPanTiltEffect;
        empty->m_nbControls = 0;
        Bind(engine, rig, empty);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);

        // A path count claiming more points than the path holds.
        auto* lying = new CPanTiltEffect;
        Bind(engine, rig, lying);
        lying->m_pathCount = 1000;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 8);

        // Points per control past any file's limit: no path at all.
        auto* huge = new CPanTiltEffect;
        huge->m_nbPtsPerCtrl = 100000000;
        Bind(engine, rig, huge);
        QCOMPARE(huge->m_pathCount, 0);
        QVERIFY(huge->m_pathX.isEmpty());
    }

    void generationBeyondTheBudgetMakesNoSteps()
    {
        // 1024 controls x 256 points on 33 fixtures passes 2^23 cells.
        Rig rig(33);
        CEffectEngine engine;
        auto* effect = new CPanTiltEffect;
        effect->m_nbControls = 1024;
        effect->m_nbPtsPerCtrl = 256;
        effect->m_len = 5000;
        Bind(engine, rig, effect);
        QCOMPARE(effect->m_pathCount, 262144);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(effect->m_len, 0);
    }
};

ORVANE_TEST(PanTiltEffectTest)
#include "PanTiltEffectTest.moc"
