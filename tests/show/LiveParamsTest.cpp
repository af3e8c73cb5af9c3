#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "effects/PresetEffect.h"
#include "model/ProfilePresetDef.h"
#include "show/EffectScene.h"

#include <QtTest>

namespace {

// Zoom (no presets), iris with an iris preset, gobo wheel with two gobo
// presets, focus (no presets) and a dimmer: channels 0 to 4.
class CPresetRig : public CPlaybackRig
{
public:
    CPresetRig()
    {
        profile = new CLibraryProfile;
        ProfileBuilder::AddChannel(*profile, ChannelType::Zoom);
        CProfileChannelDef* iris = ProfileBuilder::AddChannel(*profile, ChannelType::Iris);
        irisPreset = ProfileBuilder::AddPreset(iris, PresetType::Iris, 100, 200);
        CProfileChannelDef* gobo = ProfileBuilder::AddChannel(*profile, ChannelType::GoboWheel);
        ProfileBuilder::AddPreset(gobo, PresetType::Gobo, 0, 9)->m_effectType = 1;
        ProfileBuilder::AddPreset(gobo, PresetType::Gobo, 10, 19)->m_effectType = 2;
        ProfileBuilder::AddChannel(*profile, ChannelType::Focus);
        ProfileBuilder::AddDimmer(*profile);
        profile->UpdateRoles();
        project.m_library << profile;
        first = Patch(profile, 0, 0);
        second = Patch(profile, 0, 10);
    }

    static CPresetEffect* Preset(bool percent, int low, int high)
    {
        auto* effect = new CPresetEffect;
        effect->m_percent = percent;
        effect->m_percentMin = effect->m_dmxMin = low;
        effect->m_percentMax = effect->m_dmxMax = high;
        return effect;
    }

    static void Bind(CEffect& effect, const QList<CPatchedFixture*>& fixtures)
    {
        for (CPatchedFixture* fixture : fixtures) {
            effect.m_fixtures << fixture;
            effect.m_fixtureSel << true;
        }
    }

    // A one-step scene holding levels for the first channels of each fixture.
    static void FillFirstStep(CEffectScene& scene, const QList<CPatchedFixture*>& fixtures,
                              std::initializer_list<int> levels)
    {
        auto* step = new CSceneStep(0, 10000);
        for (CPatchedFixture* fixture : fixtures) {
            auto* entry = new CStepFixture(fixture, &scene);
            int c = 0;
            for (int level : levels)
                entry->SetLevel(c++, quint8(level), false, false);
            step->AddEntry(entry);
        }
        scene.m_steps << step;
        scene.UpdateLength();
        scene.m_drivenFixtures = fixtures;
    }

    // A running copy of the effect scene, bound to the fixtures, as the
    // project owns one.
    CEffectScene* Copy(CEffectScene* source, const QList<CPatchedFixture*>& fixtures)
    {
        auto* copy = new CEffectScene(*source, false, true, false, false);
        copy->m_runningCopy = true;
        copy->m_source = source;
        auto* bound = new CPresetEffect;
        Bind(*bound, fixtures);
        copy->m_effects << bound;
        FillFirstStep(*copy, fixtures, {0, 0, 0, 0});
        project.m_runningCopies << copy;
        return copy;
    }

    int Level(const CEffectScene* copy, const CPatchedFixture* fixture, int channel) const
    {
        const CStepFixture* entry = copy->m_steps.first()->FindEntry(fixture);
        return entry ? entry->Level(channel) : -1;
    }

    CLibraryProfile* profile = nullptr;
    CProfilePresetDef* irisPreset = nullptr;
    CPatchedFixture* first = nullptr;
    CPatchedFixture* second = nullptr;
};

} // namespace

class LiveParamsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    void readingTheLevelOfAPresetEffect()
    {
        CPresetRig rig;
        CEffectScene scene(QStringLiteral("Look"), 4);
        // zoom 128, iris 150, gobo 15, focus 255
        CPresetRig::FillFirstStep(scene, {rig.first}, {128, 150, 15, 255});
        rig.project.m_currentGroup->m_selectedFixtures = {rig.first};
        auto read = [&](CPresetEffect* effect, const QList<int>& types, int presetType = -1, int effectType = -1) {
            QScopedPointer<CPresetEffect> owner(effect);
            CPresetRig::Bind(*effect, {rig.first});
            effect->m_channelTypes = types;
            if (presetType >= 0) {
                effect->m_presetTypes1 = {presetType};
                effect->m_presetTypes2 = {effectType};
            }
            effect->m_prValue = -7;
            rig.project.ReadPresetEffectLevel(effect, &scene);
            return effect->m_prValue;
        };

        QCOMPARE(read(CPresetRig::Preset(false, 0, 255), {ChannelType::Zoom}), 50); // 128 x 100 / 255
        // p = 128 x 100 / 255 = 50, then (50 - 20) x 100 / (70 - 20).
        QCOMPARE(read(CPresetRig::Preset(true, 20, 70), {ChannelType::Zoom}), 60);
        // The effect's type order decides; the iris has presets, so it is no
        // plain channel.
        QCOMPARE(read(CPresetRig::Preset(false, 0, 255), {ChannelType::Iris, ChannelType::Focus, ChannelType::Zoom}),
                 100);
        // Preset 100..200 holding 150: p = 50.
        QCOMPARE(read(CPresetRig::Preset(true, 0, 100), {}, PresetType::Iris), 50);
        // The effect type picks the gobo preset 10..19: (15 - 10) x 100 / 9.
        QCOMPARE(read(CPresetRig::Preset(true, 0, 100), {}, PresetType::Gobo, 2), 55);
        QCOMPARE(read(CPresetRig::Preset(true, 0, 100), {}, PresetType::Gobo), 166); // 0..9, the first
        QCOMPARE(read(CPresetRig::Preset(true, 0, 100), {ChannelType::Frost}, PresetType::Prism), -7);

        // Where the formula would divide by zero the value stays.
        QCOMPARE(read(CPresetRig::Preset(false, 40, 40), {ChannelType::Zoom}), -7);
        QCOMPARE(read(CPresetRig::Preset(true, 30, 30), {ChannelType::Zoom}), -7);
        rig.irisPreset->m_dmxEnd = 100;
        QCOMPARE(read(CPresetRig::Preset(true, 0, 100), {}, PresetType::Iris), -7);

        // Only a selected fixture of the scene counts, only for a preset effect.
        rig.project.m_currentGroup->m_selectedFixtures = {rig.second};
        QCOMPARE(read(CPresetRig::Preset(false, 0, 255), {ChannelType::Zoom}), -7);
        rig.project.m_currentGroup->m_selectedFixtures = {rig.first};
        CPresetEffect* notPreset = CPresetRig::Preset(false, 0, 255);
        notPreset->m_type = EffectType::Gradient;
        QCOMPARE(read(notPreset, {ChannelType::Zoom}), -7);
    }

    void writingTheLevelOfAPresetEffectIntoRunningCopies()
    {
        CPresetRig rig;
        CEffectScene* scene = rig.project.AddEffectScene();
        CPresetEffect* effect = CPresetRig::Preset(true, 0, 100);
        scene->m_effects << effect;
        effect->m_presetTypes1 = {PresetType::Iris};
        effect->m_presetTypes2 = {-1};
        effect->m_prValue = 50;
        CEffectScene* copy = rig.Copy(scene, {rig.first, rig.second});
        CEffectScene* other = rig.Copy(rig.project.AddEffectScene(), {rig.first});

        // Preset 100..200 at 50 %: 150.
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.second, 1), 150);
        QCOMPARE(rig.Level(other, rig.first, 1), 0);
        QVERIFY(copy->IsChannelActive(0, 1));
        QVERIFY(!copy->IsChannelActive(0, 2)); // the gobo presets do not match

        // DMX 0..255 at 100 into a preset 10..20: 255 held to 20.
        rig.irisPreset->m_dmxStart = 10;
        rig.irisPreset->m_dmxEnd = 20;
        effect->m_percent = false;
        effect->m_dmxMax = 255;
        effect->m_prValue = 100;
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.first, 1), 20);

        // A plain channel of its types: 50 % of 10..60 as a level.
        effect->m_channelTypes = {ChannelType::Zoom};
        effect->m_dmxMin = 10;
        effect->m_dmxMax = 60;
        effect->m_prValue = 50;
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.first, 0), 35);
        // In percent, 50 % is level 127: 127.5 is cut, not rounded.
        effect->m_percent = true;
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.first, 0), 127);
        effect->m_percent = false;
        rig.project.UpdatePresetEffectLevel(scene, false);

        // With a selection, only with selectionOnly and only the selected.
        effect->m_prValue = 100;
        rig.project.m_currentGroup->m_selectedFixtures = {rig.second};
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.second, 0), 35);
        rig.project.UpdatePresetEffectLevel(scene, true);
        QCOMPARE(rig.Level(copy, rig.first, 0), 35);
        QCOMPARE(rig.Level(copy, rig.second, 0), 60);

        // Only a preset effect is written back.
        rig.project.m_currentGroup->m_selectedFixtures.clear();
        effect->m_type = EffectType::Gradient;
        rig.project.UpdatePresetEffectLevel(scene, false);
        QCOMPARE(rig.Level(copy, rig.first, 0), 35);
        effect->m_type = EffectType::Preset;
    }

    void liveSlidersReachTheCopiesOfTheirEffectScene()
    {
        CPresetRig rig;
        CEffectScene* scene = rig.project.AddEffectScene();
        CEffectScene* copy = rig.Copy(scene, {rig.first});
        CEffectScene* other = rig.Copy(rig.project.AddEffectScene(), {rig.second});
        scene->SetSpeed(80);
        scene->SetDimmer(25);
        scene->m_paused = true;
        rig.project.SetSceneLiveParams(scene, false);
        QCOMPARE(copy->Speed(), 80);
        QVERIFY(copy->m_paused);
        QCOMPARE(copy->Dimmer(), 50);
        QCOMPARE(other->Speed(), 50);

        // Inside a step fade the new dimmer shows at once: the fade starts
        // again from the previous step dimmed, 200 x 25 / 50.
        copy->m_steps.first()->m_entries.first()->SetLevel(4, 200, true, false);
        auto* next = new CSceneStep(1000, 1000);
        next->AddEntry(new CStepFixture(rig.first, copy));
        copy->m_steps << next;
        copy->UpdateLength();
        copy->GoToStep(1, 100);
        auto* playing = new CPlayingScene(rig.project, copy, false);
        rig.Page()->m_playing << playing;
        rig.project.m_edit[0][4] = 77;
        scene->SetSpeed(10);
        rig.project.SetSceneLiveParams(scene, true);
        QCOMPARE(copy->Dimmer(), 25);
        QCOMPARE(copy->Speed(), 80);
        QCOMPARE(int(playing->StartLevels()[0][4]), 100);
        QCOMPARE(int(rig.project.m_edit[0][4]), 77); // never used as scratch
    }

    void reapplyingAnEffectRebuildsTheCopiesOnTheirOwnFixtures()
    {
        CPresetRig rig;
        CEffectScene* scene = rig.project.AddEffectScene();
        CPresetEffect* effect = CPresetRig::Preset(false, 200, 200);
        effect->m_channelTypes = {ChannelType::Zoom};
        scene->m_effects << effect;

        rig.project.ReapplyEffectScene(scene, true, -1, -1); // nothing selected
        QVERIFY(rig.project.m_queuedCopies.isEmpty());
        rig.project.m_currentGroup->m_selectedFixtures = {rig.first};
        rig.project.ReapplyEffectScene(scene, true, -1, -1);
        rig.Tick();
        CEffectScene* copy = rig.project.m_runningCopies.value(0);
        QCOMPARE(rig.Played(0, 0), 200);

        // Rebuilt from the new effect on its own fixture, not the selection.
        QVERIFY(!rig.project.RefreshRunningCopy(-1, -1, -1));
        QVERIFY(!rig.project.RefreshRunningCopy(1, -1, -1));
        effect->m_dmxMin = effect->m_dmxMax = 90;
        rig.project.m_currentGroup->m_selectedFixtures = {rig.second};
        rig.project.ReapplyEffectScene(scene, false, -1, -1);
        CEffectScene* fresh = rig.project.m_runningCopies.value(0);
        QVERIFY(fresh != copy);
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QCOMPARE(rig.Page()->m_playing.size(), 1);
        QCOMPARE(rig.first->DrivingSceneCount(), 1);
        rig.Tick();
        QCOMPARE(rig.Played(0, 0), 90);
        QCOMPARE(rig.Played(0, 10), 0);

        // Nothing left to generate: it plays on as it was.
        QList<CPatchedFixture*> bound = fresh->m_effects.first()->m_fixtures;
        fresh->m_effects.first()->ClearFixtures();
        QVERIFY(!rig.project.RefreshRunningCopy(0, -1, -1));
        QCOMPARE(rig.project.m_runningCopies.first(), fresh);
        CPresetRig::Bind(*fresh->m_effects.first(), bound);

        // Refreshed while it stops, the new copy is the one the stop finishes.
        rig.Page()->StopScene(fresh, false, false, true, true);
        QVERIFY(rig.project.RefreshRunningCopy(0, -1, -1));
        QCOMPARE(rig.Page()->m_pending, QList<CScene*>({rig.project.m_runningCopies.first()}));
        rig.Tick();
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.Played(0, 0), 0);
    }
};

ORVANE_TEST(LiveParamsTest)
#include "LiveParamsTest.moc"
