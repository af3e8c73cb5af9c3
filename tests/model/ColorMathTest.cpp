#include "TestRegistry.h"

#include "model/ColorMath.h"

#include <QtTest>
#include <cmath>

class ColorMathTest : public QObject
{
    Q_OBJECT

private slots:
    void anglesAndDistances()
    {
        QCOMPARE(GetAngle(QPoint(5, 5), QPoint(5, 5)), 0.0);
        QCOMPARE(GetAngle(QPoint(10, 0), QPoint(0, 0)), 0.0);
        QCOMPARE(GetAngle(QPoint(0, 0), QPoint(0, 10)), M_PI / 2);
        QCOMPARE(GetAngle(QPoint(-10, 0), QPoint(0, 0)), M_PI);

        QCOMPARE(GetDistance(QPoint(0, 0), QPoint(3, 4)), 5);
        QCOMPARE(GetDistance(QPoint(0, 0), QPoint(1, 1)), 1);
        QCOMPARE(GetDistance(QPoint(-3, -4), QPoint(0, 0)), 5);
    }

    void pointsOnACircle()
    {
        QCOMPARE(GetPointOnCircle(37.0, 100.0, 0, QPoint(12, 34)), QPoint(12, 34));
        QCOMPARE(GetPointOnCircle(90.0, 100.0, 255, QPoint(100, 100)), QPoint(100, 0));
        QCOMPARE(GetPointOnCircle(180.0, 100.0, 255, QPoint(100, 100)), QPoint(0, 100));
        // Half level, half distance; the coordinates truncate toward the centre.
        QCOMPARE(GetPointOnCircle(0.0, 100.0, 128, QPoint(0, 0)), QPoint(50, 0));
        QCOMPARE(GetPointOnCircle(45.0, 10.0, 255, QPoint(0, 0)), QPoint(7, -7));
    }

    void rgbToHsvOfKnownColours()
    {
        struct Case { int r, g, b, h, s, v; };
        const Case cases[] = {
            {255, 0, 0, 0, 255, 255},    {0, 0, 255, 240, 255, 255},   {128, 128, 128, 0, 0, 128},
            {0, 255, 0, 120, 255, 255},  {255, 255, 0, 60, 255, 255},  {255, 0, 255, 300, 255, 255},
            {255, 0, 128, 329, 255, 255}, {0, 0, 0, 0, 0, 0},          {255, 128, 128, 0, 127, 255},
        };
        for (const Case& c : cases) {
            int h = -1, s = -1, v = -1;
            RgbToHsv(c.r, c.g, c.b, h, s, v);
            QVERIFY2(h == c.h && s == c.s && v == c.v,
                     qPrintable(QStringLiteral("rgb %1,%2,%3 gave %4,%5,%6")
                                    .arg(c.r).arg(c.g).arg(c.b).arg(h).arg(s).arg(v)));
        }
    }

    void hsvToRgbOfKnownColours()
    {
        int r, g, b;
        HsvToRgb(0, 0, 77, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(77, 77, 77));
        HsvToRgb(120, 255, 255, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(0, 255, 0));
        HsvToRgb(240, 255, 255, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(0, 0, 255));
        // The magenta-to-red sector divides in floating point: blue falls
        // from 255 at 300 degrees to 0 at 360.
        HsvToRgb(330, 255, 255, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(255, 0, 127));
        HsvToRgb(359, 255, 255, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(255, 0, 4));
        HsvToRgb(301, 255, 255, r, g, b);
        QCOMPARE(QColor(r, g, b), QColor(255, 0, 250));
    }

