#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

// An animated GIF89a of our own making: one palette for all frames (exact when
// the frames use at most 255 colours, a colour cube otherwise), the last
// palette entry standing for transparency, every frame the full picture shown
// for the same delay, looping for ever.
QByteArray EncodeGif(const QVector<QImage>& frames, int delayMs);

// The variable-length LZW code stream of a GIF image block (before it is cut
// into sub-blocks), for 8-bit indices.
QByteArray LzwEncode(const QByteArray& indices);
