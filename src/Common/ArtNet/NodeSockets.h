#pragma once

#include <QHash>
#include <QHostAddress>
#include <QVector>

#include <functional>
#include <vector>

class QObject;
class QUdpSocket;

// The sockets ArtDmx leaves through: one per node address that answers ARP,
// each with its own send buffer. Datagrams to a node whose address no
// longer answers wait in the kernel's neighbour queue and are charged to the
// socket that sent them; on a shared socket two such nodes would fill its
// buffer and starve every other node. Each socket is bound to Art-Net's
// port, as nodes expect the port a packet came from to be Art-Net's, and
// connected to its node, so that it receives only that node's datagrams and
// the network's errors about it. The count stays under a bound: addresses
// past it share one more socket. Addresses not known to answer are sent to
// once each, to have them asked, all through one socket of their own: what
// waits there is a datagram for each address being asked, however many
// replies name, and none of it can hold back a node that answers.
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

    struct SWanted
    {
        quint32 address = 0; // IPv4, host order
        // Whether it answers ARP: it may have a socket of its own, or share
        // one past the bound. Any other goes through the trials' socket.
        bool mayShare = false;
    };
    // Makes the sockets fit the addresses DMX goes to now: those no longer
    // listed are closed and forgotten; a new address that answers gets a
    // socket of its own while the bound allows, else the shared one; one that
    // has its own keeps it while it is asked again. Any other goes through
    // the trials' socket. Returns the addresses left with no socket.
    std::vector<quint32> Fit(const std::vector<SWanted>& wanted);
    // Closes every node's socket, to be opened again by the next Fit: a
    // connected socket keeps the source address it was given when connected,
    // and sends nothing once this machine no longer has it.
    void Reopen();
    // The socket `address` sends through; null when Fit did not list it or no
    // socket could be opened.
    QUdpSocket* SocketOf(quint32 address) const;
    QVector<QUdpSocket*> Sockets() const;
    // Closes `socket` now and deletes it when the event loop is back.
    static void Discard(QUdpSocket* socket);

    // What a datagram of ArtDmx takes of a socket's send buffer while it
    // waits, at most.
    static constexpr int kDatagramCharge = 2048;
    // Bytes of half the send buffer of `socket` that no datagram waiting
    // takes: what it can take on and still leave the other half free.
    static int SpareRoom(QUdpSocket& socket);

    // Drops the reports of the network about earlier sends waiting on
    // `socket` (host or port unreachable): they are rate-limited and
    // dropped by the kernel, so nothing is judged by them, but left in the
    // queue they would fill the socket's receive buffer.
    static void DropErrors(QUdpSocket& socket);
    // Has the sends on `socket` report a datagram the kernel refuses (no
    // buffer or neighbour entry for it), which a UDP send otherwise counts
    // as sent. Turned off, reports of the network are not queued.
    static bool ReportRefusals(QUdpSocket& socket, bool on);

private:
    QUdpSocket* OpenSocket(quint32 connectTo);
    QUdpSocket* SharedSocket();
    QUdpSocket* TrialSocket();
    void CloseSocket(QUdpSocket*& socket);
    bool HasOwnSocket(QUdpSocket* socket) const { return socket && socket != m_shared && socket != m_trials; }
    int OwnSocketCount() const;

    QObject* m_owner;
    Opened m_opened;
    QHostAddress m_bindAddress;
    int m_bound = 1;
    QHash<quint32, QUdpSocket*> m_nodes; // its own socket, the shared one, the trials', or null
    QUdpSocket* m_shared = nullptr;
    QUdpSocket* m_trials = nullptr;
};
