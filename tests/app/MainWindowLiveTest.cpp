#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "app/Orvane.h"
#include "live/CommandsWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "live/FadingWnd.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"
#include "widgets/SliderCtrl.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The live control windows inside the main window: where the show, the
// keyboard, MIDI and the tick reach them. Nothing here starts Art-Net.

namespace {

struct CLiveWindowRig
{
    QTemporaryDir dir;
    std::unique_ptr<Orvane> window;

    explicit CLiveWindowRig(const QByteArray& ini = QByteArray())
    {
        if (!ini.isEmpty()) {
            QFile file(dir.filePath(QStringLiteral("Orvane.ini")));
            if (file.open(QIODevice::WriteOnly))
                file.write(ini);
        }
        COrvaneSetup setup;
        setup.programDir = dir.path();
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.loadErrorWaitMs = 0;
        window = std::make_unique<Orvane>(std::move(setup));
    }

    CProject& Project() { return window->Project(); }
    CPage* Page() { return Project().m_firstPage; }
    QAction* Action(const char* name) const { return window->findChild<QAction*>(QLatin1String(name)); }

    // One step of one raw channel at `level`, on the first page.
    CScene* AddScene(const QString& name, int slot, int level)
    {
        CProject& project = Project();
        auto* scene = new CScene(name, project.UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(project.GetChannelFixture(0, slot), scene);
        entry->SetLevel(0, quint8(level), true, true);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
        Page()->m_scenes << scene;
        return scene;
    }

    void Tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            window->TickProject(25);
            window->MergeOutput();
        }
    }

    void Key(QEvent::Type type, int key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(window.get(), &event);
    }

    bool Plays(CScene* scene) { return Page()->IsPlaying(scene) && !Page()->IsPending(scene); }
};

} // namespace

class MainWindowLiveTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void toolPanelsAreBuiltInOrderOneShownAtATime()
    {
        CLiveWindowRig rig;
        Orvane& window = *rig.window;
        auto* splitBar = qobject_cast<QSplitter*>(window.centralWidget());
        QVERIFY(splitBar);
        QWidget* area = window.findChild<QWidget*>(QStringLiteral("toolArea"));
        QCOMPARE(splitBar->indexOf(area), splitBar->count() - 1);

        QList<QWidget*> panels;
        for (QObject* child : area->children()) {
            if (auto* widget = qobject_cast<QWidget*>(child))
                panels << widget;
        }
        const QList<QWidget*> expected{window.ChannelFaders(), window.CommandsPanel(), window.FadingPanel()};
        QCOMPARE(panels, expected);
        QCOMPARE(window.ToolPanel(Orvane::kPresetsPanel), nullptr);
        QCOMPARE(window.ToolPanel(Orvane::kTimelinePanel), nullptr);

        // Until the presets panel comes, the channel faders open the area.
        QCOMPARE(window.CurrentToolPanel(), int(Orvane::kFadersPanel));
        QVERIFY(!window.ChannelFaders()->isHidden());
        QVERIFY(window.CommandsPanel()->isHidden() && window.FadingPanel()->isHidden());

        rig.Action("actionToolPanelFading")->trigger();
        QCOMPARE(window.CurrentToolPanel(), int(Orvane::kFadingPanel));
        QVERIFY(!window.FadingPanel()->isHidden());
        QVERIFY(window.ChannelFaders()->isHidden() && window.CommandsPanel()->isHidden());

        // A panel that is not there, or no panel at all, leaves the area as it is.
        for (int panel : {int(Orvane::kPresetsPanel), int(Orvane::kTimelinePanel), -1, int(Orvane::kToolPanelCount)}) {
            window.ShowToolPanel(panel);
            QCOMPARE(window.CurrentToolPanel(), int(Orvane::kFadingPanel));
            QVERIFY(!window.FadingPanel()->isHidden());
        }

        // A hidden commands panel catches up with the masters as it is shown.
        rig.Project().SetDimmer(30);
        rig.Action("actionToolPanelCommands")->trigger();
        QVERIFY(rig.Action("actionToolPanelCommands")->isChecked());
        QCOMPARE(window.CommandsPanel()->DimmerFader()->Value(), 30);
    }

    void crossfadeWindowFollowsTheShow()
    {
        CLiveWindowRig rig;
        CFadingWnd& fading = *rig.window->FadingPanel();
        CScene* a = rig.AddScene(QStringLiteral("A"), 0, 255);
        CScene* b = rig.AddScene(QStringLiteral("B"), 1, 255);
        rig.Page()->PlayScene(a);
        rig.Tick(2);
        QVERIFY(fading.AddScene(CFadingWnd::FadeOutList, a));
        QVERIFY(fading.AddScene(CFadingWnd::FadeInList, b));
        QTableWidget* table = fading.Table(CFadingWnd::FadeOutList);
        table->item(0, CFadingWnd::ColFade)->setText(QStringLiteral("00m 01s 000"));

        // The page reports the fade's progress and its end through the window.
        fading.Go();
        QCOMPARE(fading.ReferenceScene(), a);
        rig.Tick(20);
        QVERIFY(qAbs(fading.ElapsedMs() - 500) <= 25);
        rig.Tick(30);
        QVERIFY(!rig.Page()->IsPlaying(a));
        QVERIFY(!fading.IsRunning());
        QCOMPARE(fading.Progress(), 100);

        // An editor rests the transport.
        rig.window->SetLivePagesMode(1);
        QVERIFY(!fading.GoButton()->isEnabled());
        rig.window->SetLivePagesMode(0);
        QVERIFY(fading.GoButton()->isEnabled());

        // A deleted scene leaves its list.
        QCOMPARE(fading.RowCount(CFadingWnd::FadeOutList), 1);
        QVERIFY(rig.Project().RemoveScene(rig.Page()->m_scenes.indexOf(a)));
        QCOMPARE(fading.RowCount(CFadingWnd::FadeOutList), 0);
        QCOMPARE(fading.SceneAt(CFadingWnd::FadeInList, 0), b);

        // File New leaves nothing of the former project in the lists. The
        // fade time typed above marked the project; no save is asked for.
        QVERIFY(rig.window->IsModified());
        rig.window->SetModified(false);
        rig.window->OnFileNew();
        QCOMPARE(fading.RowCount(CFadingWnd::FadeInList), 0);
        QCOMPARE(fading.RowCount(CFadingWnd::FadeOutList), 0);
    }

    void keysPlayScenesOncePerPress()
    {
        CLiveWindowRig rig;
        CScene* toggled = rig.AddScene(QStringLiteral("Toggled"), 0, 100);
        toggled->m_triggers.ParseShortCut(QStringLiteral("A"));
        CScene* held = rig.AddScene(QStringLiteral("Held"), 1, 100);
        held->m_triggers.ParseShortCut(QStringLiteral("B"));
        held->m_triggers.m_bAutoRelease = true;

        rig.Key(QEvent::KeyPress, Qt::Key_A);
        QVERIFY(rig.Plays(toggled));
        // A held key repeats its press; only a new press toggles.
        rig.Key(QEvent::KeyRelease, Qt::Key_A, true);
        rig.Key(QEvent::KeyPress, Qt::Key_A, true);
        rig.Key(QEvent::KeyRelease, Qt::Key_A);
        QVERIFY(rig.Plays(toggled));
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        QVERIFY(!rig.Plays(toggled));
        rig.Key(QEvent::KeyRelease, Qt::Key_A);

        // With auto release the scene plays while the key is down; the
        // repeated release of a held key does not stop it.
        rig.Key(QEvent::KeyPress, Qt::Key_B);
        rig.Key(QEvent::KeyRelease, Qt::Key_B, true);
        rig.Key(QEvent::KeyPress, Qt::Key_B, true);
        QVERIFY(rig.Plays(held));
        rig.Key(QEvent::KeyRelease, Qt::Key_B);
        QVERIFY(!rig.Plays(held));

        // An open editor keeps the keys.
        rig.window->SetLivePagesMode(1);
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        QVERIFY(!rig.Plays(toggled));
    }

    void commonMidiCommandsReachTheMasters()
    {
        CLiveWindowRig rig("TrigCommonMasterDimmer=;2|0|7|0|127\n");
        Orvane& window = *rig.window;
        window.ShowToolPanel(Orvane::kCommandsPanel);

        window.OnControlChange(0, 7, 127);
        QCOMPARE(rig.Project().m_masterDimmer, 100);
        QCOMPARE(window.CommandsPanel()->DimmerFader()->Value(), 100);
        window.OnControlChange(0, 8, 0); // another controller
        QCOMPARE(rig.Project().m_masterDimmer, 100);
        window.OnControlChange(0, 7, 0);
        QCOMPARE(rig.Project().m_masterDimmer, 0);
        QCOMPARE(window.CommandsPanel()->DimmerFader()->Value(), 0);

        // Nothing is dispatched while an editor is open.
        window.SetLivePagesMode(2);
        window.OnControlChange(0, 7, 127);
        QCOMPARE(rig.Project().m_masterDimmer, 0);
    }

    void channelFadersFollowSelectionAndEffectMarks()
    {
        CLiveWindowRig rig;
        CProject& project = rig.Project();
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddDimmer(*profile);
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        project.m_library << profile;
        auto* fixture = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("Wash"), profile, false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        project.UpdateAfterPatch(false, false);
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        project.m_currentGroup->m_selectedFixtures = {fixture};

        CDmxChannelsWnd& faders = *rig.window->ChannelFaders();
        rig.window->RefreshPagesAndPresets();
        QCOMPARE(faders.FaderCount(), profile->ChannelCount());

        // The edited effect drives the red channel: its fader locks until the marks are cleared.
        project.MarkEffectChannelType(ChannelType::Red);
        QVERIFY(faders.FindFader(fixture, 1)->locked);
        QCOMPARE(faders.FindFader(fixture, 1)->mode->State(), int(PresetModeFx));
        QVERIFY(!faders.FindFader(fixture, 0)->locked);
        QCOMPARE(project.m_effectMask[0][1], quint8(1));
        rig.window->ClearEffectMarks();
        QCOMPARE(project.m_effectMask[0][1], quint8(0));
        QVERIFY(!faders.FindFader(fixture, 1)->locked);
        QVERIFY(faders.FindFader(fixture, 1)->slider->isEnabled());

        // A new project takes the faders of the former one's fixtures along.
        rig.window->SetModified(false);
        rig.window->OnFileNew();
        QCOMPARE(faders.FaderCount(), 0);
        rig.window->RefreshCurrentPanel();
    }


    void levelMonitorReadsTheOutputOnlyWhileOpen()
    {
        CLiveWindowRig rig;
        Orvane& window = *rig.window;
        CProject& project = rig.Project();
        QCOMPARE(window.LevelMonitor(), nullptr);
        window.TickLevelMonitor(25);

        project.SetChannelLevel(0, 3, 77);
        rig.Tick(1);
        rig.Action("actionDmxLevels")->trigger();
        CDmxLevelsWnd* monitor = window.LevelMonitor();
        QVERIFY(monitor && monitor->isVisible() && monitor->isWindow());
        // It opens on what goes out now, live marks included.
        QCOMPARE(monitor->Level(3), 77);
        QVERIFY(monitor->IsLiveSlot(3));

        project.SetChannelLevel(0, 4, 40);
        rig.Tick(1);
        QVERIFY(!monitor->IsLiveSlot(4));
        window.TickLevelMonitor(25);
        window.UpdateReleaseLive();
        QCOMPARE(monitor->Level(4), 40);
        QVERIFY(monitor->IsLiveSlot(4));

        monitor->close();
        project.SetChannelLevel(0, 4, 90);
        rig.Tick(1);
        window.TickLevelMonitor(25);
        window.UpdateReleaseLive();
        QCOMPARE(monitor->Level(4), 40);

        // Opened again: the same window, up to date at once.
        rig.Action("actionDmxLevels")->trigger();
        QCOMPARE(window.LevelMonitor(), monitor);
        QCOMPARE(monitor->Level(4), 90);
    }
};

ORVANE_TEST(MainWindowLiveTest)
#include "MainWindowLiveTest.moc"
