#include "EffectRig.h"
#include "TestRegistry.h"

#include "effects/CurveEffect.h"
#include "effects/CurveTables.h"
#include "effects/EffectEngine.h"
#include "model/PatchedFixture.h"

#include <QtTest>

namespace {

using Rig = EffectRig<1>;

// Ampli 128 and offset 128 give A = 25 and O = 0: a square between 0 and
// trunc(25 / 100 x 131070) = 32767, whose coarse byte is 127 and fine 255.
// Ratio 8 gives a half period of 100 points, already a divisor of 200.
CCurveParam SquareParam()
{
    CCurveParam param;
    param.m_type = CCurveParam::Square;
    param.m_ampli = 128;
    param.m_offset = 128;
    param.m_ratio = 8.0f;
    return param;
}

void AddChannel(CCurveEffect& curve, const CCurveParam& param, bool active)
{
    curve.m_params << param;
    curve.m_activeChannels << active;
    curve.m_tables << QVector<int>(kCurvePoints, 0);
    curve.m_chanTypes << 4;
    curve.m_chanNums << 0;
    curve.m_channelDefs << nullptr;
}

// A bound and generated curve of one square channel over `fixtures` beams.
CCurveEffect* SquareCurve(CEffectEngine& engine, const Rig& rig, int offset2, int phi, bool fine = false)
{
    auto* curve = new CCurveEffect(1000);
    CCurveParam param = SquareParam();
    param.m_offset2 = offset2;
    param.m_phi = phi;
    param.m_fine = fine;
    AddChannel(*curve, param, true);
    rig.Generate(engine, curve);
    return curve;
}

int Coarse(const CCurveEffect& curve, int fixture, int step)
{
    return quint8(curve.m_outputs.at(0).at(fixture).m_coarse.at(step));
}

int EngineCoarse(const CEffectEngine& engine, int record, int step)
{
    return quint8(engine.m_channelRecords.at(record).m_coarse.at(step));
}

struct Table
{
    CCurveGenerator generator;
    QVector<int> values = QVector<int>(kCurvePoints, 12345);

    Table() { generator.m_table = &values; }

    void Generate(int type, int ampli, int phase, int offset, float& ratio)
    {
        generator.Generate(type, ampli, phase, offset, ratio);
    }
};

} // namespace

class CurveEffectTest : public QObject
{
    Q_OBJECT

private slots:
    // --- Waveform tables ---

    void sineTableFollowsTheWaveform()
    {
        // Ampli 255: A = 50, S = 32767.5. Offset 127: O = -1, so
        // B = trunc(-655.35 + 32767.5) = 32112. Ratio 5: one period.
        Table table;
        table.generator.m_lastType = CCurveParam::Sinus;
        table.generator.m_lastRatio = 5.0f; // the same ratio: no loop search
        float ratio = 5.0f;
        table.Generate(CCurveParam::Sinus, 255, 0, 127, ratio);
        QCOMPARE(ratio, 5.0f);
        QCOMPARE(table.values[0], 32112);
        QCOMPARE(table.values[25], 55282);  // sin(pi/4) x 32767.5 + 32112
        QCOMPARE(table.values[50], 64879);  // the crest
        QCOMPARE(table.values[150], 0);     // below 1 maps to the minimum
    }

    void sineLoopSearchEndsWhereTheTableCloses()
    {
        Table table;
        float ratio = 5.0f;
        table.Generate(CCurveParam::Sinus, 255, 0, 127, ratio);
        // Point 199 lands on point 0 near 5 x 200 / 199 = 5.0251.
        QVERIFY(ratio > 5.02f && ratio < 5.03f);
        QCOMPARE(table.values[199], table.values[0]);
        QCOMPARE(table.generator.m_lastRatio, ratio);

        // A ratio too large for the search step to register stops at once.
        float huge = 1.0e7f;
        table.Generate(CCurveParam::Sinus, 255, 0, 127, huge);
        QCOMPARE(huge, 1.0e7f);
    }

