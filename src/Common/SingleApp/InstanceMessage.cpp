#include "Common/SingleApp/InstanceMessage.h"

#include <QtEndian>

namespace InstanceMessage {

QByteArray EncodeFrame(const QString& text)
{
    const QByteArray payload = text.toUtf8();
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    frame.append(payload);
    return frame;
}

QString Greeting(const QString& key)
{
    return QStringLiteral("hello ") + key;
}

QString Acknowledgement()
{
    return QStringLiteral("ack");
}

void CFrameReader::Append(const QByteArray& bytes)
{
    if (!m_broken)
        m_buffer.append(bytes);
}

bool CFrameReader::Next(QString& text)
{
    if (m_broken || m_buffer.size() < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length > quint32(kMaxFrameBytes)) {
        m_broken = true;
        m_buffer.clear();
        return false;
    }
    if (quint32(m_buffer.size()) - 4 < length)
        return false;
    text = QString::fromUtf8(m_buffer.constData() + 4, int(length));
    m_buffer.remove(0, 4 + int(length));
    return true;
}

} // namespace InstanceMessage
