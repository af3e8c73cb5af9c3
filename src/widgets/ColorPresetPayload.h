#pragma once

#include <QByteArray>
#include <QColor>
#include <QPixmap>

// A single colour dragged onto a profile's preset list travels as a colour
// preset in the preset lists' own payload, so the list needs no second
// format: picture, preset type 1, name "Color", no icon path, one colour
// (opaque ARGB) and the three unused colours white.
extern const char kPresetMimeType[]; // "image/zk-preset"

constexpr int kColorPresetSize = 48;

QPixmap ColorPresetPicture(const QColor& color);
QByteArray EncodeColorPreset(const QColor& color);
