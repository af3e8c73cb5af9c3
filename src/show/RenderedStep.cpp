#include "show/RenderedStep.h"

#include "model/PatchedFixture.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <algorithm>
#include <limits>

namespace {

// Budget units, roughly in proportion to the time each part takes.
constexpr qint64 kUniverseCost = 4;  // per entry, finding its universe and what the live parameters do
constexpr qint64 kLevelsCost = 4;    // per entry, rendering it
constexpr qint64 kMixCost = 2;       // per entry, building its mix
constexpr qint64 kWritesCost = 64;   // per universe, collecting its writes

// Per slot of the work layer while the levels are rendered: whether some
// entry writes the slot (whatever lay under it), and whether the last entry
// on it overrides it, as the mix must see it.
constexpr quint8 kOverridden = 1;
constexpr quint8 kWritten = 2;
// While the universes are found: some entry renders the slot.
constexpr quint8 kClaimed = 4;

} // namespace

CRenderedStep::CRenderedStep(int universes)
    : m_levels(universes), m_touched(size_t(m_levels.UniverseCount()), 0)
{
    m_universes.reserve(m_touched.size());
}

CRenderedStep::SLiveParameters CRenderedStep::LiveParametersOf(const CScene& scene)
{
    SLiveParameters live;
    live.dimmer = scene.Dimmer();
    live.blackout = scene.m_blackout;
    live.beamOn = scene.m_beamOn;
    live.liveColor = scene.m_liveColor;
    live.red = scene.m_red;
    live.green = scene.m_green;
    live.blue = scene.m_blue;
    live.white = scene.m_white;
    return live;
}

bool CRenderedStep::IsCurrent(const CSceneStep* step, const CScene& scene) const
{
    return step && step->Serial() == m_stepSerial && m_generation == RenderGeneration(scene)
           && (m_withoutLive || m_live == LiveParametersOf(scene));
}

void CRenderedStep::Follow(const CScene& scene)
{
    if (!m_withoutLive || !m_stepSerial)
        return;
    const SLiveParameters live = LiveParametersOf(scene);
    if (m_followed && live == m_live)
        return;
    m_live = live;
    m_followed = true;
    if (CLiveOps::IsNeutral(live)) {
        m_shown = &m_levels;
        m_forced = nullptr;
        return;
    }
    if (m_liveLevels.UniverseCount() != m_levels.UniverseCount())
        m_liveLevels.Allocate(m_levels.UniverseCount());
    for (int u : m_universes)
        m_liveLevels.CopyUniverse(u, m_levels);
    m_ops.Apply(live, m_liveLevels);
    m_forced = m_ops.Forced(live);
    m_shown = &m_liveLevels;
}

void CRenderedStep::WriteTo(CDmxLayer& target) const
{
    m_writes.Apply(0.0f, *m_shown, *m_shown, target);
    if (m_forced)
        m_forced->Apply(0.0f, *m_shown, *m_shown, target);
}

void CRenderedStep::MixInto(float t, const CDmxLayer& from, CDmxLayer& target) const
{
    m_mix.Apply(t, from, *m_shown, target);
    // Forced slots jump to their level whatever the fade.
    if (m_forced)
        m_forced->Apply(t, from, *m_shown, target);
}

void CRenderedStep::Forget()
{
    m_stepSerial = 0;
    m_phase = Phase::Idle;
    m_pending = nullptr;
}

qint64 CRenderedStep::Cost(const CSceneStep& step, int universes)
{
    const qint64 entries = step.m_entries.size();
    return entries * (kUniverseCost + kLevelsCost + kMixCost) + kWritesCost * qMin<qint64>(entries, universes);
}

bool CRenderedStep::Render(const CSceneStep& step, const CScene& scene, CDmxLayer& work)
{
    qint64 unlimited = std::numeric_limits<qint64>::max();
    if (!IsUnderWay(step, scene))
        Begin(step, scene);
    if (Run(step, scene, work, unlimited, false) != Progress::Done)
        return false;
    Follow(scene);
    return true;
}

CRenderedStep::Progress CRenderedStep::Continue(const CSceneStep& step, const CScene& scene, CDmxLayer& work,
                                                qint64& budget)
{
    if (!IsUnderWay(step, scene))
        Begin(step, scene);
    return Run(step, scene, work, budget, true);
}

bool CRenderedStep::IsUnderWay(const CSceneStep& step, const CScene& scene) const
{
    return m_phase != Phase::Idle && m_pending == &step && m_pendingSerial == step.Serial()
           && m_pendingGeneration == RenderGeneration(scene)
           && (m_phase == Phase::Universes || m_pendingWithoutLive || m_pendingLive == LiveParametersOf(scene));
}

void CRenderedStep::Begin(const CSceneStep& step, const CScene& scene)
{
    m_stepSerial = 0;
    m_phase = Phase::Universes;
    m_next = 0;
    m_pending = &step;
    m_pendingSerial = step.Serial();
    m_pendingGeneration = RenderGeneration(scene);
    m_pendingLive = LiveParametersOf(scene);
    m_pendingWithoutLive = true;
    m_ops.Clear();
    m_shown = &m_levels;
    m_forced = nullptr;
    m_universes.clear();
    std::fill(m_touched.begin(), m_touched.end(), quint8(0));
    m_writes.Clear();
    m_mix.Clear();
}

