#include "effects/EffectParams.h"

#include "model/XmlDocument.h"

#include <algorithm>
#include <cmath>

CEffectParamWriter::CEffectParamWriter(CXmlDocument& doc)
    : m_doc(doc), m_effect(doc.CurrentElement())
{
}

void CEffectParamWriter::BeginEffectParams(int count, const QString& tag)
{
    m_doc.AddElement(tag, m_effect);
    m_list = m_doc.CurrentElement();
    m_doc.SetAttrInt(QStringLiteral("ZKENumber"), count);
}

void CEffectParamWriter::AddEffectParam(const QString& tag)
{
    m_doc.AddElement(tag, m_list);
}

void CEffectParamWriter::ReturnToEffect()
{
    m_doc.CurrentElement() = m_effect;
}

int ReadEffectParams(CXmlDocument& doc, const QString& listTag, const QString& itemTag, int maxItems,
                     const std::function<void(CXmlDocument&)>& readItem)
{
    const QDomElement effect = doc.CurrentElement();
    if (!doc.SelectElement(listTag, 0))
        return 0;
    const QDomElement list = doc.CurrentElement();
    // The stored count is not trusted: the children are counted.
    int count = 0;
    for (QDomElement item = list.firstChildElement(itemTag); !item.isNull() && count < maxItems;
         item = item.nextSiblingElement(itemTag)) {
        doc.CurrentElement() = item;
        readItem(doc);
        ++count;
    }
    doc.CurrentElement() = effect;
    return count;
}

int ToHundredths(double value)
{
    // Most of these values live in floats: 2.34f is 2.3399999..., whose
    // hundredths would truncate to 233 and lose one on every save. A nudge of
    // a millionth of the value, away from zero, keeps exact hundredths.
    const double raw = value * 100.0;
    const double scaled = raw + std::copysign(std::max(1e-6, std::fabs(raw) * 1e-6), raw);
    if (!(scaled > -2147483648.0)) // also NaN
        return 0;
    if (scaled >= 2147483647.0)
        return 2147483647;
    return int(scaled);
}
