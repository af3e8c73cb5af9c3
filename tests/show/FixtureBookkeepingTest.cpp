#include "TestRegistry.h"
#include "MaskSlots.h"

#include "PlaybackRig.h"
#include "effects/Effect.h"
#include "model/FixtureMatrix.h"
#include "model/ProfilePresetDef.h"
#include "show/EffectScene.h"
#include "show/MultiColorRect.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class CFakeItem final : public CLayoutItem
{
public:
    explicit CFakeItem(const QRect& rect) : m_rect(rect) {}
    QRect ItemRect() const override { return m_rect; }
    QRect m_rect;
};

// Sees whether the edit guard is held while the presets window refreshes.
class CGuardHost : public CRecordingHost
{
public:
    explicit CGuardHost(CProject& project) : m_project(project) {}
    void RefreshPagesAndPresets() override
    {
        guardDuringRefresh = m_project.m_editGuard;
        CRecordingHost::RefreshPagesAndPresets();
    }
    bool guardDuringRefresh = false;

private:
    CProject& m_project;
};

CLibraryProfile* Named(CLibraryProfile* profile, const QString& path)
{
    profile->SetPath(path);
    return profile;
}

// Two beams: one colour set serving both (master colour) and one per beam.
CLibraryProfile* MasterColorProfile(CPlaybackRig& rig, const QString& path)
{
    auto* profile = new CLibraryProfile;
    ProfileBuilder::SetBeams(*profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red, ProfileBuilder::Beams({0}));
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red, ProfileBuilder::Beams({1}));
    profile->UpdateRoles();
    rig.project.m_library << profile;
    return Named(profile, path);
}

CEffect* EffectOn(const QList<CPatchedFixture*>& fixtures)
{
    auto* effect = new CEffect(1);
    for (CPatchedFixture* fixture : fixtures) {
        effect->m_fixtures << fixture;
        effect->m_fixtureSel << true;
        effect->m_beamIndex << 0;
        effect->m_beamFixtures << fixture;
        effect->m_beamSel << true;
    }
    return effect;
}

void Select(CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    project.m_currentGroup->m_selectedFixtures = fixtures;
    project.ComputeSelectionCaps();
}

