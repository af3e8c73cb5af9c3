#include "Common/ArtNet/ArtNetPackets.h"

#include <cstring>

namespace ArtNet {

namespace {

constexpr char kId[8] = {'A', 'r', 't', '-', 'N', 'e', 't', '\0'};
constexpr int kIdSize = 8;
constexpr int kShortNameSize = 18;
constexpr int kLongNameSize = 64;

// Offsets in an ArtPollReply.
constexpr int kReplyIp = 10;
constexpr int kReplyNet = 18;
constexpr int kReplySubNet = 19;
constexpr int kReplyShortName = 26;
constexpr int kReplyLongName = 44;
constexpr int kReplyNumPortsLo = 173;
constexpr int kReplyPortTypes = 174;
constexpr int kReplySwOut = 190;
constexpr int kReplyBindIndex = 211;
constexpr quint8 kPortTypeOutput = 0x80;

quint8 ByteAt(const QByteArray& bytes, int offset)
{
    return static_cast<quint8>(bytes.at(offset));
}

// Names go into the debug log: a forged one must not write lines of its
// own there, so control characters are written as escapes.
QString FixedString(const QByteArray& bytes, int offset, int size)
{
    const char* begin = bytes.constData() + offset;
    const void* nul = std::memchr(begin, '\0', size_t(size));
    const int length = nul ? int(static_cast<const char*>(nul) - begin) : size;
    const QString text = QString::fromLatin1(begin, length).trimmed();
    QString printable;
    printable.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            printable += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            printable += c;
    }
    return printable;
}

void AppendHeader(QByteArray& packet, quint16 opCode)
{
    packet.append(kId, kIdSize);
    packet.append(char(opCode & 0xFF));
    packet.append(char(opCode >> 8));
}

} // namespace

quint16 OpCodeOf(const QByteArray& packet)
{
    if (packet.size() < kIdSize + 2 || std::memcmp(packet.constData(), kId, kIdSize) != 0)
        return 0;
    return quint16(ByteAt(packet, 8) | (ByteAt(packet, 9) << 8));
}

QByteArray EncodePoll()
{
    QByteArray packet;
    packet.reserve(kPollSize);
    AppendHeader(packet, kOpPoll);
    packet.append(char(0));
    packet.append(char(kProtocolVersion));
    packet.append(char(0)); // flags: reply only when polled
    packet.append(char(0)); // diagnostics priority: none requested
    return packet;
}

QByteArray EncodeDmx(quint16 portAddress, quint8 sequence, const quint8* levels)
{
    QByteArray packet(kDmxPacketSize, Qt::Uninitialized);
    EncodeDmx(packet.data(), portAddress, sequence, levels);
    return packet;
}

void EncodeDmx(char* packet, quint16 portAddress, quint8 sequence, const quint8* levels)
{
    portAddress &= kPortAddressCount - 1;
    std::memcpy(packet, kId, kIdSize);
    packet[8] = char(kOpDmx & 0xFF);
    packet[9] = char(kOpDmx >> 8);
    packet[10] = char(0);
    packet[11] = char(kProtocolVersion);
    packet[12] = char(sequence);
    packet[13] = char(0); // physical input: the levels come from no DMX input
    packet[14] = char(portAddress & 0xFF);
    packet[15] = char(portAddress >> 8);
    packet[16] = char(kDmxSlots >> 8);
    packet[17] = char(kDmxSlots & 0xFF);
    std::memcpy(packet + kDmxHeaderSize, levels, kDmxSlots);
}

std::optional<SPollReply> DecodePollReply(const QByteArray& packet)
{
    if (packet.size() < kMinPollReplySize || OpCodeOf(packet) != kOpPollReply)
        return std::nullopt;

    SPollReply reply;
    reply.address = quint32(ByteAt(packet, kReplyIp)) << 24 | quint32(ByteAt(packet, kReplyIp + 1)) << 16
                    | quint32(ByteAt(packet, kReplyIp + 2)) << 8 | quint32(ByteAt(packet, kReplyIp + 3));
    if (!IsUnicastNodeAddress(reply.address))
        return std::nullopt;

    reply.shortName = FixedString(packet, kReplyShortName, kShortNameSize);
    reply.longName = FixedString(packet, kReplyLongName, kLongNameSize);
    if (packet.size() > kReplyBindIndex && ByteAt(packet, kReplyBindIndex) != 0)
        reply.bindIndex = ByteAt(packet, kReplyBindIndex);

    // The high byte of NumPorts is reserved; a node never has more than four per reply.
    const int ports = qMin(int(ByteAt(packet, kReplyNumPortsLo)), kMaxPortsPerReply);
    const int net = ByteAt(packet, kReplyNet);
    const int subNet = ByteAt(packet, kReplySubNet);
    for (int i = 0; i < ports; ++i) {
        if (ByteAt(packet, kReplyPortTypes + i) & kPortTypeOutput)
            reply.outputs << PortAddress(net, subNet, ByteAt(packet, kReplySwOut + i));
    }
    return reply;
}

quint16 PortAddress(int net, int subNet, int universe)
{
    return quint16((net & 0x7F) << 8 | (subNet & 0x0F) << 4 | (universe & 0x0F));
}

bool IsUnicastNodeAddress(quint32 address)
{
    const quint32 firstOctet = address >> 24;
    return firstOctet != 0 && firstOctet < 224;
}

} // namespace ArtNet
