#include "TestRegistry.h"
#include "WidgetTestUtil.h"

#include "widgets/HProSlider.h"
#include "widgets/ProSlider.h"
#include "widgets/REDOvoroz.h"
#include "widgets/SliderCtrl.h"

#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

namespace {

QList<int> Values(const QSignalSpy& spy)
{
    QList<int> values;
    for (const QList<QVariant>& args : spy)
        values << args.at(0).toInt();
    return values;
}

} // namespace

class FaderTest : public QObject
{
    Q_OBJECT

private slots:
    void pressSetsTheValueFromTopToBottom()
    {
        CProSlider fader(QStringLiteral("Red"), false);
        fader.m_min = 0;
        fader.m_max = 255;
        fader.resize(30, 150);
        QSignalSpy spy(&fader, &CProSlider::sliderMoved);
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 0));
        QCOMPARE(fader.m_value, 255);
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 149));
        QCOMPARE(fader.m_value, 0);
        QCOMPARE(Values(spy), QList<int>({255, 0}));
    }

    void dragReportsEachNewValueOnce()
    {
        CProSlider fader(QStringLiteral("Dimmer"), true);
        fader.resize(30, 150);
        QSignalSpy spy(&fader, &CProSlider::sliderMoved);
        QTest::mousePress(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 149));
        int last = fader.m_value;
        for (int y = 148; y >= 0; --y) {
            WidgetTest::MoveHeld(&fader, QPoint(15, y));
            QVERIFY(fader.m_value >= last);
            last = fader.m_value;
        }
        WidgetTest::MoveHeld(&fader, QPoint(15, -40));
        QCOMPARE(fader.m_value, 255);
        const QList<int> values = Values(spy);
        QCOMPARE(values.first(), 0);
        QCOMPARE(values.last(), 255);
        for (int i = 1; i < values.size(); ++i)
            QVERIFY(values[i] > values[i - 1]);
        QTest::mouseRelease(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 0));
        const int count = spy.count();
        WidgetTest::MoveHeld(&fader, QPoint(15, 140));
        QCOMPARE(spy.count(), count);
    }

    void ownerChangesAreSilentAndAnyRangeIsSafe()
    {
        CProSlider fader(QStringLiteral("x"), false);
        fader.resize(30, 150);
        QSignalSpy spy(&fader, &CProSlider::sliderMoved);
        fader.m_value = 300;
        fader.UpdateCursor();
        fader.repaint();
        QVERIFY(spy.isEmpty());

        fader.m_min = 10;
        fader.m_max = 20;
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 0));
        QCOMPARE(fader.m_value, 20);
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 149));
        QCOMPARE(fader.m_value, 10);

        fader.m_min = 7;
        fader.m_max = 7;
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 0));
        QCOMPARE(fader.m_value, 7);
        fader.m_max = 3;
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 60));
        QCOMPARE(fader.m_value, 7);
        fader.resize(30, 2);
        QTest::mouseClick(&fader, Qt::LeftButton, Qt::NoModifier, QPoint(15, 1));
        fader.repaint();
        for (int kind = 0; kind <= 8; ++kind) {
            fader.m_colorKind = kind;
            fader.repaint();
        }
    }

    void horizontalFaderRunsLeftToRight()
    {
        CHProSlider offset(QStringLiteral("dX"), false);
        offset.m_min = 0;
        offset.m_max = 64;
        offset.resize(200, 20);
        QSignalSpy spy(&offset, &CProSlider::sliderMoved);
        QTest::mouseClick(&offset, Qt::LeftButton, Qt::NoModifier, QPoint(0, 10));
        QCOMPARE(offset.m_value, 0);
        QTest::mouseClick(&offset, Qt::LeftButton, Qt::NoModifier, QPoint(199, 10));
        QCOMPARE(offset.m_value, 64);
        QTest::mousePress(&offset, Qt::LeftButton, Qt::NoModifier, QPoint(0, 10));
        WidgetTest::MoveHeld(&offset, QPoint(100, 10));
        QVERIFY(offset.m_value > 0 && offset.m_value < 64);
        QTest::mouseRelease(&offset, Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
        QCOMPARE(spy.count(), 4);
        offset.repaint();
    }

    void sliderControlKeepsBothPartsTogether()
    {
        CSliderCtrl control(QStringLiteral("Speed"));
        control.SetRange(1, 20);
        control.SetValue(5);
        QSignalSpy spy(&control, &CSliderCtrl::valueChanged);
        QCOMPARE(control.SpinBox()->value(), 5);

        QTest::keyClick(control.Slider(), Qt::Key_Up);
        QCOMPARE(Values(spy), QList<int>({6}));
        QCOMPARE(control.SpinBox()->value(), 6);

        QTest::keyClick(control.SpinBox(), Qt::Key_Up);
        QCOMPARE(Values(spy), QList<int>({6, 7}));
        QCOMPARE(control.Slider()->value(), 7);
        QCOMPARE(control.Value(), 7);

        control.SetValue(50);
        QCOMPARE(control.Value(), 20);
        QCOMPARE(control.SpinBox()->value(), 20);
        control.SetRange(1, 10);
        QCOMPARE(control.Value(), 10);
        QCOMPARE(control.SpinBox()->value(), 10);
        QCOMPARE(spy.count(), 2);

        control.SetCaption(QStringLiteral("Int."));
        QCOMPARE(control.Caption(), QStringLiteral("Int."));
    }

    void plainSliderTakesTheStoredOrientation()
    {
        QCOMPARE(REDOvoroz(1).orientation(), Qt::Horizontal);
        QCOMPARE(REDOvoroz(2).orientation(), Qt::Vertical);
        QCOMPARE(REDOvoroz(0).orientation(), Qt::Vertical);
    }
};

ORVANE_TEST(FaderTest)
#include "FaderTest.moc"
