#include "TestRegistry.h"

#include "DataTable.h"
#include "PlaybackRig.h"
#include "show/RenderedStep.h"

#include <QtTest>

namespace {

// Chases over every RGB fixture of one universe, each step its own levels;
// more steps than a scene keeps renders of need a render at every change.
struct CChasesRig : CPlaybackRig
{
    CChasesRig(int scenes, int steps, int fade, int wait) : CPlaybackRig(1)
    {
        const QList<CPatchedFixture*> all = Fill(RgbProfile(), 3);
        for (int s = 0; s < scenes; ++s) {
            CScene* scene = AddScene(QStringLiteral("S%1").arg(s));
            scene->m_playMode = ReleaseNone;
            for (int k = 0; k < steps; ++k) {
                auto* step = new CSceneStep(fade, wait);
                for (CPatchedFixture* fixture : all) {
                    auto* entry = new CStepFixture(fixture, scene);
                    entry->SetLevel(0, quint8(16 * s + k + 1), true, false);
                    step->m_entries << entry;
                }
                scene->m_steps << step;
            }
            scene->UpdateLength();
        }
        cost = CRenderedStep::Cost(*Page()->m_scenes[0]->m_steps[0], 1);
    }

    qint64 cost = 0; // of a step's render
};

} // namespace

// Scenes started together take turns for the renders of the steps they play
// now; the steps they go on to get what those left of the tick's budget, or
// what keeps them on time where that is more.
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

    // The first tick after the scenes start: the renders due now come first
    // and the steps ahead spend what they left, or what keeps the next steps
    // on time where that is more. Budgets and what the tick spent are in
    // halves of a step's render.
    void stepsAheadGetWhatTheDueRendersLeft_data()
    {
        Columns<int, int, int, int, int, int>("scenes", "wait", "budget", "due", "ahead", "spent");
        QTest::newRow("due now took it all") << 2 << 1000 << 2 << 1 << 0 << 2;
        QTest::newRow("due now took more") << 2 << 1000 << 3 << 2 << 0 << 4;
        QTest::newRow("half a render left") << 1 << 1000 << 3 << 1 << 0 << 3;
        QTest::newRow("two renders left") << 1 << 1000 << 6 << 1 << 1 << 4;
        QTest::newRow("next steps due in a tick") << 4 << 25 << 0 << 1 << 3 << 8;
        QTest::newRow("next steps due in two ticks") << 4 << 75 << 0 << 1 << 1 << 4;
        QTest::newRow("in two ticks, three renders") << 4 << 75 << 6 << 3 << 0 << 6;
    }
    void stepsAheadGetWhatTheDueRendersLeft()
    {
        const auto [scenes, wait, budget, due, ahead, spent] =
            Row<int, int, int, int, int, int>("scenes", "wait", "budget", "due", "ahead", "spent");
        CChasesRig rig(scenes, 12, 0, wait);
        rig.Page()->SetRenderBudget(qMax<qint64>(1, budget * rig.cost / 2));
        rig.PlayAll();
        rig.Tick();
        QCOMPARE(rig.StepsRendered(0), due);
        QCOMPARE(rig.StepsRendered(1), ahead);
        // A render ahead may end a part of an entry or a universe over.
        const qint64 over = rig.Page()->RenderSpent() - spent * rig.cost / 2;
        QVERIFY2(over >= 0 && over < 64, qPrintable(QString::number(over)));
    }

    // Chases that change step all in the same tick keep their next steps
    // ready after their first steps at a budget far below one render of
    // every step, and no tick spends more than the budget or every scene's
    // next step, and one step due now.
    void chasesKeepTheirNextStepsReady_data()
    {
        Columns<int, int, int>("renders", "fade", "wait");
        QTest::newRow("one render a tick") << 1 << 50 << 50;
        QTest::newRow("one render a tick, no fades") << 1 << 0 << 100;
        QTest::newRow("three renders a tick") << 3 << 50 << 50;
        QTest::newRow("a step a tick") << 1 << 0 << 25;
    }
    void chasesKeepTheirNextStepsReady()
    {
        const auto [renders, fade, wait] = Row<int, int, int>("renders", "fade", "wait");
        constexpr int kScenes = 16, kFirstSteps = 8, kTicks = 400;
        CChasesRig rig(kScenes, 12, fade, wait);
        const qint64 budget = renders * rig.cost;
        rig.Page()->SetRenderBudget(budget);
        rig.PlayAll();
        int missed = 0;
        for (int tick = 0; tick < kTicks; ++tick) {
            // The first steps play as they go while their renders wait their turn.
            const int without = rig.TickWithoutKeptRenders();
            missed += tick < kFirstSteps ? 0 : without;
            QVERIFY2(rig.Page()->RenderSpent() <= qMax(budget, kScenes * rig.cost) + rig.cost,
                     qPrintable(QStringLiteral("tick %1").arg(tick)));
        }
        QVERIFY2(missed * 100 < kScenes * (kTicks - kFirstSteps), qPrintable(QString::number(missed)));
    }
};

ORVANE_TEST(DueRendersTest)
#include "DueRendersTest.moc"
