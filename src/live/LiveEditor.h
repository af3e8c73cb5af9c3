#pragma once

#include "effects/Effect.h"

#include <QString>
#include <Qt>

class CEffectScene;
class CPage;
class CScene;
class QWidget;

// The effect type code an editor asks the effects window to edit with
// editEffect(eEffect, bool): the effect classes' type codes.
enum eEffect : int {
    eEffectGradient = EffectType::Gradient,
    eEffectTrichro = EffectType::Trichro,
    eEffectCurve = EffectType::Curve,
    eEffectPanTilt = EffectType::PanTilt,
    eEffectPreset = EffectType::Preset,
    eEffectMatrixAnim = EffectType::MatrixAnim,
    eEffectMatrixGif = EffectType::MatrixGif,
    eEffectMatrixMedia = EffectType::MatrixMedia,
    eEffectMatrixText = EffectType::MatrixText,
};

// What the live pages window needs of an editor it shows in place of the
// pages. An editor is a widget (Widget() returns the editor object itself,
// so deleting the widget deletes the editor) and ends itself with the signal
// closeWnd() or, the effects window, closeWnd(bool, bool); the scene and
// effect scene editors raise editEffect(eEffect, bool) to have an effect
// edited. The editors live in a library of their own and come to the live
// pages through a factory, so the default of every call is to do nothing.
class CLiveEditor
{
public:
    virtual ~CLiveEditor() = default;

    virtual QWidget* Widget() = 0;
    // Ends the edit as the editor's Cancel does, asking as it asks.
    virtual void Cancel() {}

    // The edit holds something the show does not have, or would lose.
    virtual bool HasChanges() const { return false; }
    // What the edit is about, as its question names it (the scene's name).
    virtual QString EditedName() const { return QString(); }
    // Ends the edit without a question: `keep` hands it to the show as OK
    // does, otherwise it goes as the question's No drops it.
    virtual void EndEdit(bool keep) { Q_UNUSED(keep); }
    // The editors' Cancel: an edit with changes asks whether to keep them,
    // and Cancel or Escape at that question go back to the edit.
    void CancelAsking();
    // The question of an edit about `name` with changes: CShowHost::Yes to
    // keep them, No to drop them, Cancel to go back to the edit.
    static int AskKeepChanges(const QString& name);

    // Keys the main window routes to the shown editor; true when used.
    virtual bool HandleKey(int key, Qt::KeyboardModifiers modifiers)
    {
        Q_UNUSED(key);
        Q_UNUSED(modifiers);
        return false;
    }
    virtual void Tick(int elapsedMs, int ticks) { Q_UNUSED(elapsedMs); Q_UNUSED(ticks); }
    virtual void Retranslate() {}
    virtual void UpdateEffectList() {}
    virtual void UpdatePage() {}
    // The tool panels were rebuilt: the effect being edited marks its
    // channels in them again.
    virtual void RefreshEditMode() {}

    // The scene editor.
    virtual void SetScene(CPage* page, CScene* scene, bool playing)
    {
        Q_UNUSED(page);
        Q_UNUSED(scene);
        Q_UNUSED(playing);
    }
    virtual void UpdateDmxButton() {}
    virtual void PushUndo(int kind, const QString& label)
    {
        Q_UNUSED(kind);
        Q_UNUSED(label);
    }
    virtual void FillStepsTable() {}
    virtual void UpdateDuration() {}

    // The effect scene editor.
    virtual void SetEffectScene(CEffectScene* scene) { Q_UNUSED(scene); }
    // Its edit ended in the effects window: the editor goes later, but the
    // show stops editing its scene now.
    virtual void ReleaseScene() {}
    // It closed on Cancel, keeping nothing.
    virtual bool WasCancelled() const { return false; }

    // The effects window: edit an effect of `type` in the scene, the
    // scene's own effect when `edit` is set.
    virtual void EditEffect(CScene* scene, int type, bool edit)
    {
        Q_UNUSED(scene);
        Q_UNUSED(type);
        Q_UNUSED(edit);
    }
    // The effect being edited; null when none.
    virtual CEffect* EditedEffect() const { return nullptr; }
};

// Makes the editors; the live pages window takes ownership of each.
class CLiveEditorFactory
{
public:
    enum Kind { SceneEditor = 1, EffectSceneEditor = 2, EffectsWindow = 3, MasksEditor = 4 };

    virtual ~CLiveEditorFactory() = default;
    // Null when that editor cannot be made.
    virtual CLiveEditor* Create(Kind kind, QWidget* parent) = 0;
};
