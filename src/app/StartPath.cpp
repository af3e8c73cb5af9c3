#include "app/StartPath.h"

#include <QDir>

QString AbsoluteStartPath(const QString& argument, const QString& startFolder)
{
    if (argument.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(startFolder).absoluteFilePath(argument));
}
