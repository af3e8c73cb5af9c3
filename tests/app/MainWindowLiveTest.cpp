#include "TestRegistry.h"
#include "WindowRig.h"

#include "RawChannelScene.h"
#include "SelectedFixture.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "app/Orvane.h"
#include "live/CommandsWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "live/FadingWnd.h"
#include "live/LiveEditor.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "live/SceneButton.h"
#include "model/PatchedFixture.h"
#include "panels/ChannelPresetCtrl.h"
#include "panels/PresetsWnd.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/EffectScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/StepFixture.h"
#include "timeline/TimeLineWnd.h"
#include "widgets/HTabsWnd.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"
#include "widgets/SliderCtrl.h"

#include <QAction>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScreen>
#include <QProgressBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The live control windows inside the main window: where the show, the
// keyboard, MIDI and the tick reach them. Nothing here starts Art-Net.

namespace {

// Luminance contrast of two colours, 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

struct CLiveWindowRig : CWindowRigBase
{
    explicit CLiveWindowRig(const QByteArray& ini = QByteArray())
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup), ini);
    }

    CProject& Project() { return window->Project(); }
    CPage* Page() { return Project().m_firstPage; }

    // One step of one raw channel at `level`, on the first page unless told.
    CScene* AddScene(const QString& name, int slot, int level, CPage* page = nullptr)
    {
        return AddRawChannelScene(Project(), name, {{0, slot, level}}, 0, page);
    }

    void Tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            window->TickProject(25, 1);
            window->MergeOutput();
        }
    }

    // The stages of the master tick that concern the live pages, in its order.
    void TickWithPages(int count)
    {
        for (int i = 0; i < count; ++i) {
            window->TickProject(25, 1);
            window->TickLivePagesOrEditor(25, 1);
            window->MergeOutput();
        }
    }

    CPagesWnd& Pages() { return *window->LivePages(); }
    CPageWnd& View() { return *window->LivePages()->PageView(); }
    CSceneButton* ButtonOf(CScene* scene)
    {
        for (int i = 0; i < View().ButtonCount(); ++i) {
            if (View().Button(i)->Scene() == scene)
                return View().Button(i);
        }
        return nullptr;
    }
    quint8 Output(int slot) { return Project().m_output[0][slot]; }

    void Key(QEvent::Type type, int key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(window.get(), &event);
    }

    bool Plays(CScene* scene) { return Page()->IsPlaying(scene) && !Page()->IsPending(scene); }
};

// An editor that keeps the keys and ticks it is given and closes on request.
class CKeyEditor : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    explicit CKeyEditor(QWidget* parent)
        : QWidget(parent)
    {
    }
    QWidget* Widget() override { return this; }
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override
    {
        keys << QKeySequence(int(modifiers) | key).toString();
        return true;
    }
    void Tick(int elapsedMs, int) override { ticked += elapsedMs; }
    void Close() { emit closeWnd(); }

    QStringList keys;
    int ticked = 0;

signals:
    void closeWnd();
};

class CKeyEditorFactory : public CLiveEditorFactory
{
public:
    CLiveEditor* Create(Kind, QWidget* parent) override
    {
        auto* editor = new CKeyEditor(parent);
        made << editor;
        return editor;
    }
    QList<QPointer<CKeyEditor>> made;
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
        const QList<QWidget*> expected{window.PresetsPanel(), window.ChannelFaders(), window.CommandsPanel(),
                                       window.FadingPanel(), window.TimeLinePanel()};
        QCOMPARE(panels, expected);
        QCOMPARE(window.ToolPanel(Orvane::kTimelinePanel), window.TimeLinePanel());

        // The presets panel opens the area.
        QCOMPARE(window.CurrentToolPanel(), int(Orvane::kPresetsPanel));
        QVERIFY(!window.PresetsPanel()->isHidden());
        QVERIFY(rig.Action("actionToolPanelPresets")->isChecked());
        QVERIFY(window.ChannelFaders()->isHidden() && window.CommandsPanel()->isHidden());

