#include "app/Orvane.h"

#include "app/AppOptions.h"
#include "app/DmxRecorder.h"
#include "app/Globals.h"
#include "app/ModalWrappers.h"
#include "app/OptionsDlg.h"
#include "app/ProjectLink.h"
#include "app/ZikoraImportDlg.h"
#include "Common/ArtNet/ArtNetManager.h"
#include "Common/Midi/MidiManager.h"
#include "devices/DeviceLog.h"
#include "devices/DeviceManager.h"
#include "editors/EditSceneWnd.h"
#include "editors/EditorFactory.h"
#include "live/CommandsWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "live/FadingWnd.h"
#include "layout/FixturesWnd.h"
#include "layout/GroupOptionsDlg.h"
#include "layout/view/FixturesView.h"
#include "live/PageOptionsDlg.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "live/TriggerDispatcher.h"
#include "media/SystemMusicPlayer.h"
#include "model/Triggers.h"
#include "panels/PresetsWnd.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineHeader.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"
#include "widgets/FitMessage.h"
#include "widgets/PresetModeCtrl.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSplashScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <exception>

Orvane* g_pMainWnd = nullptr;
CProject* g_pProject = nullptr;
CAppOptions* g_pOptions = nullptr;

namespace {

constexpr int kTickMs = 25;
constexpr int kNetworkBlinkMs = 500;
const QString kOptionsFileName = QStringLiteral("Orvane.ini");

// Sets the busy flag for a scope and puts back what was there on every way
// out, exceptions included; the tick would otherwise stop for good.
class CBusyScope
{
public:
    explicit CBusyScope(CShowHost& host)
        : m_host(host)
        , m_previous(host.IsBusy())
    {
        m_host.SetBusy(true);
    }
    ~CBusyScope() { m_host.SetBusy(m_previous); }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    CShowHost& m_host;
    bool m_previous;
};

// Runs one step of a file flow. An exception must not cross the event loop:
// it ends the flow as a failure with its text as the reason.
template <typename Step>
bool RunGuarded(Step step, QString& reason)
{
    try {
        return step();
    } catch (const std::exception& e) {
        reason = QString::fromLocal8Bit(e.what());
    } catch (...) {
        reason.clear();
    }
    return false;
}

bool IsCurrentFormat(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("kv3"), Qt::CaseInsensitive) == 0;
}

// The splash draws its message this far in from both sides.
constexpr int kSplashMargin = 5;

QPixmap SplashPicture()
{
    QPixmap picture(420, 220);
    picture.fill(QColor(210, 218, 238));
    QPainter painter(&picture);
    painter.setPen(QColor(229, 121, 72));
    QFont font = painter.font();
    font.setPointSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("Orvane"));
    painter.setPen(QColor(60, 60, 60));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    return picture;
}

bool UsesArtNet(int outputMode)
{
    return outputMode == 1 || outputMode == 2;
}

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

Orvane::Orvane(const QString& projectPath, QWidget* parent)
    : Orvane([&projectPath] {
          COrvaneSetup setup;
          setup.projectPath = projectPath;
          return setup;
      }(),
             parent)
{
}

Orvane::Orvane(COrvaneSetup setup, QWidget* parent)
    : QMainWindow(parent)
    , m_setup(std::move(setup))
    , m_document(m_setup.document ? std::move(m_setup.document) : std::make_unique<CProjectLink>(m_project))
    , m_options(std::make_unique<CAppOptions>())
    , m_devices(std::make_unique<CDeviceManager>(std::move(m_setup.deviceTransport)))
    , m_midi(std::make_unique<CMidiManager>())
{
    if (m_setup.programDir.isEmpty())
        m_setup.programDir = QCoreApplication::applicationDirPath();

    g_pMainWnd = this;
    g_pProject = &m_project;
    // The preset mode switches ask the project where a change goes.
    SetPresetEditTargetSource([] { return g_pProject ? g_pProject->EditTarget() : int(PresetModeLive); });
    g_pOptions = m_options.get();
    SetShowHost(this);

    // The splash speaks before the options chose a language.
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
    ShowSplashMessage(GetLangText(Txt::Loading));

    // The actions exist before the start-up sequence, whose project reset
    // already asks for them to be updated.
    CreateActions();
    RunStartUp();
}

Orvane::~Orvane()
{
    m_timer->stop();
    CPageOptionsDlg::SetTriggerDialogRunner(nullptr);
    CGroupOptionsDlg::SetTriggerDialogRunner(nullptr);
    SetShowHost(nullptr);
    // The panels hold the project, which goes before the window's children would.
    delete m_levelMonitor;
    delete m_splitBar;
    SetPresetEditTargetSource(nullptr);
    g_pMainWnd = nullptr;
    g_pOptions = nullptr;
    g_pProject = nullptr;
}

QString Orvane::OptionsPath() const
{
    return QDir(m_setup.programDir).filePath(kOptionsFileName);
}

