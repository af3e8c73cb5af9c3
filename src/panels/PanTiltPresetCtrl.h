#pragma once

#include "panels/FixedPresetCtrls.h"

#include <QIcon>
#include <QList>

class CHProSlider;
class CMenuBar;
class CPanTiltGridCtrl;
class CPresetModeCtrl;
class CProSlider;
class CToolBarDragDrop;
class QAction;
class REDOvoroz;

// The pan/tilt panel: a grid dragged at an adjustable precision, coarse and
// fine faders, two offset faders, mode switches and five saved positions.
// It only reports: posChanged and modeChanged go to the presets window.
class CPanTiltPresetCtrl : public CPanTiltPresetCtrlBase
{
    Q_OBJECT
public:
    static constexpr int kSavedShown = 5;

    CPanTiltPresetCtrl(int id, bool fine, bool master, CPresetsWnd* wnd);

    void SetPosition(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool quiet) override;
    void GetPosition(quint8 position[6]) const override;
    void SetModes(int pan, int tilt, bool force) override;
    void MarkEffectChannel(int channelType) override;

    void UpdateLayout(bool withPartner) override;
    void SetDisplayMode(int mode, bool big) override;
    void SetSize(int size, bool updateMenu) override;

    // The 16 x 16 picture of a saved position: a cross and a red dot.
    static QIcon DrawPanTiltIcon(int pan, int tilt);
    // Where the dot of the picture lies (top-left of its 3 x 3 box).
    static QPoint PanTiltIconPoint(int pan, int tilt);

    CPanTiltGridCtrl* Grid() const { return m_grid; }
    CProSlider* Fader(int i) const { return m_faders[i]; } // pan, fine pan, tilt, fine tilt
    CHProSlider* OffsetFader(int axis) const { return m_offsets[axis]; }
    CPresetModeCtrl* ModeSwitch(int axis) const; // 0 pan, 1 tilt, else both
    REDOvoroz* PrecisionSlider() const { return m_precision; }
    QAction* SavedAction(int i) const { return m_saved.value(i); }
    CMenuBar* Bar() const { return m_bar; }

public slots:
    void OnPrecValueChanged(int value);
    void OnPanTiltPos();
    void OnPanTiltPosHovered();
    void OnMenuBar();
    void OnSavePos();
    void OnPanValueChanged(int value);
    void OnMPanValueChanged(int value);
    void OnTiltValueChanged(int value);
    void OnMTiltValueChanged(int value);
    void OnPanOffsetChanged(int value);
    void OnTiltOffsetChanged(int value);
    void OnPanModeChanged(bool on);
    void OnTiltModeChanged(bool on);
    void OnPanTiltModeChanged(bool on);

private:
    void OnGridMoved(int pan, int tilt);
    void SetPosition16(int pan, int tilt, bool quiet);
    void SetFaderPosition(int index, int value);
    void EmitPosition();
    void UpdateBothSwitch(bool force);
    // A new state for one axis: "Fx" locks it, anything else after "Fx" frees it.
    void ApplyAxisState(int axis, int state, bool force);
    void LockAxis(int axis, bool on);

    bool m_fine;
    bool m_quiet = false;
    bool m_locked[2] = {false, false};
    quint8 m_panFine = 0;
    quint8 m_tiltFine = 0;
    int m_hovered = -1;
    QList<QAction*> m_saved;
    CMenuBar* m_bar = nullptr;
    REDOvoroz* m_precision = nullptr;
    QAction* m_precisionAction = nullptr;
    CPanTiltGridCtrl* m_grid = nullptr;
    CProSlider* m_faders[4] = {};
    CHProSlider* m_offsets[2] = {};
    CPresetModeCtrl* m_modes[3] = {};
    CToolBarDragDrop* m_handle = nullptr;
};
