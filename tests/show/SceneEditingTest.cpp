#include "DataTable.h"
#include "LevelLists.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/StepAlignment.h"

#include <QtTest>

#include <memory>
#include <utility>

using namespace ProfileBuilder;

namespace {

// A scene on the rig's page laid out as steps [A, B(e1), C(e1), D(e2), E],
// each step driving fixture `fixture` at a level that names it.
struct RowScene
{
    CScene* scene = nullptr;
    CSceneStep *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, *e = nullptr;
    CEffect* e1 = nullptr;
    CEffect* e2 = nullptr;

    RowScene(CPlaybackRig& rig, CPatchedFixture* fixture)
    {
        scene = rig.AddScene(QStringLiteral("Rows"));
        a = rig.AddStep(scene, 0, 1000, {{fixture, {1, 0, 0}}});
        b = rig.AddStep(scene, 0, 1000, {{fixture, {2, 0, 0}}});
        c = rig.AddStep(scene, 0, 1000, {{fixture, {3, 0, 0}}});
        d = rig.AddStep(scene, 0, 1000, {{fixture, {4, 0, 0}}});
        e = rig.AddStep(scene, 0, 1000, {{fixture, {5, 0, 0}}});
        e1 = new CGradientEffect;
        e2 = new CGradientEffect;
        scene->m_effects << e1 << e2;
        b->m_effect = c->m_effect = e1;
        d->m_effect = e2;
    }
};

// Steps written as "0 1|0 2": each of the fixtures named, by their index,
// at a level that names the step; in a clipboard, "o1" is the scene's own
// second step.
QList<CSceneStep*> StepsOf(CScene& scene, const QString& text, const QList<CPatchedFixture*>& fixtures)
{
    QList<CSceneStep*> steps;
    for (const QString& step : text.split(QLatin1Char('|'))) {
        if (step.startsWith(QLatin1Char('o'))) {
            steps << scene.m_steps.at(step.mid(1).toInt());
            continue;
        }
        steps << new CSceneStep(0, 1000);
        for (const QString& f : step.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            auto* entry = new CStepFixture(fixtures.at(f.toInt()), &scene);
            entry->SetLevel(0, quint8(10 + steps.size()), true, true);
            steps.last()->AddEntry(entry);
        }
    }
    return steps;
}

// Every step's fixtures, in order, with the level of their first channel.
QString EntriesText(const CScene& scene)
{
    QStringList steps;
    for (const CSceneStep* step : scene.m_steps) {
        QStringList entries;
        for (const CStepFixture* entry : step->m_entries)
            entries << QStringLiteral("%1:%2").arg(entry->Fixture()->m_id).arg(entry->Level(0));
        steps << entries.join(QLatin1Char(' '));
    }
    return steps.join(QLatin1Char('|'));
}

QList<int> Sorted(QList<int> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

class SceneEditingTest : public QObject
{
    Q_OBJECT

    CScene::EffectRowGenerator m_engineGenerator = nullptr;

private slots:
    void initTestCase()
    {
        RegisterEffectOperations();
        m_engineGenerator = CScene::SetEffectRowGenerator(nullptr);
        CScene::SetEffectRowGenerator(m_engineGenerator);
    }
    // The tests after these generate effect rows with the engine again.
    void cleanupTestCase() { CScene::SetEffectRowGenerator(m_engineGenerator); }

    void rowsGroupRunsOfOneEffect()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        RowScene s(rig, rgb);

        QCOMPARE(s.scene->RowCount(), 4);
        QCOMPARE(s.scene->RowToStepIndex(0), 0);
        QCOMPARE(s.scene->RowToStepIndex(1), 1);
        QCOMPARE(s.scene->RowToStepIndex(2), 3);
        QCOMPARE(s.scene->RowToStepIndex(3), 4);
        QCOMPARE(s.scene->RowToStepIndex(4), -1);
        QCOMPARE(s.scene->RowToStepIndex(-1), -1);
        QCOMPARE(s.scene->StepToRow(s.b), 1);
        QCOMPARE(s.scene->StepToRow(s.c), 1);
        QCOMPARE(s.scene->StepToRow(s.e), 3);
        QCOMPARE(s.scene->StepAtRow(2), s.d);
        QCOMPARE(s.scene->StepAtRow(4), nullptr);
        CSceneStep stranger;
        QCOMPARE(s.scene->StepToRow(&stranger), -1);

        // Two hand-made steps side by side stay two rows; one effect split
        // by another step makes two rows too.
        s.e->m_effect = s.e1;
        QCOMPARE(s.scene->RowCount(), 4);
        s.a->m_effect = s.e1;
        QCOMPARE(s.scene->RowCount(), 3); // A+B+C, D, E
        QCOMPARE(s.scene->StepToRow(s.e), 2);
    }

    void selectingRowsTakesTheirSteps()
    {
        CPlaybackRig rig;
        RowScene s(rig, rig.Patch(rig.RgbProfile(), 0, 0));

        s.scene->SelectRow(1);
        QCOMPARE(s.scene->m_currentStep, s.b);
        QCOMPARE(s.scene->m_selection, QList<CSceneStep*>({s.b, s.c}));
        s.scene->SelectRow(3);
        s.scene->SelectRow(1); // already there: not listed twice
        QCOMPARE(s.scene->m_selection, QList<CSceneStep*>({s.b, s.c, s.e}));
        QCOMPARE(s.scene->m_currentStep, s.b);

        s.scene->SelectRow(7);
        QCOMPARE(s.scene->m_currentStep, nullptr);
        QCOMPARE(s.scene->m_selection.size(), 3);
        s.scene->ClearSelection();
        QVERIFY(s.scene->m_selection.isEmpty());

        // Several rows at once, as the editor selects them: each in turn,
        // the last one's first step current.
        s.scene->SelectRows({3, s.scene->RowCount(), 0, 3, 1});
        QCOMPARE(s.scene->m_selection, QList<CSceneStep*>({s.e, s.a, s.b, s.c}));
        QCOMPARE(s.scene->m_currentStep, s.b);
        s.scene->SelectRows({2, s.scene->RowCount()});
        QCOMPARE(s.scene->m_selection, QList<CSceneStep*>({s.e, s.a, s.b, s.c, s.d}));
        QCOMPARE(s.scene->m_currentStep, nullptr);
    }

    void insertingStepsAfterARow()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* other = rig.Patch(rig.RgbProfile(), 0, 10);
        RowScene s(rig, rgb);

        // The operator set the second fixture's red in the edit layer.
        rig.project.m_edit[0][10] = 200;
        rig.project.m_editMask[0][10] = 1;
        CSceneStep* added = s.scene->InsertStep(1, false, nullptr, rig.project);
        QCOMPARE(s.scene->m_steps.indexOf(added), 3); // after C
        QCOMPARE(s.scene->m_currentStep, added);
        QCOMPARE(added->m_fade, 0);
        QCOMPARE(added->m_wait, 1000);
        QCOMPARE(added->FindEntry(other)->Level(0), quint8(200));
        QVERIFY(s.scene->IsChannelActive(0, 10));
        // Every step now drives both fixtures; the new one was given the
        // first step's fixture, the others the new one's.
        for (const CSceneStep* step : s.scene->m_steps) {
            QVERIFY(step->FindEntry(rgb));
            QVERIFY(step->FindEntry(other));
        }
        QCOMPARE(s.scene->m_cycleLength, 6000);
        QCOMPARE(s.scene->m_firstPassLength, 6000);

        // A missing row puts the step first.
        CSceneStep* first = s.scene->InsertStep(9, false, nullptr, rig.project);
        QCOMPARE(s.scene->m_steps.first(), first);
        QVERIFY(first->FindEntry(rgb)); // from the step that was first

        // A hand-made template is copied, levels and times; an effect step
        // is not a template: the new step is captured instead.
        s.a->m_fade = 300;
        CSceneStep* copy = s.scene->InsertStep(s.scene->StepToRow(s.a), false, s.a, rig.project);
        QCOMPARE(s.scene->m_steps.indexOf(copy), s.scene->m_steps.indexOf(s.a) + 1);
        QCOMPARE(copy->m_fade, 300);
        QCOMPARE(copy->FindEntry(rgb)->Level(0), quint8(1));
        QCOMPARE(copy->m_effect, nullptr);
        CSceneStep* captured = s.scene->InsertStep(0, false, s.b, rig.project);
        QCOMPARE(captured->m_effect, nullptr);
        QCOMPARE(captured->m_fade, 0);
        QCOMPARE(captured->FindEntry(other)->Level(0), quint8(200));
    }

