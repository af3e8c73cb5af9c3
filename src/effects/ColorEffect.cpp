#include "effects/ColorEffect.h"

#include "effects/EffectParams.h"
#include "model/XmlDocument.h"

const CRgbwColor CDefaultEffectColors[10] = {
    {0, 57, 229},   {0, 229, 229}, {76, 254, 121}, {191, 255, 127}, {255, 197, 25},
    {255, 25, 25},  {255, 0, 255}, {0, 128, 128},  {76, 254, 121},  {76, 121, 254},
};

void FillDefaultColorList(QList<CRgbwColor>& colors)
{
    for (int i = colors.size(); i < kDefaultEffectColorCount; ++i)
        colors.append(CDefaultEffectColors[i]);
}

CColorEffect::CColorEffect(int type)
    : CEffect(type)
{
}

void CColorEffect::Load(CXmlDocument& doc)
{
    CEffect::Load(doc);
    doc.GetAttrInt(QStringLiteral("ZKEIntensity"), m_intensity);
    doc.GetAttrInt(QStringLiteral("ZKESaturation"), m_saturation);
}

void CColorEffect::Save(CXmlDocument& doc) const
{
    CEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEIntensity"), m_intensity);
    doc.SetAttrInt(QStringLiteral("ZKESaturation"), m_saturation);
}

void ReadEffectColorList(CXmlDocument& doc, QList<CRgbwColor>& colors)
{
    // A missing colour repeats the previous element's text.
    QString text;
    ReadEffectParams(doc, QStringLiteral("ZKEParams"), QStringLiteral("ZKETrichroClr"), EffectLimits::kMaxListItems,
                     [&](CXmlDocument& item) {
                         item.GetAttrString(QStringLiteral("ZKEClr"), text);
                         if (colors.size() < EffectLimits::kMaxListItems)
                             colors.append(CRgbwColor::FromString(text));
                     });
}

void WriteEffectColorList(CXmlDocument& doc, const QList<CRgbwColor>& colors)
{
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(colors.size(), QStringLiteral("ZKEParams"));
    for (const CRgbwColor& color : colors) {
        writer.AddEffectParam(QStringLiteral("ZKETrichroClr"));
        doc.SetAttrString(QStringLiteral("ZKEClr"), color.ToString());
    }
    writer.ReturnToEffect();
}
