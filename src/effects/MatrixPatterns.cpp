#include "effects/MatrixPatterns.h"

#include "effects/ColorEffect.h"
#include "effects/EffectRandom.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

unsigned char TruncToByte(float value)
{
    if (!(value > 0.0f))
        return 0;
    if (value >= 255.0f)
        return 255;
    return static_cast<unsigned char>(value);
}

// acos is undefined outside -1..1, where rounding of a unit vector's dot
// product can land.
float ClampedAcos(float value)
{
    return std::acos(std::clamp(value, -1.0f, 1.0f));
}

constexpr float kPi = 3.14159265358979323846f;

quint32 PackColor(const CRgbwColor& color)
{
    return quint32(color.r) | quint32(color.g) << 8 | quint32(color.b) << 16 | quint32(color.w) << 24;
}

} // namespace

int CMatrixPattern::Divisor(int fixtureCount, int size)
{
    if (size < 1 || fixtureCount < 1)
        return 1;
    qint64 q = qint64(fixtureCount) * 20 / size;
    if (q < 2)
        q = 1;
    return q < fixtureCount ? int(fixtureCount / q) : 1;
}

CRgbwColor CMatrixPattern::BlendColors(float t, const CRgbwColor& a, const CRgbwColor& b)
{
    const float u = 1.0f - t;
    return CRgbwColor(TruncToByte(float(a.r) * t + float(b.r) * u), TruncToByte(float(a.g) * t + float(b.g) * u),
                      TruncToByte(float(a.b) * t + float(b.b) * u), TruncToByte(float(a.w) * t + float(b.w) * u));
}

const CRgbwColor* CMatrixPattern::FrameData(int frame) const
{
    if (frame < 0 || frame >= m_frameCount)
        return nullptr;
    return m_cells.constData() + qint64(frame) * m_pixelCount;
}

CRgbwColor CMatrixPattern::At(int frame, int pixel) const
{
    const CRgbwColor* data = FrameData(frame);
    if (!data || pixel < 0 || pixel >= m_pixelCount)
        return CRgbwColor();
    return data[pixel];
}

bool CMatrixPattern::Begin(const CPatternParams& params, qint64 frames)
{
    m_cells.clear();
    m_frameCount = 0;
    m_currentFrame = 0;
    if (params.rows < 1 || params.columns < 1 || params.size < 1 || params.number < 1 || params.divisor < 1)
        return false;
    m_rows = params.rows;
    m_columns = params.columns;
    m_size = params.size;
    m_number = params.number;
    m_divisor = params.divisor;
    m_reverse = params.reverse;
    m_fade = params.fade;
    m_vertical = params.vertical;
    m_colors = params.colors;
    FillDefaultColorList(m_colors);
    return AllocateFrames(frames, params.comeBack);
}

bool CMatrixPattern::AllocateFrames(qint64 frames, bool comeBack)
{
    const qint64 pixels = qint64(m_rows) * m_columns;
    if (frames < 1 || pixels < 1)
        return false;
    if (pixels > MaxFrameCells || frames * (comeBack ? 2 : 1) > MaxFrameCells / pixels) {
        m_tooLarge = true;
        return false;
    }
    m_pixelCount = int(pixels);
    m_cells.reserve(int(frames * pixels * (comeBack ? 2 : 1)));
    m_cells.fill(CRgbwColor(), int(frames * pixels));
    m_frameCount = int(frames);
    return true;
}

void CMatrixPattern::AppendReversedFrames()
{
    const int n = m_frameCount;
    m_cells.resize(int(qint64(2) * n * m_pixelCount));
    for (int k = 0; k < n; ++k)
        std::copy_n(m_cells.constData() + qint64(n - 1 - k) * m_pixelCount, m_pixelCount,
                    m_cells.data() + qint64(n + k) * m_pixelCount);
    m_frameCount = 2 * n;
}

int CMatrixPattern::Finish(bool comeBack)
{
    if (comeBack)
        AppendReversedFrames();
    return m_frameCount;
}

CRgbwColor CMatrixPattern::Color(qint64 index) const
{
    if (index < 0 || index >= m_colors.size())
        return CRgbwColor();
    return m_colors.at(int(index));
}

CRgbwColor CMatrixPattern::FadeColor(float v, qint64 i, qint64 j) const
{
    if (!m_fade)
        return Color(i);
    const float whole = std::trunc(v);
    return BlendColors(1.0f - (v - whole), Color(i), Color(j));
}

void CMatrixPattern::FillFrame(int frame, const CRgbwColor& color)
{
    std::fill_n(m_cells.data() + qint64(frame) * m_pixelCount, m_pixelCount, color);
}

// ---- Circle ----

int CMatrixPattern::BuildCircle(const CPatternParams& params)
{
    const qint64 n = qint64(params.number) * params.size / std::max(1, params.divisor);
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        CircleFrame(m_reverse ? f : int(n) - f - 1);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::CircleFrame(int target)
{
    const float cx = CenterX();
    const float cy = CenterY();
    const float offset = float(Offset());
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c) {
            const float dx = float(c) - cx;
            const float dy = float(r) - cy;
            const float v = (std::sqrt(dx * dx + dy * dy) + offset) / float(m_size);
            const qint64 i = qint64(v) % m_number;
            Pixel(target, r, c) = FadeColor(v, i, (i + 1) % m_number);
        }
    }
}

