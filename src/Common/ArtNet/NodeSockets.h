#pragma once

#include <QHash>
#include <QHostAddress>
#include <QVector>

#include <functional>
#include <vector>

class QObject;
class QUdpSocket;

// The sockets ArtDmx leaves through: one per node address, each with its
// own send buffer. Datagrams to a node whose address no longer answers ARP
// wait in the kernel's neighbour queue and are charged to the socket that
// sent them; on a shared socket two such nodes would fill its buffer and
// starve every other node. Each socket is bound to Art-Net's port, as nodes
// expect the port a packet came from to be Art-Net's, and connected to its
// node, so that it receives only that node's datagrams and the network's
// errors about it. The count stays under a bound that a flood of forged
// replies cannot raise; addresses beyond it share one more socket.
class CNodeSockets
{
public:
    static constexpr int kMaxSockets = 256;
    // Called for every socket opened, to watch it for datagrams.
    using Opened = std::function<void(QUdpSocket& socket)>;

    CNodeSockets(QObject* owner, Opened opened);
    ~CNodeSockets();
    CNodeSockets(const CNodeSockets&) = delete;
    CNodeSockets& operator=(const CNodeSockets&) = delete;

    // Sockets bind to `bindAddress` from now on; the bound is a quarter of
    // the open file limit at most, so forged nodes cannot use up descriptors.
    void Open(const QHostAddress& bindAddress);
    void Close();

    // Makes the sockets fit the addresses (IPv4, host order) DMX goes to now:
    // those no longer listed are closed and forgotten; a new address gets a
    // socket of its own while the bound allows, else the socket of an address
    // whose sends fail, else the shared one.
    void Fit(const std::vector<quint32>& addresses);
    // The socket `address` sends through; null when Fit did not list it or no
    // socket could be opened.
    QUdpSocket* SocketOf(quint32 address) const;
    QVector<QUdpSocket*> Sockets() const;
    // Closes `socket` now and deletes it when the event loop is back.
    static void Discard(QUdpSocket* socket);

    // Hands each report of the network about earlier sends (host or port
    // unreachable) waiting on `socket` to `failed`, with the node address it
    // is about and its errno value.
    using Failed = std::function<void(quint32 address, int error)>;
    static void TakeErrors(QUdpSocket& socket, const Failed& failed);
    // Notes that sends to `address` through its own socket fail; true only the
    // first time while it is listed.
    bool MarkFailing(quint32 address);

private:
    struct SNode
    {
        QUdpSocket* socket = nullptr; // its own, the shared one, or null
        bool failing = false;
    };

    QUdpSocket* OpenSocket(quint32 connectTo);
    // A node whose sends fail and that still has a socket of its own, or null.
    SNode* TakeFailingOwn();
    QUdpSocket* SharedSocket();
    void CloseSocket(QUdpSocket*& socket);
    bool HasOwnSocket(const SNode& node) const { return node.socket && node.socket != m_shared; }
    int OwnSocketCount() const;

    QObject* m_owner;
    Opened m_opened;
    QHostAddress m_bindAddress;
    int m_bound = 1;
    QHash<quint32, SNode> m_nodes;
    std::vector<quint32> m_failingOwn; // failing nodes that had a socket of their own when marked
    QUdpSocket* m_shared = nullptr;
};
