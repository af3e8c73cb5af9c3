// Scene editing in the project document: pages, scenes and effect scenes
// come and go.

#include "show/Project.h"

#include "effects/Effect.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

namespace {

CProject::StopEffectSceneHook g_stopEffectScene = nullptr;

} // namespace

void CProject::SetStopEffectSceneHook(StopEffectSceneHook hook)
{
    g_stopEffectScene = hook;
}

CPage* CProject::AddPage(const QString& name)
{
    if (!CShowBounds::AskRoom(*this, CShowBounds::Pages))
        return nullptr;
    auto* page = new CPage(*this, name);
    m_currentPage = page;
    m_pages << page;
    return page;
}

bool CProject::RemovePage(int n)
{
    if (n < 1 || n >= m_pages.size())
        return false;
    CPage* page = m_pages[n];
    if (!page->m_playing.isEmpty() || !page->m_pending.isEmpty())
        return false;
    if (m_currentPage == page)
        m_currentPage = m_firstPage ? m_firstPage : m_pages.first();
    for (CScene* scene : qAsConst(page->m_scenes)) {
        ShowHost().FadingRemoveScene(scene);
        ShowHost().RemoveSceneBlocks(scene);
    }
    // Out of the list first: while the page deletes its scenes, the other
    // pages' scenes lose their references to them and this page is gone.
    m_pages.removeAt(n);
    ForgetPage(page);
    for (int i = m_savedPlayingPages.size() - 1; i >= 0; --i) {
        if (m_savedPlayingPages[i] != page)
            continue;
        m_savedPlayingPages.removeAt(i);
        if (i < m_savedPlayingScenes.size())
            m_savedPlayingScenes.removeAt(i);
        if (i < m_savedPlayingCopies.size())
            m_savedPlayingCopies.removeAt(i);
    }
    delete page;
    return true;
}

void CProject::ForgetPage(const CPage* page)
{
    for (CGroup* group : qAsConst(m_groups)) {
        if (group->m_page == page)
            group->m_page = nullptr;
    }
}

CScene* CProject::AddScene(bool fromLive)
{
    if (!m_currentPage)
        return nullptr;
    const QString name = QStringLiteral("Scene %1").arg(m_currentPage->m_scenes.size() + 1);
    return m_currentPage->NewScene(name, fromLive);
}

CEffectScene* CProject::AddEffectScene()
{
    if (!CShowBounds::AskRoom(*this, CShowBounds::Scenes))
        return nullptr;
    auto* scene = new CEffectScene(QStringLiteral("Effect %1").arg(m_effectScenes.size() + 1), m_universeCount);
    m_effectScenes << scene;
    return scene;
}

bool CProject::RemoveEffectScene(int n)
{
    if (n < 0 || n >= m_effectScenes.size())
        return false;
    CEffectScene* effectScene = m_effectScenes[n];
    // Its editor and the timeline's blocks let go of it while it still is.
    ShowHost().RemoveSceneBlocks(effectScene);
    if (g_stopEffectScene)
        g_stopEffectScene(*this, effectScene, true);
    // Copies still fading out, or saved as playing, outlive their source;
    // so does a copy the pending pass still reads. Queued copies went with
    // the stop above.
    for (const QList<CEffectScene*>* copies : {&m_runningCopies, &m_retiredCopies, &m_savedPlayingCopies}) {
        for (CEffectScene* copy : *copies) {
            if (copy && copy->m_source == effectScene)
                copy->m_source = nullptr;
        }
    }
    ForgetScene(effectScene);
    m_effectScenes.removeAt(n);
    delete effectScene;
    return true;
}

CEffectScene* CProject::FindEffectSceneByEffect(int id) const
{
    for (CEffectScene* scene : m_effectScenes) {
        if (!scene->m_effects.isEmpty() && scene->m_effects.first() && scene->m_effects.first()->m_sId == id)
            return scene;
    }
    return nullptr;
}

// AbsorbRawChannelsInScenes, which folds raw channels into fixtures patched
// over them, lives with the patch changes in ProjectFixtures.cpp.
