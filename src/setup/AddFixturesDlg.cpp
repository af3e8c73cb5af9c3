#include "setup/AddFixturesDlg.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/XmlDocument.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "setup/ProfileTab.h"
#include "setup/SetupPrompts.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kPatchImages = QStringLiteral(":/Orvane/Images/Patch/");

QScrollArea* Scrolled(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}

} // namespace

CAddFixturesDlg::CAddFixturesDlg(CProject& project, int channelsPerUniverse, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_project(project), m_prompts(std::make_unique<CSetupPrompts>())
{
    setWindowTitle(GetLangText(Txt::AddProfiles));
    setAutoFillBackground(true);
    setPalette(ShowHost().ProgramPalette());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize available = screen->availableGeometry().size();
        if (available.width() >= 880 && available.height() >= 600)
            setMinimumSize(880, 600);
    }

    const auto action = [this](int text, const char* picture, QKeySequence::StandardKey key) {
        auto* a = new QAction(QIcon(kPatchImages + QLatin1String(picture)), GetLangText(text), this);
        a->setShortcut(key);
        return a;
    };
    m_newAction = action(Txt::SetupNew, "New.png", QKeySequence::New);
    m_openAction = action(Txt::SetupOpen, "Open.png", QKeySequence::Open);
    m_saveAction = action(Txt::SetupSave, "Save.png", QKeySequence::Save);
    auto* toolBar = new QToolBar(this);
    toolBar->setIconSize(QSize(32, 32));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->addActions({m_newAction, m_openAction, m_saveAction});

    m_patchTab = new CPatchTab(project, channelsPerUniverse, this);
    m_profileTab = new CProfileTab(this);
    m_pages = new QTabWidget(this);
    m_pages->addTab(Scrolled(m_patchTab), GetLangText(Txt::SetupPatchPage));
    m_pages->addTab(Scrolled(m_profileTab), GetLangText(Txt::SetupProfilePage));

    // Return in a text field presses the default button: an empty one, so
    // it neither accepts nor rejects.
    auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
    QPushButton* ok = buttons->addButton(GetLangText(Txt::Ok), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(GetLangText(Txt::Cancel), QDialogButtonBox::RejectRole);
    auto* sink = new QPushButton(buttons);
    sink->setFixedWidth(0);
    buttons->addButton(sink, QDialogButtonBox::HelpRole);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    sink->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_pages, 1);
    layout->addSpacing(6);
    layout->addWidget(buttons);

    connect(m_newAction, &QAction::triggered, this, &CAddFixturesDlg::New);
    connect(m_openAction, &QAction::triggered, this, &CAddFixturesDlg::Open);
    connect(m_saveAction, &QAction::triggered, this, &CAddFixturesDlg::Save);
    connect(m_pages, &QTabWidget::currentChanged, this, &CAddFixturesDlg::OnTabChanged);
    OnTabChanged(0);
}

