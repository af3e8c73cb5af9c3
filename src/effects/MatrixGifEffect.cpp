#include "effects/MatrixGifEffect.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

#include <QFileInfo>

CMatrixGifEffect::CMatrixGifEffect()
    : CMatrixColorEffect(EffectType::MatrixGif)
{
}

CMatrixGifEffect::CMatrixGifEffect(CFixtureMatrix* matrix, int fade)
    : CMatrixColorEffect(EffectType::MatrixGif, matrix, fade)
{
}

QString CMatrixGifEffect::GetName() const
{
    return m_file.isEmpty() ? GetLangText(Txt::EffectAnimated) : QFileInfo(m_file).completeBaseName();
}

void CMatrixGifEffect::Load(CXmlDocument& doc)
{
    CMatrixColorEffect::Load(doc);
    doc.GetAttrString(QStringLiteral("ZKEFile"), m_file);
}

void CMatrixGifEffect::Save(CXmlDocument& doc) const
{
    CMatrixColorEffect::Save(doc);
    doc.SetAttrString(QStringLiteral("ZKEFile"), m_file);
}