// The render of an entry lands on the step's levels; the work layer collects
// which slots it writes and leaves overridden. Rendered in parts, the scene's
// override mask is put back as it was after each entry, for what renders
// between the parts.
CRenderedStep::Progress CRenderedStep::Run(const CSceneStep& step, const CScene& scene, CDmxLayer& work,
                                           qint64& budget, bool leaveScene)
{
    const int universes = m_levels.UniverseCount();
    const int entries = step.m_entries.size();
    auto fail = [this] {
        Forget();
        return Progress::Failed;
    };
    if (work.UniverseCount() != universes)
        return fail();

    if (m_phase == Phase::Universes) {
        for (; m_next < entries && budget > 0; ++m_next, budget -= kUniverseCost) {
            const CStepFixture* entry = step.m_entries[m_next];
            if (entry->Scene() != &scene)
                return fail();
            const CPatchedFixture* fixture = entry->Fixture();
            const int u = fixture ? fixture->m_universe : -1;
            if (u >= 0 && u < universes && !m_touched[size_t(u)]) {
                m_touched[size_t(u)] = 1;
                m_universes.push_back(u);
                m_levels.Zero(u);
                work.Zero(u);
            }
            if (!m_pendingWithoutLive)
                continue;
            m_pendingWithoutLive = entry->AddLiveOps(m_ops, universes);
            // Where entries share a slot, a later one may undo what the live
            // parameters did to an earlier one's.
            if (u >= 0 && u < universes) {
                quint8* claims = work[u];
                const int end = int(qBound<qint64>(0, qint64(fixture->m_address) + entry->ChannelCount(),
                                                   CDmxLayer::kSlots));
                for (int s = qMax(0, fixture->m_address); s < end; ++s) {
                    m_pendingWithoutLive = m_pendingWithoutLive && !(claims[s] & kClaimed);
                    claims[s] |= kClaimed;
                }
            }
        }
        if (m_next < entries)
            return Progress::Working;
        if (!m_pendingWithoutLive)
            m_ops.Clear();
        // Rendered with them, the render holds for the live parameters of now.
        m_pendingLive = LiveParametersOf(scene);
        std::sort(m_universes.begin(), m_universes.end());
        m_phase = Phase::Levels;
        m_next = 0;
    }

    if (m_phase == Phase::Levels) {
        const CLevelBuffers levels(m_levels[0], universes);
        CSlotMask saved;
        for (; m_next < entries && budget > 0; ++m_next, budget -= kLevelsCost) {
            const CStepFixture* entry = step.m_entries[m_next];
            const CPatchedFixture* fixture = entry->Fixture();
            const int u = fixture ? fixture->m_universe : -1;
            const CSlotMask* active = u >= 0 && u < universes ? scene.ActiveMask(u) : nullptr;
            const int first = fixture ? qMax(0, fixture->m_address) : 0;
            const int end = fixture ? int(qBound<qint64>(0, qint64(fixture->m_address) + entry->ChannelCount(),
                                                         CDmxLayer::kSlots))
                                    : 0;
            const int count = active ? end - first : 0;
            if (count > 0 && leaveScene)
                saved = *scene.OverrideMask(u);
            entry->ApplyLevels(levels, !m_pendingWithoutLive);
            if (count <= 0)
                continue;
            // The render may have made the universe's masks to override a slot.
            const CSlotMask* overridden = scene.OverrideMask(u);
            quint8* flags = work[u];
            for (int s = first; s < end; ++s) {
                const bool forced = overridden->Test(s);
                flags[s] = quint8((flags[s] & kWritten) | (active->Test(s) || forced ? kWritten : 0)
                                  | (forced ? kOverridden : 0));
            }
            if (CSlotMask* held = leaveScene ? entry->Scene()->OverrideMaskIfHeld(u) : nullptr)
                held->CopyRange(saved, first, end);
        }
        if (m_next < entries)
            return Progress::Working;
        m_phase = Phase::Writes;
        m_next = 0;
    }

    if (m_phase == Phase::Writes) {
        const int touched = int(m_universes.size());
        for (; m_next < touched && budget > 0; ++m_next, budget -= kWritesCost) {
            const int u = m_universes[size_t(m_next)];
            quint8* flags = work[u];
            for (int s = 0; s < CDmxLayer::kSlots; ++s) {
                if (flags[s] & kWritten)
                    m_writes.Add(u, s, CSlotRuns::Copy);
                flags[s] &= kOverridden;
            }
        }
        if (m_next < touched)
            return Progress::Working;
        m_phase = Phase::Mix;
        m_next = 0;
    }

    for (; m_next < entries && budget > 0; ++m_next, budget -= kMixCost) {
        const CStepFixture* entry = step.m_entries[m_next];
        const int u = entry->Fixture() ? entry->Fixture()->m_universe : -1;
        if (u >= 0 && u < universes)
            m_mix.AddEntry(*entry, scene.ActiveMask(u), scene.OverrideMask(u) ? work[u] : nullptr);
    }
    if (m_next < entries)
        return Progress::Working;

    m_phase = Phase::Idle;
    m_pending = nullptr;
    m_stepSerial = m_pendingSerial;
    m_generation = m_pendingGeneration;
    m_live = m_pendingLive;
    m_withoutLive = m_pendingWithoutLive;
    // Rendered with them, the live parameters are already in the levels.
    m_followed = !m_withoutLive;
    return Progress::Done;
}
