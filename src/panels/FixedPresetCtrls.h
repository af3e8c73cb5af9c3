#pragma once

#include "panels/PresetCtrl.h"

// What the presets window needs of its colour controls; the controls
// themselves come from the factory installed in the window.
class CColorPresetCtrlBase : public CPresetCtrl
{
    Q_OBJECT
public:
    // Colour controls share the record keyed (25, 0) with no profile.
    CColorPresetCtrlBase(int id, bool master, CPresetsWnd* wnd) : CPresetCtrl(id, nullptr, 25, 0, master, wnd) {}

    virtual void SetColor(quint8 red, quint8 green, quint8 blue, quint8 white, bool quiet) = 0;
    virtual void GetColor(quint8& red, quint8& green, quint8& blue, quint8& white) const = 0;
    virtual void SetModes(int red, int green, int blue, int white, bool force) = 0;
    virtual void MarkEffectChannel(int channelType) = 0;
    virtual void UpdateImportButton() {}

signals:
    void colorChanged(uchar red, uchar green, uchar blue, uchar white);
    // Component 0-3, or -1 for all of them.
    void modeChanged(int component, bool on);
};

// What the presets window needs of its pan/tilt controls.
class CPanTiltPresetCtrlBase : public CPresetCtrl
{
    Q_OBJECT
public:
    // Pan/tilt controls share the record keyed (1, 0) with no profile.
    CPanTiltPresetCtrlBase(int id, bool master, CPresetsWnd* wnd) : CPresetCtrl(id, nullptr, 1, 0, master, wnd) {}

    virtual void SetPosition(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool quiet) = 0;
    // Pan, tilt, fine pan, fine tilt, pan offset and tilt offset, in the
    // order of posChanged.
    virtual void GetPosition(quint8 position[6]) const = 0;
    virtual void SetModes(int pan, int tilt, bool force) = 0;
    virtual void MarkEffectChannel(int channelType) = 0;

signals:
    void posChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine, uchar panOffset, uchar tiltOffset);
    // Axis 0 pan, 1 tilt, or -1 for both.
    void modeChanged(int axis, bool on);
};
