#pragma once

#include "editors/EffectWnd.h"

class CColorChooser;
class CSliderCtrl;
class CMatrixAnimEffect;
class CMatrixPreviewWnd;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QScrollArea;

// The page of the matrix animation: one of eight pixel patterns drawn with
// up to ten colours over a fixture matrix.
class CMatrixEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    CMatrixEffectWnd(CProject& project, const CMatrixAnimEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                      CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override;
    int GetPlayTime() const override;
    void Tick(int elapsedMs) override;

    CMatrixAnimEffect* Effect() const { return m_effect; }
    CMatrixPreviewWnd* Preview() const { return m_preview; }
    QComboBox* KindList() const { return m_kind; }
    CSliderCtrl* NumberCtrl() const { return m_number; }
    CSliderCtrl* SizeCtrl() const { return m_size; }
    CSliderCtrl* SpeedCtrl() const { return m_speed; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    QCheckBox* FadeBox() const { return m_fade; }
    QCheckBox* LoopBox() const { return m_loop; }
    QCheckBox* VerticalBox() const { return m_vertical; }
    QPushButton* DirectionButton() const { return m_direction; }
    CColorChooser* Chooser() const { return m_chooser; }

public slots:
    void OnComboChanged(int index);
    void OnCheckFade(int state);
    void OnCheckComeBack(int state);
    void OnCheckVertical(int state);
    void OnNumValueChanged(int value);
    void OnSizeValueChanged(int value);
    void OnSpeedValueChanged(int value);
    void OnIntensityChanged(int value);
    void OnSwitchDirection();
    void OnSelColorChanged(int index);
    void OnColorChanged(uchar red, uchar green, uchar blue, uchar white) override;

protected:
    void ColorControlChanged() override;

private:
    void UpdateSizeRange();
    void Regenerate(bool restart);
    void UpdateEnabled(int kind);
    void UpdateDirectionIcon();
    void ShowSwatch(int index);
    void Rebind();

    CProject& m_project;
    CMatrixAnimEffect* m_effect;
    CMatrixPreviewWnd* m_preview = nullptr;
    QScrollArea* m_scroll;
    bool m_comboGuard = false;
    bool m_colorGuard = false;
    bool m_numberGuard = false;
    QComboBox* m_kind;
    QPushButton* m_direction;
    CSliderCtrl* m_number;
    CSliderCtrl* m_size;
    CSliderCtrl* m_speed;
    CSliderCtrl* m_intensity;
    QCheckBox* m_fade;
    QCheckBox* m_loop;
    QCheckBox* m_vertical;
    CColorChooser* m_chooser;
    QGroupBox* m_previewGroup;
    QGroupBox* m_colorsGroup;
    QGroupBox* m_paramsGroup;
    QGroupBox* m_propsGroup;
    QGroupBox* m_intensityGroup;
};
