#pragma once

#include "Captions.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

#include <QByteArray>
#include <QList>

// Documents of a few kilobytes (the crowded ones once compressed) that would
// have the parser build a million nodes or gigabytes of tree.
struct CHostileXml
{
    enum Reason { DeclaresEntities, TooManyNodes, TooMuchMemory, TooManyAttributes };
    const char* name;
    QByteArray xml;
    Reason reason;

    // The message the loader refuses it with.
    QString Error() const
    {
        switch (reason) {
        case DeclaresEntities:
            return GetLangText(Txt::DocumentDeclaresEntities);
        case TooManyNodes:
            return GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxNodes);
        case TooManyAttributes:
            return GetLangText(Txt::DocumentTooManyAttributes).arg(CXmlDocument::kMaxAttributes);
        default:
            return GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(CXmlDocument::kMaxTreeBytes / (1024 * 1024));
        }
    }
};

// `count` copies of `unit` inside a root element of two nodes.
inline QByteArray CrowdedXml(const QByteArray& unit, int count)
{
    return "<ZKFile Version=\"2.0\">" + unit.repeated(count) + "</ZKFile>";
}

// One element of `count` attributes, each named apart, in a root element.
inline QByteArray WideElementXml(int count)
{
    QByteArray element = "<a";
    for (int i = 0; i < count; ++i)
        element += " a" + QByteArray::number(i) + "=\"\"";
    return CrowdedXml(element + "/>", 1);
}

// A profile's beam positions, `count` of them, in rows of 256 cells.
inline QByteArray BeamsXml(int count)
{
    QByteArray beams = "<ZKBeams ZKNbBeam=\"" + QByteArray::number(count) + "\">";
    for (int i = 0; i < count; ++i)
        beams += "<ZKBeam ZKBeamPosX=\"" + QByteArray::number(i % 256) + "\" ZKBeamPosY=\""
            + QByteArray::number(i / 256) + "\"/>";
    return beams + "</ZKBeams>";
}

// One entity of a thousand elements, within the parser's bound on what an
// entity may expand to, referenced `references` times.
inline QByteArray EntityBombXml(int references)
{
    return "<?xml version=\"1.0\"?><!DOCTYPE ZKFile [<!ENTITY e \"" + QByteArray("<a/>").repeated(1000)
        + "\">]><ZKFile Version=\"2.0\">" + QByteArray("&e;").repeated(references) + "</ZKFile>";
}

// Every kind of node the parser builds past the node bound, and trees past
// the memory bound within it.
inline QList<CHostileXml> HostileXmlDocuments()
{
    const int maxNodes = CXmlDocument::kMaxNodes;
    return {
        {"entity bomb", EntityBombXml(1000), CHostileXml::DeclaresEntities},
        {"internal subset", "<!DOCTYPE ZKFile [<!ELEMENT ZKFile ANY>]><ZKFile Version=\"2.0\"/>",
         CHostileXml::DeclaresEntities},
        {"comments", CrowdedXml("<!---->", maxNodes), CHostileXml::TooManyNodes},
        {"processing instructions", CrowdedXml("<?a?>", maxNodes), CHostileXml::TooManyNodes},
        {"texts", CrowdedXml("<a/>x", maxNodes / 2), CHostileXml::TooManyNodes},
        {"entity references", CrowdedXml("&a;", maxNodes), CHostileXml::TooManyNodes},
        {"CDATA sections", CrowdedXml("<![CDATA[]]>", maxNodes), CHostileXml::TooManyNodes},
        {"attributes", CrowdedXml("<a b=\"1\"/>", maxNodes * 9 / 20), CHostileXml::TooMuchMemory},
        {"long names", CrowdedXml("<" + QByteArray(98, 'n') + "/>", maxNodes * 3 / 5), CHostileXml::TooMuchMemory},
        // Some 1.3 MB: the parser's time grows with the square of an element's attributes.
        {"attributes on one element", WideElementXml(150000), CHostileXml::TooManyAttributes},
    };
}
