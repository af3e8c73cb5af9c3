#include "TestRegistry.h"

#include "PlaybackRig.h"

#include <QtTest>

// Scenes started together take turns for the renders of the steps they play
// now; the steps they go on to wait until every one of those is made.
class DueRendersTest : public QObject
{
    Q_OBJECT

private slots:
    void stepsDueLaterWaitForTheStepsDueNow_data()
    {
        QTest::addColumn<int>("scenes");
        QTest::addColumn<int>("fade");
        QTest::newRow("one scene") << 1 << 500;
        QTest::newRow("four scenes fading in") << 4 << 500;
        QTest::newRow("four scenes holding") << 4 << 0;
    }
    void stepsDueLaterWaitForTheStepsDueNow()
    {
        QFETCH(int, scenes);
        QFETCH(int, fade);
        CPlaybackRig rig;
        CLibraryProfile* rgb = rig.RgbProfile();
        for (int s = 0; s < scenes; ++s) {
            CScene* scene = rig.AddScene(QStringLiteral("S%1").arg(s));
            scene->m_playMode = ReleaseNone;
            CPatchedFixture* fixture = rig.Patch(rgb, 0, 3 * s);
            rig.AddStep(scene, fade, 1000, {{fixture, {10, 20, quint8(30 + s)}}});
            rig.AddStep(scene, fade, 1000, {{fixture, {40, 50, quint8(60 + s)}}});
        }
        // One render of a step due now a tick.
        rig.Page()->SetRenderBudget(1);
        rig.PlayAll();
        for (int tick = 1; tick < scenes; ++tick) {
            rig.Tick();
            QCOMPARE(rig.StepsRendered(), tick);
            QCOMPARE(rig.StepsRendered(1), 0);
        }
        // The last due render leaves its tick to the steps ahead, all ready
        // long before they are due.
        rig.Tick(2);
        QCOMPARE(rig.StepsRendered(), scenes);
        QCOMPARE(rig.StepsRendered(1), scenes);
        if (!fade)
            QCOMPARE(rig.Out(0, 3 * scenes - 1), 30 + scenes - 1);
    }
};

ORVANE_TEST(DueRendersTest)
#include "DueRendersTest.moc"
