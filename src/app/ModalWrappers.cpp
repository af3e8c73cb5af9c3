#include "app/ModalWrappers.h"

#include "app/Globals.h"
#include "app/Orvane.h"

#include <QMessageBox>

namespace {

int g_suspendDepth = 0;

} // namespace

void SuspendVideoWindow()
{
    if (g_suspendDepth++ == 0 && g_pMainWnd)
        g_pMainWnd->HideVideoWindow();
}

void ResumeVideoWindow()
{
    if (g_suspendDepth == 0)
        return;
    if (--g_suspendDepth == 0 && g_pMainWnd)
        g_pMainWnd->ShowVideoWindow();
}

int AskQuestion(QWidget* parent, const QString& title, const QString& text)
{
    SuspendVideoWindow();
    const int answer = QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No);
    ResumeVideoWindow();
    return answer;
}

int AskYesNoCancel(QWidget* parent, const QString& title, const QString& text)
{
    SuspendVideoWindow();
    const int answer = QMessageBox::question(parent, title, text,
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                             QMessageBox::Yes);
    ResumeVideoWindow();
    return answer;
}

void ShowInformation(QWidget* parent, const QString& title, const QString& text)
{
    SuspendVideoWindow();
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
    ResumeVideoWindow();
}
