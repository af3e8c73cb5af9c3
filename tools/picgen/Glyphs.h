#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

// The arguments of one layer. A glyph reads them by position; a missing
// argument takes the glyph's default, a malformed one is remembered as an
// error so the whole list is rejected rather than drawn wrongly.
class GlyphArgs
{
public:
    GlyphArgs(const QStringList& args, QSize imageSize);

    int Count() const { return m_args.size(); }
    double Num(int index, double fallback) const;
    QColor Color(int index, const QColor& fallback) const;
    QString Word(int index, const QString& fallback) const;
    QSize ImageSize() const { return m_imageSize; }
    const QString& Error() const { return m_error; }

private:
    QStringList m_args;
    QSize m_imageSize;
    mutable QString m_error;
};

// Every glyph draws into a 100 x 100 box (the painter maps it onto the
// picture or onto the part of it the layer names).
using GlyphFn = void (*)(QPainter&, const GlyphArgs&);

GlyphFn FindGlyph(const QString& name);
