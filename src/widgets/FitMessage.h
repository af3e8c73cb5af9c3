#pragma once

#include <QFontMetrics>
#include <QString>

// A message made to fit a fixed width when drawn word-wrapped: a word too
// wide for a line (a path, mostly) loses its middle, so the start of the
// message, the file name at the end of the path and the reason after it
// all stay visible.
QString FitMessage(const QString& text, const QFontMetrics& metrics, int width);
