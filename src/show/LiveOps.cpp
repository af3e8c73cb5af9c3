#include "show/LiveOps.h"

#include "show/DmxLayer.h"
#include "show/StepFixture.h"

void CLiveOps::Clear()
{
    m_dims.clear();
    for (int k = 0; k < kKinds; ++k) {
        m_forces[k].clear();
        m_forcedRuns[k].Clear();
        m_forcedBuilt[k] = false;
    }
}

bool CLiveOps::IsNeutral(const SParameters& p)
{
    return p.dimmer == 50 && !p.blackout && !p.beamOn && !p.liveColor;
}

const std::vector<CLiveOps::SForce>* CLiveOps::ForcesOf(const SParameters& p) const
{
    // Black-out wins over beam on, and either over the colour override.
    const int kind = p.blackout ? Blackout : p.beamOn ? BeamOn : p.liveColor ? Colour : kKinds;
    return kind == kKinds || m_forces[kind].empty() ? nullptr : &m_forces[kind];
}

void CLiveOps::Apply(const SParameters& p, CDmxLayer& levels) const
{
    if (p.dimmer != 50) {
        quint8 dimmed[256];
        for (int level = 0; level < 256; ++level)
            dimmed[level] = Dim(level, p.dimmer);
        for (const SDim& d : m_dims) {
            quint8* out = levels[d.universe];
            if (d.green < 0)
                out[d.red] = dimmed[out[d.red]];
            else
                ColourDim(out[d.red], out[d.green], out[d.blue], p.dimmer);
        }
    }
    const std::vector<SForce>* forces = ForcesOf(p);
    if (!forces)
        return;
    if (!p.blackout && !p.beamOn) {
        const quint8 components[] = {p.red, p.green, p.blue, p.white};
        for (const SForce& f : *forces) {
            const quint8 level = components[f.component];
            levels[f.universe][f.slot] = f.level ? quint8(255 - level) : level;
        }
        return;
    }
    for (const SForce& f : *forces)
        levels[f.universe][f.slot] = f.level;
}

const CSlotRuns* CLiveOps::Forced(const SParameters& p)
{
    const std::vector<SForce>* forces = ForcesOf(p);
    if (!forces)
        return nullptr;
    const int kind = int(forces - m_forces);
    if (!m_forcedBuilt[kind]) {
        for (const SForce& f : *forces)
            m_forcedRuns[kind].Add(f.universe, f.slot, CSlotRuns::Copy);
        m_forcedBuilt[kind] = true;
    }
    return &m_forcedRuns[kind];
}