    void pastingClonesEachEffectRunOnce()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* other = rig.Patch(rig.RgbProfile(), 0, 10);
        RowScene s(rig, rgb);

        // The clipboard of another scene: [B'(e), C'(e), X].
        CScene source(QStringLiteral("Source"), rig.project.UniverseCount());
        auto* e = new CGradientEffect;
        source.m_effects << e;
        CSceneStep* b2 = rig.AddStep(&source, 100, 200, {{other, {7, 0, 0}}});
        CSceneStep* c2 = rig.AddStep(&source, 100, 300, {{other, {8, 0, 0}}});
        CSceneStep* x = rig.AddStep(&source, 0, 400, {{other, {9, 0, 0}}});
        b2->m_effect = c2->m_effect = e;
        const QList<CSceneStep*> clipboard{b2, c2, x};

        s.scene->PasteSteps(0, clipboard);
        QCOMPARE(s.scene->m_steps.size(), 8);
        CSceneStep* pb = s.scene->m_steps[1];
        CSceneStep* pc = s.scene->m_steps[2];
        CSceneStep* px = s.scene->m_steps[3];
        QCOMPARE(pb->m_wait, 200);
        QCOMPARE(pc->m_wait, 300);
        QCOMPARE(px->m_wait, 400);
        QVERIFY(pb->m_effect);
        QVERIFY(pb->m_effect != e);
        QCOMPARE(pc->m_effect, pb->m_effect);
        QCOMPARE(px->m_effect, nullptr);
        QCOMPARE(s.scene->EffectCount(), 3);
        QCOMPARE(s.scene->m_effects.last(), pb->m_effect);
        QCOMPARE(s.scene->m_currentStep, px);
        QCOMPARE(s.scene->RowCount(), 6);
        // Foreign steps brought their fixture: every step drives both.
        for (const CSceneStep* step : s.scene->m_steps)
            QVERIFY(step->FindEntry(rgb) && step->FindEntry(other));
        // 1000 + (0+1000)*4 + (100+200) + (100+300) + 400
        QCOMPARE(s.scene->m_firstPassLength, 6100);
        // The clipboard is untouched and pastes again with a second clone.
        QCOMPARE(b2->m_effect, e);
        s.scene->PasteSteps(s.scene->RowCount() - 1, clipboard);
        QCOMPARE(s.scene->EffectCount(), 4);
        QVERIFY(s.scene->m_steps[8]->m_effect != pb->m_effect);
    }

    // A paste leaves each step as if the whole scene had been aligned after
    // each foreign step came in, on that step and the step that was first.
    void pasteAlignsAsEachStepAlignedTheWholeScene_data()
    {
        Columns<QString, QString, int>("steps", "clipboard", "row");
        QTest::newRow("steps of the scene's fixtures") << "0 1|0 1|0 1" << "0 1|0 1|1 0" << 2;
        QTest::newRow("a later step brings a fixture") << "0 1|0 1" << "0 1|0 1 2|0 1|3" << 0;
        QTest::newRow("steps of fewer fixtures") << "0 1|0 1" << "1|1|0" << 1;
        QTest::newRow("before the first step") << "0 1|0 1" << "2|0 1|0 1" << -1;
        QTest::newRow("own steps between foreign ones") << "0 1|0 1" << "0 1|o0|3|o1|0" << 1;
        QTest::newRow("steps that drove other fixtures") << "0|1|0 2" << "0|0|3|0" << 2;
        QTest::newRow("own steps alone") << "0|1" << "o0|o1" << 0;
    }
    void pasteAlignsAsEachStepAlignedTheWholeScene()
    {
        const auto [steps, clipboard, row] = Row<QString, QString, int>("steps", "clipboard", "row");
        CPlaybackRig rig;
        QList<CPatchedFixture*> fixtures;
        for (int f = 0; f < 4; ++f)
            fixtures << rig.Patch(rig.RgbProfile(), 0, 10 * f);
        CScene* pasted = rig.AddScene(QStringLiteral("Pasted"));
        CScene* aligned = rig.AddScene(QStringLiteral("Aligned"));
        QList<CSceneStep*> sources;
        for (CScene* scene : {pasted, aligned}) {
            scene->m_steps = StepsOf(*scene, steps, fixtures);
            sources = StepsOf(*scene, clipboard, fixtures);
            if (scene == pasted) {
                pasted->PasteSteps(row, sources);
            } else {
                CSceneStep* first = aligned->m_steps.value(0);
                const QList<CSceneStep*> own = aligned->m_steps;
                int at = row + 1;
                for (CSceneStep* source : qAsConst(sources)) {
                    auto* copy = new CSceneStep(aligned, *source, nullptr);
                    aligned->m_steps.insert(at++, copy);
                    if (!own.contains(source))
                        aligned->AddMissingEntries(copy, first);
                }
            }
            for (CSceneStep* source : qAsConst(sources)) {
                if (!scene->m_steps.contains(source))
                    delete source;
            }
        }
        QCOMPARE(EntriesText(*pasted), EntriesText(*aligned));
    }

    // Steps of the scene's own fixtures are aligned once each, not once
    // for every step pasted after them.
    void pasteAlignsEachStepAboutOnce()
    {
        CPlaybackRig rig;
        const QList<CPatchedFixture*> fixtures{rig.Patch(rig.RgbProfile(), 0, 0), rig.Patch(rig.RgbProfile(), 0, 10)};
        CScene* scene = rig.AddScene(QStringLiteral("Long"));
        CScene source(QStringLiteral("Source"), rig.project.UniverseCount());
        const QString steps = QStringLiteral("0 1|").repeated(1000).chopped(1);
        scene->m_steps = StepsOf(*scene, steps, fixtures);
        source.m_steps = StepsOf(source, steps, fixtures);
        const quint64 before = CStepAlignment::StepsAligned();
        scene->PasteSteps(scene->RowCount() - 1, source.m_steps);
        QCOMPARE(scene->m_steps.size(), 2000);
        QVERIFY2(CStepAlignment::StepsAligned() - before <= 2 * 2000,
                 QByteArray::number(CStepAlignment::StepsAligned() - before));
    }

    void removingStepsDropsEffectsNoLongerUsed()
    {
        CPlaybackRig rig;
        RowScene s(rig, rig.Patch(rig.RgbProfile(), 0, 0));

        // Half of e1's row: e1 stays.
        s.scene->m_selection = {s.b};
        s.scene->RemoveSelectedSteps(true);
        QCOMPARE(s.scene->EffectCount(), 2);
        QVERIFY(s.scene->m_selection.isEmpty());
        // The rest of it, listed twice, and a step of no scene: deleted once.
        CSceneStep stranger;
        s.scene->m_selection = {s.c, s.c, &stranger};
        s.scene->RemoveSelectedSteps(true);
        QCOMPARE(s.scene->m_effects, QList<CEffect*>({s.e2}));
        QCOMPARE(s.scene->m_steps, QList<CSceneStep*>({s.a, s.d, s.e}));
        QCOMPARE(s.scene->m_firstPassLength, 3000);

        // Cut: the steps and the effect leave the scene but live on.
        s.scene->m_selection = {s.d};
        s.scene->RemoveSelectedSteps(false);
        QVERIFY(s.scene->m_effects.isEmpty());
        QCOMPARE(s.d->m_effect, s.e2);
        delete s.d;
        delete s.e2;
        QCOMPARE(s.scene->m_steps, QList<CSceneStep*>({s.a, s.e}));
    }

    // A selection of `selected` of 40 steps, every third listed twice and
    // each followed by a step of no scene: a step added keeps what is the
    // scene's, in its order; removing the selection takes each step once,
    // in the scene's order, whatever their count. 6 steps make a selection
    // of 14, 7 one of 17, past the 16 searched without a set.
    void aSelectionOfManyStepsIsKeptAndRemoved_data()
    {
        Columns<int>("selected");
        for (int selected : {1, 6, 7, 40})
            QTest::addRow("%d selected", selected) << selected;
    }
    void aSelectionOfManyStepsIsKeptAndRemoved()
    {
        const auto [selected] = Row<int>("selected");
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Many"));
        QList<CSceneStep*> steps;
        for (int i = 0; i < 40; ++i)
            steps << rig.AddStep(scene, 0, 1000, {{rgb, {quint8(i), 0, 0}}});
        std::vector<std::unique_ptr<CSceneStep>> strangers;
        QList<CSceneStep*> chosen;
        for (int i = 0; i < selected; ++i)
            chosen << steps[(i * 7) % 40]; // 7 and 40 share no factor: no step twice
        for (int i = 0; i < selected; ++i) {
            scene->m_selection << chosen[i];
            if (i % 3 == 0)
                scene->m_selection << chosen[i];
            strangers.push_back(std::make_unique<CSceneStep>());
            scene->m_selection << strangers.back().get();
        }
        QList<CSceneStep*> kept;
        for (CSceneStep* step : scene->m_selection) {
            if (steps.contains(step))
                kept << step;
        }
        scene->InsertStep(scene->RowCount() - 1, false, nullptr, rig.project);
        QCOMPARE(scene->m_selection, kept);

        QList<CSceneStep*> left = scene->m_steps;
        for (CSceneStep* step : chosen)
            left.removeOne(step);
        scene->RemoveSelectedSteps(true);
        QCOMPARE(scene->m_steps, left);
        QVERIFY(scene->m_selection.isEmpty());
    }

    void removingTheCurrentStepMovesToTheNearestOne()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Edited"));
        CSceneStep* s0 = rig.AddStep(scene, 0, 1000, {{rgb, {10, 0, 0}}});
        CSceneStep* s1 = rig.AddStep(scene, 0, 1000, {{rgb, {20, 0, 0}}});
        CSceneStep* s2 = rig.AddStep(scene, 0, 1000, {{rgb, {30, 0, 0}}});
        rig.project.m_editedScene = scene;
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(50); // 1250 ms: the second step
        QCOMPARE(scene->m_currentStep, s1);
        QCOMPARE(rig.Played(0, 0), 20);

        scene->m_selection = {s1};
        scene->RemoveSelectedSteps(true);
        QCOMPARE(scene->m_currentStep, s2);
        QCOMPARE(scene->m_currentStepIndex, 1);
        QCOMPARE(scene->m_cycleLength, 2000);
        rig.Tick();
        QCOMPARE(rig.Played(0, 0), 30);

        // The last step: back to the one before it.
        scene->m_selection = {s2};
        scene->RemoveSelectedSteps(true);
        QCOMPARE(scene->m_currentStep, s0);
        QCOMPARE(scene->m_currentStepIndex, 0);
        rig.Tick(3);

        // Nothing left: no current step, and the tick carries on.
        scene->m_selection = {s0};
        scene->RemoveSelectedSteps(true);
        QCOMPARE(scene->m_currentStep, nullptr);
        QCOMPARE(scene->m_cycleLength, 0);
        rig.Tick(3);
    }

    void removingAnEarlierStepKeepsThePlayingOne()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Edited"));
        CSceneStep* s0 = rig.AddStep(scene, 0, 1000, {{rgb, {10, 0, 0}}});
        CSceneStep* s1 = rig.AddStep(scene, 0, 1000, {{rgb, {20, 0, 0}}});
        rig.AddStep(scene, 0, 1000, {{rgb, {30, 0, 0}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick(50); // 250 ms into the second step
        const int stepTime = scene->m_stepTime;
        scene->m_selection = {s0};
        scene->RemoveSelectedSteps(true);
        QCOMPARE(scene->m_currentStep, s1);
        QCOMPARE(scene->m_currentStepIndex, 0);
        QCOMPARE(scene->m_stepTime, stepTime);
        QCOMPARE(scene->m_stepEnd, 1000);
    }

    void remappingReadsEveryBlockFromTheMasksAsTheyWere()
    {
        CPlaybackRig rig;
        CScene* scene = rig.AddScene(QStringLiteral("Moved"));
        for (int slot : {1, 2, 4})
            scene->ActiveMask(0)->Set(slot);
        scene->ActiveMask(1)->Set(100);

        // (u0 1..4 -> 3..6) and (u0 3..4 -> 1..2): slots 3..6 get the old
        // 1..4 = 1,1,0,1 and slots 1..2 the old 3..4 = 0,1. Reading the first
        // block's result would leave 1..2 at 0,0 and 4 at 0.
        scene->RemapChannels({0, 0}, {1, 3}, {0, 0}, {3, 1}, {4, 2});
        QCOMPARE(ActiveSlots(*scene, 0, 0, 10), QList<int>({2, 3, 4, 6}));
        QCOMPARE(ActiveSlots(*scene, 1), QList<int>({100}));

        // To another universe; the part of a block past slot 511 stays put.
        scene->RemapChannels({1}, {100}, {2}, {510}, {1});
        QCOMPARE(ActiveSlots(*scene, 1), QList<int>());
        QCOMPARE(ActiveSlots(*scene, 2), QList<int>({510}));
        scene->RemapChannels({2}, {508}, {3}, {509}, {4});
        QCOMPARE(ActiveSlots(*scene, 3), QList<int>({511}));
        QCOMPARE(ActiveSlots(*scene, 2), QList<int>());

        // Records that name no universe of the scene, have no length, or
        // that the other lists lack, change nothing.
        scene->RemapChannels({9}, {2}, {0}, {0}, {3});
        scene->RemapChannels({0}, {2}, {-1}, {0}, {3});
        scene->RemapChannels({0}, {2}, {0}, {0}, {0});
        scene->RemapChannels({0}, {2}, {0}, {0}, {});
        QCOMPARE(ActiveSlots(*scene, 0, 0, 10), QList<int>({2, 3, 4, 6}));
        // The new addresses count the blocks: a second old block is ignored.
        scene->RemapChannels({0, 0}, {6, 2}, {0, 0}, {8}, {1, 1});
        QCOMPARE(ActiveSlots(*scene, 0, 0, 10), QList<int>({2, 3, 4, 8}));
    }

    void effectScenesRemapStaticChannelsInTwoPasses()
    {
        CEffectScene scene(QStringLiteral("Effect"), 2);
        scene.SetStaticChannels(0, {1, 2, 4, 50});
        for (int slot : {1, 2, 4})
            scene.ActiveMask(0)->Set(slot);

        scene.RemapChannels({0, 0}, {1, 3}, {0, 0}, {3, 1}, {4, 2});
        // 1 -> 3, 2 -> 4, 4 -> 6 (first block) and 4 -> 2 (second block);
        // 50 lies in no block. Moving one after the other would give
        // {1, 2, 6, 50}.
        QCOMPARE(Sorted(scene.StaticChannels(0)), QList<int>({2, 3, 4, 6, 50}));
        QCOMPARE(ActiveSlots(scene, 0, 0, 10), QList<int>({2, 3, 4, 6}));

        scene.RemapChannels({0}, {50}, {1}, {0}, {1});
        QCOMPARE(Sorted(scene.StaticChannels(0)), QList<int>({2, 3, 4, 6}));
        QCOMPARE(scene.StaticChannels(1), QList<int>({0}));
    }

    void rawChannelsFoldIntoNewlyPatchedFixtures()
    {
        CPlaybackRig rig;
        CScene* scene = rig.AddScene(QStringLiteral("Raw"));
        CPatchedFixture* raw10 = rig.project.GetChannelFixture(0, 10);
        CPatchedFixture* raw12 = rig.project.GetChannelFixture(0, 12);
        CPatchedFixture* raw13 = rig.project.GetChannelFixture(0, 13);
        CPatchedFixture* rawU1 = rig.project.GetChannelFixture(1, 11);
        CSceneStep* step = rig.AddStep(scene, 0, 1000, {{raw10, {40}}, {raw12, {60}}, {raw13, {70}}, {rawU1, {80}}});
        CSceneStep* generated = rig.AddStep(scene, 0, 1000, {{raw10, {41}}});
        auto* effect = new CGradientEffect;
        scene->m_effects << effect;
        generated->m_effect = effect;

        // An RGB fixture over slots 10..12 of universe 0.
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        rig.project.AbsorbRawChannelsInScenes({rgb});

        CStepFixture* entry = step->FindEntry(rgb);
        QVERIFY(entry);
        QCOMPARE(entry->Levels(), QByteArray("\x28\x00\x3c", 3)); // 40, 0, 60
        QVERIFY(!step->FindEntry(raw10));
        QVERIFY(!step->FindEntry(raw12));
        QVERIFY(step->FindEntry(raw13)); // past the fixture
        QVERIFY(step->FindEntry(rawU1)); // another universe
        QVERIFY(generated->FindEntry(raw10)); // generated steps are the effect's
        QVERIFY(!generated->FindEntry(rgb));
        QCOMPARE(step->EntryCount(), 3);
    }

    void playingScenesKeepTheirRawChannels()
    {
        CPlaybackRig rig;
        CScene* scene = rig.AddScene(QStringLiteral("Raw"));
        CPatchedFixture* raw = rig.project.GetChannelFixture(0, 5);
        CSceneStep* step = rig.AddStep(scene, 0, 1000, {{raw, {90}}});
        QVERIFY(rig.Page()->PlayScene(scene));
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 5);
        rig.project.AbsorbRawChannelsInScenes({rgb});
        rig.project.RemoveFixturesFromScenes({rgb});
        QVERIFY(step->FindEntry(raw));
        QVERIFY(!step->FindEntry(rgb));
    }

    void removedFixturesLeaveRawChannelsBehind()
    {
        CPlaybackRig rig;
        CPatchedFixture* keep = rig.Patch(rig.RgbProfile(), 0, 0);
        // Not in the patch: the test deletes it as the patch would.
        auto* gone = new CPatchedFixture(20, 0, 99, -1, QStringLiteral("Gone"), rig.RgbProfile(), false, false, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Scene"));
        CSceneStep* step = rig.AddStep(scene, 0, 1000, {{keep, {1, 2, 3}}, {gone, {10, 20, 30}}, {keep, {}}});
        CSceneStep* second = rig.AddStep(scene, 0, 1000, {{gone, {11, 21, 31}}});
        scene->m_currentStep = second;
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        rig.Page()->StopScene(scene, false, false, false, false);
        rig.Tick(2);

        scene->RemoveFixtures({gone}, rig.project);
        delete gone;

        QCOMPARE(step->EntryCount(), 4);
        QCOMPARE(step->m_entries[0]->Fixture(), keep);
        for (int c = 0; c < 3; ++c) {
            const CStepFixture* raw = step->m_entries[1 + c];
            QCOMPARE(raw->Fixture(), rig.project.RawChannelAt(0, 20 + c));
            QCOMPARE(raw->Fixture()->m_address, 20 + c);
            QCOMPARE(int(raw->Level(0)), 10 * (c + 1));
        }
        QCOMPARE(second->EntryCount(), 3);
        // Played again, the levels come out at the same slots.
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        QCOMPARE(rig.Played(0, 20), 10);
        QCOMPARE(rig.Played(0, 22), 30);
    }

    void effectRowsLoseRemovedFixtures()
    {
        // The fallback of scenes without the effect engine's generator.
        CScene::SetEffectRowGenerator(nullptr);
        CPlaybackRig rig;
        CPatchedFixture* keep = rig.Patch(rig.RgbProfile(), 0, 0);
        auto* gone = new CPatchedFixture(20, 0, 99, -1, QStringLiteral("Gone"), rig.RgbProfile(), false, false, 0);
        auto* alone = new CPatchedFixture(40, 0, 98, -1, QStringLiteral("Alone"), rig.RgbProfile(), false, false, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Scene"));
        auto* shared = new CGradientEffect;
        shared->m_fixtures = {keep, gone};
        shared->m_fixtureSel = {true, true};
        auto* only = new CGradientEffect;
        only->m_fixtures = {alone};
        only->m_fixtureSel = {true};
        scene->m_effects << shared << only;
        CSceneStep* hand = rig.AddStep(scene, 0, 500, {{keep, {1, 1, 1}}});
        CSceneStep* g1 = rig.AddStep(scene, 0, 500, {{keep, {2, 2, 2}}, {gone, {3, 3, 3}}});
        CSceneStep* g2 = rig.AddStep(scene, 0, 500, {{keep, {4, 4, 4}}, {gone, {5, 5, 5}}});
        CSceneStep* lone1 = rig.AddStep(scene, 0, 500, {{alone, {6, 6, 6}}});
        CSceneStep* lone2 = rig.AddStep(scene, 0, 500, {{alone, {7, 7, 7}}});
        g1->m_effect = g2->m_effect = shared;
        lone1->m_effect = lone2->m_effect = only;
        scene->m_selection = {lone1, lone2};
        scene->m_currentStep = lone2;

        scene->RemoveFixtures({gone, alone}, rig.project);
        delete gone;
        delete alone;

        // Without a generator the row keeps its steps minus the fixture;
        // the row whose effect drives nothing any more goes with the effect.
        QCOMPARE(scene->m_steps, QList<CSceneStep*>({hand, g1, g2}));
        QCOMPARE(scene->m_effects, QList<CEffect*>({shared}));
        QCOMPARE(shared->m_fixtures, QList<CPatchedFixture*>({keep}));
        QCOMPARE(g1->EntryCount(), 1);
        QCOMPARE(g2->EntryCount(), 1);
        QVERIFY(scene->m_selection.isEmpty());
        QCOMPARE(scene->m_currentStep, g2);
        QCOMPARE(scene->m_firstPassLength, 1500); // 500 + (0 + 500) x 2
    }

    void effectRowsAreGeneratedAgainWhereTheyStood()
    {
        static int generatedAt = -2;
        static int fixturesLeft = -1;
        CScene::SetEffectRowGenerator([](CScene& scene, CEffect* effect, int position, const CScene::EffectRowAdmit&) {
            generatedAt = position;
            fixturesLeft = effect->m_fixtures.size();
            CEffect* clone = CloneEffect(effect);
            scene.m_effects << clone;
            auto* step = new CSceneStep(0, 700);
            step->m_effect = clone;
            scene.m_steps.insert(position, step);
        });
        CPlaybackRig rig;
        CPatchedFixture* keep = rig.Patch(rig.RgbProfile(), 0, 0);
        auto* gone = new CPatchedFixture(20, 0, 99, -1, QStringLiteral("Gone"), rig.RgbProfile(), false, false, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Scene"));
        auto* effect = new CGradientEffect;
        effect->m_fixtures = {keep, gone};
        effect->m_fixtureSel = {true, true};
        scene->m_effects << effect;
        CSceneStep* hand = rig.AddStep(scene, 0, 500, {{keep, {1, 1, 1}}});
        CSceneStep* g1 = rig.AddStep(scene, 0, 500, {{gone, {3, 3, 3}}});
        g1->m_effect = effect;
        CSceneStep* after = rig.AddStep(scene, 0, 500, {{keep, {9, 9, 9}}});

        scene->RemoveFixtures({gone}, rig.project);
        delete gone;
        CScene::SetEffectRowGenerator(nullptr);

        QCOMPARE(generatedAt, 1);
        QCOMPARE(fixturesLeft, 1);
        QCOMPARE(scene->m_steps.size(), 3);
        QCOMPARE(scene->m_steps[0], hand);
        QCOMPARE(scene->m_steps[1]->m_wait, 700);
        QCOMPARE(scene->m_steps[2], after);
        QCOMPARE(scene->m_effects.size(), 1); // the clone; the old effect is gone
        QCOMPARE(scene->m_steps[1]->m_effect, scene->m_effects.first());
        QCOMPARE(scene->m_firstPassLength, 1700);
    }

    void pagesComeAndGo()
    {
        CPlaybackRig rig;
        CPage* first = rig.Page();
        CPage* second = rig.project.AddPage(QStringLiteral("Two"));
        QCOMPARE(rig.project.m_currentPage, second);
        QCOMPARE(rig.project.m_pages.last(), second);
        QVERIFY(!rig.project.RemovePage(0));
        QVERIFY(!rig.project.RemovePage(2));
        QVERIFY(!rig.project.RemovePage(-1));

        CScene* playing = second->NewScene(QStringLiteral("P"), false);
        CSceneStep* step = rig.AddStep(playing, 0, 1000, {});
        Q_UNUSED(step);
        QVERIFY(second->PlayScene(playing));
        QVERIFY(!rig.project.RemovePage(1));
        second->StopScene(playing, false, false, false, false);
        rig.Tick(2);

        // A scene of the first page jumps to and releases scenes of the
        // page removed; a stored crossfade fades one of them in.
        CScene* jumper = rig.AddScene(QStringLiteral("Jumper"));
        rig.AddStep(jumper, 0, 50, {});
        jumper->m_jumpTarget = playing;
        jumper->m_jumpIndex = 0;
        jumper->m_releaseList = {playing};
        auto* button = new CFadingButton(QStringLiteral("X"));
        button->m_fadeInPages = {first, second};
        button->m_fadeInScenes = {jumper, playing};
        rig.project.m_fadingButtons << button;

        QVERIFY(rig.project.RemovePage(1));
        QCOMPARE(rig.project.m_pages, QList<CPage*>({first}));
        QCOMPARE(rig.project.m_currentPage, first);
        QCOMPARE(jumper->m_jumpTarget, nullptr);
        QVERIFY(jumper->m_releaseList.isEmpty());
        QCOMPARE(button->m_fadeInScenes, QList<CScene*>({jumper}));
        QCOMPARE(button->m_fadeInPages, QList<CPage*>({first}));
        QCOMPARE(rig.host.Count(QStringLiteral("RemoveSceneBlocks")), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("FadingRemoveScene")), 1);
        // Its run ends and no jump follows.
        jumper->m_loopCount = 1;
        QVERIFY(first->PlayScene(jumper));
        rig.Tick(10);
        QVERIFY(!first->IsPlaying(jumper));
    }

    void deletingASceneClearsEveryReferenceToIt()
    {
        CPlaybackRig rig;
        CPage* first = rig.Page();
        CScene* doomed = rig.AddScene(QStringLiteral("Doomed"));
        rig.AddStep(doomed, 0, 1000, {});
        CScene* jumper = rig.AddScene(QStringLiteral("Jumper"));
        rig.AddStep(jumper, 0, 50, {});
        jumper->m_jumpTarget = doomed;
        jumper->m_jumpIndex = 0;
        jumper->m_autoJump = true;
        jumper->m_loopCount = 1;
        jumper->m_releaseList = {doomed, jumper, doomed};
        // On another page: a scene moved there kept its jump.
        CPage* other = rig.project.AddPage(QStringLiteral("Other"));
        CScene* moved = other->NewScene(QStringLiteral("Moved"), false);
        moved->m_jumpTarget = doomed;
        moved->m_releaseList = {doomed};
        auto* button = new CFadingButton(QStringLiteral("X"));
        button->m_fadeOutPages = {first, first};
        button->m_fadeOutScenes = {doomed, jumper};
        button->m_fadeInPages = {first};
        button->m_fadeInScenes = {doomed};
        rig.project.m_fadingButtons << button;
        rig.project.m_editedScene = doomed;

        rig.project.m_currentPage = first;
        QVERIFY(rig.project.RemoveScene(0));
        QCOMPARE(first->m_scenes, QList<CScene*>({jumper}));
        QCOMPARE(jumper->m_jumpTarget, nullptr);
        QCOMPARE(jumper->m_jumpIndex, -1);
        QVERIFY(!jumper->m_autoJump);
        QCOMPARE(jumper->m_releaseList, QList<CScene*>({jumper}));
        QCOMPARE(moved->m_jumpTarget, nullptr);
        QVERIFY(moved->m_releaseList.isEmpty());
        QCOMPARE(button->m_fadeOutScenes, QList<CScene*>({jumper}));
        QCOMPARE(button->m_fadeOutPages, QList<CPage*>({first}));
        QVERIFY(button->m_fadeInScenes.isEmpty());
        QVERIFY(button->m_fadeInPages.isEmpty());
        QCOMPARE(rig.project.m_editedScene, nullptr);

        // The jumper plays to its end: neither auto-jump nor jump reaches
        // the deleted scene.
        QVERIFY(first->PlayScene(jumper));
        rig.Tick(10);
        QVERIFY(!first->IsPlaying(jumper));
    }

    void scenesAreNamedAndFound()
    {
        CPlaybackRig rig;
        CPage* page = rig.Page();
        rig.project.m_currentPage = page;
        CScene* s1 = rig.project.AddScene(false);
        QCOMPARE(s1->m_name, QStringLiteral("Scene 1"));
        QVERIFY(s1->m_steps.isEmpty());
        page->NewScene(QStringLiteral("Scene 1_copy_1"), false);
        QCOMPARE(page->UniqueSceneName(QStringLiteral("Scene 1")), QStringLiteral("Scene 1_copy_2"));
        QCOMPARE(page->UniqueSceneName(QStringLiteral("scene 1")), QStringLiteral("scene 1"));
        QCOMPARE(page->UniqueSceneName(QStringLiteral("Other")), QStringLiteral("Other"));
        QCOMPARE(page->FindScene(QStringLiteral("Scene 1")), s1);
        QCOMPARE(page->FindScene(QStringLiteral("SCENE 1")), nullptr);
        QCOMPARE(rig.project.AddScene(false)->m_name, QStringLiteral("Scene 3"));
    }

    void aSceneFromLiveHoldsTheLiveLevels()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 30);
        rig.project.m_live[0][31] = 150;
        rig.project.m_liveMask[0][31] = 1;
        rig.project.m_currentPage = rig.Page();
        CScene* scene = rig.project.AddScene(true);
        QCOMPARE(scene->m_steps.size(), 1);
        QCOMPARE(scene->m_steps[0]->FindEntry(rgb)->Level(1), quint8(150));
        QVERIFY(scene->IsChannelActive(0, 31));
        QCOMPARE(scene->m_firstPassLength, 1000);
    }

    void effectScenesComeAndGo()
    {
        CPlaybackRig rig;
        CEffectScene* one = rig.project.AddEffectScene();
        CEffectScene* two = rig.project.AddEffectScene();
        QCOMPARE(one->m_name, QStringLiteral("Effect 1"));
        QCOMPARE(two->m_name, QStringLiteral("Effect 2"));
        auto* effect = new CGradientEffect;
        effect->m_sId = 7;
        two->m_effects << effect;
        QCOMPARE(rig.project.FindEffectSceneByEffect(7), two);
        QVERIFY(rig.project.HasEffectSceneForEffect(7));
        QCOMPARE(rig.project.FindEffectSceneByEffect(8), nullptr);

        // No copy outlives its source.
        auto* copy = new CEffectScene(*two, true, true, true, false);
        copy->m_runningCopy = true;
        copy->m_source = two;
        rig.project.m_runningCopies << copy;
        QVERIFY(!rig.project.RemoveEffectScene(2));
        QVERIFY(!rig.project.RemoveEffectScene(-1));
        QVERIFY(rig.project.RemoveEffectScene(1));
        QCOMPARE(rig.project.m_effectScenes, QList<CEffectScene*>({one}));
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QVERIFY(!rig.project.IsScenePlaying(one));
    }

    void staticLevelsPerModeAndPerChannel()
    {
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.RgbProfile();
        profile->SetPath(QStringLiteral("Led.kvp"));
        CEffectScene scene(QStringLiteral("Effect"), 4);

        scene.SetStaticLevel(profile, 1, 100);
        QVERIFY(scene.m_staticLevelsChanged);
        scene.SetStaticLevel(profile, 2, 50);
        scene.SetStaticLevel(profile, 1, 120);
        QCOMPARE(scene.m_modeStaticLevels.size(), 1);
        QCOMPARE(scene.m_modeStaticLevels[0].m_levels, (QList<QPair<int, quint8>>{{1, 120}, {2, 50}}));
        // The same profile in another mode is another record.
        profile->m_currentMode = 1;
        QVERIFY(!scene.HasStaticLevel(profile, 1));
        scene.SetStaticLevel(profile, 1, 9);
        QCOMPARE(scene.m_modeStaticLevels.size(), 2);
        profile->m_currentMode = 0;
        QVERIFY(scene.HasStaticLevel(profile, 1));
        scene.RemoveStaticLevel(profile, 1);
        scene.RemoveStaticLevel(profile, 2);
        QVERIFY(!scene.HasStaticLevel(profile, 1));
        QCOMPARE(scene.m_modeStaticLevels.size(), 2); // the emptied record stays
        scene.SetStaticLevel(nullptr, 1, 5);
        QCOMPARE(scene.m_modeStaticLevels.size(), 2);

        scene.m_staticLevelsChanged = false;
        scene.SetChannelStaticLevel(0, 12, 30);
        scene.SetChannelStaticLevel(1, 12, 40);
        scene.SetChannelStaticLevel(0, 12, 35);
        QVERIFY(scene.m_staticLevelsChanged);
        QCOMPARE(scene.m_channelStaticLevels.size(), 2);
        QCOMPARE(int(scene.m_channelStaticLevels[0].m_level), 35);
        scene.RemoveChannelStaticLevel(0, 12);
        QCOMPARE(scene.m_channelStaticLevels.size(), 1);
        QCOMPARE(scene.m_channelStaticLevels[0].m_universe, 1);
    }

    void staticChannelsFollowTheFixtureAndItsBeams()
    {
        CPlaybackRig rig;
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 1, 100);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 510); // blue would be slot 512
        CEffectScene scene(QStringLiteral("Effect"), 4);

        scene.AddStaticPanTiltSets(head);
        QCOMPARE(Sorted(scene.StaticChannels(1)), QList<int>({101, 102, 103, 104}));
        scene.AddStaticDimmers(head);
        scene.AddStaticPanTiltSet(head, 0); // already there
        scene.AddStaticPanTiltSet(head, 5); // no such pair
        QCOMPARE(Sorted(scene.StaticChannels(1)), QList<int>({100, 101, 102, 103, 104}));

        scene.AddStaticColorSets(rgb);
        QCOMPARE(Sorted(scene.StaticChannels(0)), QList<int>({510, 511}));

        scene.AddStaticColorChannels(2, 5, -1, 7, -1);
        scene.AddStaticPanTiltChannels(2, -1, 9, -1, -1);
        QCOMPARE(scene.StaticChannels(2), QList<int>({5, 7, 9}));
        scene.AddStaticChannel(4, 1);  // no such universe
        scene.AddStaticChannel(-1, 1);
        scene.AddStaticChannel(3, 512);
        QVERIFY(scene.StaticChannels(3).isEmpty());
        QVERIFY(scene.IsStaticChannel(2, 9));
        QVERIFY(!scene.IsStaticChannel(4, 1));
    }

    // A start marks the fixtures of the first step as it stands; it walks
    // that step's entries only after they, the step or the patch changed,
    // also when the step keeps its count of entries.
    void aStartWalksTheEntriesOnlyAfterAChange_data()
    {
        Columns<QString, int, QString>("change", "walks", "marked");
        QTest::newRow("none") << QString() << 0 << "fr";
        QTest::newRow("an entry added") << "add" << 1 << "fgr";
        QTest::newRow("an entry deleted") << "delete" << 1 << "r";
        QTest::newRow("another first step") << "step" << 1 << "fg";
        QTest::newRow("the patch") << "patch" << 1 << "fr";
        QTest::newRow("its levels") << "levels" << 0 << "fr";
        QTest::newRow("an entry moved in") << "move" << 1 << "fgr";
        QTest::newRow("an entry traded for another step's") << "trade" << 1 << "gr";
        QTest::newRow("a raw channel taken in by a fixture") << "absorb" << 1 << "fh";
        QTest::newRow("the first step removed") << "remove" << 1 << "gr";
    }
    void aStartWalksTheEntriesOnlyAfterAChange()
    {
        const auto [change, walks, marked] = Row<QString, int, QString>("change", "walks", "marked");
        CPlaybackRig rig;
        CPatchedFixture* f = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* g = rig.Patch(rig.RgbProfile(), 0, 3);
        CPatchedFixture* h = rig.Patch(rig.RgbProfile(), 0, 9);
        CPatchedFixture* r = rig.project.GetChannelFixture(0, 9);
        const QList<std::pair<QChar, CPatchedFixture*>> named{
            {QLatin1Char('f'), f}, {QLatin1Char('g'), g}, {QLatin1Char('h'), h}, {QLatin1Char('r'), r}};
        const auto markedNow = [&named] {
            QString names;
            for (const auto& [name, fixture] : named)
                names += QString(fixture->DrivingSceneCount(), name);
            return names;
        };
        CScene scene(QStringLiteral("Chase"), 4);
        CSceneStep* first = rig.AddStep(&scene, 0, 100, {{f, {1, 1, 1}}, {r, {4}}});
        scene.MarkFixturesPlaying();
        scene.UnmarkFixturesPlaying();
        if (change == QLatin1String("add")) {
            first->m_entries.append(new CStepFixture(g, &scene));
        } else if (change == QLatin1String("delete")) {
            delete first->m_entries.takeFirst();
        } else if (change == QLatin1String("step")) {
            // Made where the first one was, so that only its serial tells them apart.
            scene.m_steps.removeFirst();
            delete first;
            rig.AddStep(&scene, 0, 100, {{f, {1, 1, 1}}, {g, {2, 2, 2}}});
        } else if (change == QLatin1String("patch")) {
            RenderedContentChanged();
        } else if (change == QLatin1String("levels")) {
            RenderedContentChanged(&scene);
        } else if (change == QLatin1String("move")) {
            CSceneStep* second = rig.AddStep(&scene, 0, 100, {{g, {2, 2, 2}}});
            first->m_entries.append(second->m_entries.takeFirst());
        } else if (change == QLatin1String("trade")) {
            // No entry is deleted and the first step stays: only its list tells.
            CSceneStep* second = rig.AddStep(&scene, 0, 100, {{g, {2, 2, 2}}, {r, {5}}});
            std::swap(first->m_entries[0], second->m_entries[0]);
        } else if (change == QLatin1String("absorb")) {
            scene.AbsorbRawChannels({h});
        } else if (change == QLatin1String("remove")) {
            rig.AddStep(&scene, 0, 100, {{g, {2, 2, 2}}, {r, {5}}});
            scene.m_selection = {first};
            scene.RemoveSelectedSteps(true);
        }
        const quint64 before = CScene::FixtureWalks();
        scene.MarkFixturesPlaying();
        QCOMPARE(markedNow(), marked);
        QCOMPARE(int(CScene::FixtureWalks() - before), walks);
        scene.UnmarkFixturesPlaying();
        QCOMPARE(markedNow(), QString());
    }

    void runningCopiesGiveUpSharedFixtures()
    {
        CPlaybackRig rig;
        CPatchedFixture* f = rig.Patch(rig.RgbProfile(), 0, 0);
        CPatchedFixture* g = rig.Patch(rig.RgbProfile(), 0, 3);
        CEffectScene running(QStringLiteral("Running"), 4);
        CEffectScene starting(QStringLiteral("Starting"), 4);
        CSceneStep* s0 = rig.AddStep(&running, 0, 100, {{f, {1, 1, 1}}, {g, {2, 2, 2}}});
        CSceneStep* s1 = rig.AddStep(&running, 0, 100, {{f, {3, 3, 3}}, {g, {4, 4, 4}}});
        running.m_drivenFixtures = {f, g};
        running.MarkFixturesPlaying();
        QCOMPARE(f->DrivingSceneCount(), 1);
        running.AddStaticColorSets(f);
        running.AddStaticColorSets(g);
        starting.AddStaticChannel(0, 2); // f's blue only

        QVERIFY(!running.ReleaseSharedFixtures(starting)); // nothing captured
        starting.m_capturedSelection = {f, g};
        QVERIFY(!running.ReleaseSharedFixtures(starting));
        QVERIFY(!s0->FindEntry(f));
        QVERIFY(!s1->FindEntry(f));
        QVERIFY(s0->FindEntry(g));
        QCOMPARE(running.m_drivenFixtures, QList<CPatchedFixture*>({g}));
        QCOMPARE(f->DrivingSceneCount(), 0);
        QCOMPARE(g->DrivingSceneCount(), 1);

        starting.AddStaticChannel(0, 3); // g's red
        QVERIFY(running.ReleaseSharedFixtures(starting)); // first step left empty
        QVERIFY(running.m_drivenFixtures.isEmpty());
        running.UnmarkFixturesPlaying();

        CEffectScene empty(QStringLiteral("Empty"), 4);
        QVERIFY(!empty.ReleaseSharedFixtures(starting));
    }
};

ORVANE_TEST(SceneEditingTest)
#include "SceneEditingTest.moc"