// ---- Square ----

int CMatrixPattern::BuildSquare(const CPatternParams& params)
{
    const qint64 n = qint64(params.number) * params.size / std::max(1, params.divisor);
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        SquareFrame(m_reverse ? int(n) - f - 1 : f);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::SquareFrame(int target)
{
    const int hc = m_columns / 2;
    const int hr = m_rows / 2;
    // A single row or column is its own top-left quarter; halving it would
    // leave nothing to mirror and the copies below would read row or column -1.
    const int quarterColumns = std::max(1, hc);
    const int quarterRows = std::max(1, hr);
    const qint64 offset = Offset();
    for (int r = 0; r < quarterRows; ++r) {
        for (int c = 0; c < quarterColumns; ++c) {
            const float v = float(c + r + offset) / float(m_size);
            const qint64 i = qint64(v) % m_number;
            Pixel(target, r, c) = FadeColor(v, i, (i + 1) % m_number);
        }
        for (int c = hc; c < m_columns; ++c)
            Pixel(target, r, c) = Pixel(target, r, m_columns - 1 - c);
    }
    for (int r = hr; r < m_rows; ++r)
        for (int c = 0; c < m_columns; ++c)
            Pixel(target, r, c) = Pixel(target, m_rows - 1 - r, c);
    if (m_columns % 2 == 1 && m_columns > 1)
        for (int r = 0; r < m_rows; ++r)
            Pixel(target, r, hc) = Pixel(target, r, hc - 1);
    if (m_rows % 2 == 1 && m_rows > 1)
        for (int c = 0; c < m_columns; ++c)
            Pixel(target, hr, c) = Pixel(target, hr - 1, c);
}

// ---- Butterfly ----

int CMatrixPattern::BuildButterfly(const CPatternParams& params, float halfAngle)
{
    constexpr int n = 20;
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        ButterflyFrame(m_reverse ? n - 1 - f : f, halfAngle);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::ButterflyFrame(int target, float halfAngle)
{
    const float theta = float(m_currentFrame) * kPi / 20.0f;
    const float cosTheta = std::cos(theta);
    const float sinTheta = std::sin(theta);
    const float cx = CenterX();
    const float cy = CenterY();
    const CRgbwColor outside = Color(0);
    const CRgbwColor inside = Color(1);
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c) {
            const float dx = float(c) - cx;
            const float dy = float(m_rows - r) - cy - 1.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            CRgbwColor& pixel = Pixel(target, r, c);
            if (d == 0.0f) {
                pixel = m_fade ? BlendColors(0.5f, outside, inside) : inside;
                continue;
            }
            const float nx = dx / d;
            const float ny = dy / d;
            const float a1 = ClampedAcos(ny * cosTheta + nx * sinTheta);
            const float a2 = ClampedAcos(-ny * cosTheta - nx * sinTheta);
            if (a1 <= halfAngle)
                pixel = m_fade ? BlendColors(a1 / halfAngle, outside, inside) : inside;
            else if (a2 <= halfAngle)
                pixel = m_fade ? BlendColors(a2 / halfAngle, outside, inside) : inside;
            else
                pixel = outside;
        }
    }
}

// ---- Lines ----