        rig.Action("actionToolPanelFading")->trigger();
        QCOMPARE(window.CurrentToolPanel(), int(Orvane::kFadingPanel));
        QVERIFY(!window.FadingPanel()->isHidden());
        QVERIFY(window.ChannelFaders()->isHidden() && window.CommandsPanel()->isHidden());

        // A panel that is not there, or no panel at all, leaves the area as it is.
        for (int panel : {-1, int(Orvane::kToolPanelCount)}) {
            window.ShowToolPanel(panel);
            QCOMPARE(window.CurrentToolPanel(), int(Orvane::kFadingPanel));
            QVERIFY(!window.FadingPanel()->isHidden());
        }

        rig.Action("actionToolPanelTimeLine")->trigger();
        QVERIFY(!window.TimeLinePanel()->isHidden() && window.FadingPanel()->isHidden());

        // A hidden commands panel catches up with the masters as it is shown.
        rig.Project().SetDimmer(30);
        rig.Action("actionToolPanelCommands")->trigger();
        QVERIFY(rig.Action("actionToolPanelCommands")->isChecked());
        QCOMPARE(window.CommandsPanel()->DimmerFader()->Value(), 30);
    }

    // However many crossfades a show stores, Live > Crossfade keeps the
    // window within the screen: the buttons scroll, and Store and the end
    // of the progress bar stay in sight; the last button scrolls into view.
    void theCrossfadeButtonsScrollWithinTheScreen_data()
    {
        QTest::addColumn<int>("buttons");
        for (int buttons : {20, 400, int(CShowBounds::Bound(CShowBounds::FadingButtons))})
            QTest::addRow("%d buttons", buttons) << buttons;
    }
    void theCrossfadeButtonsScrollWithinTheScreen()
    {
        QFETCH(int, buttons);
        CLiveWindowRig rig;
        for (int i = 0; i < buttons; ++i)
            rig.Project().m_fadingButtons << new CFadingButton(QStringLiteral("Crossfade %1").arg(i + 1));
        rig.window->OnProjectLoaded();
        rig.window->show();
        rig.Action("actionToolPanelFading")->trigger();
        QCoreApplication::processEvents();

        Orvane& window = *rig.window;
        CFadingWnd& fading = *window.FadingPanel();
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY2(window.width() <= screen.width() && window.minimumSizeHint().width() <= screen.width(),
                 qPrintable(QStringLiteral("%1 px").arg(window.width())));
        const QRect inWindow = window.rect();
        for (QWidget* widget : QList<QWidget*>{fading.StoreButton(), fading.findChild<QProgressBar*>()}) {
            QVERIFY(widget->isVisible());
            QVERIFY(inWindow.contains(QRect(widget->mapTo(&window, QPoint()), widget->size())));
        }
        QPushButton* last = fading.FadingButtonWidget(buttons - 1);
        auto* scroll = fading.findChild<QScrollArea*>();
        QVERIFY(last && scroll && scroll->isAncestorOf(last));
        scroll->ensureWidgetVisible(last);
        QVERIFY(scroll->viewport()->rect().contains(QRect(last->mapTo(scroll->viewport(), QPoint()), last->size())));
        QCOMPARE(fading.FadingButtonWidget(0)->height(), last->height());
    }

    void livePagesWindowComesFirstAndTakesThePageTriggers()
    {
        CLiveWindowRig rig;
        Orvane& window = *rig.window;
        auto* splitBar = qobject_cast<QSplitter*>(window.centralWidget());
        QVERIFY(splitBar && window.LivePages());
        QCOMPARE(splitBar->indexOf(window.LivePages()), 0);
        QCOMPARE(rig.Pages().Mode(), int(CPagesWnd::PagesMode));
        QCOMPARE(rig.View().Page(), rig.Page());

        // The dispatcher shows a triggered page in the window, not only in the project.
        CPage* second = rig.Project().AddPage(QStringLiteral("Second"));
        rig.Pages().ReloadPages();
        rig.Pages().SelectPage(0);
        second->m_triggers.ParseShortCut(QStringLiteral("P"));
        rig.Key(QEvent::KeyPress, Qt::Key_P);
        rig.Key(QEvent::KeyRelease, Qt::Key_P);
        QCOMPARE(rig.View().Page(), second);
        QCOMPARE(rig.Project().m_currentPage, second);
    }

    void aPressPlaysTheSceneAndTheTickSendsIt()
    {
        CLiveWindowRig rig;
        CScene* scene = rig.AddScene(QStringLiteral("Wash"), 5, 200);
        rig.View().Refresh();
        CSceneButton* button = rig.ButtonOf(scene);
        QVERIFY(button);

        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        QVERIFY(rig.Plays(scene));
        QVERIFY(button->IsMarked());
        QVERIFY(rig.Action("actionReleaseScenes")->isEnabled());
        // Nothing goes out before the next tick.
        QCOMPARE(rig.Output(5), quint8(0));
        rig.TickWithPages(2);
        QCOMPARE(rig.Output(5), quint8(200));
        QVERIFY(button->IsMarked());

        // Released from the window's menu: the page learns it from the show.
        rig.Action("actionReleaseScenes")->trigger();
        rig.Tick(2);
        QVERIFY(!rig.Page()->IsPlaying(scene));
        QVERIFY(!button->IsMarked());
        QCOMPARE(rig.Output(5), quint8(0));

        // A second press stops what the first started.
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        rig.TickWithPages(1);
        QCOMPARE(rig.Output(5), quint8(200));
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        rig.TickWithPages(2);
        QVERIFY(!button->IsMarked());
        QCOMPARE(rig.Output(5), quint8(0));
    }

    void triggersLightTheButtonsOfTheShownPageOnly()
    {
        CLiveWindowRig rig;
        CScene* shown = rig.AddScene(QStringLiteral("Shown"), 0, 100);
        shown->m_triggers.ParseShortCut(QStringLiteral("A"));
        CScene* joining = rig.AddScene(QStringLiteral("Joining"), 2, 100);
        joining->m_triggers.ParseShortCut(QStringLiteral("B"));
        rig.View().Refresh();
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        rig.Key(QEvent::KeyRelease, Qt::Key_A);
        QVERIFY(rig.ButtonOf(shown)->IsMarked());
        // A scene joining a running show lights up as well.
        rig.Key(QEvent::KeyPress, Qt::Key_B);
        rig.Key(QEvent::KeyRelease, Qt::Key_B);
        QVERIFY(rig.ButtonOf(joining)->IsMarked());
        // Its stop ends in the show's own tick, which tells the page.
        rig.Key(QEvent::KeyPress, Qt::Key_B);
        rig.Key(QEvent::KeyRelease, Qt::Key_B);
        rig.Tick(1);
        QVERIFY(!rig.ButtonOf(joining)->IsMarked());

        // A scene of a page not shown plays unseen; showing its page lights it.
        CPage* other = rig.Project().AddPage(QStringLiteral("Other"));
        CScene* hidden = rig.AddScene(QStringLiteral("Hidden"), 1, 100, other);
        rig.Pages().ReloadPages();
        rig.Pages().SelectPage(0);
        QVERIFY(other->PlayScene(hidden));
        QCOMPARE(rig.ButtonOf(hidden), nullptr);
        QVERIFY(rig.ButtonOf(shown)->IsMarked());
        rig.Pages().SelectPage(1);
        QVERIFY(rig.ButtonOf(hidden)->IsMarked());

        // A playing scene deleted goes at the end of its stop, in the tick:
        // its button goes with it.
        rig.Pages().SelectPage(0);
        QVERIFY(rig.Project().RemoveScene(0));
        rig.TickWithPages(2);
        QCOMPARE(rig.Page()->m_scenes, QList<CScene*>{joining});
        QCOMPARE(rig.View().ButtonCount(), 1);
    }

    void aNewProjectLeavesNoButtonOfTheFormerOne()
    {
        CLiveWindowRig rig;
        rig.window->show();
        CScene* scene = rig.AddScene(QStringLiteral("Old"), 3, 90);
        scene->m_triggers.ParseShortCut(QStringLiteral("A"));
        rig.Project().AddPage(QStringLiteral("Second"));
        rig.Pages().ReloadPages();
        rig.Pages().SelectPage(0);
        rig.View().PressButton(0);
        rig.View().OpenOptions(0);
        rig.TickWithPages(1);
        QCoreApplication::processEvents();

        rig.window->SetModified(false);
        rig.window->OnFileNew();
        QCOMPARE(rig.Pages().PageTabs()->m_tabNames.size(), 1);
        QCOMPARE(rig.View().Page(), rig.Page());
        QCOMPARE(rig.View().ButtonCount(), 0);
        QCOMPARE(rig.Pages().PopupScene(), nullptr);
        // Painted, ticked and triggered, the view reads only the new project.
        QCoreApplication::processEvents();
        rig.TickWithPages(2);
        rig.window->RefreshEffectState(-1);
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        QCOMPARE(rig.Output(3), quint8(0));

        // Likewise from the effects tab, whose buttons are effect scenes.
        CEffectScene* effect = rig.Project().AddEffectScene();
        rig.Pages().ShowEffectsTab();
        QCOMPARE(rig.View().ButtonCount(), 1);
        QCOMPARE(rig.View().Button(0)->Scene(), effect);
        rig.window->SetModified(false);
        rig.window->OnFileNew();
        QVERIFY(!rig.Pages().IsEffectsTabShown());
        QCOMPARE(rig.View().ButtonCount(), 0);
        QCoreApplication::processEvents();
        rig.TickWithPages(2);
        rig.window->RefreshEffectState(-1);
    }

    // Opening clears the show before the file is read, and the progress
    // text lets the window paint: no button may still show a cleared scene.
    void openingAFileLetsGoOfTheButtonsFirst()
    {
        CLiveWindowRig rig;
        rig.window->show();
        const QString empty = QDir(rig.dir.path()).filePath(QStringLiteral("empty.kv3"));
        QVERIFY(rig.window->SaveProject(empty));
        rig.AddScene(QStringLiteral("Old"), 3, 90);
        rig.Pages().ReloadPages();
        QCOMPARE(rig.View().ButtonCount(), 1);
        QCoreApplication::processEvents();

        rig.window->SetModified(false);
        QVERIFY(rig.window->OpenProject(empty));
        QCoreApplication::processEvents();
        QCOMPARE(rig.View().ButtonCount(), 0);
        QCOMPARE(rig.View().Page(), rig.Page());
    }

    void anOpenEditorAloneHearsTheKeys()
    {
        CLiveWindowRig rig;
        CKeyEditorFactory factory;
        rig.Pages().SetEditorFactory(&factory);
        CScene* scene = rig.AddScene(QStringLiteral("Keyed"), 0, 100);
        scene->m_triggers.ParseShortCut(QStringLiteral("A"));
        rig.View().Refresh();

        QVERIFY(rig.Pages().EditScene(rig.Page(), scene));
        QCOMPARE(factory.made.size(), 1);
        CKeyEditor* editor = factory.made.first();
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::SceneEditMode));
        QVERIFY(!rig.window->FadingPanel()->GoButton()->isEnabled());

        // The editor's keys repeat while held, and none plays the scene.
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        rig.Key(QEvent::KeyPress, Qt::Key_A, true);
        rig.Key(QEvent::KeyRelease, Qt::Key_A);
        QKeyEvent shifted(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
        QApplication::sendEvent(rig.window.get(), &shifted);
        QCOMPARE(editor->keys, (QStringList{QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("Shift+Right")}));
        QVERIFY(!rig.Page()->IsPlaying(scene));
        rig.TickWithPages(2);
        QCOMPARE(editor->ticked, 50);

        // Closed, it is gone and the keys play scenes again.
        editor->Close();
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        QVERIFY(rig.window->FadingPanel()->GoButton()->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(factory.made.first().isNull());
        rig.Key(QEvent::KeyPress, Qt::Key_A);
        QVERIFY(rig.Plays(scene));
        QVERIFY(rig.ButtonOf(scene)->IsMarked());
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
        // A scene moved to another page shows its new page.
        CPage* other = rig.Project().AddPage(QStringLiteral("Other"));
        rig.Page()->m_scenes.removeOne(b);
        other->m_scenes << b;
        ShowHost().UpdateScenePage(b, other);
        QCOMPARE(fading.Table(CFadingWnd::FadeInList)->item(0, CFadingWnd::ColPage)->text(), other->m_name);

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
        CPatchedFixture* fixture = PatchSelected(project, profile);

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


    void captionsFitAndDisabledControlsStayLegible()
    {
        CLiveWindowRig rig;
        const std::unique_ptr<QInputDialog> store = CFadingWnd::NameDialog(rig.window.get(), QString());
        QVERIFY(store->minimumWidth() > store->fontMetrics().horizontalAdvance(store->windowTitle()));
        QPushButton* pause = rig.window->FadingPanel()->PauseButton();
        QVERIFY(!pause->isEnabled());
        const QPalette& colours = pause->palette();
        QVERIFY(Contrast(colours.color(QPalette::Disabled, QPalette::ButtonText),
                         colours.color(QPalette::Disabled, QPalette::Button))
                >= 3.0); // 3.13 for grey 90 on the buttons' 175
    }

    void presetsPanelFollowsSelectionReleaseAndEffectMarks()
    {
        CLiveWindowRig rig;
        CProject& project = rig.Project();
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddDimmer(*profile);
        PatchSelected(project, profile);
        project.SelectionChanged();

        CPresetsWnd& presets = *rig.window->PresetsPanel();
        QCOMPARE(presets.ChannelControls().size(), 1);
        CChannelPresetCtrl* dimmer = presets.ChannelControls().first();
        project.SetSelectionChannelPreset(profile, profile->GetChannel(0), 200);
        rig.window->RefreshOutputViews();
        QCOMPARE(dimmer->LevelFader()->m_value, 200);
        QCOMPARE(dimmer->ModeSwitch()->State(), int(PresetModeLive));

        rig.window->OnReleaseLive();
        QCOMPARE(dimmer->LevelFader()->m_value, 0);
        QCOMPARE(dimmer->ModeSwitch()->State(), int(PresetModeOff));

        project.MarkEffectDimmers();
        QCOMPARE(dimmer->ModeSwitch()->State(), int(PresetModeFx));
        rig.window->ClearEffectMarks();
        QCOMPARE(dimmer->ModeSwitch()->State(), int(PresetModeOff));
        QVERIFY(dimmer->isEnabled());
    }

    void levelMonitorReadsTheOutputOnlyWhileOpen()
    {
        CLiveWindowRig rig;
        Orvane& window = *rig.window;
        CProject& project = rig.Project();
        QCOMPARE(window.LevelMonitor(), nullptr);
        window.TickLevelMonitor(25);
        window.setWindowFlag(Qt::WindowStaysOnTopHint, true);

        project.SetChannelLevel(0, 3, 77);
        rig.Tick(1);
        rig.Action("actionDmxLevels")->trigger();
        CDmxLevelsWnd* monitor = window.LevelMonitor();
        QVERIFY(monitor && monitor->isVisible() && monitor->isWindow());
        // Above its owner, even one that stays on top.
        QCOMPARE(monitor->parentWidget(), &window);
        QVERIFY(monitor->windowFlags().testFlag(Qt::Tool));
        QVERIFY(monitor->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
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
