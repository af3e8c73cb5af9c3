#include "DataTable.h"
#include "LevelLists.h"
#include "ScenesText.h"
#include "ShowAtBound.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowEdits.h"
#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/EffectEngine.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PresetEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "show/EffectScene.h"
#include "show/ShowBounds.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

void Select(CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    for (CPatchedFixture* fixture : fixtures) {
        for (bool& flag : fixture->BeamFlags())
            flag = true;
    }
    project.m_currentGroup->m_selectedFixtures = fixtures;
}

CLibraryProfile* Library(CProject& project, CLibraryProfile* profile)
{
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

// Pegs evenly spread over 1000 ms; moving: one step per peg, else one step
// of the first peg's colour.
CGradientEffect* Gradient(const QList<CRgbwColor>& colors, bool moving)
{
    auto* gradient = new CGradientEffect(1000);
    gradient->m_gradType = moving ? 1 : 0;
    gradient->m_pegColors = colors;
    gradient->m_pegPositions.clear();
    for (int i = 0; i < colors.size(); ++i)
        gradient->m_pegPositions << (colors.size() > 1 ? double(i) / (colors.size() - 1) : 0.0);
    return gradient;
}

void Apply(CProject& project, CEffect* effect, CScene* scene, bool replace)
{
    project.BindEffectToSelection(effect, false, false);
    project.m_effectEngine.SetEffect(effect);
    project.ApplyEffect(scene, replace, -1, -1, -1);
}

// `count` one-channel dimmers from address 0 of universe 0.
QList<CPatchedFixture*> Dimmers(CPlaybackRig& rig, CLibraryProfile* dimmer, int count)
{
    QList<CPatchedFixture*> fixtures;
    for (int a = 0; a < count; ++a)
        fixtures << rig.AddFixture(dimmer, 0, a);
    rig.project.UpdateAfterPatch(false, false);
    return fixtures;
}

QList<int> Fades(const CScene* scene)
{
    QList<int> fades;
    for (const CSceneStep* step : scene->m_steps)
        fades << step->m_fade;
    return fades;
}

QList<int> Levels(const CSceneStep* step, const CPatchedFixture* fixture)
{
    const CStepFixture* entry = step->FindEntry(fixture);
    return entry ? EntryLevels(*entry) : QList<int>();
}

// Steps point at an owned effect or none, owned effects have steps, and
// every step drives the same fixtures.
void VerifyConsistent(const CScene* scene)
{
    const auto fixturesOf = [](const CSceneStep* step) {
        QSet<const CPatchedFixture*> fixtures;
        for (const CStepFixture* entry : step->m_entries)
            fixtures << entry->Fixture();
        return fixtures;
    };
    for (const CSceneStep* step : scene->m_steps) {
        QVERIFY(!step->m_effect || scene->m_effects.contains(step->m_effect));
        QCOMPARE(fixturesOf(step), fixturesOf(scene->m_steps.first()));
    }
    for (const CEffect* effect : scene->m_effects)
        QVERIFY(std::any_of(scene->m_steps.begin(), scene->m_steps.end(),
                            [effect](const CSceneStep* step) { return step->m_effect == effect; }));
    QVERIFY(!scene->m_currentStep || scene->m_steps.contains(scene->m_currentStep));
}

} // namespace

class ApplyEffectTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    void colourKindsReachEveryProfileKind()
    {
        CPlaybackRig rig;
        auto* dimmerOnly = new CLibraryProfile;
        AddDimmer(*dimmerOnly);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* cmy = rig.Patch(rig.CmyProfile(), 0, 10);
        CPatchedFixture* dimmer = rig.Patch(Library(rig.project, dimmerOnly), 0, 20);
        Select(rig.project, {rgb, cmy, dimmer});
        CScene* scene = rig.AddScene(QStringLiteral("S"));

        Apply(rig.project, Gradient({CRgbwColor(255, 128, 0)}, false), scene, false);
        QCOMPARE(Fades(scene), QList<int>({0}));
        QCOMPARE(scene->m_steps[0]->m_wait, 1000);
        QCOMPARE(Levels(scene->m_steps[0], rgb), QList<int>({255, 128, 0}));
        QCOMPARE(Levels(scene->m_steps[0], cmy), QList<int>({0, 127, 255}));
        QCOMPARE(Levels(scene->m_steps[0], dimmer), QList<int>({127})); // (255 + 128 + 0) / 3
        QCOMPARE(scene->m_steps[0]->m_effect, scene->m_effects.value(0));
        QVERIFY(!rig.project.m_effectEngine.Effect());

        // Moving: 40 ms for the first peg, 500 ms cut to 480 for the next
        // two, and the 40 ms left over go to the last.
        CScene* moving = rig.AddScene(QStringLiteral("M"));
        Apply(rig.project, Gradient({CRgbwColor(9, 0, 0), CRgbwColor(0, 9, 0), CRgbwColor(0, 0, 9)}, true), moving,
              false);
        QCOMPARE(Fades(moving), QList<int>({40, 480, 520}));
        QCOMPARE(Levels(moving->m_steps[2], rgb), QList<int>({0, 0, 9}));
    }

    void effectWhoseFixturesAreAllDisabledAddsNothing()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        Select(rig.project, {rgb});
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* hand = rig.AddStep(scene, 0, 500, {{rgb, {1, 2, 3}}});
        scene->GoToStep(0, 0);
        CEffect* gradient = Gradient({CRgbwColor(255, 0, 0)}, false);
        rig.project.BindEffectToSelection(gradient, false, false);
        gradient->m_fixtureSel = {false};
        rig.project.m_effectEngine.SetEffect(gradient);
        rig.project.ApplyEffect(scene, false, -1, -1, -1);
        QCOMPARE(scene->m_steps, QList<CSceneStep*>({hand}));
        QVERIFY(scene->m_effects.isEmpty());
    }

    void replacingInTheMiddleOfARowKeepsTheSceneConsistent()
    {
        CPlaybackRig rig;
        CPatchedFixture* a = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.RgbProfile(), 0, 3);
        Select(rig.project, {a, b});
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        CSceneStep* first = rig.AddStep(scene, 0, 500, {{a, {1, 1, 1}}});
        scene->GoToStep(0, 0);
        // After the current hand-made step, and every step gains b.
        Apply(rig.project, Gradient({CRgbwColor(1, 0, 0), CRgbwColor(2, 0, 0), CRgbwColor(3, 0, 0)}, true), scene,
              false);
        QCOMPARE(scene->m_steps.size(), 4);
        CSceneStep* rowStart = scene->m_steps[1];
        QCOMPARE(scene->m_effects.size(), 1);
        CSceneStep* last = rig.AddStep(scene, 0, 700, {{a, {5, 5, 5}}, {b, {6, 6, 6}}});

        scene->GoToStep(2, 0); // the second step of the three-step row
        Apply(rig.project, Gradient({CRgbwColor(0, 7, 0), CRgbwColor(0, 8, 0)}, true), scene, true);

        QCOMPARE(scene->m_steps.size(), 5);
        QCOMPARE(scene->m_steps[0], first);
        QCOMPARE(scene->m_steps[1], rowStart);
        QCOMPARE(scene->m_steps[4], last);
        QVERIFY(!rowStart->m_effect); // hand-made now, not pointing at the deleted effect
        // Only the new effect is left: the address of the deleted one may
        // well be reused, so its content tells them apart.
        QCOMPARE(scene->m_effects.size(), 1);
        const auto* kept = dynamic_cast<const CGradientEffect*>(scene->m_effects.first());
        QVERIFY(kept && kept->m_pegColors.size() == 2 && kept->m_pegColors[1] == CRgbwColor(0, 8, 0));
        QCOMPARE(scene->m_steps[2]->m_effect, scene->m_effects.first());
        QCOMPARE(scene->m_steps[3]->m_effect, scene->m_effects.first());
        QCOMPARE(Fades(scene).mid(2, 2), QList<int>({40, 1000}));
        QCOMPARE(Levels(scene->m_steps[3], b), QList<int>({0, 8, 0}));
        QCOMPARE(scene->m_currentStep, scene->m_steps[2]);
        QCOMPARE(scene->m_firstPassLength, 500 + 40 + 40 + 1000 + 700);
        VerifyConsistent(scene);

        // Replace on a hand-made step replaces nothing: the row goes last.
        scene->GoToStep(0, 0);
        Apply(rig.project, Gradient({CRgbwColor(4, 0, 0)}, false), scene, true);
        QCOMPARE(scene->m_steps.size(), 6);
        QCOMPARE(Levels(scene->m_steps[5], a), QList<int>({4, 0, 0}));
        VerifyConsistent(scene);
    }

    // One plain step per generated step at the effect's fade, each entry
    // holding what the engine made for its fixture on that step.
    void sequencesAndPanTiltBecomePlainSteps_data()
    {
        QTest::addColumn<bool>("panTilt");
        QTest::newRow("colour sequence") << false;
        QTest::newRow("pan/tilt") << true;
    }
    void sequencesAndPanTiltBecomePlainSteps()
    {
        QFETCH(bool, panTilt);
        CPlaybackRig rig;
        CLibraryProfile* profile = panTilt ? rig.MovingHeadProfile() : rig.RgbProfile();
        Select(rig.project, {rig.Patch(profile, 0, 0), rig.Patch(profile, 0, 10)});
        CEffect* effect = panTilt ? static_cast<CEffect*>(new CPanTiltEffect) : new CTrichroEffect(120);
        const int fade = panTilt ? 600 : 120;
        CEffectEngine& engine = rig.project.m_effectEngine;
        rig.project.BindEffectToSelection(effect, false, false);
        engine.SetEffect(effect);
        engine.GenerateEffect();
        auto at = [](const QByteArray& bytes, int s) { return int(quint8(bytes.at(s))); };
        QList<QPair<CPatchedFixture*, QList<int>>> expected;
        for (int s = 0; s < engine.m_stepCount; ++s) {
            for (const CPanTiltStepRecord& r : engine.m_panTiltRecords)
                expected.append({r.m_fixture, {at(r.m_panCoarse, s), at(r.m_panFine, s), at(r.m_tiltCoarse, s),
                                               at(r.m_tiltFine, s)}});
            for (const CColorStepRecord& r : engine.m_colorRecords)
                expected.append({r.m_fixture, {at(r.m_outRed, s), at(r.m_outGreen, s), at(r.m_outBlue, s)}});
        }
        QVERIFY(engine.m_stepCount > 1 && expected.size() == 2 * engine.m_stepCount);

        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.project.ApplyEffect(scene, false, -1, -1, -1);
        QCOMPARE(scene->m_steps.size(), expected.size() / 2);
        for (int i = 0; i < expected.size(); ++i) {
            const CSceneStep* step = scene->m_steps[i / 2];
            QCOMPARE(step->m_fade, fade);
            QCOMPARE(step->m_wait, 0);
            QCOMPARE(Levels(step, expected[i].first).mid(panTilt ? 1 : 0, panTilt ? 4 : 3), expected[i].second);
        }
        VerifyConsistent(scene);
    }

    // Each row makes its own entries and no more, whatever the scene holds
    // already: no copy of the scene, no row made twice, no search through
    // the steps the scene held.
    void eachRowMakesItsOwnEntriesOnly()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& p) { AddDimmer(p); });
        Select(rig.project, Dimmers(rig, dimmer, 64));
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        quint64 firstSearched = 0;
        for (int row = 0; row < 5; ++row) {
            const quint64 made = CStepFixture::EntriesMade();
            const quint64 searched = CSceneStep::EntriesSearched();
            Apply(rig.project, ShowEdits::ChannelCurve(dimmer, 20 * 40), scene, false);
            QCOMPARE(CStepFixture::EntriesMade() - made, quint64(20 * 64));
            if (row == 0)
                firstSearched = CSceneStep::EntriesSearched() - searched;
            QVERIFY(CSceneStep::EntriesSearched() - searched <= firstSearched);
        }
        QCOMPARE(scene->m_steps.size(), 100);
        VerifyConsistent(scene);
    }

    // A row is counted in full against the entry bound before it is made.
    // A row's generated entries count in full against their own bound, the
    // entries it gives hand-made steps against theirs. After a step of X:
    // 10 steps of 64 entries and X's entry in each; X's step takes the
    // row's 64 fixtures. In place of such a row after X's step: 15 steps of
    // 65 less the 10 of 65 it replaces. In place of a row in front of X's
    // step: 25 steps of 32, which become the first, less the 10 steps of 64
    // replaced; only X's step gets their 32 fixtures.
    void aRowIsCountedInFullAgainstTheEntryBound_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<int>("steps"); // of the scene after the apply
        QTest::newRow("after a step") << "after" << qint64(640 + 10) << 11;
        QTest::newRow("after a step, an entry short") << "after" << qint64(640 + 10 - 1) << 1;
        QTest::newRow("in place") << "in place" << qint64(15 * 65 - 10 * 65) << 16;
        QTest::newRow("in place, an entry short") << "in place" << qint64(15 * 65 - 10 * 65 - 1) << 11;
        QTest::newRow("in front") << "in front" << qint64(25 * 32 - 10 * 64) << 26;
        QTest::newRow("in front, an entry short") << "in front" << qint64(25 * 32 - 10 * 64 - 1) << 11;
    }
    void aRowIsCountedInFullAgainstTheEntryBound()
    {
        QFETCH(QString, place);
        QFETCH(qint64, room);
        QFETCH(int, steps);
        CPlaybackRig rig(1);
        CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& p) { AddDimmer(p); });
        const QList<CPatchedFixture*> fixtures = Dimmers(rig, dimmer, 65);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        Select(rig.project, fixtures.mid(0, 64));
        if (place == "in front")
            Apply(rig.project, ShowEdits::ChannelCurve(dimmer, 10 * 40), scene, false);
        rig.AddStep(scene, 0, 1000, {{fixtures.last(), {9}}});
        if (place == "in place")
            Apply(rig.project, ShowEdits::ChannelCurve(dimmer, 10 * 40), scene, false);
        scene->m_currentStep = scene->m_steps.value(place == "in place" ? 1 : 0);
        FillToBound(rig.project, CShowBounds::GeneratedEntries, room);
        const qint64 held = CShowBounds::Bound(CShowBounds::GeneratedEntries) - room;
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::GeneratedEntries), held);
        const qint64 handMade = CShowBounds::Held(rig.project, CShowBounds::StepEntries);
        if (place == "in front")
            Select(rig.project, fixtures.mid(0, 32));
        const int length = place == "after" ? 10 : place == "in place" ? 15 : 25;
        Apply(rig.project, ShowEdits::ChannelCurve(dimmer, length * 40), scene, place != "after");
        QCOMPARE(scene->m_steps.size(), steps);
        const bool fits = steps == 1 + length;
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::GeneratedEntries), fits ? held + room : held);
        const qint64 given = place == "after" ? 64 : place == "in front" ? 32 : 0;
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::StepEntries), handMade + (fits ? given : 0));
    }

    // A row's selection (a record of each fixture and beam) against the
    // bound of effect selections: after a row of 64 fixtures, or in its
    // place, which gives its records back.
    void aRowsSelectionIsCountedAgainstItsBound_data()
    {
        Columns<bool, int, qint64, bool>("replace", "selected", "room", "applied");
        QTest::newRow("after a row") << false << 64 << qint64(128) << true;
        QTest::newRow("after a row, a record short") << false << 64 << qint64(127) << false;
        QTest::newRow("in place of one as large") << true << 64 << qint64(0) << true;
        QTest::newRow("in place, a fixture more") << true << 65 << qint64(2) << true;
        QTest::newRow("in place, a fixture more, a record short") << true << 65 << qint64(1) << false;
    }
    void aRowsSelectionIsCountedAgainstItsBound()
    {
        const auto [replace, selected, room, applied] = Row<bool, int, qint64, bool>("replace", "selected", "room", "applied");
        CPlaybackRig rig(1);
        CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& p) { AddDimmer(p); });
        const QList<CPatchedFixture*> fixtures = Dimmers(rig, dimmer, 65);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        Select(rig.project, fixtures.mid(0, 64));
        Apply(rig.project, ShowEdits::ChannelCurve(dimmer, 10 * 40), scene, false);
        scene->m_currentStep = scene->m_steps.first();
        FillToBound(rig.project, CShowBounds::EffectFixtures, room);
        const qint64 bound = CShowBounds::Bound(CShowBounds::EffectFixtures);
        Select(rig.project, fixtures.mid(0, selected));
        Apply(rig.project, ShowEdits::ChannelCurve(dimmer, 5 * 40), scene, replace);
        QCOMPARE(scene->m_steps.size(), applied ? (replace ? 5 : 15) : 10);
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::EffectFixtures), applied ? bound : bound - room);
    }

    void curvePointsFoldIntoStepsOfWholeGrains()
    {
        CPlaybackRig rig;
        auto* profile = new CLibraryProfile;
        AddChannel(*profile, ChannelType::Zoom);
        CPatchedFixture* fixture = rig.Patch(Library(rig.project, profile), 0, 0);
        Select(rig.project, {fixture});
        auto* curve = new CCurveEffect(625);
        curve->m_precision = 1; // 25 points of 25 ms
        curve->m_pointCount = 25;
        curve->m_pointTime = 25.0f;
        curve->m_params << CCurveParam();
        curve->m_activeChannels << true;
        curve->m_tables << QVector<int>(kCurvePoints);
        curve->m_chanTypes << ChannelType::Zoom;
        curve->m_chanNums << 0;
        curve->m_channelDefs << nullptr;
        rig.project.BindEffectToSelection(curve, false, false);
        QCOMPARE(curve->m_fixtures, QList<CPatchedFixture*>({fixture}));
        rig.project.m_effectEngine.SetEffect(curve);
        CChannelStepRecord values; // the value at phase p is p
        for (int p = 0; p < kCurvePoints; ++p)
            values.m_coarse.append(char(p));
        curve->m_outputs = {{values}};

        CEffectScene scene(QStringLiteral("E"), 4);
        rig.project.ApplyEffectToScene(&scene, 0);

        // A step wherever 40 ms or more gathered since the last one, at the
        // phase of its point: 8 per point.
        QCOMPARE(Fades(&scene), QVector<int>(15, 40).toList());
        const QList<int> points = {1, 3, 4, 6, 7, 9, 11, 12, 14, 15, 17, 19, 20, 22, 23};
        for (int s = 0; s < points.size(); ++s)
            QCOMPARE(Levels(scene.m_steps[s], fixture), QList<int>({8 * points[s]}));
        // Declared while the first step, of the second point, was written.
        QCOMPARE(scene.StaticChannels(0), QList<int>({0}));
    }

    void presetEffectWritesOneLongStep()
    {
        CPlaybackRig rig;
        auto* profile = new CLibraryProfile;
        AddChannel(*profile, ChannelType::Focus);
        CProfileChannelDef* gobo = AddChannel(*profile, ChannelType::GoboWheel);
        AddPreset(gobo, PresetType::Gobo, 100, 200)->m_effectType = 3;
        AddPreset(gobo, PresetType::Gobo, 210, 220)->m_effectType = 4;
        CPatchedFixture* fixture = rig.Patch(Library(rig.project, profile), 0, 0);
        Select(rig.project, {fixture});
        CPresetEffect settings;
        settings.m_channelTypes = {ChannelType::Focus};
        settings.m_presetTypes1 = {PresetType::Gobo};
        settings.m_presetTypes2 = {3};
        settings.m_prValue = 50;

        CEffectScene scene(QStringLiteral("E"), 4);
        rig.project.BindEffectToSelection(&settings, false, false);
        rig.project.m_effectEngine.SetEffect(new CPresetEffect(settings));
        rig.project.ApplyEffectToScene(&scene, 0);
        QCOMPARE(scene.m_steps.size(), 1);
        QCOMPARE(scene.m_steps[0]->m_wait, 10000);
        // 50 % of 255, and halfway into the gobo's 100..200.
        QCOMPARE(Levels(scene.m_steps[0], fixture), QList<int>({127, 150}));
        QCOMPARE(scene.StaticChannels(0), QList<int>({0, 1}));

        // Raw levels are held to each matching preset's range; the last wins.
        settings.m_percent = false;
        settings.m_prValue = 100;
        settings.m_presetTypes2 = {-1};
        CScene* plain = rig.AddScene(QStringLiteral("S"));
        rig.project.m_effectEngine.SetEffect(new CPresetEffect(settings));
        rig.project.ApplyEffectToScene(plain, 0);
        QCOMPARE(Levels(plain->m_steps[0], fixture), QList<int>({255, 220}));
    }

    void bindingKeepsWhatTheEffectCanDrive()
    {
        CPlaybackRig rig;
        auto* twoBeams = new CLibraryProfile;
        SetBeams(*twoBeams, {CBeamPosition(), CBeamPosition()});
        AddColorSet(*twoBeams, ChannelType::Red, Beams({0}));
        AddColorSet(*twoBeams, ChannelType::Red, Beams({1}));
        auto* gobos = new CLibraryProfile;
        AddPreset(AddChannel(*gobos, ChannelType::GoboWheel), PresetType::Gobo, 0, 50)->m_effectType = 2;
        CPatchedFixture* bar = rig.Patch(Library(rig.project, twoBeams), 0, 0);
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 20);
        CPatchedFixture* goboFixture = rig.Patch(Library(rig.project, gobos), 0, 30);
        Select(rig.project, {bar, head, goboFixture});
        bar->BeamFlags()[0] = false;

        CTrichroEffect sequence;
        rig.project.BindEffectToSelection(&sequence, false, false);
        QCOMPARE(sequence.m_fixtures, QList<CPatchedFixture*>({bar, head})); // the head through its dimmer
        QCOMPARE(sequence.m_beamIndex, QVector<int>({1, 0}));                    // the bar's selected beam
        QCOMPARE(rig.project.m_boundFixtureCount, 2);
        rig.project.BindEffectToSelection(&sequence, true, false); // colour only
        QCOMPARE(sequence.m_fixtures, QList<CPatchedFixture*>({bar}));

        CCurveEffect curve;
        curve.m_chanTypes = {ChannelType::Pan, ChannelType::Zoom};
        curve.m_activeChannels = {false, true};
        QVERIFY(!CProject::EffectUsesProfile(&curve, head->Profile(), false, false, false)); // pan disabled
        QVERIFY(CProject::EffectUsesProfile(&curve, head->Profile(), false, false, true));

        CPresetEffect preset;
        preset.m_presetTypes1 = {PresetType::Gobo};
        preset.m_presetTypes2 = {1};
        QVERIFY(!CProject::EffectUsesProfile(&preset, gobos, false, false, false));
        preset.m_presetTypes2 = {2};
        QVERIFY(CProject::EffectUsesProfile(&preset, gobos, false, false, false));
        CMatrixAnimEffect pixels;
        QVERIFY(!CProject::EffectUsesProfile(&pixels, twoBeams, false, false, false)); // only a matrix cell

        rig.project.m_currentGroup->m_selectedFixtures.clear();
        rig.project.BindEffectToSelection(&sequence, false, false);
        QCOMPARE(rig.project.m_boundFixtureCount, 0);
    }

    void matrixFillLeavesEmptySlotsEmpty()
    {
        CPlaybackRig rig;
        CLibraryProfile* rgb = rig.RgbProfile();
        CPatchedFixture* a = rig.Patch(rgb, 0, 0);
        CPatchedFixture* b = rig.Patch(rgb, 0, 3);
        CPatchedFixture* stray = rig.Patch(rgb, 0, 6);
        auto* matrix = new CFixtureMatrix(rgb, 1, 2, 2, 0);
        matrix->AddMember(a, QRect(0, 0, 20, 20));        // cell 0
        matrix->AddMember(b, QRect(20, 20, 20, 20));      // cell 3
        matrix->AddMember(stray, QRect(100, 20, 20, 20)); // cell 7 of 4
        for (CPatchedFixture* fixture : {a, b, stray})
            fixture->m_matrixId = 1;
        rig.project.m_generalGroup->m_matrices << matrix;
        rig.project.m_currentGroup->m_selectedMatrices = {matrix};
        Select(rig.project, {a, b, stray});

        auto* animation = new CMatrixAnimEffect(matrix, 40);
        rig.project.BindEffectToSelection(animation, false, false);
        QCOMPARE(animation->m_fixtures, QList<CPatchedFixture*>({a, nullptr, nullptr, b}));
        QCOMPARE(animation->m_fixtureSel, QVector<bool>({true, false, false, true}));
        QCOMPARE(animation->m_beamIndex, QVector<int>({0, -1, -1, 0}));
        QCOMPARE(rig.project.m_boundFixtureCount, 4);

        // Writing walks the tracks of the empty slots too.
        CEffectEngine& engine = rig.project.m_effectEngine;
        engine.SetEffect(animation);
        engine.m_stepCount = 1;
        for (CColorStepRecord& record : engine.m_colorRecords) {
            record.m_outRed = QByteArray(1, char(200));
            record.m_outGreen = record.m_outBlue = record.m_outWhite = QByteArray(1, 0);
        }
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.project.ApplyEffectToScene(scene, 0);
        QCOMPARE(Fades(scene), QList<int>({40}));
        QCOMPARE(scene->m_steps[0]->EntryCount(), 2);
        QCOMPARE(Levels(scene->m_steps[0], b), QList<int>({200, 0, 0}));

        CGradientEffect gradient; // cells only, in all five lists
        gradient.m_matrix = matrix;
        rig.project.BindEffectToSelection(&gradient, false, false);
        QCOMPARE(gradient.m_beamFixtures, QList<CPatchedFixture*>({a, nullptr, nullptr, b}));
        QCOMPARE(gradient.m_beamIndex, QVector<int>({0, 0, 0, 0}));
    }

    // Over the step budget the effect makes no steps, and the host is told.
    void anEffectTooLargeForItsMatrixIsToldToTheHost()
    {
        CPlaybackRig rig;
        CLibraryProfile* rgb = rig.RgbProfile();
        CPatchedFixture* a = rig.Patch(rgb, 0, 0);
        auto* matrix = new CFixtureMatrix(rgb, 1, 2, 2, 0);
        matrix->AddMember(a, QRect(0, 0, 20, 20));
        a->m_matrixId = 1;
        rig.project.m_generalGroup->m_matrices << matrix;
        rig.project.m_currentGroup->m_selectedMatrices = {matrix};
        Select(rig.project, {a});
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        for (int size : {10000, 1}) {
            auto* lines = new CMatrixAnimEffect(matrix, 40);
            lines->m_matrixType = CMatrixAnimEffect::Lines;
            lines->m_number = size > 1 ? 1024 : 2;
            lines->m_size = size;
            rig.host.calls.clear();
            Apply(rig.project, lines, scene, true);
            QCOMPARE(rig.host.calls.contains(QStringLiteral("EffectTooLarge")), size > 1);
            QCOMPARE(scene->m_steps.isEmpty(), size > 1);
        }
    }

    void effectSceneStartGeneratesForTheSelection()
    {
        CPlaybackRig rig;
        auto* profile = new CLibraryProfile;
        AddColorSet(*profile, ChannelType::Red);
        AddChannel(*profile, ChannelType::Zoom);
        auto* panTiltOnly = new CLibraryProfile;
        AddChannel(*panTiltOnly, ChannelType::Pan);
        AddChannel(*panTiltOnly, ChannelType::Tilt);
        CPatchedFixture* a = rig.Patch(Library(rig.project, profile), 0, 0);
        CPatchedFixture* b = rig.Patch(profile, 0, 4);
        CPatchedFixture* head = rig.Patch(Library(rig.project, panTiltOnly), 0, 8);
        CEffectScene* scene = rig.project.AddEffectScene();
        CEffect* effect = Gradient({CRgbwColor(10, 20, 30)}, false);
        scene->m_effects << effect;
        scene->SetStaticLevel(profile, 3, 90);    // zoom: written
        scene->SetStaticLevel(profile, 0, 5);     // red: the effect's own
        scene->SetChannelStaticLevel(1, 300, 77); // a loose DMX channel

        QVERIFY(!scene->Start()); // nothing selected
        auto* edited = new CTrichroEffect;
        rig.project.m_effectEngine.SetEffect(edited);
        Select(rig.project, {b, head, a});
        QVERIFY(scene->Start());

        QCOMPARE(scene->m_drivenFixtures, QList<CPatchedFixture*>({b, a}));
        QCOMPARE(scene->m_effects, QList<CEffect*>({effect}));
        QCOMPARE(scene->m_steps.size(), 1);
        QCOMPARE(scene->m_steps[0]->m_effect, effect);
        QCOMPARE(Levels(scene->m_steps[0], a), QList<int>({10, 20, 30, 90}));
        QCOMPARE(scene->m_steps[0]->FindEntry(rig.project.RawChannelAt(1, 300))->Level(0), quint8(77));
        QCOMPARE(scene->StaticChannels(0), QList<int>({4, 5, 6, 0, 1, 2, 7, 3}));
        QCOMPARE(scene->StaticChannels(1), QList<int>({300}));
        QCOMPARE(rig.project.m_effectEngine.Effect(), edited); // the editor's effect stays

        // Applying replaces the effect; the steps come at the next start.
        Apply(rig.project, Gradient({CRgbwColor(1, 0, 0), CRgbwColor(2, 0, 0)}, true), scene, false);
        QCOMPARE(scene->m_effects.size(), 1);
        QVERIFY(scene->m_steps.isEmpty());
        QVERIFY(!scene->IsChannelActive(0, 0));
        QVERIFY(scene->Start());
        QCOMPARE(Fades(scene), QList<int>({40, 1000}));
    }

    void removedFixturesLeaveARegeneratedRow()
    {
        CPlaybackRig rig;
        CPatchedFixture* keep = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* gone = rig.Patch(rig.RgbProfile(), 0, 3);
        Select(rig.project, {keep, gone});
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        Apply(rig.project, Gradient({CRgbwColor(4, 0, 0), CRgbwColor(5, 0, 0)}, true), scene, false);
        QCOMPARE(scene->m_steps[1]->EntryCount(), 2);

        rig.project.RemoveFixtures({gone}, true);
        QCOMPARE(Fades(scene), QList<int>({40, 1000}));
        QCOMPARE(scene->m_steps[1]->EntryCount(), 1);
        QCOMPARE(Levels(scene->m_steps[1], keep), QList<int>({5, 0, 0}));
        VerifyConsistent(scene);
    }

    // A file keeps an effect row as its effect and the levels of its first
    // step; the open generates the row again. What the row holds besides the
    // effect comes back, and a row whose fixture took another profile is
    // made as the open makes it, so that the show reopens step for step.
    void aRowReopensAsItWasSaved_data()
    {
        Columns<QString>("then");
        QTest::newRow("a fixture stored beside the effect") << "fixture";
        QTest::newRow("a raw channel beside the effect") << "raw";
        QTest::newRow("the head refit to 16-bit pan and tilt") << "refit";
        QTest::newRow("pan and tilt stored on the row's steps") << "stored";
    }
    void aRowReopensAsItWasSaved()
    {
        const auto [then] = Row<QString>("then");
        CPlaybackRig rig;
        CLibraryProfile* spot = rig.AddProfile([](CLibraryProfile& p) { AddChannels(p, "PTD"); });
        CLibraryProfile* head = rig.MovingHeadProfile();
        CLibraryProfile* rgb = rig.RgbProfile();
        spot->SetPath(QStringLiteral("Test/Spot.kvp"));
        head->SetPath(QStringLiteral("Test/Head.kvp"));
        rgb->SetPath(QStringLiteral("Test/Rgb.kvp"));
        CPatchedFixture* mover = rig.Patch(spot, 0, 0);
        CPatchedFixture* par = rig.Patch(rgb, 0, 20);
        mover->m_id = 1;
        par->m_id = 2;
        Select(rig.project, {mover});
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        Apply(rig.project, new CPanTiltEffect, scene, false);
        QVERIFY(scene->m_steps.size() > 1);
        CPatchedFixture* beside = then == "raw" ? rig.project.GetChannelFixture(1, 5) : par;
        if (then == "stored") {
            // The effect's channels keep what it generated; its dimmer takes the level.
            scene->m_selection = scene->m_steps;
            rig.project.SetEditedScene(scene, scene);
            rig.project.SetSelectionPanTilt(10, 20, 0, 0, 0, 0, false);
            rig.project.SetFixtureChannelLevel(mover, 2, 70);
            rig.project.SetEditedScene(scene, nullptr);
            QCOMPARE(int(scene->m_steps.last()->FindEntry(mover)->Level(2)), 70);
        } else if (then == "refit") {
            mover->SetProfile(head);
            rig.project.UpdateAfterPatch(true, false);
            QVERIFY(scene->m_steps.size() > 1);
        } else {
            scene->AddFixtureToAllSteps(beside);
            for (CSceneStep* step : scene->m_steps)
                step->FindEntry(beside)->SetLevel(0, 90, true, false);
        }
        const QStringList saved = ScenesText(rig.project);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("show.kv3"));
        QVERIFY(rig.project.SaveProject(path) && rig.project.OpenProject(path));
        QCOMPARE(FirstDifference(saved, ScenesText(rig.project)), QString());
    }
};

ORVANE_TEST(ApplyEffectTest)
#include "ApplyEffectTest.moc"
