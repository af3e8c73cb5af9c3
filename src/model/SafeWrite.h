#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` or leaves it exactly as it was.
// A small document sits in the write buffer until the end, so the data is
// flushed and the flush checked before the new file takes the old one's
// place; a full disk is a failure, never an empty file. On failure
// `reason` (when given) gets the system's reason. Once the new file has
// taken the old one's place, its folder is synced too, so that the new
// name survives a power cut.
bool SafeWriteFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

