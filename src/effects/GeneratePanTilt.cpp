// The pan/tilt builder of the effect engine: one step per path point, spread
// over the driven fixtures with offsets and a phase along the ring.

#include "effects/EffectEngine.h"

#include "effects/EffectMath.h"
#include "effects/PanTiltEffect.h"

#include <algorithm>

using EffectMath::ByteAt;
using EffectMath::PutByte;
using EffectMath::Wrap;

void CEffectEngine::GeneratePanTilt()
{
    auto* effect = dynamic_cast<CPanTiltEffect*>(Effect());
    if (!effect)
        return;
    const int points = std::min({effect->m_pathCount, effect->m_pathX.size(), effect->m_pathY.size()});
    if (points < 1)
        return; // no figure, no steps
    if (!FitsStepBudget(points)) {
        effect->m_len = 0;
        return;
    }
    ResizeSteps(points);
    CopyPathToSteps(*effect);
    DistributePanTilt(effect->m_phi, effect->m_offsetX, effect->m_offsetY);
}

void CEffectEngine::CopyPathToSteps(const CPanTiltEffect& effect)
{
    const int steps = m_stepCount;
    const int points = std::min({effect.m_pathCount, effect.m_pathX.size(), effect.m_pathY.size()});
    if (steps < 1 || points < 1)
        return;
    const qint64 start = effect.m_start;
    for (int s = 0; s < steps; ++s) {
        // A start outside the ring counts round it, either way.
        const int index = effect.m_sens ? steps - 1 - Wrap(s + qint64(points) - start - 1, steps) : Wrap(s + start, steps);
        const int x = std::clamp(effect.m_pathX.value(index), 0, 65535);
        const int y = std::clamp(effect.m_pathY.value(index), 0, 65535);
        PutByte(m_panCoarse, s, x >> 8);
        PutByte(m_panFine, s, x & 0xFF);
        PutByte(m_tiltCoarse, s, y >> 8);
        PutByte(m_tiltFine, s, y & 0xFF);
    }
}

void CEffectEngine::DistributePanTilt(int phase, int offsetX, int offsetY)
{
    if (phase != 0)
        SpreadPanTiltPhased(phase, offsetX, offsetY);
    else
        SpreadPanTilt(offsetX, offsetY);
}

void CEffectEngine::SpreadPanTilt(int offsetX, int offsetY)
{
    SpreadPanTiltPhased(0, offsetX, offsetY);
}

void CEffectEngine::SpreadPanTiltPhased(int phase, int offsetX, int offsetY)
{
    const int steps = m_stepCount;
    if (steps < 1)
        return;
    const int count = m_panTiltRecords.size();
    const qint64 shift = qint64(steps) * phase / 100;
    const bool fan = offsetX > 0 || offsetY > 0;
    // The fixtures fan out symmetrically around the path, one offset apart.
    const qint64 half = count / 2;
    const qint64 firstPan = -half * offsetX + (count % 2 == 0 ? offsetX / 2 : 0);
    const qint64 firstTilt = -half * offsetY + (count % 2 == 0 ? offsetY / 2 : 0);
    for (int f = 0; f < count; ++f) {
        CPanTiltStepRecord& record = m_panTiltRecords[f];
        for (int s = 0; s < steps; ++s) {
            const int source = Wrap(s - f * shift, steps);
            qint64 pan = ByteAt(m_panCoarse, source);
            qint64 tilt = ByteAt(m_tiltCoarse, source);
            if (fan) {
                pan += firstPan + f * qint64(offsetX);
                tilt += firstTilt + f * qint64(offsetY);
            }
            PutByte(record.m_panCoarse, s, pan);
            PutByte(record.m_panFine, s, ByteAt(m_panFine, source));
            PutByte(record.m_tiltCoarse, s, tilt);
            PutByte(record.m_tiltFine, s, ByteAt(m_tiltFine, source));
        }
    }
}
