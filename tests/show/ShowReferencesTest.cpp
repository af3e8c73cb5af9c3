#include "DataTable.h"
#include "ShowReferences.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowEdits.h"
#include "effects/CurveEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "model/FixtureMatrix.h"
#include "show/EffectScene.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// Dimmer then red, green, blue; and the same four channels as another
// profile, as the patch dialog offers one of as many channels.
struct CTwoProfiles
{
    explicit CTwoProfiles(CPlaybackRig& rig)
        : dimmerRgb(rig.AddProfile([](CLibraryProfile& p) {
              AddDimmer(p);
              AddColorSet(p, ChannelType::Red);
          })),
          rgbDimmer(rig.AddProfile([](CLibraryProfile& p) {
              AddColorSet(p, ChannelType::Red);
              AddDimmer(p);
          }))
    {
    }
    CLibraryProfile* dimmerRgb;
    CLibraryProfile* rgbDimmer;
};

// Each case edits a show the way the windows do and leaves its one scene
// on the first page for the test to play.
struct CReferenceCase
{
    const char* name;
    void (*edit)(CPlaybackRig& rig);
    // The output expected at universe 0 slots 0-3 once the scenes have
    // played; none when the case plays no plain scene.
    QList<int> expected;
};

// A fixture takes another profile in the patch, then the last fixture of
// its former profile is deleted: the profile leaves the library while the
// scene's entry of the first fixture was made with it. While a scene of the
// first fixture plays on, its kept render and live parameters read the
// entry between ticks.
void ReprofileThenDeleteLastUser(CPlaybackRig& rig, bool whilePlaying)
{
    CTwoProfiles profiles(rig);
    CPatchedFixture* f1 = rig.Patch(profiles.dimmerRgb, 0, 0);
    CPatchedFixture* f2 = rig.Patch(profiles.dimmerRgb, 0, 10);
    if (whilePlaying) {
        CScene* playing = rig.AddScene(QStringLiteral("S1"));
        rig.AddStep(playing, 0, 1000, {{f1, {200, 10, 20, 30}}});
        rig.Page()->PlayScene(playing);
        rig.Tick(2);
    }
    rig.AddStep(rig.AddScene(QStringLiteral("S")), 0, 1000, {{f1, {200, 10, 20, 30}}, {f2, {255, 1, 2, 3}}});
    ShowEdits::ChangeProfile(rig.project, f1, profiles.rgbDimmer);
    QVERIFY(rig.project.CanRemoveFixtures({f2}));
    rig.project.RemoveFixtures({f2}, false);
}

// A fixture stored into a hand-made step after an effect row was inserted
// gets zeroed entries in the effect's steps, which the effect never bound.
void StoredAfterEffectThenDeleted(CPlaybackRig& rig)
{
    CTwoProfiles profiles(rig);
    CPatchedFixture* a = rig.Patch(profiles.dimmerRgb, 0, 0);
    CPatchedFixture* b = rig.Patch(profiles.dimmerRgb, 0, 10);
    CScene* scene = rig.AddScene(QStringLiteral("S"));
    rig.AddStep(scene, 0, 1000, {{a, {200, 10, 20, 30}}});
    ShowEdits::Select(rig.project, {a});
    ShowEdits::ApplyEffect(rig.project, ShowEdits::Gradient(CRgbwColor(0, 0, 255)), scene, 0, false);
    ShowEdits::Select(rig.project, {b});
    ShowEdits::SetEditLevel(rig.project, b, 0, 90);
    scene->m_steps.first()->StoreFixture(scene, b, rig.project);
    QVERIFY(scene->m_steps.last()->FindEntry(b));
    rig.project.RemoveFixtures({b}, false);
    // The hand-made step plays, as the test plays the scene from its start.
    scene->m_steps.first()->m_wait = 100000;
}

// An effect scene on both fixtures, started: its copy waits for the next
// tick to start.
CEffectScene* QueuedCopy(CPlaybackRig& rig, const QList<CPatchedFixture*>& fixtures)
{
    CEffectScene* effectScene = rig.project.AddEffectScene();
    ShowEdits::Select(rig.project, fixtures);
    ShowEdits::ApplyEffect(rig.project, ShowEdits::Gradient(CRgbwColor(0, 0, 255)), effectScene, -1, false);
    rig.project.PlayEffectScene(effectScene);
    return rig.project.m_queuedCopies.value(0);
}

