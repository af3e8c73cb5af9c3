#include "Common/ArtNet/ArtNetManager.h"

#include "devices/DeviceLog.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSet>
#include <QUdpSocket>

#include <algorithm>

namespace {

// Poll replies are 239 bytes; anything longer is cut here rather than read whole.
constexpr qint64 kMaxDatagram = 1024;
constexpr int kReplyBufferBytes = 4 << 20;

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
    , m_nodeSockets(this, [this](QUdpSocket& socket) { Watch(socket); })
{
    m_pollTimer.setInterval(kPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CArtNetManager::OnPollTimer);
    m_pollRetry.setSingleShot(true);
    m_pollRetry.setInterval(kPollRetryMs);
    connect(&m_pollRetry, &QTimer::timeout, this, &CArtNetManager::SendPolls);
    m_clock.start();
}

CArtNetManager::~CArtNetManager() = default;

bool CArtNetManager::Start(const QHostAddress& bindAddress)
{
    Stop();
    auto socket = std::make_unique<QUdpSocket>(this);
    // Other Art-Net software on the same machine listens on the same port.
    if (!socket->bind(bindAddress, ArtNet::kUdpPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: cannot open UDP port %1 on %2: %3")
                                            .arg(ArtNet::kUdpPort)
                                            .arg(bindAddress.toString(), socket->errorString());
        m_failed = true;
        return false;
    }
    // Every node answers a broadcast poll at once, and a tick may keep the
    // socket unread meanwhile: the default buffer holds some 160 replies,
    // and the ones past it would be lost at every poll alike. The kernel
    // gives what its limit for users allows.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReplyBufferBytes);
    m_socket = std::move(socket);
    m_failed = false;
    Watch(*m_socket);
    m_nodeSockets.Open(bindAddress);
    m_neighbours.Follow();
    if (m_neighbours.NoticeSocket() >= 0) {
        m_noticeWatch = std::make_unique<QSocketNotifier>(m_neighbours.NoticeSocket(), QSocketNotifier::Read);
        connect(m_noticeWatch.get(), &QSocketNotifier::activated, this, &CArtNetManager::ReadNotices);
    }
    m_neighbours.Refresh(m_clock.elapsed());
    Poll();
    m_pollTimer.start();
    return true;
}

void CArtNetManager::Stop()
{
    m_pollTimer.stop();
    m_pollRetry.stop();
    m_pollsLeft.clear();
    CNodeSockets::Discard(m_socket.release());
    m_nodeSockets.Close();
    m_noticeWatch.reset();
    m_neighbours.Unfollow();
    m_unread.clear();
    m_links.clear();
    m_nodes.Clear();
    m_admission = CNodeAdmission();
    m_noSocket.clear();
    m_listFull = false;
    m_sequences.clear();
}

bool CArtNetManager::IsRunning() const
{
    return m_socket != nullptr;
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

int CArtNetManager::Poll()
{
    if (!m_socket)
        return 0;
    if (m_subnets.Refresh()) {
        // A new lease, or the operator moved the interface: the node
        // sockets still hold the source address they were connected with.
        m_nodeSockets.Reopen();
        m_linksStale = true;
    }
    m_pollsLeft = PollAddresses();
    m_roundOut = false;
    const int before = m_pollsLeft.size();
    SendPolls();
    const int refused = m_pollsLeft.size();
    if (refused > 0 && refused == before)
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: polls refused: %1").arg(m_socket->errorString());
    return refused;
}

void CArtNetManager::SendPolls()
{
    if (!m_socket)
        return;
    const QByteArray poll = ArtNet::EncodePoll();
    // A UDP send otherwise reports success for a datagram the kernel drops
    // (a full neighbour table), and nodes would expire for polls never sent.
    CNodeSockets::ReportRefusals(*m_socket, true);
    QList<QHostAddress> refused;
    for (const QHostAddress& address : qAsConst(m_pollsLeft)) {
        if (m_socket->writeDatagram(poll, address, ArtNet::kUdpPort) == poll.size()) {
            m_pollClockMs += m_roundOut ? 0 : kPollIntervalMs;
            m_roundOut = true;
        } else {
            refused << address;
        }
    }
    CNodeSockets::ReportRefusals(*m_socket, false);
    m_pollsLeft = refused;
    if (!refused.isEmpty())
        m_pollRetry.start();
}

void CArtNetManager::Watch(QUdpSocket& socket)
{
    connect(&socket, &QUdpSocket::readyRead, this, [this, s = &socket] { OnReadyRead(s); });
}

void CArtNetManager::OnPollTimer()
{
    // Read every socket here too, so that nothing waiting in one depends on
    // its notice alone, and nodes are judged after the replies that came.
    MarkUnread(m_socket.get());
    for (QUdpSocket* socket : m_nodeSockets.Sockets())
        MarkUnread(socket);
    if (!m_passQueued)
        ReadPass();
    // Answered nodes too are looked at, unless a reading is that recent.
    if (m_admission.Due(m_clock.elapsed(), true))
        JudgeNodes();
    // Descriptors freed since give a node left with no socket its frames:
    // nothing else remakes the links of a node that answers unchanged.
    m_linksStale = m_linksStale || !m_noSocket.isEmpty();
    const QVector<SArtNetNode> lost = m_nodes.Expire(m_pollClockMs, kNodeTimeoutMs);
    m_listFull = m_listFull && m_nodes.Nodes().size() >= CArtNetNodeList::kMaxNodes;
    for (const SArtNetNode& node : lost)
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net Node removed : [IP : %1] [Name : %2]")
                                            .arg(QHostAddress(node.address).toString(), node.shortName);
    Poll();
}

void CArtNetManager::OnReadyRead(QUdpSocket* socket)
{
    MarkUnread(socket);
    // A pass already queued reads these too; two would give the flood twice the time.
    if (!m_passQueued)
        ReadPass();
}

void CArtNetManager::MarkUnread(QUdpSocket* socket)
{
    if (!socket)
        return;
    // A node's socket also wakes for the network's answer to earlier sends
    // (host or port unreachable), which the next read would fail on.
    CNodeSockets::DropErrors(*socket);
    if (std::find(m_unread.begin(), m_unread.end(), socket) == m_unread.end())
        m_unread.emplace_back(socket);
}

void CArtNetManager::ReadPass()
{
    m_passQueued = false;
    // Every socket that signalled is read until a read finds nothing, rather
    // than looking first: once an unbuffered UDP socket has signalled
    // readyRead it watches for more only after a read, and a notice can come
    // after an earlier pass took what it announced. Left unread, the socket
    // would fall silent for good.
    int read = 0;
    while (!m_unread.empty()) {
        QUdpSocket* socket = m_unread.front();
        // Checked each time: a slot of nodeDetected may have stopped us, and
        // a node's socket closes when the node is forgotten or gives its
        // descriptor up (deleted only later).
        if (!socket || socket->state() != QAbstractSocket::BoundState) {
            m_unread.pop_front();
            continue;
        }
        if (read == kDatagramsPerPass) {
            // The socket read last waits behind the others: a flood on one
            // must not keep the replies on the rest unread.
            m_unread.emplace_back(socket);
            m_unread.pop_front();
            m_passQueued = true;
            QMetaObject::invokeMethod(this, &CArtNetManager::ReadPass, Qt::QueuedConnection);
            return;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram(kMaxDatagram);
        if (!datagram.isValid()) {
            m_unread.pop_front();
            continue;
        }
        ++read;
        HandleDatagram(datagram);
    }
}

void CArtNetManager::HandleDatagram(const QNetworkDatagram& datagram)
{
    const QByteArray bytes = datagram.data();
    // Our own polls, other controllers' DMX and everything unknown are ignored.
    if (ArtNet::OpCodeOf(bytes) != ArtNet::kOpPollReply)
        return;
    const std::optional<ArtNet::SPollReply> reply = ArtNet::DecodePollReply(bytes);
    bool ipv4 = false;
    const quint32 sender = datagram.senderAddress().toIPv4Address(&ipv4);
    if (!reply || !ipv4 || !m_subnets.MayName(reply->address, sender, int(datagram.interfaceIndex())))
        return;
    const bool fromItself = reply->address == sender;
    const CArtNetNodeList::EUpdate update = m_nodes.Update(*reply, m_pollClockMs, fromItself);
    if (update == CArtNetNodeList::EUpdate::Refused && !m_listFull) {
        m_listFull = true;
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: node %1 left out: the node list is full (%2 nodes); "
                                                       "nodes answering later are left out until some go")
                                            .arg(QHostAddress(reply->address).toString())
                                            .arg(CArtNetNodeList::kMaxNodes);
    }
    if (fromItself && m_admission.AnsweredPoll(sender, m_clock.elapsed()))
        m_linksStale = true;
    if (update != CArtNetNodeList::EUpdate::Added)
        return;
    qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net Node added : [IP : %1] [Name : %2] [Ports : %3]")
                                        .arg(QHostAddress(reply->address).toString(), reply->shortName,
                                             PortList(reply->outputs));
    emit nodeDetected();
}

void CArtNetManager::ReadNotices()
{
    const std::vector<quint32> answered = m_neighbours.Answered();
    if (!answered.empty() && m_admission.EntriesAnswered(answered, m_clock.elapsed()))
        m_linksStale = true;
}

void CArtNetManager::JudgeNodes()
{
    const qint64 now = m_clock.elapsed();
    // A reading cut short leaves the last whole one, which judges no trial begun since.
    m_neighbours.Refresh(now);
    const CNodeAdmission::SJudged judged = m_admission.Judge(m_neighbours, now);
    for (quint32 address : judged.lost)
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: sends to node %1 fail: its address does not answer")
                                            .arg(QHostAddress(address).toString());
    // Judging may admit nodes as well as give them up.
    m_linksStale = m_linksStale || judged.changed;
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

void CArtNetManager::RebuildTargets(int universeCount)
{
    m_targetsRevision = m_nodes.Revision();
    m_targetsUniverses = universeCount;
    // Only nodes that get a packet are given a socket.
    m_targets = m_nodes.Targets(qBound(0, universeCount, ArtNet::kPortAddressCount));
    // Ports are found through a table by Port-Address, not by a search of
    // m_ports: with a thousand nodes a search per target costs seconds.
    if (m_portIndex.empty() && !m_targets.isEmpty())
        m_portIndex.assign(size_t(ArtNet::kPortAddressCount), -1);
    for (quint16 portAddress : m_ports)
        m_portIndex[portAddress] = -1;
    m_ports.clear();
    m_targetPorts.clear();
    for (const SArtNetTarget& target : qAsConst(m_targets)) {
        int& index = m_portIndex[target.portAddress];
        if (index < 0) {
            index = int(m_ports.size());
            m_ports.push_back(target.portAddress);
            m_sequences[target.portAddress]; // made now, not in the tick
        }
        m_targetPorts.push_back(index);
    }
    // Each packet is written whole before it goes, so the bytes need no clearing.
    m_packets.resize(m_ports.size() * size_t(ArtNet::kDmxPacketSize));
    m_packetState.assign(m_ports.size(), NotBuilt);
    m_batch.Reserve(m_targets.size());
    RebuildLinks();
}

void CArtNetManager::RebuildLinks()
{
    m_linksStale = false;
    m_links.clear();
    QHash<quint32, int> linkOf;
    for (const SArtNetTarget& target : qAsConst(m_targets)) {
        auto it = linkOf.find(target.address);
        if (it == linkOf.end()) {
            it = linkOf.insert(target.address, int(m_links.size()));
            m_links.push_back({target.address, nullptr, 0, 0});
        }
        ++m_links[size_t(*it)].count;
    }
    QHash<quint32, bool> fromItself;
    for (const SArtNetNode& node : m_nodes.Nodes())
        fromItself[node.address] = fromItself.value(node.address) || node.fromItself;
    int first = 0;
    std::vector<CNodeAdmission::SListed> onLink;
    for (SLink& link : m_links) {
        link.first = first;
        first += link.count;
        link.count = 0;
        // Nothing to this machine waits for a neighbour, and a socket
        // connected to one of its own addresses would take the datagrams
        // meant for the software listening there.
        if (m_subnets.IsOwn(link.address))
            link.socket = m_socket.get();
        else if (m_subnets.IsOnLink(link.address))
            onLink.push_back({link.address, fromItself.value(link.address), m_subnets.UsesArp(link.address)});
    }
    m_admission.List(onLink, m_neighbours, m_clock.elapsed());
    for (quint32 address : m_admission.TakeLeftOut())
        qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: node %1 left out: the neighbour entries of addresses "
                                                       "that never answered are at their bound (%2)")
                                            .arg(QHostAddress(address).toString())
                                            .arg(CNodeAdmission::kMaxEntries);
    // A node behind a router shares the router's entry, which answers.
    std::vector<CNodeSockets::SWanted> wanted;
    for (const SLink& link : m_links) {
        if (link.socket)
            continue;
        CNodeAdmission::EAdmit admit = CNodeAdmission::EAdmit::Free;
        if (m_subnets.IsOnLink(link.address))
            admit = m_admission.Admission(link.address);
        // Only an address that answered ARP has a socket of its own or shares
        // one: datagrams waiting for an answer would fill its buffer.
        if (admit != CNodeAdmission::EAdmit::None)
            wanted.push_back({link.address, admit == CNodeAdmission::EAdmit::Free});
    }
    m_linkTargets.assign(size_t(first), 0);
    for (int i = 0; i < m_targets.size(); ++i) {
        SLink& link = m_links[size_t(linkOf.value(m_targets[i].address))];
        m_linkTargets[size_t(link.first + link.count++)] = i;
    }
    QSet<quint32> refused;
    for (quint32 address : m_nodeSockets.Fit(wanted)) {
        m_admission.Refuse(address);
        refused.insert(address);
    }
    // Reported once, until it has a socket or is forgotten.
    QSet<quint32> noSocket;
    for (SLink& link : m_links) {
        if (!link.socket)
            link.socket = m_nodeSockets.SocketOf(link.address);
        link.trial = m_admission.Admission(link.address) == CNodeAdmission::EAdmit::Trial;
        if (link.socket || (!refused.contains(link.address) && !m_noSocket.contains(link.address)))
            continue;
        if (!m_noSocket.contains(link.address))
            qCDebug(lcDevices).noquote() << QStringLiteral("Art-Net: node %1 left out: no socket can be opened for it")
                                                .arg(QHostAddress(link.address).toString());
        noSocket.insert(link.address);
    }
    m_noSocket = noSocket;
}

int CArtNetManager::SendUniverses(int universeCount, const OutputBuffer& outputOf)
{
    if (!m_socket || !outputOf)
        return 0;
    // A node answers ARP in milliseconds, and a trial holds a place others
    // wait for: the kernel's notices free it at once, and while any trial
    // is under way the table is read twice a second besides.
    const qint64 now = m_clock.elapsed();
    if (m_admission.Due(now))
        JudgeNodes();
    if (m_targetsRevision != m_nodes.Revision() || m_targetsUniverses != universeCount)
        RebuildTargets(universeCount);
    else if (m_linksStale)
        RebuildLinks();
    // One packet per universe and tick, whatever the node count.
    std::fill(m_packetState.begin(), m_packetState.end(), quint8(NotBuilt));
    int sent = 0;
    // Bytes the socket of the trials sent to last has for more than the
    // datagram that has a trial asked, found when the first is asked.
    QUdpSocket* roomOf = nullptr;
    int room = 0;
    for (const SLink& link : m_links) {
        if (!link.socket || (link.trial && !m_admission.Ask(link.address)))
            continue;
        m_batch.Clear();
        int added = 0;
        for (int k = link.first; k < link.first + link.count; ++k) {
            const int i = m_linkTargets[size_t(k)];
            const SArtNetTarget& target = m_targets[i];
            const size_t port = size_t(m_targetPorts[size_t(i)]);
            char* packet = m_packets.data() + port * ArtNet::kDmxPacketSize;
            if (m_packetState[port] == NotBuilt) {
                const quint8* levels = outputOf(target.portAddress);
                m_packetState[port] = levels ? Built : NoLevels;
                if (levels)
                    ArtNet::EncodeDmx(packet, target.portAddress, NextSequence(target.portAddress), levels);
            }
            if (m_packetState[port] != Built)
                continue;
            // What a trial is sent beyond its first datagram waits for its
            // answer in the buffer every trial shares: it takes half of it at
            // most, so that the next trials can still be asked.
            if (link.trial && added > 0) {
                if (roomOf != link.socket) {
                    roomOf = link.socket;
                    room = CNodeSockets::SpareRoom(*link.socket);
                }
                if (room < CNodeSockets::kDatagramCharge)
                    break;
                room -= CNodeSockets::kDatagramCharge;
            }
            m_batch.Add(packet, ArtNet::kDmxPacketSize, target.address, ArtNet::kUdpPort);
            ++added;
        }
        if (added == 0)
            continue;
        // A send that fails says little: the network's reports are
        // rate-limited, and a node is judged by its neighbour entry instead.
        sent += m_batch.Send(*link.socket);
    }
    return sent;
}
