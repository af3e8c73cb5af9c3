#pragma once

#include "show/DmxLayer.h"
#include "show/RenderedStep.h"

class CProject;
class CScene;

// One playing scene of a page: the levels its fades and step crossfades
// start from and, for dynamic fades, the snapshot they fade from. Both are
// allocated here for every universe of the project, so the tick never
// allocates; a snapshot never taken is all zero. It also keeps the scene's
// rendered step.
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
    CRenderedStep& Rendered() { return m_rendered; }

private:
    CProject& m_project;
    CScene* m_scene;
    CDmxLayer m_startLevels;
    CDmxLayer m_fadeFrom;
    CRenderedStep m_rendered;
};
