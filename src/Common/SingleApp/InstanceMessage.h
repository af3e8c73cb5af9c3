#pragma once

#include <QByteArray>
#include <QString>

// Wire format of the single-instance link. Every frame is a 32-bit
// big-endian byte count followed by that many bytes of UTF-8 text. A sender
// writes the greeting frame, then the message frame; the running instance
// answers with the acknowledgement frame once it has taken the message.
namespace InstanceMessage {

// Nothing legitimate comes near this: a message is one file path.
constexpr int kMaxFrameBytes = 64 * 1024;

QByteArray EncodeFrame(const QString& text);

QString Greeting(const QString& key);
QString Acknowledgement();

// Collects bytes as they arrive and hands out whole frames. Once a frame
// announces more than kMaxFrameBytes the reader is broken for good: the
// peer is not one of ours and the connection is dropped.
class CFrameReader
{
public:
    void Append(const QByteArray& bytes);
    // Takes the next whole frame into `text`; false when none is complete yet.
    bool Next(QString& text);
    bool IsBroken() const { return m_broken; }

private:
    QByteArray m_buffer;
    bool m_broken = false;
};

} // namespace InstanceMessage
