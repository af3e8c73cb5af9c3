#pragma once

#include <QWidget>

class CEffectEngine;
class CPanTiltGrid;
class CProject;
class CSliderCtrl;
class REDOvoroz;

// The pan/tilt path editor of the pan/tilt effect page: the grid of the
// effect's points, coarse and fine pan and tilt sliders of the current
// point and the drag precision. The current point goes live to the selected
// fixtures, except while the preview runs; the preview walks the engine's
// steps and writes them into the edit layer.
class CPanTiltWnd : public QWidget
{
    Q_OBJECT
public:
    CPanTiltWnd(CProject& project, CEffectEngine& engine, bool fine, QWidget* parent = nullptr);

    void StartPreview(bool restart);
    void StopPreview();
    bool IsPreviewRunning() const { return m_running; }
    void Tick(bool apply, int elapsedMs);
    // A step outside the engine's steps is ignored.
    void SetPreviewPosition(int step, int elapsedMs);
    void ShowFineSliders(bool show);
    void ResetShape();
    void Rebuild(bool restart);

    // What the effect page shows of the preview and the grid.
    int CurrentStep() const { return m_currentStep; }
    int NextStep() const { return m_nextStep; }
    int Elapsed() const { return m_elapsed; }
    int CurrentPoint() const;
    int EditMode() const;
    // The effect's step duration in ms.
    int StepTime() const;

    CPanTiltGrid* Grid() const { return m_grid; }
    CSliderCtrl* Slider(int i) const { return m_sliders[i]; } // pan, fine pan, tilt, fine tilt
    REDOvoroz* PrecisionSlider() const { return m_precision; }

signals:
    void posChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine);

public slots:
    void OnPrecValueChanged(int value);
    void OnPanValueChanged(int value);
    void OnMPanValueChanged(int value);
    void OnTiltValueChanged(int value);
    void OnMTiltValueChanged(int value);

private:
    void OnPointChanged();
    void ShowPosition();
    void SetByte(int index, int value);
    void RestartPreview();
    void ApplyStep(double t);

    CProject& m_project;
    CEffectEngine& m_engine;
    int m_currentStep = 0;
    int m_nextStep = 0;
    int m_elapsed = 0;
    bool m_running = false;
    bool m_fine;
    bool m_quiet = false;
    CSliderCtrl* m_sliders[4] = {};
    REDOvoroz* m_precision = nullptr;
    CPanTiltGrid* m_grid = nullptr;
};
