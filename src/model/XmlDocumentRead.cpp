// The reader: a file's text decoded, scanned for its structure and held to
// the bounds on depth, nodes and memory before any tree is built, then the
// tree built whole or with one section's children deferred.

#include "model/XmlDocument.h"

#include "Captions.h"
#include "model/Language.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>

namespace {

// Largest stored form of a document of kMaxDocumentBytes in each mode.
qint64 MaxStoredBytes(int mode)
{
    return mode == CXmlDocument::HexStorage ? 2 * qint64(CXmlDocument::kMaxDocumentBytes) + 2
                                            : qint64(CXmlDocument::kMaxDocumentBytes) + 16;
}

// Elements, attributes and text only (no declaration, comment, section or
// instruction), without a carriage return or tab anywhere and without a line
// break inside an attribute value: the text every show this program writes
// is, which both readers turn into the same tree.
bool IsPlainMarkup(const QByteArray& xml)
{
    const char* p = xml.constData();
    const char* const end = p + xml.size();
    bool inTag = false;
    char quote = 0;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '\r' || c == '\t')
            return false;
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\n')
                return false;
        } else if (inTag) {
            if (c == '"' || c == '\'')
                quote = c;
            else if (c == '>')
                inTag = false;
        } else if (c == '<') {
            if (p + 1 < end && (p[1] == '!' || p[1] == '?'))
                return false;
            inTag = true;
        }
    }
    return true;
}

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsBuiltInEntity(const char* name, const char* end)
{
    const size_t size = size_t(end - name);
    if (size > 0 && *name == '#')
        return true;
    for (const char* builtIn : {"lt", "gt", "amp", "apos", "quot"}) {
        if (std::strlen(builtIn) == size && std::memcmp(name, builtIn, size) == 0)
            return true;
    }
    return false;
}

// The nodes the parser builds from the text between two pieces of markup,
// counted until they pass `limit`: none for white space alone, which it
// drops; otherwise one for each run of text and one for each reference to
// an entity it cannot expand, which splits the text around it.
qint64 TextNodes(const char* p, const char* const end, qint64 limit)
{
    qint64 nodes = 0;
    bool inText = false;
    for (; p < end && nodes <= limit; ++p) {
        if (*p == '&') {
            const char* const semicolon = static_cast<const char*>(std::memchr(p, ';', size_t(end - p)));
            if (!semicolon)
                break; // where the parser stops
            if (IsBuiltInEntity(p + 1, semicolon)) {
                inText = true;
            } else {
                nodes += inText ? 2 : 1;
                inText = false;
            }
            p = semicolon;
        } else if (!IsXmlSpace(*p)) {
            inText = true;
        }
    }
    return nodes + (inText ? 1 : 0);
}

// What the DOM takes for each node, attribute and byte of text, measured
// on large documents and rounded up.
constexpr qint64 kTreeNodeBytes = 220;
constexpr qint64 kTreeAttributeBytes = 560;
constexpr qint64 kTreeTextBytes = 4;

std::atomic<qint64> g_scannedBytes{0};
std::atomic<qint64> g_parsedBytes{0};

} // namespace

// ---- Structure scan and bounds ----

qint64 CXmlDocument::TreeBytes(qint64 nodes, qint64 attributes, qint64 bytes)
{
    return nodes * kTreeNodeBytes + attributes * kTreeAttributeBytes + bytes * kTreeTextBytes;
}

CXmlDocument::SReadWork CXmlDocument::ReadWork()
{
    SReadWork work;
    work.scanned = g_scannedBytes.load();
    work.parsed = g_parsedBytes.load();
    return work;
}

bool CXmlDocument::CheckStructure(const QByteArray& xml, QString& error, SDeferredChildren* deferred)
{
    const char* scannedTo = xml.constData();
    const bool passed = ScanStructure(xml, error, deferred, scannedTo);
    g_scannedBytes += scannedTo - xml.constData();
    return passed;
}

