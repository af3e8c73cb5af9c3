// Saving: the writer, which counts what the reader will count as it writes
// the text, and the check that refuses to write a text the reader would
// refuse.

#include "model/XmlDocument.h"

#include "Captions.h"
#include "model/BlobCompressor.h"
#include "model/Language.h"
#include "model/SafeWrite.h"

#include <QDir>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace {

// The DOM keeps attributes in a hash whose order changes from run to run;
// written in name order, the same show gives the same bytes every time.
// Layout and escaping are the DOM writer's own, with an indent of one.
void AppendEscaped(QString& out, const QString& text, bool attribute)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (attribute && c == QLatin1Char('"'))
            out += QLatin1String("&quot;");
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('>') && i >= 2 && text[i - 1] == QLatin1Char(']') && text[i - 2] == QLatin1Char(']'))
            out += QLatin1String("&gt;");
        else if ((attribute && (c == QLatin1Char('\n') || c == QLatin1Char('\t'))) || c == QLatin1Char('\r'))
            out += QStringLiteral("&#x%1;").arg(uint(c.unicode()), 0, 16);
        else
            out += c;
    }
}

// The document's text goes straight into UTF-8: a show of tens of megabytes
// of text would otherwise be held twice, once in UTF-16. Text that is plain
// ASCII with nothing to escape, nearly all of it, is copied as it is; any
// other is escaped and encoded whole, so the bytes are those of escaping the
// whole text and encoding it once.
bool IsPlainText(const QChar* data, int size)
{
    for (int i = 0; i < size; ++i) {
        const ushort c = data[i].unicode();
        if (c >= 0x80 || c == '<' || c == '>' || c == '&' || c == '"' || c == '\n' || c == '\t' || c == '\r')
            return false;
    }
    return true;
}

void AppendPlain(QByteArray& out, const QChar* data, int size)
{
    const int start = out.size();
    out.resize(start + size);
    char* target = out.data() + start;
    for (int i = 0; i < size; ++i)
        target[i] = char(data[i].unicode());
}

// Letters, digits and "_-.:": a name the reader's scan takes as one, and
// nothing around it for another.
bool IsPlainName(const QString& name)
{
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-'
              || u == '.' || u == ':'))
            return false;
    }
    return !name.isEmpty();
}

void AppendName(QByteArray& out, const QString& name, CXmlDocument::STextCount* count = nullptr)
{
    if (IsPlainName(name)) {
        AppendPlain(out, name.constData(), name.size());
        return;
    }
    if (count)
        count->sure = false;
    if (IsPlainText(name.constData(), name.size()))
        AppendPlain(out, name.constData(), name.size());
    else
        out += name.toUtf8();
}

// Text the parser drops: the scan counts no node for it. A carriage return
// is written as a reference, which it counts.
bool IsLayoutSpace(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}

void AppendEscapedUtf8(QByteArray& out, const QString& text, bool attribute)
{
    if (IsPlainText(text.constData(), text.size())) {
        AppendPlain(out, text.constData(), text.size());
        return;
    }
    QString escaped;
    AppendEscaped(escaped, text, attribute);
    out += escaped.toUtf8();
}

// The mark an element written out leaves in the tree (WriteOut): its
// index among the texts written out, checked against the mark kept there,
// so that an instruction of the same name read from a file is never taken
// for one.
const QString kWrittenOutMark = QStringLiteral("written-out");

// The elements written out and their texts, the length past which the rest
// of the text is of no use to the caller, where what the reader will count
// of it is counted, and, when the text of an element written out is made,
// where those below it go.
struct SWriting
{
    const CXmlDocument::SWrittenOutList& writtenOut;
    const CPackedText& writtenText;
    int maxBytes = std::numeric_limits<int>::max();
    CXmlDocument::STextCount* count = nullptr;
    // Making the text of an element written out (its root): where those
    // below it go.
    QVector<CXmlDocument::SWrittenOut::SBelow>* below = nullptr;
    QDomNode root = QDomNode();
    // Measuring: the texts written out are not made, only their length
    // added here.
    qint64* measured = nullptr;
    // Writing a piece at a time: each piece of some size is handed on and
    // given up; once that fails, nothing more is made.
    const std::function<bool(QByteArray&)>* flush = nullptr;
    bool* failed = nullptr;
};

