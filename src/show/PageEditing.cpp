// Editing members of CPage: new scenes and scene names.

#include "show/Page.h"

#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"

CScene* CPage::NewScene(const QString& name, bool fromLive)
{
    if (!CShowBounds::AskRoom(m_project, CShowBounds::Scenes))
        return nullptr;
    auto* scene = new CScene(name, m_project.UniverseCount());
    if (fromLive) {
        m_project.CopyLiveToEdit();
        scene->InsertStep(0, false, nullptr, m_project);
    }
    m_scenes << scene;
    return scene;
}

QString CPage::UniqueSceneName(const QString& name) const
{
    if (!FindScene(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = name + QStringLiteral("_copy_%1").arg(n);
        if (!FindScene(candidate))
            return candidate;
    }
}

CScene* CPage::FindScene(const QString& name) const
{
    for (CScene* scene : m_scenes) {
        if (scene->m_name == name)
            return scene;
    }
    return nullptr;
}

void CPage::DropScene(CScene* scene)
{
    if (!scene)
        return;
    FinishStop(scene, false);
    for (int i = m_pending.size() - 1; i >= 0; --i) {
        if (m_pending.at(i) == scene) {
            m_pending.removeAt(i);
            if (i < m_pendingRemove.size())
                m_pendingRemove.removeAt(i);
        }
    }
    m_hasPending = !m_pending.isEmpty();
}
