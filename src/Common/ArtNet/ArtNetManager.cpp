#include "Common/ArtNet/ArtNetManager.h"

#include "devices/DeviceLog.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

namespace {

// Poll replies are 239 bytes; anything longer is cut here rather than read whole.
constexpr qint64 kMaxDatagram = 1024;

QString PortList(const QVector<quint16>& outputs)
{
    QStringList ports;
    for (quint16 portAddress : outputs)
        ports << QString::number(portAddress);
    return ports.join(QLatin1Char(','));
}

} // namespace

CArtNetManager::CArtNetManager(QObject* parent)
    : QObject(parent)
{
    m_pollTimer.setInterval(kPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CArtNetManager::OnPollTimer);
    m_clock.start();
}

CArtNetManager::~CArtNetManager() = default;

bool CArtNetManager::Start(const QHostAddress& bindAddress)
{
    Stop();
    auto socket = std::make_unique<QUdpSocket>();
    // Other Art-Net software on the same machine listens on the same port.
    if (!socket->bind(bindAddress, ArtNet::kUdpPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: cannot open UDP port %1 on %2: %3")
                                            .arg(ArtNet::kUdpPort)
                                            .arg(bindAddress.toString(), socket->errorString());
        m_failed = true;
        return false;
    }
    m_socket = std::move(socket);
    m_failed = false;
    connect(m_socket.get(), &QUdpSocket::readyRead, this, &CArtNetManager::OnReadyRead);
    Poll();
    m_pollTimer.start();
    return true;
}

void CArtNetManager::Stop()
{
    m_pollTimer.stop();
    m_socket.reset();
    m_nodes.Clear();
    m_sequences.clear();
    RebuildTargets();
}

bool CArtNetManager::IsRunning() const
{
    return m_socket != nullptr;
}

void CArtNetManager::RefreshLocalBroadcasts()
{
    m_localBroadcasts.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const int prefix = entry.prefixLength();
            if (prefix < 1 || prefix > 30)
                continue;
            const quint32 hostMask = (quint32(1) << (32 - prefix)) - 1;
            const quint32 ip = entry.ip().toIPv4Address();
            m_localBroadcasts.insert(ip | hostMask);
            m_localBroadcasts.insert(ip & ~hostMask);
        }
    }
}

QList<QHostAddress> CArtNetManager::PollAddresses() const
{
    if (!m_pollTargets.isEmpty())
        return m_pollTargets;
    QList<QHostAddress> addresses;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || !(flags & QNetworkInterface::CanBroadcast) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress broadcast = entry.broadcast();
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !broadcast.isNull()
                && !addresses.contains(broadcast))
                addresses << broadcast;
        }
    }
    return addresses;
}

void CArtNetManager::Poll()
{
    if (!m_socket)
        return;
    RefreshLocalBroadcasts();
    const QByteArray poll = ArtNet::EncodePoll();
    const QList<QHostAddress> addresses = PollAddresses();
    for (const QHostAddress& address : addresses) {
        if (m_socket->writeDatagram(poll, address, ArtNet::kUdpPort) != poll.size())
            qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: poll to %1 failed: %2")
                                                .arg(address.toString(), m_socket->errorString());
    }
}

void CArtNetManager::OnPollTimer()
{
    const QVector<SArtNetNode> lost = m_nodes.Expire(m_clock.elapsed(), kNodeTimeoutMs);
    if (!lost.isEmpty())
        RebuildTargets();
    for (const SArtNetNode& node : lost)
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net Node removed : [IP : %1] [Name : %2]")
                                            .arg(QHostAddress(node.address).toString(), node.shortName);
    Poll();
}

void CArtNetManager::OnReadyRead()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(kMaxDatagram);
        if (datagram.isValid())
            HandleDatagram(datagram.data());
    }
}

void CArtNetManager::HandleDatagram(const QByteArray& datagram)
{
    // Our own polls, other controllers' DMX and everything unknown are ignored.
    if (ArtNet::OpCodeOf(datagram) != ArtNet::kOpPollReply)
        return;
    const std::optional<ArtNet::SPollReply> reply = ArtNet::DecodePollReply(datagram);
    // A reply naming a subnet's broadcast address would have every packet to
    // that "node" reach the whole network.
    if (!reply || m_localBroadcasts.contains(reply->address))
        return;
    const CArtNetNodeList::EUpdate update = m_nodes.Update(*reply, m_clock.elapsed());
    if (update != CArtNetNodeList::EUpdate::Refused)
        RebuildTargets(); // a refreshed node may have changed its ports
    if (update != CArtNetNodeList::EUpdate::Added)
        return;
    qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net Node added : [IP : %1] [Name : %2] [Ports : %3]")
                                        .arg(QHostAddress(reply->address).toString(), reply->shortName,
                                             PortList(reply->outputs));
    emit nodeDetected();
}

quint8 CArtNetManager::NextSequence(quint16 portAddress)
{
    // 0 would tell the node to stop ordering packets, so the count runs 1 to 255.
    quint8& sequence = m_sequences[portAddress];
    sequence = sequence == 255 ? 1 : quint8(sequence + 1);
    return sequence;
}

namespace {

enum PacketState : quint8 { NotBuilt, Built, NoLevels };

} // namespace

void CArtNetManager::RebuildTargets()
{
    m_targets = m_nodes.Targets(ArtNet::kPortAddressCount);
    m_ports.clear();
    m_targetPorts.clear();
    for (const SArtNetTarget& target : qAsConst(m_targets)) {
        const auto known = std::find(m_ports.begin(), m_ports.end(), target.portAddress);
        m_targetPorts.push_back(int(known - m_ports.begin()));
        if (known == m_ports.end()) {
            m_ports.push_back(target.portAddress);
            m_sequences[target.portAddress]; // made now, not in the tick
        }
    }
    m_packets.assign(m_ports.size() * size_t(ArtNet::kDmxPacketSize), '\0');
    m_packetState.assign(m_ports.size(), NotBuilt);
    m_batch.Reserve(m_targets.size());
}

int CArtNetManager::SendUniverses(int universeCount, const OutputBuffer& outputOf)
{
    if (!m_socket || !outputOf)
        return 0;
    // One packet per universe and tick, whatever the node count.
    std::fill(m_packetState.begin(), m_packetState.end(), quint8(NotBuilt));
    m_batch.Clear();
    for (int i = 0; i < m_targets.size(); ++i) {
        const SArtNetTarget& target = m_targets[i];
        if (int(target.portAddress) >= universeCount)
            continue;
        const size_t port = size_t(m_targetPorts[size_t(i)]);
        char* packet = m_packets.data() + port * ArtNet::kDmxPacketSize;
        if (m_packetState[port] == NotBuilt) {
            const quint8* levels = outputOf(target.portAddress);
            m_packetState[port] = levels ? Built : NoLevels;
            if (levels)
                ArtNet::EncodeDmx(packet, target.portAddress, NextSequence(target.portAddress), levels);
        }
        if (m_packetState[port] == Built)
            m_batch.Add(packet, ArtNet::kDmxPacketSize, target.address, ArtNet::kUdpPort);
    }
    return m_batch.Send(*m_socket);
}
