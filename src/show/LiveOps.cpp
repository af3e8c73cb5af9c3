#include "show/LiveOps.h"

#include "show/DmxLayer.h"
#include "show/StepFixture.h"

void CLiveOps::Clear()
{
    m_dims.clear();
    for (std::vector<SRun>& forces : m_forces)
        forces.clear();
    for (int k = 0; k <= kFirstColour; ++k) {
        m_forcedRuns[k].Clear();
        m_forcedBuilt[k] = false;
    }
}

void CLiveOps::Append(std::vector<SRun>& runs, const SRun& op)
{
    if (!runs.empty()) {
        SRun& last = runs.back();
        const int stride = last.count == 1 ? op.first - last.first : last.stride;
        const int shift = stride * last.count;
        auto follows = [shift](int from, int to) { return from < 0 ? to < 0 : to == from + shift; };
        if (stride != 0 && last.universe == op.universe && last.level == op.level && last.count < 0xFFFF
            && follows(last.first, op.first) && follows(last.green, op.green) && follows(last.blue, op.blue)) {
            last.stride = qint16(stride);
            ++last.count;
            return;
        }
    }
    runs.push_back(op);
}

bool CLiveOps::IsNeutral(const SParameters& p)
{
    return p.dimmer == 50 && !p.blackout && !p.beamOn && !p.liveColor;
}

CLiveOps::Kind CLiveOps::KindOf(const SParameters& p)
{
    return p.blackout ? Blackout : p.beamOn ? BeamOn : p.liveColor ? kFirstColour : kKinds;
}

void CLiveOps::Apply(const SParameters& p, CDmxLayer& levels) const
{
    if (p.dimmer != 50) {
        quint8 dimmed[256];
        for (int level = 0; level < 256; ++level)
            dimmed[level] = Dim(level, p.dimmer);
        for (const SRun& d : m_dims) {
            quint8* out = levels[d.universe];
            for (int k = 0, at = 0; k < d.count; ++k, at += d.stride) {
                if (d.green < 0)
                    out[d.first + at] = dimmed[out[d.first + at]];
                else
                    ColourDim(out[d.first + at], out[d.green + at], out[d.blue + at], p.dimmer);
            }
        }
    }
    const Kind kind = KindOf(p);
    if (kind == kKinds)
        return;
    const quint8 components[] = {p.red, p.green, p.blue, p.white};
    // The components share no slot, so their order does not matter.
    const int kinds = kind == kFirstColour ? 4 : 1;
    for (int c = 0; c < kinds; ++c) {
        for (const SRun& f : m_forces[kind + c]) {
            const quint8 level = kind != kFirstColour ? f.level : f.level ? quint8(255 - components[c]) : components[c];
            quint8* out = levels[f.universe];
            for (int k = 0, at = f.first; k < f.count; ++k, at += f.stride)
                out[at] = level;
        }
    }
}

const CSlotRuns* CLiveOps::Forced(const SParameters& p)
{
    const Kind kind = KindOf(p);
    if (kind == kKinds)
        return nullptr;
    if (!m_forcedBuilt[kind]) {
        // Gathered slot by slot first: the components of a colour set
        // interleave, and runs in slot order are what a copy goes through fast.
        const int kinds = kind == kFirstColour ? 4 : 1;
        int universes = 0;
        for (int c = 0; c < kinds; ++c) {
            for (const SRun& f : m_forces[kind + c])
                universes = qMax(universes, f.universe + 1);
        }
        std::vector<quint8> forced(size_t(universes) * CDmxLayer::kSlots, 0);
        for (int c = 0; c < kinds; ++c) {
            for (const SRun& f : m_forces[kind + c]) {
                for (int k = 0, at = f.first; k < f.count; ++k, at += f.stride)
                    forced[size_t(f.universe) * CDmxLayer::kSlots + size_t(at)] = 1;
            }
        }
        for (size_t i = 0; i < forced.size(); ++i) {
            if (forced[i])
                m_forcedRuns[kind].Add(int(i / CDmxLayer::kSlots), int(i % CDmxLayer::kSlots), CSlotRuns::Copy);
        }
        m_forcedBuilt[kind] = true;
    }
    return m_forcedRuns[kind].IsEmpty() ? nullptr : &m_forcedRuns[kind];
}
