#include "TestRegistry.h"

#include "Fetched.h"
#include "FixedCtrlRig.h"
#include "panels/PanTiltGridCtrl.h"
#include "panels/PanTiltPresetCtrl.h"
#include "widgets/HProSlider.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QApplication>
#include <QAction>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {

struct CPanTiltRig : CFixedCtrlRig
{
    explicit CPanTiltRig(bool fine = true) : ctrl(new CPanTiltPresetCtrl(CPresetsWnd::PanTiltId, fine, false, &wnd))
    {
    }
    QList<int> Last(const QSignalSpy& spy) const
    {
        QList<int> values;
        for (const QVariant& v : spy.last())
            values << v.value<uchar>();
        return values;
    }
    std::unique_ptr<CPanTiltPresetCtrl> ctrl;
};

} // namespace

class PanTiltCtrlTest : public QObject
{
    Q_OBJECT

private slots:
    // A left press at `press` on a grid at (pan, tilt), then one move to `to`.
    void drag_data()
    {
        QTest::addColumn<int>("pan");
        QTest::addColumn<int>("tilt");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<int>("newPan");
        QTest::addColumn<int>("newTiltAtMost");
        QTest::newRow("full pan holds at the right edge") << 65535 << 32768 << QPoint(250, 128) << QPoint(260, 128)
                                                        << false << 65535 << 32768;
        QTest::newRow("down past the bottom wraps") << 32768 << 1000 << QPoint(128, 240) << QPoint(128, 256) << true
                                                    << 33023 << 1000;
        QTest::newRow("no tilt left: no wrap") << 32768 << 0 << QPoint(128, 250) << QPoint(128, 300) << false
                                               << 33023 << 0;
        QTest::newRow("left past the edge wraps") << 300 << 32768 << QPoint(5, 128) << QPoint(0, 128) << true << -1
                                                  << 32768;
    }
    void drag()
    {
        QFETCH(QPoint, press);
        CFixedCtrlRig rig;
        CPanTiltGridCtrl grid(0.1);
        grid.show();
        grid.SetPosition16(FETCHED(int, pan), FETCHED(int, tilt));
        QTest::mousePress(&grid, Qt::LeftButton, {}, press);
        QCOMPARE(CFixedCtrlRig::pointerMoves, 0);
        grid.TrackTo(FETCHED(QPoint, to));
        QCOMPARE(CFixedCtrlRig::pointerMoves, FETCHED(bool, wrapped) ? 1 : 0);
        const int newPan = FETCHED(int, newPan);
        if (newPan >= 0)
            QVERIFY(qAbs(grid.Pan() - newPan) <= 256);
        QVERIFY(grid.Tilt() <= FETCHED(int, newTiltAtMost));
        QTest::mouseRelease(&grid, Qt::LeftButton, {}, press);
        QVERIFY(!QApplication::overrideCursor());
    }

