#include "DataTable.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "RawChannelScene.h"
#include "show/SpeedScale.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// A dimmer and a focus channel: blackout forces the one and leaves the other.
CLibraryProfile* DimmerFocusProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    AddDimmer(*profile);
    AddChannel(*profile, ChannelType::Focus);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

// A host that tries to run the tick again from inside it.
class CReenteringHost : public CRecordingHost
{
public:
    CProject* project = nullptr;
    int reentries = 0;

    void RefreshLivePage() override
    {
        CRecordingHost::RefreshLivePage();
        Reenter();
    }
    void OnSceneStarted(CPage* page, CScene* scene) override
    {
        CRecordingHost::OnSceneStarted(page, scene);
        Reenter();
    }

private:
    void Reenter()
    {
        ++reentries;
        project->Tick(25);
        project->MergeOutput();
    }
};

} // namespace

class PlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void speedScalesElapsedTime_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("expected");
        // Below 50: (trunc(speed * 95 / 50) + 5) percent of the time.
        QTest::newRow("0, one tick") << 0 << 25 << 1;       // 5 % of 25 = 1.25
        QTest::newRow("0, one second") << 0 << 1000 << 50;
        QTest::newRow("25") << 25 << 1000 << 520;          // 47 + 5 = 52 %
        QTest::newRow("25, one tick") << 25 << 25 << 13;
        QTest::newRow("49") << 49 << 1000 << 980;          // 93 + 5 = 98 %
        QTest::newRow("49, one tick") << 49 << 25 << 24;   // 24.5
        QTest::newRow("50") << 50 << 25 << 25;
        // Above 50: a fixed addition of trunc((speed - 50) * 360 / 50).
        QTest::newRow("51") << 51 << 25 << 32;             // + 7.2
        QTest::newRow("51, one second") << 51 << 1000 << 1007;
        QTest::newRow("100") << 100 << 25 << 385;
        QTest::newRow("100, one second") << 100 << 1000 << 1360;
        // A long gap between ticks must not overflow the percentage.
        QTest::newRow("49, long gap") << 49 << 30000000 << 29400000;
    }
    void speedScalesElapsedTime()
    {
        QFETCH(int, speed);
        QFETCH(int, elapsed);
        QFETCH(int, expected);
        QCOMPARE(ScaleElapsedBySpeed(elapsed, speed), expected);
    }

    // r = min(1, (counter + 40) / 1000); level = trunc(to * r) from 0.
    void fadeInFollowsTheFadeFormula()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("In"), 1000);
        rig.AddStep(scene, 0, 1000, {{rgb, {255, 0, 201}}});
        QVERIFY(rig.Page()->PlayScene(scene));

        const QList<QPair<int, QPair<int, int>>> expected = {
            {1, {10, 8}},     // r = 0.04
            {2, {16, 13}},    // r = 0.065
            {20, {131, 103}}, // r = 0.515
            {39, {252, 198}}, // r = 0.99
            {40, {255, 201}}, // counter 975: r capped at 1
            {41, {255, 201}}, // the fade-in is over: the step is written whole
        };
        int tick = 0;
        for (const auto& point : expected) {
            rig.Tick(point.first - tick);
            tick = point.first;
            QCOMPARE(rig.Out(0, 10), point.second.first);
            QCOMPARE(rig.Out(0, 12), point.second.second);
            QCOMPARE(rig.Out(0, 11), 0);
            QCOMPARE(scene->m_fadingIn, tick < 40);
        }
    }

    // Forced levels cut through a running fade; a raw channel (no profile)
    // knows only blackout. Tick 20 of a 1000 ms fade-in: r = 0.515, so
    // red 201 fades to 103.
    void forcedLevelsCutThroughAFade_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::addColumn<int>("mode"); // 0 blackout, 1 beam on, 2 live colour
        QTest::addColumn<int>("expected");
        QTest::newRow("blackout") << false << 0 << 0;
        QTest::newRow("beam on") << false << 1 << 255;
        QTest::newRow("live colour") << false << 2 << 77;
        QTest::newRow("raw, blackout") << true << 0 << 0;
        QTest::newRow("raw, beam on") << true << 1 << 103;
        QTest::newRow("raw, live colour") << true << 2 << 103;
    }
    void forcedLevelsCutThroughAFade()
    {
        QFETCH(bool, raw);
        QFETCH(int, mode);
        QFETCH(int, expected);
        CPlaybackRig rig;
        CScene* scene = nullptr;
        if (raw) {
            scene = AddRawChannelScene(rig.project, QStringLiteral("Raw"), {{0, 0, 201}}, 1000);
        } else {
            scene = rig.AddScene(QStringLiteral("Rgb"), 1000);
            rig.AddStep(scene, 0, 1000, {{rig.Patch(rig.RgbProfile(), 0, 0), {201, 0, 0}}});
        }
        scene->m_blackout = mode == 0;
        scene->m_beamOn = mode == 1;
        scene->m_liveColor = mode == 2;
        scene->m_red = 77;
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(20);
        QVERIFY(scene->m_fadingIn);
        QCOMPARE(rig.Out(0, 0), expected);
    }

    // A crossfade's fade-out from the levels the scene had when stopped, or
    // (dynamic) from the scene as it runs on: it leaves step A (201, 50 ms)
    // for step B (101) after the second tick of the 1000 ms fade.
    void customFadeOutFollowsTheRunningSceneWhenDynamic_data()
    {
        QTest::addColumn<bool>("dynamic");
        QTest::addColumn<QList<int>>("levels");
        // r = 0.04, 0.065, 0.09: the level falls by r, it never rises.
        QTest::newRow("from the stop") << false << QList<int>{192, 187, 182};  // 201 x (1 - r)
        QTest::newRow("dynamic") << true << QList<int>{192, 187, 91};           // then 101 x (1 - r)
    }
    void customFadeOutFollowsTheRunningSceneWhenDynamic()
    {
        QFETCH(bool, dynamic);
        QFETCH(QList<int>, levels);
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Out"));
        scene->m_dynamicFadeOut = dynamic;
        scene->m_customFadeOut = 1000;
        rig.AddStep(scene, 0, 50, {{rgb, {201, 0, 0}}});
        rig.AddStep(scene, 0, 100000, {{rgb, {101, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 201);
        QVERIFY(rig.Page()->StopScene(scene, false, true, true, true));
        for (int level : levels) {
            rig.Tick();
            QCOMPARE(rig.Out(0, 0), level);
        }
    }

    void stepCrossfadeMixesFromThePreviousStep()
    {
        CPlaybackRig rig;
        CPatchedFixture* fixture = rig.Patch(DimmerFocusProfile(rig.project), 1, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Steps"));
        rig.AddStep(scene, 0, 200, {{fixture, {40, 40}}});
        rig.AddStep(scene, 400, 200, {{fixture, {240, 240}}});
        QCOMPARE(scene->m_cycleLength, 800);
        QVERIFY(rig.Page()->PlayScene(scene));

        // A step with fade 0 is written whole at once.
        rig.Tick();
        QCOMPARE(rig.Out(1, 0), 40);
        // The first step is left once its 200 ms wait is over, on tick 9.
        rig.Tick(8);
        QCOMPARE(scene->CurrentStepIndex(), 1);
        QCOMPARE(rig.Out(1, 1), 40);
        // Tick 10: time in step 25, t = (40 + 25) / 400 = 0.1625.
        rig.Tick();
        QCOMPARE(rig.Out(1, 1), 72);
        // Tick 16: time in step 175, t = 0.5375: 18.5 + 129.
        rig.Tick(6);
        QCOMPARE(rig.Out(1, 1), 147);
        QCOMPARE(rig.Out(1, 0), 147);
        // Blackout forces the dimmer through the override mask while the
        // focus keeps fading. Tick 17: t = 0.6.
        rig.project.SetBlackOut(true);
        rig.Tick();
        QCOMPARE(rig.Out(1, 0), 0);
        QCOMPARE(rig.Out(1, 1), 160);
        // Tick 26: time in step 400 reaches the fade: the step whole.
        rig.project.SetBlackOut(false);
        rig.Tick(9);
        QCOMPARE(rig.Out(1, 0), 240);
        QCOMPARE(rig.Out(1, 1), 240);
    }

    // Coarse/fine pairs fade as one 16-bit value.
    void sixteenBitPairsMixAsOneValue()
    {
        CPlaybackRig rig;
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 100);
        CScene* from = rig.AddScene(QStringLiteral("From"));
        rig.AddStep(from, 0, 1000, {{head, {0, 0, 255, 0x10, 0xFF}}});
        CScene* to = rig.AddScene(QStringLiteral("To"), 180);
        rig.AddStep(to, 0, 1000, {{head, {0, 1, 0, 0x20, 0x00}}});
        QVERIFY(rig.Page()->PlayScene(from));
        rig.Tick();
        QCOMPARE(rig.Out(0, 102), 255);

        QVERIFY(rig.Page()->PlayScene(to));
        // Tick 1: r = 40 / 180. Pan 255 -> 256 stays 255 (coarse 0, fine
        // 255); tilt 4351 -> 8192 gives trunc(5204.56) = 0x1454.
        rig.Tick();
        QCOMPARE(rig.Out(0, 101), 0);
        QCOMPARE(rig.Out(0, 102), 255);
        QCOMPARE(rig.Out(0, 103), 0x14);
        QCOMPARE(rig.Out(0, 104), 0x54);
        // Tick 3: counter 50, r = 0.5. Pan trunc(127.5 + 128) = 255: coarse 0,
        // fine 255 (separate bytes would give fine 127). Tilt 6271 = 0x187F.
        rig.Tick(2);
        QCOMPARE(rig.Out(0, 101), 0);
        QCOMPARE(rig.Out(0, 102), 255);
        QCOMPARE(rig.Out(0, 103), 0x18);
        QCOMPARE(rig.Out(0, 104), 0x7F);
        // Tick 8: counter 175, r capped at 1: 256 is coarse 1, fine 0.
        rig.Tick(5);
        QCOMPARE(rig.Out(0, 101), 1);
        QCOMPARE(rig.Out(0, 102), 0);
        QCOMPARE(rig.Out(0, 103), 0x20);
        QCOMPARE(rig.Out(0, 104), 0);
    }

    // A fixture that hangs over the end of the universe: its slots past 511
    // are never written, and a coarse byte whose fine byte lies past the end
    // fades alone.
    void slotsPastTheUniverseAreSkipped()
    {
        CPlaybackRig rig;
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 508);
        CScene* scene = rig.AddScene(QStringLiteral("Edge"), 180);
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(head, scene);
        for (int c = 0; c < 5; ++c)
            entry->SetLevel(c, quint8(200), false, false);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
        for (int slot = 508; slot < 512; ++slot)
            scene->ActiveMask(0)->Set(slot);
        QVERIFY(rig.Page()->PlayScene(scene));
        // r = 0.5 on tick 3: the tilt coarse at 511 fades as 8 bits.
        rig.Tick(3);
        QCOMPARE(rig.Out(0, 508), 100);
        QCOMPARE(rig.Out(0, 511), 100);
        QCOMPARE(rig.Out(1, 0), 0);
    }

    void plainFadeOutEndsWithOneStopNotice()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Out"), 0, 2000);
        rig.AddStep(scene, 0, 5000, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(scene));
        rig.Tick(3);
        QCOMPARE(rig.Out(0, 0), 201);

        QVERIFY(page->StopScene(scene, false, false, true, true));
        QVERIFY(page->IsPlaying(scene));
        QVERIFY(page->IsPending(scene));
        // r = (counter + 40) / 2000 from 201 towards 0.
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 196); // 201 * 0.98
        rig.Tick(39);
        QCOMPARE(rig.Out(0, 0), 98); // counter 975: 201 * 0.4925
        rig.Tick(39);
        QCOMPARE(rig.Out(0, 0), 1); // counter 1950: 201 * 0.005
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 0);
        // The fade-out is over but the entry goes only with the next pass.
        QVERIFY(page->IsPlaying(scene));
        QVERIFY(page->IsPending(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 0);

        rig.Tick();
        QVERIFY(!page->IsPlaying(scene));
        QVERIFY(!page->IsPending(scene));
        QVERIFY(!page->m_hasPlaying);
        QVERIFY(!rig.project.m_playbackRunning);
        rig.Tick(3);
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshLivePage")), 1);
        QVERIFY(rig.host.calls.indexOf(QStringLiteral("OnSceneStopped"))
                < rig.host.calls.indexOf(QStringLiteral("RefreshLivePage")));
    }

    // A release during the fade-in fades out from the level reached, not
    // from the full step.
    void stopDuringTheFadeInFadesOutFromWhereItIs()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Half"), 1000, 1000);
        rig.AddStep(scene, 0, 5000, {{rgb, {255, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(10);
        QCOMPARE(rig.Out(0, 0), 67); // 255 * 0.265
        QVERIFY(rig.Page()->StopScene(scene, false, false, true, true));
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 64); // 67 * 0.96
        QVERIFY(!scene->m_fadingIn);
    }

    void secondStopEndsTheFadeOutAtOnce()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Out"), 0, 2000);
        rig.AddStep(scene, 0, 5000, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(scene));
        rig.Tick();

        QVERIFY(page->StopScene(scene, false, false, true, true));
        rig.Tick(2);
        QVERIFY(rig.Out(0, 0) > 150);
        QVERIFY(page->StopScene(scene, false, false, true, true));
        rig.Tick();
        QVERIFY(!page->IsPlaying(scene));
        QCOMPARE(rig.Out(0, 0), 0);

        // Also before the first tick of the fade-out.
        QVERIFY(page->PlayScene(scene));
        rig.Tick();
        QVERIFY(page->StopScene(scene, false, false, true, true));
        QVERIFY(page->StopScene(scene, false, false, true, true));
        rig.Tick();
        QVERIFY(!page->IsPlaying(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 2);
    }

    // Playing a scene that is still fading out restarts it for good.
    void replayingAFadingSceneKeepsItPlaying()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Again"), 0, 1000);
        rig.AddStep(scene, 0, 5000, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(scene));
        rig.Tick();
        QVERIFY(page->StopScene(scene, false, false, true, true));
        rig.Tick(4);
        QVERIFY(rig.Out(0, 0) < 201);

        QVERIFY(page->PlayScene(scene));
        QVERIFY(!page->IsPending(scene));
        QVERIFY(!page->m_hasPending);
        QVERIFY(!scene->m_stopping);
        rig.Tick(100);
        QVERIFY(page->IsPlaying(scene));
        QCOMPARE(rig.Out(0, 0), 201);
        QCOMPARE(page->m_playing.size(), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 0);
    }

    // A slow scene carries the hundredths of a ms its ticks leave over; a
    // restart plays from nothing, tick for tick like its first run, whatever
    // its former run had yet to hand on.
    void aSlowSceneRestartsAsItFirstStarted_data()
    {
        Columns<int, int>("speed", "formerTicks");
        QTest::newRow("speed 0, 3 ticks before") << 0 << 3;
        QTest::newRow("speed 0, 1 tick before") << 0 << 1;
        QTest::newRow("speed 20, 2 ticks before") << 20 << 2;
        QTest::newRow("speed 49, 5 ticks before") << 49 << 5;
    }
    void aSlowSceneRestartsAsItFirstStarted()
    {
        const auto [speed, formerTicks] = Row<int, int>("speed", "formerTicks");
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Slow"));
        rig.AddStep(scene, 0, 60000, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        const auto positions = [&, speed = speed](int ticks) {
            QList<int> seen;
            if (!page->PlayScene(scene))
                return seen;
            scene->SetSpeed(speed);
            for (int i = 0; i < ticks; ++i) {
                rig.Tick();
                seen << scene->m_cyclePosition;
            }
            page->StopScene(scene, false, false, false, false);
            rig.Tick();
            return page->IsPlaying(scene) ? QList<int>() : seen;
        };
        const QList<int> first = positions(8);
        QCOMPARE(first.size(), 8);
        QCOMPARE(positions(formerTicks).size(), formerTicks);
        QVERIFY(scene->m_speedLeftover != 0);
        QCOMPARE(positions(8), first);
    }

    // A late tick ends every pass it covers, as its slots one by one would:
    // the loops are counted, the run ends on the last, and the scene is at
    // the same place. A 100 ms cycle; `loops` 0 loops for ever.
    void aLateTickEndsEveryPassItCovers_data()
    {
        Columns<int, int, int>("loops", "speed", "lateSlots");
        QTest::newRow("three loops, two passes in one tick") << 3 << 50 << 10;
        QTest::newRow("two loops, the run ended in one tick") << 2 << 50 << 12;
        QTest::newRow("endless, speed 100") << 0 << 100 << 9;
        QTest::newRow("five loops, speed 70, four passes") << 5 << 70 << 3;
    }
    void aLateTickEndsEveryPassItCovers()
    {
        const auto [loops, speed, lateSlots] = Row<int, int, int>("loops", "speed", "lateSlots");
        const auto play = [&, loops = loops, speed = speed, lateSlots = lateSlots](bool late) {
            CPlaybackRig rig;
            CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
            CScene* scene = rig.AddScene(QStringLiteral("Loops"));
            scene->m_loopCount = qint16(loops);
            rig.AddStep(scene, 0, 60, {{rgb, {201, 0, 0}}});
            rig.AddStep(scene, 0, 40, {{rgb, {0, 201, 0}}});
            rig.Page()->PlayScene(scene);
            scene->SetSpeed(speed);
            rig.Tick(3);
            for (int i = 0; i < (late ? 1 : lateSlots); ++i) {
                rig.project.Tick(late ? 25 * lateSlots : 25, late ? lateSlots : 1);
                rig.project.MergeOutput();
            }
            return QStringLiteral("loops %1 playing %2 step %3 at %4")
                .arg(scene->m_loopsDone)
                .arg(rig.Page()->IsPlaying(scene) && !rig.Page()->IsPending(scene))
                .arg(scene->CurrentStepIndex())
                .arg(scene->m_cyclePosition);
        };
        const QString quiet = play(false);
        QCOMPARE(play(true), quiet);
        QVERIFY2(!quiet.startsWith(QLatin1String("loops 0 ")) || loops == 0, qPrintable(quiet));
    }

    // Steps edited down to nothing leave a playing scene a cycle of length
    // 0: each tick ends a pass there, so an endless scene holds its first
    // step and a counted one ends.
    void aCycleEditedToNothingEndsEachTick_data()
    {
        Columns<int, bool>("loops", "playing");
        QTest::newRow("endless") << 0 << true;
        QTest::newRow("twice") << 2 << false;
    }
    void aCycleEditedToNothingEndsEachTick()
    {
        const auto [loops, playing] = Row<int, bool>("loops", "playing");
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Nothing"));
        scene->m_loopCount = qint16(loops);
        rig.AddStep(scene, 0, 60, {{rgb, {201, 0, 0}}});
        rig.AddStep(scene, 0, 40, {{rgb, {0, 201, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        for (CSceneStep* step : scene->m_steps)
            step->m_wait = 0;
        scene->UpdateLength();
        QCOMPARE(scene->m_cycleLength, 0);
        rig.Tick(3);
        QCOMPARE(rig.Page()->IsPlaying(scene), playing);
        QCOMPARE(rig.Out(0, 0), playing ? 201 : 0);
        QCOMPARE(scene->CurrentStepIndex(), 0);
    }

    void loopCountEndsTheRun()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* twice = rig.AddScene(QStringLiteral("Twice"));
        twice->m_loopCount = 2;
        rig.AddStep(twice, 0, 100, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(twice));
        // A pass ends when the position rounded down to 40 ms reaches the
        // 100 ms cycle: 100 -> 80 on tick 4 does not, 125 -> 120 on tick 5
        // does. A pass lasts up to that 120 ms, so the 5 ms past it go on
        // into the second pass, which ends on tick 10 as the first would.
        // With no fade-out the scene is queued at the end of the second pass
        // and gone a tick later.
        rig.Tick(4);
        QCOMPARE(twice->m_loopsDone, qint16(0));
        rig.Tick();
        QCOMPARE(twice->m_loopsDone, qint16(1));
        QCOMPARE(twice->m_cyclePosition, 5);
        QVERIFY(!page->IsPending(twice));
        rig.Tick(4);
        QVERIFY(!page->IsPending(twice));
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 201);
        QVERIFY(page->IsPending(twice));
        rig.Tick();
        QVERIFY(!page->IsPlaying(twice));
        QCOMPARE(rig.Out(0, 0), 0);

        // With a fade-out it fades from the last step: 201 * (1 - r) with
        // r = 0.4, 0.65, 0.9, 1.
        twice->m_fadeOut = 100;
        QVERIFY(page->PlayScene(twice));
        rig.Tick(9);
        QVERIFY(!twice->m_fadingOut);
        rig.Tick();
        QVERIFY(twice->m_fadingOut);
        QVERIFY(!page->IsPending(twice));
        const QList<int> levels = {120, 70, 20, 0};
        for (int level : levels) {
            rig.Tick();
            QCOMPARE(rig.Out(0, 0), level);
        }
        QVERIFY(page->IsPending(twice));
        rig.Tick();
        QVERIFY(!page->IsPlaying(twice));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 2);

        // Loop count 0 never ends.
        twice->m_loopCount = 0;
        QVERIFY(page->PlayScene(twice));
        rig.Tick(1000);
        QVERIFY(page->IsPlaying(twice));
        QVERIFY(!page->IsPending(twice));
    }

    void followOnPlaysTheNextOrTheTargetScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 3);
        CScene* first = rig.AddScene(QStringLiteral("1"));
        first->m_loopCount = 1;
        first->m_autoJump = true;
        rig.AddStep(first, 0, 100, {{a, {10, 0, 0}}});
        CScene* idle = rig.AddScene(QStringLiteral("Empty")); // nothing to play: skipped
        CScene* second = rig.AddScene(QStringLiteral("2"));
        second->m_loopCount = 1;
        second->m_autoJump = true;
        rig.AddStep(second, 0, 100, {{b, {20, 0, 0}}});
        CPage* page = rig.Page();

        QVERIFY(page->PlayScene(first));
        rig.Tick(4);
        QVERIFY(!page->IsPlaying(second));
        rig.Tick();
        QVERIFY(page->IsPlaying(second));
        QVERIFY(!page->IsPlaying(idle));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
        rig.Tick();
        QVERIFY(!page->IsPlaying(first));
        QCOMPARE(rig.Out(0, 3), 20);
        // The last scene wraps round to the first.
        rig.Tick(5);
        QVERIFY(page->IsPlaying(first));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 2);
        rig.Tick();
        QVERIFY(!page->IsPlaying(second));
        QCOMPARE(rig.Out(0, 0), 10);

        // A jump target replaces the scene when no auto-jump is set.
        page->ReleaseScenes();
        rig.Tick();
        first->m_autoJump = false;
        first->m_jumpTarget = second;
        second->m_autoJump = false;
        QVERIFY(page->PlayScene(first));
        rig.Tick(5);
        QVERIFY(page->IsPlaying(second));
        rig.Tick();
        QVERIFY(!page->IsPlaying(first));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 3);
    }

    // The only playable scene of the page auto-jumps onto itself: it plays on.
    void autoJumpOntoItselfKeepsRunning()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        rig.AddScene(QStringLiteral("Empty"));
        CScene* alone = rig.AddScene(QStringLiteral("Alone"), 0, 100);
        alone->m_loopCount = 1;
        alone->m_autoJump = true;
        rig.AddStep(alone, 0, 100, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(alone));
        rig.Tick(40);
        QVERIFY(page->IsPlaying(alone));
        QVERIFY(!page->IsPending(alone));
        QCOMPARE(rig.Out(0, 0), 201);
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 0);

        // A stop by the operator still stops it.
        QVERIFY(page->StopScene(alone, false, false, true, true));
        rig.Tick(6);
        QVERIFY(!page->IsPlaying(alone));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 1);
    }

    void stoppingAnAutoJumpSceneStartsTheNextOnlyWithAFadeOut()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* jumper = rig.AddScene(QStringLiteral("Jumper"), 0, 500);
        jumper->m_autoJump = true;
        rig.AddStep(jumper, 0, 1000, {{rgb, {201, 0, 0}}});
        CScene* next = rig.AddScene(QStringLiteral("Next"));
        rig.AddStep(next, 0, 1000, {{rgb, {0, 50, 0}}});
        CPage* page = rig.Page();

        QVERIFY(page->PlayScene(jumper));
        rig.Tick();
        QVERIFY(page->StopScene(jumper, false, false, true, true));
        QVERIFY(page->IsPlaying(next));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
        QCOMPARE(page->m_pending.count(jumper), 1);

        page->ReleaseScenes();
        rig.Tick();
        jumper->m_fadeOut = 0;
        QVERIFY(page->PlayScene(jumper));
        rig.Tick();
        QVERIFY(page->StopScene(jumper, false, false, true, true));
        QVERIFY(!page->IsPlaying(next));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
    }

    void playModesStopOtherScenes()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 3);
        CPage* page = rig.Page();
        CScene* onA = rig.AddScene(QStringLiteral("A"));
        rig.AddStep(onA, 0, 1000, {{a, {10, 0, 0}}});
        CScene* onB = rig.AddScene(QStringLiteral("B"));
        rig.AddStep(onB, 0, 1000, {{b, {0, 0, 20}}});
        CScene* alsoA = rig.AddScene(QStringLiteral("A too"));
        rig.AddStep(alsoA, 0, 1000, {{a, {30, 0, 0}}});

        // Mode 0: only the scene sharing a channel goes.
        QVERIFY(page->PlayScene(onA));
        QVERIFY(page->PlayScene(onB));
        QVERIFY(page->PlayScene(alsoA));
        QVERIFY(page->IsPending(onA));
        QVERIFY(!page->IsPending(onB));
        rig.Tick();
        QVERIFY(!page->IsPlaying(onA));
        QCOMPARE(rig.Out(0, 0), 30);
        QCOMPARE(rig.Out(0, 5), 20);

        // Mode 3: every other plain scene goes.
        page->ReleaseScenes();
        rig.Tick();
        QVERIFY(page->PlayScene(onA));
        QVERIFY(page->PlayScene(onB));
        alsoA->m_playMode = ReleaseAll;
        QVERIFY(page->PlayScene(alsoA));
        QVERIFY(page->IsPending(onA));
        QVERIFY(page->IsPending(onB));
        QVERIFY(!page->IsPending(alsoA));

        // Mode 4: the release list, playing or not; mode 1 stops nothing.
        page->ReleaseScenes();
        rig.Tick();
        QVERIFY(page->PlayScene(onA));
        QVERIFY(page->PlayScene(onB));
        alsoA->m_playMode = ReleaseList;
        alsoA->m_releaseList = {onB};
        QVERIFY(page->PlayScene(alsoA));
        QVERIFY(!page->IsPending(onA));
        QVERIFY(page->IsPending(onB));
        rig.Tick();
        // Two scenes on the same channel: the one started later wins, and a
        // restart keeps its place in the order.
        QCOMPARE(rig.Out(0, 0), 30);
        onA->m_playMode = ReleaseNone;
        QVERIFY(page->PlayScene(onA));
        QVERIFY(!page->IsPending(alsoA));
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 30);

        // Mode 2: the other scenes of mode 2 go, whatever their channels,
        // and only they.
        page->ReleaseScenes();
        rig.Tick();
        onA->m_playMode = onB->m_playMode = ReleaseAuto;
        alsoA->m_playMode = ReleaseNone;
        QVERIFY(page->PlayScene(onB));
        QVERIFY(page->PlayScene(alsoA));
        QVERIFY(page->PlayScene(onA));
        QVERIFY(page->IsPending(onB));
        QVERIFY(!page->IsPending(alsoA));
    }

    // A and B jump to each other with fade-outs; the pass of the pressed
    // scene stops A, whose jump starts B, which the same pass stops, whose
    // jump must not bring A back.
    void playModePassStopsScenesThatJumpToEachOther_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("release all") << int(ReleaseAll);
        QTest::newRow("same channels") << int(ReleaseSameChannels);
        QTest::newRow("auto") << int(ReleaseAuto);
    }
    void playModePassStopsScenesThatJumpToEachOther()
    {
        QFETCH(int, mode);
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* a = rig.AddScene(QStringLiteral("A"), 0, 100);
        CScene* b = rig.AddScene(QStringLiteral("B"), 0, 100);
        CScene* pressed = rig.AddScene(QStringLiteral("Pressed"));
        rig.AddStep(a, 0, 100000, {{rgb, {10, 0, 0}}});
        rig.AddStep(b, 0, 100000, {{rgb, {20, 0, 0}}});
        rig.AddStep(pressed, 0, 100000, {{rgb, {30, 0, 0}}});
        a->m_jumpTarget = b;
        b->m_jumpTarget = a;
        for (CScene* scene : {a, b, pressed})
            scene->m_playMode = mode;
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(a));
        rig.Tick();
        QVERIFY(page->PlayScene(pressed));
        QVERIFY(page->IsPending(a));
        rig.Tick(6);
        QVERIFY(!page->IsPlaying(a));
        QVERIFY(!page->IsPlaying(b));
        QCOMPARE(page->m_playing.size(), 1);
        QCOMPARE(rig.Out(0, 0), 30);
    }

    void releaseScenesSkipsTheFadeOut()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Long"), 0, 2000);
        scene->m_autoJump = true;
        rig.AddStep(scene, 0, 1000, {{rgb, {201, 0, 0}}});
        CScene* other = rig.AddScene(QStringLiteral("Other"));
        rig.AddStep(other, 0, 1000, {{rgb, {0, 9, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        rig.project.ReleaseScenes();
        rig.Tick();
        QVERIFY(!rig.Page()->IsPlaying(scene));
        QVERIFY(!rig.Page()->IsPlaying(other));
        QCOMPARE(rig.Out(0, 0), 0);
    }

    void pauseFreezesFadesAndSteps()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Paused"), 1000);
        rig.AddStep(scene, 0, 1000, {{rgb, {201, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(2);
        QCOMPARE(rig.Out(0, 0), 13); // counter 25: 201 * 0.065
        rig.project.SetPause(true);
        rig.Tick(50);
        QCOMPARE(rig.Out(0, 0), 18); // counter 50, held: 201 * 0.09
        QCOMPARE(scene->m_fadeInCounter, 50);
        QCOMPARE(scene->m_cyclePosition, 0);
        rig.project.SetPause(false);
        rig.Tick();
        QCOMPARE(scene->m_fadeInCounter, 75);
    }

    void speedMasterMovesOnlyPlayingScenes()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* fast = rig.AddScene(QStringLiteral("Fast"));
        rig.AddStep(fast, 0, 100000, {{rgb, {1, 0, 0}}});
        CScene* later = rig.AddScene(QStringLiteral("Later"));
        later->m_playMode = ReleaseNone;
        rig.AddStep(later, 0, 100000, {{rgb, {2, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(fast));
        rig.project.SetSpeed(100);
        rig.Tick(2);
        QCOMPARE(fast->m_cyclePosition, 2 * 385);
        rig.project.SetSpeed(80);
        QVERIFY(rig.Page()->PlayScene(later));
        QCOMPARE(later->Speed(), 50);
        rig.Tick();
        QCOMPARE(later->m_cyclePosition, 25);
        QCOMPARE(fast->m_cyclePosition, 770 + 25 + 216);
    }

    // Custom fades and delays of length 0 end at once.
    void zeroLengthCustomTimesFinishAtOnce()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Custom"));
        scene->m_fadeInDelay = 50;
        scene->m_customFadeIn = 0;
        scene->m_fadeOutDelay = 50;
        scene->m_customFadeOut = 0;
        rig.AddStep(scene, 0, 100000, {{rgb, {201, 0, 0}}});
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(scene, -1, -1, true));
        rig.Tick(2); // the delay: nothing is written
        QCOMPARE(rig.Out(0, 0), 0);
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 201);
        QVERIFY(!scene->m_fadingIn);
        QCOMPARE(rig.host.Count(QStringLiteral("FadingSceneStopped")), 1);

        QVERIFY(page->StopScene(scene, false, true, true, true));
        rig.Tick(2); // the delay: the scene plays on
        QCOMPARE(rig.Out(0, 0), 201);
        QVERIFY(page->IsPlaying(scene));
        // A fade-out of 0 after the delay is over at once.
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 0);
        QVERIFY(!page->IsPlaying(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("FadingSceneStopped")), 2);
    }

    void dynamicFadeInCrossfadesTheRunningScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* under = rig.AddScene(QStringLiteral("Under"));
        rig.AddStep(under, 0, 100000, {{rgb, {100, 0, 0}}});
        CScene* over = rig.AddScene(QStringLiteral("Over"));
        over->m_playMode = ReleaseNone;
        over->m_dynamicFadeIn = true;
        over->m_customFadeIn = 400;
        rig.AddStep(over, 0, 100000, {{rgb, {205, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(under));
        rig.Tick();
        QVERIFY(rig.Page()->PlayScene(over, -1, -1, true));
        // From the snapshot (100) to the running scene (205), r = 0.1, 0.1625.
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 110); // 90 + 20.5
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 117); // 83.75 + 33.3125
        // The scene keeps running under its fade.
        QCOMPARE(over->m_cyclePosition, 50);
        rig.project.SetPause(true);
        rig.Tick();
        QCOMPARE(over->m_cyclePosition, 75);
        QCOMPARE(over->m_fadeInCounter, 50);
    }

    // The rebase renders into a buffer of its own, not the edit layer.
    void rebaseLeavesTheEditLayerAlone()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Rebase"));
        rig.AddStep(scene, 0, 100, {{rgb, {100, 0, 0}}});
        rig.AddStep(scene, 1000, 100, {{rgb, {200, 0, 0}}});
        rig.project.m_edit[0][0] = 77;
        rig.project.m_edit[0][1] = 66;
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(6);
        QCOMPARE(scene->CurrentStepIndex(), 1);
        scene->SetDimmer(25);
        rig.Page()->RebaseStepFade(scene);
        QCOMPARE(int(rig.Page()->PlayingEntry(scene)->StartLevels()[0][0]), 50);
        QCOMPARE(int(rig.project.m_edit[0][0]), 77);
        QCOMPARE(int(rig.project.m_edit[0][1]), 66);
    }

    void removingAFadingSceneDeletesItWhenDone()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* keep = rig.AddScene(QStringLiteral("Keep"));
        keep->m_jumpTarget = nullptr;
        CScene* doomed = rig.AddScene(QStringLiteral("Doomed"), 0, 1000);
        rig.AddStep(doomed, 0, 5000, {{rgb, {201, 0, 0}}});
        keep->m_jumpTarget = doomed;
        keep->m_releaseList = {doomed};
        CPage* page = rig.Page();
        QVERIFY(page->PlayScene(doomed));
        rig.Tick();
        QVERIFY(page->StopScene(doomed, false, false, true, true));
        rig.Tick(2);

        // Removed while it fades out: it finishes its fade and then goes.
        QVERIFY(rig.project.RemoveScene(1));
        QCOMPARE(page->m_pendingRemove.value(page->m_pending.indexOf(doomed)), quint8(1));
        QVERIFY(!page->PlayScene(doomed));
        rig.Tick(5);
        QCOMPARE(page->m_scenes.size(), 1);
        QVERIFY(page->m_playing.isEmpty());
        QCOMPARE(keep->m_jumpTarget, nullptr);
        QVERIFY(keep->m_releaseList.isEmpty());
        QCOMPARE(rig.host.Count(QStringLiteral("ReloadPage")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RemoveSceneBlocks")), 1);

        // Out of range: nothing to remove.
        QVERIFY(!rig.project.RemoveScene(1));
        QVERIFY(!rig.project.RemoveScene(-1));
        // Not playing: deleted at once.
        QVERIFY(rig.project.RemoveScene(0));
        QVERIFY(page->m_scenes.isEmpty());
    }

    void triggersPlayAndStop()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Key"));
        rig.AddStep(scene, 0, 1000, {{rgb, {1, 0, 0}}});
        CPage* page = rig.Page();

        // Without auto-release each press toggles; releases do nothing.
        QVERIFY(page->TriggerScene(scene, CPage::KeyTrigger, 1));
        QVERIFY(!page->TriggerScene(scene, CPage::KeyTrigger, 0));
        QVERIFY(!page->IsPending(scene));
        QVERIFY(!page->TriggerScene(scene, CPage::KeyTrigger, 1));
        QVERIFY(page->IsPending(scene));
        rig.Tick();

        // With auto-release the press plays and the release stops.
        scene->m_triggers.m_bAutoRelease = true;
        QVERIFY(page->TriggerScene(scene, CPage::KeyTrigger, 1));
        QVERIFY(!page->TriggerScene(scene, CPage::KeyTrigger, 1));
        QVERIFY(!page->IsPending(scene));
        QVERIFY(!page->TriggerScene(scene, CPage::KeyTrigger, 0));
        QVERIFY(page->IsPending(scene));
        rig.Tick();

        // A level inside the range (127-255 inclusive) plays, outside stops.
        QVERIFY(!page->TriggerScene(scene, CPage::LevelTrigger, 126));
        QVERIFY(page->TriggerScene(scene, CPage::LevelTrigger, 127));
        QVERIFY(!page->TriggerScene(scene, CPage::LevelTrigger, 255));
        QVERIFY(!page->TriggerScene(scene, CPage::LevelTrigger, 100));
        QVERIFY(page->IsPending(scene));
        rig.Tick();
        QVERIFY(page->TriggerScene(scene, CPage::ToggleTrigger, 0));
        QVERIFY(!page->TriggerScene(scene, 9, 1));
        QVERIFY(!page->TriggerScene(scene, CPage::ToggleTrigger, 0));
    }

    void sceneWithNothingToPlayIsRefused()
    {
        CPlaybackRig rig;
        CScene* empty = rig.AddScene(QStringLiteral("Empty"));
        QVERIFY(!rig.Page()->PlayScene(empty));
        QVERIFY(!rig.Page()->PlayScene(nullptr));
        QVERIFY(rig.Page()->m_playing.isEmpty());
        QVERIFY(!rig.project.m_playbackRunning);
        QVERIFY(!rig.Page()->StopScene(empty, false, false, true, true));
    }

    // The edited scene loops for ever, tells the editor where it is and
    // writes only while edited levels are sent.
    void editedSceneLoopsAndFollowsTheEditor()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Edited"), 1000, 1000);
        scene->m_loopCount = 1;
        rig.AddStep(scene, 0, 100, {{rgb, {10, 0, 0}}});
        rig.AddStep(scene, 0, 100, {{rgb, {20, 0, 0}}});
        rig.project.m_editedScene = scene;
        rig.host.livePagesMode = 1; // scene-edit mode: no live-page notices
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(); // no fade-in for the edited scene
        QCOMPARE(rig.Played(0, 0), 10);
        rig.Tick(4);
        QCOMPARE(scene->CurrentStepIndex(), 1);
        QVERIFY(rig.host.Count(QStringLiteral("NotifySceneEditorScene")) >= 1);
        rig.Tick(40);
        QVERIFY(rig.Page()->IsPlaying(scene));
        QVERIFY(!rig.Page()->IsPending(scene));

        rig.host.sendEditDmx = false;
        const int position = scene->m_cyclePosition;
        rig.Tick();
        QCOMPARE(rig.Played(0, 0), 0);
        QVERIFY(scene->m_cyclePosition != position);

        // Its stop has no fade-out, and in edit mode nobody is told.
        QVERIFY(rig.Page()->StopScene(scene, false, false, true, true));
        QVERIFY(!scene->m_stopping);
        rig.Tick();
        QVERIFY(!rig.Page()->IsPlaying(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStopped")), 0);
    }

    // Host calls made inside the tick cannot run the tick again.
    void hostCannotReenterTheTick()
    {
        CReenteringHost host;
        CProject project;
        host.project = &project;
        project.NewProject(2);
        auto* profile = new CLibraryProfile;
        AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        project.m_library << profile;
        auto* fixture = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("F"), profile, false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        project.UpdateAfterPatch(false, false);
        CPage* page = project.m_firstPage;
        auto* a = new CScene(QStringLiteral("A"), 2);
        a->m_loopCount = 1;
        a->m_autoJump = true;
        page->m_scenes << a;
        auto* b = new CScene(QStringLiteral("B"), 2);
        page->m_scenes << b;
        for (CScene* scene : {a, b}) {
            auto* step = new CSceneStep(0, 100);
            auto* entry = new CStepFixture(fixture, scene);
            entry->SetLevel(0, quint8(scene == a ? 10 : 20), true, true);
            step->AddEntry(entry);
            scene->m_steps << step;
            scene->UpdateLength();
        }
        QVERIFY(page->PlayScene(a));
        for (int i = 0; i < 6; ++i) {
            project.Tick(25);
            project.MergeOutput();
        }
        // A's pass ends on tick 5 and B starts; B has run one tick.
        QCOMPARE(host.reentries, 2); // the auto-jump start, the finished scene
        QCOMPARE(b->m_cyclePosition, 25);
        QCOMPARE(int(project.m_output[0][0]), 20);
    }
};

ORVANE_TEST(PlaybackTest)
#include "PlaybackTest.moc"
