#include "model/XmlDocument.h"

#include "Captions.h"
#include "model/BlobCompressor.h"
#include "model/ColorMath.h"
#include "model/Language.h"
#include "model/SafeWrite.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>
#include <QVector>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <iterator>
#include <limits>
#include <cstring>
#include <memory>

namespace {

// Deflate never expands better than about 1032:1, so a stream of n bytes
// cannot honestly hold more than this; a size header above it is a lie we
// need not allocate for.
constexpr qint64 kMaxDeflateRatio = 1032;

// CMF/FLG of RFC 1950: deflate, a window of at most 32 KB, a check that
// holds, and no preset dictionary (qCompress never uses one).
bool IsZlibHeader(quint8 cmf, quint8 flg)
{
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0 && !(flg & 0x20);
}

quint8 ScrambleKey(qint64 position)
{
    return quint8(0x5C + position * 0x1D);
}

QByteArray Scramble(const QByteArray& bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]) ^ ScrambleKey(i);
        out[i] = char(quint8((b << 3) | (b >> 5)));
    }
    return out;
}

QByteArray Unscramble(const QByteArray& bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        out[i] = char(quint8((b >> 3) | (b << 5)) ^ ScrambleKey(i));
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Unlike QByteArray::fromHex, which skips what it does not understand,
// this refuses any stray character and an odd digit count (a cut file).
bool DecodeHexStrict(const QByteArray& text, QByteArray& out)
{
    // Through plain pointers: a step's levels are tens of kilobytes of
    // digits, and a show holds thousands of them.
    const char* begin = text.constData();
    const char* end = begin + text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1])))
        --end;
    if ((end - begin) % 2 != 0)
        return false;
    out.resize(int(end - begin) / 2);
    char* target = out.data();
    for (const char* p = begin; p < end; p += 2) {
        const int high = HexValue(p[0]);
        const int low = HexValue(p[1]);
        if (high < 0 || low < 0) {
            out.clear();
            return false;
        }
        *target++ = char(high * 16 + low);
    }
    return true;
}

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString TooLargeText(int maxBytes)
{
    return GetLangText(Txt::DocumentTooLarge).arg(maxBytes / (1024 * 1024));
}

// Largest stored form of a document of kMaxDocumentBytes in each mode.
qint64 MaxStoredBytes(int mode)
{
    return mode == CXmlDocument::HexStorage ? 2 * qint64(CXmlDocument::kMaxDocumentBytes) + 2
                                            : qint64(CXmlDocument::kMaxDocumentBytes) + 16;
}