bool CXmlDocument::ScanStructure(const QByteArray& xml, QString& error, SDeferredChildren* deferred,
                                 const char*& scannedTo)
{
    // A scan of the markup, not a parser: it accepts whatever the parser
    // accepts (old files hold characters a strict reader refuses) and
    // counts every node the parser would build, exactly or a little over,
    // up to the first error, where the parser stops too.
    const char* const begin = xml.constData();
    const char* p = begin;
    const char* const end = p + xml.size();
    const auto skipPast = [&](const char* marker) {
        const char* found = std::search(p, end, marker, marker + std::strlen(marker));
        p = found == end ? end : found + std::strlen(marker);
    };
    // Inside a tag a quoted value may hold '>', '=' or '['.
    char quote = 0;
    const auto quoted = [&quote](char c) {
        if (quote) {
            if (c == quote)
                quote = 0;
            return true;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            return true;
        }
        return false;
    };
    int depth = 0;
    qint64 nodes = 0;
    qint64 attributes = 0;

    // Where the deferred children are cut out: each is one whole element
    // of the section, so that the rest and every child parse on their own.
    SDeferredChildren* const cut = deferred && deferred->section && deferred->child ? deferred : nullptr;
    if (cut) {
        cut->ranges.clear();
        cut->subRanges.clear();
        cut->subFirst.clear();
        cut->rangeCut.clear();
    }
    const int cutCount = cut ? 1 + cut->others.size() : 0;
    bool anySubs = false;
    for (int i = 0; i < cutCount; ++i)
        anySubs = anySubs || (cut->Cut(i).subSection && cut->Cut(i).subChild);
    // The section open (its place in the cuts), and those met: only the
    // first of each name is cut apart.
    int section = -1;
    QVector<bool> sectionMet(cutCount, false);
    SDeferredChildren::SCut open;
    bool cutSubs = false;
    bool cutSafe = cut != nullptr;
    const char* childStart = nullptr;
    qint64 childNodes = 0, childAttributes = 0;
    qint64 cutNodes = 0, cutAttributes = 0, cutBytes = 0, largestChild = 0, largestChildNodes = 0;
    const auto nameIs = [&end](const char* name, const char* wanted) {
        const size_t size = std::strlen(wanted);
        return size_t(end - name) > size && std::memcmp(name, wanted, size) == 0
            && (IsXmlSpace(name[size]) || name[size] == '/' || name[size] == '>');
    };
    // Within the open child, its own deferred children (a page's scenes):
    // the child's tree is weighed without them, and with the largest, which
    // is built while the child's tree is held.
    enum { BeforeSub, InSub, AfterSub } subSection = BeforeSub;
    const char* subStart = nullptr;
    qint64 subNodes = 0, subAttributes = 0;
    qint64 subCutNodes = 0, subCutAttributes = 0, subCutBytes = 0, largestSub = 0;
    const auto endSub = [&] {
        const qint64 n = nodes - subNodes, a = attributes - subAttributes, bytes = p - subStart;
        cut->subRanges.append({int(subStart - begin), int(p - begin)});
        subCutNodes += n;
        subCutAttributes += a;
        subCutBytes += bytes;
        largestSub = std::max(largestSub, TreeBytes(n, a, bytes));
        subStart = nullptr;
    };
    // What the open child's trees weigh at least: its own and its largest
    // deferred child, the open one included.
    const auto childTreeBytes = [&] {
        const qint64 n = nodes - childNodes, a = attributes - childAttributes, bytes = p - childStart;
        qint64 sn = 0, sa = 0, sbytes = 0;
        if (subStart) {
            sn = nodes - subNodes;
            sa = attributes - subAttributes;
            sbytes = p - subStart;
        }
        return TreeBytes(n - subCutNodes - sn, a - subCutAttributes - sa, bytes - subCutBytes - sbytes)
            + std::max(largestSub, TreeBytes(sn, sa, sbytes));
    };
    const auto startChild = [&](const char* at, int cutIndex) {
        childStart = at;
        cut->rangeCut.append(cutIndex);
        childNodes = nodes;
        childAttributes = attributes;
        subSection = BeforeSub;
        subStart = nullptr;
        subCutNodes = subCutAttributes = subCutBytes = largestSub = 0;
        cut->subFirst.append(cut->subRanges.size());
    };
    const auto endChild = [&] {
        const qint64 n = nodes - childNodes, a = attributes - childAttributes, bytes = p - childStart;
        if (subStart) {
            // Cut apart where it does not close, it would not parse as the
            // whole does: the child is weighed and built whole.
            cut->subRanges.resize(cut->subFirst.last());
            subStart = nullptr;
            subCutNodes = subCutAttributes = subCutBytes = largestSub = 0;
        }
        const qint64 weight = childTreeBytes();
        largestChildNodes = std::max(largestChildNodes, n + a - subCutNodes - subCutAttributes);
        cut->ranges.append({int(childStart - begin), int(p - begin)});
        cutNodes += n;
        cutAttributes += a;
        cutBytes += bytes;
        largestChild = std::max(largestChild, weight);
        childStart = nullptr;
    };
    // What the trees weigh at least, whatever follows: the rest so far and
    // the largest child, the open one included. Past the bound the file is
    // refused there, not at its end.
    const auto treeBytesSoFar = [&] {
        qint64 n = 0, a = 0, bytes = 0;
        if (childStart) {
            n = nodes - childNodes;
            a = attributes - childAttributes;
            bytes = p - childStart;
        }
        return TreeBytes(nodes - cutNodes - n, attributes - cutAttributes - a, (p - begin) - cutBytes - bytes)
            + std::max(largestChild, childStart ? childTreeBytes() : 0);
    };
    const auto dropCut = [&] {
        cut->ranges.clear();
        cut->subRanges.clear();
        cut->subFirst.clear();
        cut->rangeCut.clear();
    };
    // The nodes of the tree that markup here belongs to (the rest, the open
    // child without its deferred children, or its open deferred child): no
    // other grows meanwhile, so each is held to kMaxNodes as it grows.
    const auto innerTreeNodes = [&] {
        const qint64 all = nodes + attributes;
        if (childStart && subStart)
            return all - subNodes - subAttributes;
        if (childStart)
            return all - childNodes - childAttributes - subCutNodes - subCutAttributes;
        return all - cutNodes - cutAttributes;
    };
    const auto tooManyNodes = [&](qint64 bound) {
        if (cut)
            dropCut();
        scannedTo = p;
        error = GetLangText(Txt::DocumentTooManyElements).arg(bound);
        return false;
    };
    const auto tooMuchMemory = [&] {
        if (cut)
            dropCut();
        scannedTo = p;
        error = GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(kMaxTreeBytes / (1024 * 1024));
        return false;
    };

    while (p < end) {
        const char* const tag = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        nodes += TextNodes(p, tag ? tag : end,
                           std::min(kMaxDocumentNodes - nodes - attributes, kMaxNodes - innerTreeNodes()));
        if (nodes + attributes > kMaxDocumentNodes)
            break;
        if (innerTreeNodes() > kMaxNodes)
            return tooManyNodes(kMaxNodes);
        if (!tag || tag + 1 >= end) {
            p = end;
            break;
        }
        p = tag + 1;
        if (*p == '/') {
            depth = std::max(0, depth - 1);
            skipPast(">");
            if (cutSubs && childStart && depth == 4 && subStart)
                endSub();
            else if (cutSubs && childStart && depth == 3 && subSection == InSub)
                subSection = AfterSub;
            else if (cut && depth == 2 && childStart)
                endChild();
            else if (cut && depth == 1 && section >= 0)
                section = -1;
            continue;
        }
        // A section may hold lists of several kinds, each cut apart.
        for (int i = section; cut && depth == 2 && section >= 0 && i < cutCount; ++i) {
            const SDeferredChildren::SCut candidate = cut->Cut(i);
            if (candidate.section && candidate.child && std::strcmp(candidate.section, cut->Cut(section).section) == 0
                && nameIs(p, candidate.child)) {
                open = candidate;
                startChild(tag, i);
                cutSubs = open.subSection && open.subChild;
                break;
            }
        }
        if (cutSubs && childStart && depth == 4 && subSection == InSub && nameIs(p, open.subChild)) {
            subStart = tag;
            subNodes = nodes;
            subAttributes = attributes;
        }
        ++nodes;
        if (*p == '?') {
            // Cut out of their text, the children would be read as UTF-8.
            const char* const instruction = p;
            skipPast("?>");
            if (depth == 0 && nameIs(instruction + 1, "xml")) {
                const QByteArray declaration = QByteArray::fromRawData(instruction, int(p - instruction)).toLower();
                const int encoding = declaration.indexOf("encoding");
                if (encoding >= 0 && declaration.indexOf("utf-8", encoding) < 0)
                    cutSafe = false;
            }
        } else if (end - p >= 3 && std::memcmp(p, "!--", 3) == 0) {
            p += 3;
            skipPast("-->");
        } else if (end - p >= 8 && std::memcmp(p, "![CDATA[", 8) == 0) {
            skipPast("]]>");
        } else if (*p == '!') {
            // No file of ours declares anything: entities defined in the
            // document could expand a few bytes into gigabytes of nodes.
            quote = 0;
            for (; p < end && (quote || *p != '>'); ++p) {
                if (!quoted(*p) && *p == '[') {
                    scannedTo = p;
                    error = GetLangText(Txt::DocumentDeclaresEntities);
                    return false;
                }
            }
            p = std::min(p + 1, end);
            cutSafe = false;
        } else {
            const char* const name = p;
            int elementAttributes = 0;
            quote = 0;
            for (; p < end && (quote || *p != '>'); ++p) {
                if (quoted(*p)) {
                    // Nothing inside a value counts: on to its closing
                    // quote (a step's levels are tens of kilobytes).
                    if (quote) {
                        const auto* close = static_cast<const char*>(std::memchr(p + 1, quote, size_t(end - p - 1)));
                        p = close ? close - 1 : end - 1;
                    }
                    continue;
                }
                if (*p == '=' && ++elementAttributes > kMaxAttributes) {
                    scannedTo = p;
                    error = GetLangText(Txt::DocumentTooManyAttributes).arg(kMaxAttributes);
                    return false;
                }
            }
            attributes += elementAttributes;
            const bool empty = p < end && p[-1] == '/';
            static const char kXmlns[] = "xmlns";
            // A child alone would lose its namespaces, and so would a child's
            // own child those of the child and of its list.
            if (cut && depth <= (anySubs ? 3 : 1) && std::search(name, p, kXmlns, kXmlns + sizeof kXmlns - 1) != p)
                cutSafe = false;
            for (int i = 0; cut && depth == 1 && i < cutCount; ++i) {
                if (!sectionMet[i] && cut->Cut(i).section && cut->Cut(i).child && nameIs(name, cut->Cut(i).section)) {
                    for (int j = i; j < cutCount; ++j)
                        sectionMet[j] = sectionMet[j] || (cut->Cut(j).section && std::strcmp(cut->Cut(j).section, cut->Cut(i).section) == 0);
                    section = empty ? -1 : i;
                    break;
                }
            }
            if (cutSubs && childStart && depth == 3 && subSection == BeforeSub && nameIs(name, open.subSection))
                subSection = empty ? AfterSub : InSub;
            if (p < end && !empty && ++depth > kMaxDepth) {
                scannedTo = p;
                error = GetLangText(Txt::DocumentTooDeep).arg(kMaxDepth);
                return false;
            }
            p = std::min(p + 1, end);
            if (cutSubs && empty && childStart && depth == 4 && subStart)
                endSub();
            else if (cut && empty && depth == 2 && childStart)
                endChild();
        }
        if (nodes + attributes > kMaxDocumentNodes)
            break;
        if (treeBytesSoFar() > kMaxTreeBytes)
            return tooMuchMemory();
    }
    scannedTo = p;
    if (nodes + attributes > kMaxDocumentNodes)
        return tooManyNodes(kMaxDocumentNodes);
    if (cut && (!cutSafe || childStart))
        dropCut();
    if (!cut || cut->ranges.isEmpty())
        cutNodes = cutAttributes = cutBytes = largestChild = largestChildNodes = 0;
    // Children not cut apart after all are part of the rest.
    if (std::max(nodes + attributes - cutNodes - cutAttributes, largestChildNodes) > kMaxNodes)
        return tooManyNodes(kMaxNodes);
    if (cut && !cut->ranges.isEmpty())
        cut->subFirst.append(cut->subRanges.size());
    // Markup counts as text here: an estimate a little over, never under.
    if (TreeBytes(nodes - cutNodes, attributes - cutAttributes, xml.size() - cutBytes) + largestChild > kMaxTreeBytes)
        return tooMuchMemory();
    return true;
}

