// The profile library side of the patch tab: browsing the "Profiles"
// folder, importing files into it, and the profile changes of selected blocks.
#include "setup/PatchTab.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchWnd.h"
#include "setup/ProfilesList.h"
#include "setup/SetupPrompts.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <QSignalBlocker>

namespace {

const QString kLibraryRoot = QStringLiteral("Profiles");

// Raised for every profile taken from selected blocks, so each copy gets a
// file name of its own.
int g_importCounter = 1;

// "Par.kvp.kvp" lists as "Par": every occurrence of the last suffix goes.
QString DisplayName(const QFileInfo& file)
{
    QString name = file.fileName();
    const QString suffix = file.suffix();
    if (!suffix.isEmpty())
        name.remove(QLatin1Char('.') + suffix);
    return name;
}

} // namespace

CSetupPrompts& CPatchTab::Prompts() const
{
    static CSetupPrompts fallback;
    return m_dialog ? m_dialog->Prompts() : fallback;
}

void CPatchTab::OnManufacturerChanged(int)
{
    if (m_updating)
        return;
    m_updating = true;
    const QString chosen = m_folderCombo->currentText();
    if (m_folder.isEmpty())
        m_folder = kLibraryRoot;
    else if (chosen == QLatin1String(".."))
        m_folder = m_folder.left(std::max(0, int(m_folder.lastIndexOf(QLatin1Char('/')))));
    else if (!chosen.isEmpty())
        m_folder += QLatin1Char('/') + chosen;
    if (m_folder.isEmpty())
        m_folder = kLibraryRoot;

    const QDir folder(m_folder);
    {
        // The selected profile stays until another file is chosen.
        const QSignalBlocker blocker(m_profileList);
        m_profileList->clear();
        for (const QFileInfo& file : folder.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
            m_profileList->AddProfile(DisplayName(file), m_folder + QLatin1Char('/') + file.fileName());
    }
    QDir::Filters dirs = QDir::Dirs | QDir::NoDot;
    if (m_folder == kLibraryRoot)
        dirs |= QDir::NoDotDot;
    m_folderCombo->clear();
    m_folderCombo->addItems(folder.entryList(dirs, QDir::Name | QDir::IgnoreCase));
    m_folderCombo->setCurrentIndex(-1);
    m_folderLabel->setText((m_folder == kLibraryRoot ? GetLangText(Txt::PatchManufacturer)
                                                     : m_folder.mid(m_folder.lastIndexOf(QLatin1Char('/')) + 1)) +
                           QStringLiteral(" :"));
    m_updating = false;
}

void CPatchTab::OnSelProfileChanged(QListWidgetItem* current)
{
    for (CPatchWnd* grid : m_grids)
        grid->DeletePreview();
    m_freshCopyNeeded = true;
    m_listCopy = nullptr;
    if (!m_listMode)
        SetListMode(true);
    if (current) {
        delete m_selectedProfile;
        m_selectedProfile = new CLibraryProfile(current->data(CProfilesList::PathRole).toString());
        m_currentProfile = m_selectedProfile;
    } else {
        m_currentProfile = nullptr;
    }
    RefreshAll();
}

CLibraryProfile* CPatchTab::AddToProject(CLibraryProfile* profile)
{
    m_project.m_library << profile;
    m_project.m_addedProfiles << profile;
    return profile;
}

CLibraryProfile* CPatchTab::AddDroppedProfile()
{
    if (!m_selectedProfile)
        return nullptr;
    m_currentProfile = m_listCopy = AddToProject(new CLibraryProfile(*m_selectedProfile));
    return m_currentProfile;
}

bool CPatchTab::CopyIntoLibrary(const QString& source, const QString& target, QString& error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    // The old file is replaced only once the whole copy is written.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString();
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            error = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (out.write(chunk) != chunk.size()) {
            error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.flush() || out.error() != QFileDevice::NoError || !out.commit()) {
        error = out.errorString();
        return false;
    }
    return true;
}

void CPatchTab::OnImportProfile()
{
    const QString chosen = Prompts().OpenFileName(this, GetLangText(Txt::ImportProfile), kLibraryRoot,
                                                  GetLangText(Txt::ProfileFilter));
    if (chosen.isEmpty())
        return;
    const QFileInfo source(chosen);
    const QString target = m_folder + QLatin1Char('/') + source.fileName();
    const QFileInfo targetInfo(target);
    const bool onItself = targetInfo.exists() && source.canonicalFilePath() == targetInfo.canonicalFilePath();
    if (!onItself) {
        if (targetInfo.exists() &&
            ShowHost().AskQuestion(GetLangText(Txt::ImportProfile),
                                   GetLangText(Txt::ProfileAlreadyExists).arg(target)) != CShowHost::Yes)
            return;
        QString error;
        if (!CopyIntoLibrary(chosen, target, error)) {
            ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::ProfileImportFailed).arg(chosen, error));
            return;
        }
    }
    const QString name = DisplayName(source);
    bool listed = false;
    for (int i = 0; i < m_profileList->count() && !listed; ++i)
        listed = m_profileList->item(i)->data(CProfilesList::PathRole).toString() == target;
    if (!listed)
        m_profileList->AddProfile(name, target);
    const QList<QListWidgetItem*> items = m_profileList->findItems(name, Qt::MatchExactly);
    if (!items.isEmpty())
        m_profileList->setCurrentItem(items.first());
}

void CPatchTab::ImportProfileFromSelection()
{
    if (m_selection.isEmpty() || !m_dialog)
        return;
    const CLibraryProfile* first = m_selection.first()->m_profile;
    for (const CPatchBlock* block : m_selection) {
        const CLibraryProfile* profile = block->m_profile;
        if (!first || !profile || profile->GetPath() != first->GetPath() ||
            profile->m_currentMode != first->m_currentMode) {
            ShowHost().ShowInformation(GetLangText(Txt::ImportProfile), GetLangText(Txt::PatchDifferentProfiles));
            return;
        }
    }
    auto* copy = new CLibraryProfile(*first);
    const QString suffix = QFileInfo(copy->m_path).suffix();
    const QString numbered = QStringLiteral("_I%1.kvp").arg(g_importCounter++);
    if (suffix.isEmpty())
        copy->m_path += numbered;
    else
        copy->m_path.replace(QLatin1Char('.') + suffix, numbered);
    m_dialog->OpenProfileForEditing(copy);
    m_dialog->ShowProfilePage();
}

void CPatchTab::UpdateSelectionProfiles()
{
    if (!m_currentProfile)
        return;
    const int n = PatchChannelCount(m_currentProfile);
    QList<CPatchBlock*> freeBlocks;
    QList<CPatchMatrixBlock*> matrices;
    for (CPatchBlock* block : m_selection) {
        if (block->ChannelCount() != n) {
            ShowHost().ShowInformation(GetLangText(Txt::PatchUpdateProfiles), GetLangText(Txt::PatchChannelMismatch));
            return;
        }
        if (!block->IsInMatrix()) {
            freeBlocks << block;
        } else if (CPatchMatrixBlock* matrix = FindMatrixBlock(block->m_matrixId)) {
            if (!matrices.contains(matrix))
                matrices << matrix;
        }
    }
    QString base;
    if (!PreparePatch(base))
        return;
    for (CPatchBlock* block : freeBlocks)
        block->m_profile = m_currentProfile;
    for (CPatchMatrixBlock* matrix : matrices) {
        matrix->m_profile = m_currentProfile;
        for (CPatchBlock* member : matrix->m_members)
            member->m_profile = m_currentProfile;
    }
    RepaintGrids();
    UpdateActions();
}
