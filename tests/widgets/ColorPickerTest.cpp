#include "TestRegistry.h"
#include "WidgetTestUtil.h"

#include "widgets/ColorCircle.h"
#include "widgets/ColorPicker.h"
#include "widgets/ColorPresetBar.h"
#include "widgets/ColorPresetPayload.h"
#include "widgets/REDOvoroz.h"

#include <QDataStream>
#include <QDrag>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QColor Emitted(const QSignalSpy& spy, int i)
{
    const QList<QVariant>& args = spy.at(i);
    return QColor(args.at(0).value<uchar>(), args.at(1).value<uchar>(), args.at(2).value<uchar>());
}

QColor Sliders(const CColorPicker& picker)
{
    return QColor(picker.Slider(0)->value(), picker.Slider(1)->value(), picker.Slider(2)->value());
}

// The preset lists' payload, read field by field as they read it.
struct PresetPayload {
    QPixmap picture;
    qint32 type = -1;
    QString name;
    QString iconPath;
    qint32 count = -1;
    qint32 colors[4] = {0, 0, 0, 0};
    bool complete = false;
};

PresetPayload ReadPayload(const QByteArray& bytes)
{
    PresetPayload p;
    QDataStream in(bytes);
    in >> p.picture >> p.type >> p.name >> p.iconPath >> p.count;
    for (qint32& c : p.colors)
        in >> c;
    p.complete = in.status() == QDataStream::Ok && in.atEnd();
    return p;
}

// Pulls swatch `index` of `bar` past the drag distance and returns what
// the drag carried; an empty array when no drag started.
QByteArray DragSwatch(CColorPresetBar* bar, int index)
{
    QByteArray carried;
    bool dragSeen = false;
    QTimer::singleShot(0, bar, [&] {
        if (QDrag* drag = bar->findChild<QDrag*>()) {
            dragSeen = true;
            carried = drag->mimeData()->data(QLatin1String(kPresetMimeType));
            QTest::keyClick(bar, Qt::Key_Escape);
        }
    });
    const QPoint start = bar->SwatchRect(index).center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, start);
    WidgetTest::MoveHeld(bar, start + QPoint(2, 0));
    WidgetTest::MoveHeld(bar, start + QPoint(QApplication::startDragDistance() + 5, 30));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, start);
    if (!dragSeen)
        QCoreApplication::processEvents();
    return carried;
}

} // namespace

class ColorPickerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { WidgetTest::LoadCaptions(); }

    void oneReportPerSliderMove()
    {
        CColorPicker picker(0);
        QSignalSpy spy(&picker, &CColorPicker::colorChanged);
        QTest::keyClick(picker.Slider(1), Qt::Key_PageDown);
        QCOMPARE(spy.count(), 1);
        const QColor expected(255, 255 - picker.Slider(1)->pageStep(), 255);
        QCOMPARE(Emitted(spy, 0), expected);
        QCOMPARE(picker.m_pCircle->Color(), expected);
        QCOMPARE(picker.Color(), expected);
    }

    void oneReportPerSetColorAndNoLoop()
    {
        CColorPicker picker(0);
        QSignalSpy spy(&picker, &CColorPicker::colorChanged);
        // An owner that answers every change by setting a colour again.
        int answers = 0;
        connect(&picker, &CColorPicker::colorChanged, this, [&] {
            ++answers;
            picker.m_pCircle->SetColor(QColor(1, 2, 3), 1);
        });
        picker.m_pCircle->SetColor(QColor(10, 20, 30), 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(answers, 1);
        QCOMPARE(Emitted(spy, 0), QColor(10, 20, 30));
        QCOMPARE(picker.m_pCircle->Color(), QColor(10, 20, 30));
        QCOMPARE(Sliders(picker), QColor(10, 20, 30));
        QVERIFY(!picker.m_pCircle->IsUpdating());

        // Flag 0 leaves the sliders where they are.
        picker.m_pCircle->SetColor(QColor(200, 100, 0), 0);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(Emitted(spy, 1), QColor(200, 100, 0));
        QCOMPARE(Sliders(picker), QColor(10, 20, 30));
    }

    void wheelPicksHueBySideAndSaturationByDistance()
    {
        CColorPicker picker(0);
        picker.resize(200, 320);
        picker.show();
        CColorCircle* circle = picker.m_pCircle;
        QSignalSpy spy(&picker, &CColorPicker::colorChanged);
        const QPoint centre = circle->Centre();
        const int r = circle->Radius();

        QTest::mouseClick(circle, Qt::LeftButton, Qt::NoModifier, centre + QPoint(r, 0));
        QCOMPARE(Emitted(spy, 0), QColor(255, 0, 0));
        QCOMPARE(Sliders(picker), QColor(255, 0, 0));
        QTest::mouseClick(circle, Qt::LeftButton, Qt::NoModifier, centre - QPoint(r, 0));
        QCOMPARE(Emitted(spy, 1), QColor(0, 255, 255));
        QTest::mouseClick(circle, Qt::LeftButton, Qt::NoModifier, centre);
        QCOMPARE(Emitted(spy, 2), QColor(255, 255, 255));
        // Outside the wheel a press picks nothing; a drag that leaves it
        // keeps full saturation.
        QTest::mouseClick(circle, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QCOMPARE(spy.count(), 3);
        QTest::mousePress(circle, Qt::LeftButton, Qt::NoModifier, centre);
        WidgetTest::MoveHeld(circle, centre + QPoint(0, -3 * r));
        QTest::mouseRelease(circle, Qt::LeftButton, Qt::NoModifier, centre);
        QCOMPARE(spy.count(), 5);
        int hue = 0;
        QCOMPARE(Emitted(spy, 4).hsvSaturation(), 255);
        hue = Emitted(spy, 4).hsvHue();
        QVERIFY(qAbs(hue - 90) <= 1);

        const QImage wheel = CColorCircle::WheelImage(50);
        QCOMPARE(wheel.pixelColor(100, 50), QColor(255, 0, 0));
        QCOMPARE(wheel.pixelColor(50, 50), QColor(255, 255, 255));
        QCOMPARE(wheel.pixelColor(0, 0).alpha(), 0);
    }

    void barsSetTheColour()
    {
        CColorPicker picker(0);
        QSignalSpy spy(&picker, &CColorPicker::colorChanged);
        CColorPresetBar* fixed = picker.FixedBar();
        QCOMPARE(fixed->Colors().size(), 8);
        QTest::mouseClick(fixed, Qt::LeftButton, Qt::NoModifier, fixed->SwatchRect(1).center());
        QCOMPARE(Emitted(spy, 0), QColor(255, 0, 255));
        QCOMPARE(Sliders(picker), QColor(255, 0, 255));
        QTest::mouseClick(fixed, Qt::LeftButton, Qt::NoModifier, fixed->SwatchRect(7).center());
        QCOMPARE(Emitted(spy, 1), QColor(0, 0, 0));

        QList<QColor> saved;
        for (int i = 0; i < 16; ++i)
            saved << QColor(i * 10, 0, 0);
        picker.SetSavedColors(saved);
        CColorPresetBar* bar = picker.SavedBar();
        QCOMPARE(bar->Colors(), saved.mid(0, 6));
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->SwatchRect(5).center());
        QCOMPARE(Emitted(spy, 2), QColor(50, 0, 0));
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->SwatchRect(6).center());
        QCOMPARE(spy.count(), 3);
        picker.SetSavedColors({});
        QVERIFY(bar->Colors().isEmpty());
    }

    void swatchDragCarriesAColourPreset()
    {
        CColorPicker picker(1);
        picker.show();
        const QByteArray bytes = DragSwatch(picker.FixedBar(), 2);
        QVERIFY(!bytes.isEmpty());
        const PresetPayload p = ReadPayload(bytes);
        QVERIFY(p.complete);
        QCOMPARE(p.type, 1);
        QCOMPARE(p.name, QStringLiteral("Color"));
        QVERIFY(p.iconPath.isEmpty());
        QCOMPARE(p.count, 1);
        QCOMPARE(quint32(p.colors[0]), 0xFF0000FFu);
        for (int i = 1; i < 4; ++i)
            QCOMPARE(quint32(p.colors[i]), 0xFFFFFFFFu);
        QCOMPARE(p.picture.size(), QSize(48, 48));
        QCOMPARE(p.picture.toImage().pixelColor(24, 24), QColor(0, 0, 255));
    }

    void swatchesOfAFlagZeroPickerDoNotDrag()
    {
        CColorPicker picker(0);
        picker.show();
        QSignalSpy spy(&picker, &CColorPicker::colorChanged);
        QVERIFY(DragSwatch(picker.FixedBar(), 2).isEmpty());
        QCOMPARE(spy.count(), 1);
    }

    void presetPayloadIsAlwaysOpaque()
    {
        const PresetPayload p = ReadPayload(EncodeColorPreset(QColor(12, 34, 56, 7)));
        QVERIFY(p.complete);
        QCOMPARE(quint32(p.colors[0]), 0xFF0C2238u);
    }
};

ORVANE_TEST(ColorPickerTest)
#include "ColorPickerTest.moc"
