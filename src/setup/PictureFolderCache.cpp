#include "setup/PictureFolderCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageReader>

#include <map>
#include <memory>

namespace {

constexpr int kMaxPictureEdge = 1024;

using CacheMap = std::map<QString, std::unique_ptr<CPictureFolderCache>>;

CacheMap& Caches()
{
    static CacheMap caches;
    return caches;
}

void ReleaseCaches()
{
    Caches().clear();
}

} // namespace

CPictureFolderCache& PictureFolderCache(const QString& folder)
{
    CacheMap& caches = Caches();
    if (caches.empty())
        qAddPostRoutine(ReleaseCaches);
    // Keyed by the absolute folder: the program's directory never changes
    // during a run, and tests each work in a directory of their own.
    auto& cache = caches[QDir::current().absoluteFilePath(folder)];
    if (!cache)
        cache = std::make_unique<CPictureFolderCache>();
    return *cache;
}

QPixmap LoadPresetPicture(const QString& path)
{
    if (path.isEmpty())
        return QPixmap();
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureEdge || size.height() > kMaxPictureEdge)
        return QPixmap();
    return QPixmap::fromImage(reader.read());
}