constexpr int kPieceBytes = 1 << 20;

void FlushPiece(QByteArray& out, const SWriting& writing)
{
    if (writing.flush && !*writing.failed && out.size() >= kPieceBytes && !(*writing.flush)(out))
        *writing.failed = true;
}

// The text of an element written out, with those written out below it in
// their places, up to the length past which the caller has no use for it.
void AppendWrittenOut(QByteArray& out, const CXmlDocument::SWrittenOut& written, const SWriting& writing)
{
    if (out.size() > writing.maxBytes)
        return;
    // Straight from the packed texts, which keep the block of an element's
    // text inflated while those below it are read between its pieces.
    const auto appendUpTo = [&](int from, int to) {
        const qint64 room = qint64(writing.maxBytes) + 1 - out.size();
        if (room > 0)
            writing.writtenText.AppendTo(out, written.textFrom + from,
                                         written.textFrom + int(std::min<qint64>(to, from + room)));
        FlushPiece(out, writing);
    };
    int from = 0;
    for (const CXmlDocument::SWrittenOut::SBelow& below : qAsConst(written.below)) {
        appendUpTo(from, below.at);
        if (below.index >= 0 && size_t(below.index) < writing.writtenOut.size())
            AppendWrittenOut(out, writing.writtenOut[size_t(below.index)], writing);
        from = below.at;
    }
    appendUpTo(from, written.textSize);
}

// The index of the element written out that `node` marks, -1 when it is no
// such mark.
int WrittenOutAt(const QDomNode& node, const CXmlDocument::SWrittenOutList& writtenOut)
{
    const QDomProcessingInstruction mark = node.toProcessingInstruction();
    if (mark.target() != kWrittenOutMark)
        return -1;
    bool whole = false;
    const int index = mark.data().toInt(&whole);
    if (!whole || index < 0 || size_t(index) >= writtenOut.size() || writtenOut[size_t(index)].mark != node)
        return -1;
    return index;
}

void AddCount(CXmlDocument::STextCount& to, const CXmlDocument::STextCount& from)
{
    to.nodes += from.nodes;
    to.attributes += from.attributes;
    to.depth = std::max(to.depth, from.depth);
    to.widest = std::max(to.widest, from.widest);
    to.sure = to.sure && from.sure;
}

