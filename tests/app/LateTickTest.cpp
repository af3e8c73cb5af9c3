#include "DataTable.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "editors/EffectWnd.h"
#include "editors/EffectsWnd.h"
#include "live/PagesWnd.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QtTest>

#include <climits>
#include <functional>

// A late master tick stands for every slot it covers in every window: the
// scene being edited and the effects window's preview move on as far as the
// slots one by one would have moved them, and a stall of weeks leaves a
// scene playing inside its cycle.

namespace {

// The main window, its tick on the rig's clock, with an RGB fixture at 1 and
// a chase on it playing at `speed` on the first page: `steps` steps of
// `stepMs`, step i lighting colour i % 3, played `loops` times (0: endless).
struct CLateTickRig : CWindowRigBase
{
    CScene* scene = nullptr;

    explicit CLateTickRig(int speed, int steps = 10, int stepMs = 1000, int loops = 0)
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
        CProject& project = window->Project();
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        project.m_library << profile;
        auto* fixture = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("F1"), profile, false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        project.UpdateAfterPatch(false, false);
        scene = new CScene(QStringLiteral("Chase"), project.UniverseCount());
        for (int i = 0; i < steps; ++i) {
            auto* step = new CSceneStep(0, stepMs);
            auto* entry = new CStepFixture(fixture, scene);
            entry->SetLevel(i % 3, 255, true, false);
            step->AddEntry(entry);
            scene->m_steps << step;
        }
        scene->UpdateLength();
        scene->m_loopCount = qint16(loops);
        project.m_firstPage->m_scenes << scene;
        window->LivePages()->ReloadPages();
        project.m_firstPage->PlayScene(scene);
        scene->SetSpeed(speed);
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        project.m_currentGroup->m_selectedFixtures = {fixture};
        project.SelectionChanged();
    }

    // The timeouts come at these ms of the grid's slots, in turn.
    void TimeoutsAt(const QVector<int>& slotsMs)
    {
        const qint64 start = clock.now;
        for (int at : slotsMs) {
            clock.now = start + at;
            window->OnTimer();
        }
    }

    // Slots 1 to `count` of the grid, on time, or with every ten slots the
    // 3rd to the (2 + `lateSlots`)th run late by the tick after them.
    // `each(slot)` follows every tick.
    void PlaySlots(int count, int lateSlots, const std::function<void(int)>& each)
    {
        const qint64 start = clock.now;
        for (int slot = 1; slot <= count; ++slot) {
            if (slot % 10 >= 3 && slot % 10 < 3 + lateSlots)
                continue;
            clock.now = start + qint64(slot) * Orvane::kTickMs;
            window->OnTimer();
            each(slot);
        }
    }

    // The colour the fixture shows, or -1 when dark.
    int StepOnTheWire() const
    {
        const CDmxLayer& output = window->Project().m_output;
        for (int colour = 0; colour < 3; ++colour) {
            if (output[0][colour] != 0)
                return colour;
        }
        return -1;
    }

    bool OpenEditor()
    {
        return window->LivePages()->EditScene(window->Project().m_firstPage, scene)
               && window->Project().m_editedScene == scene;
    }

    CEffectWnd* EffectPage()
    {
        auto* effects = dynamic_cast<CEffectsWnd*>(window->LivePages()->ShownEditor());
        return effects ? effects->Page() : nullptr;
    }
};

} // namespace

class LateTickTest : public QObject
{
    Q_OBJECT

private slots:
    // `open`: the scene editor on the playing chase, or the effects window
    // over it on a curve. The timeouts come on time, or the last `lateSlots`
    // slots in one.
    void aLateTickMovesTheOpenWindowByEverySlot_data()
    {
        Columns<QString, int, int>("open", "speed", "lateSlots");
        QTest::newRow("scene editor, speed 100, 8 slots") << "editor" << 100 << 8;
        QTest::newRow("scene editor, speed 60, 3 slots") << "editor" << 60 << 3;
        QTest::newRow("effects window, speed 100, 8 slots") << "effects" << 100 << 8;
        QTest::newRow("effects window, speed 70, 5 slots") << "effects" << 70 << 5;
    }
    void aLateTickMovesTheOpenWindowByEverySlot()
    {
        const auto [open, speed, lateSlots] = Row<QString, int, int>("open", "speed", "lateSlots");
        const auto play = [&, open = open, speed = speed](int late) {
            CLateTickRig rig(speed);
            CPagesWnd& pages = *rig.window->LivePages();
            if (!pages.EditScene(rig.window->Project().m_firstPage, rig.scene))
                return QStringLiteral("no editor");
            if (open == QLatin1String("effects"))
                pages.OnEditEffect(eEffectCurve, false);
            const CEffectWnd* page = rig.EffectPage();
            if ((page != nullptr) != (open == QLatin1String("effects")))
                return QStringLiteral("no effects window");
            const CProject& project = rig.window->Project();
            if (!project.m_firstPage->IsPlaying(rig.scene) || project.m_editedScene != rig.scene)
                return QStringLiteral("not the playing edited scene");
            QVector<int> timeouts;
            for (int slot = 1; slot <= 12; ++slot) {
                if (slot <= 4 || slot >= 4 + late)
                    timeouts << slot * 25;
            }
            rig.TimeoutsAt(timeouts);
            return QStringLiteral("scene %1 at %2").arg(rig.scene->CurrentStepIndex()).arg(rig.scene->m_cyclePosition)
                   + (page ? QStringLiteral(", preview %1 at %2").arg(page->GetPlayStep()).arg(page->GetPlayTime())
                           : QString());
        };
        const QString quiet = play(0);
        QCOMPARE(play(lateSlots), quiet);
        // What was compared moved on.
        QVERIFY2(quiet.startsWith(QLatin1String("scene ")) && !quiet.startsWith(QLatin1String("scene 0 ")),
                 qPrintable(quiet));
    }

