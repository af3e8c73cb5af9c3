#include "TestRegistry.h"

#include "PlaybackRig.h"

#include <QtTest>

namespace {

// Five scenes playing a step each on two RGB fixtures of their own.
struct CFiveScenesRig : CPlaybackRig
{
    CFiveScenesRig()
    {
        CLibraryProfile* rgb = RgbProfile();
        for (int s = 0; s < 5; ++s) {
            CScene* scene = AddScene(QStringLiteral("S%1").arg(s));
            scene->m_playMode = ReleaseNone;
            AddStep(scene, 0, 100000,
                    {{Patch(rgb, 0, 6 * s), {10, 20, 30 + s}}, {Patch(rgb, 0, 6 * s + 3), {40, 50, 60 + s}}});
        }
    }
    void PlayAll()
    {
        for (CScene* scene : Page()->m_scenes)
            Page()->PlayScene(scene);
    }
    int ScenesRendered() const
    {
        int rendered = 0;
        for (CPlayingScene* entry : project.m_firstPage->m_playing)
            rendered += entry->KeptRender(entry->Scene()->m_currentStep, false) ? 1 : 0;
        return rendered;
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
        QCOMPARE(rig.ScenesRendered(), 5);
        switch (action) {
        case 0: rig.project.SetDimmer(20); break;
        case 1: rig.project.SetBlackOut(true); break;
        case 2: rig.project.SetBlackOut(false); break;
        case 3: rig.project.SetBeamOn(true); break;
        case 4: rig.project.SetLiveColor(1, 2, 3); break;
        default: rig.Page()->m_scenes[2]->SetDimmer(80); break;
        }
        QCOMPARE(rig.ScenesRendered(), 5);
    }

    // Steps all due at once are rendered a budget's worth a tick, the rest
    // in the ticks after, the levels exact meanwhile.
    void rendersDueTogetherTakeTurns_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("scenes started together") << 0;
        QTest::newRow("the patch") << 1;
        QTest::newRow("an entry deleted") << 2;
    }
    void rendersDueTogetherTakeTurns()
    {
        QFETCH(int, change);
        CFiveScenesRig rig;
        rig.Page()->SetRenderBudget(1);
        if (change == 0) {
            rig.PlayAll();
        } else {
            rig.PlayAll();
            rig.Tick(5);
            QCOMPARE(rig.ScenesRendered(), 5);
            if (change == 1)
                rig.project.UpdateAfterPatch(false, false);
            else
                delete rig.Page()->m_scenes[0]->m_steps[0]->m_entries.takeAt(0);
        }
        for (int tick = 1; tick <= 5; ++tick) {
            rig.Tick();
            QCOMPARE(rig.ScenesRendered(), tick);
            QCOMPARE(rig.Out(0, 8), 31);
            QCOMPARE(rig.Out(0, 29), 64);
        }
    }
};

ORVANE_TEST(KeptRenderTest)
#include "KeptRenderTest.moc"
