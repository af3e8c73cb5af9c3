#include "app/DmxRecorder.h"

#include "model/PatchedFixture.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QSet>

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

void CDmxRecorder::Start(CProject& project, const CRecordConfig& config, const QList<int>& inputUniverses,
                         const CScene* into)
{
    // Counted once: the show stays as it is while it records.
    for (CShowBounds::Kind kind : {CShowBounds::Steps, CShowBounds::StepEntries, CShowBounds::StepLevels,
                                   CShowBounds::GeneratedEntries, CShowBounds::GeneratedLevels})
        m_roomFor[kind] = CShowBounds::Bound(kind) - CShowBounds::Held(project, kind);
    m_intoSteps[0] = m_intoSteps[1] = 0;
    m_intoFirst.clear();
    m_intoDriving.clear();
    if (into && !into->IsEffectScene() && !into->m_steps.isEmpty()) {
        for (const CStepFixture* entry : into->m_steps.first()->m_entries) {
            if (entry->Fixture())
                m_intoFirst << entry->Fixture();
        }
        for (const CSceneStep* step : into->m_steps) {
            const int generated = step->m_effect ? 1 : 0;
            ++m_intoSteps[generated];
            for (const CStepFixture* entry : step->m_entries) {
                if (entry->Fixture())
                    ++m_intoDriving[entry->Fixture()][generated];
            }
        }
    }
    m_full = CShowBounds::KindCount;
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
    if (!project.m_recordScene || m_full != CShowBounds::KindCount)
        return false;
    if (!m_counting) {
        // Waiting for the input to move: every tick looks.
        Sample(project, m_config.sampleMs);
        if (m_full != CShowBounds::KindCount)
            return false;
    } else {
        m_elapsedMs += qMax(0, ms);
        m_accumulatedMs += qMax(0, ms);
        while (m_accumulatedMs >= m_config.sampleMs) {
            m_accumulatedMs -= m_config.sampleMs;
            Sample(project, m_config.sampleMs);
            if (m_full != CShowBounds::KindCount)
                return false;
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
        CScene& recorded = *project.m_recordScene;
        const int entriesBefore = recorded.m_steps.isEmpty() ? 0 : recorded.m_steps.first()->EntryCount();
        CSceneStep* step = AppendStep(project, u, intervalMs);
        const CShowBounds::Kind passed = KindPassed(recorded);
        if (passed != CShowBounds::KindCount) {
            DropLastStep(recorded, entriesBefore);
            m_full = passed;
            return changed;
        }
        m_lastStep = step;
        changed = true;
    }
    if (changed && !m_counting)
        m_counting = true;
    else if (!changed && m_counting && m_lastStep)
        m_lastStep->m_wait += intervalMs;
    m_firstSample = false;
    return changed;
}

bool CDmxRecorder::StoppedAtBound(CShowBounds::Kind* kind) const
{
    if (kind)
        *kind = m_full;
    return m_full != CShowBounds::KindCount;
}

CShowBounds::Kind CDmxRecorder::KindPassed(const CScene& recorded) const
{
    const qint64 steps = recorded.m_steps.size();
    if (steps > m_roomFor[CShowBounds::Steps])
        return CShowBounds::Steps;
    if (steps == 0)
        return CShowBounds::KindCount;
    // The recorded steps are aligned: each drives the fixtures of the first.
    // The paste gives every step of the scene those and the fixtures of the
    // scene's first step: counted exactly, so that the recording stops
    // neither short of what the paste admits nor past it.
    QList<const CPatchedFixture*> driven;
    QSet<const CPatchedFixture*> seen;
    for (const CStepFixture* entry : recorded.m_steps.first()->m_entries) {
        if (entry->Fixture() && !seen.contains(entry->Fixture())) {
            seen.insert(entry->Fixture());
            driven << entry->Fixture();
        }
    }
    for (const CPatchedFixture* fixture : m_intoFirst) {
        if (!seen.contains(fixture)) {
            seen.insert(fixture);
            driven << fixture;
        }
    }
    // Entries and levels, of hand-made steps and of generated ones.
    qint64 added[4] = {};
    for (const CPatchedFixture* fixture : qAsConst(driven)) {
        const qint64 levels = CShowBounds::LevelsOf(fixture);
        const std::array<qint64, 2> driving = m_intoDriving.value(fixture, std::array<qint64, 2>{});
        for (int generated = 0; generated < 2; ++generated) {
            const qint64 lacking = m_intoSteps[generated] - driving[generated];
            added[2 * generated] += lacking;
            added[2 * generated + 1] += lacking * levels;
        }
        added[0] += steps;
        added[1] += steps * levels;
    }
    const CShowBounds::Kind kinds[4] = {CShowBounds::StepEntries, CShowBounds::StepLevels,
                                        CShowBounds::GeneratedEntries, CShowBounds::GeneratedLevels};
    for (int k = 0; k < 4; ++k) {
        if (added[k] > m_roomFor[kinds[k]])
            return kinds[k];
    }
    return CShowBounds::KindCount;
}

void CDmxRecorder::DropLastStep(CScene& recorded, int entriesBefore)
{
    delete recorded.m_steps.takeLast();
    // Fixtures first seen in the dropped step were given to every step before.
    for (CSceneStep* step : qAsConst(recorded.m_steps)) {
        if (step->m_entries.size() <= entriesBefore)
            continue;
        DeleteEntriesQuietly(step->m_entries.mid(entriesBefore));
        step->m_entries.erase(step->m_entries.begin() + entriesBefore, step->m_entries.end());
    }
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
