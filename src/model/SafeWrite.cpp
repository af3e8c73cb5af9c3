#include "model/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The folder that holds the file QSaveFile replaced: it renames over the
// target of a link, not over the link itself.
QString FolderOfTarget(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.absolutePath();
}

void SyncFolderOf(const QString& path)
{
#ifdef Q_OS_UNIX
    // The commit renamed the new file over the old one, and a rename lives
    // in the folder: until the folder is on the disk, a power cut may bring
    // back the old name (or none). Best effort: the file itself is already
    // on the disk, and some file systems cannot sync a folder at all.
    const QByteArray folder = QFile::encodeName(QDir::toNativeSeparators(FolderOfTarget(path)));
    int fd = -1;
    do {
        fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return;
    while (::fsync(fd) != 0 && errno == EINTR) {
    }
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
}

} // namespace

bool SafeWriteFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    return SafeWriteFile(
        path, [&bytes](const std::function<bool(const char*, qint64)>& write) {
            return write(bytes.constData(), bytes.size());
        },
        reason);
}

bool SafeWriteFile(const QString& path, const SafeWritePieces& produce, QString* reason)
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
    int writeErrno = 0;
    bool wrote = true;
    const auto write = [&](const char* data, qint64 size) {
        wrote = wrote && file.write(data, size) == size;
        if (!wrote && writeErrno == 0)
            writeErrno = errno;
        return wrote;
    };
    const bool produced = produce(write);
    const bool written = produced && wrote && file.flush() && file.error() == QFileDevice::NoError;
    if (writeErrno == 0)
        writeErrno = errno;
    if (written && file.commit()) {
        SyncFolderOf(path);
        return true;
    }
    if (reason)
        *reason = !written && writeErrno != 0 ? qt_error_string(writeErrno) : file.errorString();
    file.cancelWriting();
    return false;
}
