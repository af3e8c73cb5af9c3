#pragma once

// Tests and benchmarks that need real ARP: this program's own private network
// namespace (see LoopbackNetwork.h) is the controller's, at 192.0.2.1/24, and
// a child process in a network namespace of its own is the nodes', at
// 192.0.2.2/24 and any more addresses a case adds, linked by a veth pair.
// Sockets of the nodes' side are opened from a thread that enters its namespace.

#include "LoopbackNetwork.h"

#include "Common/ArtNet/NeighbourTable.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace VethNetwork {

constexpr char kControllerLink[] = "orvctl0";
constexpr char kNodeLink[] = "orvnode0";
const QHostAddress kPairController(QStringLiteral("192.0.2.1"));
const QHostAddress kHealthyNode(QStringLiteral("192.0.2.2"));
const QHostAddress kBroadcast(QStringLiteral("192.0.2.255"));

// The commands run with the system folders on the path, as root tools live there.
inline bool RunTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(program, arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Whether every interface here is the loopback or the controller's end of the pair.
inline bool OnlyLoopbackAndPair()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (!(iface.flags() & QNetworkInterface::IsLoopBack) && iface.name() != QLatin1String(kControllerLink))
            return false;
    }
    return true;
}

// `address`:6454, Art-Net's port on either side.
inline sockaddr_in ArtNetAddress(const QHostAddress& address)
{
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(6454);
    at.sin_addr.s_addr = htonl(address.toIPv4Address());
    return at;
}

inline bool SetNeighbourOption(const char* link, const char* option, int value)
{
    QFile file(QStringLiteral("/proc/sys/net/ipv4/neigh/%1/%2").arg(QLatin1String(link), QLatin1String(option)));
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(value)) > 0;
}