    // However long the stall, the show moves on by what an int of ms holds
    // and plays on inside its 10 s cycle, at `after` ms: the tick before
    // moved it one tick's scene time, the stall (INT_MAX ms of scene time
    // at speed 100, 2147483625 of wall time at 50, 43 % of that at 20) the
    // rest. A tick then moves it `perTickMs` of scene time.
    void aStallOfWeeksLeavesTheChaseInItsCycle_data()
    {
        Columns<int, qint64, int, int>("speed", "stallMs", "after", "perTickMs");
        const qint64 day = qint64(24) * 3600 * 1000;
        QTest::newRow("speed 100, 60 days") << 100 << 60 * day << int((385 + qint64(INT_MAX)) % 10000) << 385;
        QTest::newRow("speed 100, 3 weeks") << 100 << 21 * day << int((385 + qint64(INT_MAX)) % 10000) << 385;
        QTest::newRow("speed 50, 60 days") << 50 << 60 * day << int((25 + 2147483625LL) % 10000) << 25;
        // 10.75 ms, then 923417958.75 and the 0.75 left over, then 10.75 and 0.5.
        QTest::newRow("speed 20, 60 days") << 20 << 60 * day << int((10 + 923417959LL) % 10000) << 11;
    }
    void aStallOfWeeksLeavesTheChaseInItsCycle()
    {
        const auto [speed, stallMs, after, perTickMs] = Row<int, qint64, int, int>("speed", "stallMs", "after",
                                                                                  "perTickMs");
        CLateTickRig rig(speed);
        rig.NextTick();
        rig.clock.now += stallMs;
        rig.window->OnTimer();
        CScene* scene = rig.scene;
        QCOMPARE(scene->m_cyclePosition, after);
        rig.NextTick();
        QVERIFY(rig.window->Project().m_firstPage->IsPlaying(scene));
        QCOMPARE(scene->m_cyclePosition, after + perTickMs);
    }

