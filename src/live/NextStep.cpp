#include "live/NextStep.h"

#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <limits>

namespace {

int ClampToInt(qint64 value)
{
    return int(qBound<qint64>(0, value, std::numeric_limits<int>::max()));
}

} // namespace

bool MoveSceneToNextStep(CProject& project, CPage& page, CScene& scene)
{
    CPlayingScene* entry = page.PlayingEntry(&scene);
    if (!entry || scene.IsEffectScene() || scene.m_stopping || page.IsPending(&scene) || scene.m_steps.isEmpty()
        || &scene == project.m_editedScene)
        return false;

    const int count = scene.m_steps.size();
    int next = scene.CurrentStepIndex() + 1;
    if (next >= count) {
        // Leaving the last step closes a pass: a counted scene whose
        // passes are done ends here, exactly as the tick would end it.
        if (scene.m_loopCount >= 1 && !scene.m_noLoopCount) {
            scene.m_loopsDone += 1;
            if (scene.m_loopsDone >= scene.m_loopCount) {
                page.SceneEnded(&scene, scene.m_fadeOut >= 1 && scene.m_fadeOutCounter < 0);
                return true;
            }
        }
        next = 0;
    }

    qint64 start = 0;
    for (int i = 0; i < next; ++i)
        start += scene.m_steps.at(i)->Duration();
    CSceneStep* step = scene.m_steps.at(next);

    // The step fade starts from what is on stage now, not from where the
    // skipped step would have ended.
    entry->Reset();
    scene.m_currentStepIndex = next;
    scene.m_currentStep = step;
    scene.m_stepStart = ClampToInt(start);
    scene.m_stepEnd = ClampToInt(start + step->Duration());
    scene.m_cyclePosition = scene.m_stepStart;
    scene.UpdateStepTime();
    return true;
}

int MovePlayingScenesToNextStep(CProject& project)
{
    int moved = 0;
    for (CPage* page : project.m_pages) {
        // Moving a scene may end it and start its follow-on: walk a copy.
        QList<CScene*> playing;
        for (CPlayingScene* entry : page->m_playing)
            if (entry->Scene() && !entry->Scene()->IsEffectScene())
                playing << entry->Scene();
        for (CScene* scene : playing)
            moved += MoveSceneToNextStep(project, *page, *scene) ? 1 : 0;
    }
    return moved;
}
