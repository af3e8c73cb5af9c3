#pragma once

#include "../panels/PanelsRig.h"
#include "editors/EffectWnd.h"

// A presets window whose colour control the colour pages borrow, and the
// project's engine for them.
class CColorPageRig : public CPanelsRig
{
public:
    CColorPageRig() { CEffectWnd::SetColorSource(&wnd); }
    ~CColorPageRig() { CEffectWnd::SetColorSource(nullptr); }

    CEffectEngine* Engine() { return &project.m_effectEngine; }
    // The colour the borrowed control shows, "r,g,b,w".
    QString Shown() const
    {
        const CFakeColorCtrl* color = Color();
        if (!color)
            return QStringLiteral("none");
        QStringList parts;
        for (int c : color->color)
            parts << QString::number(c);
        return parts.join(QLatin1Char(','));
    }
    // A rebuild of the presets window on the same selection: the borrowed
    // control is deleted and a new one handed over.
    void Rebuild()
    {
        wnd.Reset();
        wnd.UpdateSelection();
        Flush();
    }
};
