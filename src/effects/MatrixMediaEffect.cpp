#include "effects/MatrixMediaEffect.h"

#include "Captions.h"
#include "effects/EffectParams.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace {

// A stored frame is a small picture; a blob claiming more is hostile and is
// refused before it is uncompressed or decoded.
constexpr int kMaxFrameBytes = 4 * EffectLimits::kMaxFrameSide * EffectLimits::kMaxFrameSide + 4096;
// Pixels of all stored frames of one effect together.
constexpr qint64 kMaxStoredPixels = qint64(16) * 1024 * 1024;

bool IsHexText(const QString& text)
{
    if (text.size() % 2 != 0)
        return false;
    for (QChar ch : text) {
        const ushort c = ch.unicode();
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// The blob encoding of the document, with the frame's own size limit.
bool DecodeFrameBlob(const CXmlDocument& doc, const QString& text, QByteArray& bytes)
{
    QByteArray compressed;
    if (doc.m_oldFile) {
        // Old files kept the compressed bytes as the raw code units of the text.
        compressed.reserve(text.size() * 2);
        for (QChar ch : text) {
            compressed.append(char(ch.unicode() & 0xFF));
            compressed.append(char(ch.unicode() >> 8));
        }
    } else {
        if (!IsHexText(text))
            return false;
        compressed = QByteArray::fromHex(text.toLatin1());
    }
    return CXmlDocument::UncompressBounded(compressed, bytes, nullptr, kMaxFrameBytes);
}

// Null when the bytes are no picture or a picture larger than a frame can be.
QImage DecodeFrame(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > EffectLimits::kMaxFrameSide
        || size.height() > EffectLimits::kMaxFrameSide)
        return QImage();
    return reader.read();
}

QByteArray EncodeFrame(const QImage& frame)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (buffer.open(QIODevice::WriteOnly))
        frame.save(&buffer, "BMP");
    return bytes;
}

} // namespace

CMatrixMediaEffect::CMatrixMediaEffect()
    : CMatrixColorEffect(EffectType::MatrixMedia)
{
}

CMatrixMediaEffect::CMatrixMediaEffect(CFixtureMatrix* matrix, int fade)
    : CMatrixColorEffect(EffectType::MatrixMedia, matrix, fade)
{
}

QString CMatrixMediaEffect::GetName() const
{
    return m_file.isEmpty() ? GetLangText(Txt::EffectMedia) : QFileInfo(m_file).completeBaseName();
}

void CMatrixMediaEffect::SetSourceSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    m_frames.clear();
    // At least one pixel, so that every frame added stays a picture.
    if (width <= height) {
        m_frameHeight = 100;
        m_frameWidth = qMax(1, int(qint64(width) * 100 / height));
    } else {
        m_frameWidth = 100;
        m_frameHeight = qMax(1, int(qint64(height) * 100 / width));
    }
}

void CMatrixMediaEffect::AddFrame(const QImage& image)
{
    m_frames.append(image.scaled(m_frameWidth, m_frameHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void CMatrixMediaEffect::Load(CXmlDocument& doc)
{
    CMatrixColorEffect::Load(doc);
    m_mediaType = 0;
    doc.GetAttrInt(QStringLiteral("ZKEMediaType"), m_mediaType);
    doc.GetAttrString(QStringLiteral("ZKEFile"), m_file);
    if (m_mediaType != StoredFrames)
        return;
    qint64 pixels = 0;
    for (const QImage& frame : qAsConst(m_frames))
        pixels += qint64(frame.width()) * frame.height();
    ReadEffectParams(doc, QStringLiteral("ZKEParams"), QStringLiteral("ZKEPixmap"), EffectLimits::kMaxMediaFrames,
                     [&](CXmlDocument& item) {
                         QString text;
                         if (!item.GetAttrString(QStringLiteral("ZKEData"), text)
                             || m_frames.size() >= EffectLimits::kMaxMediaFrames)
                             return;
                         // A frame that cannot be decoded still takes its place, as a black one.
                         QImage frame;
                         QByteArray bytes;
                         if (DecodeFrameBlob(item, text, bytes))
                             frame = DecodeFrame(bytes);
                         const qint64 framePixels = qint64(frame.width()) * frame.height();
                         if (pixels + framePixels > kMaxStoredPixels)
                             frame = QImage();
                         else
                             pixels += framePixels;
                         m_frames.append(frame);
                     });
}

void CMatrixMediaEffect::Save(CXmlDocument& doc) const
{
    CMatrixColorEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEMediaType"), m_mediaType);
    doc.SetAttrString(QStringLiteral("ZKEFile"), m_file);
    if (m_mediaType != StoredFrames || m_frames.isEmpty())
        return;
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(m_frames.size(), QStringLiteral("ZKEParams"));
    for (const QImage& frame : m_frames) {
        writer.AddEffectParam(QStringLiteral("ZKEPixmap"));
        doc.SetAttrString(QStringLiteral("ZKEData"), CXmlDocument::EncodeBlob(EncodeFrame(frame)));
    }
    writer.ReturnToEffect();
}
