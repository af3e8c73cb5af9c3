#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>

// Byte strings written out by value, e.g. Bytes({0, 255, 7}).
inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// Whole files as raw bytes, for tests that check what was stored or plant
// damaged files.
inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The path of the file written, empty when it could not be written.
inline QString WrittenFile(const QString& path, const QByteArray& bytes)
{
    return WriteBytes(path, bytes) ? path : QString();
}
