#pragma once

#include "effects/RgbwColor.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The animation parameters every pattern kind takes; each kind reads the ones
// it needs.
struct CPatternParams
{
    int rows = 0;
    int columns = 0;
    // Pixels per colour band, trail length or line spacing.
    int size = 0;
    // Colours in the cycle, or drops per frame for the rain.
    int number = 0;
    // Frames advance the pattern by this many pixels (the engine's speed-up
    // for large sizes).
    int divisor = 1;
    bool reverse = false;
    bool fade = false;
    bool comeBack = false;
    bool vertical = false;
    QList<CRgbwColor> colors;
};

// The text effect's parameters.
struct CTextParams
{
    int rows = 0;
    int columns = 0;
    QString text;
    QFont font;
    int hOffset = 0;
    int vOffset = 0;
    int direction = 0;
    CRgbwColor textColor;
    CRgbwColor backColor;
};

// Generates the frames of a matrix animation or of a matrix text: one RGBW
// colour per matrix pixel and frame, pixel (row r, column c) being entry
// columns * r + c of its frame. Every Build replaces the frames and
// parameters and returns the frame count; 0 means no frames (a size below 1,
// or more frames x pixels than a generation may hold).
class CMatrixPattern
{
public:
    // Frames x pixels one generation may hold (32 MB of colours), the
    // engine's budget of steps x records.
    static constexpr qint64 MaxFrameCells = qint64(1) << 23;
    // Pixels of one rendered text image.
    static constexpr qint64 MaxTextImagePixels = 4 * 1024 * 1024;

    CMatrixPattern() = default;

    // The last Build made no frames because they would not fit the budget
    // (not because a size was below 1); the engine resets it.
    bool m_tooLarge = false;

    int BuildCircle(const CPatternParams& params);
    int BuildSquare(const CPatternParams& params);
    // params.number is the drops per frame. Seeds the effect random source
    // from the clock first.
    int BuildRain(const CPatternParams& params);
    // The wedge's half-angle replaces the size.
    int BuildButterfly(const CPatternParams& params, float halfAngle);
    int BuildLines(const CPatternParams& params);
    int BuildRainbow(const CPatternParams& params);
    int BuildWave(const CPatternParams& params);
    int BuildPulseWave(const CPatternParams& params);

    int BuildText(const CTextParams& params);

    // The engine's speed divisor: 1 for sizes up to 20 pixels per band,
    // about size / 20 above, so that large sizes keep a bounded frame count.
    static int Divisor(int fixtureCount, int size);

    // Each channel trunc(a * t + b * (1 - t)) in single precision.
    static CRgbwColor BlendColors(float t, const CRgbwColor& a, const CRgbwColor& b);

    // The text as the matrix shows it: `fit` keeps the text's own height,
    // otherwise the image is at least rows high; always at least columns wide.
    // Null when the image would exceed MaxTextImagePixels.
    QImage RenderText(const QString& text, const QFont& font, const CRgbwColor& textColor,
                      const CRgbwColor& backColor, bool fit) const;
    // The text's bounding box drawn left-aligned and vertically centred in
    // the matrix area.
    QRect TextBounds(const QString& text, const QFont& font) const;

    int FrameCount() const { return m_frameCount; }
    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    int PixelCount() const { return m_pixelCount; }
    // The PixelCount() colours of a frame; null for a frame outside the list.
    const CRgbwColor* FrameData(int frame) const;
    // (0,0,0,0) outside the frames.
    CRgbwColor At(int frame, int pixel) const;

private:
    // Stores the parameters and allocates `frames` black frames; false when
    // a size is not positive or the frames (twice as many with the come-back
    // half) would exceed MaxFrameCells.
    bool Begin(const CPatternParams& params, qint64 frames);
    bool AllocateFrames(qint64 frames, bool comeBack);
    // Frames n to 2n - 1 become frames n - 1 down to 0.
    void AppendReversedFrames();
    int Finish(bool comeBack);
    // Colour `index` of the copied list, which Begin pads with the default
    // effect colours; black past its end.
    CRgbwColor Color(qint64 index) const;
    // Colour index i of the value v, faded toward colour j by its fraction.
    CRgbwColor FadeColor(float v, qint64 i, qint64 j) const;
    // How far the current frame has moved the pattern.
    qint64 Offset() const { return qint64(m_divisor) * m_currentFrame; }
    float CenterX() const { return float(m_columns - 1) * 0.5f; }
    float CenterY() const { return float(m_rows - 1) * 0.5f; }
    CRgbwColor& Pixel(int frame, int pixel) { return m_cells[qint64(frame) * m_pixelCount + pixel]; }
    CRgbwColor& Pixel(int frame, int row, int column) { return Pixel(frame, m_columns * row + column); }
    void FillFrame(int frame, const CRgbwColor& color);

    void CircleFrame(int target);
    void SquareFrame(int target);
    void ButterflyFrame(int target, float halfAngle);
    void LinesFrame(int target);
    void RainbowFrame(int target);
    void WaveFrame(int target, bool pulse);
    // The index of pixel `along` of the travel line `across` of a rain drop.
    int RainPixel(int across, int along) const;

    int BuildStaticText(const CTextParams& params);
    int BuildScrollText(const CTextParams& params);
    int BuildVerticalText(const CTextParams& params);
    bool BeginText(const CTextParams& params, qint64 frames);
    // Image pixel (x, y) into frame pixel `pixel`, white 0; `backColor`
    // outside the image.
    void SampleImagePixel(int frame, int pixel, int x, int y, const QImage& image, const CRgbwColor& backColor);

    // Every frame after the other, PixelCount() colours each.
    QVector<CRgbwColor> m_cells;
    int m_currentFrame = 0;
    int m_frameCount = 0;
    int m_rows = 0;
    int m_columns = 0;
    int m_pixelCount = 0;
    int m_size = 0;
    int m_number = 0;
    int m_divisor = 1;
    bool m_reverse = false;
    bool m_fade = false;
    bool m_vertical = false;
    QList<CRgbwColor> m_colors;
};