// A fixture of a copy waiting to start takes another profile.
void QueuedCopyFixtureReprofiled(CPlaybackRig& rig)
{
    CTwoProfiles profiles(rig);
    CPatchedFixture* a = rig.Patch(profiles.dimmerRgb, 0, 0);
    CPatchedFixture* b = rig.Patch(profiles.dimmerRgb, 0, 10);
    QVERIFY(QueuedCopy(rig, {a, b}));
    ShowEdits::ChangeProfile(rig.project, b, profiles.rgbDimmer);
    rig.Tick(2);
}

// A curve names its channels after the profile of the selection; the
// profile leaves the library with its last fixture.
void CurveChannelsOfDroppedProfile(CPlaybackRig& rig)
{
    CTwoProfiles profiles(rig);
    CPatchedFixture* a = rig.Patch(profiles.dimmerRgb, 0, 0);
    CPatchedFixture* b = rig.Patch(profiles.rgbDimmer, 0, 10);
    rig.AddStep(rig.AddScene(QStringLiteral("S")), 0, 1000, {{a, {200, 10, 20, 30}}});
    CEffectScene* effectScene = rig.project.AddEffectScene();
    ShowEdits::Select(rig.project, {b});
    auto* curve = new CCurveEffect(1000);
    curve->SetChannelsFromProfile(profiles.rgbDimmer, false);
    QVERIFY(!curve->m_channelDefs.isEmpty());
    ShowEdits::ApplyEffect(rig.project, curve, effectScene, -1, false);
    rig.project.RemoveFixtures({b}, false);
    QVERIFY(!rig.project.m_library.contains(profiles.rgbDimmer));
}

// An effect on part of a matrix plays on a grid of its own, naming the
// members; one of them leaves the patch, then the editor binds the row's
// effect again.
void OwnGridLosesMember(CPlaybackRig& rig)
{
    CTwoProfiles profiles(rig);
    CFixtureMatrix* matrix = ShowEdits::PatchMatrix(rig.project, profiles.dimmerRgb, 3, 20);
    CScene* scene = rig.AddScene(QStringLiteral("S"));
    const CEffect* effect = ShowEdits::ApplyOnPartOf(rig.project, matrix, 2, scene);
    QVERIFY(effect && effect->m_ownsMatrix);
    rig.project.RemoveFixtures({matrix->Members().first()}, true);
    std::unique_ptr<CEffect> edited(CloneEffect(scene->m_effects.first()));
    rig.project.BindEffectToSelection(edited.get(), false, false);
}

const CReferenceCase kCases[] = {
    // The re-profiled fixture's dimmer moved last: its level with it.
    {"entry's former profile leaves the library", [](CPlaybackRig& rig) { ReprofileThenDeleteLastUser(rig, false); },
     {10, 20, 30, 200}},
    {"entry's former profile leaves while its scene plays",
     [](CPlaybackRig& rig) { ReprofileThenDeleteLastUser(rig, true); }, {10, 20, 30, 200}},
    {"fixture stored after an effect row is deleted", StoredAfterEffectThenDeleted, {200, 10, 20, 30}},
    {"copy waiting to start has a fixture re-profiled", QueuedCopyFixtureReprofiled, {}},
    {"curve names channels of a dropped profile", CurveChannelsOfDroppedProfile, {200, 10, 20, 30}},
    {"effect's own grid loses a member", OwnGridLosesMember, {}},
};

} // namespace

// Every reference between show objects stays valid through the edits that
// once left one pointing at freed memory; the scenes then play what they hold.
class ShowReferencesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    void editsLeaveNoStaleReference_data()
    {
        Columns<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void editsLeaveNoStaleReference()
    {
        const auto [index] = Row<int>("index");
        const CReferenceCase& test = kCases[index];
        CPlaybackRig rig;
        test.edit(rig);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(StaleReferences(rig.project), QStringList());
        for (CScene* scene : rig.Page()->m_scenes) {
            if (!rig.Page()->IsPlaying(scene))
                rig.Page()->PlayScene(scene);
        }
        rig.Tick(8);
        QList<int> out;
        for (int slot = 0; slot < 4; ++slot)
            out << rig.Out(0, slot);
        if (!test.expected.isEmpty())
            QCOMPARE(out, test.expected);
        rig.project.ReleaseScenes();
        rig.Tick(4);
        QCOMPARE(StaleReferences(rig.project), QStringList());
    }
};

ORVANE_TEST(ShowReferencesTest)
#include "ShowReferencesTest.moc"
