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
// size is "N" (square) or "WxH" and each layer is "<glyph> <arg>...". A ".gif"
// may follow its size with "/frames/delay-ms"; in its layers "a~b" stands for
// a number going from a towards b over the frames (frame i of n: a + (b - a) i / n),
// so a loop comes back to where it started.
struct PictureEntry {
    int line = 0;
    QString path;
    QSize size;
    int frames = 1;
    int delayMs = 100;
    QVector<PictureLayer> layers;
};

// Reads the picture list; on a malformed line returns false with a message
// naming the line.
bool ReadPictureList(const QString& fileName, QVector<PictureEntry>& entries, QString& error);
bool ParsePictureLine(const QString& text, int line, PictureEntry& entry, QString& error);

// The layers of one frame, every "a~b" replaced by its value there.
QVector<PictureLayer> FrameLayers(const PictureEntry& entry, int frame);
