#include "effects/PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace {

// Invalid for any file but a GIF.
QSize GifScreenSize(const QByteArray& header)
{
    if (header.size() < 10 || !header.startsWith("GIF8"))
        return QSize();
    const auto byte = [&header](int i) { return int(uchar(header.at(i))); };
    return QSize(byte(6) | byte(7) << 8, byte(8) | byte(9) << 8);
}

} // namespace

bool PictureFile::IsSaneSize(const QSize& size)
{
    return size.width() >= 1 && size.height() >= 1 && qint64(size.width()) * size.height() <= kMaxPixels;
}

QList<QSize> PictureFile::DeclaredSizes(const QString& file)
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return {};
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return {};
    const QSize screen = GifScreenSize(input.read(10));
    input.close();
    QImageReader reader(file);
    if (!reader.canRead())
        return {};
    QList<QSize> sizes{reader.size()};
    if (screen.isValid())
        sizes << screen;
    return sizes;
}

bool PictureFile::IsReadable(const QString& file)
{
    const QList<QSize> sizes = DeclaredSizes(file);
    return !sizes.isEmpty() && std::all_of(sizes.begin(), sizes.end(), IsSaneSize);
}

qint64 PictureFile::FramePixels(const QString& file)
{
    qint64 largest = 0;
    for (const QSize& size : DeclaredSizes(file)) {
        if (size.isValid())
            largest = std::max(largest, qint64(size.width()) * size.height());
    }
    return largest;
}