int CMatrixPattern::BuildLines(const CPatternParams& params)
{
    const int longest = std::max(params.rows, params.columns);
    const qint64 n = qint64(params.number) * params.size + longest / 2 + longest % 2;
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        LinesFrame(m_reverse ? f : int(n) - f - 1);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::LinesFrame(int target)
{
    FillFrame(target, Color(0));
    const float cx = CenterX();
    const float cy = CenterY();
    const qint64 f = m_currentFrame;
    // Line j sits at p = f - size x (number - j); only the lines between the
    // edge and the centre show, so only those k = number - j are visited, in
    // the order of j (later lines draw over earlier ones).
    const qint64 reach = qint64(std::max(cx, cy));
    const qint64 lowestK = std::max<qint64>(1, (f - reach + m_size - 1) / m_size);
    const qint64 highestK = std::min<qint64>(m_number, f / m_size);
    for (qint64 k = highestK; k >= lowestK; --k) {
        const qint64 p = f - qint64(m_size) * k;
        if (p < 0)
            continue;
        if (float(p) <= cx) {
            for (int r = 0; r < m_rows; ++r) {
                Pixel(target, r, int(p)) = Color(1);
                Pixel(target, r, m_columns - int(p) - 1) = Color(1);
            }
        }
        if (float(p) <= cy) {
            for (int c = 0; c < m_columns; ++c) {
                Pixel(target, int(p), c) = Color(2);
                Pixel(target, m_rows - int(p) - 1, c) = Color(2);
            }
        }
    }
}

// ---- Rainbow ----

int CMatrixPattern::BuildRainbow(const CPatternParams& params)
{
    const qint64 n = std::max<qint64>(2, qint64(params.number) * params.size / std::max(1, params.divisor));
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        RainbowFrame(m_reverse ? f : int(n) - f - 1);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::RainbowFrame(int target)
{
    const qint64 offset = Offset();
    for (int i = 0; i < m_pixelCount; ++i) {
        const float v = float(i + offset) / float(m_size);
        const qint64 index = qint64(v) % m_number;
        const int pixel = m_vertical ? m_columns * (i % m_rows) + i / m_rows : i;
        Pixel(target, pixel) = FadeColor(v, index, (index + 1) % m_number);
    }
}

// ---- Waves ----

int CMatrixPattern::BuildWave(const CPatternParams& params)
{
    const qint64 n = qint64(params.number) * params.size / std::max(1, params.divisor);
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        WaveFrame(m_reverse ? f : int(n) - f - 1, false);
    }
    return Finish(params.comeBack);
}

int CMatrixPattern::BuildPulseWave(const CPatternParams& params)
{
    const qint64 n = 2 * qint64(params.number) * params.size / std::max(1, params.divisor);
    if (!Begin(params, n))
        return 0;
    for (int f = 0; f < n; ++f) {
        m_currentFrame = f;
        WaveFrame(m_reverse ? f : int(n) - f - 1, true);
    }
    return Finish(params.comeBack);
}

void CMatrixPattern::WaveFrame(int target, bool pulse)
{
    const qint64 offset = Offset();
    const int bands = m_vertical ? m_rows : m_columns;
    for (int band = 0; band < bands; ++band) {
        const float v = float(band + offset) / float(m_size);
        qint64 i = 0;
        qint64 j = 0;
        if (pulse) {
            const qint64 k = qint64(v) % (2 * qint64(m_number));
            if (k % 2 == 0) {
                i = k / 2;
                j = 0;
            } else {
                i = 0;
                j = (k / 2 + 1) % m_number;
            }
        } else {
            i = qint64(v) % m_number;
            j = (i + 1) % m_number;
        }
        const CRgbwColor color = FadeColor(v, i, j);
        if (m_vertical)
            std::fill_n(&Pixel(target, band, 0), m_columns, color);
        else
            for (int r = 0; r < m_rows; ++r)
                Pixel(target, r, band) = color;
    }
}

// ---- Rain ----

int CMatrixPattern::RainPixel(int across, int along) const
{
    return m_vertical ? m_columns * along + across : m_columns * across + along;
}

int CMatrixPattern::BuildRain(const CPatternParams& params)
{
    const int travel = params.vertical ? params.rows : params.columns;
    const qint64 n = (qint64(params.size) + 6 * qint64(travel)) / std::max(1, params.divisor);
    CPatternParams once = params;
    once.comeBack = false;
    if (!Begin(once, n))
        return 0;

    CEffectRandom::SeedFromClock();
    const int edge = m_vertical ? m_columns : m_rows;
    const int entry = m_reverse ? travel - 1 : 0;
    const int step = m_reverse ? -1 : 1;
    // A drop's trail cannot outlast the animation, so a huge size costs no
    // more than the frames it can show.
    const int trailLength = int(std::min<qint64>(m_size, n + 1));
    QVector<CRgbwColor> trail(trailLength);
    // Where each trail colour first appears, the entry pixel's next colour
    // being the one after it.
    QHash<quint32, int> trailIndex;
    for (int j = 0; j < trailLength; ++j) {
        trail[j] = BlendColors(1.0f - float(j) / float(m_size), Color(1), Color(0));
        if (j + 1 < trailLength && !trailIndex.contains(PackColor(trail[j])))
            trailIndex.insert(PackColor(trail[j]), j);
    }
    // More drops than this per frame change nothing but the time they take.
    const qint64 drops = std::min<qint64>(m_number, qint64(edge) * 64);
    const CRgbwColor head = Color(1);
    const CRgbwColor background = Color(0);

    auto placeDrops = [&](int frame) {
        for (qint64 d = 0; d < drops; ++d) {
            int e = int(double(CEffectRandom::Next()) / 32767.0 * double(edge + 1));
            e = std::min(e, edge - 1);
            Pixel(frame, RainPixel(e, entry)) = head;
        }
    };

    FillFrame(0, background);
    placeDrops(0);
    const qint64 lastDropFrame = n - m_rows - m_size;
    for (int f = 1; f < n; ++f) {
        m_currentFrame = f;
        for (int a = 0; a < edge; ++a) {
            for (int along = 0; along < travel; ++along) {
                if (along == entry)
                    continue;
                Pixel(f, RainPixel(a, along)) = Pixel(f - 1, RainPixel(a, along - step));
            }
            Pixel(f, RainPixel(a, entry)) = background;
        }
        if (f < lastDropFrame)
            placeDrops(f);
        for (int a = 0; a < edge; ++a) {
            CRgbwColor& pixel = Pixel(f, RainPixel(a, entry));
            if (pixel == head)
                continue;
            const int j = trailIndex.value(PackColor(Pixel(f - 1, RainPixel(a, entry))), -1);
            pixel = j >= 0 ? trail[j + 1] : background;
        }
    }
    return m_frameCount;
}