void AppendNode(QByteArray& out, const QDomNode& node, int depth, const SWriting& writing)
{
    if (out.size() > writing.maxBytes || (writing.failed && *writing.failed))
        return;
    CXmlDocument::STextCount* const count = writing.count;
    if (node.isProcessingInstruction()) {
        const int index = WrittenOutAt(node, writing.writtenOut);
        if (index >= 0) {
            const CXmlDocument::SWrittenOut* const written = &writing.writtenOut[size_t(index)];
            if (count)
                AddCount(*count, written->Count());
            if (writing.measured) {
                *writing.measured += written->bytes;
                return;
            }
            if (writing.below) {
                // Held by the element above from now on, and copied only
                // into the file's text: a show's text is never held twice.
                const QDomElement list = node.parentNode().toElement();
                const bool firstList = list.parentNode() == writing.root
                    && writing.root.toElement().firstChildElement(list.tagName()) == list;
                writing.below->append(
                    {out.size(), index, firstList ? list.tagName() : QString()});
                return;
            }
            // The element's own text, laid out where it stood.
            AppendWrittenOut(out, *written, writing);
            return;
        }
    }
    if (node.isText() && !node.isCDATASection()) {
        const QString value = node.nodeValue();
        if (count && !IsLayoutSpace(value))
            ++count->nodes;
        AppendEscapedUtf8(out, value, false);
        return;
    }
    if (!node.isElement()) {
        if (count)
            count->sure = false;
        QString text;
        QTextStream stream(&text);
        node.save(stream, 1);
        stream.flush();
        out += text.toUtf8();
        return;
    }
    const QDomElement element = node.toElement();
    if (!node.previousSibling().isText())
        out.append(depth, ' ');
    const QString tag = element.tagName();
    const int tagStart = out.size();
    out += '<';
    AppendName(out, tag, count);
    const QDomNamedNodeMap map = element.attributes();
    QVector<QDomAttr> attributes;
    attributes.reserve(map.count());
    for (int i = 0; i < map.count(); ++i)
        attributes.append(map.item(i).toAttr());
    std::sort(attributes.begin(), attributes.end(),
              [](const QDomAttr& a, const QDomAttr& b) { return a.name() < b.name(); });
    for (const QDomAttr& attribute : qAsConst(attributes)) {
        out += ' ';
        AppendName(out, attribute.name(), count);
        out += "=\"";
        AppendEscapedUtf8(out, attribute.value(), true);
        out += '"';
    }
    if (count) {
        ++count->nodes;
        count->attributes += attributes.size();
        count->widest = std::max(count->widest, int(attributes.size()));
        if (node.hasChildNodes())
            count->depth = std::max(count->depth, depth + 1);
        // Near the root a namespace keeps the reader from cutting its
        // children apart, which changes what it weighs.
        static const char kNamespace[] = "xmlns";
        const char* const from = out.constData() + tagStart;
        const char* const to = out.constData() + out.size();
        if (depth <= 1 && std::search(from, to, kNamespace, kNamespace + 5) != to)
            count->sure = false;
    }
    if (node.hasChildNodes()) {
        out += '>';
        if (!node.firstChild().isText())
            out += '\n';
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            AppendNode(out, child, depth + 1, writing);
        if (!node.lastChild().isText())
            out.append(depth, ' ');
        out += "</";
        AppendName(out, tag);
        out += '>';
    } else {
        out += "/>";
    }
    if (!node.nextSibling().isText())
        out += '\n';
    FlushPiece(out, writing);
}

void AppendDocument(QByteArray& out, const QDomDocument& document, const SWriting& writing)
{
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling())
        AppendNode(out, node, 0, writing);
}

} // namespace

// ---- The save check ----

bool CXmlDocument::SaveFile(const QString& path, QString* error, const SDeferredChildren* readAs) const
{
    const int mode = GetStorageMode(path);
    // Nothing is written that the reader would refuse: a show that would
    // not open again is refused with the reader's reason, and the one saved
    // before stays. What the reader counts is counted as the elements are
    // written out; only a text those counts cannot clear is made whole and
    // scanned as the reader scans it (past the bound on its size, the rest
    // of it is not made). Any other goes into the file a piece at a time.
    STextCount count;
    const qint64 textBytes = MeasureText(count);
    const int maxBytes = readAs ? readAs->maxBytes : kMaxDocumentBytes;
    QByteArray xml;
    if (MayBeRefused(textBytes, count, readAs)) {
        xml = WriteText(maxBytes);
        QString refusal;
        if (Refuses(xml, refusal, readAs)) {
            if (error)
                *error = GetLangText(Txt::CannotWriteFile)
                             .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(refusal));
            return false;
        }
    } else if (mode != CompressedStorage) {
        xml = WriteText(maxBytes);
    }
    if (mode != CompressedStorage)
        return WriteWholeFile(path, EncodeStorage(mode, xml), error);
    // Deflated straight into the file, never held: a show's text may be
    // hundreds of megabytes.
    bool writeFailed = false;
    bool deflateFailed = false;
    QString reason;
    const bool written = SafeWriteFile(
        path,
        [&](const CBlobCompressor::Write& write) {
            const CBlobCompressor::Write written = [&](const char* data, qint64 size) {
                writeFailed = writeFailed || !write(data, size);
                return !writeFailed;
            };
            CBlobCompressor compressor;
            const bool deflated = textBytes == xml.size()
                ? compressor.CompressInto(xml, written)
                : compressor.CompressInto(
                      quint32(textBytes),
                      [&](const CBlobCompressor::Write& feed) {
                          return WriteTextTo(
                              [&feed](QByteArray& piece) {
                                  const bool fed = feed(piece.constData(), piece.size());
                                  piece.resize(0);
                                  return fed;
                              });
                      },
                      written);
            // Deflate fails by itself only when zlib runs out of memory.
            deflateFailed = !deflated && !writeFailed;
            return deflated;
        },
        &reason);
    if (written)
        return true;
    if (deflateFailed)
        reason = qt_error_string(ENOMEM);
    if (error)
        *error = GetLangText(Txt::CannotWriteFile).arg(QDir::toNativeSeparators(path), reason);
    return false;
}

