#pragma once

#include "editors/PreviewEffectWnd.h"
#include "effects/RgbwColor.h"

#include <QList>

class CColorChooser;
class CColorEffect;
class CProject;
class CSliderCtrl;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QScrollArea;

// What a page of swatches edits in its effect: the two effects keep these
// fields in their own classes, so the page is told where they are.
struct CSwatchFields
{
    int* number;
    int* size;
    int* fade;
    bool* sens;
    bool* hasFade;
    bool* comeBack;
    QList<CRgbwColor>* colors;
};

// The common ground of the pages that run up to ten colours with a number,
// a size, a speed, a direction and an intensity: their controls, and what
// those controls change in the effect.
class CSwatchEffectWnd : public CPreviewEffectWnd
{
    Q_OBJECT
public:
    QComboBox* KindList() const { return m_kind; }
    CSliderCtrl* NumberCtrl() const { return m_number; }
    CSliderCtrl* SizeCtrl() const { return m_size; }
    CSliderCtrl* SpeedCtrl() const { return m_speed; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    QCheckBox* FadeBox() const { return m_fade; }
    QCheckBox* LoopBox() const { return m_loop; }
    QPushButton* DirectionButton() const { return m_direction; }
    CColorChooser* Chooser() const { return m_chooser; }

public slots:
    void OnCheckFade(int state);
    void OnCheckComeBack(int state);
    void OnNumValueChanged(int value);
    void OnSizeValueChanged(int value);
    void OnSpeedValueChanged(int value) override;
    void OnIntensityChanged(int value) override;
    void OnSwitchDirection();
    void OnSelColorChanged(int index);
    void OnColorChanged(uchar red, uchar green, uchar blue, uchar white) override;

protected:
    CSwatchEffectWnd(CProject& project, CEffectEngine* engine, CTimeWidget* timeWidget, bool effectScene,
                     QWidget* parent);

    // Brings what a file holds into what the controls can show, and puts
    // the effect on the selection and the engine.
    void BindEffect(CColorEffect* effect, const CSwatchFields& fields);
    void CreatePreviewGroup();
    void CreateColorsGroup();
    void CreateParamsGroup(int sizeMin, int sizeMax);
    // Lays the parameters out too; the third box is the page's own option.
    void CreatePropsGroup(bool third);
    void CreateIntensityGroup();
    void ConnectControls();
    void RetranslateControls(const QString& thirdText, const QStringList& kinds);
    void ApplyEnabled(bool direction, bool fade, bool loop, bool third, bool number, int forcedNumber);
    void SetOption(bool& option, int state);
    void Regenerate(bool restart);
    void Rebind();
    void ColorControlChanged() override;

    CProject& m_project;
    QScrollArea* m_scroll = nullptr;
    bool m_comboGuard = false;
    bool m_colorGuard = false;
    bool m_numberGuard = false;
    QComboBox* m_kind = nullptr;
    QPushButton* m_direction = nullptr;
    CSliderCtrl* m_number = nullptr;
    CSliderCtrl* m_size = nullptr;
    QCheckBox* m_fade = nullptr;
    QCheckBox* m_loop = nullptr;
    QCheckBox* m_third = nullptr;
    CColorChooser* m_chooser = nullptr;
    QGroupBox* m_colorsGroup = nullptr;
    QGroupBox* m_propsGroup = nullptr;
    QGroupBox* m_intensityGroup = nullptr;

private:
    void UpdateDirectionIcon();
    void ShowSwatch(int index);

    CColorEffect* m_swatchEffect = nullptr;
    CSwatchFields m_fields{};
};
