// The main window's actions, menus and tool bar, the panels under the split
// bar and the tool area that shows one tool panel at a time.

#include "app/Orvane.h"

#include "app/options/AppOptions.h"
#include "editors/EditorFactory.h"
#include "editors/EffectWnd.h"
#include "live/CommandsWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "live/FadingWnd.h"
#include "layout/FixturesWnd.h"
#include "layout/GroupOptionsDlg.h"
#include "live/PageOptionsDlg.h"
#include "live/PagesWnd.h"
#include "live/TriggerDispatcher.h"
#include "media/SystemMusicPlayer.h"
#include "model/Triggers.h"
#include "panels/PresetsWnd.h"
#include "timeline/ColorDlg.h"
#include "timeline/FilterDlg.h"
#include "timeline/TimeDlg.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kNetworkBlinkMs = 500;
constexpr int kVolumeWidth = 100;

// Three linked stations; drawn rather than loaded so that the tool bar
// needs nothing beside the program.
QIcon NetworkIcon(const QColor& fill, const QColor& line)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF top(12, 5), left(5, 19), right(19, 19);
    painter.setPen(QPen(line, 2));
    painter.drawLine(top, left);
    painter.drawLine(top, right);
    painter.drawLine(left, right);
    painter.setBrush(fill);
    for (const QPointF& station : {top, left, right})
        painter.drawEllipse(station, 4, 4);
    return QIcon(picture);
}

} // namespace

void Orvane::CreateActions()
{
    m_actNew = new QAction(this);
    m_actNew->setObjectName(QStringLiteral("actionFileNew"));
    m_actNew->setShortcut(QKeySequence::New);
    connect(m_actNew, &QAction::triggered, this, &Orvane::OnFileNew);

    m_actOpen = new QAction(this);
    m_actOpen->setObjectName(QStringLiteral("actionFileOpen"));
    m_actOpen->setShortcut(QKeySequence::Open);
    connect(m_actOpen, &QAction::triggered, this, &Orvane::OnFileOpen);

    m_actSave = new QAction(this);
    m_actSave->setObjectName(QStringLiteral("actionFileSave"));
    m_actSave->setShortcut(QKeySequence::Save);
    connect(m_actSave, &QAction::triggered, this, &Orvane::OnFileSave);

    m_actSaveAs = new QAction(this);
    m_actSaveAs->setObjectName(QStringLiteral("actionFileSaveAs"));
    connect(m_actSaveAs, &QAction::triggered, this, &Orvane::OnFileSaveAs);

    m_actImport = new QAction(this);
    m_actImport->setObjectName(QStringLiteral("actionFileImport"));
    connect(m_actImport, &QAction::triggered, this, &Orvane::OnFileImport);

    m_actOptions = new QAction(this);
    m_actOptions->setObjectName(QStringLiteral("actionFileOptions"));
    connect(m_actOptions, &QAction::triggered, this, &Orvane::OnOptions);

    m_actExit = new QAction(this);
    m_actExit->setObjectName(QStringLiteral("actionFileExit"));
    m_actExit->setShortcut(QKeySequence::Quit);
    connect(m_actExit, &QAction::triggered, this, &QWidget::close);

    m_outputModeGroup = new QActionGroup(this);
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = new QAction(this);
        action->setObjectName(QStringLiteral("actionOutputMode%1").arg(mode));
        action->setCheckable(true);
        m_outputModeGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, mode] {
            if (m_outputMode != mode) {
                SetOutputMode(mode);
                // The mode is saved with the project.
                SetModified(true);
            }
        });
        m_actOutputMode[mode] = action;
    }

    m_actOutputOn = new QAction(this);
    m_actOutputOn->setObjectName(QStringLiteral("actionOutputOn"));
    m_actOutputOn->setCheckable(true);
    connect(m_actOutputOn, &QAction::toggled, this, &Orvane::OnOutputOn);

    m_actReleaseScenes = new QAction(this);
    m_actReleaseScenes->setObjectName(QStringLiteral("actionReleaseScenes"));
    m_actReleaseScenes->setEnabled(false);
    connect(m_actReleaseScenes, &QAction::triggered, this, &Orvane::OnReleaseScenes);

    m_actReleaseEffects = new QAction(this);
    m_actReleaseEffects->setObjectName(QStringLiteral("actionReleaseEffects"));
    m_actReleaseEffects->setEnabled(false);
    connect(m_actReleaseEffects, &QAction::triggered, this, &Orvane::OnReleaseEffects);

    m_actReleaseLive = new QAction(this);
    m_actReleaseLive->setObjectName(QStringLiteral("actionReleaseLive"));
    m_actReleaseLive->setEnabled(false);
    connect(m_actReleaseLive, &QAction::triggered, this, &Orvane::OnReleaseLive);

    m_actSendEditDmx = new QAction(this);
    m_actSendEditDmx->setObjectName(QStringLiteral("actionSendEditDmx"));
    m_actSendEditDmx->setCheckable(true);
    connect(m_actSendEditDmx, &QAction::triggered, this, &Orvane::ToggleSendEditDmx);

    // Only the panels that exist have an action; the timeline panel brings its own.
    m_toolPanelGroup = new QActionGroup(this);
    const std::array<std::pair<int, const char*>, 5> panels{{{kPresetsPanel, "actionToolPanelPresets"},
                                                             {kFadersPanel, "actionToolPanelFaders"},
                                                             {kCommandsPanel, "actionToolPanelCommands"},
                                                             {kFadingPanel, "actionToolPanelFading"},
                                                             {kTimelinePanel, "actionToolPanelTimeLine"}}};
    for (const auto& [panel, name] : panels) {
        QAction* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        m_toolPanelGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, panel = panel] { ShowToolPanel(panel); });
        m_actToolPanel[size_t(panel)] = action;
    }

    m_actLevelMonitor = new QAction(this);
    m_actLevelMonitor->setObjectName(QStringLiteral("actionDmxLevels"));
    connect(m_actLevelMonitor, &QAction::triggered, this, &Orvane::OpenLevelMonitor);

    m_actAbout = new QAction(this);
    m_actAbout->setObjectName(QStringLiteral("actionAbout"));
    connect(m_actAbout, &QAction::triggered, this, &Orvane::OnAbout);

    UpdateOutputActions();
}