void Orvane::RunStartUp()
{
    // Relative folders ("Profiles", "System", "Media") are the program's own.
    QDir::setCurrent(m_setup.programDir);
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    InitKeyNames();
    LoadOptions();
    SetLanguage(m_options->LanguageInUse());
    m_document->Reset(m_options->m_nbUniverses);
    if (m_options->m_bStayOnTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_actSendEditDmx->setChecked(m_options->m_bSendEditDmx);
    CreateMenus();
    CreateToolBar();
    CreatePanels();
    Retranslate();
    ApplyPalette();
    OpenInterfaces();

    const QString lastProject = m_options->m_lastProject;
    if (!m_setup.projectPath.isEmpty())
        OpenProject(m_setup.projectPath);
    else if (m_options->m_bOpenLastProject && !lastProject.isEmpty() && QFileInfo(lastProject).isFile())
        OpenProject(lastProject);
    else
        m_document->Reset(-1);
    UpdateTitle();

    ConnectMidi();
    RestoreStartPage();

    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Orvane::OnTimer);
    m_tick.Start();
    m_timer->start(kTickMs);
    CloseSplash();
}

void Orvane::LoadOptions()
{
    QString error;
    if (!m_options->Load(OptionsPath(), &error))
        qWarning("Orvane: options not read from %s (%s); defaults used", qPrintable(OptionsPath()),
                 qPrintable(error));
}

bool Orvane::SaveOptions()
{
    QString error;
    if (m_options->Save(OptionsPath(), &error))
        return true;
    qWarning("Orvane: options not written to %s (%s)", qPrintable(OptionsPath()), qPrintable(error));
    return false;
}

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
    if (panel == kPresetsPanel)
        m_presets->UpdateSelection();
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
    if (m_fading)
        m_fading->SetEditMode(mode != 0);
    // Only a scene's editor changes what the timeline plays.
    if (m_timeLine && (mode == CPagesWnd::SceneEditMode || m_timeLineEditing)) {
        m_timeLineEditing = mode == CPagesWnd::SceneEditMode;
        m_timeLine->SetEditMode(m_timeLineEditing);
    }
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshMasterControls();
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

void Orvane::ApplyPalette()
{
    m_palette = palette();
    m_palette.setColor(QPalette::Window, QColor(210, 218, 238));
    m_palette.setColor(QPalette::Button, QColor(175, 175, 170));
    m_palette.setColor(QPalette::Highlight, QColor(229, 121, 72));
    // The style's grey for disabled text all but vanishes on these buttons:
    // a darker grey stays readable and still tells disabled from enabled.
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        m_palette.setColor(QPalette::Disabled, role, QColor(90, 90, 90));
    setPalette(m_palette);
}

void Orvane::OpenInterfaces()
{
    connect(m_devices.get(), &CDeviceManager::dmxInputRefreshed, this, &Orvane::OnDmxInputRefreshed);
    connect(m_devices.get(), &CDeviceManager::standAloneInputsChanged, this, &Orvane::OnStandAloneInputs);
    connect(m_devices.get(), &CDeviceManager::interfaceLost, this, &Orvane::OnInterfaceLost);
    m_devices->OpenDevices();
    // Output runs from the start, to whatever the output mode names.
    m_bOutputOn = true;
    UpdateOutputActions();
}

void Orvane::ConnectMidi()
{
    // Key pressure and the pitch wheel trigger nothing.
    connect(m_midi.get(), &CMidiManager::noteOn, this, &Orvane::OnNoteOn);
    connect(m_midi.get(), &CMidiManager::noteOff, this, &Orvane::OnNoteOff);
    connect(m_midi.get(), &CMidiManager::controlChange, this, &Orvane::OnControlChange);
    connect(m_midi.get(), &CMidiManager::programChange, this, &Orvane::OnProgramChange);
    m_midi->OpenInputPorts();
}

void Orvane::RestoreStartPage()
{
    m_pages->SelectPage(0);
    ShowToolPanel(kPresetsPanel);
}

void Orvane::StartArtNet()
{
    if (!m_artNet)
        m_artNet = std::make_unique<CArtNetManager>();
    // After a failure every new request tries again: the operator may have
    // closed whatever held the port.
    if (!m_artNet->IsRunning())
        m_artNet->Start();
    UpdateNetworkIcons();
}

void Orvane::UpdateNetworkIcons()
{
    const bool artNetFailed = m_artNet && m_artNet->HasFailed();
    if (!artNetFailed) {
        m_blinkTimer->stop();
        m_bBlinkLit = true;
    } else if (!m_blinkTimer->isActive()) {
        m_bBlinkLit = true;
        m_blinkTimer->start();
    }
    ENetworkLook artNet = kNetIdle;
    if (artNetFailed)
        artNet = m_bBlinkLit ? kNetFailed : kNetDark;
    else if (m_artNet && m_artNet->IsRunning())
        artNet = kNetRunning;
    m_actArtNetStatus->setIcon(m_netIcons[artNet]);
    // No Wi-Fi interface is driven by this build, so its network is never started.
    m_actWiFiStatus->setIcon(m_netIcons[kNetIdle]);
}

void Orvane::OnNetworkBlink()
{
    m_bBlinkLit = !m_bBlinkLit;
    UpdateNetworkIcons();
}

void Orvane::UpdateTitle()
{
    const QString name = m_projectPath.isEmpty() ? GetLangText(Txt::Untitled) : QFileInfo(m_projectPath).fileName();
    setWindowTitle(QStringLiteral("%1 - %2%3")
                       .arg(GetLangText(Txt::AppTitle), name, m_bModified ? QStringLiteral(" *") : QString()));
}

