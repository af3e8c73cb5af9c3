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

namespace {

// Largest stored form of a document of `maxBytes` in each mode.
qint64 MaxStoredBytes(int mode, int maxBytes)
{
    return mode == CXmlDocument::HexStorage ? 2 * qint64(maxBytes) + 2 : qint64(maxBytes) + 16;
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

int CXmlDocument::SDeferredChildren::SCut::Depth() const
{
    int depth = 0;
    while (depth < kLevels && levels[depth].section && levels[depth].child)
        ++depth;
    return depth;
}

void CXmlDocument::SDeferredChildren::ClearRanges()
{
    for (int level = 0; level < kLevels; ++level) {
        ranges[level].clear();
        firsts[level].clear();
    }
    rangeCut.clear();
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
    const int maxDocumentBytes = deferred ? deferred->maxBytes : kMaxDocumentBytes;
    // What reading holds besides the trees: the text, and the part of it
    // deferred elements are kept in.
    const qint64 textHeld = std::min<qint64>(xml.size(), maxDocumentBytes);

    // Where the deferred elements are cut out: each is one whole element of
    // its list, so that the rest and every element parse on their own.
    using SCut = SDeferredChildren::SCut;
    constexpr int kLevels = SDeferredChildren::kLevels;
    SDeferredChildren* const cut = deferred && !deferred->cuts.isEmpty() ? deferred : nullptr;
    if (cut)
        cut->ClearRanges();
    const int cutCount = cut ? cut->cuts.size() : 0;
    int deepestCut = 0;
    for (int i = 0; i < cutCount; ++i)
        deepestCut = std::max(deepestCut, cut->cuts[i].Depth());
    // The section open (its place in the cuts), and those met: only the
    // first of each name is cut apart.
    int section = -1;
    QVector<bool> sectionMet(cutCount, false);
    SCut open;
    bool cutSafe = cut != nullptr;
    const auto nameIs = [&end](const char* name, const char* wanted) {
        const size_t size = std::strlen(wanted);
        return size_t(end - name) > size && std::memcmp(name, wanted, size) == 0
            && (IsXmlSpace(name[size]) || name[size] == '/' || name[size] == '>');
    };
    // The trees a deferred element and those open around it build: frame 0
    // is the rest, frame k + 1 the open element of level k. Each frame
    // weighs its own tree without the elements cut out of it (their nodes,
    // attributes and bytes), and the largest of those, which is built while
    // its own is held.
    struct SFrame
    {
        const char* start = nullptr;
        qint64 nodes = 0, attributes = 0;
        qint64 cutNodes = 0, cutAttributes = 0, cutBytes = 0, largest = 0;
        // Its list of the next level's elements: not met yet, open, or past.
        enum { Before, In, After } list = Before;
    };
    QVector<SFrame> frames(1);
    frames[0].start = begin;
    const auto openLevels = [&frames] { return frames.size() - 1; };
    const auto weightSoFar = [&] {
        qint64 inner = 0, innerNodes = 0, innerAttributes = 0, innerBytes = 0;
        for (int i = frames.size() - 1; i >= 0; --i) {
            const SFrame& f = frames[i];
            const qint64 n = nodes - f.nodes, a = attributes - f.attributes, bytes = p - f.start;
            inner = TreeBytes(n - f.cutNodes - innerNodes, a - f.cutAttributes - innerAttributes,
                              bytes - f.cutBytes - innerBytes)
                + std::max(f.largest, inner);
            innerNodes = n;
            innerAttributes = a;
            innerBytes = bytes;
        }
        return inner;
    };
    const auto startElement = [&](const char* at) {
        const int level = openLevels();
        if (level + 1 < kLevels)
            cut->firsts[level + 1].append(cut->ranges[level + 1].size());
        SFrame frame;
        frame.start = at;
        frame.nodes = nodes;
        frame.attributes = attributes;
        frames.append(frame);
    };
    const auto endElement = [&] {
        const SFrame f = frames.takeLast();
        const qint64 n = nodes - f.nodes, a = attributes - f.attributes, bytes = p - f.start;
        SFrame& parent = frames.last();
        cut->ranges[openLevels()].append({int(f.start - begin), int(p - begin)});
        parent.cutNodes += n;
        parent.cutAttributes += a;
        parent.cutBytes += bytes;
        parent.largest = std::max(parent.largest,
                                  TreeBytes(n - f.cutNodes, a - f.cutAttributes, bytes - f.cutBytes) + f.largest);
    };
    // The nodes of the tree that markup here belongs to (the rest, or the
    // innermost open deferred element without those cut out of it): no
    // other grows meanwhile, so each is held to kMaxNodes as it grows.
    const auto innerTreeNodes = [&] {
        const SFrame& f = frames.last();
        return nodes + attributes - f.nodes - f.attributes - f.cutNodes - f.cutAttributes;
    };
    const auto dropCut = [&] {
        cut->ClearRanges();
        frames.resize(1);
        frames[0].cutNodes = frames[0].cutAttributes = frames[0].cutBytes = frames[0].largest = 0;
    };
    const auto tooManyNodes = [&](qint64 bound) {
        if (cut)
            dropCut();
        scannedTo = p;
        error = GetLangText(Txt::DocumentTooManyElements).arg(bound);
        return false;
    };
    const auto tooMuchMemory = [&](qint64 trees) {
        if (cut)
            dropCut();
        scannedTo = p;
        const qint64 bound = trees > kMaxTreeBytes ? kMaxTreeBytes : kMaxReadBytes;
        error = GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(bound / (1024 * 1024));
        return false;
    };
    const auto pastMemory = [&textHeld](qint64 trees) {
        return trees > kMaxTreeBytes || trees + textHeld > kMaxReadBytes;
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
            // An element of level k opens at depth 2k + 2, its list at 2k + 1.
            const int level = cut ? openLevels() : 0;
            if (cut && level > 0 && depth == 2 * level)
                endElement();
            else if (cut && level > 0 && depth == 2 * level + 1 && frames.last().list == SFrame::In)
                frames.last().list = SFrame::After;
            else if (cut && level == 0 && depth == 1 && section >= 0)
                section = -1;
            continue;
        }
        if (cut) {
            const int level = openLevels();
            if (level == 0 && depth == 2 && section >= 0) {
                // A section may hold lists of several kinds, each cut apart.
                for (int i = section; i < cutCount; ++i) {
                    const SCut& candidate = cut->cuts[i];
                    if (candidate.Depth() > 0
                        && std::strcmp(candidate.levels[0].section, cut->cuts[section].levels[0].section) == 0
                        && nameIs(p, candidate.levels[0].child)) {
                        open = candidate;
                        cut->rangeCut.append(i);
                        startElement(tag);
                        break;
                    }
                }
            } else if (level > 0 && level < open.Depth() && depth == 2 * level + 2
                       && frames.last().list == SFrame::In && nameIs(p, open.levels[level].child)) {
                startElement(tag);
            }
        }
        ++nodes;
        if (*p == '?') {
            // Cut out of their text, the elements would be read as UTF-8.
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
            bool declaresNamespace = false;
            quote = 0;
            for (; p < end && (quote || *p != '>'); ++p) {
                // Only an attribute's name declares one: a name or text in
                // a value (a scene called "xmlns") does not.
                if (!quote && IsXmlSpace(*p) && end - p > 5 && std::memcmp(p + 1, "xmlns", 5) == 0)
                    declaresNamespace = true;
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
            // An element alone would lose the namespaces of those around it,
            // up to the lists of the deepest level cut.
            if (cut && depth <= 2 * deepestCut - 1 && declaresNamespace)
                cutSafe = false;
            const int level = cut ? openLevels() : 0;
            for (int i = 0; cut && level == 0 && depth == 1 && i < cutCount; ++i) {
                if (!sectionMet[i] && cut->cuts[i].Depth() > 0 && nameIs(name, cut->cuts[i].levels[0].section)) {
                    for (int j = i; j < cutCount; ++j)
                        sectionMet[j] = sectionMet[j]
                            || (cut->cuts[j].Depth() > 0
                                && std::strcmp(cut->cuts[j].levels[0].section, cut->cuts[i].levels[0].section) == 0);
                    section = empty ? -1 : i;
                    break;
                }
            }
            if (cut && level > 0 && level < open.Depth() && depth == 2 * level + 1
                && frames.last().list == SFrame::Before && nameIs(name, open.levels[level].section))
                frames.last().list = empty ? SFrame::After : SFrame::In;
            if (p < end && !empty && ++depth > kMaxDepth) {
                scannedTo = p;
                error = GetLangText(Txt::DocumentTooDeep).arg(kMaxDepth);
                return false;
            }
            p = std::min(p + 1, end);
            if (cut && empty && level > 0 && depth == 2 * level && frames.last().start == name - 1)
                endElement();
        }
        if (nodes + attributes > kMaxDocumentNodes)
            break;
        const qint64 trees = weightSoFar();
        if (pastMemory(trees))
            return tooMuchMemory(trees);
    }
    scannedTo = p;
    if (nodes + attributes > kMaxDocumentNodes)
        return tooManyNodes(kMaxDocumentNodes);
    if (cut && (!cutSafe || openLevels() > 0))
        dropCut();
    if (cut && cut->ranges[0].isEmpty())
        dropCut();
    // Elements not cut apart after all are part of the rest.
    const SFrame& rest = frames[0];
    if (nodes + attributes - rest.cutNodes - rest.cutAttributes > kMaxNodes)
        return tooManyNodes(kMaxNodes);
    if (cut && !cut->ranges[0].isEmpty()) {
        for (int level = 1; level < kLevels; ++level)
            cut->firsts[level].append(cut->ranges[level].size());
    }
    // Markup counts as text here: an estimate a little over, never under.
    const qint64 trees =
        TreeBytes(nodes - rest.cutNodes, attributes - rest.cutAttributes, xml.size() - rest.cutBytes) + rest.largest;
    if (pastMemory(trees))
        return tooMuchMemory(trees);
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
    const int maxBytes = deferred ? deferred->maxBytes : kMaxDocumentBytes;
    QByteArray stored;
    if (!ReadWholeFile(path, MaxStoredBytes(mode, maxBytes), stored, error, maxBytes))
        return false;
    if (!DecodeStorage(mode, stored, xml, error, maxBytes))
        return false;
    stored.clear();

    if (!CheckStructure(xml, error, deferred)) {
        xml.clear();
        return false;
    }
    return true;
}

bool CXmlDocument::ParseDocumentText(QByteArray xml, QString& error, const SDeferredChildren* deferred)
{
    DropDeferred();
    if (!deferred || deferred->ranges[0].isEmpty())
        return BuildTree(m_document, xml, error) && AdoptRoot(error);

    // The text [from, to) without the elements [first, first + count) of
    // `cut`, which lie within it, handed to `append` a piece at a time.
    const auto withoutCut = [&xml](int from, int to, const QVector<std::pair<int, int>>& cut, int first, int count,
                                   const auto& append) {
        for (int i = first; i < first + count; ++i) {
            append(xml.constData() + from, cut[i].first - from);
            from = cut[i].second;
        }
        append(xml.constData() + from, to - from);
    };
    QByteArray rest;
    withoutCut(0, xml.size(), deferred->ranges[0], 0, deferred->ranges[0].size(),
               [&rest](const char* data, int size) { rest.append(data, size); });
    m_deferredRanges[0] = deferred->ranges[0];
    // Each level below has a first place for every element above and one
    // past the last, or it is not read (a scan that did not finish).
    for (int level = 1; level < SDeferredChildren::kLevels; ++level) {
        if (deferred->firsts[level].size() != m_deferredRanges[level - 1].size() + 1)
            break;
        m_deferredRanges[level] = deferred->ranges[level];
        m_deferredFirsts[level] = deferred->firsts[level];
    }
    m_deferredRangeCut = deferred->rangeCut;
    m_deferredRangeCut.resize(m_deferredRanges[0].size());
    m_deferredCuts = deferred->cuts;
    // The text is kept deflated from here on, and given up whole before any
    // tree is built (when the caller gave it up too). An element's own tree
    // is built from its text without the elements cut out below it: that
    // is kept apart, so that reading a scene's own tree does not inflate
    // every block its steps lie in, which reading the steps does again.
    for (int level = 0; level + 1 < SDeferredChildren::kLevels; ++level) {
        QVector<int>& starts = m_ownTextStarts[level];
        for (int i = 0; i < m_deferredRanges[level].size(); ++i) {
            starts.append(m_deferredOwnText.size());
            const std::pair<int, int> below = DeferredBelowOf({level, i});
            if (below.second > 0)
                withoutCut(m_deferredRanges[level][i].first, m_deferredRanges[level][i].second,
                           m_deferredRanges[level + 1], below.first, below.second,
                           [this](const char* data, int size) { m_deferredOwnText.Append(data, size); });
        }
        starts.append(m_deferredOwnText.size());
    }
    m_deferredText = CPackedText(xml);
    xml = QByteArray();
    // The rest is parsed first: an error there is reported where it is in
    // the file, as if the tree were built whole.
    if (!BuildTree(m_document, rest, error) || !AdoptRoot(error)) {
        DropDeferred();
        return false;
    }
    return true;
}

QVector<int> CXmlDocument::DeferredChildrenOf(const QDomElement& parent, const QString& tag) const
{
    QVector<int> children;
    if (m_deferredRanges[0].isEmpty() || parent.isNull())
        return children;
    const QDomElement root = m_document.documentElement();
    if (parent.parentNode() != root)
        return children;
    for (int cut = 0; cut < m_deferredCuts.size(); ++cut) {
        const SDeferredChildren::SLevel& wanted = m_deferredCuts[cut].levels[0];
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

std::pair<int, int> CXmlDocument::DeferredBelowOf(SDeferredPlace place) const
{
    const int below = place.level + 1;
    if (place.level < 0 || below >= SDeferredChildren::kLevels || place.index < 0
        || place.index + 1 >= m_deferredFirsts[below].size())
        return {0, 0};
    const int first = m_deferredFirsts[below][place.index];
    return {first, m_deferredFirsts[below][place.index + 1] - first};
}

std::pair<int, int> CXmlDocument::DeferredBelow(const QDomElement& parent, const QString& tag,
                                                SDeferredPlace open) const
{
    const std::pair<int, int> below = DeferredBelowOf(open);
    if (below.second == 0 || parent.isNull())
        return {0, 0};
    // The level-0 element an element of any level lies in names the cut.
    SDeferredPlace top = open;
    while (top.level > 0) {
        const QVector<int>& firsts = m_deferredFirsts[top.level];
        top.index = int(std::upper_bound(firsts.begin(), firsts.end(), top.index) - firsts.begin()) - 1;
        --top.level;
    }
    const SDeferredChildren::SCut cut = m_deferredCuts.value(m_deferredRangeCut.value(top.index, -1));
    const SDeferredChildren::SLevel& wanted = cut.levels[open.level + 1];
    if (open.level + 1 >= cut.Depth() || tag != QLatin1String(wanted.child))
        return {0, 0};
    // The list is the first of its name below the element's root, which is
    // the root of its own tree.
    const QDomNode elementRoot = parent.parentNode();
    if (!elementRoot.isElement() || !elementRoot.parentNode().isDocument()
        || elementRoot.toElement().firstChildElement(QLatin1String(wanted.section)) != parent)
        return {0, 0};
    return below;
}

bool CXmlDocument::ParseDeferredAt(SDeferredPlace place, QDomDocument& tree, QString& error) const
{
    if (place.level < 0 || place.level >= SDeferredChildren::kLevels || place.index < 0
        || place.index >= m_deferredRanges[place.level].size())
        return false;
    const auto range = m_deferredRanges[place.level][place.index];
    const std::pair<int, int> below = DeferredBelowOf(place);
    if (below.second == 0)
        return BuildTree(tree, m_deferredText.Mid(range.first, range.second), error, range.first);
    const QVector<int>& starts = m_ownTextStarts[place.level];
    QByteArray rest = m_deferredOwnText.Mid(starts.value(place.index), starts.value(place.index + 1));
    if (BuildTree(tree, rest, error))
        return true;
    // Told where it is in the whole text, which the element cut apart is not.
    tree = QDomDocument();
    rest = QByteArray();
    if (!BuildTree(tree, m_deferredText.Mid(range.first, range.second), error, range.first))
        return false;
    // The element parses whole but not cut apart: never, as it is cut out
    // only where its own elements close.
    tree = QDomDocument();
    return false;
}

void CXmlDocument::DropDeferred()
{
    m_deferredText = CPackedText();
    m_deferredOwnText = CPackedText();
    for (int level = 0; level < SDeferredChildren::kLevels; ++level) {
        m_deferredRanges[level].clear();
        m_deferredFirsts[level].clear();
        m_ownTextStarts[level].clear();
    }
    m_deferredRangeCut.clear();
    m_deferredCuts.clear();
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
            if (line == 1)
                column += deferredAt - m_deferredText.LineStartOf(deferredAt);
            line += m_deferredText.LineBreaksBefore(deferredAt);
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
