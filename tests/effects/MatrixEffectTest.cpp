#include "EffectRig.h"
#include "TestRegistry.h"

#include "effects/EffectEngine.h"
#include "effects/EffectRandom.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixPatterns.h"

#include <QtTest>

#include <climits>
#include <initializer_list>

static char* toString(const CRgbwColor& color)
{
    return qstrdup(QStringLiteral("(%1,%2,%3,%4)").arg(color.r).arg(color.g).arg(color.b).arg(color.w).toLatin1());
}

namespace {

const CRgbwColor kRed(255, 0, 0, 0);
const CRgbwColor kBlue(0, 0, 255, 0);
const CRgbwColor kDarkRed(200, 0, 0, 0);
const CRgbwColor kDimBlue(0, 0, 100, 0);

CPatternParams Params(int rows, int columns, int number, int size, std::initializer_list<CRgbwColor> colors)
{
    CPatternParams params;
    params.rows = rows;
    params.columns = columns;
    params.number = number;
    params.size = size;
    params.divisor = 1;
    params.colors = QList<CRgbwColor>(colors);
    return params;
}

QVector<CRgbwColor> FrameOf(const CMatrixPattern& pattern, int frame)
{
    QVector<CRgbwColor> colors;
    for (int i = 0; i < pattern.PixelCount(); ++i)
        colors << pattern.At(frame, i);
    return colors;
}

QString Describe(const QVector<CRgbwColor>& colors)
{
    QStringList parts;
    for (const CRgbwColor& c : colors)
        parts << QStringLiteral("(%1,%2,%3,%4)").arg(c.r).arg(c.g).arg(c.b).arg(c.w);
    return parts.join(QLatin1Char(' '));
}

// Appended one by one: GCC 12 misreads QVector's initializer-list copy in
// an optimised build and warns of an overflow.
QVector<CRgbwColor> ExpectedFrame(std::initializer_list<CRgbwColor> colors)
{
    QVector<CRgbwColor> frame;
    frame.reserve(int(colors.size()));
    for (const CRgbwColor& color : colors)
        frame.append(color);
    return frame;
}

#define COMPARE_FRAME(actual, ...)                                                                 \
    do {                                                                                           \
        const QVector<CRgbwColor> actualFrame = (actual);                                          \
        const QVector<CRgbwColor> expectedFrame = ExpectedFrame({__VA_ARGS__});                    \
                                                                 QVERIFY2(actualFrame == expectedFrame,                                                     \
                                                                 qPrintable(QStringLiteral("got %1\nexpected %2")                                  \
                                                                 .arg(Describe(actualFrame), Describe(expectedFrame))));            \
                                                                 } while (false)
                                                                 
