#include "DataTable.h"
#include "KeptSteps.h"
#include "RawChannelScene.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"

#include <QKeyEvent>
#include <QtTest>

// Scenes started between ticks have their first steps rendered before the
// tick that sends them, in the main window, on the rig's clock: whatever
// started them, while the slot is further off than a render takes.

namespace {

constexpr int kScenes = 4;

// The main window on the rig's clock, a render between ticks taking
// `renderMs` by the render clock, with scenes of two steps of a second, each
// on a raw channel of its own (slot = its index).
struct CRenderRig : CWindowRigBase
{
    qint64 renderNs = 0;
    qint64 renderMs = 0;
    QList<CScene*> scenes;

    explicit CRenderRig(const QString& projectPath = QString(), const QByteArray& ini = QByteArray())
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.projectPath = projectPath;
        // Read before and after each render.
        setup.renderClockNs = [this] { return renderNs += renderMs * 1000000; };
        Start(std::move(setup), ini);
    }

    CProject& Project() { return window->Project(); }
    CPage& Page() { return *Project().m_firstPage; }
    QTimer& RenderTimer() { return *window->findChild<QTimer*>(QStringLiteral("renderBeforeTickTimer")); }

    CScene* AddScene(int slot)
    {
        CScene* scene = AddRawChannelScene(Project(), QStringLiteral("S%1").arg(slot), {{0, slot, 10 + slot}});
        auto* second = new CSceneStep(0, 1000);
        second->AddEntry(new CStepFixture(Project().GetChannelFixture(0, slot), scene));
        second->m_entries[0]->SetLevel(0, quint8(100 + slot), true, true);
        scene->m_steps << second;
        scene->UpdateLength();
        scene->m_playMode = ReleaseNone;
        scenes << scene;
        return scene;
    }
    void AddScenes()
    {
        for (int s = 0; s < kScenes; ++s)
            AddScene(s);
        window->LivePages()->ReloadPages();
    }

    // The render timer's timeouts set for now run as the event loop runs
    // them; one set for later is left. False when they never end.
    bool RunRendersDueNow()
    {
        QTimer& timer = RenderTimer();
        for (int runs = 0; runs < 100; ++runs) {
            if (!timer.isActive() || timer.interval() > 0)
                return true;
            QCoreApplication::processEvents();
        }
        return false;
    }
    // The render timer set for later comes.
    void FireRenderTimer()
    {
        RenderTimer().stop();
        QMetaObject::invokeMethod(&RenderTimer(), "timeout");
    }
    // Of the rig's scenes.
    int Kept(int ahead = 0) { return StepsKept(Page(), ahead, {scenes.begin(), scenes.end()}); }
    int Out(int slot) { return Project().m_output[0][slot]; }
    // The next slot of the grid comes in `ms`.
    void SlotIn(int ms) { clock.now = nextSlot - ms; }
    // The next slot comes, and the timer's timeout with it.
    void Tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.now = nextSlot;
            nextSlot += Orvane::kTickMs;
            window->OnTimer();
        }
    }

    qint64 nextSlot = clock.now + Orvane::kTickMs;
};

} // namespace

