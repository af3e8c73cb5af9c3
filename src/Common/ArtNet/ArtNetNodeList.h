#pragma once

#include "Common/ArtNet/ArtNetPackets.h"

#include <QVector>

// One node as its latest poll reply described it.
struct SArtNetNode {
    quint32 address = 0; // IPv4, host order
    quint8 bindIndex = 1;
    QString shortName;
    QString longName;
    QVector<quint16> outputs; // Port-Addresses of its output ports
    qint64 lastSeenMs = 0;
    bool fromItself = false; // its latest reply came from the address it names
};

// Where one ArtDmx packet goes: a node's address and the Port-Address it carries.
struct SArtNetTarget {
    quint32 address = 0;
    quint16 portAddress = 0;
    bool operator==(const SArtNetTarget& o) const { return address == o.address && portAddress == o.portAddress; }
};

// The discovered nodes, keyed by address and bind index (a node with more
// than four ports answers once per group of four). Plain code over times
// handed in by the caller, so discovery and time-out are testable without a
// clock or a socket.
class CArtNetNodeList
{
public:
    // Forged replies from many addresses must not grow the list without end.
    static constexpr int kMaxNodes = 1024;

    enum class EUpdate { Added, Refreshed, Refused };

    // `fromItself`: the reply came from the address it names.
    EUpdate Update(const ArtNet::SPollReply& reply, qint64 nowMs, bool fromItself = false);
    // Drops every node whose last reply is older than `timeoutMs`; returns them.
    QVector<SArtNetNode> Expire(qint64 nowMs, qint64 timeoutMs);
    // One target per node address and Port-Address below `universeCount`, in
    // node then port order; ports of one node that share a Port-Address get one packet.
    QVector<SArtNetTarget> Targets(int universeCount) const;
    // Moves on whenever Targets may have changed: a node added, re-patched or
    // gone. A reply that only confirms a node leaves it, so that the flood of
    // replies a busy network brings costs no rebuilding.
    quint64 Revision() const { return m_revision; }

    const QVector<SArtNetNode>& Nodes() const { return m_nodes; }
    void Clear();

private:
    QVector<SArtNetNode> m_nodes;
    quint64 m_revision = 0;
};
