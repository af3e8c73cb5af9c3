#include "show/SlotRuns.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/DmxLayer.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Whether channel c is written together with its coarse byte.
bool IsWrittenWithCoarse(const CProfileMode& mode, int c, int count)
{
    const CProfileChannelDef* channel = mode.m_channels[c];
    if (!channel || !channel->m_lsb)
        return false;
    const int coarse = channel->m_partner16Index;
    return coarse >= 0 && coarse < count && coarse != c && CSlotRuns::FinePartner(mode, coarse, count) == c;
}

bool IsSlot(int slot)
{
    return slot >= 0 && slot < CDmxLayer::kSlots;
}

// The overridden slots as a mask, or as a byte a slot where any bit set is
// one: a render keeps them beside flags of its own.
bool Overridden(const CSlotMask& override, int slot)
{
    return override.Test(slot);
}

bool Overridden(const quint8* override, int slot)
{
    return override[slot] != 0;
}

template <typename Override>
void AddRawChannel(CSlotRuns& runs, const CPatchedFixture& patched, const CSlotMask& active, const Override& override)
{
    const int s = patched.m_address;
    if (!IsSlot(s))
        return;
    if (Overridden(override, s))
        runs.Add(patched.m_universe, s, CSlotRuns::Copy);
    else if (active.Test(s))
        runs.Add(patched.m_universe, s, CSlotRuns::Mix8);
}

template <typename Override>
void AddFixture(CSlotRuns& runs, const CStepFixture& fixture, const CProfileMode& mode, const CSlotMask& active,
                const Override& override)
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
            const int fine = CSlotRuns::FinePartner(mode, c, count);
            const int fineSlot = fine >= 0 ? address + fine : -1;
            if (IsSlot(fineSlot)) {
                if (Overridden(override, slot)) {
                    runs.Add(u, slot, CSlotRuns::Copy);
                    runs.Add(u, fineSlot, CSlotRuns::Copy);
                } else if (active.Test(slot)) {
                    runs.Add(u, slot, CSlotRuns::Mix16, fineSlot - slot);
                }
                continue;
            }
        }
        if (Overridden(override, slot))
            runs.Add(u, slot, CSlotRuns::Copy);
        else if (active.Test(slot))
            runs.Add(u, slot, CSlotRuns::Mix8);
    }
}

