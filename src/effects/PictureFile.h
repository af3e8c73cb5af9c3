#pragma once

#include <QList>
#include <QSize>
#include <QString>

// Picture files are untrusted: what decoding one would allocate is read from
// its header before any pixel is, and a size beyond kMaxPixels is refused.
namespace PictureFile {

// 128 MB at 32 bits.
constexpr qint64 kMaxPixels = qint64(32) * 1024 * 1024;

// What all the frames of one animated picture may decode: each frame is
// decoded at the largest declared size, however small the frame itself.
constexpr qint64 kMaxAnimationPixels = qint64(1) << 30;

// 1 to kMaxPixels pixels.
bool IsSaneSize(const QSize& size);

// The sizes the header declares: the image reader's, and for a GIF its
// logical screen, which every frame is decoded into whatever size its own
// frames (and the reader) report. None when the file cannot be decoded.
QList<QSize> DeclaredSizes(const QString& file);

// The file exists, can be decoded and declares only sane sizes.
bool IsReadable(const QString& file);

// Pixels of the largest declared size; 0 when the file declares none.
qint64 FramePixels(const QString& file);

} // namespace PictureFile
