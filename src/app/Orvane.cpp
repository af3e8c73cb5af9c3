// The main window's life: construction, start-up, the options record and
// the close that ends the program.

#include "app/Orvane.h"

#include "app/options/AppOptions.h"
#include "app/DmxRecorder.h"
#include "app/Globals.h"
#include "app/ModalWrappers.h"
#include "app/OptionsDlg.h"
#include "app/OptionsFile.h"
#include "app/ProjectLink.h"
#include "Common/ArtNet/ArtNetManager.h"
#include "Common/Midi/MidiManager.h"
#include "devices/DeviceManager.h"
#include "editors/EditorFactory.h"
#include "live/DmxLevelsWnd.h"
#include "layout/FixturesWnd.h"
#include "layout/GroupOptionsDlg.h"
#include "live/PageOptionsDlg.h"
#include "live/PagesWnd.h"
#include "live/TriggerDispatcher.h"
#include "model/Triggers.h"
#include "timeline/TimeLineWnd.h"
#include "widgets/PresetModeCtrl.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSplashScreen>
#include <QSplitter>
#include <QTimer>

Orvane* g_pMainWnd = nullptr;
CProject* g_pProject = nullptr;
CAppOptions* g_pOptions = nullptr;

namespace {

const QString kOptionsFileName = QStringLiteral("Orvane.ini");

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
    , m_tick(m_setup.tickClock)
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
    m_bTickOn = false;
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

    // Before the show opens: the scenes it restores as playing ask for it.
    m_renderTimer = new QTimer(this);
    m_renderTimer->setObjectName(QStringLiteral("renderBeforeTickTimer"));
    m_renderTimer->setSingleShot(true);
    m_renderTimer->setTimerType(Qt::PreciseTimer);
    connect(m_renderTimer, &QTimer::timeout, this, &Orvane::RenderBeforeTick);
    if (!m_setup.renderClockNs) {
        auto since = std::make_shared<QElapsedTimer>();
        since->start();
        m_setup.renderClockNs = [since] { return since->nsecsElapsed(); };
    }

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
    m_timer->setObjectName(QStringLiteral("masterTickTimer"));
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Orvane::OnTimer);
    m_tick.Start();
    m_bTickOn = true;
    ArmTickTimer();
    CloseSplash();
    // After the window shows, with the tick already running under the boxes.
    QTimer::singleShot(0, this, &Orvane::ShowHeldMessages);
}

void Orvane::LoadOptions()
{
    QString error;
    if (!COptionsFile::Load(*m_options, OptionsPath(), &error))
        qWarning("Orvane: options not read from %s (%s); defaults used", qPrintable(OptionsPath()),
                 qPrintable(error));
}

bool Orvane::SaveOptions(QString* error)
{
    QString reason;
    if (COptionsFile::Save(*m_options, OptionsPath(), &reason))
        return true;
    qWarning("Orvane: options not written to %s (%s)", qPrintable(OptionsPath()), qPrintable(reason));
    if (error)
        *error = reason;
    return false;
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

void Orvane::RestoreStartPage()
{
    m_pages->SelectPage(0);
    ShowToolPanel(kPresetsPanel);
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

void Orvane::closeEvent(QCloseEvent* event)
{
    // An open edit asks before the project's question, as File Open does.
    if (!MayCloseShow()) {
        event->ignore();
        return;
    }
    // Told before the tick stops, so the show goes on while it is read.
    QString error;
    if (!SaveOptions(&error))
        ::ShowInformation(this, GetLangText(Txt::Error),
                          GetLangText(Txt::CannotWriteFile).arg(QDir::toNativeSeparators(OptionsPath()), error));
    m_bTickOn = false;
    m_timer->stop();
    if (m_timeLine)
        m_timeLine->Stop();
    if (m_levelMonitor)
        m_levelMonitor->close();
    event->accept();
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
