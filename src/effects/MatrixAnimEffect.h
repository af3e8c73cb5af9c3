#pragma once

#include "effects/MatrixColorEffect.h"

// A generated colour animation on a matrix, one of eight pattern kinds.
class CMatrixAnimEffect : public CMatrixColorEffect
{
public:
    enum Pattern : int {
        Circle = 0,
        Square = 1,
        Rain = 2,
        Butterfly = 3,
        Lines = 4,
        Rainbow = 5,
        Wave = 6,
        PulseWave = 7,
    };

    // Reader: everything 0 but the fade flag, no colours.
    CMatrixAnimEffect();
    // New: circle, 8 colours of size 2, with fade.
    CMatrixAnimEffect(CFixtureMatrix* matrix, int fade);
    CMatrixAnimEffect(const CMatrixAnimEffect& other) = default;

    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    void FillDefaultColors() { FillDefaultColorList(m_colors); }

    int m_matrixType = 0;
    int m_number = 0;
    int m_size = 0;
    bool m_sens = false;
    bool m_hasFade = true;
    bool m_comeBack = false;
    bool m_vertical = false;
    QList<CRgbwColor> m_colors;
};
