#pragma once

#include "Common/ArtNet/ArtNetNodeList.h"
#include "Common/ArtNet/DatagramBatch.h"
#include "Common/ArtNet/LocalSubnets.h"
#include "Common/ArtNet/NeighbourTable.h"
#include "Common/ArtNet/NodeAdmission.h"
#include "Common/ArtNet/NodeSockets.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QNetworkDatagram;
class QUdpSocket;

// Art-Net output: discovers nodes by polling and sends each output port of
// every node the universe it asks for. Polls go out through a socket of their
// own and DMX through a socket per node (see CNodeSockets), so that a node
// that stops answering costs no other node a frame; which nodes on this
// machine's links are sent to at all follows the kernel's neighbour table
// (see CNodeAdmission). Lives on the GUI thread; the master tick calls
// SendUniverses.
class CArtNetManager : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPollIntervalMs = 3000;
    // A node is dropped when the polls that went out over this long brought
    // no reply from it; polls the kernel refused do not count.
    static constexpr int kNodeTimeoutMs = 30000;
    // A poll the kernel refused is sent again this soon.
    static constexpr int kPollRetryMs = 250;
    // Datagrams read before the event loop gets its turn again: a flood of
    // replies must not keep the master tick from firing.
    static constexpr int kDatagramsPerPass = 32;

    // The 512-level output buffer of universe u, or null when it has none.
    using OutputBuffer = std::function<const quint8*(int universe)>;

    explicit CArtNetManager(QObject* parent = nullptr);
    ~CArtNetManager() override;

    // Opens UDP port 6454 on `bindAddress`, then polls at once and every few
    // seconds. False (and HasFailed) when the port cannot be opened.
    bool Start(const QHostAddress& bindAddress = QHostAddress(QHostAddress::AnyIPv4));
    void Stop();
    bool IsRunning() const;
    // The last start failed; the tool bar's network icons blink while it holds.
    bool HasFailed() const { return m_failed; }

    // Where polls go. Empty (the default) means the broadcast address of every
    // network interface that is up and not the loopback.
    void SetPollTargets(const QList<QHostAddress>& targets) { m_pollTargets = targets; }
    // Polls every target, after taking note of changes to this machine's
    // addresses. Returns how many polls the kernel refused; they are sent
    // again soon, and do not count towards a node's time-out.
    int Poll();

    // The Art-Net pass of the master tick: one ArtDmx packet per output port
    // of every node whose Port-Address is below `universeCount`. Returns the
    // number of packets sent. The packets and the batch that sends them are
    // made here, once, after the node list or `universeCount` changed;
    // otherwise it allocates nothing. A node found lost is written to the
    // debug log once until it answers again.
    int SendUniverses(int universeCount, const OutputBuffer& outputOf);

    const CArtNetNodeList& NodeList() const { return m_nodes; }
    // The neighbour table as the output last read it.
    const CNeighbourTable& Neighbours() const { return m_neighbours; }

signals:
    void nodeDetected();

private slots:
    void OnPollTimer();
    void SendPolls();

private:
    // The targets of one node address, and the socket they leave through.
    struct SLink
    {
        quint32 address = 0;
        QUdpSocket* socket = nullptr;
        bool trial = false; // sent to once, until its address answers ARP
        int first = 0;      // in m_linkTargets
        int count = 0;
    };

    QList<QHostAddress> PollAddresses() const;
    void Watch(QUdpSocket& socket);
    void OnReadyRead(QUdpSocket* socket);
    void MarkUnread(QUdpSocket* socket);
    void ReadPass();
    void HandleDatagram(const QNetworkDatagram& datagram);
    // Takes the answers the kernel's notices brought.
    void ReadNotices();
    // Judges the nodes by the neighbour table as it is now.
    void JudgeNodes();
    quint8 NextSequence(quint16 portAddress);
    // Called by SendUniverses when the node list or the universe count changed since the last build.
    void RebuildTargets(int universeCount);
    void RebuildLinks();

    std::unique_ptr<QUdpSocket> m_socket; // polls, and DMX to nodes on this machine
    CNodeSockets m_nodeSockets;
    // Sockets that signalled and were not yet read empty, in the order they
    // are read; a socket closed since is null.
    std::deque<QPointer<QUdpSocket>> m_unread;
    QTimer m_pollTimer;
    QTimer m_pollRetry;
    QList<QHostAddress> m_pollsLeft; // targets of this round the kernel refused
    bool m_roundOut = false;         // a poll of this round went out
    // Moves on by a poll interval for every round of polls that went out: the
    // time a node has been silent is counted on it.
    qint64 m_pollClockMs = 0;
    CArtNetNodeList m_nodes;
    QList<QHostAddress> m_pollTargets;
    CLocalSubnets m_subnets;
    CNeighbourTable m_neighbours;
    // Watches the table's notices, read as they come rather than on every
    // tick, where they were most often none. Declared after the table, whose
    // socket it watches, so as to go first.
    std::unique_ptr<QSocketNotifier> m_noticeWatch;
    CNodeAdmission m_admission;
    QSet<quint32> m_noSocket; // listed addresses reported left with no socket, until they have one
    bool m_listFull = false;  // a node left out of the full list was reported
    QElapsedTimer m_clock;  // of the admission's trials and back-offs
    QHash<quint16, quint8> m_sequences;
    QVector<SArtNetTarget> m_targets; // of every Port-Address
    quint64 m_targetsRevision = 0;    // of the node list m_targets was built from
    int m_targetsUniverses = -1;      // the universe count they were built for
    std::vector<SLink> m_links;
    std::vector<int> m_linkTargets;   // indexes in m_targets, grouped by link
    bool m_linksStale = false;        // what is sent to whom changed since the links were made
    std::vector<quint16> m_ports;     // the Port-Addresses m_targets names, each once
    std::vector<int> m_portIndex;     // per Port-Address, its index in m_ports or -1
    std::vector<int> m_targetPorts;   // per target, its index in m_ports
    std::vector<char> m_packets;      // one packet per port
    std::vector<quint8> m_packetState; // per port, during a pass
    CDatagramBatch m_batch;
    bool m_passQueued = false;
    bool m_failed = false;
};
