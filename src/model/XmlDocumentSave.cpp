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

// The texts of the elements written out, the length past which the rest of
// the text is of no use to the caller, where what the reader will count of
// it is counted, whether a text written into the file's is freed, and, when
// the text of an element written out is made, where those below it go.
struct SWriting
{
    QVector<CXmlDocument::SWrittenOut>& writtenOut;
    int maxBytes = std::numeric_limits<int>::max();
    CXmlDocument::STextCount* count = nullptr;
    // A text written is freed, its element still counted as written out.
    bool freeTexts = false;
    QVector<std::pair<int, int>>* below = nullptr;
    qint64* belowBytes = nullptr;
};

// The text of an element written out, with those written out below it in
// their places, up to the length past which the caller has no use for it.
void AppendWrittenOut(QByteArray& out, CXmlDocument::SWrittenOut& written, const SWriting& writing)
{
    const auto appendUpTo = [&](const char* data, int size) {
        const qint64 room = qint64(writing.maxBytes) + 1 - out.size();
        if (room > 0)
            out.append(data, int(std::min<qint64>(size, room)));
    };
    int from = 0;
    for (const auto& [at, index] : qAsConst(written.below)) {
        appendUpTo(written.text.constData() + from, at - from);
        if (index >= 0 && index < writing.writtenOut.size())
            AppendWrittenOut(out, writing.writtenOut[index], writing);
        from = at;
    }
    appendUpTo(written.text.constData() + from, written.text.size() - from);
    if (writing.freeTexts) {
        written.text = QByteArray();
        written.below = {};
    }
}

