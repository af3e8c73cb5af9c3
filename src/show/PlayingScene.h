#pragma once

#include "show/DmxLayer.h"
#include "show/RenderedStep.h"

#include <memory>
#include <vector>

class CProject;
class CScene;
class CSceneStep;

// One playing scene of a page: the levels its fades and step crossfades
// start from and, for dynamic fades, the snapshot they fade from. Both are
// allocated here for every universe of the project, so the tick never
// allocates; a snapshot never taken is all zero. It also keeps renders of the
// scene's steps: a few, so that a looping scene renders each step once, the
// least recently used giving way when the bound is reached.
class CPlayingScene
{
public:
    // Start levels taken at once (Reset); with `custom` and a scene with a
    // dynamic fade-in the snapshot is taken from the playback layer too.
    CPlayingScene(CProject& project, CScene* scene, bool custom);

    CPlayingScene(const CPlayingScene&) = delete;
    CPlayingScene& operator=(const CPlayingScene&) = delete;

    // Start levels := playback layer, or the edit layer for the edited scene.
    void Reset();
    void SnapshotPlayback();
    // Snapshot := zero: a dynamic fade-out fades towards nothing.
    void ClearFadeFrom();
    void SetStartLevels(const CDmxLayer& levels);

    CScene* Scene() const { return m_scene; }
    CDmxLayer& StartLevels() { return m_startLevels; }
    const CDmxLayer& StartLevels() const { return m_startLevels; }
    CDmxLayer& FadeFrom() { return m_fadeFrom; }
    const CDmxLayer& FadeFrom() const { return m_fadeFrom; }
    // The kept render of the step that is current, or null; `use` counts it
    // as used now.
    CRenderedStep* KeptRender(const CSceneStep* step, bool use);
    // The render to make the step's render in: one under way for the step,
    // else the least recently used one that `keep` is not. Counts as used.
    CRenderedStep& RenderFor(const CSceneStep* step, const CRenderedStep* keep = nullptr);
    bool Owns(const CRenderedStep* render) const;

private:
    CProject& m_project;
    CScene* m_scene;
    CDmxLayer m_startLevels;
    CDmxLayer m_fadeFrom;
    std::vector<std::unique_ptr<CRenderedStep>> m_renders;
    std::vector<quint64> m_lastUse; // parallel to m_renders
    quint64 m_uses = 0;
    int m_renderBound = 2;
};