void Orvane::UpdateOutputActions()
{
    for (int mode = 0; mode < 3; ++mode)
        m_actOutputMode[mode]->setChecked(mode == m_outputMode);
    const QSignalBlocker blocker(m_actOutputOn);
    m_actOutputOn->setChecked(m_bOutputOn);
}

void Orvane::ShowProgress(const QString& text)
{
    if (m_splash)
        ShowSplashMessage(text);
    statusBar()->showMessage(text);
    // Painted before the flow holds the program; the operator's input waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Orvane::ClearProgress()
{
    statusBar()->clearMessage();
}

// --- File commands ---------------------------------------------------------

bool Orvane::MayDiscardProject()
{
    if (!m_bModified)
        return true;
    SuspendVideoWindow();
    const int answer = QMessageBox::question(this, GetLangText(Txt::AppTitle), GetLangText(Txt::SaveChanges),
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                             QMessageBox::Yes);
    ResumeVideoWindow();
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    return OnFileSave();
}

void Orvane::RememberProject(const QString& path)
{
    m_projectPath = path;
    m_options->m_lastProject = QFileInfo(path).absoluteFilePath();
}

bool Orvane::OpenProject(const QString& path)
{
    if (m_bBusy)
        return false;
    bool opened = false;
    if (m_fixtures)
        m_fixtures->CancelPatchDialog(); // its records point into the outgoing project
    {
        CBusyScope busy(*this);
        if (m_pages)
            m_pages->DetachFromProject();
        ShowProgress(GetLangText(Txt::OpeningProject).arg(QFileInfo(path).fileName()));
        QString reason;
        opened = RunGuarded([&] { return m_document->Open(path); }, reason);
        if (!opened && !reason.isEmpty()) {
            // Whatever the document had read is not to be trusted.
            RunGuarded([&] { m_document->Reset(-1); return true; }, reason);
        }
        ClearProgress();
        // A load error was left on the splash screen for its pause; after
        // start-up nothing else would close it.
        CloseSplash();
    }
    if (opened)
        RememberProject(path);
    else
        m_projectPath.clear();
    m_bModified = false;
    UpdateTitle();
    return opened;
}

bool Orvane::ImportProject(const QString& path)
{
    if (m_bBusy)
        return false;
    if (m_fixtures)
        m_fixtures->CancelPatchDialog();
    bool imported = false;
    {
        CBusyScope busy(*this);
        ShowProgress(GetLangText(Txt::ImportingProject).arg(QFileInfo(path).fileName()));
        QString reason;
        imported = RunGuarded([&] { return m_document->Import(path); }, reason);
        ClearProgress();
        CloseSplash();
    }
    if (imported)
        SetModified(true);
    return imported;
}

bool Orvane::SaveProject(const QString& path)
{
    if (m_bBusy)
        return false;
    bool saved = false;
    QString reason;
    {
        CBusyScope busy(*this);
        ShowProgress(GetLangText(Txt::SavingProject).arg(QFileInfo(path).fileName()));
        saved = RunGuarded([&] { return m_document->Save(path, reason); }, reason);
        ClearProgress();
    }
    if (!saved) {
        // Told once the busy flag is down, so the show keeps running while
        // the operator reads it.
        QString text = GetLangText(Txt::CouldNotSave).arg(QDir::toNativeSeparators(path));
        if (!reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        ::ShowInformation(this, GetLangText(Txt::Error), text);
        return false;
    }
    RememberProject(path);
    m_bModified = false;
    UpdateTitle();
    return true;
}

void Orvane::OnFileNew()
{
    if (m_bBusy || !MayDiscardProject())
        return;
    if (m_fixtures)
        m_fixtures->CancelPatchDialog();
    m_document->Reset(-1);
    m_projectPath.clear();
    m_bModified = false;
    UpdateTitle();
}

void Orvane::OnFileOpen()
{
    if (m_bBusy || !MayDiscardProject())
        return;
    SuspendVideoWindow();
    const QString path = QFileDialog::getOpenFileName(this, GetLangText(Txt::OpenProjectTitle), QString(),
                                                      GetLangText(Txt::ProjectFilter));
    ResumeVideoWindow();
    if (!path.isEmpty())
        OpenProject(path);
}

bool Orvane::OnFileSave()
{
    // Older formats are read, never written: such a project is saved anew.
    if (m_projectPath.isEmpty() || !IsCurrentFormat(m_projectPath))
        return OnFileSaveAs();
    return SaveProject(m_projectPath);
}

bool Orvane::OnFileSaveAs()
{
    if (m_bBusy)
        return false;
    QString suggestion = m_projectPath;
    if (!suggestion.isEmpty() && !IsCurrentFormat(suggestion)) {
        const QFileInfo info(suggestion);
        suggestion = info.dir().filePath(info.completeBaseName() + QStringLiteral(".kv3"));
    }
    SuspendVideoWindow();
    QString path = QFileDialog::getSaveFileName(this, GetLangText(Txt::SaveProjectTitle), suggestion,
                                                GetLangText(Txt::CurrentProjectFilter));
    ResumeVideoWindow();
    if (path.isEmpty())
        return false;
    if (!IsCurrentFormat(path))
        path += QStringLiteral(".kv3");
    return SaveProject(path);
}

TriggerDialogRunner Orvane::TriggerRunner()
{
    return [this](CTriggers& triggers, bool levelMode, bool autoRelease, QWidget* parent) {
        return RunTriggerDialog(triggers, levelMode, autoRelease, m_project.UniverseCount(), parent);
    };
}

void Orvane::OnOptions()
{
    COptionsDlg dialog(*m_options, OptionsPath(), TriggerRunner(), m_dispatcher.get(), this);
    connect(&dialog, &COptionsDlg::optionsApplied, this, &Orvane::ApplyOptions);
    connect(&dialog, &COptionsDlg::optionsApplied, m_fixtures, &CFixturesWnd::ApplyOptions);
    SuspendVideoWindow();
    dialog.exec();
    ResumeVideoWindow();
}

void Orvane::ApplyOptions()
{
    const int language = m_options->LanguageInUse();
    if (language != GetLanguage()) {
        SetLanguage(language);
        Retranslate();
    }
    if (m_options->m_bStayOnTop != bool(windowFlags() & Qt::WindowStaysOnTopHint)) {
        // A new window flag hides the window; it comes back where it was.
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, m_options->m_bStayOnTop);
        if (shown)
            show();
    }
    RefreshCurrentPanel();
}

void Orvane::OnFileImport()
{
    if (m_bBusy)
        return;
    SuspendVideoWindow();
    const QString path = QFileDialog::getOpenFileName(this, GetLangText(Txt::ImportTitle), QString(),
                                                      GetLangText(Txt::OlderProjectFilter));
    ResumeVideoWindow();
    if (!path.isEmpty())
        ImportProject(path);
}

void Orvane::handleMessage(const QString& message)
{
    // Never while an editor is open, nor in the middle of another file flow.
    if (m_livePagesMode != 0 || m_bBusy || message.isEmpty() || !QFileInfo(message).isFile())
        return;
    if (!MayDiscardProject())
        return;
    OpenProject(message);
    // Back to the front as it was left, maximised or not.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void Orvane::closeEvent(QCloseEvent* event)
{
    if (m_bBusy || !MayDiscardProject()) {
        event->ignore();
        return;
    }
    m_timer->stop();
    if (m_timeLine)
        m_timeLine->Stop();
    SaveOptions();
    if (m_levelMonitor)
        m_levelMonitor->close();
    event->accept();
}

void Orvane::keyPressEvent(QKeyEvent* event)
{
    if (IsEditing()) {
        // The editor alone hears the keys, held ones repeating as in any
        // editor; what it leaves goes the usual way of Qt, not to the show.
        if (m_pages && m_pages->HandleKey(event->key(), event->modifiers()))
            event->accept();
        else
            QMainWindow::keyPressEvent(event);
        return;
    }
    if (m_timeLine && m_toolPanel == kTimelinePanel) {
        if (m_timeLine->KeyPress(event->key())) {
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete && DeleteTarget() == kTimeMarkersTarget) {
            m_timeLine->Ruler().RemoveSelectedMarker();
            event->accept();
            return;
        }
    }
    // A held key repeats; a trigger fires once per press.
    if (!event->isAutoRepeat())
        RouteKey(event->key(), true);
    QMainWindow::keyPressEvent(event);
}

void Orvane::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        RouteKey(event->key(), false);
    QMainWindow::keyReleaseEvent(event);
}

void Orvane::ResetPortRefresh()
{
    if (m_devices)
        m_devices->ResetPortRefresh();
}

void Orvane::RouteKey(int key, bool pressed)
{
    // An open editor has its keys from keyPressEvent.
    if (IsEditing() || !m_dispatcher)
        return;
    if (pressed && m_fixtures)
        m_fixtures->OnKeyTrigger(key, Qt::NoModifier);
    if (pressed && key == Qt::Key_Delete && m_fixtures && DeleteTarget() == 0)
        m_fixtures->DelFixtures();
    m_dispatcher->KeyTrigger(key, pressed);
}

// --- Output and release commands -----------------------------------------

void Orvane::SetOutputMode(int mode)
{
    if (mode < 0 || mode > 2)
        return;
    m_outputMode = mode;
    UpdateOutputActions();
    if (m_bOutputOn && UsesArtNet(m_outputMode))
        StartArtNet();
}

void Orvane::OnOutputOn(bool on)
{
    m_bOutputOn = on;
    if (on && UsesArtNet(m_outputMode))
        StartArtNet();
}

void Orvane::PlaySceneSound(const QString& path, int volume)
{
    if (!m_sceneSound)
        m_sceneSound = m_makeMusicPlayer ? m_makeMusicPlayer(this) : new CSystemMusicPlayer(this);
    m_sceneSound->Stop();
    m_sceneSound->SetFile(path);
    m_sceneSound->SetVolume(qBound(0, volume, 100));
    m_sceneSound->Play();
}

void Orvane::StopSceneSound()
{
    if (m_sceneSound)
        m_sceneSound->Stop();
}

void Orvane::SetSceneSoundVolume(int volume)
{
    // The volume is the project's: a player made later starts with it.
    if (m_sceneSound)
        m_sceneSound->SetVolume(qBound(0, volume, 100));
}

void Orvane::OnReleaseScenes()
{
    ReleaseScenes();
}

void Orvane::ReleaseScenes()
{
    m_document->ReleaseScenes();
    m_actReleaseScenes->setEnabled(false);
}

void Orvane::OnReleaseEffects()
{
    m_document->ReleaseEffects();
    UpdateReleaseEffectsAction();
}

void Orvane::OnReleaseLive()
{
    m_document->ReleaseLive();
    // A hidden presets panel catches up when it is shown.
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshControls();
    RefreshShownPanel();
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
}

void Orvane::ToggleSendEditDmx()
{
    m_options->m_bSendEditDmx = !m_options->m_bSendEditDmx;
    m_actSendEditDmx->setChecked(m_options->m_bSendEditDmx);
    if (!m_document->IsPlaybackRunning() && !m_document->IsEffectEditing())
        m_document->RefreshOutput();
}

// --- Master tick -----------------------------------------------------------

void Orvane::OnTimer()
{
    CTickState state;
    state.busy = m_bBusy;
    state.outputOn = m_bOutputOn;
    state.outputMode = m_outputMode;
    state.recording = m_bRecording;
    state.liveLevelsChanged = m_bLiveLevelsChanged;
    if (m_tick.Fire(state, m_pStages ? *m_pStages : static_cast<CTickStages&>(*this)) >= 0 && m_bUiUpdate) {
        m_bUiUpdate = false;
        RefreshShownPanel();
    }
}

void Orvane::TickTimeline(int ms)
{
    if (m_timeLine)
        m_timeLine->Tick(ms);
}

void Orvane::TickProject(int ms)
{
    m_document->Tick(ms);
}

void Orvane::TickLivePagesOrEditor(int ms)
{
    m_pages->Tick(ms);
}

void Orvane::MergeOutput()
{
    m_document->MergeOutput();
}

void Orvane::TickLayoutView(int ms)
{
    if (m_fixtures && (m_document->IsPlaybackRunning() || m_document->IsEffectEditing()))
        m_fixtures->Tick(ms);
}

void Orvane::TickLevelMonitor(int ms)
{
    Q_UNUSED(ms);
    if (m_levelMonitor && m_levelMonitor->isVisible())
        m_levelMonitor->Tick();
}

void Orvane::InterfacePass(int ms)
{
    CDocumentLink& document = *m_document;
    m_devices->Tick(
        ms, document.UniverseCount(), [&document](int universe) { return document.OutputLevels(universe); },
        [&document](int universe) { return document.DmxInputLevels(universe); }, m_bRecording, IsEditing());
}

void Orvane::ArtNetPass(int ms)
{
    Q_UNUSED(ms);
    // Started by whatever chose an Art-Net mode; a failed start is not
    // retried every 25 ms.
    if (!m_artNet)
        return;
    const CDocumentLink& document = *m_document;
    m_artNet->SendUniverses(document.UniverseCount(),
                            [&document](int universe) { return document.OutputLevels(universe); });
}

void Orvane::RecordDmxInput(int ms)
{
    if (m_bRecording && m_recorder && !m_recorder->Tick(m_project, ms))
        StopDmxRecord();
}

void Orvane::EnableLevelPanels(bool enable)
{
    if (m_presets)
        m_presets->setEnabled(enable);
    if (m_faders)
        m_faders->setEnabled(enable);
}

int Orvane::DmxRecordElapsedMs() const
{
    return m_recorder ? m_recorder->ElapsedMs() : 0;
}

bool Orvane::HasDmxInputPort() const
{
    return m_devices->HasInputPort();
}

void Orvane::StartDmxRecord()
{
    if (m_bRecording || !m_project.m_recordScene)
        return;
    QList<int> universes;
    for (const SDmxInterface& iface : m_devices->Interfaces()) {
        if (iface.lost)
            continue;
        if (iface.portA.direction == kPortInput)
            universes << iface.portA.universe;
        if (iface.HasTwoPorts() && iface.portB.direction == kPortInput)
            universes << iface.portB.universe;
    }
    const CRecordConfig& config = m_options->m_record;
    if (config.autoStart) {
        CDocumentLink& document = *m_document;
        m_devices->ReadInputs(document.UniverseCount(),
                              [&document](int universe) { return document.DmxInputLevels(universe); });
    }
    if (!m_recorder)
        m_recorder = std::make_unique<CDmxRecorder>();
    m_recorder->Start(m_project, config, universes);
    m_bRecording = true;
}

void Orvane::StopDmxRecord()
{
    if (!m_bRecording)
        return;
    m_bRecording = false;
    if (auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor()))
        editor->OnRecordStopped();
}

