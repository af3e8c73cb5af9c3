#include "TestRegistry.h"

#include "effects/GradientEffect.h"

#include "PlaybackRig.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"

#include <QTemporaryDir>
#include <QtTest>

class ProjectTest : public QObject
{
    Q_OBJECT

private slots:
    void newDocumentHasOnePageAndOneGroup()
    {
        CRecordingHost host;
        CProject project;
        QCOMPARE(project.m_masterSpeed, 50);
        QCOMPARE(project.m_masterDimmer, 50);
        QCOMPARE(project.m_volume, 100);
        project.NewProject(4);
        QCOMPARE(project.UniverseCount(), 4);
        QCOMPARE(project.m_output.UniverseCount(), 4);
        QCOMPARE(project.m_pages.size(), 1);
        QCOMPARE(project.m_pages.first()->m_name, QStringLiteral("Scenes"));
        QCOMPARE(project.m_firstPage, project.m_pages.first());
        QCOMPARE(project.m_currentPage, project.m_pages.first());
        QCOMPARE(project.m_groups.size(), 1);
        QCOMPARE(project.m_groups.first()->m_name, QStringLiteral("General"));
        QCOMPARE(project.m_groups.first()->m_triggers.m_shortCut.m_keyName, QStringLiteral("F1"));
        QVERIFY(project.m_groups.first()->m_triggers.m_shortCut.m_key >= 0);
        QCOMPARE(project.m_generalGroup, project.m_groups.first());
        QCOMPARE(project.m_currentGroup, project.m_groups.first());
        QCOMPARE(project.CurrentGroupIndex(), 0);
        project.m_currentGroup = nullptr;
        QCOMPARE(project.CurrentGroupIndex(), -1);
    }

    // A second NewProject clears the first one instead of stacking a
    // second page and group on it; a negative count keeps the layers.
    void newProjectOnAFullProjectClearsItFirst()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 1, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.project.m_dmxInput[3][7] = 9;

        rig.project.NewProject(-1);
        QCOMPARE(rig.project.m_pages.size(), 1);
        QCOMPARE(rig.project.m_groups.size(), 1);
        QVERIFY(rig.project.m_generalGroup->m_fixtures.isEmpty());
        QCOMPARE(rig.project.UniverseCount(), 4);
        QCOMPARE(int(rig.project.m_dmxInput[3][7]), 9);
        QVERIFY(!rig.project.m_playbackRunning);

