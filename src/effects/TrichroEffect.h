#pragma once

#include "effects/ColorEffect.h"

// Colour sequence: a pattern of colours moving over the fixtures step by step.
class CTrichroEffect : public CColorEffect
{
public:
    enum Subtype : int { Rainbow = 0, Wave = 1, HalfWave = 2, Random = 3, Wagons = 4 };

    // Reader: everything 0/false, no colours.
    CTrichroEffect();
    // New: rainbow, 8 colours of size 2, with fade.
    explicit CTrichroEffect(int fade);
    CTrichroEffect(const CTrichroEffect& other) = default;

    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    void FillDefaultColors() { FillDefaultColorList(m_colors); }

    int m_trichroType = 0;
    int m_number = 0;
    int m_size = 0;
    int m_fade = 0; // ms per step
    bool m_sens = false;
    bool m_hasFade = false;
    bool m_comeBack = false;
    bool m_continue = false;
    QList<CRgbwColor> m_colors;
};
