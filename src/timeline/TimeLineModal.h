#pragma once

#include "show/ShowHost.h"
#include "widgets/ToolDialog.h"

#include <QDialog>
#include <functional>

// The timeline's dialogs run modally with the floating video window out of
// the way. Tests hand in a replacement for the modal loop that works the
// dialog as an operator would and returns its result.
template <typename Dialog>
using TimeLineDialogRunner = std::function<int(Dialog& dialog)>;

// The replacement in force for one dialog class; empty runs the modal loop.
template <typename Dialog>
TimeLineDialogRunner<Dialog>& TimeLineRunner()
{
    static TimeLineDialogRunner<Dialog> runner;
    return runner;
}

template <typename Dialog>
int RunTimeLineDialog(Dialog& dialog)
{
    const TimeLineDialogRunner<Dialog>& runner = TimeLineRunner<Dialog>();
    ShowHost().SuspendVideoWindow();
    const int result = runner ? runner(dialog) : dialog.exec();
    ShowHost().ResumeVideoWindow();
    return result;
}
