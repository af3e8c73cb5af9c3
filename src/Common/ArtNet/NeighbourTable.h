#pragma once

#include <QByteArray>
#include <QHash>
#include <QtGlobal>

// What the kernel's neighbour (ARP) table of this network namespace holds
// about IPv4 addresses. The kernel keeps it whatever the network reports
// back, so it tells which addresses answer even when its reports of the
// others (host unreachable) are rate-limited or dropped.
class CNeighbourTable
{
public:
    enum class EState : quint8 {
        Absent,     // no entry: never sent to lately, or reached through a router
        Answered,   // the address answered ARP (resolved, stale or being re-checked)
        Unanswered, // asked and not (yet) answered, or failed
    };

    // Reads the table as it is now; false where it cannot be read (not
    // Linux), and every address then counts as answered. A table larger
    // than anything the kernel allows by default is read only in part: the
    // rest counts as absent.
    bool Refresh();
    // The table from the text of /proc/net/arp.
    void Parse(const QByteArray& text);

    EState State(quint32 address) const
    {
        return m_readable ? m_states.value(address, EState::Absent) : EState::Answered;
    }

private:
    QHash<quint32, EState> m_states;
    bool m_readable = false;
};
