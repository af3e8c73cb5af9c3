#include "TestRegistry.h"

#include "DataTable.h"
#include "LayerDifference.h"
#include "MaskSlots.h"
#include "PlaybackRig.h"
#include "show/RenderedStep.h"

#include <QtTest>

namespace {

// Five scenes playing a step each on two RGB fixtures of their own or, on
// a full rig, every one of the RGB fixtures filling its universes.
struct CFiveScenesRig : CPlaybackRig
{
    explicit CFiveScenesRig(int fullUniverses = 0)
        : CPlaybackRig(fullUniverses ? fullUniverses : 4)
    {
        CLibraryProfile* rgb = RgbProfile();
        const QList<CPatchedFixture*> all = fullUniverses ? Fill(rgb, 3) : QList<CPatchedFixture*>();
        for (int s = 0; s < 5; ++s) {
            CScene* scene = AddScene(QStringLiteral("S%1").arg(s));
            scene->m_playMode = ReleaseNone;
            if (!fullUniverses) {
                AddStep(scene, 0, 100000,
                        {{Patch(rgb, 0, 6 * s), {10, 20, 30 + s}}, {Patch(rgb, 0, 6 * s + 3), {40, 50, 60 + s}}});
                continue;
            }
            auto* step = new CSceneStep(0, 100000);
            for (CPatchedFixture* fixture : all) {
                auto* entry = new CStepFixture(fixture, scene);
                entry->SetLevel(0, quint8(s + 1), true, false);
                step->m_entries << entry; // each fixture once: no need to look for it
            }
            scene->m_steps << step;
            scene->UpdateLength();
        }
    }
};

// Four scenes of two steps, on RGB fixtures of their own over two
// universes, fading in as a scene or as a step, or not at all.
struct CStartRig : CPlaybackRig
{
    CStartRig(int sceneFade, int stepFade, bool keep) : CPlaybackRig(2)
    {
        CLibraryProfile* rgb = RgbProfile();
        for (int s = 0; s < 4; ++s) {
            CScene* scene = AddScene(QStringLiteral("S%1").arg(s), sceneFade);
            scene->m_playMode = ReleaseNone;
            CPatchedFixture* fixture = Patch(rgb, s % 2, 3 * s);
            AddStep(scene, stepFade, 1000, {{fixture, {10 + s, 200, 90}}});
            AddStep(scene, stepFade, 1000, {{fixture, {250, 5, 60 + s}}});
        }
        Page()->SetKeepRenders(keep);
    }
};

} // namespace

