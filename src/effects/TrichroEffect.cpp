#include "effects/TrichroEffect.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

CTrichroEffect::CTrichroEffect()
    : CColorEffect(EffectType::Trichro)
{
}

CTrichroEffect::CTrichroEffect(int fade)
    : CColorEffect(EffectType::Trichro), m_number(8), m_size(2), m_fade(fade), m_hasFade(true)
{
    for (int i = 0; i < 8; ++i)
        m_colors.append(CDefaultEffectColors[i]);
}

QString CTrichroEffect::GetName() const
{
    switch (m_trichroType) {
    case Rainbow:
        return GetLangText(Txt::EffectRainbow);
    case Wave:
        return GetLangText(Txt::EffectWave);
    case HalfWave:
        return GetLangText(Txt::EffectHalfWave);
    case Random:
        return GetLangText(Txt::EffectRandom);
    case Wagons:
        return GetLangText(Txt::EffectWagons);
    default:
        return GetLangText(Txt::EffectSequencer);
    }
}

void CTrichroEffect::Load(CXmlDocument& doc)
{
    CColorEffect::Load(doc);
    m_trichroType = 0;
    doc.GetAttrInt(QStringLiteral("ZKETrichroType"), m_trichroType);
    doc.GetAttrInt(QStringLiteral("ZKENumber"), m_number);
    doc.GetAttrInt(QStringLiteral("ZKESize"), m_size);
    m_number = qBound(0, m_number, EffectLimits::kMaxNumber);
    m_size = qBound(0, m_size, EffectLimits::kMaxSize);
    doc.GetAttrTime(QStringLiteral("ZKEFade"), m_fade);
    doc.GetAttrBool(QStringLiteral("ZKESens"), m_sens);
    doc.GetAttrBool(QStringLiteral("ZKEHasFade"), m_hasFade);
    doc.GetAttrBool(QStringLiteral("ZKEComeBack"), m_comeBack);
    doc.GetAttrBool(QStringLiteral("ZKEContinue"), m_continue);
    ReadEffectColorList(doc, m_colors);
}

void CTrichroEffect::Save(CXmlDocument& doc) const
{
    CColorEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKETrichroType"), m_trichroType);
    doc.SetAttrInt(QStringLiteral("ZKENumber"), m_number);
    doc.SetAttrInt(QStringLiteral("ZKESize"), m_size);
    doc.SetAttrInt(QStringLiteral("ZKEFade"), m_fade);
    doc.SetAttrBool(QStringLiteral("ZKESens"), m_sens);
    doc.SetAttrBool(QStringLiteral("ZKEHasFade"), m_hasFade);
    doc.SetAttrBool(QStringLiteral("ZKEComeBack"), m_comeBack);
    doc.SetAttrBool(QStringLiteral("ZKEContinue"), m_continue);
    WriteEffectColorList(doc, m_colors);
}
