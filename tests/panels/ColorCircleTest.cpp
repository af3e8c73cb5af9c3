#include "TestRegistry.h"

#include "Fetched.h"
#include "FixedCtrlRig.h"
#include "model/ColorMath.h"
#include "panels/ColorCircleCtrl.h"
#include "widgets/ProSlider.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {

// At 200 x 180 the wheel is centred on (85, 90) with radius 80 and the value
// bar runs from (174, 49) to (193, 168).
struct CWheel
{
    CWheel(bool cmy = false, bool white = false, int autoWhite = 0)
        : red(QStringLiteral("R"), false), green(QStringLiteral("G"), false), blue(QStringLiteral("B"), false),
          whiteFader(QStringLiteral("W"), false), wheel(cmy, white, autoWhite, &red, &green, &blue, &whiteFader)
    {
        ShowAt(wheel, QSize(200, 180));
    }
    QList<int> Color() const
    {
        quint8 c[4];
        wheel.GetColor(c);
        return {c[0], c[1], c[2], c[3]};
    }
    void Set(int r, int g, int b, int w = 0, bool quiet = true)
    {
        const quint8 c[4] = {quint8(r), quint8(g), quint8(b), quint8(w)};
        wheel.SetColor(c, quiet);
    }
    CProSlider red, green, blue, whiteFader;
    CColorCircleCtrl wheel;
};

int Hue(const QColor& color)
{
    int h = 0, s = 0, v = 0;
    RgbToHsv(color.red(), color.green(), color.blue(), h, s, v);
    return h;
}

} // namespace

class ColorCircleTest : public QObject
{
    Q_OBJECT

private slots:
    void geometry()
    {
        CWheel w;
        QCOMPARE(w.wheel.Centre(), QPoint(85, 90));
        QCOMPARE(w.wheel.BarRect(), QRect(QPoint(174, 49), QPoint(193, 168)));
        w.wheel.SetSmall(true);
        QCOMPARE(w.wheel.Radius(), 50);
        QCOMPARE(w.wheel.minimumSize(), QSize(140, 120));
    }

