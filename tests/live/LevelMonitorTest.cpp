#include "TestRegistry.h"

#include "LiveRig.h"
#include "live/DmxLevelsWnd.h"

#include <QComboBox>
#include <QtTest>

// The level monitor shows what goes out, and marks what the live layer holds.
class LevelMonitorTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheOutputWhileOpen()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Red"));
        CDmxLevelsWnd monitor(rig.project);
        rig.Page()->PlayScene(scene);
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 200);

        // Hidden, it reads nothing.
        monitor.Tick();
        QCOMPARE(monitor.Level(0), 0);
        monitor.show();
        monitor.Tick();
        QCOMPARE(monitor.Level(0), 200);
        QCOMPARE(monitor.Level(1), 0);

        rig.project.SetChannelLevel(0, 511, 77);
        rig.Tick();
        monitor.Tick();
        QCOMPARE(monitor.Level(511), 77);
        // Slots outside the universe read as nothing.
        QCOMPARE(monitor.Level(512), 0);
        QCOMPARE(monitor.Level(-1), 0);
    }

    void liveMarksFollowTheFlag()
    {
        CLiveRig rig;
        CDmxLevelsWnd monitor(rig.project);
        monitor.show();
        rig.project.SetChannelLevel(0, 5, 10);
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
        rig.Tick();
        monitor.Tick();
        QCOMPARE(monitor.Level(5), 10);
        // The marks are read when the flag is handed on, not every tick.
        QVERIFY(!monitor.IsLiveSlot(5));
        monitor.OnLiveLevelsChanged();
        QVERIFY(monitor.IsLiveSlot(5));
        QVERIFY(!monitor.IsLiveSlot(6));

        // The grid draws it in the live colour; a plain slot in the cell colour.
        const QImage image = monitor.Grid()->grab().toImage();
        QCOMPARE(image.pixelColor(monitor.CellRect(5).topLeft()), CDmxLevelsWnd::LiveColor());
        QCOMPARE(image.pixelColor(monitor.CellRect(6).topLeft()), CDmxLevelsWnd::CellColor());

        rig.project.ReleaseLive();
        monitor.OnLiveLevelsChanged();
        QVERIFY(!monitor.IsLiveSlot(5));
    }

    void universesToChooseFrom()
    {
        CLiveRig rig;
        CDmxLevelsWnd monitor(rig.project);
        monitor.show();
        QCOMPARE(monitor.UniverseList()->count(), 4);
        QCOMPARE(monitor.UniverseList()->itemText(2), QStringLiteral("DMX Universe 3"));

        rig.project.SetChannelLevel(2, 0, 99);
        rig.Tick();
        monitor.Tick();
        QCOMPARE(monitor.Level(0), 0);
        monitor.UniverseList()->setCurrentIndex(2);
        QCOMPARE(monitor.Universe(), 2);
        // A new universe is read at once, marks included.
        QCOMPARE(monitor.Level(0), 99);
        QVERIFY(monitor.IsLiveSlot(0));

        monitor.SetUniverse(4);
        monitor.SetUniverse(-1);
        QCOMPARE(monitor.Universe(), 2);
    }

    void aSmallerProjectMovesItBack()
    {
        CLiveRig rig;
        CDmxLevelsWnd monitor(rig.project);
        monitor.show();
        monitor.SetUniverse(3);
        rig.project.NewProject(2);
        rig.project.SetChannelLevel(0, 1, 33);
        rig.Tick();
        monitor.Tick();
        QCOMPARE(monitor.UniverseList()->count(), 2);
        QCOMPARE(monitor.Universe(), 0);
        QCOMPARE(monitor.Level(1), 33);
    }
};

ORVANE_TEST(LevelMonitorTest)
#include "LevelMonitorTest.moc"
