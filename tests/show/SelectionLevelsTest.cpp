#include "TestRegistry.h"

#include "SelectionRig.h"
#include "show/EffectScene.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// One zoom channel whose "Wide" preset spans start..end, with a fine byte
// when asked.
CLibraryProfile* ZoomProfile(CProject& project, int start, int end, bool fine = false)
{
    auto* profile = new CLibraryProfile;
    CProfileChannelDef* zoom = AddChannel(*profile, ChannelType::Zoom);
    CProfilePresetDef* wide = AddPreset(zoom, PresetType::Zoom, start, end);
    wide->m_name = QStringLiteral("Wide");
    if (fine)
        AddFine(*profile, zoom);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

// A plain scene with two steps on the fixtures (levels 0), the second one
// selected in the editor, and made the edited scene.
struct CEditedRig
{
    CPlaybackRig rig;
    CScene* scene = nullptr;
    CSceneStep* first = nullptr;
    CSceneStep* second = nullptr;

    void Edit(const QList<CPatchedFixture*>& fixtures)
    {
        scene = rig.AddScene(QStringLiteral("Edited"));
        first = new CSceneStep(0, 1000);
        second = new CSceneStep(0, 1000);
        for (CPatchedFixture* fixture : fixtures) {
            first->AddEntry(new CStepFixture(fixture, scene));
            second->AddEntry(new CStepFixture(fixture, scene));
        }
        scene->m_steps << first << second;
        scene->UpdateLength();
        scene->m_selection << second;
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, fixtures);
    }
};

QList<int> Slots(const CDmxLayer& layer, int universe, std::initializer_list<int> indices)
{
    QList<int> levels;
    for (int slot : indices)
        levels << layer[universe][slot];
    return levels;
}

} // namespace

class SelectionLevelsTest : public QObject
{
    Q_OBJECT

private slots:
    // --- Colour

    void colorWithoutEditedSceneGoesLiveWithoutUndo()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* cmy = rig.Patch(rig.CmyProfile(), 0, 10);
        SelectAll(rig.project, {a, cmy});
        rig.host.calls.clear();
        rig.project.SetSelectionColor(255, 128, 0, 0, false);

