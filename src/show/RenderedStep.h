#pragma once

#include "show/DmxLayer.h"
#include "show/LiveOps.h"
#include "show/SlotRuns.h"

#include <QtGlobal>

#include <vector>

class CScene;
class CSceneStep;

// A playing scene's step as rendered with the scene's live parameters, kept
// while neither the step nor what it renders (RenderGeneration) changes, so
// that a steady scene costs copies and mixes only. The levels are the render
// onto clean universes, as the mix fades into; the write runs are the slots
// the render writes onto any layer.
//
// Where the step allows it (see CLiveOps) the render is made without the
// live parameters and they are applied to it afterwards (Follow), so that a
// master or a black-out costs each scene a pass over its slots and no
// render. Otherwise the render is made with them, and kept only while they
// stand.
//
// A render may also be made in parts over several ticks (Continue with a
// budget), so that the step a scene plays next is ready before it starts
// without one tick paying for it. Such a render leaves the scene as it found
// it; its work layer must then stay untouched by anything else until it is
// done.
class CRenderedStep
{
public:
    explicit CRenderedStep(int universes);
    CRenderedStep(const CRenderedStep&) = delete;
    CRenderedStep& operator=(const CRenderedStep&) = delete;

    bool IsCurrent(const CSceneStep* step, const CScene& scene) const;
    // Brings a current render to the scene's live parameters as they are
    // now; the writes and mixes below show them from then on.
    void Follow(const CScene& scene);
    // Renders the step for the scene at once. `work` (scratch of as many
    // universes) is left dirty, and the scene's override mask as rendering
    // the step leaves it (without the live parameters where they come after). False when the render cannot be kept (entries of
    // another scene, a layer of another size): the caller renders as it goes.
    bool Render(const CSceneStep& step, const CScene& scene, CDmxLayer& work);
    void Forget();

    enum class Progress { Working, Done, Failed };
    // Carries on the render of the step in parts, starting it anew when it
    // was of another step or what it renders changed since. Spends about
    // `budget` units (see Cost) and takes off what it spent.
    Progress Continue(const CSceneStep& step, const CScene& scene, CDmxLayer& work, qint64& budget);
    // The step a render in parts is under way for, or null.
    const CSceneStep* PendingStep() const { return m_phase == Phase::Idle ? nullptr : m_pending; }
    // What rendering the step costs in budget units.
    static qint64 Cost(const CSceneStep& step, int universes);

    // Leaves the target as rendering the step onto it would.
    void WriteTo(CDmxLayer& target) const;
    // Crossfades the step's slots from `from` into the render at ratio t.
    void MixInto(float t, const CDmxLayer& from, CDmxLayer& target) const;

private:
    using SLiveParameters = CLiveOps::SParameters;
    static SLiveParameters LiveParametersOf(const CScene& scene);

    enum class Phase { Idle, Universes, Levels, Writes, Mix };
    bool IsUnderWay(const CSceneStep& step, const CScene& scene) const;
    void Begin(const CSceneStep& step, const CScene& scene);
    Progress Run(const CSceneStep& step, const CScene& scene, CDmxLayer& work, qint64& budget, bool leaveScene);

    quint64 m_stepSerial = 0; // of the step rendered, 0 for none
    quint64 m_generation = 0;
    SLiveParameters m_live; // rendered with, or applied since
    bool m_withoutLive = false; // rendered without the live parameters
    bool m_followed = false; // m_live applied to m_liveLevels
    CDmxLayer m_levels;
    // Without live parameters: the levels with them, and the slots they force.
    CDmxLayer m_liveLevels;
    const CDmxLayer* m_shown = &m_levels;
    const CSlotRuns* m_forced = nullptr;
    CLiveOps m_ops;
    std::vector<int> m_universes; // the universes the step touches
    std::vector<quint8> m_touched; // per universe, while rendering
    CSlotRuns m_writes;
    CSlotRuns m_mix;

    // The render under way.
    Phase m_phase = Phase::Idle;
    int m_next = 0; // entry or universe the phase goes on with
    const CSceneStep* m_pending = nullptr;
    quint64 m_pendingSerial = 0;
    quint64 m_pendingGeneration = 0;
    SLiveParameters m_pendingLive;
    bool m_pendingWithoutLive = false; // known once the universes are found
};
