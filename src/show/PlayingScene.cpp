#include "show/PlayingScene.h"

#include "show/Project.h"
#include "show/Scene.h"

CPlayingScene::CPlayingScene(CProject& project, CScene* scene, bool custom)
    : m_project(project),
      m_scene(scene),
      m_startLevels(project.UniverseCount()),
      m_fadeFrom(project.UniverseCount()),
      m_rendered(project.UniverseCount())
{
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
