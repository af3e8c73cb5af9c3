#include "app/Orvane.h"

#include "app/AppOptions.h"
#include "app/Globals.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QFileInfo>
#include <QMenuBar>

Orvane* g_pMainWnd = nullptr;
CProject* g_pProject = nullptr;
CAppOptions* g_pOptions = nullptr;

Orvane::Orvane(const QString& projectPath, QWidget* parent)
    : QMainWindow(parent)
    , m_options(std::make_unique<CAppOptions>())
    , m_projectPath(projectPath)
{
    g_pMainWnd = this;
    g_pOptions = m_options.get();
    SetShowHost(this);

    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);

    CreateActions();
    UpdateTitle();
}

Orvane::~Orvane()
{
    SetShowHost(nullptr);
    g_pMainWnd = nullptr;
    g_pOptions = nullptr;
    g_pProject = nullptr;
}

void Orvane::CreateActions()
{
    QMenu* fileMenu = menuBar()->addMenu(GetLangText(Txt::MenuFile));
    QAction* exitAction = fileMenu->addAction(GetLangText(Txt::MenuFileExit));
    exitAction->setShortcut(QKeySequence::Quit);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
}

void Orvane::UpdateTitle()
{
    const QString name = m_projectPath.isEmpty() ? GetLangText(Txt::Untitled)
                                                 : QFileInfo(m_projectPath).fileName();
    setWindowTitle(QStringLiteral("Orvane - %1%2").arg(name, m_bModified ? QStringLiteral(" *") : QString()));
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
    m_options->m_nbUniverses = count;
}
