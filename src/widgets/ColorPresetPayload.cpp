#include "widgets/ColorPresetPayload.h"

#include <QDataStream>
#include <QIODevice>

const char kPresetMimeType[] = "image/zk-preset";

namespace {
constexpr qint32 kColorPresetType = 1;
}

QPixmap ColorPresetPicture(const QColor& color)
{
    QPixmap picture(kColorPresetSize, kColorPresetSize);
    picture.fill(QColor(color.red(), color.green(), color.blue()));
    return picture;
}

QByteArray EncodeColorPreset(const QColor& color)
{
    const QColor opaque(color.red(), color.green(), color.blue());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << ColorPresetPicture(opaque);
    out << kColorPresetType;
    out << QStringLiteral("Color");
    out << QString(QLatin1String(""));
    out << qint32(1);
    out << qint32(opaque.rgba());
    const qint32 white = qint32(QColor(Qt::white).rgba());
    out << white << white << white;
    return bytes;
}

namespace {
// Preset types run to 43 (41 pattern, 42 pan, 43 tilt); counts hold the
// automatic half colour (-2), up to four colours or a picture's parameter.
constexpr qint32 kMaxPresetType = 43;
constexpr qint32 kMinCount = -2;
constexpr qint32 kMaxCount = 16;
constexpr int kMaxPictureEdge = 1024;
} // namespace

QByteArray EncodePresetPayload(const SPresetPayload& payload)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << payload.picture << payload.type << payload.name << payload.iconPath << payload.count;
    for (qint32 color : payload.colors)
        out << color;
    return bytes;
}

bool DecodePresetPayload(const QByteArray& bytes, SPresetPayload& payload)
{
    QDataStream in(bytes);
    SPresetPayload read;
    in >> read.picture >> read.type >> read.name >> read.iconPath >> read.count;
    for (qint32& color : read.colors)
        in >> color;
    if (in.status() != QDataStream::Ok)
        return false;
    if (read.type < 0 || read.type > kMaxPresetType || read.count < kMinCount || read.count > kMaxCount)
        return false;
    if (!read.iconPath.isEmpty()
        && (!read.iconPath.startsWith(QLatin1String("System/")) || read.iconPath.contains(QLatin1String(".."))))
        return false;
    if (read.picture.width() > kMaxPictureEdge || read.picture.height() > kMaxPictureEdge)
        return false;
    payload = read;
    return true;
}