bool CXmlDocument::Refuses(const QByteArray& xml, QString& reason, const SDeferredChildren* readAs)
{
    const int maxBytes = readAs ? readAs->maxBytes : kMaxDocumentBytes;
    if (xml.size() > maxBytes) {
        reason = TooLargeText(maxBytes);
        return true;
    }
    SDeferredChildren deferred;
    if (readAs)
        deferred = *readAs;
    return !CheckStructure(xml, reason, readAs ? &deferred : nullptr);
}

bool CXmlDocument::MayBeRefused(qint64 textBytes, const STextCount& count, const SDeferredChildren* readAs) const
{
    if (textBytes > (readAs ? readAs->maxBytes : kMaxDocumentBytes))
        return true;
    if (!count.sure || count.nodes + count.attributes > kMaxDocumentNodes || count.depth > kMaxDepth
        || count.widest > kMaxAttributes)
        return true;
    // The reader cuts out every child of that name of the first section of
    // that name below the root. Those written out in their place there are
    // weighed alone, as it weighs them, and those written out below them
    // that it cuts again likewise; all else, the rest, weighs as one tree.
    // A child the reader cuts that is still in the tree weighs in the rest
    // here, alone there: never less.
    const QDomElement root = m_document.documentElement();
    struct SSection
    {
        QDomElement element;
        SDeferredChildren::SCut cut;
    };
    QVector<SSection> sections;
    for (int i = 0; readAs && i < readAs->cuts.size(); ++i) {
        const SDeferredChildren::SCut& cut = readAs->cuts[i];
        if (cut.Depth() > 0)
            sections.append({root.firstChildElement(QLatin1String(cut.levels[0].section)), cut});
    }
    const auto cutAs = [&sections](const SWrittenOut& written) -> const SDeferredChildren::SCut* {
        for (const SSection& section : sections) {
            if (!section.element.isNull() && written.mark.parentNode() == section.element
                && written.tag == QLatin1String(section.cut.levels[0].child))
                return &section.cut;
        }
        return nullptr;
    };
    STextCount rest = count;
    qint64 restBytes = textBytes, largest = 0, largestNodes = 0;
    for (const SWrittenOut& written : m_writtenOut) {
        const SDeferredChildren::SCut* const cut = written.taken ? nullptr : cutAs(written);
        if (!cut)
            continue;
        rest.nodes -= written.nodes;
        rest.attributes -= written.attributes;
        restBytes -= written.ElementBytes();
        const auto [weight, nodes] = WeighWrittenOut(written, *cut, 0);
        largest = std::max(largest, weight);
        largestNodes = std::max(largestNodes, nodes);
    }
    const qint64 trees = TreeBytes(rest.nodes, rest.attributes, restBytes) + largest;
    return trees > kMaxTreeBytes || trees + textBytes > kMaxReadBytes || rest.nodes + rest.attributes > kMaxNodes
        || largestNodes > kMaxNodes;
}

std::pair<qint64, qint64> CXmlDocument::WeighWrittenOut(const SWrittenOut& written, const SDeferredChildren::SCut& cut,
                                                        int level) const
{
    qint64 nodes = written.nodes, attributes = written.attributes, bytes = written.ElementBytes();
    qint64 largest = 0, largestNodes = 0;
    if (level + 1 < cut.Depth()) {
        const SDeferredChildren::SLevel& next = cut.levels[level + 1];
        for (const SWrittenOut::SBelow& below : written.below) {
            const SWrittenOut& element = m_writtenOut[size_t(below.index)];
            if (below.list != QLatin1String(next.section) || element.tag != QLatin1String(next.child))
                continue;
            nodes -= element.nodes;
            attributes -= element.attributes;
            bytes -= element.ElementBytes();
            const auto [weight, belowNodes] = WeighWrittenOut(element, cut, level + 1);
            largest = std::max(largest, weight);
            largestNodes = std::max(largestNodes, belowNodes);
        }
    }
    return {TreeBytes(nodes, attributes, bytes) + largest, std::max(nodes + attributes, largestNodes)};
}

