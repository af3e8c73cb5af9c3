#include "editors/ModalRun.h"

#include "show/ShowHost.h"

#include <QDialog>
#include <QFileDialog>

namespace {

DialogRunner& Runner()
{
    static DialogRunner runner;
    return runner;
}

OpenFileRunner& FileRunner()
{
    static OpenFileRunner runner;
    return runner;
}

} // namespace

void SetDialogRunner(DialogRunner runner)
{
    Runner() = std::move(runner);
}

void SetOpenFileRunner(OpenFileRunner runner)
{
    FileRunner() = std::move(runner);
}

int RunDialog(QDialog& dialog)
{
    ShowHost().SuspendVideoWindow();
    const int result = Runner() ? Runner()(dialog) : dialog.exec();
    ShowHost().ResumeVideoWindow();
    return result;
}

bool RunModalQuestion(const std::function<bool()>& ask)
{
    ShowHost().SuspendVideoWindow();
    const bool answered = ask();
    ShowHost().ResumeVideoWindow();
    return answered;
}

QString RunOpenFile(QWidget* parent, const QString& caption, const QString& filter, const QString& folder)
{
    ShowHost().SuspendVideoWindow();
    const QString path = FileRunner() ? FileRunner()(parent, caption, filter)
                                      : QFileDialog::getOpenFileName(parent, caption, folder, filter);
    ShowHost().ResumeVideoWindow();
    return path;
}
