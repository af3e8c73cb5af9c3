#include "effects/ColorTables.h"

#include "effects/EffectMath.h"
#include "effects/EffectRandom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using EffectMath::Wrap;

// The next band colour; colour 0 is the background and never a band.
int NextBandColor(int index, int number)
{
    const int next = (index + 1) % number;
    return next < 2 ? 1 : next;
}

unsigned char BlendByte(float w, unsigned char a, unsigned char b)
{
    const float v = float(b) * (1.0f - w) + float(a) * w;
    return static_cast<unsigned char>(std::clamp(int(v), 0, 255));
}

} // namespace

CRgbwColor CColorTable::Blend(float w, const CRgbwColor& a, const CRgbwColor& b)
{
    // NaN compares false both ways; clamp it to the second colour.
    if (!(w > 0.0f))
        w = 0.0f;
    if (w > 1.0f)
        w = 1.0f;
    return CRgbwColor(BlendByte(w, a.r, b.r), BlendByte(w, a.g, b.g), BlendByte(w, a.b, b.b),
                      BlendByte(w, a.w, b.w));
}

int CColorTable::RandomInt(int n)
{
    return int(float(CEffectRandom::Next()) / float(CEffectRandom::kMax) * float(n));
}

CRgbwColor CColorTable::At(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_rows[row].size())
        return CRgbwColor();
    return m_rows[row][column];
}

void CColorTable::FreeRows()
{
    m_rows.clear();
    m_rowCount = 0;
    m_current = 0;
}

bool CColorTable::Begin(int width, qint64 rows, const CColorSequenceStyle& style)
{
    FreeRows();
    m_width = width;
    m_colors = style.colors;
    if (width < 1 || rows < 1 || rows * width > MaxCells)
        return false;
    m_rowCount = int(rows);
    const CRgbwColor background = Color(0);
    m_rows = QVector<QVector<CRgbwColor>>(m_rowCount, QVector<CRgbwColor>(width, background));
    return true;
}

void CColorTable::MirrorRows()
{
    for (int i = m_current; i < m_rowCount; ++i)
        m_rows[i] = m_rows[m_rowCount - 1 - i];
    m_current = m_rowCount;
}

CRgbwColor CColorTable::Color(int index) const
{
    return m_colors.value(index);
}

void CColorTable::Set(int row, int column, const CRgbwColor& color)
{
    if (row >= 0 && row < m_rowCount && column >= 0 && column < m_width)
        m_rows[row][column] = color;
}

int CColorTable::BuildRainbow(int width, int size, int number, int shift, const CColorSequenceStyle& style)
{
    m_spanA = size;
    m_spanB = number;
    m_shift = shift;
    if (size < 1 || number < 1 || shift < 1) {
        Begin(0, 0, style);
        return 0;
    }
    const qint64 half = std::max<qint64>(2, qint64(size) * number / shift);
    if (!Begin(width, style.comeBack ? 2 * half : half, style))
        return 0;

    for (qint64 r = 0; r < half; ++r) {
        const int row = int(style.forward ? r : half - 1 - r);
        for (int c = 0; c < width; ++c) {
            const float p = float(c + qint64(shift) * r) / float(size);
            const qint64 whole = qint64(p);
            const int i = int(whole % number);
            if (style.fade) {
                const float fraction = p - float(whole);
                Set(row, c, Blend(1.0f - fraction, Color(i), Color((i + 1) % number)));
            } else {
                Set(row, c, Color(i));
            }
        }
    }
    m_current = int(half);
    if (style.comeBack)
        MirrorRows();
    return m_rowCount;
}

int CColorTable::BuildWave(int width, int size, int shift, const CColorSequenceStyle& style)
{
    if (style.fade && size < 3)
        size = 2;
    m_spanA = size;
    m_spanB = 0;
    m_shift = shift;
    if (size < 1 || shift < 1) {
        Begin(0, 0, style);
        return 0;
    }
    const qint64 half = std::max<qint64>(2, (qint64(width) + (style.wrap ? 0 : size)) / shift);
    if (!Begin(width, style.comeBack ? 2 * half : half, style))
        return 0;

    const CRgbwColor background = Color(0);
    const CRgbwColor band = Color(1);
    const float fadeSpan = float(size / 2);
    for (qint64 r = 0; r < half; ++r) {
        const int row = int(style.forward ? half - 1 - r : r);
        const qint64 s0 = qint64(shift) * r;
        qint64 first;
        qint64 end;
        if (style.wrap) {
            first = s0;
            end = s0 + size;
        } else {
            first = s0 - size;
            end = s0;
        }
        const qint64 centre = (first + end) / 2;
        // A wrapping band longer than the row writes each column several
        // times; only the last lap shows, so only it is drawn.
        const qint64 from = style.wrap ? std::max(first, end - width) : std::max<qint64>(0, first);
        const qint64 to = style.wrap ? end : std::min<qint64>(width, end);
        for (qint64 j = from; j < to; ++j) {
            const int column = int(style.wrap ? Wrap(j, width) : j);
            if (style.fade) {
                const float w = float(std::llabs(j - centre)) / fadeSpan;
                Set(row, column, Blend(w, background, band));
            } else {
                Set(row, column, band);
            }
        }
    }
    m_current = int(half);
    if (style.comeBack)
        MirrorRows();
    return m_rowCount;
}

