#pragma once

#include <QByteArray>
#include <QColor>
#include <QPixmap>
#include <QString>

// A single colour dragged onto a profile's preset list travels as a colour
// preset in the preset lists' own payload, so the list needs no second
// format: picture, preset type 1, name "Color", no icon path, one colour
// (opaque ARGB) and the three unused colours white.
extern const char kPresetMimeType[]; // "image/zk-preset"

constexpr int kColorPresetSize = 48;

QPixmap ColorPresetPicture(const QColor& color);
QByteArray EncodeColorPreset(const QColor& color);

// The whole preset payload as the picture lists and the preset list write
// it: picture, preset type, name, icon path, colour count (or the picture's
// parameter) and four colours as signed ARGB values.
struct SPresetPayload
{
    QPixmap picture;
    qint32 type = 0;
    QString name;
    QString iconPath;
    qint32 count = 0;
    qint32 colors[4] = {0, 0, 0, 0};
};

QByteArray EncodePresetPayload(const SPresetPayload& payload);
// False for a truncated or malformed payload, or one whose values no preset
// can hold (type, count, an icon outside "System/", a huge picture);
// `payload` is then left as it was.
bool DecodePresetPayload(const QByteArray& bytes, SPresetPayload& payload);
