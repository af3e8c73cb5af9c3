#include "effects/MatrixTextEffect.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

namespace {

// Out-of-range sizes and weights from a file become the font's defaults or
// limits; the font keeps -1 as "default".
QFont MakeFont(const QString& family, int pointSize, int weight, bool italic)
{
    const int size = pointSize > 0 ? qMin(pointSize, EffectLimits::kMaxFontPointSize) : -1;
    const int fontWeight = weight >= 0 ? qMin(weight, 99) : -1;
    return QFont(family, size, fontWeight, italic);
}

} // namespace

CMatrixTextEffect::CMatrixTextEffect()
    : CMatrixColorEffect(EffectType::MatrixText), m_font(QStringLiteral("Arial"), 8)
{
}

CMatrixTextEffect::CMatrixTextEffect(CFixtureMatrix* matrix, int fade, const QString& text, const QFont& font,
                                     int hOffset, int vOffset, int direction, const CRgbwColor& textColor,
                                     const CRgbwColor& backColor)
    : CMatrixColorEffect(EffectType::MatrixText, matrix, fade)
    , m_text(text)
    , m_font(font)
    , m_hOffset(hOffset)
    , m_vOffset(vOffset)
    , m_direction(direction)
    , m_textColor(textColor)
    , m_backColor(backColor)
{
}

QString CMatrixTextEffect::GetName() const
{
    return GetLangText(Txt::EffectText);
}

void CMatrixTextEffect::Load(CXmlDocument& doc)
{
    CMatrixColorEffect::Load(doc);
    doc.GetAttrString(QStringLiteral("ZKEText"), m_text);
    m_text.truncate(EffectLimits::kMaxTextLength);
    QString family = QStringLiteral("Arial");
    int pointSize = -1;
    int weight = -1;
    bool italic = false;
    doc.GetAttrString(QStringLiteral("ZKEFontFamily"), family);
    doc.GetAttrInt(QStringLiteral("ZKEFontPointSize"), pointSize);
    doc.GetAttrInt(QStringLiteral("ZKEFontWeight"), weight);
    doc.GetAttrBool(QStringLiteral("ZKEFontItalic"), italic);
    m_font = MakeFont(family, pointSize, weight, italic);
    doc.GetAttrInt(QStringLiteral("ZKEHOffset"), m_hOffset);
    doc.GetAttrInt(QStringLiteral("ZKEVOffset"), m_vOffset);
    m_direction = 0;
    doc.GetAttrInt(QStringLiteral("ZKEDirection"), m_direction);
    // Stored files rely on it: one text buffer, so a missing back colour
    // repeats the text colour.
    QString colorText;
    doc.GetAttrString(QStringLiteral("ZKETextClr"), colorText);
    m_textColor = CRgbwColor::FromString(colorText);
    doc.GetAttrString(QStringLiteral("ZKEBackClr"), colorText);
    m_backColor = CRgbwColor::FromString(colorText);
}

void CMatrixTextEffect::Save(CXmlDocument& doc) const
{
    CMatrixColorEffect::Save(doc);
    doc.SetAttrString(QStringLiteral("ZKEText"), m_text);
    doc.SetAttrString(QStringLiteral("ZKEFontFamily"), m_font.family());
    doc.SetAttrInt(QStringLiteral("ZKEFontPointSize"), m_font.pointSize());
    doc.SetAttrInt(QStringLiteral("ZKEFontWeight"), m_font.weight());
    doc.SetAttrBool(QStringLiteral("ZKEFontItalic"), m_font.style() != QFont::StyleNormal);
    doc.SetAttrInt(QStringLiteral("ZKEHOffset"), m_hOffset);
    doc.SetAttrInt(QStringLiteral("ZKEVOffset"), m_vOffset);
    doc.SetAttrInt(QStringLiteral("ZKEDirection"), m_direction);
    doc.SetAttrString(QStringLiteral("ZKETextClr"), m_textColor.ToString());
    doc.SetAttrString(QStringLiteral("ZKEBackClr"), m_backColor.ToString());
}
