#pragma once

#include <QWidget>

class CColorPicker;
class CProject;
class CSliderCtrl;
class QCheckBox;
class QPushButton;

// The master panel ("commands" tool panel): blackout, beam on, pause,
// next, the master dimmer and speed, and the colour override with its
// colour and white. Every control acts through the project's master
// setters; Refresh shows the masters again after they changed elsewhere
// (a trigger, a loaded project).
class CCommandsWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CCommandsWnd(CProject& project, QWidget* parent = nullptr);

    void Refresh();
    void Retranslate();

    QPushButton* BlackOutButton() const { return m_pBlackOut; }
    QPushButton* BeamOnButton() const { return m_pBeamOn; }
    QPushButton* PauseButton() const { return m_pPause; }
    QPushButton* NextButton() const { return m_pNext; }
    CSliderCtrl* DimmerFader() const { return m_pDimmer; }
    CSliderCtrl* SpeedFader() const { return m_pSpeed; }
    QCheckBox* ColorOverrideBox() const { return m_pColorOverride; }
    CColorPicker* ColorPicker() const { return m_pColor; }
    CSliderCtrl* WhiteFader() const { return m_pWhite; }

private slots:
    void OnBlackOut(bool on);
    void OnBeamOn(bool on);
    void OnPause(bool on);
    void OnNext();
    void OnDimmer(int value);
    void OnSpeed(int value);
    void OnColorOverride(bool on);
    void OnColor(uchar red, uchar green, uchar blue);
    void OnWhite(int value);

private:
    CProject& m_project;
    QPushButton* m_pBlackOut;
    QPushButton* m_pBeamOn;
    QPushButton* m_pPause;
    QPushButton* m_pNext;
    CSliderCtrl* m_pDimmer;
    CSliderCtrl* m_pSpeed;
    QCheckBox* m_pColorOverride;
    CColorPicker* m_pColor;
    CSliderCtrl* m_pWhite;
};
