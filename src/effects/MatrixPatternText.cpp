#include "effects/MatrixPatterns.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter;
// Text images are 16-bit: the matrix shows the colours as that format holds them.
constexpr QImage::Format kTextFormat = QImage::Format_RGB16;

QColor ToQColor(const CRgbwColor& color)
{
    return QColor(color.r, color.g, color.b);
}

// The colour as a text image stores it, white 0.
CRgbwColor AsTextImageColor(const CRgbwColor& color)
{
    QImage pixel(1, 1, kTextFormat);
    pixel.fill(ToQColor(color));
    const QRgb rgb = pixel.pixel(0, 0);
    return CRgbwColor(qRed(rgb), qGreen(rgb), qBlue(rgb), 0);
}

} // namespace

QRect CMatrixPattern::TextBounds(const QString& text, const QFont& font) const
{
    QImage device(1, 1, kTextFormat);
    QPainter painter(&device);
    painter.setFont(font);
    return painter.boundingRect(QRect(0, 0, m_columns, m_rows), kTextFlags, text);
}

QImage CMatrixPattern::RenderText(const QString& text, const QFont& font, const CRgbwColor& textColor,
                                  const CRgbwColor& backColor, bool fit) const
{
    const QRect bounds = TextBounds(text, font);
    const qint64 width = std::max(m_columns, bounds.width());
    const qint64 height = fit ? bounds.height() : std::max(m_rows, bounds.height());
    if (width < 1 || height < 1 || width * height > MaxTextImagePixels)
        return QImage();
    QImage image(int(width), int(height), kTextFormat);
    if (image.isNull())
        return QImage();
    image.fill(ToQColor(backColor));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(ToQColor(textColor));
    painter.drawText(image.rect(), kTextFlags, text);
    return image;
}

void CMatrixPattern::SampleImagePixel(int frame, int pixel, int x, int y, const QImage& image,
                                      const CRgbwColor& backColor)
{
    if (!image.valid(x, y)) {
        Pixel(frame, pixel) = backColor;
        return;
    }
    const QRgb rgb = image.pixel(x, y);
    Pixel(frame, pixel) = CRgbwColor(qRed(rgb), qGreen(rgb), qBlue(rgb), 0);
}

bool CMatrixPattern::BeginText(const CTextParams& params, qint64 frames)
{
    m_cells.clear();
    m_frameCount = 0;
    m_currentFrame = 0;
    m_rows = params.rows;
    m_columns = params.columns;
    m_pixelCount = 0;
    if (m_rows < 1 || m_columns < 1)
        return false;
    return AllocateFrames(frames, false);
}

int CMatrixPattern::BuildText(const CTextParams& original)
{
    // Offsets beyond the largest image only show the back colour; held there
    // they cannot overflow the sampling arithmetic.
    constexpr int kOffsetLimit = 1 << 24;
    CTextParams params = original;
    params.hOffset = std::clamp(params.hOffset, -kOffsetLimit, kOffsetLimit);
    params.vOffset = std::clamp(params.vOffset, -kOffsetLimit, kOffsetLimit);
    m_cells.clear();
    m_frameCount = 0;
    m_rows = params.rows;
    m_columns = params.columns;
    m_pixelCount = 0;
    const qint64 pixels = qint64(m_rows) * m_columns;
    if (m_rows < 1 || m_columns < 1)
        return 0;
    if (pixels > MaxFrameCells) {
        m_tooLarge = true;
        return 0;
    }
    m_pixelCount = int(pixels);
    switch (params.direction) {
    case 1:
    case 2:
        return BuildScrollText(params);
    case 3:
    case 4:
        return BuildVerticalText(params);
    default:
        return BuildStaticText(params);
    }
}

int CMatrixPattern::BuildStaticText(const CTextParams& params)
{
    const QImage image = RenderText(params.text, params.font, params.textColor, params.backColor, false);
    if (image.isNull() || !BeginText(params, 1))
        return 0;
    // Pixels beside the image show the back colour exactly as the image does,
    // so the background has one level wherever the text sits.
    const CRgbwColor back = AsTextImageColor(params.backColor);
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_columns; ++c)
            SampleImagePixel(0, m_columns * r + c, c - params.hOffset, r + params.vOffset, image, back);
    return m_frameCount;
}

int CMatrixPattern::BuildScrollText(const CTextParams& params)
{
    const QImage image = RenderText(params.text, params.font, params.textColor, params.backColor, false);
    if (image.isNull())
        return 0;
    const qint64 n = qint64(m_columns) + image.width();
    if (!BeginText(params, n))
        return 0;
    const CRgbwColor back = AsTextImageColor(params.backColor);
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        const int target = params.direction == 2 ? int(n) - f - 1 : f;
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < m_columns; ++c)
                SampleImagePixel(target, m_columns * r + c, f - m_columns + c, r + params.vOffset, image, back);
    }
    return m_frameCount;
}

int CMatrixPattern::BuildVerticalText(const CTextParams& params)
{
    const QStringList words = params.text.split(QLatin1Char(' '));
    QList<QImage> lines;
    qint64 totalHeight = 0;
    qint64 totalPixels = 0;
    for (const QString& word : words) {
        QImage line = RenderText(word, params.font, params.textColor, params.backColor, true);
        totalHeight += line.height();
        totalPixels += qint64(line.width()) * line.height();
        // Every word is at least as wide as the matrix: a text of many words
        // is bounded here, before its images add up.
        if (totalPixels > MaxTextImagePixels || totalHeight > MaxFrameCells) {
            m_tooLarge = true;
            return 0;
        }
        lines << line;
    }
    if (params.direction == 4 && lines.size() >= 2)
        std::reverse(lines.begin(), lines.end());
    const qint64 n = m_rows + totalHeight;
    if (!BeginText(params, n))
        return 0;
    const CRgbwColor back = AsTextImageColor(params.backColor);
    const int lineHeight = lines.isEmpty() ? 0 : lines.first().height();
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        const int target = params.direction == 4 ? int(n) - f - 1 : f;
        for (int r = 0; r < m_rows; ++r) {
            const int y = f - m_rows + r;
            const int line = lineHeight > 0 ? y / lineHeight : 0;
            for (int c = 0; c < m_columns; ++c) {
                const int pixel = m_columns * r + c;
                if (line < 0 || line >= lines.size())
                    Pixel(target, pixel) = back;
                else
                    SampleImagePixel(target, pixel, c - params.hOffset, y - line * lineHeight, lines.at(line), back);
            }
        }
    }
    return m_frameCount;
}
