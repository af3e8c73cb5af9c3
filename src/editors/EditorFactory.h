#pragma once

#include "live/LiveEditor.h"

#include <QList>
#include <QPointer>

class CEditEffectWnd;
class CEditSceneWnd;
class CEffectsWnd;
class CScene;
class CFixtureMatrix;
class CLibraryProfile;
class CPatchedFixture;
class CProject;

// Makes the scene, effect scene and masks editors and the effects window
// for the live pages window.
class CEditorFactory : public CLiveEditorFactory
{
public:
    explicit CEditorFactory(CProject& project) : m_project(project) {}
    CLiveEditor* Create(Kind kind, QWidget* parent) override;

    // The patch is about to delete these, or fixtures took other profiles:
    // the scene editor, open or waiting behind the effects window, fits the
    // copies it keeps.
    void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices);
    void FixtureProfilesChanged();
    void ProfilesDeleting(const QList<CLibraryProfile*>& profiles);
    // A scene is about to be deleted: neither the scene and effect scene
    // editors nor the effects window may keep it.
    void SceneDeleting(CScene* scene);

private:
    CProject& m_project;
    // The editors and effects window made last, while they live.
    QPointer<CEditSceneWnd> m_sceneEditor;
    QPointer<CEditEffectWnd> m_effectSceneEditor;
    QPointer<CEffectsWnd> m_effectsWindow;
};
