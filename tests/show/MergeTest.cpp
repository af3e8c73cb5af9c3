#include "TestRegistry.h"

#include "PlaybackRig.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

CLibraryProfile* PanTiltProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    AddChannel(*profile, ChannelType::Pan);
    AddChannel(*profile, ChannelType::Tilt);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

void Invert(CProject& project, CPatchedFixture* fixture, bool pan, bool tilt)
{
    fixture->m_invertPan = pan;
    fixture->m_invertTilt = tilt;
    project.m_invertedFixtures << fixture;
    project.m_hasInvertedFixtures = true;
}

} // namespace

class MergeTest : public QObject
{
    Q_OBJECT

private slots:
    void inactiveUniverseKeepsItsOutput()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.m_playback[2][5] = 7;
        rig.project.m_output[2][5] = 99;
        rig.project.m_liveMask[2][5] = 1;
        rig.project.m_live[2][5] = 1;
        rig.project.m_playback[0][5] = 42;
        rig.project.MergeOutput();
        QCOMPARE(rig.Out(2, 5), 99);
        QCOMPARE(rig.Out(0, 5), 42);
    }

    // Outside playback the output is merged on request; while scenes play
    // the tick merges and a request only repaints.
    void refreshMergesOnlyWithoutPlayback()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.m_liveMask[0][0] = 1;
        rig.project.m_live[0][0] = 90;
        rig.project.RefreshOutput();
        QCOMPARE(rig.Out(0, 0), 90);
        rig.project.m_playbackRunning = true;
        rig.project.m_live[0][0] = 91;
        rig.project.RefreshOutput();
        QCOMPARE(rig.Out(0, 0), 90);
        QCOMPARE(rig.host.Count(QStringLiteral("RepaintLayoutView")), 2);
    }

    void liveLevelsReplacePlayback()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{rgb, {200, 150, 100}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.project.m_liveMask[0][0] = 1;
        rig.project.m_live[0][0] = 0; // a live 0 forces 0 over the scene
        rig.project.m_live[0][1] = 77; // no mask: not merged
        rig.Tick();
        QCOMPARE(rig.Out(0, 0), 0);
        QCOMPARE(rig.Out(0, 1), 150);
        QCOMPARE(rig.Out(0, 2), 100);
    }

    void editedSceneReachesTheOutput()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* edited = rig.AddScene(QStringLiteral("Edited"));
        rig.AddStep(edited, 0, 1000, {{rgb, {0, 0, 0}}}); // marks slots 0-2
        CProject& project = rig.project;
        project.m_editedScene = edited;
        project.m_edit[0][1] = 150;  // active in the scene
        project.m_edit[0][4] = 90;   // in the edit mask
        project.m_editMask[0][4] = 1;
        project.m_edit[0][6] = 60;   // neither: stays out
        project.m_liveMask[0][2] = 1;
        project.m_live[0][2] = 33;

        // Option off: edited levels never reach the output.
        rig.host.sendEditDmx = false;
        project.MergeOutput();
        QCOMPARE(rig.Out(0, 1), 0);
        QCOMPARE(rig.Out(0, 4), 0);

        // Option on, scene not playing: its active channels and the edit
        // mask take the edit layer, over live levels too.
        rig.host.sendEditDmx = true;
        project.m_edit[0][2] = 44;
        project.MergeOutput();
        QCOMPARE(rig.Out(0, 1), 150);
        QCOMPARE(rig.Out(0, 2), 44);
        QCOMPARE(rig.Out(0, 4), 90);
        QCOMPARE(rig.Out(0, 6), 0);

        // The edited plain scene plays: it reaches the output through the
        // tick, and the edit layer is not merged anywhere.
        edited->m_steps.first()->m_entries.first()->SetLevel(1, 123, false, false);
        QVERIFY(rig.Page()->PlayScene(edited));
        rig.Tick();
        QCOMPARE(rig.Out(0, 1), 123);
        QCOMPARE(rig.Out(0, 2), 33); // live wins again
        QCOMPARE(rig.Out(0, 4), 0);
    }

    void invertedPanAndTilt()
    {
        CPlaybackRig rig;
        CPatchedFixture* spot = rig.Patch(PanTiltProfile(rig.project), 0, 20);
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 30);
        Invert(rig.project, spot, true, false);
        Invert(rig.project, head, true, false);
        CScene* scene = rig.AddScene(QStringLiteral("Position"));
        rig.AddStep(scene, 0, 1000, {{spot, {0, 0}}, {head, {255, 0x12, 0x34, 0x56, 0x78}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        QCOMPARE(rig.Out(0, 20), 255); // pan 0 inverted
        QCOMPARE(rig.Out(0, 21), 0);   // tilt not inverted
        QCOMPARE(rig.Out(0, 30), 255); // the dimmer is never inverted
        QCOMPARE(rig.Out(0, 31), 0xED); // 0x1234 -> 0xEDCB
        QCOMPARE(rig.Out(0, 32), 0xCB);
        QCOMPARE(rig.Out(0, 33), 0x56);
        QCOMPARE(rig.Out(0, 34), 0x78);
        // The playback layer itself keeps the played levels.
        QCOMPARE(rig.Played(0, 31), 0x12);

        head->m_invertTilt = true;
        head->m_invertPan = false;
        rig.Tick();
        QCOMPARE(rig.Out(0, 31), 0x12);
        QCOMPARE(rig.Out(0, 33), 0xA9);
        QCOMPARE(rig.Out(0, 34), 0x87);

        // A live pan of an inverted fixture is inverted as well.
        rig.project.m_liveMask[0][20] = 1;
        rig.project.m_live[0][20] = 10;
        rig.Tick();
        QCOMPARE(rig.Out(0, 20), 245);
    }

    void inversionStaysInsideTheProject()
    {
        CPlaybackRig rig;
        CPatchedFixture* edge = rig.Patch(rig.MovingHeadProfile(), 1, 509); // pan 510/511, tilt past the end
        Invert(rig.project, edge, true, true);
        auto* outside = new CPatchedFixture(0, 9, 99, -1, QStringLiteral("Far"), edge->Profile(), true, true, 0);
        rig.project.m_generalGroup->AddFixture(outside);
        rig.project.UpdateAfterPatch(false, false);
        Invert(rig.project, outside, true, true);
        rig.project.m_invertedFixtures << nullptr;

        rig.project.m_playback[1][511] = 0x40;
        rig.project.MergeOutput();
        QCOMPARE(rig.Out(1, 510), 255); // pan 510, fine 511 inverted from 0
        QCOMPARE(rig.Out(1, 511), 255 - 0x40);
        QCOMPARE(rig.Out(1, 509), 0);   // the dimmer
        QVERIFY(!rig.project.IsActive(9));
    }

    // Blackout, beam on, dimmer and colour override on an RGB entry, a CMY
    // entry and a raw channel.
    void mastersOnColourAndRawEntries()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* cmy = rig.Patch(rig.CmyProfile(), 0, 3);
        CPatchedFixture* raw = rig.project.GetChannelFixture(0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("Colours"));
        rig.AddStep(scene, 0, 1000, {{rgb, {200, 100, 50}}, {cmy, {200, 100, 50}}, {raw, {120}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        auto levels = [&rig] {
            QList<int> out;
            for (int slot : {0, 1, 2, 3, 4, 5, 10})
                out << rig.Out(0, slot);
            return out;
        };
        rig.Tick();
        QCOMPARE(levels(), QList<int>({200, 100, 50, 200, 100, 50, 120}));

        rig.project.SetBlackOut(true);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({0, 0, 0, 255, 255, 255, 0}));

        // Beam on clears the scenes' blackout, not the project's.
        rig.project.SetBeamOn(true);
        QVERIFY(rig.project.m_blackOut);
        QVERIFY(!scene->m_blackout);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({255, 255, 255, 0, 0, 0, 120}));

        // Dimmer 75: c + trunc(c / 200 * (255 - c) * 0.5), proportions kept.
        rig.project.SetBeamOn(false);
        rig.project.SetDimmer(75);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({227, 138, 75, 227, 138, 75, 120}));
        rig.project.SetDimmer(25);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({100, 50, 25, 100, 50, 25, 120}));

        // Colour override: CMY takes the complements.
        rig.project.SetDimmer(50);
        rig.project.SetLiveColor(10, 20, 30);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({10, 20, 30, 245, 235, 225, 120}));
        rig.project.SetColorOverride(false);
        rig.Tick();
        QCOMPARE(levels(), QList<int>({200, 100, 50, 200, 100, 50, 120}));
    }

    void mastersReachOnlyScenesPlayingNow()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Later"));
        rig.AddStep(scene, 0, 1000, {{rgb, {200, 100, 50}}});

        rig.project.SetDimmer(80);
        rig.project.SetBlackOut(true);
        QCOMPARE(rig.project.m_masterDimmer, 80);
        QCOMPARE(scene->Dimmer(), 50);
        QVERIFY(!scene->m_blackout);
        rig.project.SetDimmer(130);
        QCOMPARE(rig.project.m_masterDimmer, 100);

        // SetLiveWhite switches the override on even when it was off.
        QVERIFY(!rig.project.m_colorOverride);
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.project.SetLiveWhite(40);
        QVERIFY(rig.project.m_colorOverride);
        QVERIFY(scene->m_liveColor);
        QCOMPARE(int(scene->m_white), 40);
        rig.project.SetPause(true);
        QVERIFY(scene->m_paused);
    }
};

ORVANE_TEST(MergeTest)
#include "MergeTest.moc"
