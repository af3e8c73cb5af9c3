#pragma once

#include <QByteArray>
#include <QList>

// Documents of a few kilobytes (the crowded ones once compressed) that would
// have the parser build a million nodes or more. `declaresEntities` marks
// those refused for their DOCTYPE rather than for their size.
struct CHostileXml
{
    const char* name;
    QByteArray xml;
    bool declaresEntities;
};

// `count` copies of `unit` inside a root element of two nodes.
inline QByteArray CrowdedXml(const QByteArray& unit, int count)
{
    return "<ZKFile Version=\"2.0\">" + unit.repeated(count) + "</ZKFile>";
}

// One entity of a thousand elements, within the parser's bound on what an
// entity may expand to, referenced `references` times.
inline QByteArray EntityBombXml(int references)
{
    return "<?xml version=\"1.0\"?><!DOCTYPE ZKFile [<!ENTITY e \"" + QByteArray("<a/>").repeated(1000)
        + "\">]><ZKFile Version=\"2.0\">" + QByteArray("&e;").repeated(references) + "</ZKFile>";
}

// Every kind of node the parser builds, each past `maxNodes`.
inline QList<CHostileXml> HostileXmlDocuments(int maxNodes)
{
    return {
        {"entity bomb", EntityBombXml(1000), true},
        {"internal subset", "<!DOCTYPE ZKFile [<!ELEMENT ZKFile ANY>]><ZKFile Version=\"2.0\"/>", true},
        {"comments", CrowdedXml("<!---->", maxNodes), false},
        {"processing instructions", CrowdedXml("<?a?>", maxNodes), false},
        {"texts", CrowdedXml("<a/>x", maxNodes / 2), false},
        {"entity references", CrowdedXml("&a;", maxNodes), false},
        {"CDATA sections", CrowdedXml("<![CDATA[]]>", maxNodes), false},
    };
}