    void everyHueSurvivesTheRoundTrip()
    {
        for (int hue = 0; hue < 360; ++hue) {
            for (int value : {255, 200, 64}) {
                int r, g, b;
                HsvToRgb(hue, 255, value, r, g, b);
                QVERIFY(r >= 0 && r <= 255 && g >= 0 && g <= 255 && b >= 0 && b <= 255);
                int h, s, v;
                RgbToHsv(r, g, b, h, s, v);
                QCOMPARE(v, value);
                QCOMPARE(s, 255);
                // Levels are whole bytes: a dark colour can only keep its hue
                // to within the width of one level.
                const int tolerance = 60 / value + 1;
                const int diff = std::abs(h - hue);
                QVERIFY2(std::min(diff, 360 - diff) <= tolerance,
                         qPrintable(QStringLiteral("hue %1 value %2 came back as %3").arg(hue).arg(value).arg(h)));
            }
        }
    }

    void everyColourOfTheWheelIsStable()
    {
        // Colours that came out of the wheel give the same colour again, but
        // for the degree of hue that the truncation may lose (C / 60 levels).
        for (int hue = 0; hue < 360; ++hue) {
            int r, g, b, h, s, v, r2, g2, b2;
            HsvToRgb(hue, 180, 230, r, g, b);
            RgbToHsv(r, g, b, h, s, v);
            HsvToRgb(h, s, v, r2, g2, b2);
            QVERIFY2(std::abs(r - r2) <= 3 && std::abs(g - g2) <= 3 && std::abs(b - b2) <= 3,
                     qPrintable(QStringLiteral("hue %1").arg(hue)));
        }
    }

    void whiteLevels()
    {
        for (int mode : {0, 1, 2, 3}) {
            QCOMPARE(GetWhiteLevel(255, 255, 255, mode), 255);
            QCOMPARE(GetWhiteLevel(255, 0, 0, mode), 0);
            QCOMPARE(GetWhiteLevel(0, 0, 0, mode), 0);
        }
        // Grey 128: w just above 0.5.
        QCOMPARE(GetWhiteLevel(128, 128, 128, 0), 128);
        QCOMPARE(GetWhiteLevel(128, 128, 128, 2), 1);
        QCOMPARE(GetWhiteLevel(127, 127, 127, 2), 0);
        QCOMPARE(GetWhiteLevel(128, 128, 128, 3), int(std::exp(6.0 * double(128.0f * 255 / 65025.0f) - 6.0) * 255));
        // Below half whiteness mode 2 gives nothing; just above it, a little.
        QCOMPARE(GetWhiteLevel(255, 140, 140, 2), 25);
        QCOMPARE(GetWhiteLevel(255, 100, 100, 2), 0);
    }

    void mixColors_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QColor>("mixed");
        QTest::newRow("dimmer half") << QColor(255, 128, 0) << QColor(128, 128, 128) << 0 << QColor(128, 1, 0);
        QTest::newRow("dimmer full") << QColor(10, 20, 30) << QColor(Qt::white) << 0 << QColor(10, 20, 30);
        QTest::newRow("dimmer off") << QColor(10, 20, 30) << QColor(Qt::black) << 0 << QColor(Qt::black);
        QTest::newRow("add under") << QColor(200, 100, 0) << QColor(Qt::black) << 1 << QColor(225, 112, 0);
        QTest::newRow("add over") << QColor(255, 100, 0) << QColor(100, 100, 0) << 1 << QColor(255, 118, 0);
        QTest::newRow("add all over") << QColor(255, 255, 0) << QColor(0, 0, 255) << 2 << QColor(Qt::white);
    }

    void mixColors()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(int, mode);
        QTEST(MixColors(a, b, mode), "mixed");
        QTEST(MixColors(b, a, mode), "mixed");
    }

    void storedColourIntegers()
    {
        QCOMPARE(ColorToInt(QColor(1, 2, 3)), 197121);
        QCOMPARE(ColorToInt(QColor(255, 255, 255)), 0xFFFFFF);
        QCOMPARE(IntToColor(197121), QColor(1, 2, 3));
        QCOMPARE(IntToColor(0x00FF00).alpha(), 255);
        // Bits above blue are not a colour.
        QCOMPARE(IntToColor(0x7F000080), QColor(0x80, 0, 0));
    }
};

ORVANE_TEST(ColorMathTest)
#include "ColorMathTest.moc"
