#include "effects/MatrixColorEffect.h"

#include "model/FixtureMatrix.h"
#include "model/XmlDocument.h"

CMatrixColorEffect::CMatrixColorEffect(int type)
    : CColorEffect(type)
{
}

CMatrixColorEffect::CMatrixColorEffect(int type, CFixtureMatrix* matrix, int fade)
    : CColorEffect(type), m_fade(fade)
{
    SetMatrix(matrix);
}

void CMatrixColorEffect::SetMatrix(CFixtureMatrix* matrix)
{
    // A grid the effect owned would otherwise be lost; nothing else holds it.
    if (m_ownsMatrix && m_matrix != matrix)
        delete m_matrix;
    m_matrix = matrix;
    m_ownsMatrix = matrix && matrix->IsVirtual();
    m_rows = matrix ? matrix->PixelRows() : 0;
    m_cols = matrix ? matrix->PixelColumns() : 0;
}

void CMatrixColorEffect::Load(CXmlDocument& doc)
{
    CColorEffect::Load(doc);
    doc.GetAttrInt(QStringLiteral("ZKENbRows"), m_rows);
    doc.GetAttrInt(QStringLiteral("ZKENbCols"), m_cols);
    m_rows = qBound(0, m_rows, EffectLimits::kMaxMatrixSide);
    m_cols = qBound(0, m_cols, EffectLimits::kMaxMatrixSide);
    doc.GetAttrTime(QStringLiteral("ZKEFade"), m_fade);
    doc.GetAttrBool(QStringLiteral("ZKEApplySel"), m_applySel);
}

void CMatrixColorEffect::Save(CXmlDocument& doc) const
{
    CColorEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKENbRows"), m_rows);
    doc.SetAttrInt(QStringLiteral("ZKENbCols"), m_cols);
    doc.SetAttrInt(QStringLiteral("ZKEFade"), m_fade);
    doc.SetAttrBool(QStringLiteral("ZKEApplySel"), m_applySel);
}
