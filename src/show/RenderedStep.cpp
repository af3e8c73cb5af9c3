#include "show/RenderedStep.h"

#include "model/PatchedFixture.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <algorithm>
#include <cstring>

CRenderedStep::CRenderedStep(int universes)
    : m_levels(universes), m_touched(size_t(m_levels.UniverseCount()), 0)
{
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
    return step && step == m_step && m_generation == RenderGeneration() && m_live == LiveParametersOf(scene);
}

bool CRenderedStep::Render(const CSceneStep& step, const CScene& scene, CDmxLayer& probe)
{
    m_step = nullptr;
    const int universes = m_levels.UniverseCount();
    if (probe.UniverseCount() != universes)
        return false;

    // A slot the render writes gets the same level whatever lay under it, so
    // the slots where a render onto zeros and one onto full agree are the
    // written ones.
    m_universes.clear();
    std::fill(m_touched.begin(), m_touched.end(), quint8(0));
    for (const CStepFixture* entry : step.m_entries) {
        if (entry->Scene() != &scene)
            return false;
        const int u = entry->Fixture() ? entry->Fixture()->m_universe : -1;
        if (u >= 0 && u < universes && !m_touched[size_t(u)]) {
            m_touched[size_t(u)] = 1;
            m_universes.push_back(u);
            m_levels.Zero(u);
            std::memset(probe[u], 0xFF, CDmxLayer::kSlots);
        }
    }
    // The probe's render rewrites the override mask just as the first did.
    step.ApplyLevels(CLevelBuffers(m_levels[0], universes), true);
    step.ApplyLevels(CLevelBuffers(probe[0], universes), true);

    std::sort(m_universes.begin(), m_universes.end());
    m_writes.Clear();
    for (int u : m_universes) {
        const quint8* levels = m_levels[u];
        const quint8* probed = probe[u];
        for (int s = 0; s < CDmxLayer::kSlots; ++s) {
            if (levels[s] == probed[s])
                m_writes.Add(u, s, CSlotRuns::Copy);
        }
    }
    m_mix.BuildMix(step, scene, universes);

    m_step = &step;
    m_generation = RenderGeneration();
    m_live = LiveParametersOf(scene);
    return true;
}