// The nodes' namespace, linked to this one; gone with the object.
class CPeer
{
public:
    CPeer() = default;
    CPeer(const CPeer&) = delete;
    CPeer& operator=(const CPeer&) = delete;
    ~CPeer()
    {
        for (int fd : m_sockets)
            ::close(fd);
        if (m_process.state() == QProcess::NotRunning)
            return;
        RunTool(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("del"), QLatin1String(kControllerLink)});
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    // Only inside a private namespace of this program's own: the pair's
    // addresses must never meet a real network.
    bool Start()
    {
        if (!LoopbackNetwork::InPrivateNamespace())
            return false;
        m_process.start(QStringLiteral("unshare"),
                        {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo ready; exec sleep 600")});
        if (!m_process.waitForReadyRead(10000) || !m_process.readAllStandardOutput().startsWith("ready"))
            return false;
        const QString pid = QString::number(m_process.processId());
        const QString controller = QLatin1String(kControllerLink);
        const QString node = QLatin1String(kNodeLink);
        return RunTool(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("add"), controller, QStringLiteral("type"),
                                              QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), node,
                                              QStringLiteral("netns"), pid})
            && RunTool(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("192.0.2.1/24"),
                                              QStringLiteral("dev"), controller})
            && RunTool(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), controller, QStringLiteral("up")})
            && InPeer({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")})
            && AddNodeAddress(kHealthyNode)
            && InPeer({QStringLiteral("link"), QStringLiteral("set"), node, QStringLiteral("up")})
            && WaitForCarrier();
    }

    // A veth end carries nothing until both ends are up: datagrams sent
    // before are lost, and the neighbour entries they made fail.
    static bool WaitForCarrier()
    {
        for (int i = 0; i < 1000; ++i) {
            const QNetworkInterface link = QNetworkInterface::interfaceFromName(QLatin1String(kControllerLink));
            if (link.flags() & QNetworkInterface::IsRunning)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // `ip` with these arguments in the nodes' namespace.
    bool InPeer(const QStringList& ipArguments) const
    {
        return RunTool(QStringLiteral("nsenter"), QStringList{QStringLiteral("-t"), QString::number(m_process.processId()),
                                                              QStringLiteral("-n"), QStringLiteral("ip")}
                                                      + ipArguments);
    }
    bool AddNodeAddress(const QHostAddress& address, int prefix = 24) const
    {
        return InPeer({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("%1/%2").arg(address.toString()).arg(prefix),
                       QStringLiteral("dev"), QLatin1String(kNodeLink)});
    }
    bool RemoveNodeAddress(const QHostAddress& address, int prefix = 24) const
    {
        return InPeer({QStringLiteral("addr"), QStringLiteral("del"), QStringLiteral("%1/%2").arg(address.toString()).arg(prefix),
                       QStringLiteral("dev"), QLatin1String(kNodeLink)});
    }

    // `address` on the nodes' side, where its ARP goes unanswered: it sends
    // as the address of a node that forged replies name, from that very
    // address, and is never found by ARP.
    bool AddHiddenAddress(const QHostAddress& address)
    {
        const QString pid = QString::number(m_process.processId());
        const QString link = QLatin1String(kNodeLink);
        auto sysctl = [&](const QString& setting) {
            return RunTool(QStringLiteral("nsenter"), {QStringLiteral("-t"), pid, QStringLiteral("-n"), QStringLiteral("sysctl"),
                                                       QStringLiteral("-qw"), setting});
        };
        // ARP on the link answers only for its own addresses, and asks with them.
        return (m_hiding
                || (m_hiding = sysctl(QStringLiteral("net.ipv4.conf.%1.arp_ignore=1").arg(link))
                        && sysctl(QStringLiteral("net.ipv4.conf.%1.arp_announce=2").arg(link))))
            && InPeer({QStringLiteral("addr"), QStringLiteral("add"), address.toString() + QStringLiteral("/32"), QStringLiteral("dev"),
                       QStringLiteral("lo")});
    }

    // Turns ARP off on both ends, as on a tunnel: each end then sends to its
    // own hardware address, so the nodes' end takes the controller's.
    bool TurnArpOff()
    {
        const QString address = QNetworkInterface::interfaceFromName(QLatin1String(kControllerLink)).hardwareAddress();
        if (address.isEmpty())
            return false;
        const QString node = QLatin1String(kNodeLink);
        return InPeer({QStringLiteral("link"), QStringLiteral("set"), node, QStringLiteral("address"), address})
            && InPeer({QStringLiteral("link"), QStringLiteral("set"), node, QStringLiteral("arp"), QStringLiteral("off")})
            && RunTool(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QLatin1String(kControllerLink),
                                              QStringLiteral("arp"), QStringLiteral("off")});
    }

    // Closes a socket Socket opened, before the peer goes.
    void CloseSocket(int fd)
    {
        m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), fd), m_sockets.end());
        ::close(fd);
    }

    // A non-blocking UDP socket of the nodes' side bound to `address`:6454
    // (shared, as a node and the broadcast listener share the port); -1 when it cannot be made.
    int Socket(const QHostAddress& address)
    {
        int fd = -1;
        const QByteArray path = QStringLiteral("/proc/%1/ns/net").arg(m_process.processId()).toLatin1();
        std::thread([&] {
            const int ns = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (ns < 0)
                return;
            if (::setns(ns, CLONE_NEWNET) == 0) {
                fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                const int one = 1;
                const sockaddr_in at = ArtNetAddress(address);
                if (fd >= 0
                    && (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0
                        || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0
                        || ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0)) {
                    ::close(fd);
                    fd = -1;
                }
            }
            ::close(ns);
        }).join();
        if (fd >= 0)
            m_sockets.push_back(fd);
        return fd;
    }

private:
    QProcess m_process;
    std::vector<int> m_sockets;
    bool m_hiding = false;
};

// Adds or removes an address (with its prefix, "192.0.2.1/24") of the
// controller's end of the pair.
inline bool SetControllerAddress(bool add, const QString& cidr)
{
    return RunTool(QStringLiteral("ip"), {QStringLiteral("addr"), add ? QStringLiteral("add") : QStringLiteral("del"), cidr,
                                          QStringLiteral("dev"), QLatin1String(kControllerLink)});
}

// This namespace's neighbour table, read through the kernel's own
// interface as the program reads it: that tells the entries being asked
// (what the bound on unanswered addresses counts) from failed ones, which
// /proc/net/arp shows alike.
inline CNeighbourTable Neighbours()
{
    CNeighbourTable table;
    table.Refresh(0);
    return table;
}
inline int NeighbourEntries(const CNeighbourTable& table)
{
    using EState = CNeighbourTable::EState;
    return table.Count(EState::Answered) + table.Count(EState::Unanswered) + table.Count(EState::Failed);
}

inline bool SendTo(int fd, const QByteArray& datagram, const QHostAddress& to)
{
    const sockaddr_in at = ArtNetAddress(to);
    return ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<const sockaddr*>(&at), sizeof at)
        == datagram.size();
}

