#pragma once

#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QStringList>

// Documents as their readers see them: attribute order carries no meaning,
// and the DOM does not keep it from one document to the next.

// "name=value" of every attribute, in name order.
inline QStringList SortedAttributes(const QDomNode& node)
{
    QStringList attributes;
    const QDomNamedNodeMap map = node.attributes();
    for (int i = 0; i < map.count(); ++i)
        attributes << map.item(i).nodeName() + QLatin1Char('=') + map.item(i).nodeValue();
    attributes.sort();
    return attributes;
}

inline QString AttributeText(const QDomNode& node)
{
    return SortedAttributes(node).join(QLatin1Char(' '));
}

// Tag and sorted attributes of every element in document order, one line
// each, indented by depth.
inline QString Canonical(const QDomElement& element, int depth = 0)
{
    QString text = QString(depth, QLatin1Char(' ')) + element.tagName() + QLatin1Char(' ') + AttributeText(element)
                   + QLatin1Char('\n');
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        text += Canonical(child, depth + 1);
    return text;
}
