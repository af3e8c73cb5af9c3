#pragma once

#include "editors/SwatchEffectWnd.h"

class CMatrixAnimEffect;
class CMatrixPreviewWnd;

// The page of the matrix animation: one of eight pixel patterns drawn with
// up to ten colours over a fixture matrix.
class CMatrixEffectWnd : public CSwatchEffectWnd
{
    Q_OBJECT
public:
    CMatrixEffectWnd(CProject& project, const CMatrixAnimEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                      CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;

    CMatrixAnimEffect* Effect() const { return m_effect; }
    CMatrixPreviewWnd* Preview() const;
    QCheckBox* VerticalBox() const { return m_third; }

public slots:
    void OnComboChanged(int index);
    void OnCheckVertical(int state);

private:
    int SizeMax() const;
    void UpdateEnabled(int kind);

    CMatrixAnimEffect* m_effect;
};