        rig.project.NewProject(8);
        QCOMPARE(rig.project.UniverseCount(), 8);
        QCOMPARE(rig.project.m_playback.UniverseCount(), 8);
        QCOMPARE(int(rig.project.m_dmxInput[3][7]), 0);
        QCOMPARE(rig.project.m_pages.size(), 1);
    }

    void clearKeepsInputsAndLeavesNoStalePointer()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        QTemporaryDir dir;
        const QString sound = dir.filePath(QStringLiteral("bell.wav"));
        QFile file(sound);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        scene->m_playSound = true;
        scene->m_sound = sound;
        QVERIFY(rig.Page()->PlayScene(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("PlaySceneSound:") + sound + QStringLiteral(":100")), 1);
        rig.project.m_editedScene = scene;
        rig.project.GetChannelFixture(2, 5);
        rig.project.m_fadingButtons << new CFadingButton(QStringLiteral("X"));
        rig.project.m_dmxConfig << new CDmxConfigRecord;
        rig.project.m_masks << CMask{QStringLiteral("M"), {}};
        rig.project.m_effectEngine.SetEffect(new CGradientEffect);
        for (CDmxLayer* layer : {&rig.project.m_liveMask, &rig.project.m_editMask, &rig.project.m_effectMask,
                                 &rig.project.m_playback, &rig.project.m_edit, &rig.project.m_live,
                                 &rig.project.m_output, &rig.project.m_dmxInput, &rig.project.m_recordInput})
            (*layer)[1][100] = 5;

        rig.project.Clear();
        QCOMPARE(rig.project.m_editedScene, nullptr);
        QCOMPARE(rig.project.m_soundScene, nullptr);
        QCOMPARE(rig.host.Count(QStringLiteral("StopSceneSound")), 1);
        QVERIFY(!rig.project.m_playbackRunning);
        QCOMPARE(rig.project.m_currentPage, nullptr);
        QCOMPARE(rig.project.m_firstPage, nullptr);
        QCOMPARE(rig.project.m_currentGroup, nullptr);
        QCOMPARE(rig.project.m_generalGroup, nullptr);
        QVERIFY(rig.project.m_pages.isEmpty());
        QVERIFY(rig.project.m_library.isEmpty());
        QVERIFY(rig.project.m_fadingButtons.isEmpty());
        QVERIFY(rig.project.m_dmxConfig.isEmpty());
        QVERIFY(rig.project.m_masks.isEmpty());
        QCOMPARE(rig.project.m_effectEngine.Effect(), nullptr);
        QVERIFY(rig.project.m_rawChannels.isEmpty());
        QCOMPARE(rig.project.RawChannelAt(2, 5), nullptr);
        for (int u = 0; u < 4; ++u)
            QVERIFY(!rig.project.IsActive(u));
        QCOMPARE(int(rig.project.m_dmxInput[1][100]), 5);
        QCOMPARE(int(rig.project.m_recordInput[1][100]), 5);
        for (const CDmxLayer* layer : {&rig.project.m_liveMask, &rig.project.m_editMask, &rig.project.m_effectMask,
                                       &rig.project.m_playback, &rig.project.m_edit, &rig.project.m_live,
                                       &rig.project.m_output})
            QCOMPARE(int((*layer)[1][100]), 0);
        // Ticking and merging an empty document is harmless.
        rig.Tick();
        rig.project.NewProject(-1);
        QCOMPARE(rig.project.m_pages.size(), 1);
    }

    void resetStartsANewProject()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.host.calls.clear();
        rig.project.Reset();
        QCOMPARE(rig.host.calls,
                 QStringList({QStringLiteral("ResetPresets"), QStringLiteral("ClearTimeMarkers"),
                              QStringLiteral("ClearTimeLine"), QStringLiteral("SetTimeLineLength:900000"),
                              QStringLiteral("OnProjectLoaded")}));
        QCOMPARE(rig.project.m_pages.size(), 1);
        QVERIFY(rig.project.m_generalGroup->m_fixtures.isEmpty());
        QVERIFY(!rig.project.IsActive(0));
    }

    void updateAfterPatchSortsGroupsAndFindsActiveUniverses()
    {
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.RgbProfile();
        CPatchedFixture* late = rig.Patch(profile, 1, 10);
        CPatchedFixture* early = rig.Patch(profile, 0, 200);
        CPatchedFixture* middle = rig.Patch(profile, 1, 5);
        CPatchedFixture* twin = rig.Patch(profile, 1, 5); // same place: keeps its order
        CGroup* general = rig.project.m_generalGroup;
        general->m_beamFlags[0] = {true};
        rig.project.UpdateAfterPatch(true, false);
        QCOMPARE(general->m_fixtures, QList<CPatchedFixture*>({early, middle, twin, late}));
        QCOMPARE(general->m_beamFlags,
                 QList<QList<bool>>({QList<bool>{false}, QList<bool>{false}, QList<bool>{false}, QList<bool>{true}}));
        // A group already in order whose flags fall short gets its members' own.
        general->m_beamFlags.removeLast();
        rig.project.UpdateAfterPatch(true, false);
        QCOMPARE(general->m_fixtures, QList<CPatchedFixture*>({early, middle, twin, late}));
        QCOMPARE(general->m_beamFlags.size(), 4);
        QCOMPARE(general->m_beamFlags.last(), late->BeamFlags());
        QVERIFY(rig.project.IsActive(0));
        QVERIFY(rig.project.IsActive(1));
        QVERIFY(!rig.project.IsActive(2));

        // A fixture of a universe the project does not have activates nothing.
        rig.Patch(profile, 7, 0);
        rig.Patch(profile, -1, 0);
        QVERIFY(!rig.project.IsActive(7));
        QVERIFY(!rig.project.IsActive(3));
        rig.project.GetChannelFixture(3, 511);
        QVERIFY(rig.project.IsActive(3));
        rig.project.UpdateAfterPatch(false, false);
        QVERIFY(rig.project.IsActive(3));
    }

    void savedPlayingScenesRestartOnlyWithTheOption()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Saved"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        auto* effect = new CEffectScene(QStringLiteral("Effect"), 4);
        rig.project.m_effectScenes << effect;
        auto save = [&] {
            rig.project.m_savedPlayingPages = {rig.Page(), nullptr};
            rig.project.m_savedPlayingScenes = {scene, effect};
            rig.project.m_savedPlayingCopies = {nullptr, effect};
            rig.project.m_savedSelectedFixtures = {rgb};
        };

        save();
        rig.project.UpdateAfterPatch(true, true);
        QVERIFY(!rig.Page()->IsPlaying(scene));
        QCOMPARE(rig.project.m_generalGroup->m_selectedFixtures, QList<CPatchedFixture*>({rgb}));
        QVERIFY(rig.project.m_savedSelectedFixtures.isEmpty());

        rig.host.startScenes = true;
        save();
        rig.project.m_generalGroup->m_selectedFixtures.clear();
        rig.project.UpdateAfterPatch(true, true);
        QVERIFY(rig.Page()->IsPlaying(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateReleaseScenesAction")), 1);
        // Effect copies wait for the effect engine: nothing starts yet.
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateReleaseEffectsAction")), 0);
        QCOMPARE(rig.project.m_generalGroup->m_selectedFixtures, QList<CPatchedFixture*>({rgb}));

        // A scene that already plays is not started twice.
        save();
        rig.project.UpdateAfterPatch(true, true);
        QCOMPARE(rig.Page()->m_playing.size(), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateReleaseScenesAction")), 1);
    }

    void anEffectSceneItselfNeverPlaysFromAPage()
    {
        CPlaybackRig rig;
        auto* effect = new CEffectScene(QStringLiteral("Effect"), 4);
        rig.project.m_effectScenes << effect;
        QVERIFY(!rig.project.StartQueuedEffectCopy(rig.Page(), effect));
        QVERIFY(!rig.project.RestartSavedEffectCopy(effect));
        rig.project.FinishEffectCopy(rig.Page(), effect, true);
        QVERIFY(!rig.Page()->PlayScene(effect));

        // Queued as if it were a copy, the effect scene itself only leaves the pending list.
        rig.Page()->m_pending << effect;
        rig.Page()->m_pendingRemove << 0;
        rig.Page()->m_hasPending = true;
        QVERIFY(rig.Page()->ProcessPendingStops());
        QVERIFY(rig.Page()->m_pending.isEmpty());
        QVERIFY(!rig.Page()->m_hasPending);
        QCOMPARE(rig.project.m_effectScenes.size(), 1);
    }

    void playingQueries()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        CScene* idle = rig.AddScene(QStringLiteral("Idle"));
        QVERIFY(!rig.project.IsScenePlaying(scene));
        QVERIFY(!rig.project.IsScenePlaying(nullptr));
        QVERIFY(rig.Page()->PlayScene(scene));
        QVERIFY(rig.project.IsScenePlaying(scene));
        QVERIFY(!rig.project.IsScenePlaying(idle));
        QCOMPARE(rig.Page()->IndexOfPlaying(scene), 0);
        QCOMPARE(rig.Page()->IndexOfPlaying(idle), -1);

        // An effect scene plays while a running copy made from it exists.
        auto* effect = new CEffectScene(QStringLiteral("Effect"), 4);
        rig.project.m_effectScenes << effect;
        QVERIFY(!rig.project.IsScenePlaying(effect));
        auto* copy = new CEffectScene(*effect, false, true, false, false);
        copy->m_runningCopy = true;
        copy->m_source = effect;
        rig.project.m_runningCopies << copy;
        QVERIFY(rig.project.IsScenePlaying(effect));

        // The copy shows no step yet: -1 even though it is found.
        CPatchedFixture* other = rig.Patch(rig.RgbProfile(), 1, 0);
        copy->m_drivenFixtures = {rgb};
        QCOMPARE(rig.project.FindRunningEffect(effect), -1);
        auto* step = new CSceneStep(0, 1000);
        copy->m_steps << new CSceneStep(0, 1000) << step;
        copy->UpdateLength();
        copy->GoToStep(1, 0);
        QCOMPARE(rig.project.FindRunningEffect(effect), 1);
        rig.project.m_currentGroup->m_selectedFixtures = {rgb};
        QCOMPARE(rig.project.FindRunningEffect(effect), 1);
        // A selected fixture the copy does not drive: no copy matches.
        rig.project.m_currentGroup->m_selectedFixtures = {rgb, other};
        QCOMPARE(rig.project.FindRunningEffect(effect), -1);
        QCOMPARE(rig.project.FindRunningEffect(nullptr), -1);
    }

    // Live levels count only in universes that hold something.
    void liveLevelsOfActiveUniverses()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 1, 0);
        QVERIFY(!rig.project.HasLiveLevels());
        rig.project.m_liveMask[2][511] = 1;
        QVERIFY(!rig.project.HasLiveLevels());
        rig.project.m_liveMask[1][511] = 1;
        QVERIFY(rig.project.HasLiveLevels());
    }

    void rawChannelsAreMadeOnce()
    {
        CPlaybackRig rig;
        CPatchedFixture* raw = rig.project.GetChannelFixture(2, 17);
        QVERIFY(raw);
        QCOMPARE(raw->m_universe, 2);
        QCOMPARE(raw->m_address, 17);
        QCOMPARE(raw->Profile(), nullptr);
        QCOMPARE(rig.project.GetChannelFixture(2, 17), raw);
        QCOMPARE(rig.project.RawChannelAt(2, 17), raw);
        QCOMPARE(rig.project.m_rawChannels.size(), 1);
        QVERIFY(rig.project.IsActive(2));
        QCOMPARE(rig.project.GetChannelFixture(4, 0), nullptr);
        QCOMPARE(rig.project.GetChannelFixture(0, 512), nullptr);
        QCOMPARE(rig.project.GetChannelFixture(0, -1), nullptr);
        QCOMPARE(rig.project.RawChannelAt(-1, 0), nullptr);
        QCOMPARE(rig.project.EditLevels(4), nullptr);
        QCOMPARE(rig.project.EditMask(-1), nullptr);
    }

    void pageUpkeep()
    {
        CPlaybackRig rig;
        CScene* a = rig.AddScene(QStringLiteral("A"));
        CScene* b = rig.AddScene(QStringLiteral("B"));
        CScene* c = rig.AddScene(QStringLiteral("C"));
        a->m_jumpIndex = 2;
        b->m_jumpIndex = 3; // past the end: no target
        c->m_jumpIndex = -1;
        rig.Page()->ResolveJumps();
        QCOMPARE(a->m_jumpTarget, c);
        QCOMPARE(b->m_jumpTarget, nullptr);
        QCOMPARE(c->m_jumpTarget, nullptr);

        a->m_releaseList = {b, c, b};
        rig.Page()->ReplaceInStopLists(b, c);
        QCOMPARE(a->m_releaseList, QList<CScene*>({c, c, b}));

        a->m_position = 0;
        b->m_position = 2;
        c->m_position = 0;
        rig.Page()->UniqueScenePosition(2);
        QCOMPARE(c->m_position, 1);
        rig.Page()->UniqueScenePosition(7);

        // A deleted scene leaves no stored crossfade pointing at it.
        auto* button = new CFadingButton(QStringLiteral("X"));
        button->m_fadeInPages = {rig.Page(), rig.Page()};
        button->m_fadeInScenes = {b, c};
        button->m_fadeOutPages = {rig.Page()};
        button->m_fadeOutScenes = {b};
        rig.project.m_fadingButtons << button;
        rig.Page()->DeleteScene(b);
        QCOMPARE(button->m_fadeInScenes, QList<CScene*>({c}));
        QCOMPARE(button->m_fadeInPages.size(), 1);
        QVERIFY(button->m_fadeOutScenes.isEmpty());
        QVERIFY(button->m_fadeOutPages.isEmpty());
        QCOMPARE(rig.host.Count(QStringLiteral("FadingRemoveScene")), 1);
        rig.Page()->DeleteScene(b); // no longer in the page: nothing happens
        QCOMPARE(rig.host.Count(QStringLiteral("ReloadPage")), 1);
    }

    void effectScenePositionsAreUnique()
    {
        CPlaybackRig rig;
        for (int i = 0; i < 3; ++i)
            rig.project.m_effectScenes << new CEffectScene(QStringLiteral("E%1").arg(i), 4);
        rig.project.m_effectScenes[0]->m_position = 1;
        rig.project.m_effectScenes[1]->m_position = 0;
        rig.project.UniqueEffectScenePosition(2);
        QCOMPARE(rig.project.m_effectScenes[2]->m_position, 2);
        rig.project.UniqueEffectScenePosition(-1);
    }

    // The sound of a scene plays while the scene does; a missing file is
    // not handed to the player.
    void sceneSoundFollowsTheScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Loud"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        scene->m_playSound = true;
        scene->m_sound = QStringLiteral("/nonexistent/bell.wav");
        QVERIFY(rig.Page()->PlayScene(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("PlaySceneSound")), 0);
        rig.Page()->StopScene(scene, false, false, true, true);
        rig.Tick();

        QTemporaryDir dir;
        scene->m_sound = dir.filePath(QStringLiteral("bell.wav"));
        QFile file(scene->m_sound);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(rig.Page()->PlayScene(scene, -1, -1, false, true)); // from the timeline: silent
        QCOMPARE(rig.host.Count(QStringLiteral("PlaySceneSound")), 0);
        QVERIFY(rig.Page()->PlayScene(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("PlaySceneSound")), 1);
        QCOMPARE(rig.project.m_soundScene, scene);
        rig.Page()->StopScene(scene, false, false, true, true);
        rig.Tick();
        QCOMPARE(rig.host.Count(QStringLiteral("StopSceneSound")), 1);
        QCOMPARE(rig.project.m_soundScene, nullptr);
    }

    void tickRunsOnlyWhilePlaybackRuns()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.m_playback[0][3] = 50;
        rig.project.Tick(25);
        QCOMPARE(rig.Played(0, 3), 50);
        rig.project.m_playbackRunning = true;
        rig.project.m_playback[1][3] = 60; // inactive universe: left alone
        rig.project.Tick(25);
        QCOMPARE(rig.Played(0, 3), 0);
        QCOMPARE(rig.Played(1, 3), 60);
    }
};

ORVANE_TEST(ProjectTest)
#include "ProjectTest.moc"