QColor Pixel(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

class FixtureBookkeepingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    // --- Adding

    void addedFixturesGetOnePlacePerGroupUnlessInAMatrix()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgb = rig.RgbProfile();
        project.AddGroup(QStringLiteral("A")); // now current, two groups
        CFakeItem item(QRect(40, 50, 10, 10));

        CPatchedFixture* plain = project.AddFixture(10, 0, 1, -1, QStringLiteral("P"), rgb, false, true, &item);
        QCOMPARE(plain->PositionCount(), 2);
        QCOMPARE(plain->Position(1), QPoint(40, 50));
        QVERIFY(project.m_generalGroup->m_fixtures.contains(plain));
        QCOMPARE(project.m_currentGroup->m_fixtures, QList<CPatchedFixture*>({plain}));
        QCOMPARE(project.m_currentGroup->m_beamFlags.size(), 1);
        QCOMPARE(project.m_invertedFixtures, QList<CPatchedFixture*>({plain}));
        QVERIFY(project.m_hasInvertedFixtures);

        CPatchedFixture* member = project.AddFixture(20, 0, 2, 0, QStringLiteral("M"), rgb, false, false, &item);
        QCOMPARE(member->PositionCount(), 1);
        QCOMPARE(project.m_invertedFixtures.size(), 1);

        CFixtureMatrix* matrix = project.AddMatrix(rgb, 0, 2, 2, &item);
        QCOMPARE(matrix->PositionCount(), 2);
        QVERIFY(project.m_generalGroup->m_matrices.contains(matrix));
        QVERIFY(project.m_currentGroup->m_matrices.contains(matrix));
        plain->SetLayoutItem(nullptr);
        member->SetLayoutItem(nullptr);
        matrix->SetLayoutItem(nullptr);
    }

    void libraryNamesAndUsedUniverses()
    {
        CPlaybackRig rig(8);
        CProject& project = rig.project;
        QCOMPARE(project.UniqueProfileName(), QStringLiteral("Untitled1.kvp"));
        Named(rig.RgbProfile(), QStringLiteral("Untitled2.kvp"));
        Named(rig.RgbProfile(), QStringLiteral("Untitled1.kvp"));
        QCOMPARE(project.UniqueProfileName(), QStringLiteral("Untitled3.kvp"));
        QCOMPARE(project.FindLibraryProfile(QStringLiteral("Untitled2.kvp")), project.m_library[0]);
        QCOMPARE(project.FindLibraryProfile(QStringLiteral("Other.kvp")), nullptr);

        QCOMPARE(project.UsedUniverseCount(), 4);
        project.m_active[5] = 1;
        QCOMPARE(project.UsedUniverseCount(), 6);
        project.m_active[5] = 0;
        project.m_active[1] = 1;
        QCOMPARE(project.UsedUniverseCount(), 4);
    }

    void channelRecordsOnlyInsideTheUniverses()
    {
        CPlaybackRig rig(2);
        CProject& project = rig.project;
        QCOMPARE(project.GetChannelFixture(-1, 0), nullptr);
        QCOMPARE(project.GetChannelFixture(2, 0), nullptr);
        QCOMPARE(project.GetChannelFixture(0, -1), nullptr);
        QCOMPARE(project.GetChannelFixture(0, 512), nullptr);
        QVERIFY(project.m_rawChannels.isEmpty());
        QVERIFY(!project.IsActive(1));

        CPatchedFixture* record = project.GetChannelFixture(1, 511);
        QVERIFY(record);
        QCOMPARE(record->m_universe, 1);
        QCOMPARE(record->m_address, 511);
        QCOMPARE(record->Profile(), nullptr);
        QVERIFY(project.IsActive(1));
        QCOMPARE(project.GetChannelFixture(1, 511), record);
        QCOMPARE(project.m_rawChannels.size(), 1);
    }

    // --- Removing

    void onlyAPlayingSceneRefusesARemoval()
    {
        CPlaybackRig rig;
        CPatchedFixture* used = rig.Patch(rig.RgbProfile(), 0, 1);
        CPatchedFixture* other = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 1000, {{used, {255, 0, 0}}});
        QVERIFY(rig.project.CanRemoveFixtures({used}));
        QVERIFY(rig.Page()->PlayScene(scene));
        QVERIFY(!rig.project.CanRemoveFixtures({used}));
        QVERIFY(!rig.project.CanRemoveFixtures({other, used}));
        QVERIFY(rig.project.CanRemoveFixtures({other}));
        QVERIFY(rig.project.CanRemoveFixtures({}));
    }

    void removedFixturesLeaveTheirLevelsAsRawChannels()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgb = rig.RgbProfile();
        CPatchedFixture* gone = rig.Patch(rgb, 0, 10);
        CPatchedFixture* kept = rig.Patch(rgb, 0, 20);
        CScene* first = rig.AddScene(QStringLiteral("A"));
        CSceneStep* a1 = rig.AddStep(first, 0, 1000, {{gone, {1, 2, 3}}, {kept, {4, 5, 6}}});
        CSceneStep* a2 = rig.AddStep(first, 0, 1000, {{gone, {7, 8, 9}}});
        first->GoToStep(1, 0);
        first->m_selection = {a1, a2};
        // A scene on another page is followed as well.
        auto* page = new CPage(project, QStringLiteral("Two"));
        project.m_pages << page;
        auto* second = new CScene(QStringLiteral("B"), project.UniverseCount());
        page->m_scenes << second;
        CSceneStep* b1 = rig.AddStep(second, 0, 1000, {{gone, {10, 20, 30}}});

        project.RemoveFixtures({gone}, false);

        QCOMPARE(project.m_generalGroup->m_fixtures, QList<CPatchedFixture*>({kept}));
        CPatchedFixture* raw10 = project.RawChannelAt(0, 10);
        CPatchedFixture* raw12 = project.RawChannelAt(0, 12);
        QVERIFY(raw10 && raw12);
        QCOMPARE(a1->EntryCount(), 4);
        QCOMPARE(int(a1->FindEntry(raw10)->Level(0)), 1);
        QCOMPARE(int(a1->FindEntry(raw12)->Level(0)), 3);
        QCOMPARE(int(a1->FindEntry(kept)->Level(2)), 6);
        QCOMPARE(int(a2->FindEntry(raw12)->Level(0)), 9);
        QCOMPARE(int(b1->FindEntry(raw10)->Level(0)), 10);
        // The same slots drive the output as before.
        QVERIFY(first->IsChannelActive(0, 11));
        QCOMPARE(first->m_currentStep, a2);
        QCOMPARE(first->m_selection, QList<CSceneStep*>({a1, a2}));
        QVERIFY(second->m_currentStep == nullptr || second->m_steps.contains(second->m_currentStep));
    }

    void lastFixtureOfAProfileTakesItOutOfTheLibrary()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgb = Named(rig.RgbProfile(), QStringLiteral("rgb.kvp"));
        CLibraryProfile* head = Named(rig.MovingHeadProfile(), QStringLiteral("head.kvp"));
        CPatchedFixture* rgbA = rig.Patch(rgb, 0, 1);
        CPatchedFixture* rgbB = rig.Patch(rgb, 0, 4);
        CPatchedFixture* headA = rig.Patch(head, 0, 20);
        Select(project, {rgbB});
        project.AddGroup(QStringLiteral("B only"));
        project.m_currentGroup = project.m_generalGroup;
        project.m_generalGroup->GetPresetConfig(rgb, 0, 0);
        project.m_groups[1]->GetPresetConfig(rgb, 0, 0);
        project.m_generalGroup->GetPresetConfig(head, 1, 0);

        // B, in both groups, keeps the profile everywhere.
        project.RemoveFixtures({rgbA}, false);
        QVERIFY(project.m_library.contains(rgb));
        QVERIFY(project.m_generalGroup->m_presetProfiles.contains(rgb));

        project.RemoveFixtures({headA}, false);
        QVERIFY(!project.m_library.contains(head));
        QVERIFY(!project.m_generalGroup->m_presetProfiles.contains(head));
        QVERIFY(project.m_groups[1]->m_presetProfiles.contains(rgb));

        project.RemoveFixtures({rgbB}, false);
        QVERIFY(!project.m_groups[1]->m_presetProfiles.contains(rgb));
        QVERIFY(project.m_library.isEmpty());
        QVERIFY(project.m_generalGroup->m_fixtures.isEmpty());
        // The null profile's configurations stay.
        QCOMPARE(project.m_generalGroup->m_presetProfiles, QList<CLibraryProfile*>({nullptr}));
    }

    void aProfileAMatrixStillUsesStays()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgb = rig.RgbProfile();
        CPatchedFixture* member = rig.Patch(rgb, 0, 1);
        member->m_matrixId = 3;
        auto* matrix = new CFixtureMatrix(rgb, 3, 1, 1, 0);
        matrix->AddMember(member, QRect(0, 0, 20, 20));
        project.m_generalGroup->m_matrices << matrix;

        // Without the clean-up the matrix is the caller's, and so is its profile.
        project.RemoveFixtures({member}, false);
        QCOMPARE(project.m_generalGroup->m_matrices, QList<CFixtureMatrix*>({matrix}));
        QCOMPARE(matrix->MemberCount(), 0);
        QVERIFY(project.m_library.contains(rgb));
        project.RemoveMatrix(matrix);
        QVERIFY(project.m_generalGroup->m_matrices.isEmpty());
    }

    // Each check below reads through a pointer the removal must have
    // dropped: a survivor is a use after free under the sanitizer.
    void removalLeavesNoPointerToWhatItDeleted()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgb = Named(rig.RgbProfile(), QStringLiteral("rgb.kvp"));
        CLibraryProfile* head = Named(rig.MovingHeadProfile(), QStringLiteral("head.kvp"));
        CPatchedFixture* kept = rig.Patch(rgb, 0, 1);
        CPatchedFixture* gone = rig.Patch(head, 0, 10);
        gone->m_invertPan = true;
        project.m_invertedFixtures << gone;
        project.m_hasInvertedFixtures = true;
        gone->m_matrixId = 4;
        auto* matrix = new CFixtureMatrix(head, 4, 1, 1, 0);
        matrix->AddMember(gone, QRect(0, 0, 20, 20));
        project.m_generalGroup->m_matrices << matrix;

        project.m_generalGroup->m_selectedFixtures = {kept, gone};
        project.m_generalGroup->m_selectedMatrices = {matrix};
        project.AddGroup(QStringLiteral("Both"));
        CGroup* group = project.m_currentGroup;
        QVERIFY(group->m_matrices.contains(matrix));
        QVERIFY(group->AddSubGroup());
        project.ComputeSelectionCaps();
        QCOMPARE(project.m_selectionCaps.m_profiles.size(), 2);

        auto* effectScene = new CEffectScene(QStringLiteral("E"), project.UniverseCount());
        effectScene->m_effects << EffectOn({kept, gone});
        effectScene->m_effects.first()->m_matrix = matrix;
        // A generated step of the effect scene, and an effect of gone alone.
        auto* generated = new CSceneStep(0, 40);
        generated->m_effect = effectScene->m_effects.first();
        generated->AddEntry(new CStepFixture(gone, effectScene));
        generated->AddEntry(new CStepFixture(kept, effectScene));
        effectScene->m_steps << generated;
        effectScene->m_effects << EffectOn({gone});
        effectScene->m_drivenFixtures = {kept, gone};
        effectScene->m_capturedSelection = {gone};
        project.m_effectScenes << effectScene;
        auto* copy = new CEffectScene(*effectScene, true, false, false, false);
        copy->m_effects << EffectOn({gone});
        copy->m_effects.first()->m_matrix = matrix;
        copy->m_source = effectScene;
        copy->m_runningCopy = true;
        project.m_runningCopies << copy;
        project.m_savedSelectedFixtures = {gone};
        project.m_savedSelectedMatrices = {matrix};
        project.m_effectEngine.SetEffect(EffectOn({gone, kept}));

        project.RemoveFixtures({gone}, true);

        // Read through every list before checking what it holds.
        int touched = 0;
        for (const CGroup* g : project.m_groups) {
            for (const CPatchedFixture* f : g->m_fixtures + g->m_selectedFixtures)
                touched += f->m_address;
            for (const CFixtureMatrix* m : g->m_matrices + g->m_selectedMatrices)
                touched += m->MemberCount();
            for (const CSubGroup* sub : g->m_subGroups) {
                for (const CPatchedFixture* f : sub->m_fixtures)
                    touched += f->m_address;
            }
        }
        for (const CEffectScene* scene : {effectScene, copy}) {
            for (const CPatchedFixture* f : scene->m_drivenFixtures + scene->m_capturedSelection)
                touched += f->m_address;
            for (const CEffect* effect : scene->m_effects) {
                for (const CPatchedFixture* f : effect->m_fixtures + effect->m_beamFixtures)
                    touched += f->m_address;
                if (effect->m_matrix)
                    touched += effect->m_matrix->MemberCount();
            }
            for (const CSceneStep* step : scene->m_steps) {
                for (const CStepFixture* entry : step->m_entries)
                    touched += entry->Fixture()->m_address;
            }
        }
        for (const CPatchedFixture* f : project.m_invertedFixtures + project.m_savedSelectedFixtures)
            touched += f->m_address;
        const CEffect* edited = project.m_effectEngine.Effect();
        for (const CPatchedFixture* f : edited->m_fixtures + edited->m_beamFixtures)
            touched += f->m_address;
        for (const CFixtureMatrix* m : project.m_savedSelectedMatrices)
            touched += m->MemberCount();
        for (const CLibraryProfile* profile : project.m_selectionCaps.m_profiles)
            touched += profile->ChannelCount();
        // kept (address 1): members and selection of 2 groups, one sub-group,
        // driven by both scenes, both lists of the first effect and of the
        // edited one, one step entry; RGB: 3 channels.
        QCOMPARE(touched, 4 + 1 + 2 + 2 + 2 + 1 + 3);

        QVERIFY(project.m_invertedFixtures.isEmpty());
        QVERIFY(!project.m_hasInvertedFixtures);
        QVERIFY(project.m_generalGroup->m_matrices.isEmpty());
        QVERIFY(project.m_savedSelectedFixtures.isEmpty());
        QVERIFY(project.m_savedSelectedMatrices.isEmpty());
        for (CGroup* g : project.m_groups) {
            QCOMPARE(g->m_fixtures, QList<CPatchedFixture*>({kept}));
            QCOMPARE(g->m_beamFlags.size(), 1);
            QCOMPARE(g->m_selectedFixtures, QList<CPatchedFixture*>({kept}));
            QVERIFY(g->m_matrices.isEmpty());
            QVERIFY(g->m_selectedMatrices.isEmpty());
            QVERIFY(!g->IsMatrixSelection());
        }
        CSubGroup* subGroup = group->m_subGroups.first();
        QCOMPARE(subGroup->m_fixtures, QList<CPatchedFixture*>({kept}));
        QVERIFY(group->IsSelection(subGroup->m_fixtures, subGroup->m_beamFlags));
        // Capabilities follow at once: only the RGB profile is left selected.
        QCOMPARE(project.m_selectionCaps.m_profiles, QList<CLibraryProfile*>({rgb}));
        QVERIFY(!project.m_library.contains(head));

        for (CEffectScene* scene : {effectScene, copy}) {
            QVERIFY(!scene->m_drivenFixtures.contains(gone));
            QVERIFY(!scene->m_capturedSelection.contains(gone));
            CEffect* effect = scene->m_effects.first();
            QVERIFY(!effect->m_fixtures.contains(gone));
            QVERIFY(!effect->m_beamFixtures.contains(gone));
            QCOMPARE(effect->m_matrix, nullptr);
        }
        // The effect scene keeps what the operator built, fixtures or not.
        QCOMPARE(effectScene->m_effects.size(), 2);
        QVERIFY(effectScene->m_effects[1]->m_fixtures.isEmpty());
        QCOMPARE(generated->EntryCount(), 1);
        QCOMPARE(generated->m_entries[0]->Fixture(), kept);
        project.SelectEffectFixtures(effectScene->m_effects.first());
        QCOMPARE(project.m_generalGroup->m_selectedFixtures, QList<CPatchedFixture*>({kept}));
    }

    void removingUnknownFixturesChangesNothing()
    {
        CPlaybackRig rig;
        CPatchedFixture* kept = rig.Patch(rig.RgbProfile(), 0, 1);
        CPatchedFixture* raw = rig.project.GetChannelFixture(0, 100);
        rig.project.RemoveFixtures({}, true);
        rig.project.RemoveFixtures({raw, nullptr}, true);
        QCOMPARE(rig.project.m_generalGroup->m_fixtures, QList<CPatchedFixture*>({kept}));
        QCOMPARE(rig.project.RawChannelAt(0, 100), raw);
        QCOMPARE(rig.project.m_library.size(), 1);
    }

    // --- Patch changes

    void rawChannelsFoldIntoNewFixturesOfScenesAtRest()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CPatchedFixture* raw = project.GetChannelFixture(0, 11);
        CScene* resting = rig.AddScene(QStringLiteral("Rest"));
        CSceneStep* restStep = rig.AddStep(resting, 0, 1000, {{raw, {77}}});
        CScene* playing = rig.AddScene(QStringLiteral("Play"));
        CSceneStep* playStep = rig.AddStep(playing, 0, 1000, {{raw, {66}}});
        QVERIFY(rig.Page()->PlayScene(playing));
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);

        project.RemoveFixturesFromScenes({});
        QCOMPARE(restStep->FindEntry(rgb), nullptr);
        project.RemoveFixturesFromScenes({rgb});
        QCOMPARE(restStep->FindEntry(raw), nullptr);
        QCOMPARE(int(restStep->FindEntry(rgb)->Level(1)), 77);
        QCOMPARE(int(playStep->FindEntry(raw)->Level(0)), 66);
        QCOMPARE(playStep->FindEntry(rgb), nullptr);
    }

    void movedChannelsFollowInEverySceneOnce()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        auto* page = new CPage(project, QStringLiteral("Two"));
        project.m_pages << page;
        auto* onPage = new CScene(QStringLiteral("P"), project.UniverseCount());
        page->m_scenes << onPage;
        CScene* onFirst = rig.AddScene(QStringLiteral("F"));
        auto* effectScene = new CEffectScene(QStringLiteral("E"), project.UniverseCount());
        project.m_effectScenes << effectScene;
        auto* copy = new CEffectScene(QStringLiteral("C"), project.UniverseCount());
        project.m_runningCopies << copy;
        const QList<CScene*> scenes = {onPage, onFirst, effectScene, copy};
        for (CScene* scene : scenes) {
            scene->ActiveMask(0)->Set(1);
            scene->ActiveMask(0)->Set(4);
        }

        project.PatchChanged({}, {}, {}, {}, {});
        QVERIFY(onPage->ActiveMask(0)->Test(1));

        // (0: 1..4 -> 3..6) and (0: 3..4 -> 1..2), each read from before:
        // slot 1 -> 3, slot 4 -> 6 and back to 2, slot 3 (clear) -> 5 and 1.
        project.PatchChanged({0, 0}, {1, 3}, {0, 0}, {3, 1}, {4, 2});
        for (CScene* scene : scenes)
            QCOMPARE(MaskSlots(scene->ActiveMask(0), 1, 6), QList<int>({0, 1, 1, 0, 0, 1}));

        // Lists of unequal length: only the blocks all five describe.
        project.PatchChanged({0, 0}, {3}, {1, 1}, {3, 9}, {1, 1});
        QVERIFY(onFirst->ActiveMask(1)->Test(3));
        QVERIFY(!onFirst->ActiveMask(1)->Test(9));
    }

    void sceneNumbersAndJumpsForTheWriter()
    {
        CPlaybackRig rig;
        CScene* a = rig.AddScene(QStringLiteral("A"));
        CScene* b = rig.AddScene(QStringLiteral("B"));
        CScene* c = rig.AddScene(QStringLiteral("C"));
        CScene elsewhere(QStringLiteral("X"), 4);
        a->m_jumpTarget = c;
        a->m_jumpIndex = 7;
        b->m_jumpIndex = 1;
        c->m_jumpTarget = &elsewhere;
        rig.Page()->m_scenes.move(2, 0); // C, A, B
        rig.Page()->UpdateSceneIndexes();
        QCOMPARE(c->m_indexInPage, 0);
        QCOMPARE(a->m_indexInPage, 1);
        QCOMPARE(b->m_indexInPage, 2);
        QCOMPARE(a->m_jumpIndex, 0);
        QCOMPARE(b->m_jumpIndex, -1);
        QCOMPARE(c->m_jumpIndex, -1);
        c->m_jumpTarget = nullptr;
    }

    // --- Selection

    void selectionChangedKeepsAnOuterGuard()
    {
        CPlaybackRig rig;
        CGuardHost host(rig.project);
        rig.project.SelectionChanged();
        QVERIFY(host.guardDuringRefresh);
        QVERIFY(!rig.project.m_editGuard);

        rig.project.m_editGuard = true;
        host.guardDuringRefresh = false;
        rig.project.SelectionChanged();
        QVERIFY(host.guardDuringRefresh);
        QVERIFY(rig.project.m_editGuard);
        QCOMPARE(host.Count(QStringLiteral("RefreshPagesAndPresets")), 2);
    }

    void selectionChangedRebuildsTheEditedEffectScene()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        rig.Patch(rig.RgbProfile(), 0, 1);
        auto* effectScene = new CEffectScene(QStringLiteral("E"), project.UniverseCount());
        project.m_effectScenes << effectScene;
        effectScene->m_channelStaticLevels << CStaticChannelLevel{0, 7, 200};
        project.m_edit[0][5] = 99;
        project.m_editMask[0][5] = 1;
        project.m_editedScene = effectScene;

        project.SelectionChanged();
        QCOMPARE(int(project.m_edit[0][5]), 0);
        QCOMPARE(int(project.m_editMask[0][5]), 0);
        QCOMPARE(int(project.m_edit[0][7]), 200);
        QCOMPARE(int(project.m_editMask[0][7]), 1);
    }

    void capabilitiesOfOneProfile()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* bar = MasterColorProfile(rig, QStringLiteral("bar.kvp"));
        CPatchedFixture* a = rig.Patch(bar, 0, 1);
        CPatchedFixture* b = rig.Patch(bar, 0, 20);
        Select(project, {a, b});
        const CSelectionCaps& caps = project.m_selectionCaps;
        QCOMPARE(caps.m_profiles.size(), 1);
        QVERIFY(caps.m_color && caps.m_masterColor && caps.m_anyColor1 && caps.m_color2);
        QVERIFY(!caps.m_panTilt && !caps.m_masterPanTilt && !caps.m_cmy && !caps.m_white);

        // An edited copy shares the file and the mode, not the channels.
        CPatchedFixture* edited = rig.Patch(MasterColorProfile(rig, QStringLiteral("bar.kvp")), 0, 40);
        Select(project, {a, edited, b});
        QCOMPARE(caps.m_profiles, QList<CLibraryProfile*>({bar, edited->Profile()}));

        CPatchedFixture* head = rig.Patch(Named(rig.MovingHeadProfile(), QStringLiteral("head.kvp")), 0, 60);
        Select(project, {head});
        QVERIFY(!caps.m_color && caps.m_panTilt && !caps.m_masterPanTilt);
        QCOMPARE(caps.m_finePanTilt, 1);
        QVERIFY(caps.m_anyDimmers1 && !caps.m_anyDimmers2);
    }

    void capabilitiesOfSeveralProfiles()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CPatchedFixture* rgb = rig.Patch(Named(rig.RgbProfile(), QStringLiteral("rgb.kvp")), 0, 1);
        CPatchedFixture* bar = rig.Patch(MasterColorProfile(rig, QStringLiteral("bar.kvp")), 0, 10);
        CPatchedFixture* cmyA = rig.Patch(Named(rig.CmyProfile(), QStringLiteral("cmyA.kvp")), 0, 30);
        CPatchedFixture* cmyB = rig.Patch(Named(rig.CmyProfile(), QStringLiteral("cmyB.kvp")), 0, 40);
        CPatchedFixture* head = rig.Patch(Named(rig.MovingHeadProfile(), QStringLiteral("head.kvp")), 0, 50);
        const CSelectionCaps& caps = project.m_selectionCaps;

        // Nothing selected: every control.
        Select(project, {});
        QVERIFY(caps.m_color && caps.m_masterColor && caps.m_panTilt && caps.m_masterPanTilt && caps.m_cmy);
        QVERIFY(!caps.m_anyColor1 && !caps.m_white && caps.m_finePanTilt == 0);

        // One with master colour, one without: colour, no master colour.
        Select(project, {rgb, bar});
        QVERIFY(caps.m_color && !caps.m_masterColor && caps.m_anyColor1);
        QVERIFY(caps.m_color2); // the last profile with colour decides
        Select(project, {bar, rgb});
        QVERIFY(caps.m_color && !caps.m_masterColor && !caps.m_color2);
        QVERIFY(!caps.m_cmy && !caps.m_panTilt && !caps.m_masterPanTilt);

        Select(project, {cmyA, cmyB});
        QVERIFY(caps.m_cmy && caps.m_color && !caps.m_masterColor);
        Select(project, {cmyA, rgb});
        QVERIFY(!caps.m_cmy);

        // A moving head without colour next to a colour fixture: neither control.
        Select(project, {head, rgb});
        QVERIFY(!caps.m_color && !caps.m_masterColor && !caps.m_panTilt && !caps.m_masterPanTilt);
        QVERIFY(caps.m_anyColor1 && caps.m_anyPanTilt1 && caps.m_anyDimmers1);
        QCOMPARE(caps.m_finePanTilt, 1);
    }

    void effectFixturesBecomeTheSelection()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* bar = MasterColorProfile(rig, QStringLiteral("bar.kvp"));
        CPatchedFixture* a = rig.Patch(bar, 0, 1);
        CPatchedFixture* b = rig.Patch(bar, 0, 20);
        CPatchedFixture* c = rig.Patch(bar, 0, 40);
        b->m_matrixId = 2;
        auto* matrix = new CFixtureMatrix(bar, 2, 1, 1, 0);
        matrix->AddMember(b, QRect(0, 0, 40, 20));
        project.m_generalGroup->m_matrices << matrix;
        c->BeamFlags() = {true, true};
        project.m_generalGroup->m_selectedFixtures = {c};

        CPatchedFixture stranger(5, 0);
        CEffect effect(1);
        const QList<CPatchedFixture*> fixtures = {a, a, b, b, &stranger, a};
        const QList<int> beams = {1, 7, 0, 1, 0, -1};
        const QList<bool> used = {true, true, false, true, true, true};
        for (int i = 0; i < fixtures.size(); ++i) {
            effect.m_beamFixtures << fixtures[i];
            effect.m_beamIndex << beams[i];
            effect.m_beamSel << used[i];
        }
        project.SelectEffectFixtures(&effect);
        QCOMPARE(project.m_generalGroup->m_selectedFixtures, QList<CPatchedFixture*>({a, b}));
        QCOMPARE(project.m_generalGroup->m_selectedMatrices, QList<CFixtureMatrix*>({matrix}));
        QCOMPARE(a->BeamFlags(), QList<bool>({false, true}));
        QCOMPARE(b->BeamFlags(), QList<bool>({false, true}));
        QCOMPARE(c->BeamFlags(), QList<bool>({false, false}));
    }

    // --- Preset icons

    void colourBandsSplitTheWidth()
    {
        QImage image(10, 2, QImage::Format_RGB32);
        image.fill(Qt::black);
        const QColor colors[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        {
            QPainter painter(&image);
            DrawMultiColorRect(painter, QRect(0, 0, 10, 2), 3, colors);
        }
        // Thirds of 10: 0-2, 3-5, 6-9.
        const QList<QColor> expected = {Qt::red,  Qt::red,   Qt::red,   Qt::green, Qt::green,
                                        Qt::green, Qt::blue, Qt::blue, Qt::blue,  Qt::blue};
        for (int x = 0; x < 10; ++x)
            QCOMPARE(Pixel(image, x, 1), expected[x]);

        // Counts out of range are held to 1-4.
        {
            QPainter painter(&image);
            DrawMultiColorRect(painter, QRect(0, 0, 10, 2), 0, colors);
        }
        QCOMPARE(Pixel(image, 9, 0), QColor(Qt::red));
        {
            QPainter painter(&image);
            DrawMultiColorRect(painter, QRect(0, 0, 8, 2), 9, colors);
        }
        QCOMPARE(Pixel(image, 1, 0), QColor(Qt::red));
        QCOMPARE(Pixel(image, 7, 0), QColor(Qt::yellow));
    }

    void presetIcons()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CProfilePresetDef colour;
        colour.m_type = PresetType::Color;
        colour.m_colors[0] = QColor(10, 20, 30);
        QImage icon = project.MakePresetIcon(&colour);
        QCOMPARE(icon.size(), QSize(28, 28));
        QCOMPARE(Pixel(icon, 14, 14), QColor(10, 20, 30));
        QCOMPARE(Pixel(icon, 0, 0), QColor(115, 115, 110));
        QCOMPARE(Pixel(icon, 27, 27), QColor(115, 115, 110));

        CProfilePresetDef half;
        half.m_type = PresetType::HalfColor;
        half.m_effectType = 2;
        half.m_colors[0] = Qt::red;
        half.m_colors[1] = Qt::blue;
        icon = project.MakePresetIcon(&half);
        QCOMPARE(Pixel(icon, 5, 14), QColor(Qt::red));
        QCOMPARE(Pixel(icon, 22, 14), QColor(Qt::blue));

        // A picture of its own, scaled and then served from the cache.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gobo.png"));
        QImage picture(100, 50, QImage::Format_RGB32);
        picture.fill(QColor(0, 200, 0));
        QVERIFY(picture.save(path));
        CProfilePresetDef gobo;
        gobo.m_type = PresetType::GoboIndex;
        gobo.m_icon = path;
        icon = project.MakePresetIcon(&gobo);
        QCOMPARE(icon.size(), QSize(28, 28));
        QCOMPARE(Pixel(icon, 20, 20), QColor(0, 200, 0));
        QVERIFY(QFile::remove(path));
        QCOMPARE(Pixel(project.MakePresetIcon(&gobo), 20, 20), QColor(0, 200, 0));

        // A file that is no picture gives the undefined icon and is not kept.
        const QString broken = dir.filePath(QStringLiteral("broken.png"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\n garbage");
        file.close();
        gobo.m_icon = broken;
        project.MakePresetIcon(&gobo);
        QVERIFY(!project.m_presetIcons.contains(broken));

        // A rotating gobo is drawn over a transparent icon with its mark.
        CProfilePresetDef rotary;
        rotary.m_type = PresetType::Gobo;
        rotary.m_rotary = true;
        rotary.m_icon = dir.filePath(QStringLiteral("missing.png"));
        icon = project.MakePresetIcon(&rotary);
        QCOMPARE(icon.size(), QSize(28, 28));
        QVERIFY(icon.hasAlphaChannel());
    }
};

ORVANE_TEST(FixtureBookkeepingTest)
#include "FixtureBookkeepingTest.moc"
