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
