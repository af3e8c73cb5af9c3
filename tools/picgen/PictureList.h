#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

// One layer of a picture: a drawing routine and its arguments.
struct PictureLayer {
    QString glyph;
    QStringList args;
};

// One picture of the list: "<path> <size> <layer> | <layer> | ...", where
// size is "N" (square) or "WxH" and each layer is "<glyph> <arg>...".
struct PictureEntry {
    int line = 0;
    QString path;
    QSize size;
    QVector<PictureLayer> layers;
};

// Reads the picture list; on a malformed line returns false with a message
// naming the line.
bool ReadPictureList(const QString& fileName, QVector<PictureEntry>& entries, QString& error);
bool ParsePictureLine(const QString& text, int line, PictureEntry& entry, QString& error);
