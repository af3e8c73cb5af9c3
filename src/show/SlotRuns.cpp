#include "show/SlotRuns.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/DmxLayer.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <algorithm>
#include <cstring>

namespace {

// The fine partner of channel c when c is the coarse byte of a 16-bit pair
// whose fine byte lies in the same mode; -1 otherwise.
int FinePartner(const CProfileMode& mode, int c, int count)
{
    const CProfileChannelDef* channel = mode.m_channels[c];
    if (!channel || !channel->m_msb)
        return -1;
    const int p = channel->m_partner16Index;
    if (p < 0 || p >= count || p == c)
        return -1;
    const CProfileChannelDef* fine = mode.m_channels[p];
    return fine && fine->m_lsb ? p : -1;
}

// Whether channel c is written together with its coarse byte.
bool IsWrittenWithCoarse(const CProfileMode& mode, int c, int count)
{
    const CProfileChannelDef* channel = mode.m_channels[c];
    if (!channel || !channel->m_lsb)
        return false;
    const int coarse = channel->m_partner16Index;
    return coarse >= 0 && coarse < count && coarse != c && FinePartner(mode, coarse, count) == c;
}

bool IsSlot(int slot)
{
    return slot >= 0 && slot < CDmxLayer::kSlots;
}

void AddRawChannel(CSlotRuns& runs, const CPatchedFixture& patched, const quint8* active, const quint8* override)
{
    const int s = patched.m_address;
    if (!IsSlot(s))
        return;
    if (override[s])
        runs.Add(patched.m_universe, s, CSlotRuns::Copy);
    else if (active[s])
        runs.Add(patched.m_universe, s, CSlotRuns::Mix8);
}

void AddFixture(CSlotRuns& runs, const CStepFixture& fixture, const CProfileMode& mode, const quint8* active,
                const quint8* override)
{
    const int u = fixture.Fixture()->m_universe;
    const int address = fixture.Fixture()->m_address;
    const int count = qMin(fixture.ChannelCount(), mode.ChannelCount());
    for (int c = 0; c < count; ++c) {
        const int slot = address + c;
        if (!IsSlot(slot))
            continue;
        const CProfileChannelDef* channel = mode.m_channels[c];
        // Plain 8-bit channels, the common case, skip the pair lookups.
        if (channel && (channel->m_msb || channel->m_lsb)) {
            if (IsWrittenWithCoarse(mode, c, count))
                continue;
            const int fine = FinePartner(mode, c, count);
            const int fineSlot = fine >= 0 ? address + fine : -1;
            if (IsSlot(fineSlot)) {
                if (override[slot]) {
                    runs.Add(u, slot, CSlotRuns::Copy);
                    runs.Add(u, fineSlot, CSlotRuns::Copy);
                } else if (active[slot]) {
                    runs.Add(u, slot, CSlotRuns::Mix16, fineSlot - slot);
                }
                continue;
            }
        }
        if (override[slot])
            runs.Add(u, slot, CSlotRuns::Copy);
        else if (active[slot])
            runs.Add(u, slot, CSlotRuns::Mix8);
    }
}

// Single-precision rounding can put the mix a hair below its lower end,
// which truncation turns into a whole level: a level both sides hold would
// dip by one for the length of a crossfade.
int Mix(int from, int to, float t)
{
    // Held in floats, where the compiler mixes many levels at once.
    const float a = float(from), b = float(to);
    return int(std::max(a * (1.0f - t) + b * t, std::min(a, b)));
}

// A run whose output overlaps neither input: told so, the compiler mixes
// many levels at once.
void MixApart(const quint8* __restrict from, const quint8* __restrict to, quint8* __restrict out, int count,
              float t)
{
    for (int i = 0; i < count; ++i)
        out[i] = quint8(Mix(from[i], to[i], t));
}

} // namespace

void CSlotRuns::Add(int universe, int slot, Kind kind, int fineOffset)
{
    if (!m_runs.empty()) {
        SRun& last = m_runs.back();
        if (last.universe == universe && last.kind == kind) {
            if (kind != Mix16 && last.first + last.count == slot) {
                ++last.count;
                return;
            }
            if (kind == Mix16 && fineOffset == 1 && last.fineOffset == 1 && last.first + 2 * last.count == slot) {
                ++last.count;
                return;
            }
        }
    }
    m_runs.push_back({quint16(universe), quint16(slot), 1, qint16(fineOffset), kind});
}

void CSlotRuns::BuildMix(const CSceneStep& step, const CScene& scene, int universes)
{
    Clear();
    for (const CStepFixture* entry : step.m_entries) {
        const CPatchedFixture* patched = entry->Fixture();
        if (!patched)
            continue;
        const int u = patched->m_universe;
        if (u >= 0 && u < universes)
            AddEntry(*entry, scene.ActiveMask(u), scene.OverrideMask(u));
    }
}

void CSlotRuns::AddEntry(const CStepFixture& entry, const quint8* active, const quint8* override)
{
    const CPatchedFixture* patched = entry.Fixture();
    if (!patched || !active || !override)
        return;
    if (!entry.Profile()) {
        AddRawChannel(*this, *patched, active, override);
        return;
    }
    if (const CProfileMode* mode = entry.Profile()->CurrentMode())
        AddFixture(*this, entry, *mode, active, override);
}

void CSlotRuns::Apply(float t, const CDmxLayer& from, const CDmxLayer& to, CDmxLayer& target) const
{
    const int universes = qMin(qMin(from.UniverseCount(), to.UniverseCount()), target.UniverseCount());
    const bool apart = &target != &from && &target != &to;
    for (const SRun& run : m_runs) {
        if (run.universe >= universes)
            continue;
        const quint8* start = from[run.universe] + run.first;
        const quint8* end = to[run.universe] + run.first;
        quint8* out = target[run.universe] + run.first;
        switch (run.kind) {
        case Copy:
            std::memmove(out, end, run.count);
            break;
        case Mix8:
            if (apart) {
                MixApart(start, end, out, run.count, t);
                break;
            }
            for (int i = 0; i < run.count; ++i)
                out[i] = quint8(Mix(start[i], end[i], t));
            break;
        case Mix16:
            for (int i = 0; i < 2 * run.count; i += 2) {
                const int fine = i + run.fineOffset;
                const int from16 = start[i] * 256 + start[fine];
                const int to16 = end[i] * 256 + end[fine];
                const int v = Mix(from16, to16, t);
                out[i] = quint8(v / 256);
                out[fine] = quint8(v % 256);
            }
            break;
        }
    }
}
