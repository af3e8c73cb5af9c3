#include "layout/view/LabelLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QGlyphRun>
#include <QTextLine>

#include <cmath>

namespace {

qint64 g_layoutsMade = 0;

// What drawText makes of the characters before laying them out.
QString TextAsDrawn(const QString& text)
{
    QString drawn = text;
    for (QChar& c : drawn) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
        else if (c == QLatin1Char('\n'))
            c = QChar::LineSeparator;
    }
    return drawn;
}

} // namespace

qint64 CLabelLayout::LayoutsMade()
{
    return g_layoutsMade;
}

// The steps and roundings are drawText's own, so that the glyphs land on
// the same pixels: lines start on whole pixels, the block is centred by its
// widest line and each line by its own advance, and a block that overflows
// the rectangle is clipped to it.
void CLabelLayout::Prepare(const QFont& font, int dpi, Qt::LayoutDirection direction, const QRect& rect,
                           const QString& text)
{
    if (m_layout && rect.size() == m_size && direction == m_direction && dpi == m_dpi && text == m_text
        && font == m_font)
        return;
    ++g_layoutsMade;
    m_text = text;
    m_font = font;
    m_dpi = dpi;
    m_direction = direction;
    m_size = rect.size();
    m_lineOffsets.clear();

    m_layout = std::make_unique<QTextLayout>(TextAsDrawn(text), m_font);
    QTextOption option;
    option.setTextDirection(m_direction);
    option.setAlignment(Qt::AlignLeft);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);

    const QRectF r(QPointF(0, 0), QSizeF(rect.size()));
    const qreal leading = QFontMetricsF(m_font).leading();
    qreal height = -leading;
    qreal width = 0;
    m_layout->beginLayout();
    for (;;) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(0x01000000);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
        width = qMax(width, line.naturalTextWidth());
        if (height >= r.height())
            break;
    }
    m_layout->endLayout();

    const qreal top = (r.height() - height) / 2;
    m_clipped = !r.contains(QRectF((r.width() - width) / 2, top, width, height));
    m_ink = QRectF();
    for (int i = 0; i < m_layout->lineCount(); ++i) {
        const QTextLine line = m_layout->lineAt(i);
        m_lineOffsets << QPointF((r.width() - line.horizontalAdvance()) / 2, top);
        for (const QGlyphRun& run : line.glyphRuns())
            m_ink |= run.boundingRect().translated(m_lineOffsets.last());
    }
}

QRect CLabelLayout::Reach(const QRect& rect, const std::function<QRectF(const QRectF&)>& toDevice) const
{
    if (!m_layout || m_ink.isEmpty())
        return QRect();
    // Glyphs are placed at fractions of a pixel and hinted at the scaled
    // size, and a clip is rounded to whole pixels after the painter's own
    // offset: the room taken covers both.
    QRect reach = toDevice(m_ink.translated(rect.topLeft())).toAlignedRect().adjusted(-2, -2, 2, 2);
    if (m_clipped)
        reach &= toDevice(QRectF(rect)).toAlignedRect().adjusted(-1, -1, 1, 1);
    return reach;
}

void CLabelLayout::Draw(QPainter& painter, const QRect& rect, const QString& text)
{
    if (text.isEmpty() || painter.pen().style() == Qt::NoPen)
        return;
    Prepare(painter.font(), painter.device()->logicalDpiY(), painter.layoutDirection(), rect, text);
    const QPointF origin(rect.topLeft());
    if (m_clipped) {
        painter.save();
        painter.setClipRect(QRectF(rect), Qt::IntersectClip);
    }
    for (int i = 0; i < m_lineOffsets.size(); ++i)
        m_layout->lineAt(i).draw(&painter, origin + m_lineOffsets.at(i));
    if (m_clipped)
        painter.restore();
}
