#include "effects/MatrixAnimEffect.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

CMatrixAnimEffect::CMatrixAnimEffect()
    : CMatrixColorEffect(EffectType::MatrixAnim)
{
}

CMatrixAnimEffect::CMatrixAnimEffect(CFixtureMatrix* matrix, int fade)
    : CMatrixColorEffect(EffectType::MatrixAnim, matrix, fade), m_number(8), m_size(2)
{
    for (int i = 0; i < 8; ++i)
        m_colors.append(CDefaultEffectColors[i]);
}

QString CMatrixAnimEffect::GetName() const
{
    switch (m_matrixType) {
    case Circle:
        return GetLangText(Txt::EffectCircle);
    case Square:
        return GetLangText(Txt::EffectSquare);
    case Rain:
        return GetLangText(Txt::EffectRain);
    case Butterfly:
        return GetLangText(Txt::EffectButterfly);
    case Lines:
        return GetLangText(Txt::EffectLines);
    case Rainbow:
        return GetLangText(Txt::EffectRainbow);
    case Wave:
    case PulseWave:
        return GetLangText(Txt::EffectWave);
    default:
        return GetLangText(Txt::Matrix);
    }
}

void CMatrixAnimEffect::Load(CXmlDocument& doc)
{
    CMatrixColorEffect::Load(doc);
    m_matrixType = 0;
    doc.GetAttrInt(QStringLiteral("ZKEMatrixType"), m_matrixType);
    doc.GetAttrInt(QStringLiteral("ZKENumber"), m_number);
    doc.GetAttrInt(QStringLiteral("ZKESize"), m_size);
    m_number = qBound(0, m_number, EffectLimits::kMaxNumber);
    m_size = qBound(0, m_size, EffectLimits::kMaxSize);
    doc.GetAttrBool(QStringLiteral("ZKESens"), m_sens);
    doc.GetAttrBool(QStringLiteral("ZKEHasFade"), m_hasFade);
    doc.GetAttrBool(QStringLiteral("ZKEComeBack"), m_comeBack);
    doc.GetAttrBool(QStringLiteral("ZKEVertical"), m_vertical);
    ReadEffectColorList(doc, m_colors);
}

void CMatrixAnimEffect::Save(CXmlDocument& doc) const
{
    CMatrixColorEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEMatrixType"), m_matrixType);
    doc.SetAttrInt(QStringLiteral("ZKENumber"), m_number);
    doc.SetAttrInt(QStringLiteral("ZKESize"), m_size);
    doc.SetAttrBool(QStringLiteral("ZKESens"), m_sens);
    doc.SetAttrBool(QStringLiteral("ZKEHasFade"), m_hasFade);
    doc.SetAttrBool(QStringLiteral("ZKEComeBack"), m_comeBack);
    doc.SetAttrBool(QStringLiteral("ZKEVertical"), m_vertical);
    WriteEffectColorList(doc, m_colors);
}
