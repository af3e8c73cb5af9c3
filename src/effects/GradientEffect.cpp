#include "effects/GradientEffect.h"

#include "Captions.h"
#include "effects/EffectParams.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

CGradientEffect::CGradientEffect()
    : CColorEffect(EffectType::Gradient)
{
}

CGradientEffect::CGradientEffect(int length)
    : CColorEffect(EffectType::Gradient)
{
    m_len = length;
    m_pegColors << CRgbwColor(0, 0, 0, 0) << CRgbwColor(255, 255, 255, 0);
    m_pegPositions << 0.0 << 1.0;
}

QString CGradientEffect::GetName() const
{
    return GetLangText(Txt::EffectGradient);
}

void CGradientEffect::Load(CXmlDocument& doc)
{
    CColorEffect::Load(doc);
    m_gradType = 0;
    doc.GetAttrInt(QStringLiteral("ZKEGradType"), m_gradType);
    QString colorText;
    int position = 0;
    ReadEffectParams(doc, QStringLiteral("ZKEParams"), QStringLiteral("ZKEPeg"), EffectLimits::kMaxListItems,
                     [&](CXmlDocument& item) {
                         // A missing attribute repeats the previous peg's.
                         item.GetAttrString(QStringLiteral("ZKEPegClr"), colorText);
                         item.GetAttrInt(QStringLiteral("ZKEPegPos"), position);
                         if (m_pegColors.size() >= EffectLimits::kMaxListItems)
                             return;
                         m_pegColors.append(CRgbwColor::FromString(colorText));
                         m_pegPositions.append(position / 100.0);
                     });
    // The lists are parallel for every reader after this one.
    while (m_pegPositions.size() < m_pegColors.size())
        m_pegPositions.append(1.0);
    while (m_pegColors.size() < m_pegPositions.size())
        m_pegColors.append(CRgbwColor());
}

void CGradientEffect::Save(CXmlDocument& doc) const
{
    CColorEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEGradType"), m_gradType);
    const int count = qMin(m_pegColors.size(), m_pegPositions.size());
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(count, QStringLiteral("ZKEParams"));
    for (int i = 0; i < count; ++i) {
        writer.AddEffectParam(QStringLiteral("ZKEPeg"));
        doc.SetAttrString(QStringLiteral("ZKEPegClr"), m_pegColors.at(i).ToString());
        doc.SetAttrInt(QStringLiteral("ZKEPegPos"), ToHundredths(m_pegPositions.at(i)));
    }
    writer.ReturnToEffect();
}
