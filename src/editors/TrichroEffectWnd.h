#pragma once

#include "editors/EffectWnd.h"

class CColorChooser;
class CSliderCtrl;
class CTrichroEffect;
class CTrichroPreviewWnd;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QScrollArea;

// The page of the colour sequence: up to ten colours run over the fixtures
// in one of five patterns. Laid on a matrix it shows the matrix preview and
// arranges its groups around it.
class CTrichroEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    CTrichroEffectWnd(CProject& project, const CTrichroEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                      CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override;
    int GetPlayTime() const override;
    void Tick(int elapsedMs) override;

    CTrichroEffect* Effect() const { return m_effect; }
    CTrichroPreviewWnd* Preview() const { return m_preview; }
    QComboBox* KindList() const { return m_kind; }
    CSliderCtrl* NumberCtrl() const { return m_number; }
    CSliderCtrl* SizeCtrl() const { return m_size; }
    CSliderCtrl* SpeedCtrl() const { return m_speed; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    QCheckBox* FadeBox() const { return m_fade; }
    QCheckBox* LoopBox() const { return m_loop; }
    QCheckBox* ContinueBox() const { return m_continue; }
    QPushButton* DirectionButton() const { return m_direction; }
    CColorChooser* Chooser() const { return m_chooser; }
    bool MatrixLayout() const { return m_matrixLayout; }

public slots:
    void OnComboChanged(int index);
    void OnCheckFade(int state);
    void OnCheckComeBack(int state);
    void OnCheckContinue(int state);
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
    void CreateColorPreview();
    void CreateMatrixPreview();
    void ArrangeGroups(bool matrix);
    void Regenerate(bool restart);
    void UpdateEnabled(int kind);
    void UpdateDirectionIcon();
    void ShowSwatch(int index);
    void Rebind();

    CProject& m_project;
    CTrichroEffect* m_effect;
    CTrichroPreviewWnd* m_preview = nullptr;
    QScrollArea* m_scroll;
    QBoxLayout* m_left;
    QBoxLayout* m_right;
    QBoxLayout* m_columns;
    QBoxLayout* m_main;
    bool m_comboGuard = false;
    bool m_colorGuard = false;
    bool m_numberGuard = false;
    bool m_colorLayout = false;
    bool m_matrixLayout = false;
    QComboBox* m_kind;
    QPushButton* m_direction;
    CSliderCtrl* m_number;
    CSliderCtrl* m_size;
    CSliderCtrl* m_speed;
    CSliderCtrl* m_intensity;
    QCheckBox* m_fade;
    QCheckBox* m_loop;
    QCheckBox* m_continue;
    CColorChooser* m_chooser;
    QGroupBox* m_previewGroup;
    QGroupBox* m_colorsGroup;
    QGroupBox* m_paramsGroup;
    QGroupBox* m_propsGroup;
    QGroupBox* m_intensityGroup;
};
