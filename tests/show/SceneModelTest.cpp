#include "MaskSlots.h"
#include "TestRegistry.h"

#include "../model/LibraryProfileBuilder.h"
#include "Captions.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace ProfileBuilder;

namespace {

// Scenes only pass effects around; a stand-in address is all they need.
CEffect* FakeEffect(int n)
{
    static char storage[4];
    return reinterpret_cast<CEffect*>(&storage[n]);
}

QList<CPatchedFixture*> g_effectFixtures;
int g_destroyed = 0;

// Installs effect operations for the life of a test.
struct EffectOperationsGuard
{
    EffectOperationsGuard()
    {
        g_destroyed = 0;
        CEffectOperations ops;
        ops.clone = [](const CEffect& effect) {
            const char* address = reinterpret_cast<const char*>(&effect);
            return FakeEffect(int(address - reinterpret_cast<const char*>(FakeEffect(0))) + 1);
        };
        ops.destroy = [](CEffect*) { ++g_destroyed; };
        ops.fixtures = [](const CEffect&) { return g_effectFixtures; };
        SetEffectOperations(ops);
    }
    ~EffectOperationsGuard()
    {
        SetEffectOperations(CEffectOperations());
        g_effectFixtures.clear();
    }
};

CSceneStep* AddStep(CScene& scene, int fade, int wait)
{
    auto* step = new CSceneStep(fade, wait);
    scene.m_steps << step;
    scene.UpdateLength();
    return step;
}

struct Position
{
    int index, stepTime, cycle, rounded, start, end, origin;
};

Position PositionOf(const CScene& s)
{
    return {s.CurrentStepIndex(), s.m_stepTime, s.m_cyclePosition, s.m_roundedPosition,
            s.m_stepStart,        s.m_stepEnd,  s.m_positionOrigin};
}

bool operator==(const Position& a, const Position& b)
{
    return a.index == b.index && a.stepTime == b.stepTime && a.cycle == b.cycle && a.rounded == b.rounded
           && a.start == b.start && a.end == b.end && a.origin == b.origin;
}

char* toString(const Position& p)
{
    return QTest::toString(QStringLiteral("step %1 time %2 cycle %3 rounded %4 start %5 end %6 origin %7")
                               .arg(p.index).arg(p.stepTime).arg(p.cycle).arg(p.rounded)
                               .arg(p.start).arg(p.end).arg(p.origin));
}

// Two steps: fade 1000 wait 1000, then fade 1000 wait 2000; a pass is 5000.
void MakeTwoSteps(CScene& scene)
{
    AddStep(scene, 1000, 1000);
    AddStep(scene, 1000, 2000);
}

bool BuildOneStep(CEffectScene& scene)
{
    scene.ClearGeneratedSteps();
    scene.m_steps << new CSceneStep(0, 400);
    scene.UpdateLength();
    return true;
}

bool BuildNothing(CEffectScene&)
{
    return false;
}

} // namespace

