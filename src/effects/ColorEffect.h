#pragma once

#include "effects/Effect.h"
#include "effects/RgbwColor.h"

#include <QList>

// The colours new colour sequences and matrix animations start with; entries
// 2 and 8 are the same colour.
extern const CRgbwColor CDefaultEffectColors[10];
constexpr int kDefaultEffectColorCount = 10;

// Pads a colour list with the default colours from its own length on, up to
// ten entries; a longer list is left as it is.
void FillDefaultColorList(QList<CRgbwColor>& colors);

// The colour list of colour sequences and matrix animations in a file; read
// colours are appended.
void ReadEffectColorList(CXmlDocument& doc, QList<CRgbwColor>& colors);
void WriteEffectColorList(CXmlDocument& doc, const QList<CRgbwColor>& colors);

// Base of every effect that ends in colour records: intensity and saturation
// are applied to the raw colours after generation.
class CColorEffect : public CEffect
{
public:
    explicit CColorEffect(int type);
    CColorEffect(const CColorEffect& other) = default;

    bool IsColor() const override { return true; }
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    int m_intensity = 100; // percent
    int m_saturation = 0;
};
