#include "app/OptionsFile.h"

#include "app/options/AppOptions.h"
#include "model/SafeWrite.h"

#include <QFile>

bool COptionsFile::Load(CAppOptions& options, const QString& path, QString* error)
{
    options.Reset();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.size() > CAppOptions::kMaxFileBytes) {
        if (error)
            *error = QStringLiteral("the file is larger than %1 bytes").arg(CAppOptions::kMaxFileBytes);
        return false;
    }
    QByteArray bytes = file.read(CAppOptions::kMaxFileBytes + 1);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    options.Parse(QString::fromUtf8(bytes));
    return true;
}

bool COptionsFile::Save(const CAppOptions& options, const QString& path, QString* error)
{
    return SafeWriteFile(path, options.Format().toUtf8(), error);
}
