#include "app/DmxRecorder.h"

#include "model/PatchedFixture.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <cstring>

namespace {

constexpr int kSlots = CDmxLayer::kSlots;

// The recorded levels as a step captures them: every slot of the universe
// counts as edited. A channel that never left 0 gets no raw-channel record.
class CRecordSource final : public CStepSource
{
public:
    CRecordSource(CProject& project, int universe) : m_project(project), m_universe(universe)
    {
        m_mask.fill(1, kSlots);
    }

    int UniverseCount() const override { return m_project.UniverseCount(); }
    const quint8* EditLevels(int universe) const override
    {
        return universe == m_universe ? m_project.m_recordInput[universe] : nullptr;
    }
    const quint8* EditMask(int universe) const override
    {
        return universe == m_universe ? reinterpret_cast<const quint8*>(m_mask.constData()) : nullptr;
    }
    QList<CPatchedFixture*> PatchedFixtures() const override { return m_project.PatchedFixtures(); }
    QList<CPatchedFixture*> GroupFixtures() const override { return m_project.GroupFixtures(); }
    QList<CPatchedFixture*> SelectedFixtures() const override { return m_project.SelectedFixtures(); }
    CPatchedFixture* FixtureAt(int universe, int slot) const override { return m_project.FixtureAt(universe, slot); }
    CPatchedFixture* RawChannelAt(int universe, int slot) const override
    {
        CPatchedFixture* raw = m_project.RawChannelAt(universe, slot);
        if (!raw && universe == m_universe && m_project.m_recordInput[universe][slot] != 0)
            raw = m_project.GetChannelFixture(universe, slot);
        return raw;
    }
    CPatchedFixture* ChannelFixture(int universe, int slot) override
    {
        return m_project.GetChannelFixture(universe, slot);
    }

private:
    CProject& m_project;
    int m_universe;
    QByteArray m_mask;
};

} // namespace

void CDmxRecorder::Start(CProject& project, const CRecordConfig& config, const QList<int>& inputUniverses)
{
    m_config = config;
    m_config.sampleMs = qMax(1, m_config.sampleMs);
    m_universes.clear();
    for (int u : inputUniverses) {
        if (project.IsUniverse(u) && u < project.m_dmxInput.UniverseCount() && u < project.m_recordInput.UniverseCount() &&
            !m_universes.contains(u))
            m_universes << u;
    }
    for (int u : qAsConst(m_universes)) {
        if (config.autoStart)
            std::memcpy(project.m_recordInput[u], project.m_dmxInput[u], kSlots);
        else
            project.m_recordInput.Zero(u);
    }
    m_counting = !config.autoStart;
    m_firstSample = !config.autoStart;
    m_elapsedMs = 0;
    m_accumulatedMs = 0;
    m_lastStep = nullptr;
}

bool CDmxRecorder::Tick(CProject& project, int ms)
{
    if (!project.m_recordScene)
        return false;
    if (!m_counting) {
        // Waiting for the input to move: every tick looks.
        Sample(project, m_config.sampleMs);
    } else {
        m_elapsedMs += qMax(0, ms);
        m_accumulatedMs += qMax(0, ms);
        while (m_accumulatedMs >= m_config.sampleMs) {
            m_accumulatedMs -= m_config.sampleMs;
            Sample(project, m_config.sampleMs);
            if (m_config.stopAfterSteps && project.m_recordScene->m_steps.size() >= m_config.maxSteps)
                return false;
        }
    }
    if (m_config.stopAfterLength && m_elapsedMs >= m_config.maxLengthS * 1000)
        return false;
    return !(m_config.stopAfterSteps && project.m_recordScene->m_steps.size() >= m_config.maxSteps);
}

bool CDmxRecorder::Sample(CProject& project, int intervalMs)
{
    bool changed = false;
    for (int u : qAsConst(m_universes)) {
        const quint8* input = project.m_dmxInput[u];
        quint8* record = project.m_recordInput[u];
        if (!m_firstSample && std::memcmp(input, record, kSlots) == 0)
            continue;
        std::memcpy(record, input, kSlots);
        m_lastStep = AppendStep(project, u, intervalMs);
        changed = true;
    }
    if (changed && !m_counting)
        m_counting = true;
    else if (!changed && m_counting && m_lastStep)
        m_lastStep->m_wait += intervalMs;
    m_firstSample = false;
    return changed;
}

CSceneStep* CDmxRecorder::AppendStep(CProject& project, int universe, int intervalMs)
{
    CScene* scene = project.m_recordScene;
    CRecordSource source(project, universe);
    const int fade = m_config.withFade ? intervalMs : 0;
    const int wait = m_config.withFade ? 0 : intervalMs;
    auto* step = new CSceneStep(scene, fade, wait, universe, source);
    // Channels seen for the first time are 0 in the steps before.
    scene->AppendAlignedStep(step);
    return step;
}
