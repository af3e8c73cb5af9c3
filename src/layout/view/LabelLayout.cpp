#include "layout/view/LabelLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
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

bool CLabelLayout::IsFor(const QPainter& painter, const QRect& rect, const QString& text) const
{
    return m_layout && rect.size() == m_size && painter.layoutDirection() == m_direction && text == m_text
        && painter.device()->logicalDpiY() == m_dpi && painter.font() == m_font;
}

// The steps and roundings are drawText's own, so that the glyphs land on
// the same pixels: lines start on whole pixels, the block is centred by its
// widest line and each line by its own advance, and a block that overflows
// the rectangle is clipped to it.
void CLabelLayout::Build(const QPainter& painter, const QRect& rect, const QString& text)
{
    ++g_layoutsMade;
    m_text = text;
    m_font = painter.font();
    m_dpi = painter.device()->logicalDpiY();
    m_direction = painter.layoutDirection();
    m_size = rect.size();
    m_lineOffsets.clear();

    m_layout = std::make_unique<QTextLayout>(TextAsDrawn(text), m_font);
    QTextOption option;
    option.setTextDirection(m_direction);
    option.setAlignment(Qt::AlignLeft);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);

    const QRectF r(rect);
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
    m_clipped = !r.contains(QRectF(r.x() + (r.width() - width) / 2, r.y() + top, width, height));
    for (int i = 0; i < m_layout->lineCount(); ++i)
        m_lineOffsets << QPointF((r.width() - m_layout->lineAt(i).horizontalAdvance()) / 2, top);
}

void CLabelLayout::Draw(QPainter& painter, const QRect& rect, const QString& text)
{
    if (text.isEmpty() || painter.pen().style() == Qt::NoPen)
        return;
    if (!IsFor(painter, rect, text))
        Build(painter, rect, text);
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
