#pragma once

#include "editors/EffectWnd.h"

#include <QTime>

class CGradientCtrl;
class CGradientEffect;
class CSliderCtrl;
class CZKTimeEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The page of the colour gradient. It has no preview of its own: while
// edited levels go out, its tick plays the generated steps on the fixtures.
class CGradientEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    CGradientEffectWnd(CProject& project, const CGradientEffect* effect, CEffectEngine* engine,
                       CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override { return m_current; }
    int GetPlayTime() const override { return m_elapsed; }
    void Tick(int elapsedMs) override;

    CGradientEffect* Effect() const { return m_effect; }
    CGradientCtrl* GradientCtrl() const { return m_gradient; }
    CZKTimeEdit* TimeEdit() const { return m_timeEdit; }
    QPushButton* DeleteButton() const { return m_delete; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    int NextStep() const { return m_next; }

    // The longest length the time edit takes.
    static constexpr int kMaxLengthMs = (43 * 60 + 59) * 1000 + 999;

public slots:
    void OnSelPegChanged(int index);
    void OnSelPegMoved(int index);
    void OnTimeChanged(const QTime& time);
    void OnIntensityChanged(int value);
    void OnClickedStatic();
    void OnClickedDynamic();
    void OnDelete();
    void OnColorChanged(uchar red, uchar green, uchar blue, uchar white) override;

protected:
    void ColorControlChanged() override;

private:
    void Regenerate(bool restart);
    void ShowPegColor(int index);
    void WriteLevels(int current, int next, float t);

    CProject& m_project;
    CGradientEffect* m_effect;
    int m_current = 0;
    int m_next = 1;
    int m_stepDuration = 40;
    int m_elapsed = 0;
    bool m_regenerating = false;
    bool m_colorGuard = false;
    CZKTimeEdit* m_timeEdit;
    QPushButton* m_delete;
    CGradientCtrl* m_gradient;
    CSliderCtrl* m_intensity;
    QRadioButton* m_static;
    QRadioButton* m_dynamic;
    QLabel* m_hint;
    QGroupBox* m_durationGroup;
    QGroupBox* m_typeGroup;
    QGroupBox* m_intensityGroup;
};
