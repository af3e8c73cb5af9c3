#include "live/SceneButtonMime.h"

#include <QDataStream>

namespace SceneButtonMime {

namespace {
constexpr int kPayloadSize = 8; // two big-endian 32-bit integers
}

QByteArray Encode(int pageIndex, int sceneIndex)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(pageIndex) << qint32(sceneIndex);
    return bytes;
}

bool Decode(const QByteArray& bytes, int& pageIndex, int& sceneIndex)
{
    if (bytes.size() != kPayloadSize)
        return false;
    QDataStream in(bytes);
    qint32 page = 0;
    qint32 scene = 0;
    in >> page >> scene;
    if (in.status() != QDataStream::Ok)
        return false;
    pageIndex = page;
    sceneIndex = scene;
    return true;
}

} // namespace SceneButtonMime