        QCOMPARE(Slots(rig.project.m_live, 0, {0, 1, 2, 10, 11, 12}), (QList<int>{255, 128, 0, 0, 127, 255}));
        QCOMPARE(Slots(rig.project.m_liveMask, 0, {0, 1, 2, 10, 11, 12}), (QList<int>{1, 1, 1, 1, 1, 1}));
        QCOMPARE(Slots(rig.project.m_editMask, 0, {0, 10}), (QList<int>{0, 0}));
        QCOMPARE(rig.Out(0, 11), 127); // merged at once: nothing plays
        QCOMPARE(rig.host.Count(QStringLiteral("NotifySceneEditor")), 0);
        QCOMPARE(rig.host.Count(QStringLiteral("RepaintLayoutView")), 1);
        QVERIFY(rig.host.modified);
        QVERIFY(!rig.project.m_editGuard);
    }

    void colorIntoSelectedStepsWithOneUndoEntry()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        edited.Edit({a});
        rig.host.calls.clear();
        rig.project.SetSelectionColor(10, 20, 30, 0, false);

        QCOMPARE(Slots(rig.project.m_edit, 0, {0, 1, 2}), (QList<int>{10, 20, 30}));
        QCOMPARE(Slots(rig.project.m_editMask, 0, {0, 1, 2}), (QList<int>{1, 1, 1}));
        QCOMPARE(Slots(rig.project.m_liveMask, 0, {0, 1, 2}), (QList<int>{0, 0, 0}));
        QCOMPARE(edited.second->FindEntry(a)->Levels(), QByteArray("\x0a\x14\x1e", 3));
        QCOMPARE(edited.first->FindEntry(a)->Levels(), QByteArray(3, '\0'));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:4:Color")});
    }

    void colorOfEditedScenePlayingHereIsNotStored()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        edited.Edit({a});
        edited.second->FindEntry(a)->SetLevel(0, 5, true, true);
        QVERIFY(rig.Page()->PlayScene(edited.scene));
        rig.host.calls.clear();
        rig.project.SetSelectionColor(10, 20, 30, 0, false);
        QCOMPARE(int(rig.project.m_edit[0][0]), 10);
        QCOMPARE(int(edited.second->FindEntry(a)->Level(0)), 5);
        QCOMPARE(rig.host.Count(QStringLiteral("NotifySceneEditor")), 0);
        // Playback runs: the tick merges, the call only repaints.
        QCOMPARE(rig.host.Count(QStringLiteral("RepaintLayoutView")), 1);
    }

    void colorWhileDrawingFullColoursLeavesTheSteps()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        edited.Edit({a});
        rig.project.m_fullColorDrawing = true;
        rig.host.calls.clear();
        rig.project.SetSelectionColor(10, 20, 30, 0, false);
        QCOMPARE(int(rig.project.m_edit[0][0]), 10);
        QCOMPARE(edited.second->FindEntry(a)->Levels(), QByteArray(3, '\0'));
        QCOMPARE(rig.host.Count(QStringLiteral("NotifySceneEditor")), 0);
    }

    void colorRefusedByLockOrGuard()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        SelectAll(rig.project, {a});
        rig.project.m_colorLock = true;
        rig.project.SetSelectionColor(10, 20, 30, 0, false);
        QCOMPARE(int(rig.project.m_liveMask[0][0]), 0);
        rig.project.m_colorLock = false;
        rig.project.m_editGuard = true;
        rig.project.SetSelectionColor(10, 20, 30, 0, false);
        QCOMPARE(int(rig.project.m_liveMask[0][0]), 0);
        QVERIFY(rig.project.m_editGuard); // an outer guard is not cleared
        QVERIFY(!rig.host.modified);
    }

    void colorOfEffectSceneSetsStaticLevelsAsChannelsTakeThem()
    {
        CPlaybackRig rig;
        CPatchedFixture* cmy = rig.Patch(rig.CmyProfile(), 0, 0);
        auto* scene = new CEffectScene(QStringLiteral("Fx"), rig.project.UniverseCount());
        rig.project.m_effectScenes << scene;
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {cmy});
        rig.host.calls.clear();
        rig.project.SetSelectionColor(255, 0, 100, 0, false);
        QCOMPARE(scene->m_modeStaticLevels.size(), 1);
        QList<int> levels = {-1, -1, -1};
        for (const auto& level : scene->m_modeStaticLevels.first().m_levels)
            levels[level.first] = level.second;
        QCOMPARE(levels, (QList<int>{0, 255, 155}));
        QCOMPARE(rig.host.Count(QStringLiteral("NotifySceneEditor")), 0);
    }

    // --- Pan and tilt

    void panTiltFanOutAcrossThreeAndFourFixtures()
    {
        for (int n : {3, 4}) {
            CPlaybackRig rig;
            CLibraryProfile* profile = PanTiltProfile(rig.project);
            QList<CPatchedFixture*> fixtures;
            for (int i = 0; i < n; ++i)
                fixtures << rig.Patch(profile, 0, 2 * i);
            SelectAll(rig.project, fixtures);
            rig.project.SetSelectionPanTilt(100, 50, 0, 0, 10, -4, false);
            QList<int> pans;
            QList<int> tilts;
            for (int i = 0; i < n; ++i) {
                pans << rig.project.m_live[0][2 * i];
                tilts << rig.project.m_live[0][2 * i + 1];
            }
            if (n == 3) {
                QCOMPARE(pans, (QList<int>{90, 100, 110}));
                QCOMPARE(tilts, (QList<int>{54, 50, 46}));
            } else {
                // Half a spread centres an even count: 100 - 20 + 5, -4 / 2 = -2.
                QCOMPARE(pans, (QList<int>{85, 95, 105, 115}));
                QCOMPARE(tilts, (QList<int>{56, 52, 48, 44}));
            }
        }
    }

    void panTiltFanOutIsClampedToDmxLevels()
    {
        CPlaybackRig rig;
        CLibraryProfile* profile = PanTiltProfile(rig.project);
        QList<CPatchedFixture*> fixtures;
        for (int i = 0; i < 4; ++i)
            fixtures << rig.Patch(profile, 0, 2 * i);
        SelectAll(rig.project, fixtures);
        // Pan: 128 - 400 + 100 = -172, then 28, 228, 428. Tilt: 10 - 2 * 20 + 10 = -20, 0, 20, 40.
        rig.project.SetSelectionPanTilt(128, 10, 0, 0, 200, 20, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {0, 2, 4, 6}), (QList<int>{0, 28, 228, 255}));
        QCOMPARE(Slots(rig.project.m_live, 0, {1, 3, 5, 7}), (QList<int>{0, 0, 20, 40}));
    }

    void panTiltFanOutReachesEachFixturesStep()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CLibraryProfile* head = rig.MovingHeadProfile(); // dimmer, pan + fine, tilt + fine
        CPatchedFixture* a = rig.Patch(head, 0, 0);
        CPatchedFixture* b = rig.Patch(head, 0, 10);
        CPatchedFixture* c = rig.Patch(head, 0, 20);
        edited.Edit({a, b, c});
        rig.host.calls.clear();
        rig.project.SetSelectionPanTilt(100, 200, 7, 9, 10, 30, false);
        QCOMPARE(edited.second->FindEntry(a)->Levels(), QByteArray("\x00\x5a\x07\xaa\x09", 5)); // 90, 170
        QCOMPARE(edited.second->FindEntry(b)->Levels(), QByteArray("\x00\x64\x07\xc8\x09", 5)); // 100, 200
        QCOMPARE(edited.second->FindEntry(c)->Levels(), QByteArray("\x00\x6e\x07\xe6\x09", 5)); // 110, 230
        QCOMPARE(edited.first->FindEntry(b)->Levels(), QByteArray(5, '\0'));
        QCOMPARE(Slots(rig.project.m_edit, 0, {1, 2, 11, 23, 24}), (QList<int>{90, 7, 100, 230, 9}));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:5:Pan Tilt")});

        // Without a spread every fixture gets the same position.
        rig.project.SetSelectionPanTilt(40, 41, 0, 0, 0, 0, false);
        QCOMPARE(Slots(rig.project.m_edit, 0, {1, 3, 11, 13, 21, 23}), (QList<int>{40, 41, 40, 41, 40, 41}));
        QCOMPARE(int(edited.second->FindEntry(c)->Level(3)), 41);
    }

    void panTiltRefusedByItsLock()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(PanTiltProfile(rig.project), 0, 0);
        SelectAll(rig.project, {a});
        rig.project.m_panTiltLock = true;
        rig.project.SetSelectionPanTilt(100, 100, 0, 0, 0, 0, false);
        QCOMPARE(int(rig.project.m_liveMask[0][0]), 0);
    }

    // --- Presets

    void presetLevelIsScaledIntoEachFixturesRange()
    {
        CPlaybackRig rig;
        CLibraryProfile* reference = ZoomProfile(rig.project, 0, 255);
        CPatchedFixture* narrow = rig.Patch(ZoomProfile(rig.project, 100, 199), 0, 0);
        CPatchedFixture* full = rig.Patch(reference, 0, 1);
        CLibraryProfile* other = ZoomProfile(rig.project, 0, 255);
        other->GetChannel(0)->m_presets.first()->m_name = QStringLiteral("Narrow");
        CPatchedFixture* without = rig.Patch(other, 0, 2);
        SelectAll(rig.project, {narrow, full, without});
        const CProfileChannelDef* channel = reference->GetChannel(0);
        const CProfilePresetDef* wide = channel->m_presets.first();

        rig.project.SetSelectionPreset(channel, wide, 255, false, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {0, 1}), (QList<int>{199, 255}));
        QCOMPARE(int(rig.project.m_liveMask[0][2]), 0); // no equal preset
        rig.project.SetSelectionPreset(channel, wide, 0, false, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {0, 1}), (QList<int>{100, 0}));
        // 100 + 128 * 99 / 255 = 149.69, truncated.
        rig.project.SetSelectionPreset(channel, wide, 128, false, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {0, 1}), (QList<int>{149, 128}));
        // Without a preset every channel of the function takes the level.
        rig.project.SetSelectionPreset(channel, nullptr, 77, false, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {0, 1, 2}), (QList<int>{77, 77, 77}));
    }

    void presetFineLevelGoesToThePartner()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CLibraryProfile* fine = ZoomProfile(rig.project, 0, 255, true);
        CPatchedFixture* a = rig.Patch(fine, 0, 0);
        CPatchedFixture* coarseOnly = rig.Patch(ZoomProfile(rig.project, 0, 255), 0, 5);
        edited.Edit({a, coarseOnly});
        rig.host.calls.clear();
        rig.project.SetSelectionPreset(fine->GetChannel(0), nullptr, 33, false, true);
        QCOMPARE(Slots(rig.project.m_edit, 0, {0, 1, 5}), (QList<int>{0, 33, 0}));
        QCOMPARE(int(rig.project.m_editMask[0][5]), 0);
        QCOMPARE(int(edited.second->FindEntry(a)->Level(1)), 33);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:6:Common Preset")});
    }

    void dimmerLockRefusesSingleBeamDimmers()
    {
        CPlaybackRig rig;
        CLibraryProfile* head = rig.MovingHeadProfile();
        CPatchedFixture* a = rig.Patch(head, 0, 0);
        SelectAll(rig.project, {a});
        rig.project.m_dimmerLock = true;
        rig.project.SetSelectionPreset(head->GetChannel(0), nullptr, 200, false, false);
        rig.project.SetSelectionChannelPreset(head, head->GetChannel(0), 200);
        rig.project.SetFixtureChannelLevel(a, 0, 200);
        QCOMPARE(int(rig.project.m_liveMask[0][0]), 0);
        // Pan is not a dimmer.
        rig.project.SetFixtureChannelLevel(a, 1, 200);
        QCOMPARE(int(rig.project.m_live[0][1]), 200);
    }

    void channelPresetStaysOnItsProfile()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CLibraryProfile* head = rig.MovingHeadProfile();
        CPatchedFixture* a = rig.Patch(head, 0, 0);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        edited.Edit({a, rgb});
        rig.host.calls.clear();
        rig.project.SetSelectionChannelPreset(head, head->GetChannel(1), 99);
        QCOMPARE(int(rig.project.m_edit[0][1]), 99);
        QCOMPARE(int(rig.project.m_editMask[0][11]), 0); // channel 1 of the RGB fixture is its green
        QCOMPARE(int(edited.second->FindEntry(a)->Level(1)), 99);
        QCOMPARE(int(edited.second->FindEntry(rgb)->Level(1)), 0);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:7:Preset")});
    }

    // --- DMX levels

    void channelLevelChecksItsUniverseAndSlot()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.host.calls.clear();
        rig.project.SetChannelLevel(-1, 0, 9);
        rig.project.SetChannelLevel(4, 0, 9);
        rig.project.SetChannelLevel(0, 512, 9);
        rig.project.SetChannelLevel(0, -1, 9);
        QVERIFY(rig.host.calls.isEmpty());
        QVERIFY(!rig.project.HasLiveLevels());

        rig.project.SetChannelLevel(2, 511, 9); // an inactive universe becomes active
        QCOMPARE(int(rig.project.m_live[2][511]), 9);
        QVERIFY(rig.project.IsActive(2));
        QCOMPARE(rig.Out(2, 511), 9);
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
        rig.project.SetChannelLevel(2, 511, 10); // already held live
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
    }

    void channelLevelIntoEditedScene()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        edited.Edit({a});
        rig.host.calls.clear();
        rig.project.SetChannelLevel(1, 40, 123);
        QCOMPARE(int(rig.project.m_edit[1][40]), 123);
        QCOMPARE(int(rig.project.m_editMask[1][40]), 1);
        CPatchedFixture* raw = rig.project.RawChannelAt(1, 40);
        QVERIFY(raw);
        QCOMPARE(int(edited.second->FindEntry(raw)->Level(0)), 123);
        QVERIFY(!edited.first->FindEntry(raw) || edited.first->FindEntry(raw)->Level(0) == 0);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:47:DMX Level")});
    }

    void fixtureChannelLevelAndItsOtherName()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CLibraryProfile* head = rig.MovingHeadProfile();
        CPatchedFixture* a = rig.Patch(head, 0, 500); // channels 500-504
        edited.Edit({a});
        rig.host.calls.clear();
        rig.project.SetChannelLevels(a, 4, 66);
        rig.project.SetFixtureChannelLevel(a, 5, 66); // past the mode
        rig.project.SetFixtureChannelLevel(a, -1, 66);
        QCOMPARE(int(rig.project.m_edit[0][504]), 66);
        QCOMPARE(int(edited.second->FindEntry(a)->Level(4)), 66);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("NotifySceneEditor")),
                 QStringList{QStringLiteral("NotifySceneEditor:11:DMX Level")});

        rig.project.m_panTiltLock = true;
        rig.project.SetFixtureChannelLevel(a, 1, 12);
        QCOMPARE(int(rig.project.m_edit[0][501]), 0);
    }

    // --- Release and force

    void releaseColorComponentOnly()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        SelectAll(rig.project, {a});
        rig.project.SetSelectionColor(10, 20, 30, 0, false);
        rig.host.calls.clear();
        rig.project.ReleaseColorChannels(1, false);
        QCOMPARE(Slots(rig.project.m_liveMask, 0, {0, 1, 2}), (QList<int>{1, 0, 1}));
        QCOMPARE(rig.Out(0, 1), 0);
        QVERIFY(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")) >= 1);
        rig.project.ReleaseColorChannels(9, false);
        QVERIFY(!rig.project.HasLiveLevels());
    }

    void releaseInEditedEffectSceneSparesWhatTheEffectDrives()
    {
        CPlaybackRig rig;
        CLibraryProfile* rgb = rig.RgbProfile();
        CPatchedFixture* a = rig.Patch(rgb, 0, 0);
        auto* scene = new CEffectScene(QStringLiteral("Fx"), rig.project.UniverseCount());
        rig.project.m_effectScenes << scene;
        rig.project.SetEditedScene(scene, scene);
        scene->SetStaticLevel(rgb, 0, 50);
        scene->SetStaticLevel(rgb, 1, 60);
        rig.project.m_edit[0][0] = 50;
        rig.project.m_editMask[0][0] = 1;
        rig.project.m_edit[0][1] = 60;
        rig.project.m_editMask[0][1] = 1;
        rig.project.m_effectMask[0][0] = 1;

        rig.project.ReleaseFixtureChannel(a, 0);
        QCOMPARE(int(rig.project.m_editMask[0][0]), 1);
        QVERIFY(scene->HasStaticLevel(rgb, 0));
        rig.project.ReleaseFixtureChannel(a, 1);
        QCOMPARE(int(rig.project.m_editMask[0][1]), 0);
        QCOMPARE(int(rig.project.m_edit[0][1]), 0);
        QVERIFY(!scene->HasStaticLevel(rgb, 1));
    }

    void releaseInEditedPlainScene()
    {
        CEditedRig edited;
        CPlaybackRig& rig = edited.rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        edited.Edit({a});
        rig.project.SetFixtureChannel(a, 2, 90);
        QCOMPARE(int(rig.project.m_edit[0][2]), 90);
        QCOMPARE(int(rig.project.m_playback[0][2]), 90);
        QVERIFY(edited.scene->IsChannelActive(0, 2));
        QCOMPARE(int(rig.project.m_liveMask[0][2]), 0);
        rig.project.ReleaseChannel(0, 2);
        QCOMPARE(int(rig.project.m_editMask[0][2]), 0);
        QCOMPARE(int(rig.project.m_playback[0][2]), 0);
        QVERIFY(!edited.scene->IsChannelActive(0, 2));
        rig.project.ReleaseChannel(0, 512); // ignored
        rig.project.ReleaseFixtureChannel(a, 3);
    }

    void panTiltChannelsOfAnUnknownAxisOnlyRaiseTheFlag()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.MovingHeadProfile(), 0, 0);
        SelectAll(rig.project, {a});
        rig.host.calls.clear();
        rig.project.SetPanTiltChannels(2, 10, 20, false);
        QVERIFY(!rig.project.HasLiveLevels());
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);

        rig.project.SetPanTiltChannels(1, 10, 20, false);
        QCOMPARE(Slots(rig.project.m_live, 0, {1, 3, 4}), (QList<int>{0, 10, 20}));
        QCOMPARE(Slots(rig.project.m_liveMask, 0, {1, 2, 3, 4}), (QList<int>{0, 0, 1, 1}));
        rig.project.ReleasePanTiltChannels(1, false);
        QVERIFY(!rig.project.HasLiveLevels());
    }

    void presetChannelsReleaseTheirFunctionAndFinePartners()
    {
        CPlaybackRig rig;
        CLibraryProfile* fine = ZoomProfile(rig.project, 0, 255, true);
        CPatchedFixture* a = rig.Patch(fine, 0, 0);
        CPatchedFixture* b = rig.Patch(ZoomProfile(rig.project, 0, 255), 0, 5);
        SelectAll(rig.project, {a, b});
        rig.project.SetSelectionPreset(fine->GetChannel(0), nullptr, 50, false, false);
        rig.project.SetSelectionPreset(fine->GetChannel(0), nullptr, 60, false, true);
        QCOMPARE(Slots(rig.project.m_liveMask, 0, {0, 1, 5}), (QList<int>{1, 1, 1}));
        rig.host.calls.clear();
        rig.project.ReleasePresetChannel(fine->GetChannel(0), false);
        QVERIFY(!rig.project.HasLiveLevels());
        QCOMPARE(rig.Out(0, 1), 0);

        rig.project.SetSelectionPreset(fine->GetChannel(0), nullptr, 50, false, false);
        rig.host.calls.clear();
        rig.project.ReleasePresetChannels({fine->GetChannel(0)});
        QVERIFY(!rig.project.HasLiveLevels());
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseUiUpdate")), 1);
    }

    void panTiltPreviewWhileDraggingFollowsTheOption()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.MovingHeadProfile(), 0, 0);
        SelectAll(rig.project, {a});
        rig.host.sendEditDmx = false;
        rig.project.SetSelectionPanTiltLive(10, 20, 30, 40);
        QCOMPARE(int(rig.project.m_editMask[0][1]), 0);
        rig.host.sendEditDmx = true;
        rig.project.SetSelectionPanTiltLive(10, 20, 30, 40);
        QCOMPARE(Slots(rig.project.m_edit, 0, {1, 2, 3, 4}), (QList<int>{10, 30, 20, 40}));
        QCOMPARE(int(rig.project.m_liveMask[0][1]), 0);
        QVERIFY(!rig.host.modified);
        QCOMPARE(rig.host.Count(QStringLiteral("NotifySceneEditor")), 0);
    }

    // --- What the edited effect drives

    void markRuleSetsMasksAndTellsThePanels()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.MovingHeadProfile(), 0, 0);
        rig.host.calls.clear();
        rig.project.MarkEffectPanTilt(); // nothing selected
        QVERIFY(rig.host.calls.isEmpty());

        SelectAll(rig.project, {a});
        rig.project.MarkEffectPanTilt();
        QCOMPARE(Slots(rig.project.m_editMask, 0, {0, 1, 2, 3, 4}), (QList<int>{0, 1, 1, 1, 1}));
        QCOMPARE(int(rig.project.m_effectMask[0][1]), 0);
        rig.project.MarkEffectChannelType(ChannelType::Dimmer);
        QCOMPARE(int(rig.project.m_effectMask[0][0]), 1);
        rig.project.MarkEffectColors(); // no colour: the panels are told all the same
        QCOMPARE(rig.host.calls, (QStringList{QStringLiteral("MarkPanTiltFx"), QStringLiteral("LockPanTiltChannels"),
                                              QStringLiteral("MarkChannelTypeFx:7"),
                                              QStringLiteral("LockChannelsOfType:7"), QStringLiteral("MarkColorFx"),
                                              QStringLiteral("LockColorChannels")}));
    }
};

ORVANE_TEST(SelectionLevelsTest)
#include "SelectionLevelsTest.moc"
