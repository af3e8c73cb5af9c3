#pragma once

#include "editors/SwatchEffectWnd.h"

class CTrichroEffect;
class QBoxLayout;

// The page of the colour sequence: up to ten colours run over the fixtures
// in one of five patterns. Laid on a matrix it shows the matrix preview and
// arranges its groups around it.
class CTrichroEffectWnd : public CSwatchEffectWnd
{
    Q_OBJECT
public:
    CTrichroEffectWnd(CProject& project, const CTrichroEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                      CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;

    CTrichroEffect* Effect() const { return m_effect; }
    CTrichroPreviewWnd* Preview() const { return m_preview; }
    QCheckBox* ContinueBox() const { return m_third; }
    bool MatrixLayout() const { return m_matrixLayout; }

public slots:
    void OnComboChanged(int index);
    void OnCheckContinue(int state);

private:
    void CreateColorPreview();
    void CreateMatrixPreview();
    void ArrangeGroups(bool matrix);
    void UpdateEnabled(int kind);

    CTrichroEffect* m_effect;
    QBoxLayout* m_left;
    QBoxLayout* m_right;
    QBoxLayout* m_columns;
    QBoxLayout* m_main;
    bool m_matrixLayout = false;
};
