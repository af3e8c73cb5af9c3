#include "EffectRig.h"
#include "TestRegistry.h"

#include "effects/EffectEngine.h"
#include "effects/EffectRandom.h"
#include "effects/GradientEffect.h"
#include "effects/TrichroEffect.h"

#include <QtTest>

namespace {

const CRgbwColor kBlack(0, 0, 0, 0);
const CRgbwColor kWhite(255, 255, 255, 0);
const CRgbwColor kRed(255, 0, 0, 0);
const CRgbwColor kGreen(0, 255, 0, 0);
const CRgbwColor kBlue(0, 0, 255, 0);

using Rig = EffectRig<8>;

// One step of every record, as the letters of `palette` (index into the
// effect's colours); '?' for a colour that is none of them.
QString StepPattern(const CEffectEngine& engine, int step, const QList<CRgbwColor>& palette)
{
    QString text;
    for (int k = 0; k < engine.m_colorRecords.size(); ++k) {
        const int index = palette.indexOf(OutputColor(engine, k, step));
        text += index < 0 ? QChar('?') : QChar('0' + index);
    }
    return text;
}

CGradientEffect* Gradient(int gradType, const QList<CRgbwColor>& colors, const QList<double>& positions, int length = 0)
{
    auto* effect = new CGradientEffect;
    effect->m_gradType = gradType;
    effect->m_pegColors = colors;
    effect->m_pegPositions = positions;
    effect->m_len = length;
    return effect;
}

CTrichroEffect* Sequence(int subtype, int size, int number, const QList<CRgbwColor>& colors)
{
    auto* effect = new CTrichroEffect(100);
    effect->m_trichroType = subtype;
    effect->m_size = size;
    effect->m_number = number;
    effect->m_hasFade = false;
    effect->m_colors = colors;
    return effect;
}

} // namespace

class ColorEffectTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { CEffectRandom::UnpinSeed(); }

    // --- Gradients ---

    void spatialGradientBlendsBetweenPegsByFixturePosition()
    {
        Rig rig(4);
        CEffectEngine engine;
        CGradientEffect* effect = Gradient(0, {kBlack, kWhite}, {0.0, 1.0});
        rig.Generate(engine, effect);

        QCOMPARE(engine.m_stepCount, 1);
        // 255 x k / 4, truncated; white stays at both pegs' 0.
        QCOMPARE(OutputColor(engine, 0, 0), CRgbwColor(0, 0, 0, 0));
        QCOMPARE(OutputColor(engine, 1, 0), CRgbwColor(63, 63, 63, 0));
        QCOMPARE(OutputColor(engine, 2, 0), CRgbwColor(127, 127, 127, 0));
        QCOMPARE(OutputColor(engine, 3, 0), CRgbwColor(191, 191, 191, 0));
    }

    void spatialGradientSurvivesDegeneratePegs()
    {
        Rig rig(4);
        CEffectEngine engine;

        // No pegs: nothing to spread, nothing generated.
        CGradientEffect* empty = Gradient(0, {}, {});
        rig.Generate(engine, empty);
        QCOMPARE(engine.m_stepCount, 0);

        // One peg colours every fixture.
        CGradientEffect* single = Gradient(0, {CRgbwColor(10, 20, 30, 40)}, {0.3});
        rig.Generate(engine, single);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(OutputColor(engine, k, 0), CRgbwColor(10, 20, 30, 40));

        // Two pegs at 0.5: t = 0.5 ends the first segment, t = 0.75 lies
        // half way along the last one, with no division by the empty span.
        CGradientEffect* edge = Gradient(0, {kRed, kBlue, kGreen, kWhite}, {0.0, 0.5, 0.5, 1.0});
        rig.Generate(engine, edge);
        QCOMPARE(OutputColor(engine, 0, 0), kRed);
        QCOMPARE(OutputColor(engine, 1, 0), CRgbwColor(127, 0, 127, 0));
        QCOMPARE(OutputColor(engine, 2, 0), kBlue);
        QCOMPARE(OutputColor(engine, 3, 0), CRgbwColor(127, 255, 127, 0));

        // All pegs at one position: the later peg shows, never a blown-up weight.
        CGradientEffect* stacked = Gradient(0, {kRed, kBlue}, {0.0, 0.0});
        rig.Generate(engine, stacked);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(OutputColor(engine, k, 0), kBlue);
    }

    void spatialGradientKeepsBlendWeightBetweenPegs()
    {
        // Pegs denser than the fixtures: fixture 1 (t = 0.5) lies past three
        // pegs and blends between the last two: 255 x 0.2 / 0.7 = 72.86.
        Rig rig(2);
        CEffectEngine engine;
        CGradientEffect* dense =
            Gradient(0, {kRed, kGreen, kBlue, kBlack, kWhite}, {0.0, 0.1, 0.2, 0.3, 1.0});
        rig.Generate(engine, dense);
        QCOMPARE(OutputColor(engine, 0, 0), kRed);
        QCOMPARE(OutputColor(engine, 1, 0), CRgbwColor(72, 72, 72, 0));

        // A first peg after 0: the fixtures before it take its colour rather
        // than an extrapolation beyond a byte.
        Rig four(4);
        CGradientEffect* late = Gradient(0, {kRed, kBlue}, {0.5, 1.0});
        four.Drive(*late);
        engine.SetEffect(late);
        engine.GenerateEffect();
        QCOMPARE(OutputColor(engine, 0, 0), kRed);
        QCOMPARE(OutputColor(engine, 1, 0), kRed);
        QCOMPARE(OutputColor(engine, 3, 0), CRgbwColor(127, 0, 127, 0));
    }

    void temporalGradientGivesOneStepPerPegOnTheTimeGrain()
    {
        Rig rig(2);
        CEffectEngine engine;
        CGradientEffect* effect = Gradient(1, {kRed, kGreen, kBlue}, {0.0, 0.5, 1.0}, 1000);
        effect->m_stepTimes = {7, 7, 7, 7, 7};
        rig.Generate(engine, effect);

        QCOMPARE(engine.m_stepCount, 3);
        // 500 ms rounds down to 480 twice; the 40 ms left over go to the last.
        // Entries past the pegs are not the builder's.
        QCOMPARE(effect->m_stepTimes, QList<int>({40, 480, 520, 7, 7}));
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(OutputColor(engine, k, 0), kRed);
            QCOMPARE(OutputColor(engine, k, 1), kGreen);
            QCOMPARE(OutputColor(engine, k, 2), kBlue);
        }
    }

    void temporalGradientEdgeCases()
    {
        Rig rig(1);
        CEffectEngine engine;

        // One peg: its 40 ms plus the whole length.
        CGradientEffect* single = Gradient(1, {kRed}, {0.0}, 1000);
        rig.Generate(engine, single);
        QCOMPARE(engine.m_stepCount, 1);
        QCOMPARE(single->m_stepTimes, QList<int>({1040}));

        // Pegs out of order follow at once instead of lasting a negative time.
        CGradientEffect* reversed = Gradient(1, {kRed, kGreen, kBlue}, {1.0, 0.5, 0.0}, 1000);
        rig.Generate(engine, reversed);
        QCOMPARE(reversed->m_stepTimes, QList<int>({40, 0, 1000}));

        // No pegs: no steps and no times.
        CGradientEffect* empty = Gradient(1, {}, {}, 1000);
        rig.Generate(engine, empty);
        QCOMPARE(engine.m_stepCount, 0);
        QVERIFY(empty->m_stepTimes.isEmpty());
    }

    // --- Colour sequences ---

    void rainbowRowsMoveOneColumnPerStep()
    {
        // 4 fixtures, size 2, 3 colours: g = 20, m = 1, 6 rows; column c of
        // row r shows colour trunc((c + r) / 2) mod 3.
        Rig rig(4);
        CEffectEngine engine;
        const QList<CRgbwColor> colors = {kRed, kGreen, kBlue};
        CTrichroEffect* effect = Sequence(CTrichroEffect::Rainbow, 2, 3, colors);
        effect->m_sens = true;
        rig.Generate(engine, effect);

        QCOMPARE(engine.m_stepCount, 6);
        QCOMPARE(effect->m_len, 600);
        const QStringList rows = {"0011", "0112", "1122", "1220", "2200", "2001"};
        for (int s = 0; s < 6; ++s)
            QCOMPARE(StepPattern(engine, s, colors), rows[s]);

        // Without Sens the same rows play from the last one.
        effect->m_sens = false;
        engine.GenerateEffect();
        for (int s = 0; s < 6; ++s)
            QCOMPARE(StepPattern(engine, s, colors), rows[5 - s]);

        // Come-back doubles the table and plays it back.
        effect->m_sens = true;
        effect->m_comeBack = true;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 12);
        QCOMPARE(effect->m_len, 1200);
        for (int s = 0; s < 6; ++s)
            QCOMPARE(StepPattern(engine, 11 - s, colors), rows[s]);
    }

    void rainbowFadeBlendsTowardTheNextColour()
    {
        Rig rig(4);
        CEffectEngine engine;
        CTrichroEffect* effect = Sequence(CTrichroEffect::Rainbow, 2, 3, {kRed, kGreen, kBlue});
        effect->m_sens = true;
        effect->m_hasFade = true;
        rig.Generate(engine, effect);
        // Row 0: p = 0, 0.5, 1, 1.5.
        QCOMPARE(OutputColor(engine, 0, 0), kRed);
        QCOMPARE(OutputColor(engine, 1, 0), CRgbwColor(127, 127, 0, 0));
        QCOMPARE(OutputColor(engine, 2, 0), kGreen);
        QCOMPARE(OutputColor(engine, 3, 0), CRgbwColor(0, 127, 127, 0));
        // Row 5: p = 2.5 blends blue back into red.
        QCOMPARE(OutputColor(engine, 0, 5), CRgbwColor(127, 0, 127, 0));
    }

    void rainbowStepCountFollowsSizeAndNumber()
    {
        // 8 fixtures, size 2, 8 colours: g = 40, m = 1, 16 rows.
        Rig rig(8);
        CEffectEngine engine;
        auto* effect = new CTrichroEffect(50);
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 16);
        QCOMPARE(effect->m_len, 800);

        // Size 20: g = 4, m = 2, so 20 x 8 / 2 = 80 rows.
        effect->m_size = 20;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 80);
    }

    void waveBandEntersAndLeaves()
    {
        Rig rig(4);
        CEffectEngine engine;
        const QList<CRgbwColor> colors = {kBlack, kRed};
        CTrichroEffect* effect = Sequence(CTrichroEffect::Wave, 2, 2, colors);
        rig.Generate(engine, effect);
        // (4 + 2) / 1 rows; the band covers columns r - 2 .. r - 1.
        QCOMPARE(engine.m_stepCount, 6);
        const QStringList rows = {"0000", "1000", "1100", "0110", "0011", "0001"};
        for (int s = 0; s < 6; ++s)
            QCOMPARE(StepPattern(engine, s, colors), rows[s]);

        // Continue: 4 rows, the band wraps around.
        effect->m_continue = true;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 4);
        const QStringList wrapped = {"1100", "0110", "0011", "1001"};
        for (int s = 0; s < 4; ++s)
            QCOMPARE(StepPattern(engine, s, colors), wrapped[s]);

        // A band longer than the row lights every column.
        effect->m_size = 9;
        engine.GenerateEffect();
        QCOMPARE(StepPattern(engine, 0, colors), QStringLiteral("1111"));
    }

    void halfWaveGrowsFromTheCentre()
    {
        // 4 fixtures, half size 1, 3 colours: 3 rows, the third mirroring the first.
        Rig rig(4);
        CEffectEngine engine;
        const QList<CRgbwColor> colors = {kBlack, kRed, kGreen};
        CTrichroEffect* effect = Sequence(CTrichroEffect::HalfWave, 2, 3, colors);
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 3);
        QCOMPARE(StepPattern(engine, 0, colors), QStringLiteral("0110"));
        QCOMPARE(StepPattern(engine, 1, colors), QStringLiteral("2112"));
        QCOMPARE(StepPattern(engine, 2, colors), QStringLiteral("0110"));
    }

    void wagonsRepeatMirroredAlongTheRow()
    {
        // 8 fixtures, 2 colours: wagon span 8 / 4 = 2, 2 rows then their mirror.
        Rig rig(8);
        CEffectEngine engine;
        const QList<CRgbwColor> colors = {kBlack, kRed};
        CTrichroEffect* effect = Sequence(CTrichroEffect::Wagons, 1, 2, colors);
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 4);
        QCOMPARE(StepPattern(engine, 0, colors), QStringLiteral("10011001"));
        QCOMPARE(StepPattern(engine, 1, colors), QStringLiteral("01100110"));
        QCOMPARE(StepPattern(engine, 2, colors), QStringLiteral("01100110"));
        QCOMPARE(StepPattern(engine, 3, colors), QStringLiteral("10011001"));
    }

    void randomLightsSizeColumnsPerRowCyclingTheColours()
    {
        CEffectRandom::PinSeed(1234);
        Rig rig(8);
        CEffectEngine engine;
        const QList<CRgbwColor> colors = {kBlack, kRed, kGreen};
        CTrichroEffect* effect = Sequence(CTrichroEffect::Random, 3, 3, colors);
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 40);
        QStringList first;
        for (int s = 0; s < 40; ++s) {
            const QString row = StepPattern(engine, s, colors);
            first << row;
            // Three distinct columns, the colour running on across rows:
            // red, green, red, then green, red, green, ...
            QCOMPARE(row.count('0'), 5);
            QCOMPARE(row.count('1'), s % 2 == 0 ? 2 : 1);
            QCOMPARE(row.count('2'), s % 2 == 0 ? 1 : 2);
        }
        // The pinned seed repeats the same table.
        engine.GenerateEffect();
        for (int s = 0; s < 40; ++s)
            QCOMPARE(StepPattern(engine, s, colors), first[s]);

        // More draws than fixtures light every column and return.
        effect->m_size = 1000000;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 40);
        QCOMPARE(StepPattern(engine, 0, colors).count('0'), 0);
    }

    void sequenceWithoutSizeOrNumberMakesNoSteps()
    {
        Rig rig(4);
        CEffectEngine engine;
        for (int subtype = 0; subtype <= 4; ++subtype) {
            for (const auto& sizes : {std::make_pair(0, 3), std::make_pair(2, 0), std::make_pair(-5, -1)}) {
                CTrichroEffect* effect = Sequence(subtype, sizes.first, sizes.second, {kRed, kGreen, kBlue});
                effect->m_len = 1234;
                rig.Generate(engine, effect);
                QCOMPARE(engine.m_stepCount, 0);
                QCOMPARE(effect->m_len, 0);
            }
        }
    }

    void numberAboveTheColoursIsPaddedWithDefaults()
    {
        Rig rig(4);
        CEffectEngine engine;
        CTrichroEffect* effect = Sequence(CTrichroEffect::Rainbow, 2, 6, {kRed, kGreen, kBlue});
        effect->m_sens = true;
        rig.Generate(engine, effect);
        QCOMPARE(effect->m_colors.size(), 10);
        // 2 x 6 rows; row 6 shows colours 3, 3, 4, 4: the default colours.
        QCOMPARE(engine.m_stepCount, 12);
        QCOMPARE(OutputColor(engine, 0, 6), CRgbwColor(191, 255, 127, 0));
        QCOMPARE(OutputColor(engine, 3, 6), CRgbwColor(255, 197, 25, 0));

        // Beyond the ten colours the cycle uses the ten there are.
        effect->m_number = 50;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 20);
    }

    void oversizedSequenceMakesNoSteps()
    {
        Rig rig(4);
        CEffectEngine engine;
        CTrichroEffect* effect = Sequence(CTrichroEffect::Rainbow, 2147483647, 8, {});
        effect->m_len = 1234;
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(effect->m_len, 0);

        // The same for a wave whose band length sets the rows.
        effect->m_trichroType = CTrichroEffect::Wave;
        effect->m_len = 1234;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(effect->m_len, 0);
    }

    void unknownSubtypeGeneratesNothing()
    {
        Rig rig(2);
        CEffectEngine engine;
        CTrichroEffect* effect = Sequence(7, 2, 3, {kRed, kGreen, kBlue});
        effect->m_len = 1234;
        rig.Generate(engine, effect);
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(effect->m_len, 1234);
    }
};

ORVANE_TEST(ColorEffectTest)
#include "ColorEffectTest.moc"
