// The file commands: new, open, save, save as and import, the project a
// second start hands over, and the title that names the project.

#include "app/Orvane.h"

#include "app/options/AppOptions.h"
#include "app/ModalWrappers.h"
#include "app/StartPath.h"
#include "layout/FixturesWnd.h"
#include "live/PagesWnd.h"
#include "model/Language.h"
#include "widgets/FolderFileDialog.h"
#include "Captions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>

#include <exception>
#include <utility>

namespace {

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

// The flows' progress texts share one caption, in this order.
enum EProgress { Opening, Importing, Saving };

QString ProgressText(EProgress flow, const QString& path)
{
    return GetLangText(Txt::ProjectProgress).split(QLatin1Char('|')).value(flow).arg(QFileInfo(path).fileName());
}

} // namespace

void Orvane::UpdateTitle()
{
    const QString name = m_projectPath.isEmpty() ? GetLangText(Txt::Untitled) : QFileInfo(m_projectPath).fileName();
    setWindowTitle(QStringLiteral("%1 - %2%3")
                       .arg(GetLangText(Txt::AppTitle), name, m_bModified ? QStringLiteral(" *") : QString()));
}

QString Orvane::ProjectFolder() const
{
    return ProjectDialogFolder(m_projectPath, m_options->m_lastProject, m_setup.programDir);
}

