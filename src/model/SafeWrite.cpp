#include "model/SafeWrite.h"

#include <QSaveFile>

#include <cerrno>

bool SafeWriteFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    // A write refused by the system (EFBIG past the file-size limit, ENOSPC)
    // may leave the device with no message of its own, or none at all after
    // a short write: the reason is then the errno the write left.
    errno = 0;
    const bool written = file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    const int writeErrno = errno;
    if (written && file.commit())
        return true;
    if (reason)
        *reason = !written && writeErrno != 0 ? qt_error_string(writeErrno) : file.errorString();
    file.cancelWriting();
    return false;
}
