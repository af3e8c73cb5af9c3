// The curve builder of the effect engine: one waveform table per channel,
// turned into 200 steps and spread over the driven fixtures.

#include "effects/EffectEngine.h"

#include "effects/CurveEffect.h"
#include "effects/CurveTables.h"
#include "effects/EffectMath.h"

#include <algorithm>

namespace {

using EffectMath::ByteAt;
using EffectMath::PutByte;
using EffectMath::Wrap;

// The editors offer phases of 0..100 percent.
int ClampPercent(int percent)
{
    return std::clamp(percent, 0, 100);
}

} // namespace

void CEffectEngine::PrepareCurveRecords(CCurveEffect& curve)
{
    curve.ClearChannelRecords();
    for (int i = 0; i < curve.ChannelCount(); ++i) {
        QList<CChannelStepRecord> records;
        for (int k = 0; k < m_fixtureCount; ++k) {
            CChannelStepRecord record;
            // The fixture of the beam entry itself: the fixture list holds
            // each fixture once, so it only lines up with the beam entries
            // while every fixture has one.
            record.m_fixture = k < curve.m_beamFixtures.size() ? curve.m_beamFixtures[k] : curve.m_fixtures.value(k);
            record.m_beam = curve.m_beamIndex.value(k);
            records.append(record);
        }
        curve.m_outputs.append(records);
    }
}

void CEffectEngine::GenerateCurve()
{
    auto* curve = dynamic_cast<CCurveEffect*>(Effect());
    if (!curve)
        return;
    if (!FitsStepBudget(kCurvePoints)) {
        curve->m_len = 0;
        return;
    }
    if (!curve->m_regenerateAll) {
        GenerateCurveChannel(*curve, curve->m_currentChannel);
        return;
    }
    const int channels = curve->ChannelCount();
    for (int i = 0; i < channels; ++i) {
        if (curve->m_activeChannels.value(i) || i == curve->m_currentChannel)
            GenerateCurveChannel(*curve, i);
    }
    curve->m_regenerateAll = false;
}

void CEffectEngine::GenerateCurveChannel(CCurveEffect& curve, int channel)
{
    if (channel < 0 || channel >= curve.m_outputs.size() || channel >= curve.m_params.size()
        || channel >= curve.m_tables.size())
        return;
    CCurveParam& param = curve.m_params[channel];
    CCurveGenerator& generator = CurveGenerator();
    generator.m_table = &curve.m_tables[channel];
    generator.Generate(param.m_type, param.m_ampli, param.m_phase, param.m_offset, param.m_ratio);
    generator.m_table = nullptr;

    CurveTableToSteps(curve.m_tables[channel], param.m_fine);
    const int phi = ClampPercent(param.m_phi);
    if (curve.m_onMatrix)
        SpreadCurveOnMatrix(phi, param.m_direction, param.m_fine);
    else if (phi != 0)
        SpreadCurvePhased(phi, param.m_offset2, param.m_fine);
    else
        SpreadCurve(param.m_offset2, param.m_fine);

    QList<CChannelStepRecord>& outputs = curve.m_outputs[channel];
    const int count = std::min(outputs.size(), m_channelRecords.size());
    for (int k = 0; k < count; ++k) {
        outputs[k].m_coarse = m_channelRecords[k].m_coarse;
        if (param.m_fine)
            outputs[k].m_fine = m_channelRecords[k].m_fine;
    }
}

void CEffectEngine::CurveTableToSteps(const QVector<int>& table, bool fine)
{
    ResizeSteps(kCurvePoints);
    for (int s = 0; s < m_stepCount; ++s) {
        const int level = std::clamp(table.value(s), 0, 65535);
        PutByte(m_curveCoarse, s, level >> 8);
        if (fine)
            PutByte(m_curveFine, s, level & 0xFF);
    }
}

void CEffectEngine::SpreadCurve(int offset2, bool fine)
{
    const int n = m_channelRecords.size();
    if (offset2 < 1) {
        for (CChannelStepRecord& record : m_channelRecords) {
            for (int s = 0; s < m_stepCount; ++s) {
                PutByte(record.m_coarse, s, ByteAt(m_curveCoarse, s));
                if (fine)
                    PutByte(record.m_fine, s, ByteAt(m_curveFine, s));
            }
        }
        return;
    }
    const qint64 d = n > 1 ? offset2 / (n - 1) : 0;
    for (int s = 0; s < m_stepCount; ++s) {
        qint64 level = ByteAt(m_curveCoarse, s) - (n / 2) * d;
        if (n % 2 == 0)
            level += d / 2;
        for (int k = 0; k < n; ++k) {
            PutByte(m_channelRecords[k].m_coarse, s, level + k * d);
            if (fine)
                PutByte(m_channelRecords[k].m_fine, s, ByteAt(m_curveFine, s));
        }
    }
}