CAddFixturesDlg::~CAddFixturesDlg()
{
    // The pages go with the children: no page change may reach them then.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void CAddFixturesDlg::SetPrompts(std::unique_ptr<CSetupPrompts> prompts)
{
    if (prompts)
        m_prompts = std::move(prompts);
}

QByteArray CAddFixturesDlg::EditedProfileText() const
{
    if (!m_editedProfile)
        return QByteArray();
    // A copy: the editor's layout goes into the text, not into the profile.
    CLibraryProfile profile(*m_editedProfile);
    m_profileTab->StoreToProfile(&profile);
    CXmlDocument document;
    document.NewDocument();
    document.WriteProfile(profile, true);
    return document.ToBytes();
}

bool CAddFixturesDlg::AskSaveProfile()
{
    if (!m_editedProfile)
        return true;
    // Just saved and not touched since: nothing to lose.
    if (m_savedProfile == m_editedProfile && m_savedText == EditedProfileText())
        return true;
    switch (m_prompts->AskSaveChanges(this)) {
    case CSetupPrompts::Save:
        return SaveProfile();
    case CSetupPrompts::Discard:
        return true;
    case CSetupPrompts::Cancel:
        break;
    }
    return false;
}

void CAddFixturesDlg::done(int result)
{
    if (AskSaveProfile())
        QDialog::done(result);
}

void CAddFixturesDlg::closeEvent(QCloseEvent* event)
{
    if (!AskSaveProfile()) {
        event->ignore();
        return;
    }
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void CAddFixturesDlg::OnTabChanged(int page)
{
    if (page == 0) {
        m_patchTab->NameEdit()->setText(m_profileTab->NameEdit()->text());
        m_patchTab->ClearSelection();
        m_patchTab->SetCurrentProfilePointer(m_patchTab->IsListMode() ? m_patchTab->SelectedLibraryProfile()
                                                                      : m_editedProfile);
        m_patchTab->Refresh();
        m_patchTab->UpdateCountRange();
        m_patchTab->UpdateActions();
    } else {
        m_profileTab->NameEdit()->setText(m_patchTab->NameEdit()->text());
    }
}

void CAddFixturesDlg::ShowProfilePage()
{
    m_pages->setCurrentIndex(1);
}

void CAddFixturesDlg::New()
{
    if (!AskSaveProfile())
        return;
    m_editedProfile = nullptr;
    m_profileTab->Reset();
    m_patchTab->ResetProfile();
}

void CAddFixturesDlg::Open()
{
    if (!AskSaveProfile())
        return;
    const QString path = m_prompts->OpenFileName(this, GetLangText(Txt::OpenProfile), QStringLiteral("Profiles"),
                                                 GetLangText(Txt::ProfileFilter));
    if (path.isEmpty())
        return;
    auto* profile = new CLibraryProfile;
    QString error;
    if (!profile->Load(path, false, &error)) {
        delete profile;
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::CannotReadProfile).arg(path, error));
        return;
    }
    OpenProfileForEditing(profile);
}

void CAddFixturesDlg::OpenProfileForEditing(CLibraryProfile* profile)
{
    if (!profile)
        return;
    AdoptEditedProfile(profile);
    m_profileTab->ShowProfile(profile);
    m_patchTab->SetCurrentProfile(profile->GetBaseName());
}

void CAddFixturesDlg::AdoptEditedProfile(CLibraryProfile* profile)
{
    if (!profile)
        return;
    m_editedProfile = profile;
    if (!m_project.m_library.contains(profile)) {
        m_project.m_library << profile;
        m_project.m_addedProfiles << profile;
    }
    m_patchTab->SetCurrentProfileUsed(false);
    m_patchTab->SetListMode(false);
    // Patches from now on take the edited profile, not the one they used.
    m_patchTab->SetCurrentProfilePointer(profile);
}

bool CAddFixturesDlg::SaveProfile()
{
    if (!m_editedProfile || PatchChannelCount(m_editedProfile) < 1) {
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::ProfileNoChannel));
        return false;
    }
    QString name = (m_pages->currentIndex() == 0 ? m_patchTab->NameEdit() : m_profileTab->NameEdit())->text();
    if (name.isEmpty())
        name = QStringLiteral("Untitled");
    // The library lists profile files by their suffix.
    const QString suffix = QStringLiteral(".kvp");
    if (!name.endsWith(suffix, Qt::CaseInsensitive))
        name += suffix;
    const QString path = m_prompts->SaveFileName(this, GetLangText(Txt::SaveProfile), QStringLiteral("Profiles/") + name,
                                                 GetLangText(Txt::ProfileSaveFilter));
    if (path.isEmpty())
        return false;
    m_profileTab->StoreToProfile(m_editedProfile);
    // The profile keeps its library name unless it really went to the file.
    const QString oldPath = m_editedProfile->m_path;
    if (!m_editedProfile->Save(path)) {
        m_editedProfile->m_path = oldPath;
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::ProfileCannotSave));
        return false;
    }
    m_savedProfile = m_editedProfile;
    m_savedText = EditedProfileText();
    m_patchTab->SetCurrentProfile(QFileInfo(path).completeBaseName());
    return true;
}
