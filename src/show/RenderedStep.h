#pragma once

#include "show/DmxLayer.h"
#include "show/SlotRuns.h"

#include <QtGlobal>

#include <vector>

class CScene;
class CSceneStep;

// A playing scene's step as rendered with the scene's live parameters, kept
// while neither the step, nor what it renders (RenderGeneration), nor those
// parameters change, so that a steady scene costs copies and mixes only. The
// levels are the render onto clean universes, as the mix fades into; the
// write runs are the slots the render writes onto any layer.
class CRenderedStep
{
public:
    explicit CRenderedStep(int universes);

    bool IsCurrent(const CSceneStep* step, const CScene& scene) const;
    // Renders the step for the scene. `probe` (scratch of as many universes)
    // is left dirty. False when the render cannot be kept (entries of another
    // scene, a layer of another size): the caller renders as it goes.
    bool Render(const CSceneStep& step, const CScene& scene, CDmxLayer& probe);
    void Forget() { m_step = nullptr; }

    // Leaves the target as rendering the step onto it would.
    void WriteTo(CDmxLayer& target) const { m_writes.Apply(0.0f, m_levels, m_levels, target); }
    // Crossfades the step's slots from `from` into the render at ratio t.
    void MixInto(float t, const CDmxLayer& from, CDmxLayer& target) const { m_mix.Apply(t, from, m_levels, target); }

private:
    struct SLiveParameters
    {
        int dimmer = 50;
        bool blackout = false;
        bool beamOn = false;
        bool liveColor = false;
        quint8 red = 0, green = 0, blue = 0, white = 0;
        bool operator==(const SLiveParameters& o) const
        {
            return dimmer == o.dimmer && blackout == o.blackout && beamOn == o.beamOn && liveColor == o.liveColor
                   && red == o.red && green == o.green && blue == o.blue && white == o.white;
        }
    };
    static SLiveParameters LiveParametersOf(const CScene& scene);

    const CSceneStep* m_step = nullptr;
    quint64 m_generation = 0;
    SLiveParameters m_live;
    CDmxLayer m_levels;
    std::vector<int> m_universes; // the universes the step touches
    std::vector<quint8> m_touched; // per universe, while rendering
    CSlotRuns m_writes;
    CSlotRuns m_mix;
};
