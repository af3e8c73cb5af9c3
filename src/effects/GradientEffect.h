#pragma once

#include "effects/ColorEffect.h"

// Colours between pegs: spread over the fixtures in one step (type 0) or
// following each other in time (any other type).
class CGradientEffect : public CColorEffect
{
public:
    // Reader: no pegs.
    CGradientEffect();
    // New: black at 0.0 to white at 1.0.
    explicit CGradientEffect(int length);
    CGradientEffect(const CGradientEffect& other) = default;

    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    int m_gradType = 0;
    QList<CRgbwColor> m_pegColors;
    QList<double> m_pegPositions; // 0.0 to 1.0, parallel to m_pegColors
    QList<int> m_stepTimes;       // ms per generated step; written by the builder, not stored
};