void Orvane::CreateMenus()
{
    m_fileMenu = menuBar()->addMenu(QString());
    m_fileMenu->addAction(m_actNew);
    m_fileMenu->addAction(m_actOpen);
    m_fileMenu->addAction(m_actSave);
    m_fileMenu->addAction(m_actSaveAs);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actImport);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actOptions);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actExit);

    m_outputMenu = menuBar()->addMenu(QString());
    for (QAction* action : m_actOutputMode)
        m_outputMenu->addAction(action);
    m_outputMenu->addSeparator();
    m_outputMenu->addAction(m_actOutputOn);

    m_liveMenu = menuBar()->addMenu(QString());
    m_liveMenu->addAction(m_actReleaseScenes);
    m_liveMenu->addAction(m_actReleaseEffects);
    m_liveMenu->addAction(m_actReleaseLive);
    m_liveMenu->addSeparator();
    m_liveMenu->addAction(m_actSendEditDmx);
    m_liveMenu->addSeparator();
    for (QAction* action : m_actToolPanel) {
        if (action)
            m_liveMenu->addAction(action);
    }
    m_liveMenu->addSeparator();
    m_liveMenu->addAction(m_actLevelMonitor);
    m_actMasks = m_liveMenu->addAction(QString());
    m_actMasks->setObjectName(QStringLiteral("actionMasks"));
    connect(m_actMasks, &QAction::triggered, this, [this] { m_pages->EditMasks(); });
    m_maskMenu = m_liveMenu->addMenu(QString());
    m_maskMenu->setObjectName(QStringLiteral("applyMaskMenu"));
    // The masks may have changed since the menu was last filled.
    connect(m_liveMenu, &QMenu::aboutToShow, this, &Orvane::UpdateMaskMenu);
    UpdateMaskMenu();

    m_helpMenu = menuBar()->addMenu(QString());
    m_helpMenu->addAction(m_actAbout);
}