// ---- Reading and building the tree ----

bool CXmlDocument::LoadFile(const QString& path, QString& error)
{
    QByteArray xml;
    return ReadDocumentText(path, xml, error) && ParseDocumentText(xml, error);
}

bool CXmlDocument::ReadDocumentText(const QString& path, QByteArray& xml, QString& error,
                                    SDeferredChildren* deferred)
{
    xml.clear();
    const int mode = GetStorageMode(path);
    QByteArray stored;
    if (!ReadWholeFile(path, MaxStoredBytes(mode), stored, error))
        return false;
    if (!DecodeStorage(mode, stored, xml, error))
        return false;
    stored.clear();

    if (!CheckStructure(xml, error, deferred)) {
        xml.clear();
        return false;
    }
    return true;
}

bool CXmlDocument::ParseDocumentText(const QByteArray& xml, QString& error, const SDeferredChildren* deferred)
{
    DropDeferred();
    if (!deferred || deferred->ranges.isEmpty())
        return BuildTree(m_document, xml, error) && AdoptRoot(error);

    QByteArray rest;
    int from = 0;
    for (const auto& range : deferred->ranges) {
        rest.append(xml.constData() + from, range.first - from);
        from = range.second;
    }
    rest.append(xml.constData() + from, xml.size() - from);
    // The rest is parsed first: an error there is reported where it is in
    // the file, as if the tree were built whole.
    if (!BuildTree(m_document, rest, error) || !AdoptRoot(error))
        return false;
    m_deferredText = xml;
    m_deferredRanges = deferred->ranges;
    if (deferred->subFirst.size() == deferred->ranges.size() + 1) {
        m_deferredSubRanges = deferred->subRanges;
        m_deferredSubFirst = deferred->subFirst;
    }
    m_deferredRangeCut = deferred->rangeCut;
    m_deferredRangeCut.resize(m_deferredRanges.size());
    m_deferredCuts = *deferred;
    return true;
}