void Orvane::AddMask()
{
    const QString proposal = GetLangText(Txt::EdMaskNumbered).arg(m_project.m_masks.size() + 1);
    SuspendVideoWindow();
    bool ok = false;
    const QString name = QInputDialog::getText(this, GetLangText(Txt::EdMasks), GetLangText(Txt::EdMaskName),
                                               QLineEdit::Normal, proposal, &ok);
    ResumeVideoWindow();
    if (!ok || name.trimmed().isEmpty())
        return;
    // The levels set: those of the scene edited, else the live ones.
    const bool edited = m_project.m_editedScene != nullptr;
    CMask mask;
    mask.m_name = name;
    for (int u = 0; u < m_project.UniverseCount(); ++u) {
        if (!m_project.IsActive(u))
            continue;
        const quint8* levels = edited ? m_project.m_edit[u] : m_project.m_live[u];
        const quint8* set = edited ? m_project.m_editMask[u] : m_project.m_liveMask[u];
        for (int slot = 0; slot < CDmxLayer::kSlots; ++slot) {
            if (set[slot])
                mask.m_levels.append({u, slot, levels[slot]});
        }
    }
    m_project.m_masks << mask;
    SetModified(true);
}

void Orvane::UpdateReleaseLive()
{
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
    // A closed monitor reads its marks as it opens.
    if (m_levelMonitor && m_levelMonitor->isVisible())
        m_levelMonitor->OnLiveLevelsChanged();
    m_bLiveLevelsChanged = false;
}