void Orvane::CreateToolBar()
{
    m_toolBar = addToolBar(QString());
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->addAction(m_actNew);
    m_toolBar->addAction(m_actOpen);
    m_toolBar->addAction(m_actSave);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_actOutputOn);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_actReleaseScenes);
    m_toolBar->addAction(m_actReleaseEffects);
    m_toolBar->addAction(m_actReleaseLive);
    m_toolBar->addSeparator();
    m_volume = new QSlider(Qt::Horizontal, m_toolBar);
    m_volume->setObjectName(QStringLiteral("volumeSlider"));
    m_volume->setRange(0, 100);
    m_volume->setFixedWidth(kVolumeWidth);
    // Moved with the mouse only: the operator's keys stay with the show.
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setValue(m_project.m_volume);
    connect(m_volume, &QSlider::valueChanged, this, &Orvane::OnVolumeChanged);
    m_toolBar->addWidget(m_volume);

    m_netIcons[kNetIdle] = NetworkIcon(QColor(190, 190, 190), QColor(130, 130, 130));
    m_netIcons[kNetRunning] = NetworkIcon(QColor(67, 160, 71), QColor(43, 47, 54));
    m_netIcons[kNetFailed] = NetworkIcon(QColor(229, 57, 53), QColor(43, 47, 54));
    m_netIcons[kNetDark] = NetworkIcon(QColor(90, 30, 30), QColor(90, 90, 90));
    m_toolBar->addSeparator();
    m_actArtNetStatus = m_toolBar->addAction(m_netIcons[kNetIdle], QString());
    m_actArtNetStatus->setObjectName(QStringLiteral("actionArtNetStatus"));
    m_actWiFiStatus = m_toolBar->addAction(m_netIcons[kNetIdle], QString());
    m_actWiFiStatus->setObjectName(QStringLiteral("actionWiFiStatus"));
    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setObjectName(QStringLiteral("networkBlinkTimer"));
    m_blinkTimer->setInterval(kNetworkBlinkMs);
    connect(m_blinkTimer, &QTimer::timeout, this, &Orvane::OnNetworkBlink);
    UpdateNetworkIcons();
}

void Orvane::CreatePanels()
{
    // The live pages window comes first; the dispatcher sees the show
    // through it.
    m_pages = new CPagesWnd(m_project);
    m_pages->setObjectName(QStringLiteral("livePagesWindow"));
    m_editorFactory = std::make_unique<CEditorFactory>(m_project);
    m_pages->SetEditorFactory(m_editorFactory.get());
    connect(m_pages, &CPagesWnd::modeChanged, this, &Orvane::SetLivePagesMode);
    m_dispatcher = std::make_unique<CTriggerDispatcher>(m_project, *m_pages);
    m_dispatcher->SetCommandTriggers(QStringList(std::begin(m_options->m_liveTriggers),
                                                 std::end(m_options->m_liveTriggers)));
    CPageOptionsDlg::SetTriggerDialogRunner(
        [this](CTriggers& triggers, QWidget* parent) { return TriggerRunner()(triggers, false, false, parent); });
    m_dispatcher->SetMastersChangedHandler([this] {
        if (m_commands)
            m_commands->Refresh();
    });

    CGroupOptionsDlg::SetTriggerDialogRunner(
        [this](CTriggers& triggers, QWidget* parent) { return TriggerRunner()(triggers, false, false, parent); });
    m_fixtures = new CFixturesWnd(m_project);
    m_fixtures->setObjectName(QStringLiteral("fixturesWindow"));

    m_toolArea = new QWidget;
    m_toolArea->setObjectName(QStringLiteral("toolArea"));
    auto* toolLayout = new QVBoxLayout(m_toolArea);
    toolLayout->setContentsMargins(0, 0, 0, 0);
    m_presets = new CPresetsWnd(m_project, m_toolArea);
    m_presets->setObjectName(QStringLiteral("presetsPanel"));
    CEffectWnd::SetColorSource(m_presets);
    m_faders = new CDmxChannelsWnd(m_project, m_toolArea);
    m_faders->setObjectName(QStringLiteral("channelFadersPanel"));
    m_commands = new CCommandsWnd(m_project, m_toolArea);
    m_commands->setObjectName(QStringLiteral("commandsPanel"));
    m_fading = new CFadingWnd(m_project, m_toolArea);
    m_fading->setObjectName(QStringLiteral("fadingPanel"));
    connect(m_fading, &CFadingWnd::pageButtonsChanged, this, &Orvane::RefreshPageMarks);
    m_timeLine = new CTimeLineWnd(
        m_project, [this] { return m_makeMusicPlayer ? m_makeMusicPlayer(this) : new CSystemMusicPlayer(this); },
        m_toolArea);
    m_timeLine->setObjectName(QStringLiteral("timeLinePanel"));
    CTimeLineCtrl& timeLine = m_timeLine->Control();
    CTimeLineCtrl::SDialogs& dialogs = timeLine.Dialogs();
    dialogs.chooseColor = [&timeLine](int& color) { return CColorDlg::Run(color, &timeLine); };
    dialogs.chooseTime = [&timeLine](int& ms, int low, int high) { return CTimeDlg::Run(ms, low, high, &timeLine); };
    dialogs.chooseFilter = [&timeLine](int& cutOff, int& second, bool& on) {
        CFilterDlg::SFilter filter{on, cutOff, second};
        if (!CFilterDlg::Run(filter, &timeLine))
            return false;
        on = filter.on;
        cutOff = filter.cutOff;
        second = filter.secondFrequency;
        return true;
    };
    m_toolPanels[kTimelinePanel] = m_timeLine;
    m_toolPanels[kPresetsPanel] = m_presets;
    m_toolPanels[kFadersPanel] = m_faders;
    m_toolPanels[kCommandsPanel] = m_commands;
    m_toolPanels[kFadingPanel] = m_fading;
    for (QWidget* panel : m_toolPanels) {
        if (panel) {
            panel->hide();
            toolLayout->addWidget(panel);
        }
    }

    // Above the split bar the live pages and fixtures windows, below it the tool area.
    m_splitBar = new QSplitter(Qt::Vertical);
    m_splitBar->setObjectName(QStringLiteral("mainSplitBar"));
    m_splitBar->setChildrenCollapsible(false);
    m_splitBar->addWidget(m_pages);
    m_splitBar->addWidget(m_fixtures);
    m_splitBar->addWidget(m_toolArea);
    m_splitBar->setStretchFactor(0, 1);
    setCentralWidget(m_splitBar);
}