bool ReadWholeFile(const QString& path, qint64 maxBytes, QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = GetLangText(Txt::CannotOpenFile).arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    if (!file.isSequential()) {
        if (file.size() > maxBytes) {
            error = TooLargeText(CXmlDocument::kMaxDocumentBytes);
            return false;
        }
        bytes = file.readAll();
    } else {
        bytes.clear();
        while (bytes.size() <= maxBytes) {
            const QByteArray chunk = file.read(64 * 1024);
            if (chunk.isEmpty())
                break;
            bytes.append(chunk);
        }
    }
    if (bytes.size() > maxBytes) {
        bytes.clear();
        error = TooLargeText(CXmlDocument::kMaxDocumentBytes);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        error = GetLangText(Txt::CannotOpenFile).arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QString reason;
    if (SafeWriteFile(path, bytes, &reason))
        return true;
    SetError(error, GetLangText(Txt::CannotWriteFile).arg(QDir::toNativeSeparators(path), reason));
    return false;
}

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

// Children of one element written out before the text is (WriteOut), the
// length past which the rest of the text is of no use to the caller, and
// where what the reader will count of it is counted (the children written
// out are counted when they are).
struct SWrittenOut
{
    const QDomNode& parent;
    const QVector<QByteArray>& texts;
    int maxBytes = std::numeric_limits<int>::max();
    CXmlDocument::STextCount* count = nullptr;
};

void AppendNode(QByteArray& out, const QDomNode& node, int depth, const SWrittenOut& writtenOut)
{
    if (out.size() > writtenOut.maxBytes)
        return;
    CXmlDocument::STextCount* const count = writtenOut.count;
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
    const bool written = !writtenOut.texts.isEmpty() && node == writtenOut.parent;
    if (count) {
        ++count->nodes;
        count->attributes += attributes.size();
        if (written || node.hasChildNodes())
            count->depth = std::max(count->depth, depth + 1);
        // Near the root a namespace keeps the reader from cutting its
        // children apart, which changes what it weighs.
        static const char kNamespace[] = "xmlns";
        const char* const from = out.constData() + tagStart;
        const char* const to = out.constData() + out.size();
        if (depth <= 1 && std::search(from, to, kNamespace, kNamespace + 5) != to)
            count->sure = false;
    }
    if (written) {
        // Written out as element children: the same bytes they would make
        // as children of the tree.
        out += ">\n";
        for (const QByteArray& text : writtenOut.texts) {
            const qint64 room = qint64(writtenOut.maxBytes) + 1 - out.size();
            if (room > 0)
                out.append(text.constData(), int(std::min<qint64>(text.size(), room)));
        }
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            AppendNode(out, child, depth + 1, writtenOut);
        out.append(depth, ' ');
        out += "</";
        AppendName(out, tag);
        out += '>';
    } else if (node.hasChildNodes()) {
        out += '>';
        if (!node.firstChild().isText())
            out += '\n';
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            AppendNode(out, child, depth + 1, writtenOut);
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

QString SiblingCopyPath(const QString& path, const char* tag)
{
    const QFileInfo info(path);
    return QStringLiteral("%1/%2_%3.%4").arg(info.path(), info.completeBaseName(), QLatin1String(tag), info.suffix());
}

} // namespace

// ---- Tree and cursor ----

void CXmlDocument::NewDocument()
{
    m_document = QDomDocument();
    for (QDomElement& element : m_element)
        element = QDomElement();
    m_writtenOutParent = QDomNode();
    m_writtenOut.clear();
    m_writtenOutCounts.clear();
    QDomElement root = m_document.createElement(QStringLiteral("ZKFile"));
    root.setAttribute(QStringLiteral("Version"), m_version);
    m_document.appendChild(root);
    m_element[RootSlot] = root;
    m_element[CurrentSlot] = root;
}

void CXmlDocument::AddElement(const QString& tag, QDomElement parent)
{
    QDomElement element = m_document.createElement(tag);
    parent.appendChild(element);
    m_element[CurrentSlot] = element;
}

bool CXmlDocument::SelectElement(const QString& tag, int index)
{
    QDomElement& current = m_element[CurrentSlot];
    if (tag == QLatin1String("..")) {
        const QDomNode parent = current.parentNode();
        if (!parent.isElement())
            return false;
        current = parent.toElement();
        return true;
    }
    if (index < -1)
        return false;
    QDomElement child = current.firstChildElement(tag);
    for (int i = 0; i < index && !child.isNull(); ++i)
        child = child.nextSiblingElement(tag);
    if (child.isNull())
        return false;
    current = child;
    return true;
}

bool CXmlDocument::SelectBookmark()
{
    if (m_element[BookmarkSlot].isNull())
        return false;
    m_element[CurrentSlot] = m_element[BookmarkSlot];
    return true;
}

// ---- Attributes ----

void CXmlDocument::SetAttrString(const QString& name, const QString& text)
{
    m_element[CurrentSlot].setAttribute(name, text);
}

namespace {

// Most numbers a show writes are small (times, flags, ids, levels): those
// share one text each instead of a string per attribute of the tree.
constexpr int kSharedNumbers = 1024;

QString NumberText(int value)
{
    static const QVector<QString> shared = [] {
        QVector<QString> texts;
        texts.reserve(kSharedNumbers + 1);
        for (int i = -1; i < kSharedNumbers; ++i)
            texts.append(QString::number(i));
        return texts;
    }();
    return value >= -1 && value < kSharedNumbers ? shared[value + 1] : QString::number(value);
}

} // namespace

void CXmlDocument::SetAttrInt(const QString& name, int value)
{
    m_element[CurrentSlot].setAttribute(name, NumberText(value));
}

void CXmlDocument::SetAttrByte(const QString& name, quint8 value)
{
    m_element[CurrentSlot].setAttribute(name, NumberText(int(value)));
}

void CXmlDocument::SetAttrBool(const QString& name, bool value)
{
    m_element[CurrentSlot].setAttribute(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void CXmlDocument::SetAttrColor(const QString& name, const QColor& color)
{
    SetAttrInt(name, ColorToInt(color));
}

bool CXmlDocument::GetAttrString(const QString& name, QString& text) const
{
    const QDomElement& current = m_element[CurrentSlot];
    if (!current.hasAttribute(name))
        return false;
    text = current.attribute(name);
    return true;
}

bool CXmlDocument::GetAttrInt(const QString& name, int& value) const
{
    QString text;
    if (!GetAttrString(name, text))
        return false;
    value = text.toInt(); // not a number: 0
    return true;
}

bool CXmlDocument::GetAttrLong(const QString& name, long& value) const
{
    int parsed = 0;
    if (!GetAttrInt(name, parsed))
        return false;
    value = parsed;
    return true;
}

bool CXmlDocument::GetAttrTime(const QString& name, int& ms) const
{
    int parsed = 0;
    if (!GetAttrInt(name, parsed))
        return false;
    ms = std::clamp(parsed, 0, kMaxTimeMs);
    return true;
}

bool CXmlDocument::GetAttrByte(const QString& name, quint8& value) const
{
    int parsed = 0;
    if (!GetAttrInt(name, parsed))
        return false;
    value = quint8(parsed & 0xFF);
    return true;
}

bool CXmlDocument::GetAttrBool(const QString& name, bool& value) const
{
    int parsed = 0;
    if (!GetAttrInt(name, parsed))
        return false;
    value = parsed != 0;
    return true;
}

bool CXmlDocument::GetAttrColor(const QString& name, QColor& color) const
{
    int parsed = 0;
    if (!GetAttrInt(name, parsed))
        return false;
    color = IntToColor(parsed);
    return true;
}

// ---- Value encoders ----

QString CXmlDocument::BoolArrayToString(const quint8* flags, int count)
{
    if (!flags || count <= 0)
        return QString();
    QString text(count, Qt::Uninitialized);
    QChar* out = text.data();
    for (int i = 0; i < count; ++i)
        out[i] = flags[i] ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

void CXmlDocument::StringToBoolArray(const QString& text, quint8* flags, int size)
{
    if (!flags)
        return;
    const int count = std::min(int(text.size()), size);
    for (int i = 0; i < count; ++i)
        flags[i] = text[i] == QLatin1Char('1') ? 1 : 0;
}

QString CXmlDocument::BytesToDigits(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() * 3);
    for (char b : bytes)
        text.append(QStringLiteral("%1").arg(uint(quint8(b)), 3, 10, QLatin1Char('0')));
    return text;
}

void CXmlDocument::DigitsToBytes(const QString& text, QByteArray& bytes)
{
    const int count = text.size() / 3;
    bytes.resize(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = char(text.midRef(3 * i, 3).toInt() & 0xFF);
}

QString CXmlDocument::IntListToString(const QList<int>& list)
{
    QStringList pieces;
    pieces.reserve(list.size());
    for (int value : list)
        pieces.append(QString::number(value));
    return pieces.join(QLatin1Char('|'));
}

void CXmlDocument::StringToIntList(const QString& text, QList<int>& list)
{
    list.clear();
    ForEachPiece(text, QLatin1Char('|'), [&list](const QStringRef& piece) {
        list.append(piece.toInt());
        return true;
    });
}

QString CXmlDocument::EncodeBlob(const QByteArray& bytes)
{
    CBlobCompressor compressor;
    return EncodeBlob(bytes, compressor);
}

QString CXmlDocument::EncodeBlob(const QByteArray& bytes, CBlobCompressor& compressor)
{
    return QString::fromLatin1(compressor.Compress(bytes).toHex());
}

bool CXmlDocument::DecodeBlob(const QString& text, QByteArray& bytes) const
{
    CBlobCompressor compressor;
    return DecodeBlob(text, bytes, compressor);
}

bool CXmlDocument::DecodeBlob(const QString& text, QByteArray& bytes, CBlobCompressor& compressor) const
{
    bytes.clear();
    QByteArray compressed;
    if (m_oldFile) {
        // Old files kept the compressed bytes as the raw code units of the text.
        compressed.reserve(text.size() * 2);
        for (QChar ch : text) {
            compressed.append(char(ch.unicode() & 0xFF));
            compressed.append(char(ch.unicode() >> 8));
        }
    } else if (!DecodeHexStrict(text.toLatin1(), compressed)) {
        return false;
    }
    return UncompressBounded(compressed, bytes, nullptr, kMaxDocumentBytes, &compressor);
}

void CXmlDocument::WriteMatrixSize(int x, int y)
{
    AddElement(QStringLiteral("ZKMatrix"), m_element[CurrentSlot]);
    SetAttrInt(QStringLiteral("ZKMatrixSizeX"), x);
    SetAttrInt(QStringLiteral("ZKMatrixSizeY"), y);
}

// ---- Storage ----

int CXmlDocument::GetStorageMode(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("zks") || suffix == QLatin1String("zkp"))
        return ScrambledStorage;
    if (suffix == QLatin1String("kv1") || suffix == QLatin1String("kvp"))
        return HexStorage;
    return CompressedStorage;
}

QByteArray CXmlDocument::EncodeStorage(int mode, const QByteArray& xml)
{
    switch (mode) {
    case ScrambledStorage:
        return Scramble(xml);
    case HexStorage:
        return xml.toHex();
    default:
        return qCompress(xml, -1);
    }
}

bool CXmlDocument::DecodeStorage(int mode, const QByteArray& stored, QByteArray& xml, QString& error)
{
    xml.clear();
    switch (mode) {
    case ScrambledStorage:
        if (stored.size() > kMaxDocumentBytes) {
            error = TooLargeText(kMaxDocumentBytes);
            return false;
        }
        xml = Unscramble(stored);
        return true;
    case HexStorage:
        if (stored.size() / 2 > kMaxDocumentBytes) {
            error = TooLargeText(kMaxDocumentBytes);
            return false;
        }
        if (!DecodeHexStrict(stored, xml)) {
            error = GetLangText(Txt::NotHexText);
            return false;
        }
        return true;
    default:
        return UncompressBounded(stored, xml, &error);
    }
}

namespace {

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

qint64 TreeBytes(qint64 nodes, qint64 attributes, qint64 bytes)
{
    return nodes * kTreeNodeBytes + attributes * kTreeAttributeBytes + bytes * kTreeTextBytes;
}

std::atomic<qint64> g_scannedBytes{0};
std::atomic<qint64> g_parsedBytes{0};

} // namespace

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
    if (cut)
        cut->ranges.clear();
    bool cutSafe = cut != nullptr;
    enum { BeforeSection, InSection, AfterSection } section = BeforeSection;
    const char* childStart = nullptr;
    qint64 childNodes = 0, childAttributes = 0;
    qint64 cutNodes = 0, cutAttributes = 0, cutBytes = 0, largestChild = 0;
    const auto nameIs = [&end](const char* name, const char* wanted) {
        const size_t size = std::strlen(wanted);
        return size_t(end - name) > size && std::memcmp(name, wanted, size) == 0
            && (IsXmlSpace(name[size]) || name[size] == '/' || name[size] == '>');
    };
    const auto endChild = [&] {
        const qint64 n = nodes - childNodes, a = attributes - childAttributes, bytes = p - childStart;
        cut->ranges.append({int(childStart - begin), int(p - begin)});
        cutNodes += n;
        cutAttributes += a;
        cutBytes += bytes;
        largestChild = std::max(largestChild, TreeBytes(n, a, bytes));
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
            + std::max(largestChild, TreeBytes(n, a, bytes));
    };
    const auto tooMuchMemory = [&] {
        if (cut)
            cut->ranges.clear();
        scannedTo = p;
        error = GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(kMaxTreeBytes / (1024 * 1024));
        return false;
    };

    while (p < end) {
        const char* const tag = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        nodes += TextNodes(p, tag ? tag : end, kMaxNodes - nodes - attributes);
        if (nodes + attributes > kMaxNodes)
            break;
        if (!tag || tag + 1 >= end) {
            p = end;
            break;
        }
        p = tag + 1;
        if (*p == '/') {
            depth = std::max(0, depth - 1);
            skipPast(">");
            if (cut && depth == 2 && childStart)
                endChild();
            else if (cut && depth == 1 && section == InSection)
                section = AfterSection;
            continue;
        }
        if (cut && depth == 2 && section == InSection && nameIs(p, cut->child)) {
            childStart = tag;
            childNodes = nodes;
            childAttributes = attributes;
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
                if (*p == '=')
                    ++attributes;
            }
            const bool empty = p < end && p[-1] == '/';
            if (cut && depth <= 1 && std::search(name, p, "xmlns", "xmlns" + 5) != p)
                cutSafe = false; // a child alone would lose its namespaces
            if (cut && depth == 1 && section == BeforeSection && nameIs(name, cut->section))
                section = empty ? AfterSection : InSection;
            if (p < end && !empty && ++depth > kMaxDepth) {
                scannedTo = p;
                error = GetLangText(Txt::DocumentTooDeep).arg(kMaxDepth);
                return false;
            }
            p = std::min(p + 1, end);
            if (cut && empty && depth == 2 && childStart)
                endChild();
        }
        if (nodes + attributes > kMaxNodes)
            break;
        if (treeBytesSoFar() > kMaxTreeBytes)
            return tooMuchMemory();
    }
    scannedTo = p;
    if (nodes + attributes > kMaxNodes) {
        error = GetLangText(Txt::DocumentTooManyElements).arg(kMaxNodes);
        return false;
    }
    if (cut && (!cutSafe || childStart))
        cut->ranges.clear();
    if (!cut || cut->ranges.isEmpty())
        cutNodes = cutAttributes = cutBytes = largestChild = 0;
    // Markup counts as text here: an estimate a little over, never under.
    if (TreeBytes(nodes - cutNodes, attributes - cutAttributes, xml.size() - cutBytes) + largestChild > kMaxTreeBytes)
        return tooMuchMemory();
    return true;
}

bool CXmlDocument::UncompressBounded(const QByteArray& data, QByteArray& out, QString* error, int maxBytes,
                                     CBlobCompressor* inflater)
{
    out.clear();
    if (data.size() < 4) {
        SetError(error, GetLangText(Txt::DamagedCompressedData));
        return false;
    }
    const auto* header = reinterpret_cast<const uchar*>(data.constData());
    const quint32 expected = (quint32(header[0]) << 24) | (quint32(header[1]) << 16)
        | (quint32(header[2]) << 8) | quint32(header[3]);
    if (expected == 0)
        return true; // what qCompress makes of nothing
    // A picture or random bytes also start with four bytes that read as a
    // size: only behind a zlib stream header is it a size at all, and only
    // within what deflate can reach is it an honest one.
    const qint64 streamBytes = data.size() - 4;
    if (streamBytes < 2 || !IsZlibHeader(header[4], header[5])) {
        SetError(error, GetLangText(Txt::NotAProjectFile));
        return false;
    }
    if (expected > streamBytes * kMaxDeflateRatio + 64) {
        SetError(error, GetLangText(Txt::DamagedCompressedData));
        return false;
    }
    if (expected > quint32(std::max(0, maxBytes))) {
        SetError(error, TooLargeText(maxBytes));
        return false;
    }
    const qint64 capacity = std::min<qint64>(expected, streamBytes * kMaxDeflateRatio + 64);
    QByteArray buffer(int(capacity), Qt::Uninitialized);
    // A compressor of its own only without a kept one, which a reader of
    // many blobs passes so as to make none for each.
    std::unique_ptr<CBlobCompressor> ownInflater;
    if (!inflater) {
        ownInflater = std::make_unique<CBlobCompressor>();
        inflater = ownInflater.get();
    }
    qint64 produced = 0;
    if (!inflater->Inflate(header + 4, streamBytes, buffer.data(), capacity, produced)) {
        SetError(error, GetLangText(Txt::DamagedCompressedData));
        return false;
    }
    buffer.resize(int(produced));
    out = buffer;
    return true;
}

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
    return true;
}

bool CXmlDocument::ParseDeferred(int index, QDomDocument& tree, QString& error) const
{
    const auto range = m_deferredRanges.value(index, {0, 0});
    const QByteArray text = QByteArray::fromRawData(m_deferredText.constData() + range.first,
                                                    range.second - range.first);
    return BuildTree(tree, text, error, range.first);
}

void CXmlDocument::DropDeferred()
{
    m_deferredText = QByteArray();
    m_deferredRanges.clear();
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

bool CXmlDocument::SaveFile(const QString& path, QString* error, const SDeferredChildren* readAs) const
{
    const int mode = GetStorageMode(path);
    // The whole text is made and checked as the reader checks it before a
    // byte of the file is replaced: a show that would not open again is
    // refused with the reader's reason, and the one saved before stays.
    // Past the bound on its size the rest of the text is not made. What the
    // reader counts is counted as the text is made; only a text those counts
    // cannot clear is scanned again as the reader scans it.
    STextCount tree;
    const QByteArray xml = WriteText(kMaxDocumentBytes, &tree);
    QString refusal;
    if (MayBeRefused(xml, tree, readAs) && Refuses(xml, refusal, readAs)) {
        SetError(error, GetLangText(Txt::CannotWriteFile)
                            .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(refusal)));
        return false;
    }
    QByteArray stored;
    if (mode == CompressedStorage) {
        // qCompress would first take a buffer the size of the text.
        stored = CBlobCompressor().CompressGrowing(xml);
    } else {
        stored = EncodeStorage(mode, xml);
    }
    // Compressed text is never empty (even nothing has its length): empty
    // means zlib ran out of memory, and writing it would replace the show
    // with an empty file.
    if (stored.isEmpty() && mode != ScrambledStorage && mode != HexStorage) {
        if (error)
            *error = qt_error_string(ENOMEM);
        return false;
    }
    return WriteWholeFile(path, stored, error);
}

bool CXmlDocument::Refuses(const QByteArray& xml, QString& reason, const SDeferredChildren* readAs)
{
    if (xml.size() > kMaxDocumentBytes) {
        reason = TooLargeText(kMaxDocumentBytes);
        return true;
    }
    SDeferredChildren deferred;
    if (readAs)
        deferred = *readAs;
    return !CheckStructure(xml, reason, readAs ? &deferred : nullptr);
}

bool CXmlDocument::MayBeRefused(const QByteArray& xml, const STextCount& tree, const SDeferredChildren* readAs) const
{
    if (xml.size() > kMaxDocumentBytes)
        return true;
    STextCount all = tree;
    for (const SWrittenOutCount& written : m_writtenOutCounts) {
        all.nodes += written.count.nodes;
        all.attributes += written.count.attributes;
        all.depth = std::max(all.depth, written.count.depth);
        all.sure = all.sure && written.count.sure;
    }
    if (!all.sure || all.nodes + all.attributes > kMaxNodes || all.depth > kMaxDepth)
        return true;
    // The reader cuts out every child of that name of the first section of
    // that name below the root. When those are exactly the children written
    // out, it weighs them as they are counted here; otherwise the whole
    // document, which weighs at least as much as what it would cut apart.
    const QDomElement root = m_document.documentElement();
    const QDomElement section = readAs && readAs->section && readAs->child
        ? root.firstChildElement(QLatin1String(readAs->section)) : QDomElement();
    // A child left in the tree weighs in the rest here, alone there: never less.
    bool cutAsRead = !section.isNull() && section == m_writtenOutParent && !m_writtenOut.isEmpty();
    for (int i = 0; cutAsRead && i < m_writtenOutCounts.size(); ++i)
        cutAsRead = m_writtenOutCounts[i].tag == QLatin1String(readAs->child);
    qint64 cutNodes = 0, cutAttributes = 0, cutBytes = 0, largestChild = 0;
    if (cutAsRead) {
        for (const SWrittenOutCount& written : m_writtenOutCounts) {
            cutNodes += written.count.nodes;
            cutAttributes += written.count.attributes;
            cutBytes += written.elementBytes;
            largestChild = std::max(largestChild,
                                    TreeBytes(written.count.nodes, written.count.attributes, written.elementBytes));
        }
    }
    return TreeBytes(all.nodes - cutNodes, all.attributes - cutAttributes, xml.size() - cutBytes) + largestChild
        > kMaxTreeBytes;
}

QByteArray CXmlDocument::ToBytes() const
{
    return WriteText(std::numeric_limits<int>::max());
}

QByteArray CXmlDocument::WriteText(int maxBytes, STextCount* count) const
{
    QByteArray out;
    qint64 writtenOut = 0;
    for (const QByteArray& text : m_writtenOut)
        writtenOut += text.size();
    out.reserve(int(std::min<qint64>(writtenOut + 1024 * 1024, maxBytes)));
    for (QDomNode node = m_document.firstChild(); !node.isNull(); node = node.nextSibling())
        AppendNode(out, node, 0, {m_writtenOutParent, m_writtenOut, maxBytes, count});
    return out;
}

void CXmlDocument::WriteOut(QDomElement child)
{
    QDomNode parent = child.parentNode();
    if (parent.isNull() || !child.nextSibling().isNull())
        return;
    if (parent != m_writtenOutParent) {
        m_writtenOutParent = parent;
        m_writtenOut.clear();
        m_writtenOutCounts.clear();
    }
    int depth = 0;
    for (QDomNode above = parent; above.isElement(); above = above.parentNode())
        ++depth;
    QByteArray text;
    SWrittenOutCount written;
    AppendNode(text, child, depth, {QDomNode(), {}, std::numeric_limits<int>::max(), &written.count});
    // The reader cuts the element out of the text without its indent and
    // line break.
    int first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    written.elementBytes = text.size() - first - (text.endsWith('\n') ? 1 : 0);
    written.tag = child.tagName();
    m_writtenOut.append(text);
    m_writtenOutCounts.append(written);
    parent.removeChild(child);
}

bool CXmlDocument::CompressFileCopy(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(path, kMaxDocumentBytes, bytes, error))
        return false;
    return WriteWholeFile(SiblingCopyPath(path, "cp"), qCompress(bytes, -1), nullptr);
}

bool CXmlDocument::UncompressFileCopy(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(path, kMaxDocumentBytes, bytes, error))
        return false;
    QByteArray plain;
    if (!UncompressBounded(bytes, plain))
        return false;
    return WriteWholeFile(SiblingCopyPath(path, "ucp"), plain, nullptr);
}
