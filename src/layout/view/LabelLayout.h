#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QTextLayout>
#include <QVector>

#include <functional>
#include <memory>

class QPainter;

// A label drawn centred in a rectangle, pixel for pixel as
// QPainter::drawText(rect, Qt::AlignCenter, text) draws it, but laid out
// only when its text, the painter's font or direction, or the rectangle's
// size changed since the last draw. Shaping the text is most of what
// drawText costs, and a plan repaints thousands of unchanged labels at
// every start or stop of a scene.
class CLabelLayout
{
public:
    void Draw(QPainter& painter, const QRect& rect, const QString& text);
    // Lays the label out for a painter whose font, device resolution and
    // direction are given, unless it already is.
    void Prepare(const QFont& font, int dpi, Qt::LayoutDirection direction, const QRect& rect, const QString& text);
    // The whole pixels the prepared label may touch when drawn in `rect`,
    // `toDevice` mapping the painter's coordinates to the device's; null
    // when it has no glyphs.
    QRect Reach(const QRect& rect, const std::function<QRectF(const QRectF&)>& toDevice) const;
    // Layouts made by every label of the process: tests count the work of
    // a repaint with them rather than time it.
    static qint64 LayoutsMade();

private:
    QString m_text;
    QFont m_font;
    int m_dpi = 0;
    Qt::LayoutDirection m_direction = Qt::LeftToRight;
    QSize m_size{-1, -1};
    std::unique_ptr<QTextLayout> m_layout;
    QVector<QPointF> m_lineOffsets; // from the rectangle's top-left
    bool m_clipped = false;         // the text overflows the rectangle
    QRectF m_ink;                   // from the rectangle's top-left
};