class RenderBeforeTickTest : public QObject
{
    Q_OBJECT

private slots:
    // Four scenes started 20 ms before the slot, each way there is: their
    // first steps are kept before the tick, the tick plays them, and the
    // steps after them are rendered ahead once more in the ticks that follow.
    void everyStartIsRenderedBeforeItsTick_data()
    {
        Columns<QString>("way");
        for (const char* way : {"trigger", "button", "crossfade", "timeline", "follow-on", "restored at start-up",
                                "restored by an open"})
            QTest::newRow(way) << way;
    }
    void everyStartIsRenderedBeforeItsTick()
    {
        const auto [way] = Row<QString>("way");
        QTemporaryDir saved;
        const QString path = saved.filePath(QStringLiteral("playing.kv3"));
        const bool restored = way.startsWith(QLatin1String("restored"));
        if (restored) {
            CRenderRig before;
            before.AddScenes();
            for (CScene* scene : before.scenes)
                QVERIFY(before.Page().PlayScene(scene));
            QVERIFY(before.window->SaveProject(path));
        }
        const bool atStartUp = way == QLatin1String("restored at start-up");
        CRenderRig rig(atStartUp ? path : QString(), restored ? QByteArray("StartScenes=1\n") : QByteArray());
        if (!restored)
            rig.AddScenes();
        if (!atStartUp) {
            QVERIFY(rig.RunRendersDueNow());
            rig.Tick();
        }
        rig.SlotIn(20);
        // The timeline starts its scenes in the tick, ahead of the show: that
        // tick plays them, as it renders them.
        bool playedAlready = false;

        if (way == QLatin1String("trigger")) {
            for (int s = 0; s < kScenes; ++s) {
                const int key = Qt::Key_A + s;
                rig.scenes[s]->m_triggers.ParseShortCut(QString(QChar('A' + s)));
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
                QApplication::sendEvent(rig.window.get(), &press);
                QApplication::sendEvent(rig.window.get(), &release);
            }
        } else if (way == QLatin1String("button")) {
            for (int s = 0; s < kScenes; ++s)
                rig.window->LivePages()->PageView()->PressButton(s);
        } else if (way == QLatin1String("crossfade")) {
            for (CScene* scene : rig.scenes)
                QVERIFY(rig.window->FadingPanel()->AddScene(CFadingWnd::FadeInList, scene));
            rig.window->FadingPanel()->Go();
        } else if (way == QLatin1String("timeline")) {
            CTimeLineCtrl& control = rig.window->TimeLinePanel()->Control();
            for (int s = 0; s < kScenes; ++s) {
                while (control.SceneLineCount() <= s)
                    control.InsertLine(control.SceneLineCount());
                QVERIFY(control.AddSceneBlock(&rig.Page(), rig.scenes[s], control.SceneLine(s), 0));
                control.SceneLine(s)->m_blocks[0]->m_start = 0;
                control.SceneLine(s)->m_blocks[0]->m_length = 5000;
                control.FixLine(control.SceneLine(s));
            }
            rig.window->TimeLinePanel()->Play();
            rig.Tick();
            playedAlready = true;
        } else if (way == QLatin1String("follow-on")) {
            // Started as the scenes before them end, inside the tick: the
            // slot after it is their first.
            for (int s = 0; s < kScenes; ++s) {
                CScene* feeder = AddRawChannelScene(rig.Project(), QStringLiteral("F%1").arg(s), {{0, 100 + s, 1}});
                feeder->m_steps[0]->m_wait = 50;
                feeder->UpdateLength();
                feeder->m_loopCount = 1;
                feeder->m_playMode = ReleaseNone;
                feeder->m_jumpTarget = rig.scenes[s];
                QVERIFY(rig.Page().PlayScene(feeder));
            }
            QVERIFY(rig.RunRendersDueNow());
            for (int ticks = 0; ticks < 4 && !rig.Page().IsPlaying(rig.scenes[0]); ++ticks)
                rig.Tick();
            rig.SlotIn(20);
        } else if (way == QLatin1String("restored by an open")) {
            QVERIFY(rig.window->OpenProject(path));
        }
        rig.scenes.clear();
        for (CPlayingScene* entry : rig.Page().m_playing) {
            if (entry->Scene()->m_steps.size() == 2)
                rig.scenes << entry->Scene();
        }
        QCOMPARE(rig.scenes.size(), kScenes);
        QCOMPARE(rig.Kept(), playedAlready ? kScenes : 0);

        QVERIFY(rig.RunRendersDueNow());
        QCOMPARE(rig.Kept(), kScenes);
        if (!playedAlready)
            rig.Tick();
        for (int s = 0; s < kScenes; ++s)
            QCOMPARE(rig.Out(s), 10 + s);
        QCOMPARE(rig.Kept(), kScenes);
        QVERIFY(rig.RunRendersDueNow());
        // The tick after it renders the steps after them ahead again.
        rig.Tick(2);
        QCOMPARE(rig.Kept(1), kScenes);
    }

    // Four scenes started by their buttons `slotIn` ms before the slot, the
    // first render taking `firstMs` and the others `renderMs`, in a `state` of
    // the window. `before`: their steps kept before the slot;
    // `afterSlot`: kept once the timer set for after the slot has come.
    void rendersWaitForTheTimeBeforeTheSlot_data()
    {
        Columns<QString, int, int, int, int, int>("state", "slotIn", "firstMs", "renderMs", "before", "afterSlot");
        QTest::newRow("quiet") << "" << 20 << 0 << 0 << 4 << 4;
        QTest::newRow("the slot 2 ms off") << "" << 2 << 0 << 0 << 4 << 4;
        QTest::newRow("the slot 1 ms off") << "" << 1 << 0 << 0 << 0 << 4;
        QTest::newRow("the slot come") << "" << 0 << 0 << 0 << 4 << 4;
        QTest::newRow("renders of 5 ms, 20 ms off") << "" << 20 << 5 << 5 << 4 << 4;
        QTest::newRow("renders of 30 ms") << "" << 20 << 30 << 30 << 1 << 2;
        QTest::newRow("a first render of 30 ms") << "" << 20 << 30 << 0 << 1 << 4;
        QTest::newRow("during a file flow") << "busy" << 20 << 0 << 0 << 0 << 4;
        QTest::newRow("the window closed") << "closed" << 20 << 0 << 0 << 0 << 0;
    }
    void rendersWaitForTheTimeBeforeTheSlot()
    {
        const auto [state, slotIn, firstMs, renderMs, before, afterSlot] =
            Row<QString, int, int, int, int, int>("state", "slotIn", "firstMs", "renderMs", "before", "afterSlot");
        CRenderRig rig;
        rig.AddScenes();
        rig.Tick();
        rig.SlotIn(slotIn);
        if (state == QLatin1String("busy"))
            rig.window->SetBusy(true);
        if (state == QLatin1String("closed")) {
            rig.window->SetModified(false);
            QVERIFY(rig.window->close());
        }
        for (int s = 0; s < kScenes; ++s)
            rig.window->LivePages()->PageView()->PressButton(s);
        rig.renderMs = firstMs;
        QTimer& timer = rig.RenderTimer();
        // The first render runs alone: the timer is set for now after it.
        QVERIFY(timer.isActive() || state == QLatin1String("closed"));
        if (timer.isActive()) {
            timer.stop();
            QMetaObject::invokeMethod(&timer, "timeout");
        }
        rig.renderMs = renderMs;
        QVERIFY(rig.RunRendersDueNow());
        QCOMPARE(rig.Kept(), before);
        if (state == QLatin1String("closed")) {
            QVERIFY(!timer.isActive());
            return;
        }
        if (state == QLatin1String("busy")) {
            QVERIFY(!timer.isActive());
            rig.window->SetBusy(false);
            QVERIFY(rig.RunRendersDueNow());
            QCOMPARE(rig.Kept(), afterSlot);
            return;
        }
        // The slot came while they were left: it played them as it went,
        // its own renders of them left for the time after it.
        const bool left = before < kScenes;
        QCOMPARE(timer.isActive(), left);
        if (left)
            QVERIFY2(timer.interval() > slotIn, qPrintable(QString::number(timer.interval())));
        // A slot that has come goes out ahead of the renders.
        if (slotIn > 0)
            rig.Tick();
        else
            rig.nextSlot += Orvane::kTickMs;
        for (int s = 0; s < kScenes; ++s)
            QCOMPARE(rig.Out(s), 10 + s);
        QCOMPARE(rig.Kept(), before);
        if (left) {
            rig.clock.now += 1;
            rig.FireRenderTimer();
            QVERIFY(rig.RunRendersDueNow());
        }
        QCOMPARE(rig.Kept(), afterSlot);
    }

