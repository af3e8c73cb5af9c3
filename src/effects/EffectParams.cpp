#include "effects/EffectParams.h"

#include "model/XmlDocument.h"

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
    const double scaled = value * 100.0 + 1e-6;
    if (!(scaled > -2147483648.0)) // also NaN
        return 0;
    if (scaled >= 2147483647.0)
        return 2147483647;
    return int(scaled);
}
