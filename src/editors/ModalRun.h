#pragma once

#include "widgets/ToolDialog.h"

#include <QString>

#include <functional>

class QDialog;
class QWidget;

// Every modal dialog of the editors runs here, with the floating video
// window hidden for the time of the run. Tests replace the run itself: the
// replacement works the dialog as an operator would and returns its result.
using DialogRunner = std::function<int(QDialog& dialog)>;
// A file to open: (parent, caption, filter) -> the path, empty when cancelled.
using OpenFileRunner = std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;

// Null restores the modal exec().
void SetDialogRunner(DialogRunner runner);
void SetOpenFileRunner(OpenFileRunner runner);

int RunDialog(QDialog& dialog);
// A modal question of Qt's own (a number, a font) asked by `ask`.
bool RunModalQuestion(const std::function<bool()>& ask);
// `folder`: where a dialog of the system starts.
QString RunOpenFile(QWidget* parent, const QString& caption, const QString& filter,
                    const QString& folder = QString());
