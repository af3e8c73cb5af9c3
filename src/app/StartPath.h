#pragma once

#include <QString>

// A path named on the command line, made absolute against the folder the
// program was started from. Start-up moves the working directory to the
// program's folder, and a running instance that is handed the path has a
// working directory of its own: a relative path means nothing to either.
QString AbsoluteStartPath(const QString& argument, const QString& startFolder);
