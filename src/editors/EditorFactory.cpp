#include "editors/EditorFactory.h"

#include "editors/EditEffectWnd.h"
#include "editors/EditMasksWnd.h"
#include "editors/EditSceneWnd.h"
#include "editors/EffectsWnd.h"

CLiveEditor* CEditorFactory::Create(Kind kind, QWidget* parent)
{
    switch (kind) {
    case SceneEditor:
        return new CEditSceneWnd(m_project, parent);
    case EffectSceneEditor:
        return new CEditEffectWnd(m_project, parent);
    case EffectsWindow:
        return new CEffectsWnd(m_project, parent);
    case MasksEditor:
        return new CEditMasksWnd(m_project, parent);
    default:
        return nullptr;
    }
}