void CEffectEngine::SpreadCurvePhased(int phi, int offset2, bool fine)
{
    const int steps = m_stepCount;
    if (steps < 1)
        return;
    const int n = m_channelRecords.size();
    const qint64 shift = qint64(steps) * phi / 100;
    const qint64 d = offset2 >= 1 && n > 1 ? offset2 / (n - 1) : 0;
    const qint64 first = -(n / 2) * d + (n % 2 == 0 ? d / 2 : 0);
    for (int k = 0; k < n; ++k) {
        CChannelStepRecord& record = m_channelRecords[k];
        for (int s = 0; s < steps; ++s) {
            const int source = Wrap(s - k * shift, steps);
            if (offset2 < 1) {
                PutByte(record.m_coarse, s, ByteAt(m_curveCoarse, source));
                if (fine)
                    PutByte(record.m_fine, s, ByteAt(m_curveFine, source));
            } else {
                PutByte(record.m_coarse, s, ByteAt(m_curveCoarse, source) + first + k * d);
                PutByte(record.m_fine, s, ByteAt(m_curveFine, source));
            }
        }
    }
}

void CEffectEngine::SpreadCurveOnMatrix(int phi, int direction, bool fine)
{
    const int shift = int(qint64(std::max(m_rows, m_cols)) * ClampPercent(phi) / 100);
    switch (direction) {
    case 1: SpreadMatrixColumns(shift, fine); break;
    case 2: SpreadMatrixDiagonal(shift, fine); break;
    case 3: SpreadMatrixRows(shift, fine); break;
    case 4: SpreadMatrixAntiDiagonal(shift, fine); break;
    case 5: SpreadMatrixColumnsReversed(shift, fine); break;
    case 6: SpreadMatrixDiagonalReversed(shift, fine); break;
    case 7: SpreadMatrixRowsReversed(shift, fine); break;
    case 8: SpreadMatrixAntiDiagonalReversed(shift, fine); break;
    default:
        // Without a direction the matrix shift serves as the percentage.
        if (shift != 0)
            SpreadCurvePhased(shift, 0, fine);
        else
            SpreadCurve(0, fine);
        break;
    }
}

namespace {

// Cell (r, c) of the engine's matrix reads `offset(r, c) x shift` steps ahead;
// cells without a record are skipped.
template <typename Offset>
void SpreadOverMatrix(CEffectEngine& engine, int shift, bool fine, Offset offset)
{
    const int steps = engine.m_stepCount;
    const int rows = engine.m_rows;
    const int cols = engine.m_cols;
    if (steps < 1 || rows < 1 || cols < 1)
        return;
    const int records = engine.m_channelRecords.size();
    for (int index = 0; index < records && index / cols < rows; ++index) {
        const int r = index / cols;
        const int c = index % cols;
        CChannelStepRecord& record = engine.m_channelRecords[index];
        const qint64 ahead = qint64(offset(r, c)) * shift;
        for (int s = 0; s < steps; ++s) {
            const int source = Wrap(s + ahead, steps);
            PutByte(record.m_coarse, s, ByteAt(engine.m_curveCoarse, source));
            if (fine)
                PutByte(record.m_fine, s, ByteAt(engine.m_curveFine, source));
        }
    }
}

} // namespace

void CEffectEngine::SpreadMatrixColumns(int shift, bool fine)
{
    SpreadOverMatrix(*this, shift, fine, [](int, int c) { return c; });
}

void CEffectEngine::SpreadMatrixDiagonal(int shift, bool fine)
{
    SpreadOverMatrix(*this, shift, fine, [](int r, int c) { return r + c; });
}

void CEffectEngine::SpreadMatrixRows(int shift, bool fine)
{
    SpreadOverMatrix(*this, shift, fine, [](int r, int) { return r; });
}

void CEffectEngine::SpreadMatrixAntiDiagonal(int shift, bool fine)
{
    SpreadOverMatrix(*this, shift, fine, [](int r, int c) { return r - c; });
}

void CEffectEngine::SpreadMatrixColumnsReversed(int shift, bool fine)
{
    const int cols = m_cols;
    SpreadOverMatrix(*this, shift, fine, [cols](int, int c) { return cols - 1 - c; });
}

void CEffectEngine::SpreadMatrixDiagonalReversed(int shift, bool fine)
{
    const int rows = m_rows;
    const int cols = m_cols;
    SpreadOverMatrix(*this, shift, fine, [rows, cols](int r, int c) { return (rows - 1 - r) + (cols - 1 - c); });
}

void CEffectEngine::SpreadMatrixRowsReversed(int shift, bool fine)
{
    const int rows = m_rows;
    SpreadOverMatrix(*this, shift, fine, [rows](int r, int) { return rows - 1 - r; });
}

void CEffectEngine::SpreadMatrixAntiDiagonalReversed(int shift, bool fine)
{
    SpreadOverMatrix(*this, shift, fine, [](int r, int c) { return c - r; });
}