QString Orvane::ChooseProjectFile(int titleCaption, int filterCaption)
{
    SuspendVideoWindow();
    const QString path = OpenFileIn(this, GetLangText(titleCaption), ProjectFolder(), GetLangText(filterCaption));
    ResumeVideoWindow();
    return path;
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

// What the operator answered before the show goes.
struct Orvane::SClosingAnswers
{
    bool editOpen = false;
    bool keepEdit = false;
    bool save = false;
    QString savePath;
};

bool Orvane::AskBeforeClosingShow(SClosingAnswers& answers)
{
    // The edit comes first: what it keeps is part of the show the next
    // question offers to save.
    if (IsEditing() && m_pages) {
        answers.editOpen = true;
        if (m_pages->EditHasChanges()) {
            const int answer = CLiveEditor::AskKeepChanges(m_pages->EditedName());
            if (answer != CShowHost::Yes && answer != CShowHost::No)
                return false;
            answers.keepEdit = answer == CShowHost::Yes;
        }
    }
    // A file saved during the edit holds it, whatever the answer leaves.
    if (!m_bModified && !answers.keepEdit && !m_fileHoldsEdit)
        return true;
    const int answer = AskYesNoCancel(GetLangText(Txt::AppTitle), GetLangText(Txt::SaveChanges));
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    // Older formats are read, never written: such a project is saved anew.
    answers.save = true;
    answers.savePath = !m_projectPath.isEmpty() && IsCurrentFormat(m_projectPath) ? m_projectPath : ChooseSavePath();
    return !answers.savePath.isEmpty();
}

bool Orvane::CarryOut(const SClosingAnswers& answers)
{
    if (answers.editOpen && (!m_pages || !m_pages->EndEdit(answers.keepEdit)))
        return false;
    return !answers.save || SaveProject(answers.savePath);
}

bool Orvane::MayCloseShow()
{
    if (m_bBusy)
        return false;
    SClosingAnswers answers;
    return AskBeforeClosingShow(answers) && CarryOut(answers);
}

void Orvane::RememberProject(const QString& path)
{
    m_projectPath = path;
    m_options->m_lastProject = QFileInfo(path).absoluteFilePath();
}

bool Orvane::OpenProject(const QString& path)
{
    // An open editor works on the show's own objects; it ends through the
    // questions of MayCloseShow first.
    if (m_bBusy || IsEditing())
        return false;
    // At start-up there is no show to keep: the file is read once, and a
    // refusal told once the window is up.
    return (!m_timer || FileWouldOpen(path)) && OpenReadableFile(path);
}

bool Orvane::FileWouldOpen(const QString& path)
{
    if (m_bBusy)
        return false;
    QString reason;
    bool read = false;
    {
        CBusyScope busy(*this);
        ShowProgress(ProgressText(Opening, path));
        bool answered = false;
        QString thrown;
        read = RunGuarded(
            [&] {
                const bool admitted = m_document->Admits(path, reason);
                answered = true;
                return admitted;
            },
            thrown);
        // A read ended by an exception ran out of memory.
        if (!answered)
            reason = GetLangText(Txt::NotEnoughMemoryToOpen);
        ClearProgress();
    }
    if (!read)
        TellRefusedOpen(path, reason, true);
    ShowHeldMessages();
    return read;
}

void Orvane::TellRefusedOpen(const QString& path, const QString& reason, bool showKept)
{
    // Empty when the operator was asked already, as about the universes.
    if (reason.isEmpty())
        return;
    const QString text = GetLangText(Txt::CannotOpenFile).arg(QDir::toNativeSeparators(path), reason)
        + QLatin1Char('\n') + GetLangText(showKept ? Txt::OpenRefusedShowKept : Txt::OpenRefusedNewShow);
    ShowInformation(GetLangText(Txt::Error), text);
}

bool Orvane::OpenReadableFile(const QString& path)
{
    if (m_bBusy || IsEditing())
        return false;
    bool opened = false;
    if (m_fixtures)
        m_fixtures->CancelPatchDialog(); // its records point into the outgoing project
    {
        CBusyScope busy(*this);
        if (m_pages)
            m_pages->DetachFromProject();
        ShowProgress(ProgressText(Opening, path));
        // What the document puts on the splash is told in a box after the
        // flow: the file read aside may have changed since, or memory run short.
        m_loadError.clear();
        bool answered = false;
        QString thrown;
        opened = RunGuarded(
            [&] {
                const bool read = m_document->Open(path);
                answered = true;
                return read;
            },
            thrown);
        if (!answered) {
            // Whatever the document had read is not to be trusted.
            m_loadError = GetLangText(Txt::NotEnoughMemoryToOpen);
            RunGuarded([&] { m_document->Reset(-1); return true; }, thrown);
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
    if (!opened)
        TellRefusedOpen(path, std::exchange(m_loadError, QString()), false);
    ShowHeldMessages();
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
        ShowProgress(ProgressText(Importing, path));
        QString reason;
        imported = RunGuarded([&] { return m_document->Import(path); }, reason);
        ClearProgress();
        CloseSplash();
    }
    if (imported)
        SetModified(true);
    ShowHeldMessages();
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
        ShowProgress(ProgressText(Saving, path));
        saved = RunGuarded([&] { return m_document->Save(path, reason); }, reason);
        ClearProgress();
    }
    ShowHeldMessages();
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
    // The editors work on the show itself: the file took their changes too.
    m_fileHoldsEdit = IsEditing() && m_pages && m_pages->EditHasChanges();
    UpdateTitle();
    return true;
}

void Orvane::OnFileNew()
{
    if (!MayCloseShow())
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
    // The file is the last answer: cancelled, it too leaves the edit open.
    // A file that will be refused leaves everything as it was, the save
    // asked for included.
    SClosingAnswers answers;
    if (m_bBusy || !AskBeforeClosingShow(answers))
        return;
    const QString path = ChooseProjectFile(Txt::OpenProjectTitle, Txt::ProjectFilter);
    if (!path.isEmpty() && FileWouldOpen(path) && CarryOut(answers))
        OpenReadableFile(path);
}

bool Orvane::OnFileSave()
{
    // Older formats are read, never written: such a project is saved anew.
    if (m_projectPath.isEmpty() || !IsCurrentFormat(m_projectPath))
        return OnFileSaveAs();
    return SaveProject(m_projectPath);
}

QString Orvane::ChooseSavePath()
{
    QString suggestion = m_projectPath.isEmpty() ? ProjectFolder() : m_projectPath;
    if (!m_projectPath.isEmpty() && !IsCurrentFormat(suggestion)) {
        const QFileInfo info(suggestion);
        suggestion = info.dir().filePath(info.completeBaseName() + QStringLiteral(".kv3"));
    }
    SuspendVideoWindow();
    QString path = SaveFileIn(this, GetLangText(Txt::SaveProjectTitle), suggestion,
                              GetLangText(Txt::CurrentProjectFilter));
    ResumeVideoWindow();
    if (!path.isEmpty() && !IsCurrentFormat(path))
        path += QStringLiteral(".kv3");
    return path;
}

bool Orvane::OnFileSaveAs()
{
    if (m_bBusy)
        return false;
    const QString path = ChooseSavePath();
    return !path.isEmpty() && SaveProject(path);
}

void Orvane::OnFileImport()
{
    if (m_bBusy)
        return;
    const QString path = ChooseProjectFile(Txt::ImportTitle, Txt::OlderProjectFilter);
    if (!path.isEmpty())
        ImportProject(path);
}

void Orvane::handleMessage(const QString& message)
{
    // Never in the middle of another file flow, nor under a modal dialog,
    // which edits the show in place.
    if (m_bBusy || QApplication::activeModalWidget() || message.isEmpty() || !QFileInfo(message).isFile())
        return;
    // Back to the front as it was left, maximised or not: its questions
    // come before the show is opened.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    SClosingAnswers answers;
    if (AskBeforeClosingShow(answers) && FileWouldOpen(message) && CarryOut(answers))
        OpenReadableFile(message);
}

void Orvane::SetModified(bool modified)
{
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    UpdateTitle();
}
