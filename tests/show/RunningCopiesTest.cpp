#include "DataTable.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowAtBound.h"
#include "model/Language.h"
#include "Captions.h"
#include "ShowReferences.h"
#include "effects/GradientEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PresetEffect.h"
#include "show/EffectScene.h"

#include <QtTest>

namespace {

// Effect scenes whose preset effect sets the zoom of the heads to one level.
class CCopiesRig : public CZoomHeadsRig
{
public:
    using CZoomHeadsRig::CZoomHeadsRig;

    CEffectScene* ZoomEffect(int level, int fadeOut = 0)
    {
        auto* effect = new CPresetEffect;
        effect->m_percent = false;
        effect->m_dmxMin = level;
        effect->m_dmxMax = level;
        effect->m_channelTypes = {ChannelType::Zoom};
        CEffectScene* scene = project.AddEffectScene();
        scene->m_effects << effect;
        scene->m_fadeOut = fadeOut;
        return scene;
    }

    QList<CPatchedFixture*> Heads(std::initializer_list<int> indexes) const
    {
        QList<CPatchedFixture*> list;
        for (int i : indexes)
            list << heads[i];
        return list;
    }

    // The zoom level each head gets from playback.
    QList<int> Zooms() const
    {
        QList<int> levels;
        for (int i = 0; i < heads.size(); ++i)
            levels << Played(0, 10 * i);
        return levels;
    }

    CEffectScene* Running(int n) const { return project.m_runningCopies.value(n); }
};

} // namespace

class RunningCopiesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    // A copy is a scene of the show while it runs. Started live, often by a
    // trigger, a copy with no room is not made: the status bar says why,
    // and no message stops the show.
    void aCopyWithNoRoomIsNotStarted()
    {
        CCopiesRig rig(256);
        CEffectScene* full = rig.ZoomEffect(255);
        rig.Select({0, 1});
        FillToBound(rig.project, CShowBounds::Scenes);
        rig.host.calls.clear();
        QVERIFY(!rig.project.PlayEffectScene(full));
        QVERIFY(rig.project.m_queuedCopies.isEmpty());
        const QString words = CShowBounds::ShowHoldsTooMany(CShowBounds::Scenes);
        QCOMPARE(rig.host.calls, QStringList{QStringLiteral("ShowStatusMessage:") + words});
    }

    // Copies waiting for the next tick take room as running ones do, and so
    // does the copy that fades out what a stop for a new selection gives
    // up: at the bound neither is made, and the show stays at it.
    void copiesTakeRoomBeforeTheyRun_data()
    {
        QTest::addColumn<bool>("queued");
        QTest::newRow("a copy behind a queued one") << true;
        QTest::newRow("the fading copy of a stop for the selection") << false;
    }
    void copiesTakeRoomBeforeTheyRun()
    {
        QFETCH(bool, queued);
        CCopiesRig rig(1);
        CEffectScene* full = rig.ZoomEffect(255, 1000);
        rig.Select({0, 1});
        if (queued) {
            FillToBound(rig.project, CShowBounds::Scenes, 1);
            QVERIFY(rig.project.PlayEffectScene(full));
            rig.Select({2});
            rig.host.calls.clear();
            QVERIFY(!rig.project.PlayEffectScene(full));
        } else {
            QVERIFY(rig.project.PlayEffectScene(full));
            rig.Tick();
            FillToBound(rig.project, CShowBounds::Scenes);
            rig.Select({0});
            rig.host.calls.clear();
            QVERIFY(!rig.project.StopEffectScene(full, false));
        }
        const QString words = CShowBounds::ShowHoldsTooMany(CShowBounds::Scenes);
        QCOMPARE(rig.host.calls, QStringList{QStringLiteral("ShowStatusMessage:") + words});
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::Scenes), CShowBounds::Bound(CShowBounds::Scenes));
    }

    void copiesStartOnTheNextTickAndGiveUpWhatANewOneTakes()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        CEffectScene* half = rig.ZoomEffect(100);
        QVERIFY(!rig.project.PlayEffectScene(full)); // nothing selected to bind to
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(full));
        CEffectScene* first = rig.project.m_queuedCopies.value(0);
        QCOMPARE(first->m_source, full);
        rig.Select({2}); // the copy keeps the selection it was made on
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies, QList<CEffectScene*>({first}));
        QCOMPARE(rig.Zooms(), QList<int>({255, 255, 0, 0}));

        // The same selection twice leaves the second copy alone.
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(full));
        CEffectScene* second = rig.project.m_queuedCopies.value(0);
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies, QList<CEffectScene*>({second}));
        QCOMPARE(rig.Page()->m_playing.size(), 1);

        // Half of it taken: the first keeps the other half.
        rig.Select({1, 2});
        QVERIFY(rig.project.PlayEffectScene(half));
        rig.Tick();
        QCOMPARE(second->m_drivenFixtures, rig.Heads({0}));
        QCOMPARE(rig.Zooms(), QList<int>({255, 100, 100, 0}));

        // A disjoint selection takes nothing.
        rig.Select({3});
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies.size(), 3);
        QCOMPARE(rig.Zooms(), QList<int>({255, 100, 100, 255}));
    }

    // A copy gives up a head to a newer one only where both drive the same
    // channels: colours and pan/tilt of one head go to different copies.
    void colourAndPanTiltCopiesShareHeadsByChannel_data()
    {
        QTest::addColumn<bool>("firstPanTilt");
        QTest::addColumn<bool>("secondPanTilt");
        QTest::addColumn<int>("keptByFirst");
        QTest::newRow("colour, colour") << false << false << 1;
        QTest::newRow("pan/tilt, pan/tilt") << true << true << 1;
        QTest::newRow("colour, pan/tilt") << false << true << 2;
        QTest::newRow("pan/tilt, colour") << true << false << 2;
    }
    void colourAndPanTiltCopiesShareHeadsByChannel()
    {
        QFETCH(bool, firstPanTilt);
        QFETCH(bool, secondPanTilt);
        QFETCH(int, keptByFirst);
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.MovingHeadProfile();
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        const QList<CPatchedFixture*> heads{rig.Patch(profile, 0, 0), rig.Patch(profile, 0, 10),
                                            rig.Patch(profile, 0, 20)};
        auto play = [&](bool panTilt, const QList<CPatchedFixture*>& selection) {
            CEffectScene* scene = rig.project.AddEffectScene();
            scene->m_effects << (panTilt ? static_cast<CEffect*>(new CPanTiltEffect) : new CGradientEffect(1000));
            rig.project.m_currentGroup->m_selectedFixtures = selection;
            for (CPatchedFixture* head : selection) {
                for (bool& flag : head->BeamFlags())
                    flag = true;
            }
            QVERIFY(rig.project.PlayEffectScene(scene));
            rig.Tick();
        };
        play(firstPanTilt, {heads[0], heads[1]});
        CEffectScene* first = rig.project.m_runningCopies.value(0);
        QVERIFY(first);
        play(secondPanTilt, {heads[1], heads[2]});
        QCOMPARE(rig.project.m_runningCopies.size(), 2);
        QCOMPARE(first->m_drivenFixtures, heads.mid(0, keptByFirst));
    }

    void stoppingWithoutFadeOutActsOnTheSelectionOnly()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        full->m_loopCount = 1; // one pass of the 10 s step
        rig.Select({0, 1, 2, 3});
        QVERIFY(!rig.project.StopEffectScene(full, false)); // nothing plays
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Tick();
        rig.Select({});
        QVERIFY(!rig.project.StopEffectScene(full, false));

        rig.Select({0, 1});
        QVERIFY(rig.project.StopEffectSceneAt(0));
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 255, 255}));
        // What is left still ends with its run.
        rig.Tick(400); // 10 025 ms in all
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));
        QVERIFY(!rig.project.m_playbackRunning);
    }

    void stoppingWithFadeOutFadesTheSelectionWhileTheRestPlaysOn()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255, 1000);
        rig.Select({0, 1, 2, 3});
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Tick();
        CEffectScene* copy = rig.Running(0);

        rig.Select({0, 1});
        QVERIFY(rig.project.StopEffectScene(full, false));
        CEffectScene* fading = rig.project.m_queuedCopies.value(0);
        QCOMPARE(fading->m_drivenFixtures, rig.Heads({0, 1}));
        QCOMPARE(int(rig.project.m_edit[0][0]), 0); // not where the levels are kept
        // r = (0 + 40) / 1000: 255 x 0.96 = 244.8; then r = 65 / 1000: 238.4.
        rig.Tick();
        QCOMPARE(copy->m_drivenFixtures, rig.Heads({2, 3}));
        QCOMPARE(rig.Zooms(), QList<int>({244, 244, 255, 255}));
        rig.Tick();
        QCOMPARE(rig.Zooms(), QList<int>({238, 238, 255, 255}));

        // Stopping it again ends the fade.
        QVERIFY(rig.project.StopEffectScene(full, false));
        rig.Tick(2);
        QCOMPARE(rig.project.m_runningCopies, QList<CEffectScene*>({copy}));
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 255, 255}));
    }

    void togglesAndTriggersPlayOrStopOnTheSelection()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        full->m_triggers.m_dmxTrigger.m_minimum = 100;
        full->m_triggers.m_dmxTrigger.m_maximum = 200;
        rig.Select({0});
        QVERIFY(!rig.project.TriggerEffectScene(full, CPage::LevelTrigger, 99));
        QVERIFY(rig.project.TriggerEffectScene(full, CPage::LevelTrigger, 200));
        rig.Tick();
        // Playing: neither a second copy nor a stop.
        QVERIFY(!rig.project.ToggleEffectScene(full, true, false));
        QVERIFY(rig.project.m_queuedCopies.isEmpty() && !rig.Page()->IsPending(rig.Running(0)));
        QVERIFY(!rig.project.TriggerEffectScene(full, CPage::LevelTrigger, 201));
        rig.Tick();
        QVERIFY(rig.project.m_runningCopies.isEmpty());

        // Auto-release: a press on a playing copy does nothing, release stops.
        full->m_triggers.m_bAutoRelease = true;
        QVERIFY(rig.project.TriggerEffectScene(full, CPage::KeyTrigger, 1));
        rig.Tick();
        QVERIFY(!rig.project.TriggerEffectScene(full, CPage::KeyTrigger, 1));
        QVERIFY(!rig.Page()->IsPending(rig.Running(0)));
        QVERIFY(!rig.project.TriggerEffectScene(full, CPage::KeyTrigger, 0));
        rig.Tick();
        QVERIFY(rig.project.m_runningCopies.isEmpty());
    }

    void releaseEffectsStopsEveryCopyIncludingOnesQueuedThisTick()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255, 2000);
        CEffectScene* low = rig.ZoomEffect(50);
        // Two copies of one effect scene, finished in the same pass.
        for (int head : {0, 1, 2}) {
            rig.Select({head});
            QVERIFY(rig.project.PlayEffectScene(head < 2 ? full : low));
        }
        rig.Tick();
        rig.Select({3});
        QVERIFY(rig.project.PlayEffectScene(low));

        rig.project.ReleaseEffects();
        QVERIFY(rig.project.m_queuedCopies.isEmpty());
        rig.Tick(); // no fade-out despite the fade-out time
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QVERIFY(rig.Page()->m_playing.isEmpty() && rig.Page()->m_pending.isEmpty());
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));
    }

    void aCopyReleasedWhileAnotherFinishesIsLeftToItsOwnFinish()
    {
        CCopiesRig rig;
        CEffectScene* wide = rig.ZoomEffect(255, 40);
        CEffectScene* narrow = rig.ZoomEffect(100);
        rig.Select({0, 1, 2});
        QVERIFY(rig.project.PlayEffectScene(wide));
        rig.Tick();
        CEffectScene* fading = rig.Running(0);
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(narrow));
        rig.Tick();

        // The fade-out (as at the end of its loops) is over in the pass that
        // also finishes the released copy, which plays on the rest of the
        // fading copy's selection.
        rig.Page()->StopScene(fading, false, false, true, true);
        rig.Tick(2);
        QVERIFY(rig.project.StopEffectScene(narrow, true));
        rig.Tick();
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));
    }

    void deletingAnEffectSceneRemovesItsCopiesAtOnce()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255, 1000);
        CEffectScene* low = rig.ZoomEffect(50);
        rig.Select({0, 1, 2});
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Select({3});
        QVERIFY(rig.project.PlayEffectScene(low));
        rig.Tick();
        // Fading out of one head, queued to fade out of another, waiting to start.
        rig.Select({0});
        QVERIFY(rig.project.StopEffectScene(full, false));
        rig.Tick();
        rig.Select({1});
        QVERIFY(rig.project.StopEffectScene(full, false));
        rig.Select({2});
        QVERIFY(rig.project.PlayEffectScene(full));

        rig.project.DeleteEffectScene(2);
        QCOMPARE(rig.project.m_effectScenes.size(), 2);
        rig.project.DeleteEffectScene(0);
        QCOMPARE(rig.project.m_effectScenes, QList<CEffectScene*>({low}));
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QVERIFY(rig.project.m_queuedCopies.isEmpty() && rig.Page()->m_pending.isEmpty());
        QCOMPARE(rig.heads[0]->DrivingSceneCount(), 0);
        rig.Tick();
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 50}));

        // The editor's removal goes the same way, and nothing it wrote stays.
        rig.Select({0});
        QVERIFY(rig.project.PlayEffectScene(low));
        QVERIFY(rig.project.RemoveEffectScene(0));
        QVERIFY(rig.project.m_runningCopies.isEmpty() && rig.project.m_queuedCopies.isEmpty());
        rig.Tick();
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));

        // Copies left waiting when the project closes are freed with it.
        CEffectScene* again = rig.ZoomEffect(255, 1000);
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(again));
        rig.Tick();
        rig.Select({0});
        QVERIFY(rig.project.StopEffectScene(again, false));
        QVERIFY(rig.project.PlayEffectScene(again));
    }

    // A copy the last pass finished is deleted only by the next call that
    // may: until then it names no effect scene deleted in between.
    void aCopyFinishedInTheLastPassForgetsItsDeletedEffectScene()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        rig.Select({0});
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Tick();
        QVERIFY(rig.project.StopEffectScene(full, true));
        rig.Tick();
        QCOMPARE(rig.project.m_retiredCopies.size(), 1);
        QVERIFY(rig.project.RemoveEffectScene(0));
        QCOMPARE(StaleReferences(rig.project), QStringList());
    }

    // The editor swaps an effect scene for its copy and deletes the one it
    // replaced: copies running or waiting to start follow to the new one,
    // play on and stop with it.
    void copiesFollowTheirEffectSceneSwappedByTheEditor_data()
    {
        Columns<bool>("started");
        QTest::newRow("running") << true;
        QTest::newRow("waiting to start") << false;
    }
    void copiesFollowTheirEffectSceneSwappedByTheEditor()
    {
        const auto [started] = Row<bool>("started");
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(full));
        if (started)
            rig.Tick();
        CEffectScene* copy = started ? rig.Running(0) : rig.project.m_queuedCopies.value(0);
        auto* swapped = new CEffectScene(*full, true, true, true, true);
        rig.project.SetEditedScene(full, swapped);
        delete full;
        rig.project.SetEditedScene(nullptr, nullptr);
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies, QList<CEffectScene*>({copy}));
        QCOMPARE(copy->m_source, swapped);
        QCOMPARE(rig.Zooms(), QList<int>({255, 255, 0, 0}));
        QVERIFY(rig.project.StopEffectScene(swapped, true));
        rig.Tick(2);
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.Zooms(), QList<int>({0, 0, 0, 0}));
    }

    void removedFixturesLeaveWaitingCopies()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255);
        rig.Select({0, 1});
        QVERIFY(rig.project.PlayEffectScene(full));
        rig.Select({2});
        QVERIFY(rig.project.PlayEffectScene(full));
        CEffectScene* pair = rig.project.m_queuedCopies.value(0);

        rig.project.RemoveFixtures({rig.heads[0]}, false);
        QCOMPARE(pair->m_capturedSelection, rig.Heads({1}));
        // Left without fixtures, a waiting copy goes.
        rig.project.RemoveFixtures({rig.heads[2]}, false);
        QCOMPARE(rig.project.m_queuedCopies, QList<CEffectScene*>({pair}));
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies, QList<CEffectScene*>({pair}));
        QCOMPARE(rig.Played(0, 10), 255);
    }

    void removingACopyChecksItsIndexAndThePendingList()
    {
        CCopiesRig rig;
        CEffectScene* full = rig.ZoomEffect(255, 1000);
        for (int head : {0, 1}) {
            rig.Select({head});
            QVERIFY(rig.project.PlayEffectScene(full));
        }
        rig.Tick();
        rig.project.RemoveRunningCopy(7, nullptr);
        CEffectScene* copy = rig.Running(0)->m_drivenFixtures == rig.Heads({0}) ? rig.Running(0) : rig.Running(1);
        const int staleIndex = 1 - rig.project.m_runningCopies.indexOf(copy);

        // Fading out, so pending too.
        rig.Page()->StopScene(copy, false, false, true, true);
        rig.project.RemoveRunningCopy(staleIndex, copy);
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QVERIFY(!rig.project.m_runningCopies.contains(copy));
        QVERIFY(rig.Page()->m_pending.isEmpty() && rig.Page()->m_pendingRemove.isEmpty());
        QCOMPARE(rig.Page()->m_playing.size(), 1);
        QCOMPARE(rig.heads[0]->DrivingSceneCount(), 0);
        QCOMPARE(rig.heads[1]->DrivingSceneCount(), 1);
    }

    void savedCopiesRestartOnTheSelectionTheyRecorded()
    {
        CCopiesRig rig;
        rig.host.startScenes = true;
        CEffectScene* full = rig.ZoomEffect(255);
        // As the reader keeps a saved copy, owned by the project: the effect
        // with its selection.
        auto* saved = new CEffectScene(*full, false, true, false, true);
        saved->m_source = full;
        CEffect* recorded = saved->m_effects.first();
        for (int i : {1, 3}) {
            recorded->m_fixtures << rig.heads[i];
            recorded->m_fixtureSel << true;
            recorded->m_beamIndex << 0;
            recorded->m_beamFixtures << rig.heads[i];
            recorded->m_beamSel << true;
        }
        rig.project.m_savedPlayingPages = {nullptr};
        rig.project.m_savedPlayingScenes = {full};
        rig.project.m_savedPlayingCopies = {saved};
        rig.project.m_savedSelectedFixtures = rig.Heads({0});

        rig.project.UpdateAfterPatch(true, true);
        rig.Tick();
        QCOMPARE(rig.Zooms(), QList<int>({0, 255, 0, 255}));
        QCOMPARE(rig.project.m_generalGroup->m_selectedFixtures, rig.Heads({0}));
        QVERIFY(!rig.project.RestartSavedEffectCopy(saved)); // one plays already
        QVERIFY(rig.project.m_queuedCopies.isEmpty());
        // The saved copy stays the project's, which deletes it when cleared.
    }
};

ORVANE_TEST(RunningCopiesTest)
#include "RunningCopiesTest.moc"
