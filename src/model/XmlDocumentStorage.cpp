// How the text is kept on disk: the three storage modes, whole files read
// and written within bounds, bounded uncompressing and the maintenance
// copies.

#include "model/XmlDocument.h"

#include "Captions.h"
#include "model/BlobCompressor.h"
#include "model/Language.h"
#include "model/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
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

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString SiblingCopyPath(const QString& path, const char* tag)
{
    const QFileInfo info(path);
    return QStringLiteral("%1/%2_%3.%4").arg(info.path(), info.completeBaseName(), QLatin1String(tag), info.suffix());
}

} // namespace

// ---- Storage ----

bool CXmlDocument::DecodeHexStrict(const QByteArray& text, QByteArray& out)
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

bool CXmlDocument::DecodeStorage(int mode, const QByteArray& stored, QByteArray& xml, QString& error, int maxBytes)
{
    xml.clear();
    switch (mode) {
    case ScrambledStorage:
        if (stored.size() > maxBytes) {
            error = TooLargeText(maxBytes);
            return false;
        }
        xml = Unscramble(stored);
        return true;
    case HexStorage:
        if (stored.size() / 2 > maxBytes) {
            error = TooLargeText(maxBytes);
            return false;
        }
        if (!DecodeHexStrict(stored, xml)) {
            error = GetLangText(Txt::NotHexText);
            return false;
        }
        return true;
    default:
        return UncompressBounded(stored, xml, &error, maxBytes);
    }
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

// ---- Whole files ----

QString CXmlDocument::TooLargeText(int maxBytes)
{
    return GetLangText(Txt::DocumentTooLarge).arg(maxBytes / (1024 * 1024));
}

bool CXmlDocument::ReadWholeFile(const QString& path, qint64 maxBytes, QByteArray& bytes, QString& error,
                                 int documentBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = GetLangText(Txt::CannotOpenFile).arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    if (!file.isSequential()) {
        if (file.size() > maxBytes) {
            error = TooLargeText(documentBytes);
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
        error = TooLargeText(documentBytes);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        error = GetLangText(Txt::CannotOpenFile).arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

bool CXmlDocument::WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QString reason;
    if (SafeWriteFile(path, bytes, &reason))
        return true;
    SetError(error, GetLangText(Txt::CannotWriteFile).arg(QDir::toNativeSeparators(path), reason));
    return false;
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