                                                                 // A matrix animation of rows x columns with a 40 ms step.
                                                                 CMatrixAnimEffect* NewAnim(int kind, int rows, int columns, int number, int size,
                                                                 std::initializer_list<CRgbwColor> colors)
                                                                 {
                                                                 auto* effect = new CMatrixAnimEffect;
                                                                 effect->m_matrixType = kind;
                                                                 effect->m_rows = rows;
                                                                 effect->m_cols = columns;
                                                                 effect->m_fade = 40;
                                                                 effect->m_number = number;
                                                                 effect->m_size = size;
                                                                 effect->m_hasFade = false;
                                                                 effect->m_colors = QList<CRgbwColor>(colors);
                                                                 return effect;
                                                                 }
                                                                 
                                                                 } // namespace
                                                                 
                                                                 class MatrixEffectTest : public QObject
                                                                 {
                                                                 Q_OBJECT
                                                                 
                                                                 private slots:
                                                                 void cleanup() { CEffectRandom::UnpinSeed(); }
                                                                 
                                                                 // ---- Shared arithmetic ----
                                                                 
                                                                 void divisorKeepsLargeSizesToABoundedFrameCount()
                                                                 {
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 2), 1);
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 20), 1);   // q = 64, not below F
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 21), 1);   // q = 60: 64 / 60
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 100), 5);  // q = 12
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 1000), 64); // q = 1
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 640), 32); // q = 2
                                                                 QCOMPARE(CMatrixPattern::Divisor(64, 400), 21); // q = 3
                                                                 QCOMPARE(CMatrixPattern::Divisor(1, 5), 1);
                                                                 }
                                                                 
                                                                 void blendTruncatesAndStaysInsideAByte()
                                                                 {
                                                                 QCOMPARE(CMatrixPattern::BlendColors(0.5f, kRed, CRgbwColor()), CRgbwColor(127, 0, 0, 0));
                                                                 QCOMPARE(CMatrixPattern::BlendColors(0.25f, CRgbwColor(200, 100, 0, 40), CRgbwColor(0, 100, 200, 0)),
                                                                 CRgbwColor(50, 100, 150, 10));
                                                                 QCOMPARE(CMatrixPattern::BlendColors(1.0f, kDarkRed, kDimBlue), kDarkRed);
                                                                 // A weight outside 0..1 never wraps a byte.
                                                                 QCOMPARE(CMatrixPattern::BlendColors(2.0f, kDarkRed, kDimBlue), CRgbwColor(255, 0, 0, 0));
                                                                 QCOMPARE(CMatrixPattern::BlendColors(-1.0f, kDarkRed, kDimBlue), CRgbwColor(0, 0, 200, 0));
                                                                 }
                                                                 
                                                                 // ---- Pattern kinds, frames worked out from the formulas ----
                                                                 
                                                                 void waveOnTwoByTwo()
                                                                 {
                                                                 CMatrixPattern pattern;
                                                                 // n = 2; frame 0 is f = 1 (offset 1): column 0 v = 1 -> colour 1, column 1 v = 2 -> colour 0.
                                                                 QCOMPARE(pattern.BuildWave(Params(2, 2, 2, 1, {kRed, kBlue})), 2);
                                                                 COMPARE_FRAME(FrameOf(pattern, 0), kBlue, kRed, kBlue, kRed);
                                                                 COMPARE_FRAME(FrameOf(pattern, 1), kRed, kBlue, kRed, kBlue);
                                                                 
                                                                 CPatternParams reverse = Params(2, 2, 2, 1, {kRed, kBlue});
        reverse.reverse = true;
        pattern.BuildWave(reverse);
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kBlue, kRed, kBlue);

        CPatternParams vertical = Params(2, 2, 2, 1, {kRed, kBlue});
        vertical.vertical = true;
        pattern.BuildWave(vertical);
        COMPARE_FRAME(FrameOf(pattern, 0), kBlue, kBlue, kRed, kRed);
    }

    void waveFadesBetweenNeighbouringColours()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(2, 2, 2, 2, {kRed, kBlue});
        params.fade = true;
        // n = 4. Frame 0 = f 3: column 0 v = 1.5 -> half blue, half red; column 1 v = 2 -> red.
        QCOMPARE(pattern.BuildWave(params), 4);
        const CRgbwColor half(127, 0, 127, 0);
        COMPARE_FRAME(FrameOf(pattern, 0), half, kRed, half, kRed);
        // Frame 1 = f 2: column 0 v = 1 -> blue; column 1 v = 1.5 -> half.
        COMPARE_FRAME(FrameOf(pattern, 1), kBlue, half, kBlue, half);
    }

    void circleOnThreeByThree()
    {
        CMatrixPattern pattern;
        // Centre distance 0, edges 1, corners sqrt 2; n = 4, frame s is f = 3 - s.
        QCOMPARE(pattern.BuildCircle(Params(3, 3, 2, 2, {kDarkRed, kDimBlue})), 4);
        const CRgbwColor o = kDarkRed;
        const CRgbwColor x = kDimBlue;
        COMPARE_FRAME(FrameOf(pattern, 0), o, o, o, o, x, o, o, o, o); // v 1.5 / 2 / 2.2
        COMPARE_FRAME(FrameOf(pattern, 1), x, x, x, x, x, x, x, x, x); // v 1 / 1.5 / 1.7
        COMPARE_FRAME(FrameOf(pattern, 2), x, x, x, x, o, x, x, x, x); // v 0.5 / 1 / 1.2
        COMPARE_FRAME(FrameOf(pattern, 3), o, o, o, o, o, o, o, o, o); // v 0 / 0.5 / 0.7
    }

    void circleFadeBlendsByTheRingFraction()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(3, 3, 2, 2, {kDarkRed, kDimBlue});
        params.fade = true;
        pattern.BuildCircle(params);
        // Frame 0, offset 3: centre v 1.5 -> 0.5 of blue with red; edge v 2 -> red;
        // corner v 2.2071 -> 0.7929 red + 0.2071 blue = (158, 0, 20).
        const CRgbwColor centre(100, 0, 50, 0);
        const CRgbwColor corner(158, 0, 20, 0);
        COMPARE_FRAME(FrameOf(pattern, 0), corner, kDarkRed, corner, kDarkRed, centre, kDarkRed, corner, kDarkRed,
                      corner);
        // Frame 1, offset 2: centre v 1 -> blue; edge v 1.5 -> (100, 0, 50);
        // corner v 1.7071 -> 0.2929 blue + 0.7071 red = (141, 0, 29).
        const CRgbwColor corner1(141, 0, 29, 0);
        COMPARE_FRAME(FrameOf(pattern, 1), corner1, centre, corner1, centre, kDimBlue, centre, corner1, centre,
                      corner1);
    }

    void circleWithReverseFlagPlaysTheOtherWay()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(3, 3, 2, 2, {kDarkRed, kDimBlue});
        params.reverse = true;
        pattern.BuildCircle(params);
        const CRgbwColor o = kDarkRed;
        const CRgbwColor x = kDimBlue;
        COMPARE_FRAME(FrameOf(pattern, 0), o, o, o, o, o, o, o, o, o);
        COMPARE_FRAME(FrameOf(pattern, 3), o, o, o, o, x, o, o, o, o);
    }

    void comeBackDoublesTheFrames()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(3, 3, 4, 4, {kRed, kBlue, kDarkRed, kDimBlue});
        params.fade = true;
        params.comeBack = true;
        QCOMPARE(pattern.BuildCircle(params), 32);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(FrameOf(pattern, 16 + k), FrameOf(pattern, 15 - k));
        QVERIFY(FrameOf(pattern, 0) != FrameOf(pattern, 8));

        QCOMPARE(pattern.BuildButterfly(params, 0.5f), 40);
        QCOMPARE(FrameOf(pattern, 39), FrameOf(pattern, 0));
    }

    void squareOnFourByFour()
    {
        CMatrixPattern pattern;
        // Quarter v = c + r: 0 1 / 1 2 (mod 2), mirrored right and down.
        QCOMPARE(pattern.BuildSquare(Params(4, 4, 2, 1, {kRed, kBlue})), 2);
        const CRgbwColor o = kRed;
        const CRgbwColor x = kBlue;
        COMPARE_FRAME(FrameOf(pattern, 0), o, x, x, o, x, o, o, x, x, o, o, x, o, x, x, o);
    }

    void squareOddSizeCopiesTheMiddleRowAndColumn()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(5, 5, 3, 2, {kRed, kBlue, kDarkRed});
        params.fade = true;
        QCOMPARE(pattern.BuildSquare(params), 6);
        for (int frame = 0; frame < 6; ++frame) {
            for (int i = 0; i < 5; ++i) {
                QCOMPARE(pattern.At(frame, 5 * 2 + i), pattern.At(frame, 5 * 1 + i)); // middle row
                QCOMPARE(pattern.At(frame, 5 * i + 2), pattern.At(frame, 5 * i + 1)); // middle column
            }
        }
    }

    void squareOnOneRowOrOneColumnIsNotBlack()
    {
        CMatrixPattern pattern;
        // One row: the row is its own quarter, v = c + offset, mirrored.
        QCOMPARE(pattern.BuildSquare(Params(1, 4, 2, 1, {kRed, kBlue})), 2);
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kBlue, kBlue, kRed);
        COMPARE_FRAME(FrameOf(pattern, 1), kBlue, kRed, kRed, kBlue);
        // One column: v = r + offset.
        pattern.BuildSquare(Params(4, 1, 2, 1, {kRed, kBlue}));
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kBlue, kBlue, kRed);
        // Odd single row and column, and a single pixel: nothing outside the grid is read.
        pattern.BuildSquare(Params(1, 3, 2, 1, {kRed, kBlue}));
        COMPARE_FRAME(FrameOf(pattern, 1), kBlue, kBlue, kBlue);
        pattern.BuildSquare(Params(3, 1, 2, 1, {kRed, kBlue}));
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kRed, kRed);
        pattern.BuildSquare(Params(1, 1, 2, 1, {kRed, kBlue}));
        COMPARE_FRAME(FrameOf(pattern, 1), kBlue);
    }

    void linesEnterFromTheEdgesOneEverySizeFrames()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(6, 6, 2, 3, {kRed, kBlue, kDarkRed});
        params.reverse = true; // frame index = f
        // n = 2 x 3 + 6 / 2 = 9.
        QCOMPARE(pattern.BuildLines(params), 9);
        const CRgbwColor o = kRed;
        const CRgbwColor v = kBlue;    // column lines
        const CRgbwColor h = kDarkRed; // row lines, drawn over the column lines
        const QVector<CRgbwColor> empty(36, o);
        // Line 1 (number - 1) enters at frame size = 3, line 0 at size x number = 6.
        QCOMPARE(FrameOf(pattern, 2), empty);
        const QVector<CRgbwColor> border = ExpectedFrame({h, h, h, h, h, h, //
                                                          v, o, o, o, o, v, //
                                                          v, o, o, o, o, v, //
                                                          v, o, o, o, o, v, //
                                                          v, o, o, o, o, v, //
                                                          h, h, h, h, h, h});
        QCOMPARE(FrameOf(pattern, 3), border);
        QCOMPARE(FrameOf(pattern, 6), border);
        const QVector<CRgbwColor> centre = ExpectedFrame({o, o, v, v, o, o, //
                                                          o, o, v, v, o, o, //
                                                          h, h, h, h, h, h, //
                                                          h, h, h, h, h, h, //
                                                          o, o, v, v, o, o, //
                                                          o, o, v, v, o, o});
        QCOMPARE(FrameOf(pattern, 5), centre);
        QCOMPARE(FrameOf(pattern, 8), centre);

        params.reverse = false;
        pattern.BuildLines(params);
        QCOMPARE(FrameOf(pattern, 0), centre); // f = 8 plays first
        QCOMPARE(FrameOf(pattern, 5), border); // f = 3
    }

    void rainbowRunsAlongThePixelNumbers()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(2, 3, 3, 2, {kRed, kBlue, kDarkRed});
        params.reverse = true;
        QCOMPARE(pattern.BuildRainbow(params), 6);
        // Frame 0: v = i / 2.
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kRed, kBlue, kBlue, kDarkRed, kDarkRed);
        // Vertical: pixel number i runs down the columns.
        params.vertical = true;
        pattern.BuildRainbow(params);
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, kBlue, kDarkRed, kRed, kBlue, kDarkRed);
        // At least two frames.
        QCOMPARE(pattern.BuildRainbow(Params(2, 2, 1, 1, {kRed})), 2);
    }

    void pulseWaveFadesEachColourInFromColourZero()
    {
        CMatrixPattern pattern;
        const CRgbwColor black;
        const CRgbwColor yellow(255, 255, 0, 0);
        CPatternParams params = Params(1, 5, 2, 1, {black, yellow});
        params.reverse = true;
        // n = 2 x 2 x 1; v = c: k = 0, 1, 2, 3, 0 -> 0, 0, colour 1, 0, 0.
        QCOMPARE(pattern.BuildPulseWave(params), 4);
        COMPARE_FRAME(FrameOf(pattern, 0), black, black, yellow, black, black);

        params.size = 2;
        params.fade = true;
        // v = c / 2: 0, 0.5, 1 (odd k, start of the fade-in), 1.5 (half), 2 (colour 1).
        QCOMPARE(pattern.BuildPulseWave(params), 8);
        COMPARE_FRAME(FrameOf(pattern, 0), black, black, black, CRgbwColor(127, 127, 0, 0), yellow);
    }

    void butterflyTurnsAWedgeAroundTheCentre()
    {
        CMatrixPattern pattern;
        const float halfAngle = 3.14159265f / 6.0f; // size 1 on a 3 x 3 matrix
        const CRgbwColor o = kRed;
        const CRgbwColor x = kBlue;
        QCOMPARE(pattern.BuildButterfly(Params(3, 3, 2, 1, {o, x}), halfAngle), 20);
        // Frame 0: the wedge stands upright through the middle column.
        COMPARE_FRAME(FrameOf(pattern, 0), o, x, o, o, x, o, o, x, o);
        // Frame 10: a quarter turn, the middle row.
        COMPARE_FRAME(FrameOf(pattern, 10), o, o, o, x, x, x, o, o, o);
        // Frame 5: an eighth of a turn; the diagonal pixels lie exactly on the axis,
        // where the cosine may round past 1.
        QCOMPARE(pattern.At(5, 2), x);
        QCOMPARE(pattern.At(5, 6), x);

        CPatternParams fade = Params(3, 3, 2, 1, {o, x});
        fade.fade = true;
        pattern.BuildButterfly(fade, halfAngle);
        // On the axis the weight is 0 (colour 1); the centre is half and half.
        QCOMPARE(pattern.At(0, 1), x);
        QCOMPARE(pattern.At(0, 4), CRgbwColor(127, 0, 127, 0));

        CPatternParams reverse = Params(3, 3, 2, 1, {o, x});
        reverse.reverse = true;
        pattern.BuildButterfly(reverse, halfAngle);
        COMPARE_FRAME(FrameOf(pattern, 19), o, x, o, o, x, o, o, x, o);
    }

    void butterflyOnLargeMatricesNeverLosesTheAxis()
    {
        // Every pixel on the wedge's axis is inside the wedge, whatever the rounding.
        CMatrixPattern pattern;
        const CRgbwColor o = kRed;
        const CRgbwColor x = kBlue;
        QCOMPARE(pattern.BuildButterfly(Params(41, 41, 2, 1, {o, x}), 0.01f), 20);
        for (int i = 0; i < 41; ++i) {
            QCOMPARE(pattern.At(0, 41 * i + 20), x);  // vertical axis, frame 0
            QCOMPARE(pattern.At(10, 41 * 20 + i), x); // horizontal axis, frame 10
            QCOMPARE(pattern.At(5, 41 * i + (40 - i)), x); // rising diagonal, frame 5
        }
        // Here the unit vector's dot product with the axis rounds to 1.00000012
        // in single precision; both pixels lie on the axis.
        QCOMPARE(pattern.BuildButterfly(Params(56, 109, 2, 1, {o, x}), 0.01f), 20);
        QCOMPARE(pattern.At(7, 108), x);
        QCOMPARE(pattern.At(7, 109 * 55), x);
    }

    // ---- Rain ----

    void rainOnOneRowStaysInRowZero()
    {
        CEffectRandom::PinSeed(1234);
        CMatrixPattern pattern;
        const CRgbwColor black;
        const CRgbwColor head(200, 100, 0, 0);
        // Along the row: entry edge = column 0 of the only row; n = 2 + 6 x 8 = 50.
        QCOMPARE(pattern.BuildRain(Params(1, 8, 1, 2, {black, head})), 50);
        COMPARE_FRAME(FrameOf(pattern, 0), head, black, black, black, black, black, black, black);
        COMPARE_FRAME(FrameOf(pattern, 3), head, head, head, head, black, black, black, black);
        // Drops stop at n - rows - size = 47: the entry pixel becomes the trail, then colour 0.
        const CRgbwColor trail(100, 50, 0, 0);
        COMPARE_FRAME(FrameOf(pattern, 47), trail, head, head, head, head, head, head, head);
        COMPARE_FRAME(FrameOf(pattern, 48), black, trail, head, head, head, head, head, head);
        COMPARE_FRAME(FrameOf(pattern, 49), black, black, trail, head, head, head, head, head);
    }

    void rainAcrossOneRowPlacesDropsOnTheRowOnly()
    {
        CEffectRandom::PinSeed(99);
        CMatrixPattern pattern;
        const CRgbwColor black;
        const CRgbwColor head(0, 255, 0, 0);
        CPatternParams params = Params(1, 8, 2, 2, {black, head});
        params.vertical = true;
        // Falling down the single row: n = 2 + 6 x 1 = 8, drops allowed below 8 - 1 - 2 = 5.
        QCOMPARE(pattern.BuildRain(params), 8);
        QCOMPARE(pattern.PixelCount(), 8);
        int heads = 0;
        for (int i = 0; i < 8; ++i)
            heads += pattern.At(0, i) == head ? 1 : 0;
        QVERIFY(heads >= 1 && heads <= 2);
        const CRgbwColor trail(0, 127, 0, 0);
        for (int f = 0; f < 8; ++f)
            for (int i = 0; i < 8; ++i) {
                const CRgbwColor c = pattern.At(f, i);
                QVERIFY2(c == black || c == head || c == trail, qPrintable(QStringLiteral("frame %1").arg(f)));
            }
        // Without new drops a head becomes the trail, then colour 0.
        for (int i = 0; i < 8; ++i) {
            if (pattern.At(4, i) == head)
                QCOMPARE(pattern.At(5, i), trail);
            QCOMPARE(pattern.At(7, i), black);
        }
    }

    void rainMovesOnePixelPerFrameAndRepeatsWithThePinnedSeed()
    {
        CEffectRandom::PinSeed(7);
        CMatrixPattern pattern;
        CPatternParams params = Params(4, 5, 20, 3, {CRgbwColor(), CRgbwColor(0, 0, 240, 0)});
        params.vertical = true;
        params.reverse = true; // enters at the last row, moves up
        const int frames = pattern.BuildRain(params);
        QCOMPARE(frames, 3 + 6 * 4);
        for (int f = 1; f < frames; ++f)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 5; ++c)
                    QCOMPARE(pattern.At(f, 5 * r + c), pattern.At(f - 1, 5 * (r + 1) + c));
        QVector<CRgbwColor> first;
        for (int f = 0; f < frames; ++f)
            first += FrameOf(pattern, f);
        pattern.BuildRain(params);
        QVector<CRgbwColor> second;
        for (int f = 0; f < frames; ++f)
            second += FrameOf(pattern, f);
        QCOMPARE(second, first);
    }

    // ---- Bad parameters ----

    void sizeOrNumberBelowOneMakesNoFrames()
    {
        CMatrixPattern pattern;
        QCOMPARE(pattern.BuildCircle(Params(3, 3, 0, 2, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildSquare(Params(3, 3, 2, 0, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildWave(Params(3, 3, -1, 2, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildRain(Params(3, 3, 1, -5, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildLines(Params(0, 3, 1, 1, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildRainbow(Params(3, -2, 1, 1, {kRed, kBlue})), 0);
        QCOMPARE(pattern.FrameCount(), 0);
        QCOMPARE(pattern.FrameData(0), nullptr);
    }

    void numberAboveTheColourCountUsesTheDefaultColours()
    {
        CMatrixPattern pattern;
        CPatternParams params = Params(1, 4, 4, 1, {kRed});
        params.reverse = true;
        pattern.BuildWave(params);
        // v = c: colours 0..3 of the list padded with the default colours.
        COMPARE_FRAME(FrameOf(pattern, 0), kRed, CDefaultEffectColors[1], CDefaultEffectColors[2],
                      CDefaultEffectColors[3]);
        // Lines need three colours; an empty list still draws.
        params = Params(2, 2, 1, 1, {});
        QVERIFY(pattern.BuildLines(params) > 0);
    }

    void hugeParametersAreRefusedBeforeAllocating()
    {
        CMatrixPattern pattern;
        QCOMPARE(pattern.BuildCircle(Params(2, 2, INT_MAX, INT_MAX, {kRed})), 0);
        QCOMPARE(pattern.BuildLines(Params(2, 2, INT_MAX, INT_MAX, {kRed})), 0);
        QCOMPARE(pattern.BuildPulseWave(Params(2, 2, INT_MAX, 3, {kRed})), 0);
        QCOMPARE(pattern.BuildRain(Params(2, 2, INT_MAX, INT_MAX, {kRed, kBlue})), 0);
        QCOMPARE(pattern.BuildWave(Params(INT_MAX, INT_MAX, 1, 1, {kRed})), 0);
        CPatternParams comeBack = Params(2048, 2048, 1, 1, {kRed});
        comeBack.comeBack = true; // 2 frames of 4M pixels: over the budget doubled
        QCOMPARE(pattern.BuildButterfly(comeBack, 1.0f), 0);
        // Within the budget a large size still works, its trail bounded by the frames.
        CPatternParams rain = Params(2, 2, 1, 1000000, {CRgbwColor(), kRed});
        rain.divisor = CMatrixPattern::Divisor(4, 1000000);
        QCOMPARE(rain.divisor, 4);
        QCOMPARE(pattern.BuildRain(rain), (1000000 + 12) / 4);
    }

    // ---- The engine's matrix animation builder ----

    void engineWritesFramesToRecordsInPixelOrder()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Wave, 2, 2, 2, 1, {kRed, kBlue});
        engine.SetEffect(effect);
        QCOMPARE(engine.m_colorRecords.size(), 4);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 2);
        QCOMPARE(effect->m_len, 80);
        COMPARE_FRAME(OutputStep(engine, 0), kBlue, kRed, kBlue, kRed);
        COMPARE_FRAME(OutputStep(engine, 1), kRed, kBlue, kRed, kBlue);
        QCOMPARE(RawColor(engine, 0, 0), kBlue);
    }

    void engineAppliesIntensityAfterTheFrames()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Wave, 2, 2, 2, 1, {kRed, kBlue});
        effect->m_intensity = 50;
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(RawColor(engine, 0, 0), kBlue);
        QCOMPARE(OutputColor(engine, 0, 0), CRgbwColor(0, 0, 127, 0));
        QCOMPARE(OutputColor(engine, 1, 0), CRgbwColor(127, 0, 0, 0));
    }

    void engineComeBackDoublesStepsAndLength()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Circle, 3, 3, 4, 4, {kRed, kBlue, kDarkRed, kDimBlue});
        effect->m_hasFade = true;
        effect->m_comeBack = true;
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 32);
        QCOMPARE(effect->m_len, 32 * 40);
        QCOMPARE(OutputStep(engine, 16), OutputStep(engine, 15));
        QCOMPARE(OutputStep(engine, 31), OutputStep(engine, 0));
    }

    void engineUsesTheDivisorForLargeSizes()
    {
        CEffectEngine engine;
        // 8 x 8 = 64 records, size 100: divisor 5, n = 2 x 100 / 5 = 40.
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Wave, 8, 8, 2, 100, {kRed, kBlue});
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 40);
        QCOMPARE(effect->m_len, 1600);
    }

    void engineRainPassesDropsPerFrame()
    {
        CEffectRandom::PinSeed(5);
        CEffectEngine engine;
        // 20 rows, number 3 along the rows: 3 x 20 / 20 = 3 drops per frame.
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Rain, 20, 2, 3, 1, {CRgbwColor(), kRed});
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 1 + 6 * 2);
        int heads = 0;
        for (int r = 0; r < 20; ++r)
            heads += OutputColor(engine, 2 * r, 0) == kRed ? 1 : 0;
        QVERIFY(heads >= 1 && heads <= 3);
        for (int r = 0; r < 20; ++r)
            QCOMPARE(OutputColor(engine, 2 * r + 1, 0), CRgbwColor());
    }

    void engineBadParametersGiveLengthZeroAndKeepTheSteps()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Wave, 2, 2, 2, 1, {kRed, kBlue});
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 2);

        effect->m_size = 0;
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 0);
        QVERIFY(!engine.TooLarge()); // a bad size is no budget matter
        QCOMPARE(engine.m_stepCount, 2);
        COMPARE_FRAME(OutputStep(engine, 0), kBlue, kRed, kBlue, kRed);

        effect->m_size = 1;
        effect->m_number = -3;
        effect->m_len = 999;
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 0);

        // Over the budget of steps x records.
        effect->m_number = 1024;
        effect->m_size = 10000;
        effect->m_matrixType = CMatrixAnimEffect::Lines;
        effect->m_len = 999;
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 0);
        QCOMPARE(engine.m_stepCount, 2);
        QVERIFY(engine.TooLarge());

        // An unknown kind changes nothing at all.
        effect->m_number = 2;
        effect->m_size = 1;
        effect->m_matrixType = 8;
        effect->m_len = 999;
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 999);
        QVERIFY(!engine.TooLarge());
        QCOMPARE(engine.m_stepCount, 2);
    }

    void engineStepTimeNeverOverflowsTheLength()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Butterfly, 2, 2, 2, 1, {kRed, kBlue});
        effect->m_fade = INT_MAX;
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 20);
        QCOMPARE(effect->m_len, INT_MAX);
        effect->m_fade = -40;
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 0);
    }

    void engineSquareOnOneRowLightsEveryPixel()
    {
        CEffectEngine engine;
        CMatrixAnimEffect* effect = NewAnim(CMatrixAnimEffect::Square, 1, 3, 2, 1, {kRed, kBlue});
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_colorRecords.size(), 3);
        QCOMPARE(engine.m_stepCount, 2);
        COMPARE_FRAME(OutputStep(engine, 0), kRed, kRed, kRed);
        COMPARE_FRAME(OutputStep(engine, 1), kBlue, kBlue, kBlue);
    }
};

ORVANE_TEST(MatrixEffectTest)
#include "MatrixEffectTest.moc"
