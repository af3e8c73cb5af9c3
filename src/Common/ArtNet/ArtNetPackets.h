#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// The three Art-Net packets the controller exchanges with nodes. Encoding and
// decoding are plain functions over bytes so they can be checked without a
// socket; everything received is treated as hostile.
namespace ArtNet {

constexpr quint16 kUdpPort = 6454;
constexpr quint16 kOpPoll = 0x2000;
constexpr quint16 kOpPollReply = 0x2100;
constexpr quint16 kOpDmx = 0x5000;
constexpr int kProtocolVersion = 14;
constexpr int kDmxSlots = 512;
constexpr int kPollSize = 14;
constexpr int kDmxHeaderSize = 18;
constexpr int kDmxPacketSize = kDmxHeaderSize + kDmxSlots;
// Nodes must send at least this much of a poll reply; older ones stop after the MAC address.
constexpr int kMinPollReplySize = 207;
constexpr int kMaxPortsPerReply = 4;
// A 15-bit Port-Address: Net (7 bits), Sub-Net (4 bits), universe (4 bits).
constexpr int kPortAddressCount = 0x8000;

struct SPollReply {
    quint32 address = 0; // IPv4, host order, from the reply's IP field
    quint8 bindIndex = 1; // which page of a node with more than four ports; 1 is the root
    QString shortName;
    QString longName;
    QVector<quint16> outputs; // Port-Address of every port that outputs DMX from the network
};

// The OpCode of an Art-Net packet, or 0 when the bytes are not an Art-Net packet.
quint16 OpCodeOf(const QByteArray& packet);

QByteArray EncodePoll();
// One ArtDmx packet carrying the 512 `levels` to `portAddress` (masked to 15 bits).
QByteArray EncodeDmx(quint16 portAddress, quint8 sequence, const quint8* levels);
// The same packet written into `packet`, kDmxPacketSize bytes, for a sender
// that keeps its buffers.
void EncodeDmx(char* packet, quint16 portAddress, quint8 sequence, const quint8* levels);
std::optional<SPollReply> DecodePollReply(const QByteArray& packet);

quint16 PortAddress(int net, int subNet, int universe);
// Whether `address` (host order) may be sent to as one node: not a wildcard,
// broadcast, multicast or reserved address that a forged reply could name.
bool IsUnicastNodeAddress(quint32 address);

} // namespace ArtNet