// The next datagram on `fd`, waiting up to `timeoutMs`; empty when none came.
inline QByteArray Receive(int fd, int timeoutMs)
{
    char buffer[2048];
    for (;;) {
        const ssize_t size = ::recv(fd, buffer, sizeof buffer, 0);
        if (size >= 0)
            return QByteArray(buffer, int(size));
        pollfd ready = {fd, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) <= 0)
            return QByteArray();
    }
}

// Universes first to first + 3 (a multiple of four), on page `bindIndex` of a node.
inline QByteArray FourUniverses(const QHostAddress& node, quint16 first, quint8 bindIndex = 1)
{
    const quint8 low = quint8(first & 0x0F);
    return LoopbackNetwork::PollReply(node, {low, quint8(low + 1), quint8(low + 2), quint8(low + 3)}, first, bindIndex);
}

// A counter of this namespace's /proc/net/snmp, such as Udp SndbufErrors; -1
// when it cannot be read.
inline long SnmpCounter(const QByteArray& protocol, const QByteArray& name)
{
    QFile snmp(QStringLiteral("/proc/net/snmp"));
    if (!snmp.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = snmp.readAll().split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith(protocol + ':') || !lines[i + 1].startsWith(protocol + ':'))
            continue;
        const int column = lines[i].split(' ').indexOf(name);
        return column < 0 ? -1 : lines[i + 1].split(' ').value(column).toLong();
    }
    return -1;
}

// The nodes' side answering every ArtPoll its broadcast listener hears, as
// real nodes do: each answering node sends its replies from its own socket
// to the poll's source. Runs on a thread of its own while the test drives
// the controller.
class CResponder
{
public:
    explicit CResponder(std::vector<int> listeners) : m_listeners(std::move(listeners)), m_thread([this] { Run(); }) {}
    CResponder(const CResponder&) = delete;
    CResponder& operator=(const CResponder&) = delete;
    ~CResponder()
    {
        m_stop = true;
        m_thread.join();
    }

    // From now on `fd` answers each poll with `replies`, to the poll's
    // source or to `broadcast`; none stops it.
    void Answer(int fd, const QList<QByteArray>& replies, const QHostAddress& broadcast = QHostAddress())
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_nodes.erase(std::remove_if(m_nodes.begin(), m_nodes.end(), [fd](const SNode& n) { return n.fd == fd; }), m_nodes.end());
        if (!replies.isEmpty())
            m_nodes.push_back({fd, replies, broadcast.isNull() ? sockaddr_in{} : ArtNetAddress(broadcast)});
    }
    int PollsHeard() const { return m_polls; }
    // Polls whose replies were all sent.
    int RoundsAnswered() const { return m_rounds; }
    // While paused, polls are heard and left unanswered.
    void Pause(bool paused) { m_paused = paused; }

private:
    struct SNode
    {
        int fd;
        QList<QByteArray> replies;
        sockaddr_in to; // none: the poll's source
    };

    void Run()
    {
        char buffer[2048];
        std::vector<pollfd> ready;
        for (int fd : m_listeners)
            ready.push_back({fd, POLLIN, 0});
        while (!m_stop) {
            if (::poll(ready.data(), nfds_t(ready.size()), 20) <= 0)
                continue;
            for (const pollfd& listener : ready) {
                if (listener.revents & POLLIN)
                    AnswerPoll(listener.fd, buffer, sizeof buffer);
            }
        }
    }

    void AnswerPoll(int listener, char* buffer, size_t capacity)
    {
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t got = ::recvfrom(listener, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (got < 10 || QByteArray(buffer, 8) != QByteArray("Art-Net\0", 8) || quint8(buffer[9]) != 0x20)
            return;
        ++m_polls;
        if (m_paused)
            return;
        const std::lock_guard<std::mutex> lock(m_mutex);
        from.sin_port = htons(6454);
        for (const SNode& node : m_nodes) {
            const sockaddr_in& to = node.to.sin_family == AF_INET ? node.to : from;
            for (const QByteArray& reply : node.replies)
                ::sendto(node.fd, reply.constData(), size_t(reply.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        ++m_rounds;
    }

    std::vector<int> m_listeners; // bound to the subnets' broadcast addresses
    std::mutex m_mutex;
    std::vector<SNode> m_nodes;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_polls{0};
    std::atomic<int> m_rounds{0};
    std::atomic<bool> m_paused{false};
    std::thread m_thread;
};

} // namespace VethNetwork
