#include "TestRegistry.h"
#include "WidgetTestUtil.h"

#include "widgets/ColorChooser.h"
#include "widgets/DirectionCtrl.h"
#include "widgets/EffectTitleWidget.h"
#include "widgets/FullDirectionCtrl.h"
#include "widgets/MenuBar.h"
#include "widgets/TBToolButtonStyle.h"
#include "widgets/TitleWnd.h"
#include "widgets/ToolBarDragDrop.h"

#include <QPointer>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class SmallControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void chooserReadsBlackOutsideItsList()
    {
        CColorChooser chooser(2, 2);
        chooser.m_colors[0] = CRgbwColor(1, 2, 3, 4);
        chooser.m_colors[1] = CRgbwColor(9, 9, 9, 9);
        QCOMPARE(chooser.GetColor(0), CRgbwColor(1, 2, 3, 4));
        QCOMPARE(chooser.GetColor(-1), CRgbwColor());
        QCOMPARE(chooser.GetColor(2), CRgbwColor());
        QCOMPARE(chooser.GetColor(10), CRgbwColor());
    }

    void fewerColoursDropTheirSelection()
    {
        CColorChooser chooser(5, 5);
        chooser.m_selected = {0, 3, 1, 4};
        chooser.SetNbColors(2);
        QCOMPARE(chooser.m_selected, QList<int>({0, 1}));
        QCOMPARE(chooser.NbColors(), 2);
        chooser.SetNbColors(-3);
        QVERIFY(chooser.m_selected.isEmpty());
        QCOMPARE(chooser.NbColors(), 0);
    }

    void pressSelectsAndCtrlToggles()
    {
        CColorChooser chooser(4, 3);
        QSignalSpy spy(&chooser, &CColorChooser::selChanged);
        QTest::mouseClick(&chooser, Qt::LeftButton, Qt::NoModifier, chooser.SwatchRect(1).center());
        QCOMPARE(chooser.m_selected, QList<int>({1}));
        QTest::mouseClick(&chooser, Qt::LeftButton, Qt::ControlModifier, chooser.SwatchRect(0).center());
        QCOMPARE(chooser.m_selected, QList<int>({1, 0}));
        QTest::mouseClick(&chooser, Qt::LeftButton, Qt::ControlModifier, chooser.SwatchRect(1).center());
        QCOMPARE(chooser.m_selected, QList<int>({0}));
        QTest::mouseClick(&chooser, Qt::LeftButton, Qt::NoModifier, chooser.SwatchRect(2).center());
        QCOMPARE(chooser.m_selected, QList<int>({2}));
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.at(2).at(0).toInt(), 1);
        // The swatch out of use takes no press.
        QTest::mouseClick(&chooser, Qt::LeftButton, Qt::NoModifier, chooser.SwatchRect(3).center());
        QCOMPARE(chooser.m_selected, QList<int>({2}));
        QCOMPARE(spy.count(), 4);
        chooser.repaint();
    }

    void textPadKeepsTheChosenDirection()
    {
        CDirectionCtrl pad(DirNone);
        pad.resize(pad.sizeHint());
        QSignalSpy spy(&pad, &CDirectionCtrl::dirChanged);
        const struct {
            int cell;
            eDirection direction;
        } presses[] = {{3, DirLeft}, {5, DirRight}, {1, DirUp}, {7, DirDown}, {4, DirNone}};
        for (const auto& p : presses) {
            QTest::mouseClick(&pad, Qt::LeftButton, Qt::NoModifier, pad.CellRect(p.cell).center());
            QCOMPARE(pad.Direction(), p.direction);
            QCOMPARE(spy.last().at(0).value<eDirection>(), p.direction);
        }
        QCOMPARE(spy.count(), 5);
        // Corners are empty; the chosen arrow again changes nothing.
        QTest::mouseClick(&pad, Qt::LeftButton, Qt::NoModifier, pad.CellRect(0).center());
        QTest::mouseClick(&pad, Qt::LeftButton, Qt::NoModifier, pad.CellRect(4).center());
        QCOMPARE(spy.count(), 5);
        pad.SetDirection(DirDown);
        QCOMPARE(pad.Direction(), DirDown);
        QCOMPARE(spy.count(), 5);
        pad.repaint();
    }

    void curvePadCoversEightDirections()
    {
        CFullDirectionCtrl pad(FullDirRight);
        pad.resize(90, 90);
        QSignalSpy spy(&pad, &CFullDirectionCtrl::dirChanged);
        // Cells row by row; each arrow points where the curve travels.
        const int expected[9] = {2, 3, 4, 1, 0, 5, 8, 7, 6};
        for (int cell = 0; cell < 9; ++cell) {
            QTest::mouseClick(&pad, Qt::LeftButton, Qt::NoModifier, pad.CellRect(cell).center());
            QCOMPARE(int(pad.Direction()), expected[cell]);
        }
        QCOMPARE(spy.count(), 9);
        QCOMPARE(int(spy.first().at(0).value<eFullDirection>()), 2);
        QTest::mouseClick(&pad, Qt::LeftButton, Qt::NoModifier, pad.CellRect(8).center());
        QCOMPARE(spy.count(), 9);
        pad.repaint();
    }

    void menuBarAnswersTheRightButton()
    {
        CMenuBar bar;
        bar.resize(200, 24);
        QSignalSpy spy(&bar, &CMenuBar::menuBar);
        QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
        QCOMPARE(spy.count(), 0);
        QTest::mouseClick(&bar, Qt::RightButton, Qt::NoModifier, QPoint(150, 10));
        QCOMPARE(spy.count(), 1);
    }

    void dragHandleStartsOneDragPerPress()
    {
        CToolBarDragDrop handle(-3, QStringLiteral("Master"));
        handle.resize(80, 20);
        QSignalSpy spy(&handle, &CToolBarDragDrop::startDrag);
        const int distance = QApplication::startDragDistance();
        const QPoint start(10, 10);

        QTest::mousePress(&handle, Qt::LeftButton, Qt::NoModifier, start);
        WidgetTest::MoveHeld(&handle, start + QPoint(distance - 1, 0));
        QCOMPARE(spy.count(), 0);
        WidgetTest::MoveHeld(&handle, start + QPoint(distance, 0));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), -3);
        WidgetTest::MoveHeld(&handle, start + QPoint(3 * distance, 5));
        QTest::mouseRelease(&handle, Qt::LeftButton, Qt::NoModifier, start);
        QCOMPARE(spy.count(), 1);

        // Moves without a press, or with another button, start nothing.
        WidgetTest::MoveHeld(&handle, start + QPoint(3 * distance, 0), Qt::NoButton);
        QTest::mousePress(&handle, Qt::RightButton, Qt::NoModifier, start);
        WidgetTest::MoveHeld(&handle, start + QPoint(3 * distance, 0), Qt::RightButton);
        QTest::mouseRelease(&handle, Qt::RightButton, Qt::NoModifier, start);
        QCOMPARE(spy.count(), 1);

        QTest::mousePress(&handle, Qt::LeftButton, Qt::NoModifier, start);
        WidgetTest::MoveHeld(&handle, start + QPoint(0, distance));
        QCOMPARE(spy.count(), 2);
        handle.repaint();
    }

    void toolButtonOwnsItsStyle()
    {
        auto* button = new QToolButton;
        QPointer<CTBToolButtonStyle> style = new CTBToolButtonStyle(button);
        QCOMPARE(button->style(), static_cast<QStyle*>(style.data()));
        QCOMPARE(style->parent(), button);
        QCOMPARE(style->pixelMetric(QStyle::PM_ButtonShiftVertical), 1);
        auto* second = new QToolButton;
        QPointer<CTBToolButtonStyle> own = new CTBToolButtonStyle(second);
        QVERIFY(own.data() != style.data());
        button->resize(24, 24);
        button->setDown(true);
        button->repaint();
        delete button;
        QVERIFY(style.isNull());
        QVERIFY(!own.isNull());
        delete second;
        QVERIFY(own.isNull());
    }

    void titlesPaintTheirText()
    {
        CTitleWnd title(QStringLiteral("Half color"));
        QCOMPARE(title.height(), 20);
        title.resize(120, 20);
        const QImage image = title.grab().toImage();
        QCOMPARE(image.pixelColor(1, 1), QColor(205, 205, 200));

        CEffectTitleWidget effect(QStringLiteral("Parameters"));
        effect.SetPenColor(QColor(200, 0, 0));
        effect.SetTitle(QStringLiteral("Curve"));
        QCOMPARE(effect.Title(), QStringLiteral("Curve"));
        QCOMPARE(effect.PenColor(), QColor(200, 0, 0));
        effect.resize(effect.sizeHint());
        const QImage text = effect.grab().toImage();
        bool inked = false;
        for (int y = 0; y < text.height() && !inked; ++y) {
            for (int x = 0; x < text.width() && !inked; ++x)
                inked = text.pixelColor(x, y).red() > 150 && text.pixelColor(x, y).green() < 80;
        }
        QVERIFY(inked);
    }
};

ORVANE_TEST(SmallControlsTest)
#include "SmallControlsTest.moc"