    void squareSearchesAHalfPeriodThatDividesTheTable()
    {
        // Ratio 5: H = 160; 6, 7 do not divide 200 either; 8 gives H = 100.
        Table table;
        float ratio = 5.0f;
        table.Generate(CCurveParam::Square, 128, 0, 128, ratio);
        QCOMPARE(ratio, 8.0f);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(table.values[i], 0);
        for (int i = 100; i < 200; ++i)
            QCOMPARE(table.values[i], 32767);
    }

    void squarePhaseDelaysTwoPointsPerUnit()
    {
        Table table;
        float ratio = 8.0f;
        table.Generate(CCurveParam::Square, 128, 10, 128, ratio);
        QCOMPARE(table.values[79], 0);
        QCOMPARE(table.values[80], 32767);
        QCOMPARE(table.values[179], 32767);
        QCOMPARE(table.values[180], 0);

        // Phases are held to 0..100: a negative one writes every entry, a
        // huge one costs no more than 100.
        Table negative;
        negative.Generate(CCurveParam::Square, 128, -5, 128, ratio);
        QCOMPARE(negative.values[0], 0);
        QCOMPARE(negative.values[100], 32767);
        Table full;
        full.Generate(CCurveParam::Square, 128, 100, 128, ratio);
        Table beyond;
        beyond.Generate(CCurveParam::Square, 128, 1000000, 128, ratio);
        QCOMPARE(beyond.values, full.values);
    }

    void triangleRisesAndTurnsAtTheHalfPeriod()
    {
        // Q = 32767 over H = 100 points: slope 327.67.
        Table table;
        float ratio = 8.0f;
        table.Generate(CCurveParam::Triangle, 128, 0, 128, ratio);
        QCOMPARE(table.values[0], 0);
        QCOMPARE(table.values[10], 3276);
        QCOMPARE(table.values[99], 32439);
        QCOMPARE(table.values[100], 32439); // the turn starts from the last value
        QCOMPARE(table.values[101], 32111);
    }

