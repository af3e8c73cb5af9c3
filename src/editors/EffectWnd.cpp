#include "editors/EffectWnd.h"

#include <QHash>

namespace {

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

void CEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    Q_UNUSED(red);
    Q_UNUSED(green);
    Q_UNUSED(blue);
    Q_UNUSED(white);
}

void RegisterEffectPage(int type, EffectPageMaker maker)
{
    if (maker)
        PageMakers().insert(type, std::move(maker));
    else
        PageMakers().remove(type);
}

CEffectWnd* CreateEffectPage(int type, const CEffectPageArgs& args)
{
    const EffectPageMaker maker = PageMakers().value(type);
    return maker ? maker(args) : nullptr;
}