    // Scene 0 `odd`, the others started by their buttons 20 ms before the
    // slot: only steps the tick plays from their kept render are rendered
    // before it, and a render that cannot be kept ends them, to be played
    // as the tick goes.
    void onlyWhatTheTickPlaysFromARenderIsRenderedBeforeIt_data()
    {
        Columns<QString, int>("odd", "othersKept");
        QTest::newRow("stopped") << "stopped" << 3;
        QTest::newRow("fading out at its end, its render dropped") << "fading out" << 3;
        QTest::newRow("crossfading in from what plays") << "dynamic fade-in" << 3;
        QTest::newRow("playing with no step") << "no step" << 3;
        QTest::newRow("a step that cannot be kept, first") << "foreign entry" << 0;
    }
    void onlyWhatTheTickPlaysFromARenderIsRenderedBeforeIt()
    {
        const auto [odd, othersKept] = Row<QString, int>("odd", "othersKept");
        CRenderRig rig;
        rig.AddScenes();
        CScene* scene = rig.scenes[0];
        CPage& page = rig.Page();
        if (odd == QLatin1String("stopped")) {
            rig.window->LivePages()->PageView()->PressButton(0);
            rig.window->LivePages()->PageView()->PressButton(0);
            QVERIFY(page.IsPending(scene));
        } else if (odd == QLatin1String("fading out")) {
            scene->m_loopCount = 1;
            scene->m_fadeOut = 1000;
            for (CSceneStep* step : scene->m_steps)
                step->m_wait = 50;
            scene->UpdateLength();
            QVERIFY(page.PlayScene(scene));
            QVERIFY(rig.RunRendersDueNow());
            for (int ticks = 0; ticks < 10 && !scene->m_fadingOut; ++ticks)
                rig.Tick();
            QVERIFY(scene->m_fadingOut && !page.IsPending(scene));
            scene->ContentChanged();
        } else if (odd == QLatin1String("dynamic fade-in")) {
            scene->m_dynamicFadeIn = true;
            scene->m_customFadeIn = 1000;
            QVERIFY(page.PlayScene(scene, -1, -1, true));
        } else if (odd == QLatin1String("no step")) {
            QVERIFY(page.PlayScene(scene));
            QVERIFY(rig.RunRendersDueNow());
            rig.Tick();
            scene->m_selection = {scene->m_steps.begin(), scene->m_steps.end()};
            scene->RemoveSelectedSteps(true);
            QVERIFY(page.IsPlaying(scene) && !scene->m_currentStep);
        } else {
            scene->m_steps[0]->AddEntry(new CStepFixture(rig.Project().GetChannelFixture(0, 50), rig.scenes[1]));
            rig.window->LivePages()->PageView()->PressButton(0);
        }
        rig.SlotIn(20);
        for (int s = 1; s < kScenes; ++s)
            rig.window->LivePages()->PageView()->PressButton(s);
        QVERIFY(rig.RunRendersDueNow());
        QCOMPARE(StepsKept(page, 0, {scene}), 0);
        QCOMPARE(StepsKept(page, 0, {rig.scenes[1], rig.scenes[2], rig.scenes[3]}), othersKept);
        rig.Tick();
        for (int s = 1; s < kScenes; ++s)
            QCOMPARE(rig.Out(s), 10 + s);
    }
};

ORVANE_TEST(RenderBeforeTickTest)
#include "RenderBeforeTickTest.moc"
