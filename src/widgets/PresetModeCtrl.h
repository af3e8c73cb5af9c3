#pragma once

#include <QWidget>

// The switch of a preset control that says where its changes go: 0 "on"
// (into the edited scene), 1 "off" (released), 2 "0/1" (the selection
// disagrees), 3 "live" (live layer), 4 "Fx" (driven by the edited effect).
enum ePresetMode { PresetModeOn = 0, PresetModeOff = 1, PresetModeMixed = 2, PresetModeLive = 3, PresetModeFx = 4 };

// The state a press leads to. `target` is the state a change made now would
// take (the project's edit target: 0, 1 or 3); a right press on a "0/1"
// switch means off.
int NextPresetMode(int state, int target, bool rightButton);

// Where the switch asks for the edit target. Until the project answers it
// directly, the program installs the question here; without one there is
// no edited scene, so changes go live.
using PresetEditTargetSource = int (*)();
void SetPresetEditTargetSource(PresetEditTargetSource source);
int PresetEditTarget();

class CPresetModeCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CPresetModeCtrl(QWidget* parent = nullptr);

    int State() const { return m_state; }
    // From code: repaints, no signal. Unknown states are ignored.
    void SetState(int state);

    QSize sizeHint() const override;

signals:
    // True when the switch went to "on" or "live", false when it went off.
    void modeChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_state = PresetModeOff;
};