    void pick_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<int>("hue");
        QTest::addColumn<int>("saturation");
        QTest::addColumn<int>("value");
        QTest::addColumn<QList<int>>("rgb");
        QTest::newRow("centre is white") << QPoint(85, 90) << 0 << 0 << 255 << QList<int>{255, 255, 255};
        QTest::newRow("right rim is red") << QPoint(165, 90) << 0 << 255 << 255 << QList<int>{255, 0, 0};
        QTest::newRow("left rim is cyan") << QPoint(5, 90) << 180 << 255 << 255 << QList<int>{0, 255, 255};
        QTest::newRow("halfway up") << QPoint(85, 50) << 90 << 127 << 255 << QList<int>{};
        QTest::newRow("bar top row") << QPoint(180, 49) << 0 << 0 << 255 << QList<int>{255, 255, 255};
        QTest::newRow("bar bottom row") << QPoint(180, 168) << 0 << 0 << 0 << QList<int>{0, 0, 0};
    }
    void pick()
    {
        QFETCH(QPoint, press);
        CWheel w;
        w.Set(0, 0, 0);
        QSignalSpy spy(&w.wheel, &CColorCircleCtrl::circleColorChanged);
        QTest::mousePress(&w.wheel, Qt::LeftButton, {}, press);
        QCOMPARE(w.wheel.Hue(), FETCHED(int, hue) % 360);
        QCOMPARE(w.wheel.Saturation(), FETCHED(int, saturation));
        QCOMPARE(w.wheel.Value(), FETCHED(int, value));
        const QList<int> rgb = FETCHED(QList<int>, rgb);
        if (!rgb.isEmpty())
            QCOMPARE(w.Color().mid(0, 3), rgb);
        QCOMPARE(spy.count(), 1);
    }

    void pressOutsideWheelPicksNothing_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::newRow("outside the rectangle") << QPoint(198, 175);
        QTest::newRow("beyond the rim") << QPoint(170, 15);
    }
    void pressOutsideWheelPicksNothing()
    {
        QFETCH(QPoint, press);
        CWheel w;
        QTest::mousePress(&w.wheel, Qt::LeftButton, {}, QPoint(165, 90));
        QTest::mouseRelease(&w.wheel, Qt::LeftButton, {}, QPoint(165, 90));
        QSignalSpy spy(&w.wheel, &CColorCircleCtrl::circleColorChanged);
        QTest::mousePress(&w.wheel, Qt::LeftButton, {}, press);
        MoveMouse(&w.wheel, QPoint(85, 20));
        QCOMPARE(w.Color().mid(0, 3), (QList<int>{255, 0, 0}));
        QCOMPARE(spy.count(), 0);
    }

    void dragBeyondRimKeepsHue()
    {
        CWheel w;
        QTest::mousePress(&w.wheel, Qt::LeftButton, {}, QPoint(125, 90));
        MoveMouse(&w.wheel, QPoint(194, 90));
        QCOMPARE(w.wheel.Hue(), 0);
        QCOMPARE(w.wheel.Saturation(), 255);
    }

    void greyCentresCursorAndLockDisables()
    {
        CWheel w;
        w.Set(128, 128, 128);
        QCOMPARE(w.wheel.CursorPoint(), w.wheel.Centre());
        w.Set(255, 0, 0);
        QVERIFY(w.wheel.CursorPoint() != w.wheel.Centre());
        w.wheel.LockGreen(true);
        QVERIFY(!w.wheel.isEnabled());
        QCOMPARE(w.wheel.CursorPoint(), w.wheel.Centre());
        w.wheel.LockGreen(false);
        QVERIFY(w.wheel.isEnabled());
    }

    void fadersFollow_data()
    {
        QTest::addColumn<bool>("cmy");
        QTest::addColumn<int>("lock");
        QTest::addColumn<QList<int>>("faders");
        QTest::newRow("rgb") << false << -1 << QList<int>{255, 40, 0};
        QTest::newRow("cmy inverts") << true << -1 << QList<int>{0, 215, 255};
        QTest::newRow("locked green reads 0") << true << 1 << QList<int>{0, 0, 255};
    }
    void fadersFollow()
    {
        QFETCH(bool, cmy);
        QFETCH(int, lock);
        CWheel w(cmy);
        if (lock == 1)
            w.wheel.LockGreen(true);
        w.Set(255, 40, 0);
        QCOMPARE((QList<int>{w.red.m_value, w.green.m_value, w.blue.m_value}), FETCHED(QList<int>, faders));
    }

    void autoWhite()
    {
        CWheel w(false, true, 1);
        w.wheel.SetRgb(QColor(200, 180, 160), false);
        const int expected = GetWhiteLevel(200, 180, 160, 1);
        QCOMPARE(w.Color()[3], expected);
        QCOMPARE(w.whiteFader.m_value, expected);
        QCOMPARE(w.wheel.SwatchColor(), MixColors(QColor(200, 180, 160), QColor(expected, expected, expected), 1));
        w.wheel.LockWhite(true);
        w.wheel.SetRgb(QColor(255, 255, 255), false);
        QCOMPARE(w.Color()[3], 0);
    }

    void whiteFaderValueIsStored()
    {
        CWheel w(false, true, 0);
        QSignalSpy spy(&w.wheel, &CColorCircleCtrl::circleColorChanged);
        w.wheel.SetWhite(77, false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(3).toInt(), 77);
    }

    void mixColors_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QColor>("mixed");
        QTest::newRow("subtractive") << QColor(200, 100, 50) << QColor(100, 200, 255) << 0 << QColor(45, 45, 50);
        QTest::newRow("additive scaled") << QColor(255, 0, 0) << QColor(255, 255, 255) << 1 << QColor(255, 190, 190);
        QTest::newRow("additive black") << QColor(0, 0, 0) << QColor(0, 0, 0) << 2 << QColor(0, 0, 0);
        QTest::newRow("additive grey") << QColor(100, 100, 100) << QColor(0, 0, 0) << 1 << QColor(112, 112, 112);
    }
    void mixColors()
    {
        QCOMPARE(MixColors(FETCHED(QColor, a), FETCHED(QColor, b), FETCHED(int, mode)), FETCHED(QColor, mixed));
    }

    // The drawn wheels show at each point the hue GetPointOnCircle puts there.
    void pictures()
    {
        for (bool small : {false, true}) {
            const QImage image(CColorCircleCtrl::WheelPicture(small));
            const int radius = small ? 50 : 80;
            QCOMPARE(image.size(), QSize(2 * radius, 2 * radius));
            for (int hue : {0, 60, 120, 200, 300}) {
                const QPoint p = GetPointOnCircle(hue, radius, 200, QPoint(radius, radius));
                const int drawn = Hue(image.pixelColor(p));
                QVERIFY2(qAbs(drawn - hue) <= 8 || qAbs(drawn - hue) >= 352, qPrintable(QString::number(hue)));
            }
        }
        for (const char* name : {"Import", "Brush", "Line", "Rect", "Circle", "PickColor", "Fill"})
            QVERIFY(QFile::exists(QStringLiteral(":/Orvane/Images/PaintTools/%1.png").arg(name)));
        for (const char* name : {"Cursor", "StartCursor", "Save", "HorzToolBar"})
            QVERIFY(QFile::exists(QStringLiteral(":/Orvane/Images/Icons/%1.png").arg(name)));
    }
};

ORVANE_TEST(ColorCircleTest)
#include "ColorCircleTest.moc"