QVector<int> CXmlDocument::DeferredChildrenOf(const QDomElement& parent, const QString& tag) const
{
    QVector<int> children;
    if (m_deferredRanges.isEmpty() || parent.isNull())
        return children;
    const QDomElement root = m_document.documentElement();
    if (parent.parentNode() != root)
        return children;
    const int cuts = 1 + m_deferredCuts.others.size();
    for (int cut = 0; cut < cuts; ++cut) {
        const SDeferredChildren::SCut wanted = m_deferredCuts.Cut(cut);
        if (!wanted.section || !wanted.child || tag != QLatin1String(wanted.child)
            || root.firstChildElement(QLatin1String(wanted.section)) != parent)
            continue;
        for (int i = 0; i < m_deferredRangeCut.size(); ++i) {
            if (m_deferredRangeCut[i] == cut)
                children.append(i);
        }
    }
    return children;
}

int CXmlDocument::DeferredSubsOf(const QDomElement& parent, const QString& tag, int open) const
{
    const int subs = DeferredSubCount(open);
    if (subs == 0 || parent.isNull())
        return 0;
    const SDeferredChildren::SCut wanted = m_deferredCuts.Cut(m_deferredRangeCut.value(open, -1));
    if (!wanted.subSection || !wanted.subChild || tag != QLatin1String(wanted.subChild))
        return 0;
    // The sub-section is the first of its name below the child's root, which
    // is the root of its own tree.
    const QDomNode childRoot = parent.parentNode();
    if (!childRoot.isElement() || !childRoot.parentNode().isDocument()
        || childRoot.toElement().firstChildElement(QLatin1String(wanted.subSection)) != parent)
        return 0;
    return subs;
}

