#pragma once

#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QVector>
#include <array>

// A scene of one step that sets raw DMX channels (universe, slot, level
// each), appended to `page` (the project's first page when null). Raw
// channels need no patch, so a show can be built in a few lines.
inline CScene* AddRawChannelScene(CProject& project, const QString& name,
                                  const QVector<std::array<int, 3>>& levels, int fadeIn = 0,
                                  CPage* page = nullptr)
{
    auto* scene = new CScene(name, project.UniverseCount());
    scene->m_fadeIn = fadeIn;
    auto* step = new CSceneStep(0, 1000);
    for (const std::array<int, 3>& level : levels) {
        auto* entry = new CStepFixture(project.GetChannelFixture(level[0], level[1]), scene);
        entry->SetLevel(0, quint8(level[2]), true, true);
        step->AddEntry(entry);
    }
    scene->m_steps << step;
    scene->UpdateLength();
    (page ? page : project.m_firstPage)->m_scenes << scene;
    return scene;
}
