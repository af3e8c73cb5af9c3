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

// A late master tick stands for every slot it covers in every window: the
// scene being edited and the effects window's preview move on as far as the
// slots one by one would have moved them, and a stall of weeks leaves a
// scene playing inside its cycle.

namespace {

// The main window, its tick on the rig's clock, with an RGB fixture at 1 and
// a chase of ten steps of a second on it playing at `speed` on the first page.
struct CLateTickRig : CWindowRigBase
{
    CScene* scene = nullptr;

    explicit CLateTickRig(int speed)
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
        for (int i = 0; i < 10; ++i) {
            auto* step = new CSceneStep(0, 1000);
            auto* entry = new CStepFixture(fixture, scene);
            entry->SetLevel(i % 3, 255, true, false);
            step->AddEntry(entry);
            scene->m_steps << step;
        }
        scene->UpdateLength();
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
    // and plays on inside its cycle, a tick then moving it `perTickMs` of
    // scene time (speed 100: 25 ms and 360 more).
    void aStallOfWeeksLeavesTheChaseInItsCycle_data()
    {
        Columns<int, qint64, int>("speed", "stallMs", "perTickMs");
        QTest::newRow("speed 100, 60 days") << 100 << qint64(60) * 24 * 3600 * 1000 << 385;
        QTest::newRow("speed 100, 3 weeks") << 100 << qint64(21) * 24 * 3600 * 1000 << 385;
        QTest::newRow("speed 50, 60 days") << 50 << qint64(60) * 24 * 3600 * 1000 << 25;
    }
    void aStallOfWeeksLeavesTheChaseInItsCycle()
    {
        const auto [speed, stallMs, perTickMs] = Row<int, qint64, int>("speed", "stallMs", "perTickMs");
        CLateTickRig rig(speed);
        rig.NextTick();
        rig.clock.now += stallMs;
        rig.window->OnTimer();
        CScene* scene = rig.scene;
        const int after = scene->m_cyclePosition;
        rig.NextTick();
        QVERIFY(rig.window->Project().m_firstPage->IsPlaying(scene));
        QVERIFY2(after >= 0 && after < scene->m_cycleLength + 40, qPrintable(QString::number(after)));
        const qint64 moved = (scene->m_cyclePosition - after + scene->m_cycleLength) % scene->m_cycleLength;
        QCOMPARE(moved, qint64(perTickMs));
    }
};

ORVANE_TEST(LateTickTest)
#include "LateTickTest.moc"