static_assert(sizeof(CXmlDocument::SWrittenOut) <= 64, "a large show's save keeps one for each step and marker");

void CXmlDocument::SWrittenOut::SetCount(const STextCount& count)
{
    // Held at most at the largest int: a count past it is refused all the
    // same, and what is taken away from the whole stays no less.
    const auto held = [](qint64 value) { return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max())); };
    nodes = held(count.nodes);
    attributes = held(count.attributes);
    depth = count.depth;
    widest = count.widest;
    sure = count.sure;
}

bool CXmlDocument::GrownPastBounds(QString& reason, int maxBytes) const
{
    if (m_grownBytes > maxBytes)
        reason = TooLargeText(maxBytes);
    else if (m_grownNodes > kMaxDocumentNodes)
        reason = GetLangText(Txt::DocumentTooManyElements).arg(kMaxDocumentNodes);
    else
        return false;
    return true;
}

// ---- Writing ----

QByteArray CXmlDocument::ToBytes() const
{
    return WriteText(std::numeric_limits<int>::max());
}

qint64 CXmlDocument::MeasureText(STextCount& count) const
{
    QByteArray rest;
    qint64 measured = 0;
    SWriting writing{m_writtenOut, m_writtenText};
    writing.count = &count;
    writing.measured = &measured;
    AppendDocument(rest, m_document, writing);
    return rest.size() + measured;
}

bool CXmlDocument::WriteTextTo(const std::function<bool(QByteArray&)>& flush) const
{
    QByteArray out;
    out.reserve(2 * kPieceBytes);
    bool failed = false;
    SWriting writing{m_writtenOut, m_writtenText};
    writing.flush = &flush;
    writing.failed = &failed;
    AppendDocument(out, m_document, writing);
    return !failed && (out.isEmpty() || flush(out));
}

QByteArray CXmlDocument::WriteText(int maxBytes) const
{
    QByteArray out;
    out.reserve(int(std::min<qint64>(qint64(m_writtenText.size()) + 1024 * 1024, maxBytes)));
    SWriting writing{m_writtenOut, m_writtenText};
    writing.maxBytes = maxBytes;
    AppendDocument(out, m_document, writing);
    return out;
}

void CXmlDocument::WriteOut(QDomElement child)
{
    QDomNode parent = child.parentNode();
    // Beside text its layout would change.
    if (!parent.isElement() || child.previousSibling().isText() || child.nextSibling().isText())
        return;
    int depth = 0;
    for (QDomNode above = parent; above.isElement(); above = above.parentNode())
        ++depth;
    SWrittenOut written;
    STextCount count;
    QByteArray text;
    SWriting writing{m_writtenOut, m_writtenText};
    writing.count = &count;
    writing.below = &written.below;
    writing.root = child;
    AppendNode(text, child, depth, writing);
    written.textFrom = m_writtenText.size();
    written.textSize = text.size();
    m_writtenText.Append(text.constData(), text.size());
    written.bytes = text.size();
    for (const SWrittenOut::SBelow& below : qAsConst(written.below)) {
        SWrittenOut& taken = m_writtenOut[size_t(below.index)];
        written.bytes += taken.bytes;
        taken.taken = true;
        // Its mark left the tree with this element: kept, it would hold an
        // instruction for each of the show's steps until the file is made.
        taken.mark = QDomNode();
    }
    // The reader cuts the element out of the text without its indent and
    // line break.
    int first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    written.layoutBytes = quint16(std::min(first + (text.endsWith('\n') ? 1 : 0), 0xFFFF));
    written.SetCount(count);
    // One copy of each name, not one for each of a show's elements.
    written.tag = *m_writtenTags.insert(child.tagName());
    written.mark = m_document.createProcessingInstruction(kWrittenOutMark, QString::number(qulonglong(m_writtenOut.size())));
    parent.replaceChild(written.mark, child);
    m_writtenOut.push_back(std::move(written));
}
