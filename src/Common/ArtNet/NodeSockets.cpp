#include "Common/ArtNet/NodeSockets.h"

#include "Common/ArtNet/ArtNetPackets.h"

#include <QSet>
#include <QUdpSocket>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif

namespace {

// Elsewhere a socket bound to the port but not connected would take replies
// meant for the polling socket, so all DMX shares one socket there.
int SocketBound()
{
#ifdef Q_OS_LINUX
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return 1;
    const rlim_t quarter = files.rlim_cur == RLIM_INFINITY ? rlim_t(CNodeSockets::kMaxSockets) : files.rlim_cur / 4;
    return int(std::max<rlim_t>(1, std::min<rlim_t>(CNodeSockets::kMaxSockets, quarter > 0 ? quarter - 1 : 0)));
#else
    return 1;
#endif
}

bool ConnectTo(QUdpSocket& socket, quint32 address)
{
#ifdef Q_OS_LINUX
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(ArtNet::kUdpPort);
    to.sin_addr.s_addr = htonl(address);
    // Without it a report of the network about one datagram would fail the
    // next send, and the kernel would count a datagram it refuses as sent.
    return CNodeSockets::ReportRefusals(socket, true)
        && ::connect(int(socket.socketDescriptor()), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
#else
    Q_UNUSED(socket)
    Q_UNUSED(address)
    return false;
#endif
}

} // namespace

CNodeSockets::CNodeSockets(QObject* owner, Opened opened)
    : m_owner(owner)
    , m_opened(std::move(opened))
{
}

CNodeSockets::~CNodeSockets()
{
    Close();
}

void CNodeSockets::Open(const QHostAddress& bindAddress)
{
    Close();
    m_bindAddress = bindAddress;
    m_bound = SocketBound();
}

void CNodeSockets::Close()
{
    Reopen();
    m_nodes.clear();
}

void CNodeSockets::Reopen()
{
    for (QUdpSocket*& socket : m_nodes) {
        if (HasOwnSocket(socket))
            CloseSocket(socket);
        socket = nullptr;
    }
    CloseSocket(m_shared);
    CloseSocket(m_trials);
}

int CNodeSockets::OwnSocketCount() const
{
    return int(std::count_if(m_nodes.begin(), m_nodes.end(), [this](QUdpSocket* s) { return HasOwnSocket(s); }));
}

QUdpSocket* CNodeSockets::OpenSocket(quint32 connectTo)
{
    auto* socket = new QUdpSocket(m_owner);
    // Shared with the polling socket and other Art-Net software on this machine.
    if (!socket->bind(m_bindAddress, ArtNet::kUdpPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)
        || (connectTo != 0 && !ConnectTo(*socket, connectTo))) {
        delete socket; // not watched yet, so no signal of its can be under way
        return nullptr;
    }
    m_opened(*socket);
    return socket;
}

QUdpSocket* CNodeSockets::SharedSocket()
{
    if (!m_shared)
        m_shared = OpenSocket(0);
    return m_shared;
}

QUdpSocket* CNodeSockets::TrialSocket()
{
    // Not told of the network's reports: a trial is judged by its entry, and
    // each report would wake the program for nothing.
    if (!m_trials)
        m_trials = OpenSocket(0);
    return m_trials;
}

void CNodeSockets::CloseSocket(QUdpSocket*& socket)
{
    Discard(socket);
    socket = nullptr;
}

void CNodeSockets::Discard(QUdpSocket* socket)
{
    if (!socket)
        return;
    // Closing frees the port's descriptor at once; deleting waits for the
    // event loop, as the socket may be the one whose readyRead is being
    // delivered (a slot that stops the output while a reply is read).
    socket->disconnect();
    socket->close();
    socket->deleteLater();
}

std::vector<quint32> CNodeSockets::Fit(const std::vector<SWanted>& wanted)
{
    QSet<quint32> listed;
    listed.reserve(int(wanted.size()));
    for (const SWanted& w : wanted)
        listed.insert(w.address);
    for (auto it = m_nodes.begin(); it != m_nodes.end();) {
        if (listed.contains(it.key())) {
            ++it;
            continue;
        }
        if (HasOwnSocket(*it))
            CloseSocket(*it);
        it = m_nodes.erase(it);
    }
    // The shared socket and the trials' are within the bound.
    const int ownBound = m_bound - 2;
    int own = OwnSocketCount();
    std::vector<quint32> left;
    for (const SWanted& w : wanted) {
        QUdpSocket* socket = m_nodes.value(w.address);
        if (HasOwnSocket(socket))
            continue;
        if (!w.mayShare)
            socket = TrialSocket();
        else if (own < ownBound && (socket = OpenSocket(w.address)))
            ++own;
        else
            socket = SharedSocket();
        m_nodes.insert(w.address, socket);
        if (!socket)
            left.push_back(w.address);
    }
    for (QUdpSocket** socket : {&m_shared, &m_trials}) {
        if (*socket && std::find(m_nodes.begin(), m_nodes.end(), *socket) == m_nodes.end())
            CloseSocket(*socket);
    }
    return left;
}

QUdpSocket* CNodeSockets::SocketOf(quint32 address) const
{
    return m_nodes.value(address);
}

QVector<QUdpSocket*> CNodeSockets::Sockets() const
{
    QVector<QUdpSocket*> sockets;
    for (QUdpSocket* socket : m_nodes) {
        if (HasOwnSocket(socket))
            sockets << socket;
    }
    for (QUdpSocket* socket : {m_shared, m_trials}) {
        if (socket)
            sockets << socket;
    }
    return sockets;
}

int CNodeSockets::SpareRoom(QUdpSocket& socket)
{
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    int buffer = 0;
    socklen_t size = sizeof buffer;
    int waiting = 0;
    if (::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, &size) != 0 || ::ioctl(fd, SIOCOUTQ, &waiting) != 0)
        return 0;
    return std::max(0, buffer / 2 - waiting);
#else
    Q_UNUSED(socket)
    return 0;
#endif
}

void CNodeSockets::DropErrors(QUdpSocket& socket)
{
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    char control[512];
    for (int n = 0; n < 256; ++n) {
        msghdr message{};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
    }
#else
    Q_UNUSED(socket)
#endif
}

bool CNodeSockets::ReportRefusals(QUdpSocket& socket, bool on)
{
#ifdef Q_OS_LINUX
    const int value = on ? 1 : 0;
    return ::setsockopt(int(socket.socketDescriptor()), IPPROTO_IP, IP_RECVERR, &value, sizeof value) == 0;
#else
    Q_UNUSED(socket)
    Q_UNUSED(on)
    return false;
#endif
}
