#include "editors/EditorFactory.h"

#include "editors/EditEffectWnd.h"
#include "editors/EditMasksWnd.h"
#include "editors/EditSceneWnd.h"
#include "editors/EffectsWnd.h"

CLiveEditor* CEditorFactory::Create(Kind kind, QWidget* parent)
{
    switch (kind) {
    case SceneEditor:
        m_sceneEditor = new CEditSceneWnd(m_project, parent);
        return m_sceneEditor;
    case EffectSceneEditor:
        m_effectSceneEditor = new CEditEffectWnd(m_project, parent);
        return m_effectSceneEditor;
    case EffectsWindow:
        m_effectsWindow = new CEffectsWnd(m_project, parent);
        if (m_sceneEditor)
            QObject::connect(m_effectsWindow, &CEffectsWnd::rowComing, m_sceneEditor,
                             &CEditSceneWnd::StepCommandComing);
        return m_effectsWindow;
    case MasksEditor:
        return new CEditMasksWnd(m_project, parent);
    default:
        return nullptr;
    }
}

void CEditorFactory::FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
{
    if (m_sceneEditor)
        m_sceneEditor->FixturesDeleting(fixtures, matrices);
}

void CEditorFactory::FixtureProfilesChanged()
{
    if (m_sceneEditor)
        m_sceneEditor->FixtureProfilesChanged();
}

void CEditorFactory::ProfilesDeleting(const QList<CLibraryProfile*>& profiles)
{
    if (m_sceneEditor)
        m_sceneEditor->ProfilesDeleting(profiles);
}

void CEditorFactory::SceneDeleting(CScene* scene)
{
    // The effects window goes first: the editor behind it can close only
    // once it shows again.
    if (m_effectsWindow)
        m_effectsWindow->SceneDeleting(scene);
    if (m_sceneEditor)
        m_sceneEditor->SceneDeleting(scene);
    if (m_effectSceneEditor)
        m_effectSceneEditor->SceneDeleting(scene);
}
