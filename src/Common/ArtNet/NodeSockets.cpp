#include "Common/ArtNet/NodeSockets.h"

#include "Common/ArtNet/ArtNetPackets.h"

#include <QSet>
#include <QUdpSocket>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/resource.h>
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
    const int fd = int(socket.socketDescriptor());
    // Without it a connected socket hears of a refused port only, not of a
    // node that no longer answers ARP.
    const int on = 1;
    return ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) == 0
        && ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
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
    for (SNode& node : m_nodes) {
        if (HasOwnSocket(node))
            CloseSocket(node.socket);
    }
    m_nodes.clear();
    m_failingOwn.clear();
    CloseSocket(m_shared);
}

int CNodeSockets::OwnSocketCount() const
{
    return int(std::count_if(m_nodes.begin(), m_nodes.end(), [this](const SNode& n) { return HasOwnSocket(n); }));
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

void CNodeSockets::Fit(const std::vector<quint32>& addresses)
{
    const QSet<quint32> listed(addresses.begin(), addresses.end());
    for (auto it = m_nodes.begin(); it != m_nodes.end();) {
        if (listed.contains(it.key())) {
            ++it;
            continue;
        }
        if (HasOwnSocket(*it))
            CloseSocket(it->socket);
        it = m_nodes.erase(it);
    }
    int own = OwnSocketCount();
    for (quint32 address : addresses) {
        SNode& node = m_nodes[address];
        if (HasOwnSocket(node) || (node.failing && node.socket))
            continue;
        QUdpSocket* socket = nullptr;
        if (!node.failing && own < m_bound - 1) {
            socket = OpenSocket(address);
            own += socket ? 1 : 0;
        } else if (!node.failing) {
            // A node that answers is worth a socket more than one whose
            // sends fail, which most likely no longer exists at all.
            SNode* failing = TakeFailingOwn();
            if (failing) {
                CloseSocket(failing->socket);
                failing->socket = SharedSocket();
                socket = OpenSocket(address);
                own -= socket ? 0 : 1;
            }
        }
        node.socket = socket ? socket : SharedSocket();
    }
    const bool shared = std::any_of(m_nodes.begin(), m_nodes.end(), [this](const SNode& n) { return n.socket == m_shared; });
    if (m_shared && !shared)
        CloseSocket(m_shared);
}

CNodeSockets::SNode* CNodeSockets::TakeFailingOwn()
{
    while (!m_failingOwn.empty()) {
        const quint32 address = m_failingOwn.back();
        m_failingOwn.pop_back();
        auto it = m_nodes.find(address);
        if (it != m_nodes.end() && HasOwnSocket(*it))
            return &*it;
    }
    return nullptr;
}

QUdpSocket* CNodeSockets::SocketOf(quint32 address) const
{
    return m_nodes.value(address).socket;
}

QVector<QUdpSocket*> CNodeSockets::Sockets() const
{
    QVector<QUdpSocket*> sockets;
    for (const SNode& node : m_nodes) {
        if (HasOwnSocket(node))
            sockets << node.socket;
    }
    if (m_shared)
        sockets << m_shared;
    return sockets;
}

void CNodeSockets::TakeErrors(QUdpSocket& socket, const Failed& failed)
{
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    // The kernel may queue a report on any socket bound to the port, so each
    // is told by the address its datagram was sent to, not by the socket.
    // Left in the queue, reports would fill the socket's receive buffer.
    char control[512];
    for (int n = 0; n < 256; ++n) {
        sockaddr_in to{};
        msghdr message{};
        message.msg_name = &to;
        message.msg_namelen = sizeof to;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR && to.sin_family == AF_INET)
                failed(ntohl(to.sin_addr.s_addr), int(reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c))->ee_errno));
        }
    }
#else
    Q_UNUSED(socket)
    Q_UNUSED(failed)
#endif
}

bool CNodeSockets::MarkFailing(quint32 address)
{
    // On the shared socket one node's failure cannot be told from another's.
    auto it = m_nodes.find(address);
    if (it == m_nodes.end() || it->failing || !HasOwnSocket(*it))
        return false;
    it->failing = true;
    m_failingOwn.push_back(address);
    return true;
}
