#include "editors/EffectWnd.h"

#include "panels/FixedPresetCtrls.h"
#include "panels/PresetsWnd.h"

#include <QHash>

namespace {

QPointer<CPresetsWnd>& ColorPresets()
{
    static QPointer<CPresetsWnd> presets;
    return presets;
}

QHash<int, EffectPageMaker>& PageMakers()
{
    static QHash<int, EffectPageMaker> makers;
    return makers;
}

} // namespace

CEffectWnd::CEffectWnd(CEffectEngine* engine, CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_timeWidget(timeWidget), m_effectScene(effectScene)
{
}

CEffectWnd::~CEffectWnd()
{
    CPresetsWnd* presets = ColorPresets();
    if (!m_borrowsColor || !presets)
        return;
    // The hook goes first: the page is half destroyed and must not be told.
    presets->SetEffectColorHook(nullptr);
    presets->HideEffectColor();
}

void CEffectWnd::SetColorSource(CPresetsWnd* presets)
{
    ColorPresets() = presets;
}

CPresetsWnd* CEffectWnd::ColorSource()
{
    return ColorPresets();
}

void CEffectWnd::BorrowColorControl()
{
    CPresetsWnd* presets = ColorPresets();
    if (!presets)
        return;
    m_borrowsColor = true;
    QPointer<CEffectWnd> self(this);
    presets->SetEffectColorHook([self](CColorPresetCtrlBase* control) {
        if (self)
            self->TakeColorControl(control);
    });
    presets->ShowEffectColor();
}

void CEffectWnd::ShowBorrowedColor()
{
    CPresetsWnd* presets = ColorPresets();
    if (m_borrowsColor && presets)
        presets->ShowEffectColor();
}

void CEffectWnd::TakeColorControl(CColorPresetCtrlBase* control)
{
    if (m_colorCtrl == control)
        return;
    if (m_colorCtrl)
        disconnect(m_colorCtrl, nullptr, this, nullptr);
    m_colorCtrl = control;
    if (control)
        connect(control, &CColorPresetCtrlBase::colorChanged, this, &CEffectWnd::OnColorChanged);
    ColorControlChanged();
}

void CEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    Q_UNUSED(red);
    Q_UNUSED(green);
    Q_UNUSED(blue);
    Q_UNUSED(white);
}

EffectPageMaker RegisterEffectPage(int type, EffectPageMaker maker)
{
    EffectPageMaker replaced = PageMakers().take(type);
    if (maker)
        PageMakers().insert(type, std::move(maker));
    return replaced;
}

CEffectWnd* CreateEffectPage(int type, const CEffectPageArgs& args)
{
    const EffectPageMaker maker = PageMakers().value(type);
    return maker ? maker(args) : nullptr;
}