    // Every pass plays each step as the first pass does, within a tick: the
    // last step stays on up to the next 40 ms of the cycle, and the next pass
    // starts there. Three steps of `stepMs`, `loops` passes (under the scene
    // editor for ever: those of 30 s are compared). `firstPass`:
    // ticks each step is on the wire in the first pass (speed 0: 1.25 ms of
    // scene time a tick). With `lateSlots`, stalls of that many slots every
    // ten leave the scene after each tick where the quiet run is at that slot.
    void everyPassPlaysItsStepsAsTheFirst_data()
    {
        Columns<int, int, int, bool, int, QString>("stepMs", "speed", "loops", "editor", "lateSlots", "firstPass");
        QTest::newRow("30 ms, speed 0") << 30 << 0 << 3 << false << 0 << "25,24,47";
        QTest::newRow("100 ms, speed 0") << 100 << 0 << 3 << false << 0 << "81,80,95";
        QTest::newRow("40 ms, speed 0") << 40 << 0 << 3 << false << 0 << "33,32,31";
        QTest::newRow("30 ms, speed 50") << 30 << 50 << 3 << false << 0 << "2,1,2";
        QTest::newRow("200 ms, speed 50") << 200 << 50 << 3 << false << 0 << "9,8,7";
        QTest::newRow("30 ms, speed 0, editor") << 30 << 0 << 0 << true << 0 << "25,24,47";
        QTest::newRow("100 ms, speed 50, editor") << 100 << 50 << 0 << true << 0 << "5,4,4";
        QTest::newRow("30 ms, speed 0, stalls") << 30 << 0 << 3 << false << 8 << "25,24,47";
        QTest::newRow("100 ms, speed 50, stalls") << 100 << 50 << 5 << false << 8 << "5,4,4";
        QTest::newRow("100 ms, speed 20, editor, stalls") << 100 << 20 << 0 << true << 8 << "10,9,11";
        QTest::newRow("30 ms, speed 50, editor, stalls") << 30 << 50 << 0 << true << 5 << "2,1,2";
    }
    void everyPassPlaysItsStepsAsTheFirst()
    {
        const auto [stepMs, speed, loops, editor, lateSlots, firstPass] =
            Row<int, int, int, bool, int, QString>("stepMs", "speed", "loops", "editor", "lateSlots", "firstPass");
        const int lastSlot = 1200;
        const auto play = [&, stepMs = stepMs, speed = speed, loops = loops, editor = editor](
                              int late, QStringList* passes) {
            CLateTickRig rig(speed, 3, stepMs, loops);
            QVector<QString> states(lastSlot + 1);
            if (editor && !rig.OpenEditor())
                return states;
            QVector<int> ticks;
            int last = -1;
            rig.PlaySlots(lastSlot, late, [&](int slot) {
                CScene& scene = *rig.scene;
                states[slot] = QStringLiteral("loop %1 step %2 at %3, %4")
                                   .arg(scene.m_loopsDone)
                                   .arg(scene.CurrentStepIndex())
                                   .arg(scene.m_cyclePosition)
                                   .arg(scene.m_roundedPosition);
                const int step = rig.StepOnTheWire();
                if (step < 0)
                    return;
                if (step < last || ticks.isEmpty())
                    ticks << 0 << 0 << 0;
                ++ticks[ticks.size() - 3 + step];
                last = step;
            });
            for (int at = 0; passes && at + 3 <= ticks.size(); at += 3)
                *passes << QStringLiteral("%1,%2,%3").arg(ticks[at]).arg(ticks[at + 1]).arg(ticks[at + 2]);
            return states;
        };
        QStringList passes;
        const QVector<QString> quiet = play(0, &passes);
        QVERIFY2(passes.size() >= 3, qPrintable(passes.join(QLatin1Char(' '))));
        if (loops > 0)
            QCOMPARE(passes.size(), loops);
        QCOMPARE(passes.first(), firstPass);
        const QStringList first = firstPass.split(QLatin1Char(','));
        // The editor's last pass may be cut short by the end of the run.
        for (int pass = 1; pass < passes.size() - (editor ? 1 : 0); ++pass) {
            const QStringList ticks = passes[pass].split(QLatin1Char(','));
            for (int step = 0; step < 3; ++step)
                QVERIFY2(qAbs(ticks[step].toInt() - first[step].toInt()) <= 1,
                         qPrintable(passes.join(QLatin1Char(' '))));
        }
        if (lateSlots == 0)
            return;
        const QVector<QString> stalled = play(lateSlots, nullptr);
        for (int slot = 1; slot <= lastSlot; ++slot) {
            if (!stalled[slot].isEmpty())
                QCOMPARE(QStringLiteral("slot %1: %2").arg(slot).arg(stalled[slot]),
                         QStringLiteral("slot %1: %2").arg(slot).arg(quiet[slot]));
        }
    }

    // Four seconds of a chase, quiet or with a 200 ms stall every 250 ms,
    // move it by the same scene time, exactly that of the speed: 5 % to
    // 100 % of the time below 50, a fixed amount a slot above.
    void aChaseKeepsItsTempoUnderStalls_data()
    {
        Columns<int, int>("speed", "sceneMs");
        QTest::newRow("speed 0") << 0 << 200;
        QTest::newRow("speed 20") << 20 << 1720;
        QTest::newRow("speed 49") << 49 << 3920;
        QTest::newRow("speed 50") << 50 << 4000;
        QTest::newRow("speed 51") << 51 << 4000 + 160 * 7;
        QTest::newRow("speed 60") << 60 << 4000 + 160 * 72;
        QTest::newRow("speed 100") << 100 << 4000 + 160 * 360;
    }
    void aChaseKeepsItsTempoUnderStalls()
    {
        const auto [speed, sceneMs] = Row<int, int>("speed", "sceneMs");
        for (int late : {0, 8}) {
            CLateTickRig rig(speed, 10, 10000);
            rig.PlaySlots(160, late, [](int) {});
            QCOMPARE(rig.scene->m_cyclePosition, sceneMs);
        }
    }
};

ORVANE_TEST(LateTickTest)
#include "LateTickTest.moc"
