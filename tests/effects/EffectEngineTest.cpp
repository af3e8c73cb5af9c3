#include "FileBytes.h"
#include "TestRegistry.h"

#include "effects/CurveEffect.h"
#include "effects/EffectEngine.h"
#include "effects/EffectRandom.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"
#include "effects/PresetEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/Scene.h"

#include <QtTest>
#include <memory>
#include <vector>

namespace {

// Tells the test when the engine deletes it.
class CountedGradient : public CGradientEffect
{
public:
    CountedGradient(int* deletions) : CGradientEffect(1000), m_deletions(deletions) {}
    ~CountedGradient() override { ++*m_deletions; }

private:
    int* m_deletions;
};

class Fixtures
{
public:
    CPatchedFixture* Make()
    {
        m_owned.push_back(std::make_unique<CPatchedFixture>(int(m_owned.size()), 0));
        return m_owned.back().get();
    }

private:
    std::vector<std::unique_ptr<CPatchedFixture>> m_owned;
};

// One beam entry per fixture, beam `firstBeam` + i.
void Drive(CEffect& effect, Fixtures& fixtures, int count, int firstBeam = 0)
{
    for (int i = 0; i < count; ++i) {
        CPatchedFixture* fixture = fixtures.Make();
        effect.m_fixtures << fixture;
        effect.m_fixtureSel << true;
        effect.m_beamIndex << firstBeam + i;
        effect.m_beamFixtures << fixture;
        effect.m_beamSel << true;
    }
}

// One step of raw colour in every record.
void SetRaw(CEffectEngine& engine, int r, int g, int b, int w)
{
    engine.m_stepCount = 1;
    engine.ResizeStepBuffers();
    for (CColorStepRecord& record : engine.m_colorRecords) {
        record.m_rawRed = Bytes({r});
        record.m_rawGreen = Bytes({g});
        record.m_rawBlue = Bytes({b});
        record.m_rawWhite = Bytes({w});
    }
}

QByteArray Output(const CColorStepRecord& record)
{
    return record.m_outRed + record.m_outGreen + record.m_outBlue + record.m_outWhite;
}

} // namespace

class EffectEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }

    void cleanup() { CEffectRandom::UnpinSeed(); }

    void emptyEngine()
    {
        CEffectEngine engine;
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(engine.m_fixtureCount, 0);
        QCOMPARE(engine.m_mode, int(CEffectEngine::ChannelMode));
        QVERIFY(!engine.Effect());
        engine.SetEffect(nullptr);
        engine.GenerateEffect();
        engine.Clear(false);
        engine.ApplyIntensitySaturation();
        QVERIFY(!engine.Effect());
        QCOMPARE(engine.m_stepCount, 0);
    }

    // Binding makes one record per beam entry, in the mode of the effect's
    // type; binding another effect deletes the first.
    void bindingAndModes()
    {
        Fixtures fixtures;
        int deletions = 0;
        auto* gradient = new CountedGradient(&deletions);
        Drive(*gradient, fixtures, 3, 4);
        CEffectEngine engine;
        engine.SetEffect(gradient);
        QCOMPARE(engine.m_mode, int(CEffectEngine::ColorMode));
        QCOMPARE(engine.m_fixtureCount, 3);
        QCOMPARE(engine.m_colorRecords.size(), 3);
        QCOMPARE(engine.m_colorRecords.at(2).m_fixture, gradient->m_beamFixtures.at(2));
        QCOMPARE(engine.m_colorRecords.at(2).m_beam, 6);
        // Records keep their beam even when the effect's lists change.
        gradient->RemoveFixture(gradient->m_fixtures.first());
        QCOMPARE(engine.m_colorRecords.at(0).m_beam, 4);

        auto* curve = new CCurveEffect(1000);
        Drive(*curve, fixtures, 2);
        engine.SetEffect(curve);
        QCOMPARE(deletions, 1);
        QVERIFY(engine.m_colorRecords.isEmpty());
        QCOMPARE(engine.m_mode, int(CEffectEngine::ChannelMode));
        QCOMPARE(engine.m_channelRecords.size(), 2);
        QCOMPARE(engine.Effect(), curve);

        auto* panTilt = new CPanTiltEffect;
        Drive(*panTilt, fixtures, 5);
        engine.SetEffect(panTilt);
        QCOMPARE(engine.m_mode, int(CEffectEngine::PanTiltMode));
        QVERIFY(engine.m_channelRecords.isEmpty());
        QCOMPARE(engine.m_panTiltRecords.size(), 5);

        auto* preset = new CPresetEffect;
        engine.SetEffect(preset);
        QCOMPARE(engine.m_mode, int(CEffectEngine::ColorMode));
        QCOMPARE(engine.m_fixtureCount, 0);
        QVERIFY(engine.m_panTiltRecords.isEmpty());
    }

    void rebindingKeepsTheEffect()
    {
        Fixtures fixtures;
        int deletions = 0;
        auto* gradient = new CountedGradient(&deletions);
        Drive(*gradient, fixtures, 2);
        CEffectEngine engine;
        engine.SetEffect(gradient);
        engine.m_stepCount = 3;
        engine.ResizeStepBuffers();

        // Null rebuilds the records of the bound effect, which stays.
        Drive(*gradient, fixtures, 1);
        engine.SetEffect(nullptr);
        QCOMPARE(deletions, 0);
        QCOMPARE(engine.Effect(), gradient);
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(engine.m_colorRecords.size(), 3);
        QVERIFY(engine.m_colorRecords.at(0).m_rawRed.isEmpty());

        // The bound effect passed again is not deleted under the caller.
        engine.SetEffect(gradient);
        QCOMPARE(deletions, 0);
        QCOMPARE(engine.Effect(), gradient);
        QCOMPARE(engine.m_colorRecords.size(), 3);
        QCOMPARE(gradient->m_len, 1000);

        engine.Clear(false);
        QCOMPARE(engine.Effect(), gradient);
        QVERIFY(engine.m_colorRecords.isEmpty());
        engine.Clear(true);
        QCOMPARE(deletions, 1);
        QVERIFY(!engine.Effect());
    }

    void engineDeletesItsEffect()
    {
        int deletions = 0;
        {
            CEffectEngine engine;
            engine.SetEffect(new CountedGradient(&deletions));
        }
        QCOMPARE(deletions, 1);
    }

    // New bytes are zero, old ones stay, for the engine and every record.
    void stepBuffersAreZeroFilled()
    {
        Fixtures fixtures;
        auto* gradient = new CGradientEffect(1000);
        Drive(*gradient, fixtures, 2);
        CEffectEngine engine;
        engine.SetEffect(gradient);
        engine.m_stepCount = 3;
        engine.ResizeStepBuffers();
        const QByteArray zeros(3, '\0');
        QCOMPARE(engine.m_red, zeros);
        for (const CColorStepRecord& record : engine.m_colorRecords) {
            QCOMPARE(record.m_rawRed, zeros);
            QCOMPARE(record.m_rawWhite, zeros);
            QCOMPARE(record.m_outBlue, zeros);
        }
        engine.m_colorRecords[1].m_rawGreen = Bytes({7, 8, 9});
        engine.m_stepCount = 5;
        engine.ResizeStepBuffers();
        QCOMPARE(engine.m_colorRecords.at(1).m_rawGreen, Bytes({7, 8, 9, 0, 0}));
        engine.m_stepCount = 2;
        engine.ResizeStepBuffers();
        QCOMPARE(engine.m_colorRecords.at(1).m_rawGreen, Bytes({7, 8}));

        // ResizeSteps takes only a new count of at least 1.
        engine.ResizeSteps(0);
        QCOMPARE(engine.m_stepCount, 2);
        engine.ResizeSteps(4);
        QCOMPARE(engine.m_colorRecords.at(1).m_rawGreen, Bytes({7, 8, 0, 0}));

        auto* panTilt = new CPanTiltEffect;
        Drive(*panTilt, fixtures, 1);
        engine.SetEffect(panTilt);
        engine.m_stepCount = 2;
        engine.ResizeStepBuffers();
        QCOMPARE(engine.m_tiltFine, QByteArray(2, '\0'));
        QCOMPARE(engine.m_panTiltRecords.at(0).m_panCoarse, QByteArray(2, '\0'));
        QVERIFY(engine.m_red.isEmpty());

        auto* curve = new CCurveEffect(1000);
        Drive(*curve, fixtures, 1);
        engine.SetEffect(curve);
        QVERIFY(engine.m_panCoarse.isEmpty());
        engine.m_stepCount = 2;
        engine.ResizeStepBuffers();
        QCOMPARE(engine.m_curveFine, QByteArray(2, '\0'));
        QCOMPARE(engine.m_channelRecords.at(0).m_fine, QByteArray(2, '\0'));
    }

    void intensityAndSaturation()
    {
        Fixtures fixtures;
        auto* gradient = new CGradientEffect(1000);
        Drive(*gradient, fixtures, 2);
        CEffectEngine engine;
        engine.SetEffect(gradient);

        // As generated: a plain copy.
        SetRaw(engine, 200, 100, 0, 255);
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(1)), Bytes({200, 100, 0, 255}));

        // k = 0.5: 100, 50, 0 and white 127.5 truncated.
        gradient->m_intensity = 50;
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({100, 50, 0, 127}));

        // ks = 2: colours doubled up to 255; white keeps k = 1.
        gradient->m_intensity = 100;
        gradient->m_saturation = 100;
        SetRaw(engine, 200, 100, 0, 50);
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({255, 200, 0, 50}));

        // Values from a file beyond the editors' range stay within a byte.
        gradient->m_intensity = 300;
        gradient->m_saturation = 0;
        SetRaw(engine, 10, 100, 0, 100);
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({30, 255, 0, 255}));
        gradient->m_intensity = 100;
        gradient->m_saturation = -300;
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({0, 0, 0, 100}));
        gradient->m_intensity = -50;
        gradient->m_saturation = 0;
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({0, 0, 0, 0}));
        gradient->m_intensity = 2147483647;
        gradient->m_saturation = 2147483647;
        engine.ApplyIntensitySaturation();
        QCOMPARE(Output(engine.m_colorRecords.at(0)), Bytes({255, 255, 0, 255}));
    }

    void generationGuards()
    {
        Fixtures fixtures;
        CEffectEngine engine;
        // A preset effect generates nothing, whatever it drives.
        auto* preset = new CPresetEffect;
        Drive(*preset, fixtures, 2);
        engine.SetEffect(preset);
        engine.m_stepCount = 2;
        engine.ResizeStepBuffers();
        engine.m_colorRecords[0].m_rawRed = Bytes({5, 6});
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 2);
        QCOMPARE(engine.m_colorRecords.at(0).m_rawRed, Bytes({5, 6}));
        QCOMPARE(engine.m_colorRecords.at(0).m_outRed, QByteArray(2, '\0'));

        // A gradient does generate: one step over its fixtures...
        auto* gradient = new CGradientEffect(1000);
        Drive(*gradient, fixtures, 2);
        engine.SetEffect(gradient);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 1);
        QCOMPARE(engine.m_colorRecords.at(1).m_outRed.size(), 1);

        // ... but not while a generation runs, nor without beam entries.
        engine.SetEffect(nullptr);
        engine.m_generating = true;
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);
        engine.m_generating = false;
        gradient->ClearFixtures();
        engine.SetEffect(nullptr);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);
    }

    // A matrix effect has one record per pixel, whatever its beam lists say.
    void matrixRecordsArePixels()
    {
        Fixtures fixtures;
        CFixtureMatrix matrix(nullptr, 1, 3, 2, 0);
        auto* anim = new CMatrixAnimEffect(&matrix, 100);
        anim->m_rows = 2;
        anim->m_cols = 3;
        Drive(*anim, fixtures, 4);
        CEffectEngine engine;
        engine.SetEffect(anim);
        QCOMPARE(engine.m_mode, int(CEffectEngine::ColorMode));
        QCOMPARE(engine.m_rows, 2);
        QCOMPARE(engine.m_cols, 3);
        QCOMPARE(engine.m_fixtureCount, 6);
        QCOMPARE(engine.m_colorRecords.size(), 6);
        QCOMPARE(engine.m_colorRecords.at(3).m_fixture, anim->m_beamFixtures.at(3));
        QVERIFY(!engine.m_colorRecords.at(5).m_fixture);
        QCOMPARE(engine.m_colorRecords.at(5).m_beam, -1);

        // Sizes no show uses make no records rather than a huge allocation.
        anim->m_rows = 1024;
        anim->m_cols = 1024;
        engine.SetEffect(nullptr);
        QCOMPARE(engine.m_fixtureCount, 0);
        QVERIFY(engine.m_colorRecords.isEmpty());
    }

    void sizesFromTheMatrix()
    {
        Fixtures fixtures;
        CFixtureMatrix matrix(nullptr, 1, 4, 3, 0);
        CEffectEngine engine;
        engine.m_rows = 9;
        engine.m_cols = 9;

        // A colour sequence without a matrix leaves the sizes alone.
        auto* plain = new CTrichroEffect(100);
        Drive(*plain, fixtures, 2);
        engine.SetEffect(plain);
        QCOMPARE(engine.m_rows, 9);
        auto* onMatrix = new CTrichroEffect(100);
        onMatrix->m_matrix = &matrix;
        Drive(*onMatrix, fixtures, 2);
        engine.SetEffect(onMatrix);
        QCOMPARE(engine.m_rows, matrix.PixelRows());
        QCOMPARE(engine.m_cols, matrix.PixelColumns());

        // A curve takes the fixture cells and prepares one output list per
        // channel, one record per beam entry.
        auto* curve = new CCurveEffect(1000);
        curve->m_params = {CCurveParam(), CCurveParam()};
        curve->m_activeChannels = {true, false};
        curve->m_tables = {QVector<int>(kCurvePoints, 0), QVector<int>(kCurvePoints, 0)};
        curve->m_chanTypes = {7, 8};
        curve->m_chanNums = {0, 0};
        curve->m_channelDefs = {nullptr, nullptr};
        curve->m_regenerateAll = false;
        curve->m_onMatrix = true;
        Drive(*curve, fixtures, 3, 1);
        engine.SetEffect(curve);
        QVERIFY(!curve->m_onMatrix);
        QVERIFY(curve->m_regenerateAll);
        QCOMPARE(curve->m_outputs.size(), 2);
        QCOMPARE(curve->m_outputs.at(1).size(), 3);
        QCOMPARE(curve->m_outputs.at(1).at(2).m_beam, 3);
        QCOMPARE(curve->m_outputs.at(1).at(2).m_fixture, curve->m_fixtures.at(2));
        curve->m_matrix = &matrix;
        engine.SetEffect(nullptr);
        QVERIFY(curve->m_onMatrix);
        QCOMPARE(engine.m_rows, 3);
        QCOMPARE(engine.m_cols, 4);
    }

    // The engine's shape works on the bound pan/tilt effect and forgets it
    // when the effect is deleted.
    void panTiltShapeFollowsTheBinding()
    {
        Fixtures fixtures;
        CEffectEngine engine;
        auto* panTilt = new CPanTiltEffect;
        Drive(*panTilt, fixtures, 2);
        engine.SetEffect(panTilt);
        QCOMPARE(engine.PanTiltShape().Effect(), panTilt);
        QCOMPARE(panTilt->m_controlX.size(), 4);
        QCOMPARE(panTilt->m_pathCount, 8);
        engine.Clear(true);
        QVERIFY(!engine.PanTiltShape().Effect());
        engine.PanTiltShape().Update();
        QCOMPARE(engine.PanTiltShape().InsertPoint(1, 1), -1);
    }

    void stepBudget()
    {
        Fixtures fixtures;
        CEffectEngine engine;
        QVERIFY(engine.FitsStepBudget(CEffectEngine::kMaxStepCells));
        QVERIFY(!engine.FitsStepBudget(CEffectEngine::kMaxStepCells + 1));
        QVERIFY(!engine.FitsStepBudget(-1));
        auto* gradient = new CGradientEffect(0);
        Drive(*gradient, fixtures, 8);
        engine.SetEffect(gradient);
        QVERIFY(engine.FitsStepBudget(CEffectEngine::kMaxStepCells / 8));
        QVERIFY(!engine.FitsStepBudget(CEffectEngine::kMaxStepCells / 8 + 1));
    }

    void randomSource()
    {
        // The classic 15-bit generator: seed 1 starts 41, 18467, 6334.
        CEffectRandom::Seed(1);
        QCOMPARE(CEffectRandom::Next(), 41);
        QCOMPARE(CEffectRandom::Next(), 18467);
        QCOMPARE(CEffectRandom::Next(), 6334);
        int low = CEffectRandom::kMax;
        int high = 0;
        CEffectRandom::Seed(12345);
        for (int i = 0; i < 100000; ++i) {
            const int value = CEffectRandom::Next();
            low = qMin(low, value);
            high = qMax(high, value);
        }
        QCOMPARE(low, 0);
        QCOMPARE(high, 32767);

        // A pinned seed makes every generation repeat.
        CEffectRandom::PinSeed(77);
        CEffectRandom::SeedFromClock();
        const int first = CEffectRandom::Next();
        CEffectRandom::SeedFromClock();
        QCOMPARE(CEffectRandom::Next(), first);
    }

    // Once the engine exists, scenes copy and delete the effects they own.
    void scenesCopyTheirEffects()
    {
        CEffectEngine engine;
        Fixtures fixtures;
        CScene scene(QStringLiteral("Chase"), 1);
        auto* effect = new CTrichroEffect(100);
        effect->m_trichroType = CTrichroEffect::Wagons;
        Drive(*effect, fixtures, 2);
        scene.m_effects << effect;
        CScene copy(scene, false, false, true);
        QCOMPARE(copy.m_effects.size(), 1);
        auto* copied = dynamic_cast<CTrichroEffect*>(copy.m_effects.first());
        QVERIFY(copied && copied != effect);
        QCOMPARE(copied->m_trichroType, int(CTrichroEffect::Wagons));
        QCOMPARE(copied->m_fixtures, effect->m_fixtures);
    }
};

ORVANE_TEST(EffectEngineTest)
#include "EffectEngineTest.moc"