QWidget* Orvane::ToolPanel(int panel) const
{
    return panel >= 0 && panel < kToolPanelCount ? m_toolPanels[size_t(panel)] : nullptr;
}

void Orvane::ShowToolPanel(int panel)
{
    QWidget* shown = ToolPanel(panel);
    if (!shown)
        return;
    m_toolPanel = panel;
    for (QWidget* other : m_toolPanels) {
        if (other && other != shown)
            other->hide();
    }
    if (QAction* action = m_actToolPanel[size_t(panel)])
        action->setChecked(true);
    // A hidden panel does not follow the show: it catches up as it appears.
    if (panel == kPresetsPanel) {
        m_presets->UpdateSelection();
        // A rebuild lost the marks of the effect being edited.
        if (m_pages)
            m_pages->RefreshEditMode();
    }
    RefreshShownPanel();
    shown->show();
}

void Orvane::RefreshShownPanel()
{
    if (!m_toolPanels[size_t(m_toolPanel)])
        return;
    if (m_toolPanel == kPresetsPanel)
        m_presets->RefreshMasterControls();
    else if (m_toolPanel == kFadersPanel)
        m_faders->RefreshLevels();
    else if (m_toolPanel == kCommandsPanel)
        m_commands->Refresh();
}

void Orvane::OpenLevelMonitor()
{
    if (!m_levelMonitor) {
        m_levelMonitor = new CDmxLevelsWnd(m_project, this);
        m_levelMonitor->setObjectName(QStringLiteral("dmxLevelsMonitor"));
        // A tool window of its own stays above the main window, which a
        // click would otherwise raise over it; over a main window that
        // stays on top it must stay on top as well to be seen at all.
        m_levelMonitor->setWindowFlag(Qt::Tool, true);
        m_levelMonitor->setWindowFlag(Qt::WindowStaysOnTopHint, windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        m_levelMonitor->Retranslate();
    }
    m_levelMonitor->show();
    m_levelMonitor->raise();
    // Closed, it read nothing: its marks and levels are those of now.
    m_levelMonitor->OnLiveLevelsChanged();
    m_levelMonitor->Tick();
}

CEffect* Orvane::EditedEffect() const
{
    return m_pages ? m_pages->EditedEffect() : nullptr;
}

void Orvane::SetLivePagesMode(int mode)
{
    m_livePagesMode = mode;
    // Kept, an edit marks the show itself; dropped, it leaves the file
    // holding what the show no longer has.
    if (mode == CPagesWnd::PagesMode && std::exchange(m_fileHoldsEdit, false))
        SetModified(true);
    if (m_fading)
        m_fading->SetEditMode(mode != 0);
    // Only a scene's editor changes what the timeline plays.
    if (m_timeLine && (mode == CPagesWnd::SceneEditMode || m_timeLineEditing)) {
        m_timeLineEditing = mode == CPagesWnd::SceneEditMode;
        m_timeLine->SetEditMode(m_timeLineEditing);
    }
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshMasterControls();
    UpdateMaskMenu();
}

void Orvane::Retranslate()
{
    m_fileMenu->setTitle(GetLangText(Txt::MenuFile));
    m_actNew->setText(GetLangText(Txt::MenuFileNew));
    m_actOpen->setText(GetLangText(Txt::MenuFileOpen));
    m_actSave->setText(GetLangText(Txt::MenuFileSave));
    m_actSaveAs->setText(GetLangText(Txt::MenuFileSaveAs));
    m_actImport->setText(GetLangText(Txt::MenuFileImport));
    m_actOptions->setText(GetLangText(Txt::MenuFileOptions));
    m_actExit->setText(GetLangText(Txt::MenuFileExit));
    m_outputMenu->setTitle(GetLangText(Txt::MenuOutput));
    m_actOutputMode[0]->setText(GetLangText(Txt::OutputInterfaces));
    m_actOutputMode[1]->setText(GetLangText(Txt::OutputArtNet));
    m_actOutputMode[2]->setText(GetLangText(Txt::OutputBoth));
    m_actOutputOn->setText(GetLangText(Txt::OutputOn));
    m_liveMenu->setTitle(GetLangText(Txt::MenuLive));
    m_actReleaseScenes->setText(GetLangText(Txt::ReleaseScenes));
    m_actReleaseEffects->setText(GetLangText(Txt::ReleaseEffects));
    m_actReleaseLive->setText(GetLangText(Txt::ReleaseLive));
    m_actSendEditDmx->setText(GetLangText(Txt::SendEditDmx));
    if (m_actMasks)
        m_actMasks->setText(GetLangText(Txt::EdMasks));
    m_maskMenu->setTitle(GetLangText(Txt::ApplyMask));
    m_helpMenu->setTitle(GetLangText(Txt::MenuHelp));
    m_actAbout->setText(GetLangText(Txt::MenuAbout));
    m_volume->setToolTip(GetLangText(Txt::Volume));
    m_toolBar->setWindowTitle(GetLangText(Txt::MainToolBar));
    m_actArtNetStatus->setText(GetLangText(Txt::ArtNetNetwork));
    m_actWiFiStatus->setText(GetLangText(Txt::WiFiNetwork));
    m_actToolPanel[kPresetsPanel]->setText(GetLangText(Txt::ToolPanelPresets));
    m_actToolPanel[kFadersPanel]->setText(GetLangText(Txt::ToolPanelFaders));
    m_actToolPanel[kCommandsPanel]->setText(GetLangText(Txt::ToolPanelCommands));
    m_actToolPanel[kFadingPanel]->setText(GetLangText(Txt::ToolPanelFading));
    m_actToolPanel[kTimelinePanel]->setText(GetLangText(Txt::ToolPanelTimeLine));
    m_timeLine->Retranslate();
    m_actLevelMonitor->setText(GetLangText(Txt::DmxLevelsTitle));
    m_pages->Retranslate();
    m_fixtures->Retranslate();
    m_presets->Retranslate();
    m_faders->Retranslate();
    m_commands->Retranslate();
    m_fading->Retranslate();
    if (m_levelMonitor)
        m_levelMonitor->Retranslate();
    UpdateTitle();
}
