#pragma once

#include "editors/EffectWnd.h"

#include <QTime>

#include <functional>

class CPanTiltEffect;
class CPanTiltWnd;
class CProject;
class CSliderCtrl;
class CZKTimeEdit;
class QGroupBox;
class QRadioButton;

// The page of the moving-head figure: the figure kind and its number of
// points, the step duration, phasing, precision and offsets, with the path
// editor beside them. While the preview is stopped, changes only mark the
// steps as stale; the next play (or the window, before it applies) makes
// them, so dragging points stays cheap.
class CPanTiltEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    // Asks for a number of control points: false when cancelled.
    using PointCountRunner =
        std::function<bool(QWidget* parent, const QString& title, int initial, int minimum, int maximum, int& count)>;
    // Null restores the input dialog.
    static void SetPointCountRunner(PointCountRunner runner);

    static constexpr int kMinControls = 2;
    static constexpr int kMaxControls = 20;
    static constexpr int kMaxPrecision = 10;
    static constexpr int kMaxOffset = 64;
    static constexpr int kMaxPhi = 100;
    static constexpr int kNoStepMs = 40; // a step duration of nothing becomes this

    CPanTiltEffectWnd(CProject& project, const CEffectPageArgs& args);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override;
    int GetPlayTime() const override;
    void Tick(int elapsedMs) override;
    bool HasUngeneratedChanges() const override { return m_dirty; }

    void TogglePlay();
    void SwitchDirection();
    // 0 default, 1 start point, 2 move, 3 add, 4 remove.
    void SetEditMode(int mode);
    bool IsPlaying() const { return m_playing; }
    bool IsDirty() const { return m_dirty; }

    CPanTiltEffect* Effect() const { return m_effect; }
    CPanTiltWnd* PathEditor() const { return m_editor; }
    QRadioButton* FigureButton(int kind) const;
    CZKTimeEdit* StepEdit() const { return m_stepEdit; }
    CSliderCtrl* PhiSlider() const { return m_sliders[0]; }
    CSliderCtrl* PrecisionSlider() const { return m_sliders[1]; }
    CSliderCtrl* OffsetXSlider() const { return m_sliders[2]; }
    CSliderCtrl* OffsetYSlider() const { return m_sliders[3]; }

public slots:
    void OnPhiSliderMoved(int value);
    void OnPrecValueChanged(int value);
    void OnOffsetXChanged(int value);
    void OnOffsetYChanged(int value);
    void OnTimeChanged(const QTime& time);
    void OnPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine);

private:
    void ChooseFigure(int kind);
    void Changed();
    void ShowLength();
    bool HasFixtures() const;
    void Play();
    // Fields a stored show may hold out of range, brought into the ranges
    // the controls offer.
    void SanitiseFields();

    CProject& m_project;
    CPanTiltEffect* m_effect = nullptr; // owned by the engine
    CPanTiltWnd* m_editor = nullptr;
    QRadioButton* m_figures[7] = {};
    CZKTimeEdit* m_stepEdit = nullptr;
    CSliderCtrl* m_sliders[4] = {};
    QGroupBox* m_stepGroup = nullptr;
    QGroupBox* m_paramGroup = nullptr;
    bool m_playing = false;
    bool m_dirty = true;
};