// --- Host operations ------------------------------------------------------

void Orvane::ShowSplashMessage(const QString& text)
{
    // Above the main window, which comes up maximised behind it, so that a
    // load error is seen; a long message wraps and a long path loses its middle.
    if (!m_splash)
        m_splash = std::make_unique<QSplashScreen>(SplashPicture(), Qt::WindowStaysOnTopHint);
    m_splash->show();
    const int width = m_splash->width() - 2 * kSplashMargin;
    m_splash->showMessage(FitMessage(text, m_splash->fontMetrics(), width),
                          Qt::AlignBottom | Qt::AlignHCenter | Qt::TextWordWrap, QColor(60, 60, 60));
    QCoreApplication::processEvents();
}

void Orvane::CloseSplash()
{
    if (!m_splash)
        return;
    m_splash->close();
    m_splash.reset();
}

int Orvane::AskQuestion(const QString& title, const QString& text)
{
    return ::AskQuestion(this, title, text);
}

void Orvane::ShowInformation(const QString& title, const QString& text)
{
    ::ShowInformation(this, title, text);
}

void Orvane::WaitAfterLoadError()
{
    // The error stays on the splash screen long enough to be read.
    QThread::msleep(ulong(qMax(0, m_setup.loadErrorWaitMs)));
}

void Orvane::EffectTooLarge()
{
    ::ShowInformation(this, GetLangText(Txt::Warning), GetLangText(Txt::EffectTooLarge));
}

