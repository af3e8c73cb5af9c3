#pragma once

// Picture files written byte by byte, for readers that must cope with them.

#include <QByteArray>

// A 1 x 1 picture in one frame.
inline QByteArray TinyGif()
{
    return QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x00\x00\x00\x00\x00"
                      ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                      43);
}

// A bitmap header declaring 20000 x 20000 pixels and no pixel after it.
inline QByteArray HugeBmp()
{
    QByteArray bytes(54, '\0');
    auto put = [&bytes](int at, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = char((value >> (8 * i)) & 0xff);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 20000, 4);
    put(22, 20000, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return bytes;
}