int CXmlDocument::DeferredSubCount(int index) const
{
    if (index < 0 || index + 1 >= m_deferredSubFirst.size())
        return 0;
    return m_deferredSubFirst[index + 1] - m_deferredSubFirst[index];
}

bool CXmlDocument::ParseDeferred(int index, QDomDocument& tree, QString& error) const
{
    const auto range = m_deferredRanges.value(index, {0, 0});
    const QByteArray text = QByteArray::fromRawData(m_deferredText.constData() + range.first,
                                                    range.second - range.first);
    const int subs = DeferredSubCount(index);
    if (subs == 0)
        return BuildTree(tree, text, error, range.first);
    QByteArray rest;
    int from = range.first;
    for (int i = 0; i < subs; ++i) {
        const auto& subRange = m_deferredSubRanges[m_deferredSubFirst[index] + i];
        rest.append(m_deferredText.constData() + from, subRange.first - from);
        from = subRange.second;
    }
    rest.append(m_deferredText.constData() + from, range.second - from);
    if (BuildTree(tree, rest, error))
        return true;
    // Told where it is in the whole text, which the child cut apart is not.
    tree = QDomDocument();
    if (!BuildTree(tree, text, error, range.first))
        return false;
    // The child parses whole but not cut apart: never, as it is cut out only
    // where its own children close.
    tree = QDomDocument();
    return false;
}