template <typename Override>
void AddEntryOf(CSlotRuns& runs, const CStepFixture& entry, const CSlotMask& active, const Override& override)
{
    const CPatchedFixture* patched = entry.Fixture();
    if (!patched)
        return;
    if (!entry.Profile()) {
        AddRawChannel(runs, *patched, active, override);
        return;
    }
    if (const CProfileMode* mode = entry.Profile()->CurrentMode())
        AddFixture(runs, entry, *mode, active, override);
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

// Mixes 8-bit runs at one ratio, level for level as Mix does, but about
// twice as fast: sixteen levels at a time in 16-bit fixed point, with Mix
// itself only for the few levels the fixed point cannot decide.
//
// With W = round(65536 t) and U = 65536 - W, the estimate
// S = floor(aU / 256) + floor(bW / 256) falls short of 256 (a(1-t) + bt) by
// the two truncations, [0, 2), give or take 255/512 for W's rounding. Mix's
// single-precision sum lies within three roundings, 3 * 255 * 2^-24 < 0.012/256,
// of the exact mix. So 256 * Mix's sum lies in (S - 0.51, S + 2.51): with
// S' = S + 2, its whole part is S' / 256 unless S' % 256 < 3. Where that whole
// part is min(a, b), Mix's floor at min(a, b) gives it anyway, which settles
// equal ends and fades that barely moved.
//
// Levels whose exact mix is a whole number, common at ratios of small
// denominators (t = 0.2 and b - a a multiple of 5), cannot be decided: Mix's
// roundings land on either side. Once more than one level in ten is left
// undecided, the rest of the call mixes as Mix does, faster then.
class CLevelMixer
{
public:
    explicit CLevelMixer(float t)
        : m_t(t)
    {
#if defined(__SSE2__)
        // The error bound needs 1 <= W <= 65535; fades stay in there but for
        // their first and last hair. 65536 t is exact.
        const float scaled = t * 65536.0f;
        m_fixed = scaled >= 0.5f && scaled < 65535.5f;
        const int w = m_fixed ? int(std::lround(scaled)) : 0;
        m_w = _mm_set1_epi16(short(w));
        m_u = _mm_set1_epi16(short(65536 - w));
#endif
    }

    // `out` is either apart from both inputs or one of them.
    void Run(const quint8* from, const quint8* to, quint8* out, int count, bool apart)
    {
        int i = 0;
#if defined(__SSE2__)
        for (; m_fixed && i + 16 <= count; i += 16)
            MixBlock(from + i, to + i, out + i);
        // The block that ends the run mixes some levels again, from inputs
        // that are still there when `out` is apart from them.
        if (m_fixed && apart && i < count && count >= 16) {
            MixBlock(from + count - 16, to + count - 16, out + count - 16);
            i = count;
        }
#endif
        if (apart) {
            MixApart(from + i, to + i, out + i, count - i, m_t);
            return;
        }
        for (; i < count; ++i)
            out[i] = quint8(Mix(from[i], to[i], m_t));
    }

private:
#if defined(__SSE2__)
    void MixBlock(const quint8* from, const quint8* to, quint8* out)
    {
        m_mixed += 16;
        const __m128i zero = _mm_setzero_si128();
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
        // A level in the high byte of a 16-bit lane over a low byte of 2 is
        // 256 a + 2; the 2s of a pair add up to S's 2 (as U + W = 65536).
        const __m128i twos = _mm_set1_epi8(2);
        const __m128i low = Estimate(_mm_unpacklo_epi8(twos, a), _mm_unpacklo_epi8(twos, b));
        const __m128i high = Estimate(_mm_unpackhi_epi8(twos, a), _mm_unpackhi_epi8(twos, b));
        const __m128i whole = _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
        const __m128i byte = _mm_set1_epi16(0xFF);
        const __m128i fraction = _mm_packus_epi16(_mm_and_si128(low, byte), _mm_and_si128(high, byte));
        const __m128i nearWhole = _mm_cmpeq_epi8(_mm_subs_epu8(fraction, twos), zero);
        const __m128i atLower = _mm_cmpeq_epi8(whole, _mm_min_epu8(a, b));
        const int undecided = _mm_movemask_epi8(_mm_andnot_si128(atLower, nearWhole));
        if (undecided)
            Decide(a, b, whole, undecided, out);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), whole);
    }

    // Mixes the undecided levels as Mix does, from copies of the inputs, as
    // `out` may be one of them.
    void Decide(__m128i a, __m128i b, __m128i whole, int undecided, quint8* out)
    {
        alignas(16) quint8 start[16], end[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(start), a);
        _mm_store_si128(reinterpret_cast<__m128i*>(end), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), whole);
        for (; undecided; undecided &= undecided - 1, ++m_undecided) {
            const int j = __builtin_ctz(unsigned(undecided));
            out[j] = quint8(Mix(start[j], end[j], m_t));
        }
        m_fixed = m_undecided < 32 || 10 * m_undecided < m_mixed;
    }

    // S' of the comment above for eight levels, from 256 a + 2 and 256 b + 2.
    __m128i Estimate(__m128i a256, __m128i b256) const
    {
        return _mm_add_epi16(_mm_mulhi_epu16(a256, m_u), _mm_mulhi_epu16(b256, m_w));
    }

    __m128i m_u, m_w;
    bool m_fixed = false;
    int m_mixed = 0, m_undecided = 0;
#endif
    float m_t;
};

} // namespace

int CSlotRuns::FinePartner(const CProfileMode& mode, int c, int count)
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

void CSlotRuns::AddEntry(const CStepFixture& entry, const CSlotMask* active, const CSlotMask* override)
{
    if (active && override)
        AddEntryOf(*this, entry, *active, *override);
}

void CSlotRuns::AddEntry(const CStepFixture& entry, const CSlotMask* active, const quint8* overridden)
{
    if (active && overridden)
        AddEntryOf(*this, entry, *active, overridden);
}

void CSlotRuns::Apply(float t, const CDmxLayer& from, const CDmxLayer& to, CDmxLayer& target) const
{
    const int universes = qMin(qMin(from.UniverseCount(), to.UniverseCount()), target.UniverseCount());
    const bool apart = &target != &from && &target != &to;
    CLevelMixer mixer(t);
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
            mixer.Run(start, end, out, run.count, apart);
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
