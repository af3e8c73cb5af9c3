// The matrix animation and matrix text builders of the effect engine: the
// pattern's frames become the steps of the colour records, pixel i going to
// record i.

#include "effects/EffectEngine.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixPatterns.h"
#include "effects/MatrixSteps.h"
#include "effects/MatrixTextEffect.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979323846f;

// A pattern that fits its own budget fits the engine's, one record per pixel.
static_assert(CMatrixPattern::MaxFrameCells == CEffectEngine::kMaxStepCells);

// The pattern's frames, `fade` ms each, become the effect's steps; without a
// frame, or past the step budget, the effect gets no steps and length 0.
void FramesToEffect(CEffectEngine& engine, CMatrixColorEffect& effect, int frames)
{
    if (frames < 1 || !engine.FitsStepBudget(frames)) {
        effect.m_len = 0;
        return;
    }
    effect.m_len = MatrixSteps::EffectLength(effect.m_fade, frames);
    engine.FramesToSteps(frames);
    engine.ApplyIntensitySaturation();
}

} // namespace

bool MatrixSteps::MatrixSizeUsable(const CEffectEngine& engine)
{
    return engine.m_rows >= 1 && engine.m_cols >= 1
           && qint64(engine.m_rows) * engine.m_cols <= CMatrixPattern::MaxFrameCells;
}

void MatrixSteps::SampleImageIntoStep(CEffectEngine& engine, const QImage& source, int step)
{
    if (step < 0 || step >= engine.m_stepCount)
        return;
    const int columns = engine.m_cols;
    const int rows = engine.m_rows;
    const bool usable = !source.isNull() && source.width() == columns && source.height() == rows;
    const QImage image = usable ? source.convertToFormat(QImage::Format_RGB32) : QImage();
    const int records = engine.m_colorRecords.size();
    for (int r = 0; r < rows; ++r) {
        const QRgb* line = image.isNull() ? nullptr : reinterpret_cast<const QRgb*>(image.constScanLine(r));
        for (int c = 0; c < columns; ++c) {
            const qint64 index = qint64(columns) * r + c;
            if (index >= records)
                return;
            CColorStepRecord& record = engine.m_colorRecords[int(index)];
            if (step >= record.m_rawRed.size())
                continue;
            const QRgb rgb = line ? line[c] : qRgb(0, 0, 0);
            record.m_rawRed[step] = char(qRed(rgb));
            record.m_rawGreen[step] = char(qGreen(rgb));
            record.m_rawBlue[step] = char(qBlue(rgb));
            record.m_rawWhite[step] = 0;
        }
    }
}

void CEffectEngine::FramesToSteps(int frames)
{
    ResizeSteps(frames);
    const CMatrixPattern& pattern = MatrixPattern();
    const int steps = std::min({frames, m_stepCount, pattern.FrameCount()});
    const int rows = std::min(m_rows, pattern.Rows());
    const int columns = std::min(m_cols, pattern.Columns());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const qint64 index = qint64(m_cols) * r + c;
            if (index >= m_colorRecords.size())
                return;
            CColorStepRecord& record = m_colorRecords[int(index)];
            const int written = std::min(steps, record.m_rawRed.size());
            char* red = record.m_rawRed.data();
            char* green = record.m_rawGreen.data();
            char* blue = record.m_rawBlue.data();
            char* white = record.m_rawWhite.data();
            const int pixel = pattern.Columns() * r + c;
            for (int s = 0; s < written; ++s) {
                const CRgbwColor color = pattern.FrameData(s)[pixel];
                red[s] = char(color.r);
                green[s] = char(color.g);
                blue[s] = char(color.b);
                white[s] = char(color.w);
            }
        }
    }
}

void CEffectEngine::GenerateMatrixAnim()
{
    auto* effect = dynamic_cast<CMatrixAnimEffect*>(Effect());
    if (!effect || effect->m_matrixType < CMatrixAnimEffect::Circle
        || effect->m_matrixType > CMatrixAnimEffect::PulseWave)
        return;
    if (effect->m_size < 1 || effect->m_number < 1 || !MatrixSteps::MatrixSizeUsable(*this)) {
        effect->m_len = 0;
        return;
    }

    CPatternParams params;
    params.rows = m_rows;
    params.columns = m_cols;
    params.size = effect->m_size;
    params.number = effect->m_number;
    params.divisor = CMatrixPattern::Divisor(m_fixtureCount, effect->m_size);
    params.reverse = effect->m_sens;
    params.fade = effect->m_hasFade;
    params.comeBack = effect->m_comeBack;
    params.vertical = effect->m_vertical;
    params.colors = effect->m_colors;

    CMatrixPattern& pattern = MatrixPattern();
    int frames = 0;
    switch (effect->m_matrixType) {
    case CMatrixAnimEffect::Circle:
        frames = pattern.BuildCircle(params);
        break;
    case CMatrixAnimEffect::Square:
        frames = pattern.BuildSquare(params);
        break;
    case CMatrixAnimEffect::Rain: {
        const qint64 across = params.vertical ? params.columns : params.rows;
        const qint64 drops = qint64(params.number) * across / 20;
        params.number = int(std::min<qint64>(drops < 2 ? 1 : drops, std::numeric_limits<int>::max()));
        frames = pattern.BuildRain(params);
        break;
    }
    case CMatrixAnimEffect::Butterfly: {
        const float halfAngle = (float(params.size) * kPi) / (2.0f * float(std::max(params.rows, params.columns)));
        frames = pattern.BuildButterfly(params, halfAngle);
        break;
    }
    case CMatrixAnimEffect::Lines:
        frames = pattern.BuildLines(params);
        break;
    case CMatrixAnimEffect::Rainbow:
        frames = pattern.BuildRainbow(params);
        break;
    case CMatrixAnimEffect::Wave:
        frames = pattern.BuildWave(params);
        break;
    case CMatrixAnimEffect::PulseWave:
        frames = pattern.BuildPulseWave(params);
        break;
    }
    FramesToEffect(*this, *effect, frames);
}

void CEffectEngine::GenerateMatrixText()
{
    auto* effect = dynamic_cast<CMatrixTextEffect*>(Effect());
    if (!effect)
        return;
    CTextParams params;
    params.rows = m_rows;
    params.columns = m_cols;
    params.text = effect->m_text;
    params.font = effect->m_font;
    params.hOffset = effect->m_hOffset;
    params.vOffset = effect->m_vOffset;
    params.direction = effect->m_direction;
    params.textColor = effect->m_textColor;
    params.backColor = effect->m_backColor;
    const int frames = MatrixSteps::MatrixSizeUsable(*this) ? MatrixPattern().BuildText(params) : 0;
    FramesToEffect(*this, *effect, frames);
}
