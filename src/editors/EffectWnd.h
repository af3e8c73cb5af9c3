#pragma once

#include "panels/FixedPresetCtrls.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class CEffect;
class CEffectEngine;
class CFixtureMatrix;
class CPresetsWnd;
class CProject;
class CTimeWidget;

// The base of every effect page. A page keeps its own copy of the effect,
// binds the engine to it (the engine then owns it), regenerates after each
// change and shows a preview the effects window advances. The window talks
// to the page only through the operations below and deletes the page when
// the edit ends; the engine's effect outlives the page, so no page deletes
// or touches its effect on the way out.
class CEffectWnd : public QWidget
{
    Q_OBJECT
public:
    CEffectWnd(CEffectEngine* engine, CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);
    ~CEffectWnd() override;

    // The presets window whose colour control the colour pages borrow; null
    // leaves them without one.
    static void SetColorSource(CPresetsWnd* presets);
    static CPresetsWnd* ColorSource();

    virtual void Retranslate() {}
    // The matrix the effect is drawn on after a selection change; null when
    // the selection offers no single matrix.
    virtual void SetMatrix(CFixtureMatrix* matrix) { Q_UNUSED(matrix); }
    // A step outside the generated steps leaves the preview where it is.
    virtual void SetPlayPosition(int step, int timeMs)
    {
        Q_UNUSED(step);
        Q_UNUSED(timeMs);
    }
    // -1: no position.
    virtual int GetPlayStep() const { return -1; }
    virtual int GetPlayTime() const { return -1; }
    // Already scaled by the effect speed.
    virtual void Tick(int elapsedMs) { Q_UNUSED(elapsedMs); }
    // The page changed the effect's shape without generating it yet: the
    // window generates before the effect is applied or handed back.
    virtual bool HasUngeneratedChanges() const { return false; }

    CEffectEngine* Engine() const { return m_engine; }
    CTimeWidget* TimeWidget() const { return m_timeWidget; }
    bool IsEffectScene() const { return m_effectScene; }
    CColorPresetCtrlBase* ColorControl() const { return m_colorCtrl; }
    // A selection without colour of its own drops the presets window's
    // colour control: a page that borrows it has it shown again.
    void ShowBorrowedColor();

public slots:
    virtual void OnColorChanged(uchar red, uchar green, uchar blue, uchar white);

protected:
    // Borrows the presets window's colour control until the page goes. The
    // presets window may rebuild (and delete) it meanwhile: the new one is
    // handed over, hence the guarded pointer.
    void BorrowColorControl();
    // The borrowed control changed (null when it went away).
    virtual void ColorControlChanged() {}
    // Follows `control` from now on, in place of any borrowed one.
    void TakeColorControl(CColorPresetCtrlBase* control);

    CEffectEngine* m_engine;
    CTimeWidget* m_timeWidget;
    bool m_effectScene;
    QPointer<CColorPresetCtrlBase> m_colorCtrl;

private:
    bool m_borrowsColor = false;
};

// What a page is made from: the effect to edit (null for a new one, which
// the page makes), the engine, the matrix for the types drawn on one, the
// time display and whether the edited scene is an effect scene.
struct CEffectPageArgs
{
    CProject* project = nullptr;
    const CEffect* effect = nullptr;
    CEffectEngine* engine = nullptr;
    CFixtureMatrix* matrix = nullptr;
    CTimeWidget* timeWidget = nullptr;
    bool effectScene = false;
    QWidget* parent = nullptr;
};
using EffectPageMaker = std::function<CEffectWnd*(const CEffectPageArgs& args)>;

// Each page registers itself for its effect type; a type without a page
// opens nothing. A null maker removes the type. Returns the maker replaced
// (null when none), so that a stand-in can give the type back.
EffectPageMaker RegisterEffectPage(int type, EffectPageMaker maker);
CEffectWnd* CreateEffectPage(int type, const CEffectPageArgs& args);

// The maker of a page built from the project, its own class of effect, the
// engine and the matrix; without a project or an engine there is no page.
template <class Page, class Effect>
bool RegisterMatrixEffectPage(int type)
{
    RegisterEffectPage(type, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project || !args.engine)
            return nullptr;
        return new Page(*args.project, dynamic_cast<const Effect*>(args.effect), args.engine, args.matrix,
                        args.timeWidget, args.effectScene, args.parent);
    });
    return true;
}