// The element written out that `node` marks, if it is such a mark.
CXmlDocument::SWrittenOut* WrittenOutAt(const QDomNode& node, QVector<CXmlDocument::SWrittenOut>& writtenOut)
{
    const QDomProcessingInstruction mark = node.toProcessingInstruction();
    if (mark.target() != kWrittenOutMark)
        return nullptr;
    bool whole = false;
    const int index = mark.data().toInt(&whole);
    if (!whole || index < 0 || index >= writtenOut.size() || writtenOut[index].mark != node)
        return nullptr;
    return &writtenOut[index];
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
    if (out.size() > writing.maxBytes)
        return;
    CXmlDocument::STextCount* const count = writing.count;
    if (node.isProcessingInstruction()) {
        if (CXmlDocument::SWrittenOut* const written = WrittenOutAt(node, writing.writtenOut)) {
            if (count)
                AddCount(*count, written->count);
            if (writing.below) {
                // Held by the element above from now on, and copied only
                // into the file's text: a show's text is never held twice.
                writing.below->append({out.size(), int(written - writing.writtenOut.data())});
                *writing.belowBytes += written->bytes;
                written->taken = true;
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
}

} // namespace

// ---- The save check ----

bool CXmlDocument::SaveFile(const QString& path, QString* error, const SDeferredChildren* readAs) const
{
    return Save(path, error, readAs, false);
}

bool CXmlDocument::SaveFileOnce(const QString& path, QString* error, const SDeferredChildren* readAs)
{
    return Save(path, error, readAs, true);
}

bool CXmlDocument::Save(const QString& path, QString* error, const SDeferredChildren* readAs, bool giveUpTexts) const
{
    const int mode = GetStorageMode(path);
    // The whole text is made and checked as the reader checks it before a
    // byte of the file is replaced: a show that would not open again is
    // refused with the reader's reason, and the one saved before stays.
    // Past the bound on its size the rest of the text is not made. What the
    // reader counts is counted as the text is made; only a text those counts
    // cannot clear is scanned again as the reader scans it.
    STextCount count;
    const int maxBytes = readAs ? readAs->maxBytes : kMaxDocumentBytes;
    const QByteArray xml = WriteText(maxBytes, &count, giveUpTexts);
    QString refusal;
    if (MayBeRefused(xml, count, readAs) && Refuses(xml, refusal, readAs)) {
        if (error)
            *error = GetLangText(Txt::CannotWriteFile)
                         .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(refusal));
        return false;
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
        [&](const std::function<bool(const char*, qint64)>& write) {
            const bool deflated = CBlobCompressor().CompressInto(xml, [&](const char* data, qint64 size) {
                writeFailed = writeFailed || !write(data, size);
                return !writeFailed;
            });
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

bool CXmlDocument::MayBeRefused(const QByteArray& xml, const STextCount& count, const SDeferredChildren* readAs) const
{
    if (xml.size() > (readAs ? readAs->maxBytes : kMaxDocumentBytes))
        return true;
    if (!count.sure || count.nodes + count.attributes > kMaxDocumentNodes || count.depth > kMaxDepth
        || count.widest > kMaxAttributes)
        return true;
    // The reader cuts out every child of that name of the first section of
    // that name below the root. Those written out in their place there are
    // weighed alone, as it weighs them (here with what it cuts out of them
    // again); all else, the rest, weighs as one tree. A child the reader
    // cuts that is still in the tree weighs in the rest here, alone there:
    // never less.
    const QDomElement root = m_document.documentElement();
    QVector<std::pair<QDomElement, QString>> sections;
    for (int i = 0; readAs && i < readAs->cuts.size(); ++i) {
        const SDeferredChildren::SLevel& cut = readAs->cuts[i].levels[0];
        if (cut.section && cut.child)
            sections.append({root.firstChildElement(QLatin1String(cut.section)), QLatin1String(cut.child)});
    }
    const auto cutOut = [&sections](const SWrittenOut& written) {
        for (const auto& section : sections) {
            if (!section.first.isNull() && written.mark.parentNode() == section.first && written.tag == section.second)
                return true;
        }
        return false;
    };
    STextCount rest = count;
    qint64 restBytes = xml.size(), largestChild = 0, largestChildNodes = 0;
    for (const SWrittenOut& written : m_writtenOut) {
        if (written.taken || !cutOut(written))
            continue;
        rest.nodes -= written.count.nodes;
        rest.attributes -= written.count.attributes;
        restBytes -= written.elementBytes;
        largestChild = std::max(largestChild,
                                TreeBytes(written.count.nodes, written.count.attributes, written.elementBytes));
        largestChildNodes = std::max(largestChildNodes, written.count.nodes + written.count.attributes);
    }
    // Nodes are weighed as bytes are: the rest as one tree, each child
    // written out alone.
    const qint64 trees = TreeBytes(rest.nodes, rest.attributes, restBytes) + largestChild;
    return trees > kMaxTreeBytes || trees + xml.size() > kMaxReadBytes
        || rest.nodes + rest.attributes > kMaxNodes || largestChildNodes > kMaxNodes;
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

QByteArray CXmlDocument::WriteText(int maxBytes, STextCount* count, bool giveUpTexts) const
{
    QByteArray out;
    qint64 writtenOut = 0;
    for (const SWrittenOut& written : m_writtenOut)
        writtenOut += written.text.size();
    out.reserve(int(std::min<qint64>(writtenOut + 1024 * 1024, maxBytes)));
    // Nothing is taken from the texts here, unless given up: they stay for
    // the next time.
    auto& texts = const_cast<QVector<SWrittenOut>&>(m_writtenOut);
    for (QDomNode node = m_document.firstChild(); !node.isNull(); node = node.nextSibling())
        AppendNode(out, node, 0, {texts, maxBytes, count, giveUpTexts});
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
    QByteArray& text = written.text;
    qint64 belowBytes = 0;
    AppendNode(text, child, depth,
               {m_writtenOut, std::numeric_limits<int>::max(), &written.count, false, &written.below, &belowBytes});
    // Held until the file is written, by the hundred thousand.
    text.squeeze();
    written.bytes = text.size() + belowBytes;
    // The reader cuts the element out of the text without its indent and
    // line break.
    int first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    written.elementBytes = written.bytes - first - (text.endsWith('\n') ? 1 : 0);
    written.tag = child.tagName();
    written.mark = m_document.createProcessingInstruction(kWrittenOutMark, QString::number(m_writtenOut.size()));
    parent.replaceChild(written.mark, child);
    m_writtenOut.append(std::move(written));
}
