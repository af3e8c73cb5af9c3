#include "app/StartPath.h"

#include <QDir>
#include <QFileInfo>

QString AbsoluteStartPath(const QString& argument, const QString& startFolder)
{
    if (argument.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(startFolder).absoluteFilePath(argument));
}

QString ProjectDialogFolder(const QString& projectPath, const QString& lastProject, const QString& fallback)
{
    if (!projectPath.isEmpty())
        return QFileInfo(projectPath).absolutePath();
    if (!lastProject.isEmpty()) {
        const QFileInfo last(lastProject);
        if (last.absoluteDir().exists())
            return last.absolutePath();
    }
    return fallback;
}