    // The search moves the ratio on until two half periods divide the
    // 200 points, so the table repeats without a seam at its end.
    void squareAndTriangleRepeatCleanly_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<float>("ratio");
        QTest::addColumn<float>("searched");
        QTest::addColumn<int>("half");
        // H = trunc(200 / (ratio / 4)): 10 gives 80, and 11 to 15 no divisor.
        QTest::newRow("square 10") << int(CCurveParam::Square) << 10.0f << 16.0f << 50;
        QTest::newRow("square 20") << int(CCurveParam::Square) << 20.0f << 31.0f << 25;
        QTest::newRow("square 40") << int(CCurveParam::Square) << 40.0f << 40.0f << 20;
        QTest::newRow("triangle 10") << int(CCurveParam::Triangle) << 10.0f << 16.0f << 50;
        QTest::newRow("triangle 40") << int(CCurveParam::Triangle) << 40.0f << 40.0f << 20;
    }
    void squareAndTriangleRepeatCleanly()
    {
        QFETCH(int, type);
        QFETCH(float, ratio);
        QFETCH(float, searched);
        QFETCH(int, half);
        Table table;
        table.Generate(type, 128, 0, 128, ratio);
        QCOMPARE(ratio, searched);
        QCOMPARE(table.values[0], 0);
        QCOMPARE(table.values[half + 1] > table.values[half - 1], type == CCurveParam::Square);
        for (int i = 2 * half; i < kCurvePoints; ++i)
            QCOMPARE(table.values[i], table.values[i - 2 * half]);
    }

    // Phase p starts the wave p x 0.2 radians on; ampli 255, ratio 5 (one
    // period over the table), S = 32767.5, B = 32112 for the sine.
    void phaseShiftsSineAndPulse_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("point");
        QTest::addColumn<int>("expected");
        QTest::newRow("sine start") << int(CCurveParam::Sinus) << 127 << 0 << 61907;   // sin 2 x S + B
        QTest::newRow("sine quarter") << int(CCurveParam::Sinus) << 127 << 50 << 18475; // cos 2 x S + B
        // The pulse swells from nothing: at point 50 an envelope of 25 x 24
        // thousandths of 32767.5, at the half turn plus 2 radians.
        QTest::newRow("pulse start") << int(CCurveParam::Pulse) << 128 << 0 << 32767;
        QTest::newRow("pulse 50") << int(CCurveParam::Pulse) << 128 << 50 << 14889; // 32767 - sin 2 x 19660.5
    }
    void phaseShiftsSineAndPulse()
    {
        QFETCH(int, type);
        QFETCH(int, offset);
        QFETCH(int, point);
        QFETCH(int, expected);
        Table table;
        table.generator.m_lastType = type;
        table.generator.m_lastRatio = 5.0f; // no loop search
        float ratio = 5.0f;
        table.Generate(type, 255, 10, offset, ratio);
        QCOMPARE(table.values[point], expected);
    }

    void degenerateWaveformsGiveFlatTables()
    {
        // An unknown waveform sits at the minimum.
        Table unknown;
        float ratio = 5.0f;
        unknown.Generate(7, 255, 0, 127, ratio);
        QCOMPARE(unknown.values, QVector<int>(kCurvePoints, 0));

        // Ratio 0 or below: the level the wave starts from, held. Offset 255
        // gives O = 50, B = trunc(50 x 655.35) = 32767 for the square.
        Table square;
        float zero = 0.0f;
        square.Generate(CCurveParam::Square, 255, 0, 255, zero);
        QCOMPARE(square.values, QVector<int>(kCurvePoints, 32767));
        Table triangle;
        float negative = -3.0f;
        triangle.Generate(CCurveParam::Triangle, 255, 0, 255, negative);
        QCOMPARE(triangle.values, QVector<int>(kCurvePoints, 32767));
        QCOMPARE(negative, -3.0f);
        // Offset 128: O = 0, the sine and pulse sit on the middle level.
        Table sine;
        float minus = -1.0f;
        sine.Generate(CCurveParam::Sinus, 255, 0, 128, minus);
        QCOMPARE(sine.values, QVector<int>(kCurvePoints, 32767));
        Table pulse;
        float none = 0.0f;
        pulse.Generate(CCurveParam::Pulse, 255, 0, 128, none);
        QCOMPARE(pulse.values, QVector<int>(kCurvePoints, 32767));
    }

    void squareWithATinyHalfPeriodAlternatesEveryPoint()
    {
        // Ratio 1e6 would make the half period 0 points.
        Table table;
        float ratio = 1.0e6f;
        table.Generate(CCurveParam::Square, 128, 0, 128, ratio);
        QCOMPARE(table.values[0], 0);
        QCOMPARE(table.values[1], 32767);
        QCOMPARE(table.values[2], 0);
        QCOMPARE(table.values[199], 32767);
    }

    // --- Spreading over the fixtures ---

    void spreadCurveFansLevelsAroundTheWave()
    {
        Rig three(3);
        CEffectEngine engine;
        CCurveEffect* curve = SquareCurve(engine, three, 100, 0);
        QCOMPARE(engine.m_stepCount, 200);
        // d = 100 / 2 = 50: coarse - 50, coarse, coarse + 50.
        QCOMPARE(Coarse(*curve, 0, 0), 0); // -50 held at 0
        QCOMPARE(Coarse(*curve, 1, 0), 0);
        QCOMPARE(Coarse(*curve, 2, 0), 50);
        QCOMPARE(Coarse(*curve, 0, 150), 77);
        QCOMPARE(Coarse(*curve, 1, 150), 127);
        QCOMPARE(Coarse(*curve, 2, 150), 177);

        Rig two(2);
        curve = SquareCurve(engine, two, 100, 0);
        // d = 100: start = coarse - 100 + 50.
        QCOMPARE(Coarse(*curve, 0, 150), 77);
        QCOMPARE(Coarse(*curve, 1, 150), 177);
        QCOMPARE(Coarse(*curve, 1, 0), 50);

        curve = SquareCurve(engine, three, 400, 0, true);
        // d = 200: -73 and 327 are held to 0 and 255; the fine byte is not spread.
        QCOMPARE(Coarse(*curve, 0, 150), 0);
        QCOMPARE(Coarse(*curve, 1, 150), 127);
        QCOMPARE(Coarse(*curve, 2, 150), 255);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(quint8(curve->m_outputs[0][k].m_fine.at(150)), quint8(255));
            QCOMPARE(quint8(curve->m_outputs[0][k].m_fine.at(50)), quint8(0));
        }

        // Without an offset every fixture plays the wave itself.
        curve = SquareCurve(engine, three, 0, 0);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(Coarse(*curve, k, 99), 0);
            QCOMPARE(Coarse(*curve, k, 100), 127);
        }
    }

    void phasedSpreadDelaysEachFixtureAroundTheRing()
    {
        Rig three(3);
        CEffectEngine engine;
        // Phi 75: 150 steps per fixture; fixture 2 is 300 behind, which wraps
        // round the ring more than once.
        CCurveEffect* curve = SquareCurve(engine, three, 0, 75);
        QCOMPARE(Coarse(*curve, 0, 0), 0);
        QCOMPARE(Coarse(*curve, 1, 0), 0);     // step 50
        QCOMPARE(Coarse(*curve, 1, 50), 127);  // step 100
        QCOMPARE(Coarse(*curve, 2, 0), 127);   // step 100
        QCOMPARE(Coarse(*curve, 2, 99), 127);  // step 199
        QCOMPARE(Coarse(*curve, 2, 100), 0);   // step 0

        // With an offset the delayed level is fanned as well.
        curve = SquareCurve(engine, three, 100, 25);
        QCOMPARE(Coarse(*curve, 0, 0), 0);     // 0 - 50
        QCOMPARE(Coarse(*curve, 1, 0), 127);   // step 150
        QCOMPARE(Coarse(*curve, 2, 0), 177);   // step 100, + 50

        // Phases are held to 0..100: 150 acts as 100, a whole ring.
        curve = SquareCurve(engine, three, 0, 150);
        QCOMPARE(Coarse(*curve, 1, 0), 0);
        QCOMPARE(Coarse(*curve, 1, 100), 127);
        curve = SquareCurve(engine, three, 0, -25);
        QCOMPARE(Coarse(*curve, 2, 0), 0);
        QCOMPARE(Coarse(*curve, 2, 100), 127);
    }

    // A 4 x 8 matrix with phi 50: shift = 8 x 50 / 100 = 4 steps, so a cell
    // that is k places on along the direction reads 4k steps ahead and its
    // square rises at step 100 - 4k (of 200, wrapped).
    void matrixSpreadReadsAheadByDirection_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("places");
        QTest::newRow("columns") << 1 << 2 << 7 << 7;
        QTest::newRow("diagonal") << 2 << 3 << 5 << 8;
        QTest::newRow("rows") << 3 << 3 << 5 << 3;
        QTest::newRow("anti-diagonal") << 4 << 0 << 7 << -7;
        QTest::newRow("columns reversed") << 5 << 1 << 0 << 7;
        QTest::newRow("columns reversed, last") << 5 << 1 << 7 << 0;
        QTest::newRow("diagonal reversed") << 6 << 0 << 0 << 10;
        QTest::newRow("rows reversed") << 7 << 0 << 4 << 3;
        QTest::newRow("anti-diagonal reversed") << 8 << 3 << 0 << -3;
        QTest::newRow("anti-diagonal reversed, top") << 8 << 0 << 7 << 7;
    }
    void matrixSpreadReadsAheadByDirection()
    {
        QFETCH(int, direction);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, places);
        Rig cells(32);
        CEffectEngine engine;
        SquareCurve(engine, cells, 0, 0);
        engine.m_rows = 4;
        engine.m_cols = 8;
        engine.SpreadCurveOnMatrix(50, direction, false);
        const int rise = (100 - 4 * places + 200) % 200;
        QCOMPARE(EngineCoarse(engine, row * 8 + column, (rise + 199) % 200), 0);
        QCOMPARE(EngineCoarse(engine, row * 8 + column, rise), 127);
    }

    void matrixSpreadSkipsCellsWithoutRecords()
    {
        // 30 records on a 4 x 8 matrix: the last two cells have none.
        Rig cells(30);
        CEffectEngine engine;
        SquareCurve(engine, cells, 0, 0);
        engine.m_rows = 4;
        engine.m_cols = 8;
        engine.SpreadCurveOnMatrix(50, 6, true);
        // Cell (3, 5) of the reversed diagonal: offset 0 + 2 = 2, 8 ahead.
        QCOMPARE(EngineCoarse(engine, 29, 91), 0);
        QCOMPARE(EngineCoarse(engine, 29, 92), 127);

        // More records than cells: the ones past the matrix keep their steps.
        Rig more(40);
        SquareCurve(engine, more, 0, 0);
        engine.m_rows = 4;
        engine.m_cols = 8;
        engine.SpreadCurveOnMatrix(50, 3, false);
        QCOMPARE(EngineCoarse(engine, 39, 100), 127);
        QCOMPARE(EngineCoarse(engine, 39, 99), 0);
    }

    void onlyActiveAndCurrentChannelsAreRegenerated()
    {
        Rig rig(2);
        CEffectEngine engine;
        auto* curve = new CCurveEffect(1000);
        AddChannel(*curve, SquareParam(), true);
        AddChannel(*curve, SquareParam(), false);
        AddChannel(*curve, SquareParam(), false);
        curve->m_currentChannel = 1;
        rig.Drive(*curve);
        engine.SetEffect(curve);
        QCOMPARE(curve->m_outputs.size(), 3);
        engine.GenerateEffect();
        QCOMPARE(curve->m_outputs[0][1].m_coarse.size(), 200);
        QCOMPARE(curve->m_outputs[1][1].m_coarse.size(), 200);
        QVERIFY(curve->m_outputs[2][1].m_coarse.isEmpty());
        QVERIFY(!curve->m_regenerateAll);

        // Later generations touch the current channel only.
        curve->m_currentChannel = 2;
        curve->m_outputs[0][0].m_coarse.clear();
        engine.GenerateEffect();
        QCOMPARE(curve->m_outputs[2][0].m_coarse.size(), 200);
        QVERIFY(curve->m_outputs[0][0].m_coarse.isEmpty());

        // A current channel outside the list is ignored.
        curve->m_currentChannel = 9;
        engine.GenerateEffect();
        curve->m_currentChannel = -1;
        engine.GenerateEffect();
    }

    void recordsFollowTheBeamEntries()
    {
        // Two fixtures with two beams each: record k is beam entry k.
        Rig rig(2);
        auto* curve = new CCurveEffect(1000);
        AddChannel(*curve, SquareParam(), true);
        rig.Drive(*curve);
        CPatchedFixture* second = curve->m_fixtures[1];
        CPatchedFixture* first = curve->m_fixtures[0];
        curve->m_beamIndex = {0, 1, 0, 1};
        curve->m_beamFixtures = {first, first, second, second};
        curve->m_beamSel = {true, true, true, true};
        CEffectEngine engine;
        engine.SetEffect(curve);
        const QList<CChannelStepRecord>& records = curve->m_outputs[0];
        QCOMPARE(records.size(), 4);
        QCOMPARE(records[1].m_fixture, first);
        QCOMPARE(records[1].m_beam, 1);
        QCOMPARE(records[2].m_fixture, second);
        QCOMPARE(records[3].m_fixture, second);
        QCOMPARE(records[3].m_beam, 1);
        engine.GenerateEffect();
        QCOMPARE(Coarse(*curve, 3, 100), 127);
    }

    void malformedChannelListsDoNotCrash()
    {
        // A channel whose table is missing is skipped; the others generate.
        Rig rig(2);
        auto* curve = new CCurveEffect(1000);
        AddChannel(*curve, SquareParam(), true);
        AddChannel(*curve, SquareParam(), true);
        rig.Drive(*curve);
        CEffectEngine engine;
        engine.SetEffect(curve);
        curve->m_tables.removeLast();
        engine.GenerateEffect();
        QCOMPARE(Coarse(*curve, 1, 100), 127);
        QVERIFY(curve->m_outputs[1][1].m_coarse.isEmpty());

        // Outputs shorter than the beam entries: the missing records are skipped.
        curve->m_outputs[0].removeLast();
        curve->m_regenerateAll = true;
        engine.GenerateEffect();
        QCOMPARE(curve->m_outputs[0].size(), 1);
    }
};

ORVANE_TEST(CurveEffectTest)
#include "CurveEffectTest.moc"
