#pragma once

#include <QString>

// A path named on the command line, made absolute against the folder the
// program was started from. Start-up moves the working directory to the
// program's folder, and a running instance that is handed the path has a
// working directory of its own: a relative path means nothing to either.
QString AbsoluteStartPath(const QString& argument, const QString& startFolder);

// Where a dialog for project files starts: the open project's folder, else
// the last project's when it still exists, else `fallback`. Left to Qt, it
// would start wherever any file dialog was last, the profile library
// included.
QString ProjectDialogFolder(const QString& projectPath, const QString& lastProject, const QString& fallback);
