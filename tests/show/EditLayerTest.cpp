#include "TestRegistry.h"

#include "SelectionRig.h"
#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/PanTiltEffect.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// Zoom with a default preset at 40, then a shutter with no default.
CLibraryProfile* ZoomShutterProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    CProfileChannelDef* zoom = AddChannel(*profile, ChannelType::Zoom);
    AddPreset(zoom, PresetType::Zoom, 0, 30);
    CProfilePresetDef* preset = AddPreset(zoom, PresetType::Zoom, 31, 90);
    preset->m_defaultPreset = true;
    preset->m_dmxDefault = 40;
    CProfileChannelDef* shutter = AddChannel(*profile, ChannelType::Shutter);
    AddPreset(shutter, PresetType::ShutterOpen, 0, 255);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

CEffectScene* AddEffectScene(CProject& project, CEffect* effect)
{
    auto* scene = new CEffectScene(QStringLiteral("Fx"), project.UniverseCount());
    if (effect)
        scene->m_effects << effect;
    project.m_effectScenes << scene;
    return scene;
}

// A running copy of the effect scene that plays in the first page and
// drives the fixtures.
CEffectScene* StartCopy(CProject& project, CEffectScene* source, const QList<CPatchedFixture*>& driven)
{
    auto* copy = new CEffectScene(*source, false, false, false, false);
    copy->m_runningCopy = true;
    copy->m_source = source;
    copy->m_drivenFixtures = driven;
    project.m_runningCopies << copy;
    project.m_firstPage->m_playing << new CPlayingScene(project, copy, false);
    project.m_firstPage->m_hasPlaying = true;
    project.m_playbackRunning = true;
    return copy;
}

// A host whose views call back into the document while it refreshes them.
class CReenteringHost : public CRecordingHost
{
public:
    CProject* project = nullptr;
    int reentries = 0;

    void RefreshOutputViews() override
    {
        CRecordingHost::RefreshOutputViews();
        CallBack();
    }
    void RefreshCurrentPanel() override
    {
        CRecordingHost::RefreshCurrentPanel();
        CallBack();
    }
    void RepaintLayoutView() override
    {
        CRecordingHost::RepaintLayoutView();
        CallBack();
    }

private:
    void CallBack()
    {
        if (!project || reentries > 3)
            return;
        ++reentries;
        project->SetSelectionColor(1, 2, 3, 0, false);
        project->DefaultLevels();
        project->RefreshEditLayer(true);
        project->SetChannelLevel(0, 100, 77);
    }
};

} // namespace

class EditLayerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    // --- Where the controls act

    void editTargetWithoutEditedSceneIsLiveEvenWhilePlaying()
    {
        CPlaybackRig rig;
        CPatchedFixture* fixture = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{fixture, {10, 20, 30}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        QCOMPARE(rig.project.EditTarget(), 3);
    }

    void editTargetOfPlainSceneFollowsItsPlayInTheCurrentPage()
    {
        CPlaybackRig rig;
        CPatchedFixture* fixture = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{fixture, {10, 20, 30}}});
        rig.project.SetEditedScene(scene, scene);
        QCOMPARE(rig.project.EditTarget(), 0);

        // Playing from another page is not playing here.
        auto* other = new CPage(rig.project, QStringLiteral("Other"));
        rig.project.m_pages << other;
        QVERIFY(other->PlayScene(scene));
        QCOMPARE(rig.project.EditTarget(), 0);

        QVERIFY(rig.Page()->PlayScene(scene));
        QCOMPARE(rig.project.EditTarget(), 1);
    }

    void editTargetOfEffectSceneAsksTheHeldEffect()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* head = rig.Patch(PanTiltProfile(rig.project), 0, 10);
        CEffectScene* scene = AddEffectScene(rig.project, nullptr);
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {rgb, head});

        QCOMPARE(rig.project.EditTarget(), 0); // no effect held

        // Curve and preset effects drive channels of any fixture.
        rig.project.m_effectEngine.SetEffect(new CCurveEffect);
        QCOMPARE(rig.project.EditTarget(), 0);

        // A gradient cannot drive the pan/tilt-only fixture.
        rig.project.m_effectEngine.SetEffect(new CGradientEffect);
        QCOMPARE(rig.project.EditTarget(), 1);
        SelectAll(rig.project, {rgb});
        QCOMPARE(rig.project.EditTarget(), 0);

        // A pan/tilt effect cannot drive the RGB fixture.
        rig.project.m_effectEngine.SetEffect(new CPanTiltEffect);
        QCOMPARE(rig.project.EditTarget(), 1);
        SelectAll(rig.project, {head});
        QCOMPARE(rig.project.EditTarget(), 0);

        // A matrix effect reaches only matrix cells.
        rig.project.m_effectEngine.SetEffect(new CMatrixAnimEffect);
        SelectAll(rig.project, {rgb});
        QCOMPARE(rig.project.EditTarget(), 1);
        rgb->m_matrixId = 2;
        QCOMPARE(rig.project.EditTarget(), 0);
    }

    void previewOfPlainScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* edited = rig.AddScene(QStringLiteral("Edited"));
        rig.AddStep(edited, 0, 1000, {{a, {1, 2, 3}}});
        QVERIFY(!rig.project.CanPreviewEditedScene()); // nothing edited
        rig.project.SetEditedScene(edited, edited);
        QVERIFY(rig.project.CanPreviewEditedScene()); // nothing plays

        CScene* apart = rig.AddScene(QStringLiteral("Apart"));
        rig.AddStep(apart, 0, 1000, {{b, {9, 9, 9}}});
        QVERIFY(rig.Page()->PlayScene(apart));
        QVERIFY(rig.project.m_playbackRunning);
        QVERIFY(rig.project.CanPreviewEditedScene());

        CScene* sharing = rig.AddScene(QStringLiteral("Sharing"));
        rig.AddStep(sharing, 0, 1000, {{a, {0, 0, 5}}});
        QVERIFY(rig.Page()->PlayScene(sharing));
        QVERIFY(!rig.project.CanPreviewEditedScene());

        // Playing itself, it previews whatever else plays.
        QVERIFY(rig.Page()->PlayScene(edited));
        QVERIFY(rig.project.CanPreviewEditedScene());
    }

    void previewNeedsSomethingToPlayWhilePlaybackRuns()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* other = rig.AddScene(QStringLiteral("Other"));
        rig.AddStep(other, 0, 1000, {{a, {1, 1, 1}}});
        CScene* empty = rig.AddScene(QStringLiteral("Empty"));
        rig.project.SetEditedScene(empty, empty);
        QVERIFY(rig.project.CanPreviewEditedScene());
        QVERIFY(rig.Page()->PlayScene(other));
        QVERIFY(!rig.project.CanPreviewEditedScene());
    }

    void previewOfEffectScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 10);
        CEffectScene* edited = AddEffectScene(rig.project, new CGradientEffect);
        rig.project.SetEditedScene(edited, edited);
        SelectAll(rig.project, {a});

        // A copy of the edited scene runs on b only: the selection is not
        // covered.
        StartCopy(rig.project, edited, {b});
        QVERIFY(!rig.project.CanPreviewEditedScene());
        QVERIFY(!rig.project.IsEffectSceneRunningOnSelection(edited));
        CEffectScene* onA = StartCopy(rig.project, edited, {a});
        QVERIFY(rig.project.CanPreviewEditedScene());
        QCOMPARE(rig.project.IsEffectSceneRunningOnSelection(edited), onA);

        // Another scene driving a selected fixture forbids it.
        CScene* plain = rig.AddScene(QStringLiteral("Plain"));
        rig.AddStep(plain, 0, 1000, {{a, {0, 7, 0}}});
        QVERIFY(rig.Page()->PlayScene(plain));
        QVERIFY(!rig.project.CanPreviewEditedScene());
    }

    // --- The edit layer

    void applyMaskChecksItsIndexAndItsRecords()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        CMask mask;
        mask.m_levels << CChannelLevel{1, 7, 200} << CChannelLevel{9, 7, 50} << CChannelLevel{0, 512, 50}
                      << CChannelLevel{-1, 3, 50} << CChannelLevel{0, -1, 50} << CChannelLevel{3, 511, 33};
        rig.project.m_masks << mask;

        QVERIFY(!rig.project.ApplyMask(-1));
        QVERIFY(!rig.project.ApplyMask(1));
        QCOMPARE(int(rig.project.m_edit[1][7]), 0);
        QCOMPARE(int(rig.project.m_editMask[1][7]), 0);

        QVERIFY(rig.project.ApplyMask(0));
        QCOMPARE(int(rig.project.m_edit[1][7]), 200);
        QCOMPARE(int(rig.project.m_editMask[1][7]), 1);
        QCOMPARE(int(rig.project.m_edit[3][511]), 33);
        QCOMPARE(int(rig.project.m_editMask[3][511]), 1);
    }

    void releaseLiveClearsOnlyMaskedSlotsAndTellsTheWindow()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.m_live[0][1] = 50;
        rig.project.m_liveMask[0][1] = 1;
        rig.project.m_live[0][2] = 60; // not held live: left as it is
        rig.host.calls.clear();
        rig.project.ReleaseLive();
        QCOMPARE(int(rig.project.m_live[0][1]), 0);
        QCOMPARE(int(rig.project.m_liveMask[0][1]), 0);
        QCOMPARE(int(rig.project.m_live[0][2]), 60);
        QVERIFY(!rig.project.HasLiveLevels());
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
    }

    void copyLiveToEditTakesMaskedSlots()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.m_live[0][4] = 44;
        rig.project.m_liveMask[0][4] = 1;
        rig.project.m_live[0][5] = 55;
        rig.project.CopyLiveToEdit();
        QCOMPARE(int(rig.project.m_edit[0][4]), 44);
        QCOMPARE(int(rig.project.m_editMask[0][4]), 1);
        QCOMPARE(int(rig.project.m_edit[0][5]), 0);
        QCOMPARE(int(rig.project.m_editMask[0][5]), 0);
    }

    void refreshShowsStaticLevelsThenTheCurrentStep()
    {
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.RgbProfile();
        profile->m_path = QStringLiteral("rgb.kvp");
        CPatchedFixture* a = rig.Patch(profile, 0, 0);
        CPatchedFixture* b = rig.Patch(profile, 0, 10);
        CPatchedFixture* edge = rig.Patch(profile, 0, 510); // its blue would be slot 512
        CEffectScene* scene = AddEffectScene(rig.project, new CGradientEffect);
        scene->m_channelStaticLevels << CStaticChannelLevel{0, 100, 90} << CStaticChannelLevel{7, 1, 5}
                                     << CStaticChannelLevel{0, 600, 5};
        CModeStaticLevels record;
        record.m_profile = QStringLiteral("rgb.kvp");
        record.m_levels << qMakePair(2, quint8(222)) << qMakePair(9, quint8(5)); // 9: past the mode
        scene->m_modeStaticLevels << record;
        rig.project.m_edit[0][300] = 123; // stale level of an earlier refresh
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {a, edge});

        rig.host.calls.clear();
        rig.project.RefreshEditLayer(true);
        QCOMPARE(int(rig.project.m_edit[1][0]), 0);
        QCOMPARE(int(rig.project.m_editMask[1][0]), 0);
        QCOMPARE(int(rig.project.m_edit[0][300]), 0);
        QCOMPARE(int(rig.project.m_edit[0][100]), 90);
        QCOMPARE(int(rig.project.m_editMask[0][100]), 1);
        QCOMPARE(int(rig.project.m_edit[0][2]), 222); // a's blue
        QCOMPARE(int(rig.project.m_edit[0][12]), 0);  // b is not selected
        QCOMPARE(int(rig.project.m_edit[0][9]), 0);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshOutputViews")), 1);

        // A plain scene's current step is written whole.
        CScene* plain = rig.AddScene(QStringLiteral("Plain"));
        rig.AddStep(plain, 0, 1000, {{b, {11, 12, 13}}});
        plain->GoToStep(0, 0);
        rig.project.SetEditedScene(plain, plain);
        rig.project.RefreshEditLayer(true);
        QCOMPARE(int(rig.project.m_edit[0][10]), 11);
        QCOMPARE(int(rig.project.m_edit[0][12]), 13);
        QCOMPARE(int(rig.project.m_edit[0][100]), 0);
    }

    void updateEditMaskForSelection()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        scene->ActiveMask(0)->Set(0);
        scene->ActiveMask(0)->Set(10);
        rig.project.m_editMask[0][2] = 1; // held by the editor already
        rig.project.m_edit[0][11] = 70;
        rig.project.m_editMask[0][11] = 1;
        rig.project.UpdateEditMaskForSelection(); // nothing edited
        QCOMPARE(int(rig.project.m_editMask[0][0]), 0);

        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {a});
        for (bool& flag : b->BeamFlags())
            flag = false;
        rig.project.UpdateEditMaskForSelection();
        QCOMPARE(int(rig.project.m_editMask[0][0]), 1);
        QCOMPARE(int(rig.project.m_editMask[0][1]), 0);
        QCOMPARE(int(rig.project.m_editMask[0][2]), 1);
        QCOMPARE(int(rig.project.m_editMask[0][10]), 0); // b lost its beams
        QCOMPARE(int(rig.project.m_editMask[0][11]), 0);
        QCOMPARE(int(rig.project.m_edit[0][11]), 0);
    }

    // --- Replacing the edited scene

    void setEditedSceneReplacesEveryReference()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* original = rig.AddScene(QStringLiteral("Original"));
        rig.AddStep(original, 0, 1000, {{a, {1, 2, 3}}});
        original->m_position = 6;
        CScene* jumper = rig.AddScene(QStringLiteral("Jumper"));
        jumper->m_jumpTarget = original;
        jumper->m_releaseList << original;
        auto* button = new CFadingButton(QStringLiteral("X"));
        button->m_fadeInPages << rig.Page();
        button->m_fadeInScenes << original;
        button->m_fadeOutPages << rig.Page();
        button->m_fadeOutScenes << original;
        rig.project.m_fadingButtons << button;
        QVERIFY(rig.Page()->PlayScene(original));

        // The editor keeps the old object and owns it from now on.
        auto* copy = new CScene(*original, true, true, true);
        rig.project.SetEditedScene(nullptr, original);
        rig.host.calls.clear();
        rig.project.SetEditedScene(original, copy);

        QCOMPARE(rig.project.m_editedScene, copy);
        QCOMPARE(copy->m_position, 6);
        QCOMPARE(rig.Page()->m_scenes.indexOf(copy), 0);
        QVERIFY(!rig.Page()->m_scenes.contains(original));
        QCOMPARE(jumper->m_jumpTarget, copy);
        QCOMPARE(jumper->m_releaseList, QList<CScene*>{copy});
        QCOMPARE(button->m_fadeInScenes, QList<CScene*>{copy});
        QCOMPARE(button->m_fadeOutScenes, QList<CScene*>{copy});
        QVERIFY(rig.Page()->IsPlaying(copy));
        QVERIFY(!rig.Page()->IsPlaying(original));
        QCOMPARE(rig.host.Count(QStringLiteral("FadingReplaceScene")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("TimeLineReplaceScene")), 1);

        // Deleted here, the old scene must leave nothing behind that the
        // sanitizer would catch on the next tick.
        delete original;
        rig.Tick(3);
    }

    void setEditedSceneReplacesAnEffectSceneInItsList()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CEffectScene* original = AddEffectScene(rig.project, new CGradientEffect);
        CEffectScene* copy = StartCopy(rig.project, original, {a});
        auto* replacement = new CEffectScene(*original, true, true, true, false);
        rig.project.SetEditedScene(original, replacement);
        QCOMPARE(rig.project.m_effectScenes, QList<CEffectScene*>{replacement});
        QCOMPARE(copy->m_source, replacement);
        delete original;
        QVERIFY(rig.project.IsScenePlaying(replacement));
    }

    // --- Fixture colour

    void fixtureColorGoesLiveOrIntoTheSelectedSteps()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        rig.project.SetFixtureColor(a, 0, 10, 20, 30, 0);
        QCOMPARE(int(rig.project.m_live[0][1]), 20);
        QCOMPARE(int(rig.project.m_liveMask[0][1]), 1);

        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* first = rig.AddStep(scene, 0, 1000, {{a, {0, 0, 0}}});
        CSceneStep* second = rig.AddStep(scene, 0, 1000, {{a, {0, 0, 0}}});
        scene->m_selection << second;
        rig.project.SetEditedScene(scene, scene);
        rig.project.SetFixtureColor(a, 0, 40, 50, 60, 0);
        QCOMPARE(int(rig.project.m_edit[0][0]), 40);
        QCOMPARE(int(rig.project.m_live[0][0]), 10);
        QCOMPARE(int(second->FindEntry(a)->Level(2)), 60);
        QCOMPARE(int(first->FindEntry(a)->Level(2)), 0);

        // Refused while a colour effect is edited.
        rig.project.m_colorLock = true;
        rig.project.SetFixtureColor(a, 0, 1, 1, 1, 0);
        QCOMPARE(int(rig.project.m_edit[0][0]), 40);
        rig.project.m_colorLock = false;

        // While effect editing runs the steps are left alone.
        rig.project.m_effectEditing = true;
        rig.project.SetFixtureColor(a, 0, 7, 7, 7, 0);
        QCOMPARE(int(rig.project.m_edit[0][0]), 7);
        QCOMPARE(int(second->FindEntry(a)->Level(0)), 40);
        QVERIFY(!rig.project.m_editGuard);
    }

    void fixtureColorOfPlayingSceneReachesOnlyTheEditLayer()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* step = rig.AddStep(scene, 0, 1000, {{a, {5, 5, 5}}});
        scene->m_selection << step;
        rig.project.SetEditedScene(scene, scene);
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.project.SetFixtureColor(a, 0, 40, 50, 60, 0);
        QCOMPARE(int(rig.project.m_edit[0][0]), 40);
        QCOMPARE(int(step->FindEntry(a)->Level(0)), 5);
    }

    void fixtureColorOfEffectSceneSetsStaticLevels()
    {
        CPlaybackRig rig;
        CLibraryProfile* cmy = rig.CmyProfile();
        CPatchedFixture* a = rig.Patch(cmy, 0, 0);
        CEffectScene* scene = AddEffectScene(rig.project, new CGradientEffect);
        rig.project.SetEditedScene(scene, scene);
        rig.project.SetFixtureColor(a, 0, 255, 0, 55, 0);
        QCOMPARE(int(rig.project.m_edit[0][0]), 0); // cyan
        QCOMPARE(int(rig.project.m_edit[0][1]), 255);
        QCOMPARE(scene->m_modeStaticLevels.size(), 1);
        const QList<QPair<int, quint8>> levels = scene->m_modeStaticLevels.first().m_levels;
        QCOMPARE(levels.size(), 3);
        for (const auto& level : levels) {
            const int expected[] = {0, 255, 200};
            QCOMPARE(int(level.second), expected[level.first]);
        }
    }

    // --- Default levels

    void defaultLevelsLive()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* cmy = rig.Patch(rig.CmyProfile(), 0, 10);
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 20);
        CPatchedFixture* zoom = rig.Patch(ZoomShutterProfile(rig.project), 0, 30);
        CPatchedFixture* idle = rig.Patch(rig.RgbProfile(), 0, 40);

        rig.host.calls.clear();
        rig.project.DefaultLevels(); // nothing selected
        QVERIFY(rig.host.calls.isEmpty());

        SelectAll(rig.project, {rgb, cmy, head, zoom});
        rig.project.DefaultLevels();
        const int expected[][2] = {
            {0, 255}, {1, 255}, {2, 255},    // RGB full
            {10, 0}, {11, 0}, {12, 0},       // CMY open
            {21, 127}, {22, 127}, {23, 127}, {24, 127}, // pan, pan fine, tilt, tilt fine
            {30, 40},                        // zoom's default preset
        };
        for (const auto& slot : expected) {
            QCOMPARE(int(rig.project.m_live[0][slot[0]]), slot[1]);
            QCOMPARE(int(rig.project.m_liveMask[0][slot[0]]), 1);
        }
        // Channels without a default preset are not written.
        QCOMPARE(int(rig.project.m_liveMask[0][20]), 0); // the head's dimmer
        QCOMPARE(int(rig.project.m_liveMask[0][31]), 0); // shutter
        QCOMPARE(int(rig.project.m_liveMask[0][40]), 0); // not selected
        Q_UNUSED(idle);
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshCurrentPanel")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseUiUpdate")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshOutputViews")), 0);
    }

    void defaultLevelsIntoEditedScene()
    {
        CPlaybackRig rig;
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 0);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* first = rig.AddStep(scene, 0, 1000, {{head, {200, 3, 4, 5, 6}}, {rgb, {1, 2, 3}}});
        CSceneStep* second = rig.AddStep(scene, 0, 1000, {{head, {200, 9, 9, 9, 9}}, {rgb, {1, 2, 3}}});
        scene->m_selection << second;
        scene->GoToStep(1, 0);
        // The editor holds the head's dimmer in the edit layer.
        rig.project.m_edit[0][0] = 200;
        rig.project.m_editMask[0][0] = 1;
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {head});
        rig.project.m_playback[0][1] = 77; // belongs to the tick

        rig.host.calls.clear();
        rig.project.DefaultLevels();
        QCOMPARE(int(rig.project.m_playback[0][1]), 77);
        QCOMPARE(int(rig.project.m_liveMask[0][1]), 0);

        const QByteArray stored = second->FindEntry(head)->Levels();
        QCOMPARE(int(quint8(stored[0])), 200);
        for (int c = 1; c <= 4; ++c)
            QCOMPARE(int(quint8(stored[c])), 127);
        QCOMPARE(int(first->FindEntry(head)->Level(1)), 3); // not selected
        QCOMPARE(int(second->FindEntry(rgb)->Level(0)), 1); // not a selected fixture

        // The edit layer shows the current step again.
        QCOMPARE(int(rig.project.m_edit[0][1]), 127);
        QCOMPARE(int(rig.project.m_editMask[0][1]), 1);
        QCOMPARE(int(rig.project.m_edit[0][10]), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshOutputViews")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("RefreshCurrentPanel")), 1);
        QVERIFY(!rig.project.m_editGuard);
    }

    // --- Re-entry

    void viewsCallingBackDuringARefreshChangeNothing()
    {
        CPlaybackRig rig;
        CReenteringHost host; // replaces the rig's host while it lives
        host.project = &rig.project;
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 0);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* step = rig.AddStep(scene, 0, 1000, {{rgb, {1, 2, 3}}});
        scene->m_selection << step;
        scene->GoToStep(0, 0);
        rig.project.SetEditedScene(scene, scene);
        SelectAll(rig.project, {head, rgb});

        rig.project.RefreshEditLayer(true);
        QCOMPARE(host.reentries, 1);
        QCOMPARE(int(rig.project.m_edit[0][10]), 1);  // no colour from the view
        QCOMPARE(int(rig.project.m_edit[0][1]), 0);   // no defaults from the view
        QCOMPARE(int(rig.project.m_edit[0][100]), 0); // no DMX level from the view
        QCOMPARE(host.Count(QStringLiteral("NotifySceneEditor")), 0);
        QVERIFY(!rig.project.m_editGuard);

        host.reentries = 0;
        rig.project.DefaultLevels();
        QCOMPARE(host.reentries, 2); // both refreshes called back
        QCOMPARE(int(rig.project.m_edit[0][1]), 127);
        QCOMPARE(int(rig.project.m_edit[0][10]), 255);
        QCOMPARE(int(step->FindEntry(rgb)->Level(0)), 255);
        QCOMPARE(int(rig.project.m_edit[0][100]), 0);
        QVERIFY(!rig.project.m_editGuard);

        // A level change repaints the layout view, which calls back too.
        host.reentries = 0;
        rig.project.SetSelectionColor(100, 110, 120, 0, false);
        QCOMPARE(host.reentries, 1);
        QCOMPARE(int(rig.project.m_edit[0][10]), 100);
        QCOMPARE(int(step->FindEntry(rgb)->Level(0)), 100);
        QCOMPARE(host.Count(QStringLiteral("NotifySceneEditor:4:Color")), 1);
        QVERIFY(!rig.project.m_editGuard);

        // Once the refresh is over the same call works.
        host.project = nullptr;
        rig.project.SetChannelLevel(0, 100, 77);
        QCOMPARE(int(rig.project.m_edit[0][100]), 77);
    }
};

ORVANE_TEST(EditLayerTest)
#include "EditLayerTest.moc"