bool CXmlDocument::ParseDeferredSub(int index, int sub, QDomDocument& tree, QString& error) const
{
    if (sub < 0 || sub >= DeferredSubCount(index))
        return false;
    const auto range = m_deferredSubRanges[m_deferredSubFirst[index] + sub];
    const QByteArray text = QByteArray::fromRawData(m_deferredText.constData() + range.first,
                                                    range.second - range.first);
    return BuildTree(tree, text, error, range.first);
}

void CXmlDocument::DropDeferred()
{
    m_deferredText = QByteArray();
    m_deferredRanges.clear();
    m_deferredSubRanges.clear();
    m_deferredSubFirst.clear();
    m_deferredRangeCut.clear();
    m_deferredCuts = SDeferredChildren();
}

bool CXmlDocument::BuildTree(QDomDocument& tree, const QByteArray& xml, QString& error, int deferredAt) const
{
    // The stream reader builds the same tree a quarter faster, as long as
    // no attribute holds a raw line break or tab (it makes them spaces, the
    // DOM's own reader keeps them). Any other text, and any text the stream
    // reader refuses, goes to the DOM's own reader, which also words the
    // error the user sees.
    if (IsPlainMarkup(xml)) {
        g_parsedBytes += xml.size();
        // Through a device the reader decodes a piece at a time; given the
        // bytes it would hold the whole text again in UTF-16.
        QBuffer device;
        device.setData(xml);
        device.open(QIODevice::ReadOnly);
        QXmlStreamReader reader(&device);
        if (tree.setContent(&reader, true))
            return true;
    }
    g_parsedBytes += xml.size();
    QString message;
    int line = 0;
    int column = 0;
    if (!tree.setContent(xml, true, &message, &line, &column)) {
        if (deferredAt > 0) {
            // Placed in the whole text, where the user would look for it.
            const char* const begin = m_deferredText.constData();
            const char* const at = begin + deferredAt;
            const char* const lineStart = std::find(std::reverse_iterator<const char*>(at),
                                                    std::reverse_iterator<const char*>(begin), '\n').base();
            if (line == 1)
                column += int(at - lineStart);
            line += int(std::count(begin, at, '\n'));
        }
        error = GetLangText(Txt::ParseErrorAt).arg(line).arg(column) + QLatin1Char('\n') + message
            + QLatin1Char('.');
        return false;
    }
    return true;
}

bool CXmlDocument::AdoptRoot(QString& error)
{
    for (QDomElement& element : m_element)
        element = QDomElement();
    const QDomElement root = m_document.documentElement();
    m_element[RootSlot] = root;
    m_element[CurrentSlot] = root;
    if (root.tagName() != QLatin1String("ZKFile")) {
        error = GetLangText(Txt::BadFileFormat);
        return false;
    }
    m_oldFile = root.attribute(QStringLiteral("Version")) == QLatin1String("1.0");
    return true;
}
