// The colour builders of the effect engine: gradients and colour sequences.

#include "effects/EffectEngine.h"

#include "effects/ColorTables.h"
#include "effects/GradientEffect.h"
#include "effects/TrichroEffect.h"

#include <algorithm>
#include <limits>

static_assert(CColorTable::MaxCells >= CEffectEngine::kMaxStepCells,
              "a colour table must hold every generation the engine allows");

namespace {

constexpr int kFirstGradientStepMs = 40;
constexpr int kTimeGrainMs = 40;

int ClampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// trunc(a x (1 - f) + b x f); callers hold f to 0..1, so it is a byte.
unsigned char Mix(unsigned char a, unsigned char b, double f)
{
    return static_cast<unsigned char>(std::clamp(int(a * (1.0 - f) + b * f), 0, 255));
}

void PutRaw(CColorStepRecord& record, int step, const CRgbwColor& color)
{
    if (step < 0 || step >= record.m_rawRed.size() || step >= record.m_rawGreen.size()
        || step >= record.m_rawBlue.size() || step >= record.m_rawWhite.size())
        return;
    record.m_rawRed[step] = char(color.r);
    record.m_rawGreen[step] = char(color.g);
    record.m_rawBlue[step] = char(color.b);
    record.m_rawWhite[step] = char(color.w);
}

} // namespace

void CEffectEngine::GenerateGradient()
{
    auto* gradient = dynamic_cast<CGradientEffect*>(Effect());
    if (!gradient)
        return;
    const int pegs = std::min(gradient->m_pegColors.size(), gradient->m_pegPositions.size());
    if (pegs < 1)
        return; // nothing to spread
    const QList<CRgbwColor>& colors = gradient->m_pegColors;
    const QList<double>& positions = gradient->m_pegPositions;
    const int records = m_colorRecords.size();

    if (gradient->m_gradType == 0) {
        ResizeSteps(1);
        int j = 0;
        for (int k = 0; k < records; ++k) {
            CColorStepRecord& record = m_colorRecords[k];
            if (pegs == 1) {
                PutRaw(record, 0, colors[0]);
                continue;
            }
            const float t = float(k) / float(records);
            // Pegs may lie closer together than the fixtures: skip every
            // segment the fixture has passed, not just one.
            while (j < pegs - 2 && t > positions[j + 1])
                ++j;
            const double span = positions[j + 1] - positions[j];
            // Two pegs at one position make a hard edge: the later one shows.
            double f = span != 0.0 ? (t - positions[j]) / span : 1.0;
            if (!(f >= 0.0))
                f = 0.0;
            f = std::min(f, 1.0);
            const CRgbwColor& a = colors[j];
            const CRgbwColor& b = colors[j + 1];
            PutRaw(record, 0, CRgbwColor(Mix(a.r, b.r, f), Mix(a.g, b.g, f), Mix(a.b, b.b, f), Mix(a.w, b.w, f)));
        }
        ApplyIntensitySaturation();
        return;
    }

    if (!FitsStepBudget(pegs)) {
        gradient->m_len = 0;
        return;
    }
    ResizeSteps(pegs);
    qint64 total = 0;
    for (int i = 0; i < pegs; ++i) {
        qint64 time = kFirstGradientStepMs;
        if (i > 0) {
            // Pegs out of order would give a negative time; they follow
            // each other at once instead.
            const double d = (positions[i] - positions[i - 1]) * gradient->m_len;
            const qint64 ms = d > 0.0 ? qint64(std::min(d, double(std::numeric_limits<int>::max()))) : 0;
            time = ms / kTimeGrainMs * kTimeGrainMs;
            total += time;
        }
        if (i < gradient->m_stepTimes.size())
            gradient->m_stepTimes[i] = int(time);
        else
            gradient->m_stepTimes.append(int(time));
        for (CColorStepRecord& record : m_colorRecords)
            PutRaw(record, i, colors[i]);
    }
    if (total < gradient->m_len)
        gradient->m_stepTimes[pegs - 1] = ClampToInt(gradient->m_stepTimes[pegs - 1] + (gradient->m_len - total));
    ApplyIntensitySaturation();
}

void CEffectEngine::GenerateTrichro()
{
    auto* sequence = dynamic_cast<CTrichroEffect*>(Effect());
    if (!sequence)
        return;
    const int n = m_colorRecords.size();
    const int size = sequence->m_size;
    if (size < 1 || sequence->m_number < 1) {
        sequence->m_len = 0;
        return;
    }
    if (sequence->m_number > sequence->m_colors.size())
        sequence->FillDefaultColors();
    const int number = std::min(sequence->m_number, sequence->m_colors.size());

    const int g = int(std::max<qint64>(1, qint64(n) * 10 / size));
    const int m = std::max(n, g) / g;
    CColorSequenceStyle style;
    style.forward = sequence->m_sens;
    style.fade = sequence->m_hasFade;
    style.comeBack = sequence->m_comeBack;
    style.wrap = sequence->m_continue;
    style.colors = sequence->m_colors;

    CColorTable& table = ColorTable();
    int rows = 0;
    switch (sequence->m_trichroType) {
    case CTrichroEffect::Rainbow:
        rows = table.BuildRainbow(n, size, number, m, style);
        break;
    case CTrichroEffect::Wave:
        rows = table.BuildWave(n, size, m, style);
        break;
    case CTrichroEffect::HalfWave:
        rows = table.BuildHalfWave(n, std::max(1, size / 2), number, m, style);
        break;
    case CTrichroEffect::Random:
        rows = table.BuildRandom(n, size, number, style);
        break;
    case CTrichroEffect::Wagons:
        rows = table.BuildWagons(n, size, std::max(1, n / (2 * number)), number, m, style);
        break;
    default:
        return;
    }
    if (rows < 1 || !FitsStepBudget(rows)) {
        sequence->m_len = 0;
        return;
    }
    sequence->m_len = ClampToInt(qint64(sequence->m_fade) * rows);
    CopyColorTable(rows);
    ApplyIntensitySaturation();
}

void CEffectEngine::CopyColorTable(int stepCount)
{
    ResizeSteps(stepCount);
    const CColorTable& table = ColorTable();
    const int steps = std::min(m_stepCount, table.RowCount());
    for (int k = 0; k < m_colorRecords.size(); ++k) {
        CColorStepRecord& record = m_colorRecords[k];
        for (int s = 0; s < steps; ++s)
            PutRaw(record, s, table.At(s, k));
    }
}
