#pragma once

#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Scene.h"

// The scenes playing on the page whose step `ahead` of the one playing has
// its render kept; `only`, when given, limits the count to those scenes.
inline int StepsKept(const CPage& page, int ahead = 0, const QList<const CScene*>& only = {})
{
    int kept = 0;
    for (CPlayingScene* entry : page.m_playing) {
        const CScene* scene = entry->Scene();
        if (!scene || (!only.isEmpty() && !only.contains(scene)))
            continue;
        const int index = scene->CurrentStepIndex();
        const CSceneStep* step = ahead == 0 ? scene->m_currentStep
                                 : index < 0 ? nullptr
                                             : scene->m_steps[(index + ahead) % scene->m_steps.size()];
        kept += entry->KeptRender(step, false) ? 1 : 0;
    }
    return kept;
}
