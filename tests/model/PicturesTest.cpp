#include "TestRegistry.h"

#include "model/Language.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMovie>
#include <QtTest>

namespace {

const QString kResources = QStringLiteral(":/Orvane/");
const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR "/");

struct Listed {
    QString path;
    QSize size;
};

QVector<Listed> ReadList()
{
    QVector<Listed> listed;
    QFile file(QStringLiteral(ORVANE_PICTURE_LIST));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return listed;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() < 2)
            continue;
        const QStringList edges = words[1].section(QLatin1Char('/'), 0, 0).split(QLatin1Char('x'));
        const int width = edges[0].toInt();
        listed.append({words[0], QSize(width, edges.size() > 1 ? edges[1].toInt() : width)});
    }
    return listed;
}

QImage Resource(const QString& path)
{
    return QImage(kResources + QStringLiteral("Images/") + path);
}

QImage BesideProgram(const QString& path)
{
    return QImage(kProgramDir + path);
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The resource tree lives in the show library; using it once makes
        // sure it is registered.
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    }

    void everyListedPictureIsBuiltAtItsSize()
    {
        const QVector<Listed> listed = ReadList();
        QVERIFY(listed.size() > 300);
        for (const Listed& picture : listed) {
            const bool inResources = picture.path.startsWith(QLatin1String("Images/"));
            const QImage image = inResources ? QImage(kResources + picture.path) : BesideProgram(picture.path);
            QVERIFY2(!image.isNull(), qPrintable(picture.path));
            QVERIFY2(image.size() == picture.size, qPrintable(picture.path));
        }
    }

    void everyChannelTypeHasItsIcon()
    {
        const char* const icons[] = {
            "Pan", "Tilt", "RollerX", "RollerY", "ColorWheel", "ColorWheelRot", "Dimmer", "GoboWheel", "GoboRot",
            "GoboIndex", "GoboShake", "GoboWheelRot", "Iris", "Zoom", "Shutter", "Focus", "Frost", "Speed", "Prism",
            "PrismRot", "PrismIndex", "Lamp", "Filter", "Smoke", "Red", "Green", "Blue", "Cyan", "Magenta",
            "Yellow", "White", "ColorDimmer", "Macro", "Control", "Undef", "RGB", "RGBW", "CMY", "XY", "Rotary",
            "Shake"};
        for (const char* icon : icons) {
            const QImage image = Resource(QStringLiteral("Channels/%1.png").arg(QLatin1String(icon)));
            QVERIFY2(!image.isNull(), icon);
            QCOMPARE(image.size(), QSize(64, 64));
        }
    }

    void everyFixturePictureNumberExists()
    {
        const struct {
            const char* pattern;
            int count;
        } sets[] = {{"LED/LED%1.png", 7}, {"TRAD/TRAD%1.png", 4}, {"SCAN/SCAN%1.png", 3},
                    {"MH/MH%1.png", 7},   {"OTHER/LASER%1.png", 1}, {"OTHER/OTHER%1.png", 6}};
        for (const auto& set : sets) {
            for (int n = 1; n <= set.count; ++n) {
                const QString path = QStringLiteral("Fixtures/") + QString::fromLatin1(set.pattern).arg(n);
                QVERIFY2(!Resource(path).isNull(), qPrintable(path));
            }
        }
        QVERIFY(Resource(QStringLiteral("Fixtures/LED/LED8.png")).isNull());
        QCOMPARE(Resource(QStringLiteral("Fixtures/2D/Hexa.png")).size(), QSize(32, 32));
    }

    void picturesWhoseSizeTheWindowsRelyOn_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("wheel") << "ColorPicker/ColorPicker.png" << QSize(160, 160);
        QTest::newRow("small wheel") << "ColorPicker/ColorPickerSmall.png" << QSize(100, 100);
        QTest::newRow("pad cursor") << "Icons/Cursor.png" << QSize(17, 17);
        QTest::newRow("start cursor") << "Icons/StartCursor.png" << QSize(17, 17);
        QTest::newRow("dip block") << "Patch/DipSwitch/DipSwitch.png" << QSize(118, 32);
        QTest::newRow("nine-bit mark") << "Patch/DipSwitch/9Bit.png" << QSize(30, 30);
        QTest::newRow("ten-bit mark") << "Patch/DipSwitch/10Bit.png" << QSize(30, 30);
        QTest::newRow("invert pan") << "Patch/InvPan.png" << QSize(12, 12);
        QTest::newRow("thumb end") << "TimeScale/CurLeft.png" << QSize(20, 15);
        QTest::newRow("loop") << "TimeLine/Loop.png" << QSize(16, 16);
        QTest::newRow("line switch") << "TimeLine/WaveOff.png" << QSize(16, 16);
        QTest::newRow("video tile, lower case") << "TimeLine/video.png" << QSize(40, 11);
        QTest::newRow("timeline bar") << "Icons/TimeLineBar.png" << QSize(32, 70);
        QTest::newRow("tool bar") << "Icons/HorzToolBar.png" << QSize(32, 48);
        QTest::newRow("vertical tool bar") << "Icons/VertToolBarBig.png" << QSize(64, 32);
        QTest::newRow("fine mark") << "Patch/Channels/Micro.png" << QSize(48, 48);
        QTest::newRow("half colour") << "Patch/HalfColor.png" << QSize(48, 48);
        QTest::newRow("wiring order") << "Patch/Matrix/V8.png" << QSize(32, 32);
        QTest::newRow("dmx off") << "Icons/XLR_Cross.png" << QSize(32, 32);
        QTest::newRow("effect kind") << "Effects/GIF.png" << QSize(32, 32);
        QTest::newRow("paint tool") << "PaintTools/PickColor.png" << QSize(32, 32);
    }

    void picturesWhoseSizeTheWindowsRelyOn()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image = Resource(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
    }

    void presetPicturesLieBesideTheProgram_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("undefined") << "System/Presets/Undef.png";
        QTest::newRow("dimmer") << "System/Presets/Dimmer/Dimmer.png";
        QTest::newRow("doubled suffix") << "System/Presets/Iris/IrisPulsDouble.png.png";
        QTest::newRow("single suffix twin") << "System/Presets/Iris/IrisPulsDouble.png";
        QTest::newRow("prism without suffix") << "System/Presets/Prism/Prism3F";
        QTest::newRow("lamp on without suffix") << "System/Presets/Lamp/LampOn";
        QTest::newRow("lamp off without suffix") << "System/Presets/Lamp/LampOff";
        QTest::newRow("lamp on") << "System/Presets/Lamp/LampOn.png";
        QTest::newRow("last colour") << "System/Presets/Colors/Color20.png";
        QTest::newRow("last automatic") << "System/Presets/Auto/Auto20.png";
        QTest::newRow("roller index") << "System/Presets/Rotation/RollerIndex.png";
        QTest::newRow("five facets") << "System/Presets/Prism/Prism5FCL.png";
    }

    void presetPicturesLieBesideTheProgram()
    {
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(kProgramDir + path), qPrintable(path));
        const QImage image = BesideProgram(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(48, 48));
    }

    // Each library folder holds animations Qt reads back at the size drawn.
    void libraryAnimationsReadBack_data()
    {
        QTest::addColumn<QString>("folder");
        for (const char* folder : {"Particles", "Spirals", "Anim", "Neon", "Others"})
            QTest::newRow(folder) << QString::fromLatin1(folder);
    }
    void libraryAnimationsReadBack()
    {
        QFETCH(QString, folder);
        const QString prefix = QStringLiteral("System/Effects/%1/").arg(folder);
        int found = 0;
        for (const Listed& picture : ReadList()) {
            if (!picture.path.startsWith(prefix))
                continue;
            ++found;
            QImageReader reader(kProgramDir + picture.path);
            const int frames = reader.imageCount();
            QVERIFY2(frames > 1, qPrintable(picture.path));
            QCOMPARE(reader.size(), picture.size);
            QCOMPARE(QMovie(kProgramDir + picture.path).frameCount(), frames);
            for (int f = 0; f < frames; ++f)
                QCOMPARE(reader.read().size(), picture.size);
        }
        QVERIFY(found >= 2);
    }

    void presetPicturesAreNotInTheResourceTree()
    {
        QVERIFY(!QFile::exists(kResources + QStringLiteral("System/Presets/Undef.png")));
        QVERIFY(!QFile::exists(kResources + QStringLiteral("Images/System/Presets/Undef.png")));
    }

    // The wheel is picked by angle and distance: hue 0 to the right and growing
    // anticlockwise, white in the centre. A mirrored or turned picture would
    // give the operator a colour other than the one under the pointer.
    void wheelHueFollowsThePickingAngle()
    {
        const QImage wheel = Resource(QStringLiteral("ColorPicker/ColorPicker.png"));
        QCOMPARE(wheel.size(), QSize(160, 160));
        const struct {
            int x, y, hue;
        } points[] = {{150, 80, 0}, {80, 10, 90}, {10, 80, 180}, {80, 150, 270}, {129, 31, 45}};
        for (const auto& point : points) {
            const QColor c = wheel.pixelColor(point.x, point.y);
            const int distance = qAbs(c.hsvHue() - point.hue);
            QVERIFY2(qMin(distance, 360 - distance) <= 3, qPrintable(QStringLiteral("hue %1 at %2,%3")
                                                                        .arg(c.hsvHue()).arg(point.x).arg(point.y)));
            QVERIFY(c.hsvSaturation() > 200);
            QCOMPARE(c.value(), 255);
        }
        const QColor centre = wheel.pixelColor(80, 80);
        QVERIFY(centre.hsvSaturation() < 10);
        QCOMPARE(wheel.pixelColor(1, 1).alpha(), 0);
    }

    // The DIP-switch control draws its black levers at x = 16 + 7k .. 21 + 7k,
    // y 5 .. 16, so the block must be light there or the levers vanish.
    void dipSwitchSlotsLieUnderTheLevers()
    {
        const QImage block = Resource(QStringLiteral("Patch/DipSwitch/DipSwitch.png"));
        QVERIFY(!block.isNull());
        for (int k = 0; k < 10; ++k) {
            for (int y : {5, 9, 12, 16}) {
                QVERIFY2(block.pixelColor(16 + 7 * k, y).lightness() > 200, qPrintable(QString::number(k)));
                QVERIFY2(block.pixelColor(21 + 7 * k, y).lightness() > 200, qPrintable(QString::number(k)));
            }
        }
        // The ten-bit mark has its knob in the upper half, where a press
        // chooses ten bits; the nine-bit mark in the lower half.
        const QImage ten = Resource(QStringLiteral("Patch/DipSwitch/10Bit.png"));
        const QImage nine = Resource(QStringLiteral("Patch/DipSwitch/9Bit.png"));
        QVERIFY(ten.pixelColor(15, 8).lightness() > nine.pixelColor(15, 8).lightness());
        QVERIFY(nine.pixelColor(15, 22).lightness() > ten.pixelColor(15, 22).lightness());
    }
};

ORVANE_TEST(PicturesTest)
#include "PicturesTest.moc"
