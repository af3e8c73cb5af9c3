// The document's tree: the cursor over its elements, typed attributes on
// the current element and the encoders of the values they hold.

#include "model/XmlDocument.h"

#include "model/BlobCompressor.h"
#include "model/ColorMath.h"

#include <QStringList>
#include <QVector>

#include <algorithm>

// ---- Tree and cursor ----

void CXmlDocument::NewDocument()
{
    m_document = QDomDocument();
    for (QDomElement& element : m_element)
        element = QDomElement();
    m_writtenOut.clear();
    m_writtenTags.clear();
    m_writtenText = CPackedText();
    QDomElement root = m_document.createElement(QStringLiteral("ZKFile"));
    root.setAttribute(QStringLiteral("Version"), m_version);
    m_grownNodes = 2;
    m_grownBytes = root.tagName().size() + 7 + m_version.size();
    m_document.appendChild(root);
    m_element[RootSlot] = root;
    m_element[CurrentSlot] = root;
}

void CXmlDocument::AddElement(const QString& tag, QDomElement parent)
{
    QDomElement element = m_document.createElement(tag);
    parent.appendChild(element);
    m_element[CurrentSlot] = element;
    ++m_grownNodes;
    m_grownBytes += tag.size() + 3;
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

void CXmlDocument::SetAttr(const QString& name, const QString& text)
{
    QDomElement& element = m_element[CurrentSlot];
    if (element.hasAttribute(name)) {
        m_grownBytes -= element.attribute(name).size();
    } else {
        ++m_grownNodes;
        m_grownBytes += name.size() + 4;
    }
    m_grownBytes += text.size();
    element.setAttribute(name, text);
}

void CXmlDocument::SetAttrString(const QString& name, const QString& text)
{
    SetAttr(name, text);
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
    SetAttr(name, NumberText(value));
}

void CXmlDocument::SetAttrByte(const QString& name, quint8 value)
{
    SetAttr(name, NumberText(int(value)));
}

void CXmlDocument::SetAttrBool(const QString& name, bool value)
{
    SetAttr(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void CXmlDocument::SetAttrColor(const QString& name, const QColor& color)
{
    SetAttrInt(name, ColorToInt(color));
}

bool CXmlDocument::GetAttrString(const QString& name, QString& text) const
{
    if (!AttrText(name, text))
        return false;
    if (!m_parsedAttributes.contains(name))
        m_keptTextBytes += 2 * qint64(text.size());
    return true;
}

bool CXmlDocument::AttrText(const QString& name, QString& text) const
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
    if (!AttrText(name, text))
        return false;
    value = text.toInt(); // not a number: 0
    return true;
}

bool CXmlDocument::GetAttrWhole(const QString& name, int& value) const
{
    QString text;
    bool ok = false;
    const int parsed = AttrText(name, text) ? text.toInt(&ok, 10) : 0;
    if (ok)
        value = parsed;
    return ok;
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

void CXmlDocument::StringToIntList(const QString& text, QList<int>& list, int maxCount)
{
    list.clear();
    if (maxCount <= 0)
        return;
    ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& piece) {
        list.append(piece.toInt());
        return list.size() < maxCount;
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