void Orvane::SuspendVideoWindow()
{
    ::SuspendVideoWindow();
}

void Orvane::ResumeVideoWindow()
{
    ::ResumeVideoWindow();
}

bool Orvane::ChooseImportScenes(const QStringList& sceneNames, QList<bool>& keep, bool& newPage)
{
    CZikoraImportDlg dialog(sceneNames, this);
    ::SuspendVideoWindow();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    ::ResumeVideoWindow();
    keep = dialog.SceneChecks();
    newPage = dialog.NewTabState() == Qt::Checked;
    return accepted;
}

void Orvane::OnProjectLoaded()
{
    if (m_timeLine)
        m_timeLine->UpdateFromProject();
    // The first reset comes before the panels are built.
    FixturesChanged();
    if (m_fixtures)
        m_fixtures->LoadProject();
    if (m_pages)
        m_pages->ReloadPages();
    if (m_fading) {
        m_fading->Reload();
        m_faders->UpdateSelection();
        m_commands->Refresh();
    }
    if (m_levelMonitor)
        m_levelMonitor->Reload();
    const int loadedMode = m_document->LoadedDmxMode();
    if (loadedMode != 0) {
        // Output is on before the mode is set, which starts Art-Net when
        // the mode uses it. A mode the window does not know comes from a
        // damaged file: the output keeps its mode, and starts nothing new.
        m_bOutputOn = true;
        UpdateOutputActions();
        SetOutputMode(loadedMode);
        m_document->ClearLoadedDmxMode();
    }
    UpdateReleaseScenesAction(false);
    UpdateReleaseEffectsAction();
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
}

void Orvane::StoreDeviceConfig()
{
    const QVector<SDeviceConfig> open = m_devices->DeviceConfig();
    if (open.isEmpty())
        return;
    // Records past the interfaces keep the settings of interfaces that are
    // not plugged in today.
    QVector<SDeviceConfig> records = m_document->DmxConfig();
    for (int i = 0; i < open.size(); ++i) {
        if (i < records.size())
            records[i] = open[i];
        else
            records.append(open[i]);
    }
    m_document->SetDmxConfig(records);
}

// --- Triggers from MIDI and the interfaces --------------------------------

void Orvane::OnNoteOn(int channel, int note, int velocity)
{
    Q_UNUSED(velocity);
    RouteMidi(1, channel, note, 1);
}

void Orvane::OnNoteOff(int channel, int note, int velocity)
{
    Q_UNUSED(velocity);
    RouteMidi(1, channel, note, 0);
}

void Orvane::OnControlChange(int channel, int controller, int value)
{
    RouteMidi(2, channel, controller, value);
}

void Orvane::OnProgramChange(int channel, int program)
{
    RouteMidi(3, channel, program, -1);
}

