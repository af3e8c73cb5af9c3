#include "show/PlayingScene.h"

#include "show/Project.h"
#include "show/Scene.h"

#include <algorithm>

namespace {

// The levels of the kept renders of one playing scene stay within about
// this, and never fewer than two renders are kept: the step playing and
// the one made ready to play next.
constexpr qint64 kRenderBytes = qint64(1) << 20;
constexpr int kMostRenders = 8;

} // namespace

CPlayingScene::CPlayingScene(CProject& project, CScene* scene, bool custom)
    : m_project(project),
      m_scene(scene),
      m_startLevels(project.UniverseCount()),
      m_fadeFrom(project.UniverseCount())
{
    const qint64 layerBytes = qMax(1, project.UniverseCount()) * qint64(CDmxLayer::kSlots);
    m_renderBound = int(qBound<qint64>(2, kRenderBytes / layerBytes, kMostRenders));
    // Made now for the steps there are, so that the tick need not.
    const int steps = scene ? int(scene->m_steps.size()) : 0;
    for (int i = qMin(steps, m_renderBound); i > 0; --i) {
        m_renders.push_back(std::make_unique<CRenderedStep>(project.UniverseCount()));
        m_lastUse.push_back(0);
    }
    Reset();
    if (custom && scene && scene->m_dynamicFadeIn)
        SnapshotPlayback();
}

void CPlayingScene::Reset()
{
    const bool edited = m_scene && m_scene == m_project.m_editedScene;
    m_startLevels.CopyFrom(edited ? m_project.m_edit : m_project.m_playback);
}

void CPlayingScene::SnapshotPlayback()
{
    m_fadeFrom.CopyFrom(m_project.m_playback);
}

void CPlayingScene::ClearFadeFrom()
{
    m_fadeFrom.Zero();
}

void CPlayingScene::SetStartLevels(const CDmxLayer& levels)
{
    m_startLevels.CopyFrom(levels);
}

CRenderedStep* CPlayingScene::KeptRender(const CSceneStep* step, bool use)
{
    if (!m_scene)
        return nullptr;
    for (size_t i = 0; i < m_renders.size(); ++i) {
        if (m_renders[i]->IsCurrent(step, *m_scene)) {
            if (use)
                m_lastUse[i] = ++m_uses;
            return m_renders[i].get();
        }
    }
    return nullptr;
}

CRenderedStep& CPlayingScene::RenderFor(const CSceneStep* step, const CRenderedStep* keep)
{
    size_t chosen = m_renders.size();
    for (size_t i = 0; i < m_renders.size(); ++i) {
        if (step && m_renders[i]->PendingStep() == step) {
            chosen = i;
            break;
        }
    }
    if (chosen == m_renders.size() && int(m_renders.size()) < m_renderBound) {
        m_renders.push_back(std::make_unique<CRenderedStep>(m_project.UniverseCount()));
        m_lastUse.push_back(0);
    } else if (chosen == m_renders.size()) {
        for (size_t i = 0; i < m_renders.size(); ++i) {
            if (m_renders[i].get() != keep && (chosen == m_renders.size() || m_lastUse[i] < m_lastUse[chosen]))
                chosen = i;
        }
    }
    m_lastUse[chosen] = ++m_uses;
    return *m_renders[chosen];
}

bool CPlayingScene::Owns(const CRenderedStep* render) const
{
    return std::any_of(m_renders.begin(), m_renders.end(),
                       [render](const std::unique_ptr<CRenderedStep>& r) { return r.get() == render; });
}
