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
        // Each render reads the clock twice: before and after.
        setup.renderClockNs = [this] { return renderNs += renderMs * 500000; };
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
};

ORVANE_TEST(RenderBeforeTickTest)
#include "RenderBeforeTickTest.moc"