class SceneModelTest : public QObject
{
    Q_OBJECT

private slots:
    // A scene of 256 universes keeps masks only of those where it marks or
    // overrides a slot: reading makes none, and what it holds reads as
    // before through copies, clears and patch moves.
    void masksAreHeldWhereASlotIsMarked_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("held");
        QTest::newRow("reads") << 0 << "";
        QTest::newRow("marks") << 1 << "3:10,11 200:5";
        QTest::newRow("an override alone") << 2 << "9:";
        QTest::newRow("cleared") << 3 << "";
        QTest::newRow("a copy") << 4 << "3:10,11 200:5";
        QTest::newRow("moved into a universe without masks") << 5 << "3: 200:5 250:101,102";
        QTest::newRow("clear slots moved") << 6 << "3:400";
    }
    void masksAreHeldWhereASlotIsMarked()
    {
        QFETCH(int, change);
        QFETCH(QString, held);
        CScene scene(QStringLiteral("S"), 256);
        const CScene& reader = scene;
        if (change == 6)
            scene.ActiveMask(3)->Set(400);
        else if (change != 0) {
            scene.ActiveMask(3)->Set(10);
            scene.ActiveMask(3)->Set(11);
            scene.ActiveMask(200)->Set(5);
        }
        std::unique_ptr<CScene> copy;
        switch (change) {
        case 2:
            scene.OverrideMask(9)->Set(1);
            scene.ClearActiveMasks();
            break;
        case 3:
            scene.OverrideMask(9)->Set(1);
            scene.ClearOverrideMasks();
            scene.ClearActiveMasks();
            break;
        case 4:
            scene.OverrideMask(9)->Set(1);
            copy = std::make_unique<CScene>(scene, false, false, false);
            QVERIFY(!copy->OverrideMask(3)->Test(10));
            break;
        case 5:
        case 6:
            scene.RemapChannels({3, 5}, {9, 0}, {250, 6}, {100, 0}, {3, 512});
            break;
        }
        const CScene& shown = copy ? *copy : reader;
        QStringList masks;
        for (int u : shown.MaskUniverses())
            masks << QStringLiteral("%1:%2").arg(u).arg(MarkedSlots(*shown.ActiveMask(u)));
        QCOMPARE(masks.join(QLatin1Char(' ')), held);
        // A universe without masks reads clear, active and overridden.
        QVERIFY(!shown.IsChannelActive(100, 0) && !shown.ActiveMask(100)->Test(0) && !shown.OverrideMask(100)->Test(0));
        QVERIFY(!shown.ActiveMask(256) && !shown.OverrideMask(-1));
    }

    // A mark is a bit of a word of 64 slots: each keeps its own slot at the
    // words' edges, slots outside the universe read clear and take no mark,
    // and a copy of a range leaves the slots around it alone.
    void marksKeepTheirSlotsAtTheWordsEdges()
    {
        const auto held = [](const CSlotMask& mask) {
            QList<int> marks;
            for (int s = -64; s < 600; ++s) {
                if (mask.Test(s))
                    marks << s;
            }
            return marks;
        };
        CSlotMask mask;
        for (int slot : {-1, -64, 512, 575})
            mask.Set(slot);
        QVERIFY(!mask.Any());
        for (int slot : {0, 63, 64, 127, 128, 511})
            mask.Set(slot);
        QCOMPARE(held(mask), QList<int>({0, 63, 64, 127, 128, 511}));
        CSlotMask copy;
        copy.Set(62);
        copy.Set(65);
        QVERIFY(!copy.Intersects(mask));
        copy.CopyRange(mask, 63, 128);
        QCOMPARE(held(copy), QList<int>({62, 63, 64, 127}));
        mask.Set(511, false);
        mask.Set(0, false);
        QCOMPARE(held(mask), QList<int>({63, 64, 127, 128}));
    }

    void effectScenesHoldStaticChannelsOfTheUniversesTheyDrive()
    {
        CEffectScene scene(QStringLiteral("E"), 256);
        scene.AddStaticChannel(200, 4);
        scene.AddStaticChannel(256, 4); // no such universe
        QCOMPARE(scene.StaticUniversesHeld(), 1);
        scene.RemapChannels({200}, {4}, {201}, {7}, {1});
        QCOMPARE(scene.StaticChannels(201), QList<int>({7}));
        QCOMPARE(scene.StaticUniversesHeld(), 1);
        scene.SetStaticChannels(201, {});
        QCOMPARE(scene.StaticUniversesHeld(), 0);
    }

    void lengthsAndDurations()
    {
        CScene scene(QStringLiteral("S"), 4);
        scene.UpdateLength();
        QCOMPARE(scene.m_cycleLength, 0);

        AddStep(scene, 2000, 3000);
        QCOMPARE(scene.m_firstPassLength, 3000);
        QCOMPARE(scene.m_cycleLength, 5000);
        scene.m_loopCount = 3;
        scene.m_fadeIn = 1000;
        QCOMPARE(scene.TotalDuration(), qint64(14000));
        QCOMPARE(scene.DurationText(), QStringLiteral("00m 13s 000")); // 3000 + 2 x 5000
        scene.m_loopCount = 0;
        QCOMPARE(scene.TotalDuration(), qint64(-1));
        QCOMPARE(scene.DurationText(), QStringLiteral("00m 03s 000"));

        AddStep(scene, 250, 750);
        AddStep(scene, 0, 2000);
        QCOMPARE(scene.m_firstPassLength, 3000 + 1000 + 2000);
        QCOMPARE(scene.m_cycleLength, 8000);

        // Thousands of loops of a long pass do not wrap.
        CScene marathon(QStringLiteral("M"), 1);
        AddStep(marathon, 0, 2000000000);
        marathon.m_loopCount = 32767;
        QCOMPARE(marathon.TotalDuration(), Q_INT64_C(65534000000000)); // 32767 x 2e9
        QCOMPARE(marathon.DurationText(), QStringLiteral("758495d 08h 53m 20s"));

        CScene texts(QStringLiteral("T"), 1);
        AddStep(texts, 0, 90061001);
        texts.m_loopCount = 1;
        QCOMPARE(texts.DurationText(), QStringLiteral("01d 01h 01m 01s"));
        texts.m_steps.first()->m_wait = 3723004;
        texts.UpdateLength();
        QCOMPARE(texts.DurationText(), QStringLiteral("01h 02m 03s 004"));
        texts.m_steps.first()->m_wait = 65432;
        texts.UpdateLength();
        QCOMPARE(texts.DurationText(), QStringLiteral("01m 05s 432"));
    }

    void dynamicOnlyWithSomethingToPlay()
    {
        CScene still(QStringLiteral("S"), 1);
        QVERIFY(!still.IsDynamic());
        AddStep(still, 0, 0);
        QVERIFY(!still.IsDynamic());
        QVERIFY(!still.Start());

        // A lone fade played once holds nothing after its fade-in.
        CScene flash(QStringLiteral("F"), 1);
        AddStep(flash, 500, 0);
        flash.m_loopCount = 1;
        QVERIFY(!flash.IsDynamic());
        flash.m_loopCount = 0;
        QVERIFY(flash.IsDynamic());
        flash.m_loopCount = 2;
        QVERIFY(flash.IsDynamic());

        CScene hold(QStringLiteral("H"), 1);
        AddStep(hold, 0, 100);
        hold.m_loopCount = 1;
        QVERIFY(hold.IsDynamic());
    }

    void startResetsTheRun()
    {
        CLibraryProfile profile;
        AddDimmer(profile);
        profile.AnalyseChannels();
        CPatchedFixture fixture(0, 0, 1, -1, QStringLiteral("D"), &profile, false, false, 0);

        CScene scene(QStringLiteral("S"), 4);
        QVERIFY(!scene.Start());
        MakeTwoSteps(scene);
        scene.m_steps.first()->AddEntry(new CStepFixture(&fixture, &scene));
        scene.m_fadeIn = 300;
        scene.m_fadeInDelay = 700;
        scene.m_loopsDone = 4;
        scene.m_fadeOutCounter = 55;
        scene.m_followOn = false;
        scene.m_stopping = true;
        scene.BeginFadeOut(false);
        QVERIFY(!scene.m_transitionStep); // no current step yet

        QVERIFY(scene.Start());
        QCOMPARE(PositionOf(scene), (Position{0, 1000, 1000, 1000, 0, 2000, 0}));
        QCOMPARE(int(scene.m_loopsDone), 0);
        QCOMPARE(scene.m_fadeOutCounter, -1);
        QVERIFY(scene.m_followOn);
        QVERIFY(!scene.m_stopping);
        QVERIFY(scene.m_fadingIn);
        QCOMPARE(scene.m_runningFadeInLength, 300);
        QCOMPARE(scene.m_fadeInDelayCounter, 700); // a plain start waits no delay
        QCOMPARE(fixture.DrivingSceneCount(), 0);

        scene.BeginFadeOut(false);
        QVERIFY(scene.m_transitionStep);
        QVERIFY(scene.Start(1, 500, true, true, true));
        QVERIFY(!scene.m_transitionStep);
        QCOMPARE(PositionOf(scene), (Position{1, 500, 2500, 2500, 2000, 5000, 2500}));
        QVERIFY(scene.m_noLoopCount);
        QVERIFY(scene.m_customTiming);
        QCOMPARE(scene.m_fadeInDelayCounter, 0);
        QCOMPARE(scene.m_runningFadeInLength, 0);
        QVERIFY(scene.m_fadingIn); // the custom delay alone is a fade-in
        QCOMPARE(fixture.DrivingSceneCount(), 1);
        scene.UnmarkFixturesPlaying();
        QCOMPARE(fixture.DrivingSceneCount(), 0);
        QVERIFY(!scene.m_fadingIn);
    }

    void goToStepShowsTheStep()
    {
        CScene scene(QStringLiteral("S"), 1);
        scene.GoToStep(0, 0);
        QVERIFY(!scene.m_currentStep);
        QCOMPARE(scene.CurrentStepIndex(), -1);
        QVERIFY(!scene.PreviousStep());

        MakeTwoSteps(scene);
        const Position firstReached{0, 1000, 1000, 1000, 0, 2000, 0};
        scene.GoToStep(-1, 0);
        QCOMPARE(PositionOf(scene), firstReached);
        scene.GoToStep(2, 400);
        QCOMPARE(PositionOf(scene), firstReached);

        scene.GoToStep(1, 1500);
        QCOMPARE(PositionOf(scene), (Position{1, 1500, 3500, 3500, 2000, 5000, 3500}));
        // A time at or past the step's end shows the step fully reached.
        const Position secondReached{1, 1000, 3000, 3000, 2000, 5000, 3000};
        scene.GoToStep(1, 3000);
        QCOMPARE(PositionOf(scene), secondReached);
        scene.GoToStep(1, 0);
        QCOMPARE(PositionOf(scene), secondReached);
        QCOMPARE(scene.CurrentStepFadeEnd(), 3000);

        // Emptying the steps leaves nothing current.
        scene.DeleteSteps();
        scene.GoToStep(0, 0);
        QVERIFY(!scene.m_currentStep);
        QCOMPARE(scene.CurrentStepFadeEnd(), 0);
    }

    void seekWrapsAndFindsTheStep()
    {
        CScene scene(QStringLiteral("S"), 1);
        MakeTwoSteps(scene);
        scene.GoToStep(-1, 0);
        scene.SeekTo(12345);
        QCOMPARE(PositionOf(scene), (Position{1, 345, 2345, 2320, 2000, 5000, 0}));
        scene.SeekTo(-100);
        QCOMPARE(PositionOf(scene), (Position{1, 2900, 4900, 4880, 2000, 5000, 0}));

        scene.GoToStep(1, 500); // origin 2500
        scene.SeekTo(3000);
        QCOMPARE(PositionOf(scene), (Position{0, 500, 500, 480, 0, 2000, 2500}));

        CScene empty(QStringLiteral("E"), 1);
        AddStep(empty, 0, 0);
        empty.GoToStep(0, 0);
        const Position before = PositionOf(empty);
        empty.SeekTo(1234);
        QCOMPARE(PositionOf(empty), before);
    }

    void advancingThroughTheCycle()
    {
        CScene scene(QStringLiteral("S"), 1);
        for (int i = 0; i < 3; ++i)
            AddStep(scene, 100, 100);
        scene.RestartCycle();
        QCOMPARE(PositionOf(scene), (Position{0, 0, 0, 0, 0, 200, 0}));

        // Exactly at a step's end the step is kept until time passes it.
        scene.m_cyclePosition = 200;
        scene.AdvanceToPosition();
        QCOMPARE(scene.CurrentStepIndex(), 0);
        scene.m_cyclePosition = 550;
        scene.AdvanceToPosition();
        QCOMPARE(PositionOf(scene), (Position{2, 150, 550, 0, 400, 600, 0}));
        scene.UpdateStepTime();
        QCOMPARE(scene.m_roundedPosition, 520);
        // Past the last step's end the last step stays current.
        scene.m_cyclePosition = 700;
        scene.AdvanceToPosition();
        QCOMPARE(scene.CurrentStepIndex(), 2);
        QCOMPARE(scene.m_stepTime, 300);

        QCOMPARE(scene.PreviousStep(), scene.m_steps.at(1));
        scene.RestartCycle();
        QCOMPARE(scene.PreviousStep(), scene.m_steps.at(2));
        CSceneStep foreign;
        scene.m_currentStep = &foreign;
        QCOMPARE(scene.CurrentStepIndex(), -1);
        QVERIFY(!scene.PreviousStep());
        scene.m_currentStep = nullptr;
    }

    void fadeOutStates()
    {
        CLibraryProfile profile;
        AddColorSet(profile, ChannelType::Red);
        profile.AnalyseChannels();
        CPatchedFixture fixture(0, 0, 1, -1, QStringLiteral("L"), &profile, false, false, 0);

        CScene scene(QStringLiteral("S"), 4);
        CSceneStep* step = AddStep(scene, 0, 1000);
        CStepFixture* entry = step->AddEntry(new CStepFixture(&fixture, &scene));
        entry->SetLevel(0, 200, true, false);
        scene.m_fadeOut = 2000;
        scene.m_fadeIn = 500;
        QVERIFY(scene.Start());
        QVERIFY(scene.IsFadeOutDone()); // none has begun

        scene.m_cyclePosition = 640;
        scene.BeginFadeOut(false);
        QCOMPARE(scene.m_positionOrigin, 640);
        QCOMPARE(scene.m_fadeOutCounter, 0);
        QCOMPARE(scene.m_fadeInCounter, 500); // any fade-in counts as over
        QCOMPARE(scene.m_runningFadeOutLength, 2000);
        QVERIFY(scene.m_fadingOut);
        QVERIFY(scene.m_stopping);
        QVERIFY(!scene.m_noLoopCount);
        // The transition step drives the same fixtures, all at zero.
        CSceneStep* transition = scene.m_transitionStep;
        QVERIFY(transition && transition != step);
        QCOMPARE(int(transition->FindEntry(&fixture)->Level(0)), 0);
        QCOMPARE(int(entry->Level(0)), 200);
        QVERIFY(!scene.IsFadeOutDone());
        scene.m_fadeOutCounter = 1999;
        QVERIFY(!scene.IsFadeOutDone());
        scene.m_fadeOutCounter = 2000;
        QVERIFY(scene.IsFadeOutDone());
        scene.BeginFadeOut(false);
        QCOMPARE(scene.m_transitionStep, transition);

        // Custom release: a delay is waited, the passes stop counting.
        scene.m_fadeOutDelay = 500;
        scene.m_customFadeOut = 0;
        scene.BeginFadeOut(true);
        QVERIFY(scene.m_fadingOut);
        QVERIFY(scene.m_noLoopCount);
        QVERIFY(scene.InFadeOutDelay());
        QVERIFY(!scene.IsFadeOutDone());
        scene.m_fadeOutDelayCounter = 500;
        QVERIFY(scene.IsFadeOutDone()); // no custom fade after the delay
        scene.m_customFadeOut = 1000;
        scene.BeginFadeOut(true);
        scene.m_fadeOutDelayCounter = 500;
        scene.m_fadeOutCounter = 999;
        QVERIFY(!scene.IsFadeOutDone());
        scene.m_fadeOutCounter = 1000;
        QVERIFY(scene.IsFadeOutDone());

        // Without a fade-out time the release is done at once.
        CScene cut(QStringLiteral("C"), 1);
        AddStep(cut, 0, 1000);
        QVERIFY(cut.Start());
        cut.BeginFadeOut(false);
        QVERIFY(!cut.m_fadingOut);
        QVERIFY(cut.IsFadeOutDone());
    }

    void copiesAreDeepAndStartIdle()
    {
        EffectOperationsGuard effects;
        CLibraryProfile profile;
        AddDimmer(profile);
        profile.AnalyseChannels();
        CPatchedFixture fixture(3, 1, 1, -1, QStringLiteral("D"), &profile, false, false, 0);

        {
            CScene source(QStringLiteral("Wash"), 2);
            MakeTwoSteps(source);
            source.m_effects << FakeEffect(0);
            source.m_steps.at(1)->m_effect = FakeEffect(0);
            source.m_steps.first()->AddEntry(new CStepFixture(&fixture, &source))->SetLevel(0, 90, true, false);
            source.OverrideMask(1)->Set(3);
            source.m_fadeIn = 1200;
            source.m_loopCount = 2;
            source.m_position = 5;
            source.SetSpeed(80);
            source.m_blackout = true;
            source.m_triggers.m_shortCut.m_key = 65;
            source.m_playInCurrentPage = true;
            QVERIFY(source.Start());

            CScene bare(source, false, false, false);
            QCOMPARE(bare.GetName(), QStringLiteral("Wash"));
            QCOMPARE(bare.UniverseCount(), 2);
            QVERIFY(bare.m_steps.isEmpty());
            QVERIFY(bare.m_effects.isEmpty());
            QVERIFY(!bare.m_currentStep);
            QCOMPARE(bare.m_cycleLength, 5000);
            QCOMPARE(bare.m_fadeIn, 1200);
            QCOMPARE(int(bare.m_loopCount), 2);
            QCOMPARE(bare.m_position, -1);
            QVERIFY(bare.IsChannelActive(1, 3));
            QVERIFY(!bare.OverrideMask(1)->Test(3));
            QCOMPARE(bare.Speed(), 50);
            QVERIFY(!bare.m_blackout);
            QCOMPARE(bare.m_triggers.m_shortCut.m_key, -1);
            QVERIFY(!bare.m_playInCurrentPage);
            QCOMPARE(bare.m_fadeOutCounter, -1);

            CScene full(source, true, true, true);
            QCOMPARE(full.Speed(), 80);
            QVERIFY(full.m_blackout);
            QCOMPARE(full.m_triggers.m_shortCut.m_key, 65);
            QVERIFY(full.m_playInCurrentPage);
            QCOMPARE(full.m_steps.size(), 2);
            QVERIFY(full.m_steps.first() != source.m_steps.first());
            CStepFixture* copied = full.m_steps.first()->FindEntry(&fixture);
            QCOMPARE(copied->Scene(), &full);
            QCOMPARE(int(copied->Level(0)), 90);
            // Generated steps follow the clone of their effect; hand-made ones have none.
            QCOMPARE(full.m_effects, QList<CEffect*>({FakeEffect(1)}));
            QCOMPARE(full.m_steps.at(1)->m_effect, FakeEffect(1));
            QVERIFY(!full.m_steps.at(0)->m_effect);
        }
        QCOMPARE(g_destroyed, 2); // the source's effect and the clone
    }

    void fixturesAcrossSteps()
    {
        EffectOperationsGuard effects;
        CLibraryProfile profile;
        AddColorSet(profile, ChannelType::Red);
        profile.AnalyseChannels();
        CPatchedFixture a(0, 0, 1, -1, QStringLiteral("A"), &profile, false, false, 0);
        CPatchedFixture b(3, 0, 2, -1, QStringLiteral("B"), &profile, false, false, 0);
        CPatchedFixture c(6, 0, 3, -1, QStringLiteral("C"), &profile, false, false, 0);

        CScene scene(QStringLiteral("S"), 1);
        CSceneStep* first = AddStep(scene, 0, 100);
        CSceneStep* second = AddStep(scene, 0, 100);
        first->AddEntry(new CStepFixture(&a, &scene))->SetLevel(0, 50, true, false);
        second->AddEntry(new CStepFixture(&b, &scene));
        scene.AddMissingEntries(second, first);
        QCOMPARE(first->EntryCount(), 2);
        QCOMPARE(second->EntryCount(), 2);
        QCOMPARE(int(second->FindEntry(&a)->Level(0)), 0);
        QCOMPARE(int(first->FindEntry(&a)->Level(0)), 50);

        QVERIFY(scene.UsesNoneOf({&c}));
        QVERIFY(!scene.UsesNoneOf({&c, &b}));
        // A generated step is judged by its effect's fixtures, not its entries.
        CSceneStep* generated = AddStep(scene, 0, 100);
        generated->m_effect = FakeEffect(0);
        generated->AddEntry(new CStepFixture(&c, &scene));
        QVERIFY(scene.UsesNoneOf({&c}));
        g_effectFixtures = {&c};
        QVERIFY(!scene.UsesNoneOf({&c}));
    }

    // Every step gets, in order, each fixture of step a's entries, then of
    // step b's, that it lacks; steps of any order, the two steps too.
    // Steps are written as their fixtures' letters, "-" for none.
    void alignmentAppendsWhatEachStepLacks_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("aligned");
        QTest::newRow("a new fixture") << "AB AB C" << 2 << 0 << "ABC ABC CAB";
        QTest::newRow("steps of other orders") << "AB BA C" << 2 << 0 << "ABC BAC CAB";
        QTest::newRow("steps lacking part of the first") << "ABC A DB" << 2 << 0 << "ABCD ADBC DBAC";
        QTest::newRow("one step as both") << "AB C" << 0 << 0 << "AB CAB";
        QTest::newRow("an empty step") << "AB -" << 1 << 0 << "AB AB";
    }
    void alignmentAppendsWhatEachStepLacks()
    {
        QFETCH(QString, steps);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, aligned);
        CLibraryProfile profile;
        AddChannel(profile, ChannelType::Zoom);
        profile.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> fixtures;
        for (int f = 0; f < 4; ++f)
            fixtures.push_back(std::make_unique<CPatchedFixture>(f, 0, f + 1, -1, QString(QChar('A' + f)), &profile,
                                                                 false, false, 0));
        CScene scene(QStringLiteral("S"), 1);
        for (const QString& letters : steps.split(' ')) {
            CSceneStep* step = AddStep(scene, 0, 100);
            for (const QChar letter : letters) {
                if (letter != '-')
                    step->AddEntry(new CStepFixture(fixtures.at(size_t(letter.unicode() - 'A')).get(), &scene));
            }
        }
        scene.AddMissingEntries(scene.m_steps.at(a), scene.m_steps.at(b));
        QStringList lists;
        for (const CSceneStep* step : scene.m_steps) {
            QString letters;
            for (const CStepFixture* entry : step->m_entries)
                letters += entry->Fixture()->m_name;
            lists << letters;
        }
        QCOMPARE(lists.join(' '), aligned);
    }

    void liveParametersAndTexts()
    {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
        CScene scene(QStringLiteral("S"), 1);
        QCOMPARE(scene.Speed(), 50);
        QCOMPARE(scene.Dimmer(), 50);
        scene.SetSpeed(150);
        scene.SetDimmer(-3);
        QCOMPARE(scene.Speed(), 100);
        QCOMPARE(scene.Dimmer(), 0);

        scene.SetCustomFadeIn(QTime(0, 1, 5, 432));
        QCOMPARE(scene.m_customFadeIn, 65432);
        QCOMPARE(scene.CustomFadeInText(), QStringLiteral("01m 05s 432"));
        QCOMPARE(scene.FadeOutDelayText(), QStringLiteral("00m 00s 000"));
        scene.SetFadeIn(QTime(1, 0, 0));
        QCOMPARE(scene.m_fadeIn, 3600000);
        QCOMPARE(scene.DynamicFadeInText(), GetLangText(Txt::Static));
        scene.m_dynamicFadeIn = true;
        QCOMPARE(scene.DynamicFadeInText(), QStringLiteral("Dynamic"));
    }

    void triggersMatch()
    {
        CScene scene(QStringLiteral("S"), 1);
        QVERIFY(!scene.HasTriggers());
        QVERIFY(!scene.MatchShortCut(-1, true));
        scene.m_triggers.m_shortCut.m_key = 0;
        QVERIFY(scene.HasTriggers());
        QVERIFY(scene.MatchShortCut(0, true));
        QVERIFY(!scene.MatchShortCut(0, false));
        scene.m_playInCurrentPage = true;
        QVERIFY(scene.MatchShortCut(0, false));

        scene.m_triggers.m_midiTrigger.m_mode = 1;
        scene.m_triggers.m_midiTrigger.m_channel = 2;
        scene.m_triggers.m_midiTrigger.m_number = 60;
        QVERIFY(scene.MatchMidiTrigger(1, 2, 60, false));
        QVERIFY(!scene.MatchMidiTrigger(1, 2, 61, false));

        scene.m_triggers.m_saInputs = {0, 5, 0};
        QVERIFY(scene.MatchDeviceTrigger(9, 5, 9, true));
        QVERIFY(!scene.MatchDeviceTrigger(0, 0, 0, true)); // an idle input matches nothing
        QVERIFY(!scene.MatchDeviceTrigger(5, 0, 5, true));

        CScene dmx(QStringLiteral("D"), 1);
        dmx.m_triggers.m_dmxTrigger.m_mode = 2;
        QVERIFY(dmx.HasTriggers());
    }

    void effectScenesStartThroughTheBuilder()
    {
        EffectOperationsGuard effects;
        CEffectScene scene(QStringLiteral("Rainbow"), 2);
        QVERIFY(scene.IsEffectScene());
        QVERIFY(!scene.IsDynamic());
        // The engine's builder goes back afterwards: later tests start effect scenes.
        const EffectStepBuilder installed = SetEffectStepBuilder(&BuildOneStep);
        QVERIFY(!scene.Start()); // no effect

        scene.m_effects << FakeEffect(0);
        QVERIFY(scene.IsDynamic());
        SetEffectStepBuilder(nullptr);
        QVERIFY(!scene.Start());
        SetEffectStepBuilder(&BuildNothing);
        QVERIFY(!scene.Start());
        SetEffectStepBuilder(&BuildOneStep);
        scene.ActiveMask(1)->Set(7);
        QVERIFY(scene.Start());
        QCOMPARE(scene.CurrentStepIndex(), 0);
        QCOMPARE(scene.m_cycleLength, 400);
        QVERIFY(!scene.IsChannelActive(1, 7)); // regenerated from scratch
        SetEffectStepBuilder(installed);

        scene.m_channelStaticLevels << CStaticChannelLevel{1, 20, 128};
        scene.m_modeStaticLevels << CModeStaticLevels{QStringLiteral("Par.kvp"), 1, {{0, 255}}};
        CPatchedFixture driven(0, 0);
        scene.m_drivenFixtures << &driven;
        scene.SetStaticChannels(1, {20, 21});
        scene.SetStaticChannels(5, {1}); // no such universe: ignored

        CEffectScene lists(scene, true, false, false, false);
        QCOMPARE(lists.m_channelStaticLevels.size(), 1);
        QCOMPARE(int(lists.m_channelStaticLevels.first().m_level), 128);
        QCOMPARE(lists.m_modeStaticLevels.first().m_profile, QStringLiteral("Par.kvp"));
        QCOMPARE(lists.m_drivenFixtures, QList<CPatchedFixture*>({&driven}));
        QCOMPARE(lists.StaticChannels(1), QList<int>({20, 21}));
        QVERIFY(lists.m_effects.isEmpty());

        CEffectScene noLists(scene, false, false, false, true);
        QCOMPARE(noLists.m_channelStaticLevels.size(), 1);
        QVERIFY(noLists.m_drivenFixtures.isEmpty());
        QVERIFY(noLists.StaticChannels(1).isEmpty());
        QCOMPARE(noLists.m_effects, QList<CEffect*>({FakeEffect(1)}));
        QCOMPARE(noLists.m_steps.size(), 1);
    }

    void buttonPictureIsHighlightedWhereItIsDrawn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        image.setPixelColor(0, 0, QColor(0, 0, 255));
        const QString path = dir.filePath(QStringLiteral("button.png"));
        QVERIFY(image.save(path));

        CScene scene(QStringLiteral("S"), 1);
        scene.m_buttonPicture = path;
        scene.LoadButtonPicture();
        QVERIFY(scene.m_pictureMissing); // the default picture is asked for

        scene.m_defaultButtonPicture = false;
        scene.LoadButtonPicture();
        QVERIFY(!scene.m_pictureMissing);
        const QColor lit = scene.m_highlightedPicture.pixelColor(0, 0);
        // Half of (255, 190, 80) over blue.
        QVERIFY(qAbs(lit.red() - 128) <= 1);
        QVERIFY(qAbs(lit.green() - 95) <= 1);
        QVERIFY(qAbs(lit.blue() - 168) <= 1);
        QCOMPARE(scene.m_highlightedPicture.pixelColor(1, 1).alpha(), 0);

        scene.m_buttonPicture = dir.filePath(QStringLiteral("missing.png"));
        scene.LoadButtonPicture();
        QVERIFY(scene.m_pictureMissing);

        // Not a picture at all, and a picture far too large to be a button.
        const QString junk = dir.filePath(QStringLiteral("junk.png"));
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        file.close();
        scene.m_buttonPicture = junk;
        scene.LoadButtonPicture();
        QVERIFY(scene.m_pictureMissing);
        QImage huge(5000, 2, QImage::Format_RGB32);
        huge.fill(Qt::red);
        const QString hugePath = dir.filePath(QStringLiteral("huge.png"));
        QVERIFY(huge.save(hugePath));
        scene.m_buttonPicture = hugePath;
        scene.LoadButtonPicture();
        QVERIFY(scene.m_pictureMissing);
    }
};

ORVANE_TEST(SceneModelTest)
#include "SceneModelTest.moc"