int CColorTable::BuildHalfWave(int width, int halfSize, int number, int shift, const CColorSequenceStyle& style)
{
    m_spanA = halfSize;
    m_spanB = number;
    m_shift = shift;
    if (halfSize < 1 || number < 1 || shift < 1) {
        Begin(0, 0, style);
        return 0;
    }
    const int k = width >= 3 ? width - 1 : 1;
    if (!Begin(width, std::max(2, k / shift), style))
        return 0;

    const qint64 half = width / 2 + (width % 2);
    const int c0 = width / 2;
    const bool odd = width % 2 != 0;
    int r = 0;
    for (; qint64(shift) * r < half && r < m_rowCount; ++r) {
        int b = 1;
        int a = 2 % number;
        if (a < 2)
            a = 1;
        const qint64 limit = qint64(shift) * (r + 1) >= half ? half - 1 : qint64(shift) * r;
        qint64 x = c0;
        while (x <= c0 + limit) {
            for (int t = 0; t < halfSize && x <= c0 + limit; ++t, ++x) {
                const CRgbwColor color = Blend(1.0f - float(t) / float(halfSize), Color(b), Color(a));
                Set(r, int(x), color);
                if (!odd)
                    Set(r, int(2 * c0 - 1 - x), color);
                else if (r > 0)
                    Set(r, int(2 * c0 - x), color);
            }
            b = NextBandColor(b, number);
            a = NextBandColor(b, number);
        }
    }
    m_current = r;
    MirrorRows();
    return m_rowCount;
}

int CColorTable::BuildRandom(int width, int size, int number, const CColorSequenceStyle& style)
{
    m_spanA = size;
    m_spanB = number;
    m_shift = 0;
    if (size < 1 || number < 1 || !Begin(width, 40, style)) {
        Begin(0, 0, style);
        return 0;
    }
    CEffectRandom::SeedFromClock();
    // Once every column is lit, further draws of a row only recolour lit
    // columns at random; capping them keeps a huge size from stalling.
    const int draws = std::min(size, width);
    int c = 1;
    QVector<bool> used(width);
    for (int row = 0; row < m_rowCount; ++row) {
        used.fill(false);
        for (int d = 0; d < draws; ++d) {
            int x = std::clamp(RandomInt(width), 0, width - 1);
            for (int tries = 0; used[x] && tries < width; ++tries)
                x = (x + 1) % width;
            Set(row, x, Color(c));
            used[x] = true;
            c = NextBandColor(c, number);
        }
    }
    m_current = m_rowCount;
    return m_rowCount;
}

int CColorTable::BuildWagons(int width, int size, int wagonSpan, int number, int shift,
                             const CColorSequenceStyle& style)
{
    m_spanA = size;
    m_spanB = wagonSpan;
    m_shift = shift;
    if (size < 1 || wagonSpan < 1 || number < 1 || shift < 1) {
        Begin(0, 0, style);
        return 0;
    }
    const int half = std::max(2, wagonSpan / shift);
    if (!Begin(width, 2 * qint64(half), style))
        return 0;

    for (int r = 0; r < half; ++r) {
        const int o = int((qint64(shift) * r) % wagonSpan);
        int c = 1;
        qint64 w = 0;
        while (o + w < width) {
            const qint64 p = o + w;
            const qint64 cover = std::min<qint64>({size, width - p, wagonSpan});
            for (qint64 t = 0; t < cover; ++t)
                Set(r, int(p + t), Color(c));
            w += wagonSpan;
            if (w >= width)
                break;
            for (qint64 t = 0; t < wagonSpan && w + t < width; ++t)
                Set(r, int(w + t), m_rows[r][int(w - 1 - t)]);
            w += wagonSpan;
            c = NextBandColor(c, number);
        }
    }
    m_current = half;
    MirrorRows();
    return m_rowCount;
}