    void rightPressJumpsLeftPressKeepsOffset_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("pan");
        QTest::newRow("right jumps") << int(Qt::RightButton) << 32767;
        QTest::newRow("left keeps") << int(Qt::LeftButton) << 255;
    }
    void rightPressJumpsLeftPressKeepsOffset()
    {
        CFixedCtrlRig rig;
        CPanTiltGridCtrl grid(0.1);
        grid.show();
        grid.SetPosition16(0, 0);
        QTest::mousePress(&grid, Qt::MouseButton(FETCHED(int, button)), {}, QPoint(128, 128));
        QCOMPARE(grid.Pan(), FETCHED(int, pan));
        QTest::mouseRelease(&grid, Qt::MouseButton(FETCHED(int, button)), {}, QPoint(128, 128));
    }

    void precisionTenSweepsATenth()
    {
        CPanTiltRig rig;
        rig.ctrl->OnPrecValueChanged(10);
        QCOMPARE(rig.options.m_ptPrecision, 10);
        CPanTiltGridCtrl* grid = rig.ctrl->Grid();
        grid->show();
        grid->SetPosition16(0, 32768);
        QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(1, 128));
        const int start = grid->Pan();
        grid->TrackTo(QPoint(128, 128));
        grid->TrackTo(QPoint(254, 128));
        QVERIFY2(qAbs(grid->Pan() - start - 6553) < 300, qPrintable(QString::number(grid->Pan() - start)));
        QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(254, 128));
    }

    void storedPrecisionSetsTheGridSpeed_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<double>("speed");
        QTest::newRow("1: full speed") << 1 << 1.0;
        QTest::newRow("6: (11 - 6) / 10") << 6 << 0.5;
        QTest::newRow("10: a tenth") << 10 << 0.1;
    }
    void storedPrecisionSetsTheGridSpeed()
    {
        CFixedCtrlRig rig;
        rig.options.m_ptPrecision = FETCHED(int, precision);
        CPanTiltPresetCtrl ctrl(CPresetsWnd::PanTiltId, true, false, &rig.wnd);
        QTEST(ctrl.Grid()->Speed(), "speed");
    }

    void droppedGridGivesThePointerBack()
    {
        CFixedCtrlRig rig;
        auto* grid = new CPanTiltGridCtrl(0.1);
        grid->show();
        QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(QApplication::overrideCursor());
        delete grid;
        QVERIFY(!QApplication::overrideCursor());
    }

    void lockedAxisStaysZero_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("pan effect") << 1 << QList<int>{0, 50, 0, 7, 0, 0};
        QTest::newRow("tilt effect") << 2 << QList<int>{100, 0, 6, 0, 0, 0};
        QTest::newRow("other type") << 5 << QList<int>{100, 50, 6, 7, 0, 0};
    }
    void lockedAxisStaysZero()
    {
        QFETCH(int, type);
        CPanTiltRig rig;
        rig.ctrl->MarkEffectChannel(type);
        QSignalSpy spy(rig.ctrl.get(), &CPanTiltPresetCtrl::posChanged);
        rig.ctrl->SetPosition(100, 50, 6, 7, false);
        QCOMPARE(rig.Last(spy), FETCHED(QList<int>, sent));
        if (type == 1 || type == 2) {
            QVERIFY(!rig.ctrl->Fader(type == 1 ? 0 : 2)->isEnabled());
            QCOMPARE(rig.ctrl->ModeSwitch(type - 1)->State(), int(PresetModeFx));
            rig.ctrl->SetModes(PresetModeOff, PresetModeOff, true);
            QVERIFY(rig.ctrl->Fader(type == 1 ? 0 : 2)->isEnabled());
            rig.ctrl->SetPosition(100, 50, 6, 7, false);
            QCOMPARE(rig.Last(spy), (QList<int>{100, 50, 6, 7, 0, 0}));
        }
    }

    void fadersAndOffsetsSend()
    {
        CPanTiltRig rig;
        rig.ctrl->SetPosition(10, 20, 1, 2, true);
        QSignalSpy spy(rig.ctrl.get(), &CPanTiltPresetCtrl::posChanged);
        rig.ctrl->OffsetFader(0)->m_value = 30;
        emit rig.ctrl->OffsetFader(0)->sliderMoved(30);
        QCOMPARE(rig.Last(spy), (QList<int>{10, 20, 1, 2, 30, 0}));
        emit rig.ctrl->Fader(2)->sliderMoved(99);
        QCOMPARE(rig.Last(spy), (QList<int>{10, 99, 1, 2, 30, 0}));
        QCOMPARE(rig.ctrl->Grid()->Tilt(), 99 * 256 + 2);
        const int target = rig.project.EditTarget();
        QCOMPARE(rig.ctrl->ModeSwitch(-1)->State(), target);
    }

    void iconPoint_data()
    {
        QTest::addColumn<int>("pan");
        QTest::addColumn<int>("tilt");
        QTest::addColumn<QPoint>("point");
        QTest::newRow("centre") << 32768 << 32768 << QPoint(6, 6);
        QTest::newRow("bottom left") << 0 << 0 << QPoint(-2, 14);
        QTest::newRow("top right") << 65535 << 65535 << QPoint(14, -2);
    }
    void iconPoint()
    {
        QFETCH(QPoint, point);
        QCOMPARE(CPanTiltPresetCtrl::PanTiltIconPoint(FETCHED(int, pan), FETCHED(int, tilt)), point);
    }

    void displayModeSizes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("big");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("savedShown");
        QTest::newRow("cursor small") << 0 << false << QSize(82, 164) << 0;
        QTest::newRow("preset big") << 1 << true << QSize(268, 328) << 2;
        QTest::newRow("default big") << 2 << true << QSize(344, 328) << 5;
    }
    void displayModeSizes()
    {
        QFETCH(bool, big);
        CPanTiltRig rig;
        rig.ctrl->SetDisplayMode(FETCHED(int, mode), big);
        rig.ctrl->SetSize(big ? CPresetCtrl::SizeBig : CPresetCtrl::SizeSmall, false);
        QCOMPARE(rig.ctrl->size(), FETCHED(QSize, size));
        QCOMPARE(rig.ctrl->Grid()->width(), big ? 256 : 127);
        int shown = 0;
        for (int i = 0; i < CPanTiltPresetCtrl::kSavedShown; ++i)
            shown += rig.ctrl->SavedAction(i)->isVisible();
        QCOMPARE(shown, FETCHED(int, savedShown));
    }

    void savedPositionsRoundTrip()
    {
        CPanTiltRig rig;
        rig.ctrl->OnMenuBar();
        QCOMPARE(CFixedCtrlRig::saveAsked, 0);
        emit rig.ctrl->SavedAction(3)->hovered();
        rig.ctrl->SetPosition(0x12, 0x34, 0x56, 0x78, true);
        rig.ctrl->OnMenuBar();
        const CAppOptions read = rig.ReadBack();
        QCOMPARE(read.m_savedPositions[3].pan, 0x1256);
        QCOMPARE(read.m_savedPositions[3].tilt, 0x3478);
        QCOMPARE(read.m_savedPositions[2].pan, rig.options.m_savedPositions[2].pan);
        rig.ctrl->SetPosition(0, 0, 0, 0, true);
        QSignalSpy spy(rig.ctrl.get(), &CPanTiltPresetCtrl::posChanged);
        rig.ctrl->SavedAction(3)->trigger();
        QCOMPARE(rig.Last(spy).mid(0, 4), (QList<int>{0x12, 0x34, 0x56, 0x78}));
    }
};

ORVANE_TEST(PanTiltCtrlTest)
#include "PanTiltCtrlTest.moc"