void Orvane::RouteMidi(int kind, int channel, int number, int value)
{
    if (m_openTriggerDialog) {
        // The dialog is learning a MIDI trigger; the show must not react to
        // the message the operator plays for it.
        if (!QMetaObject::invokeMethod(m_openTriggerDialog, "SetMidiTrigger", Qt::DirectConnection,
                                       Q_ARG(int, kind), Q_ARG(int, channel), Q_ARG(int, number),
                                       Q_ARG(int, value)))
            qCDebug(lcDevices) << "MIDI: the open trigger dialog takes no MIDI trigger";
        return;
    }
    if (IsEditing())
        return;
    Triggers().MidiTrigger(kind, channel, number, value);
}

void Orvane::OnDmxInputRefreshed(int universe)
{
    // The device manager reports input universes only outside editing and recording.
    Triggers().DmxInputTrigger(universe);
}

void Orvane::OnStandAloneInputs(int input1, int input2, int input3)
{
    const std::array<int, 3> inputs{input1, input2, input3};
    bool fresh = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (inputs[i] != m_standAlone[i]) {
            fresh = fresh || inputs[i] != 0;
            m_standAlone[i] = inputs[i];
        }
    }
    if (fresh && !IsEditing())
        Triggers().StandAloneTrigger(input1, input2, input3);
}

void Orvane::OnInterfaceLost(const QString& description)
{
    // Told without a modal box, which would hold the tick and the other
    // interfaces with it.
    statusBar()->showMessage(GetLangText(Txt::InterfaceLost).arg(description));
}

// The fixtures window's group triggers come before the live pages' dispatcher in each of these.

void Orvane::MidiTrigger(int kind, int channel, int number, int value)
{
    if (m_fixtures)
        m_fixtures->OnMidiTrigger(kind, channel, number, value);
    if (m_dispatcher)
        m_dispatcher->MidiTrigger(kind, channel, number, value);
}

void Orvane::DmxInputTrigger(int universe)
{
    if (m_fixtures)
        m_fixtures->OnDmxTrigger(universe);
    if (m_dispatcher)
        m_dispatcher->DmxInputTrigger(universe);
}

void Orvane::StandAloneTrigger(int a, int b, int c)
{
    if (m_fixtures)
        m_fixtures->OnSaTrigger(a, b, c);
    if (m_dispatcher)
        m_dispatcher->StandAloneTrigger(a, b, c);
}

void Orvane::RepaintLayoutView()
{
    if (m_fixtures)
        m_fixtures->UpdateLiveView();
}

void Orvane::StoreGroupView()
{
    if (m_fixtures)
        m_fixtures->StoreGroupView();
}

void Orvane::FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
{
    if (m_fixtures)
        m_fixtures->View()->ForgetFixtures(fixtures, matrices);
}

bool Orvane::IsLayoutMoveLocked() const
{
    return m_fixtures && m_fixtures->View()->IsLocked();
}

void Orvane::SetLayoutMoveLocked(bool locked)
{
    if (m_fixtures)
        m_fixtures->View()->SetLocked(locked);
}

void Orvane::SelectLivePage(int n)
{
    if (m_pages)
        m_pages->SelectPage(n);
}

void Orvane::RefreshEffectState(int effectSceneIndex)
{
    Q_UNUSED(effectSceneIndex); // every effect scene's light is read again
    RefreshPageMarks();
    UpdateReleaseEffectsAction();
}

void Orvane::RefreshLivePage()
{
    RefreshPageMarks();
    m_bUiUpdate = true;
}

CPageWnd* Orvane::SettledPageView() const
{
    // A file flow may have cleared the project under the buttons: they are
    // not read before OnProjectLoaded rebuilds them.
    return m_pages && !m_bBusy ? m_pages->PageView() : nullptr;
}

void Orvane::RefreshPageMarks()
{
    // Behind an editor the page view is hidden; it rebuilds as it returns.
    CPageWnd* view = SettledPageView();
    if (view && m_pages->Mode() == CPagesWnd::PagesMode)
        view->RefreshMarks();
}

void Orvane::ReloadPage()
{
    // Safe at any time: the view takes its page afresh from the project.
    if (m_pages)
        m_pages->PageView()->Reload();
}

void Orvane::RefreshEffectActions()
{
    if (m_document->HasRunningEffects())
        m_actReleaseEffects->setEnabled(true);
}

void Orvane::NotifySceneEditorScene(CScene* scene)
{
    if (auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor()))
        editor->ShowPlayingStep(scene);
}

void Orvane::NotifySceneEditor(int undoKind, const QString& label)
{
    if (m_pages->Mode() == CPagesWnd::SceneEditMode) {
        if (CLiveEditor* editor = m_pages->ShownEditor())
            editor->PushUndo(undoKind, label);
    }
}

void Orvane::RefreshOutputViews()
{
    m_document->RefreshOutput();
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshControls();
    RefreshShownPanel();
}

void Orvane::RefreshCurrentPanel()
{
    RefreshShownPanel();
    m_bUiUpdate = true;
}

void Orvane::RefreshPagesAndPresets()
{
    // The live pages refresh here.
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->UpdateSelection();
    if (m_faders)
        m_faders->UpdateSelection();
}

void Orvane::ClearEffectMarks()
{
    m_project.ClearEffectMask();
    if (m_presets)
        m_presets->ResetModes();
    if (m_faders)
        m_faders->ResetModes();
    RefreshShownPanel();
    m_bUiUpdate = true;
}

void Orvane::ResetPresets()
{
    if (m_presets)
        m_presets->Reset();
}

