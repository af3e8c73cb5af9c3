#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Replaces the file at `path` with `bytes` or leaves it exactly as it was.
// A small document sits in the write buffer until the end, so the data is
// flushed and the flush checked before the new file takes the old one's
// place; a full disk is a failure, never an empty file. On failure
// `reason` (when given) gets the system's reason. Once the new file has
// taken the old one's place, its folder is synced too, so that the new
// name survives a power cut.
bool SafeWriteFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);


// The same for a file made a piece at a time: `produce` hands each piece to
// the writer it is given, which returns false once a write fails, and
// returns false itself to give up (the file then stays as it was).
using SafeWritePieces = std::function<bool(const std::function<bool(const char*, qint64)>& write)>;
bool SafeWriteFile(const QString& path, const SafeWritePieces& produce, QString* reason = nullptr);