class KeptRenderTest : public QObject
{
    Q_OBJECT

private slots:
    // An entry taken out of the step playing leaves the output at the next
    // tick, whatever was deleted without a word before it.
    void aRemovedEntryLeavesTheOutput_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("nothing deleted") << 0;
        QTest::newRow("a step deleted") << 1;
        QTest::newRow("a scene deleted") << 2;
    }
    void aRemovedEntryLeavesTheOutput()
    {
        QFETCH(int, before);
        CFiveScenesRig rig;
        CScene* scene = rig.Page()->m_scenes[0];
        CSceneStep* playing = scene->m_steps[0];
        rig.AddStep(scene, 0, 1000, {{playing->m_entries[0]->Fixture(), {1, 1, 1}}});
        rig.Page()->PlayScene(scene);
        rig.Tick();
        if (before == 1) {
            scene->m_selection = {scene->m_steps.last()};
            scene->RemoveSelectedSteps(true);
        } else if (before == 2) {
            rig.Page()->DeleteScene(rig.Page()->m_scenes.last());
        }
        rig.Tick();
        QCOMPARE(rig.Out(0, 4), 50);
        delete playing->m_entries.takeAt(1);
        rig.Tick();
        QCOMPARE(rig.Out(0, 1), 20);
        QCOMPARE(rig.Out(0, 4), 0);
    }

    // A master moved, or a scene's own live parameter, leaves every kept
    // render standing: the tick after renders no step.
    void aMasterKeepsTheRenders_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("dimmer") << 0;
        QTest::newRow("black-out") << 1;
        QTest::newRow("black-out off") << 2;
        QTest::newRow("beam on") << 3;
        QTest::newRow("colour override") << 4;
        QTest::newRow("a scene's dimmer") << 5;
    }
    void aMasterKeepsTheRenders()
    {
        QFETCH(int, action);
        CFiveScenesRig rig;
        rig.PlayAll();
        rig.project.SetBlackOut(action == 2);
        rig.Tick();
        QCOMPARE(rig.StepsRendered(), 5);
        // One render a tick: renders the master dropped would not all be
        // made again in the tick after it.
        rig.Page()->SetRenderBudget(1);
        switch (action) {
        case 0: rig.project.SetDimmer(20); break;
        case 1: rig.project.SetBlackOut(true); break;
        case 2: rig.project.SetBlackOut(false); break;
        case 3: rig.project.SetBeamOn(true); break;
        case 4: rig.project.SetLiveColor(1, 2, 3); break;
        default: rig.Page()->m_scenes[2]->SetDimmer(80); break;
        }
        rig.Tick();
        QCOMPARE(rig.StepsRendered(), 5);
    }

    // A render made in parts ahead of its step leaves the scene's override
    // mask as it found it, though its entries force slots as they render:
    // a black-out over a 16-bit pair, which no live pass may apply after.
    void aRenderInPartsLeavesTheOverrides()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* fine = rig.AddProfile([](CLibraryProfile& built) {
            ProfileBuilder::AddFine(built, ProfileBuilder::AddDimmer(built));
        });
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CPatchedFixture* fixture = rig.Patch(fine, 0, 10);
        const CSceneStep* step = rig.AddStep(scene, 0, 1000, {{fixture, {200, 100}}});
        scene->m_blackout = true;
        scene->OverrideMask(0)->Set(3);
        const CSlotMask before = *scene->OverrideMask(0);
        CDmxLayer work(1);
        CRenderedStep ahead(1);
        CRenderedStep::Progress progress = CRenderedStep::Progress::Working;
        for (int part = 0; part < 100 && progress == CRenderedStep::Progress::Working; ++part) {
            qint64 budget = 1;
            progress = ahead.Continue(*step, *scene, work, budget);
        }
        QCOMPARE(int(progress), int(CRenderedStep::Progress::Done));
        QVERIFY(*scene->OverrideMask(0) == before);
        CRenderedStep whole(1);
        QVERIFY(whole.Render(*step, *scene, work));
        QCOMPARE(MaskSlots(scene->OverrideMask(0), 10, 2), QList<int>({1, 1}));
    }

    // Steps all due at once are rendered a budget's worth a tick, the rest
    // in the ticks after, the levels exact meanwhile.
    // A budget of exactly n renders makes n; one unit short of a render
    // still makes the render it began.
    void rendersDueTogetherTakeTurns_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("renders");
        QTest::addColumn<int>("unitsOver");
        QTest::newRow("scenes started together") << 0 << 1 << 0;
        QTest::newRow("a unit for a render") << 0 << 0 << 1;
        QTest::newRow("the patch") << 1 << 0 << 1;
        QTest::newRow("an entry deleted") << 2 << 0 << 1;
        QTest::newRow("two renders' worth") << 0 << 2 << 0;
        QTest::newRow("a unit short of two") << 0 << 2 << -1;
        QTest::newRow("a unit over two") << 0 << 2 << 1;
    }
    void rendersDueTogetherTakeTurns()
    {
        QFETCH(int, change);
        QFETCH(int, renders);
        QFETCH(int, unitsOver);
        CFiveScenesRig rig;
        const qint64 cost = CRenderedStep::Cost(*rig.Page()->m_scenes[0]->m_steps[0], rig.project.UniverseCount());
        rig.Page()->SetRenderBudget(renders * cost + unitsOver);
        const int perTick = renders + (unitsOver > 0 ? 1 : 0);
        if (change == 0) {
            rig.PlayAll();
        } else {
            rig.PlayAll();
            rig.Tick(5);
            QCOMPARE(rig.StepsRendered(), 5);
            if (change == 1)
                rig.project.UpdateAfterPatch(false, false);
            else
                delete rig.Page()->m_scenes[0]->m_steps[0]->m_entries.takeAt(0);
        }
        for (int tick = 1; tick <= 5; ++tick) {
            rig.Tick();
            QCOMPARE(rig.StepsRendered(), qMin(5, tick * perTick));
            QCOMPARE(rig.Out(0, 8), 31);
            QCOMPARE(rig.Out(0, 29), 64);
        }
    }

    // Scenes just started have the steps they play first rendered before
    // the tick that sends them, at least one of them whatever the budget.
    // That tick plays them as it would have rendered them itself, and what
    // they cost comes out of its own render budget. A slot too near for any
    // (`ahead` 0) leaves them all to the time after the tick. One unit makes
    // one render; a budget of n renders exactly makes n.
    void startedScenesAreRenderedBeforeTheirFirstTick_data()
    {
        Columns<int, int, int>("sceneFade", "stepFade", "ahead");
        QTest::newRow("holding") << 0 << 0 << 4;
        QTest::newRow("a scene fading in") << 500 << 0 << 4;
        QTest::newRow("a step fading in") << 0 << 500 << 4;
        QTest::newRow("one unit for them all") << 0 << 500 << 1;
        QTest::newRow("exactly two renders' worth") << 0 << 0 << 2;
        QTest::newRow("the slot too near") << 0 << 500 << 0;
    }
    void startedScenesAreRenderedBeforeTheirFirstTick()
    {
        const auto [sceneFade, stepFade, ahead] = Row<int, int, int>("sceneFade", "stepFade", "ahead");
        CStartRig rig(sceneFade, stepFade, true), plain(sceneFade, stepFade, false);
        const qint64 cost = CRenderedStep::Cost(*rig.Page()->m_scenes[0]->m_steps[0], rig.project.UniverseCount());
        const qint64 renderBudget = (ahead > 0 ? ahead : 4) * cost;
        rig.Page()->SetRenderBudget(renderBudget);
        rig.PlayAll();
        plain.PlayAll();
        qint64 budget = ahead == 1 ? 1 : ahead * cost;
        if (ahead > 0)
            QCOMPARE(rig.project.RenderDueNow(budget), ahead < 4);
        else
            rig.project.LeaveDueRendersBetweenTicks();
        QCOMPARE(rig.StepsRendered(), ahead);
        for (int tick = 1; tick <= 3; ++tick) {
            rig.Tick();
            plain.Tick();
            QCOMPARE(FirstDifference(rig.project.m_output, plain.project.m_output), QString());
            if (tick == 1) {
                QCOMPARE(rig.StepsRendered(), ahead);
                QCOMPARE(rig.StepsRendered(1), 0);
                QCOMPARE(rig.Page()->RenderSpent(), renderBudget);
                budget = 4 * cost;
                QVERIFY(ahead > 0 || !rig.project.RenderDueNow(budget));
            }
        }
        QVERIFY(rig.Out(1, 11) > 0);
    }

    // Scenes over every channel of 64 universes, started together: the
    // default budget, about two full renders, makes two and the one it
    // began within what was left; the rest wait their turn.
    void fullScenesTakeTurnsAtTheDefaultBudget()
    {
        CFiveScenesRig rig(64);
        rig.PlayAll();
        rig.Tick();
        QCOMPARE(rig.StepsRendered(), 3);
        QCOMPARE(rig.Out(63, 507), 5);
        rig.Tick();
        QCOMPARE(rig.StepsRendered(), 5);
    }
};

ORVANE_TEST(KeptRenderTest)
#include "KeptRenderTest.moc"