void Orvane::FixturesChanged()
{
    if (!m_presets)
        return;
    m_presets->FixturesChanged();
    if (m_toolPanel == kPresetsPanel)
        m_presets->UpdateSelection();
}

void Orvane::MarkDimmersFx()
{
    if (m_presets)
        m_presets->MarkDimmersFx();
}

void Orvane::MarkChannelTypeFx(int channelType)
{
    if (m_presets)
        m_presets->MarkChannelTypeFx(channelType);
}

void Orvane::MarkPanTiltFx()
{
    if (m_presets)
        m_presets->MarkPanTiltFx();
}

void Orvane::MarkColorFx()
{
    if (m_presets)
        m_presets->MarkColorFx();
}

void Orvane::OnSceneStarted(CPage* page, CScene* scene)
{
    if (CPageWnd* view = SettledPageView())
        view->OnSceneStarted(page, scene);
}

void Orvane::OnSceneStopped(CPage* page, CScene* scene)
{
    if (CPageWnd* view = SettledPageView())
        view->OnSceneStopped(page, scene);
    if (m_fading)
        m_fading->OnSceneStopped(scene);
}

void Orvane::UpdateSceneName(CScene* scene)
{
    if (m_timeLine)
        m_timeLine->Control().UpdateSceneName(scene);
    if (m_fading)
        m_fading->UpdateSceneName(scene);
}

void Orvane::UpdateScenePage(CScene* scene, CPage* page)
{
    // The timeline's blocks and the crossfade lists name the page the scene is on now.
    if (m_timeLine)
        m_timeLine->Control().UpdateScenePage(scene, page);
    if (m_fading)
        m_fading->UpdateSceneName(scene);
}

int Orvane::TimeLineSceneLineCount() const
{
    return m_timeLine ? m_timeLine->Control().SceneLineCount() : 0;
}

int Orvane::TimeLineLineEndX(int line) const
{
    return m_timeLine ? m_timeLine->Control().LineEndX(line) : -1;
}

void Orvane::AddTimeLineSceneBlock(CPage* page, CScene* scene, int line, int x)
{
    if (m_timeLine)
        m_timeLine->Control().AddSceneBlock(page, scene, m_timeLine->Control().SceneLine(line), x);
}

void Orvane::AddTimeLineSceneLine()
{
    if (m_timeLine)
        m_timeLine->LineHeader().RequestAddLine(m_timeLine->Control().Lines().size());
}

void Orvane::RemoveSceneBlocks(CScene* scene)
{
    if (m_timeLine)
        m_timeLine->Control().RemoveSceneBlocks(scene);
}

void Orvane::ClearTimeLine()
{
    if (m_timeLine)
        m_timeLine->ClearLines();
}

void Orvane::ClearTimeMarkers()
{
    if (m_timeLine)
        m_timeLine->ClearMarkers();
}

void Orvane::SetTimeLineLength(int ms)
{
    if (m_timeLine)
        m_timeLine->SetLength(ms);
}

void Orvane::SetTimeLineVolume(int volume)
{
    if (m_timeLine)
        m_timeLine->Control().SetVolume(volume);
}

void Orvane::TimeLineReplaceScene(CScene* oldScene, CScene* newScene)
{
    if (m_timeLine)
        m_timeLine->Control().ReplaceScene(oldScene, newScene);
}

void Orvane::FadingUpdateProgress(CScene* scene)
{
    if (m_fading)
        m_fading->UpdateProgress(scene);
}

void Orvane::FadingSceneStopped(CScene* scene)
{
    if (m_fading)
        m_fading->OnSceneStopped(scene);
}

void Orvane::FadingRemoveScene(CScene* scene)
{
    if (m_fading)
        m_fading->RemoveScene(scene);
}

void Orvane::FadingReplaceScene(CScene* oldScene, CScene* newScene)
{
    if (m_fading)
        m_fading->ReplaceScene(oldScene, newScene);
}

void Orvane::LockDimmerChannels()
{
    if (m_faders)
        m_faders->LockDimmerChannels();
}

void Orvane::LockChannelsOfType(int channelType)
{
    if (m_faders)
        m_faders->LockChannelsOfType(channelType);
}

void Orvane::LockPanTiltChannels()
{
    if (m_faders)
        m_faders->LockPanTiltChannels();
}

void Orvane::LockColorChannels()
{
    if (m_faders)
        m_faders->LockColorChannels();
}

void Orvane::UpdateReleaseEffectsAction()
{
    m_actReleaseEffects->setEnabled(m_document->HasRunningEffects());
}

void Orvane::UpdateReleaseScenesAction(bool force)
{
    m_actReleaseScenes->setEnabled(force || m_document->HasPlayingPlainScene());
}

void Orvane::SetModified(bool modified)
{
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    UpdateTitle();
}

bool Orvane::StartScenesOption() const
{
    return m_options->m_bStartScenes;
}

bool Orvane::SendEditDmxOption() const
{
    return m_options->m_bSendEditDmx;
}

int Orvane::UniverseCountOption() const
{
    return m_options->m_nbUniverses;
}

void Orvane::SetUniverseCountOption(int count)
{
    m_options->m_nbUniverses = qBound(1, count, CAppOptions::kMaxUniverses);
    // Accepted in the universe question: kept even if the program stops
    // before it closes.
    SaveOptions();
}
