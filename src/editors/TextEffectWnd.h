#pragma once

#include "editors/PreviewEffectWnd.h"
#include "widgets/DirectionCtrl.h"

#include <QFont>
#include <QPointer>

#include <functional>

class CColorChooser;
class CColorPresetCtrlBase;
class CMatrixPreviewWnd;
class CMatrixTextEffect;
class CProject;
class CSliderCtrl;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The page of a text scrolled across a fixture matrix: text, font, text and
// background colours, offsets, direction, speed and intensity, with the
// matrix preview below. Every change regenerates and restarts the preview.
class CTextEffectWnd : public CPreviewEffectWnd
{
    Q_OBJECT
public:
    // Asks for a font: false when cancelled.
    using FontRunner = std::function<bool(QWidget* parent, const QFont& initial, QFont& chosen)>;
    // Null restores the font dialog.
    static void SetFontRunner(FontRunner runner);

    static constexpr int kStepUnitMs = 40; // one speed notch
    static constexpr int kMinIntensity = 10;

    CTextEffectWnd(CProject& project, const CEffectPageArgs& args);

    // The colour wheel the swatches are edited with; null for none.
    void SetColorControl(CColorPresetCtrlBase* control);

    void OnColorChanged(uchar red, uchar green, uchar blue, uchar white) override;
    void Retranslate() override;

    void SetMatrix(CFixtureMatrix* matrix) override;

    CMatrixTextEffect* Effect() const { return m_effect; }
    CMatrixPreviewWnd* Preview() const;
    CColorChooser* Chooser() const { return m_chooser; }
    QLineEdit* TextEdit() const { return m_textEdit; }
    QPushButton* FontButton() const { return m_fontButton; }
    QSpinBox* HorzOffset() const { return m_offsets[0]; }
    QSpinBox* VertOffset() const { return m_offsets[1]; }
    CSliderCtrl* SpeedSlider() const { return m_speed; }
    CSliderCtrl* IntensitySlider() const { return m_intensity; }
    CDirectionCtrl* DirectionPad() const { return m_direction; }

public slots:
    void OnTextEdited(const QString& text);
    void OnFont();
    void OnHorzOffsetChanged(int value);
    void OnVertOffsetChanged(int value);
    void OnSpeedValueChanged(int speed) override;
    void OnIntensityChanged(int intensity) override;
    void OnDirectionChanged(eDirection direction);
    void OnSelColorChanged(int index);

protected:
    void ColorControlChanged() override;

private:
    void ShowLength();
    void EnableOffsetsByDirection();
    // Offset ranges follow the matrix; stored fields are brought into them.
    void FitToMatrix();

    CProject& m_project;
    CMatrixTextEffect* m_effect = nullptr; // owned by the engine
    QLineEdit* m_textEdit = nullptr;
    QPushButton* m_fontButton = nullptr;
    CColorChooser* m_chooser = nullptr;
    QSpinBox* m_offsets[2] = {};
    QLabel* m_offsetLabels[2] = {};
    CSliderCtrl* m_speed = nullptr;
    CSliderCtrl* m_intensity = nullptr;
    CDirectionCtrl* m_direction = nullptr;
    QGroupBox* m_groups[5] = {}; // preview, text, colours, offset, speed
    bool m_guard = false;
};
