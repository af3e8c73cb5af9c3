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
        Answered,   // the address answered ARP (resolved, stale or being re-checked), or needs none
        Unanswered, // being asked and not (yet) answered
        Failed,     // asked and never answered; sent to again, it is asked again
    };

    // Reads the table as it is now, through the kernel's routing socket (a
    // dump of at most the table, cheap enough for every tick); false where
    // it cannot be read (not Linux), and every address then counts as
    // answered. A table larger than anything the kernel allows by default
    // is read only in part: the rest counts as absent.
    bool Refresh();
    // The table from the text of /proc/net/arp, which is read where the
    // kernel's own interface cannot be: it cannot tell a failed entry from
    // one being asked, and shows both as unanswered.
    void Parse(const QByteArray& text);
    // One entry as a reading found it; `askedForMs`: how long an unanswered
    // one has been asked, -1 when not known.
    void Set(quint32 address, EState state, qint64 askedForMs = -1);

    EState State(quint32 address) const
    {
        return m_readable ? m_states.value(address, {}).state : EState::Answered;
    }
    // How long an unanswered entry has been asked, -1 when not known. An
    // entry still sent to when it fails is asked again at once, so a
    // reading rarely finds it failed: its asking begins anew instead.
    qint64 AskedForMs(quint32 address) const { return m_states.value(address, {}).askedForMs; }
    // Entries in `state`, of every address read.
    int Count(EState state) const;
    // Whether failed entries show as failed, not as unanswered.
    bool TellsFailed() const { return m_tellsFailed; }

private:
    bool ReadNetlink();

    struct SEntry
    {
        EState state = EState::Absent;
        qint64 askedForMs = -1;
    };
    QHash<quint32, SEntry> m_states;
    bool m_readable = false;
    bool m_tellsFailed = false;
};
