#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// What the kernel's neighbour (ARP) table of this network namespace holds
// about IPv4 addresses. The kernel keeps it whatever the network reports
// back, so it tells which addresses answer even when its reports of the
// others (host unreachable) are rate-limited or dropped.
class CNeighbourTable
{
public:
    // An address has answered while its entry holds the hardware address
    // the kernel learnt from it: reachable, stale, delay and probe (each an
    // entry that answered once and is only being confirmed), or one that
    // needs no answer (no ARP on its link, or set by hand). Incomplete and
    // failed entries hold none: their addresses never answered, or no
    // longer do, and only they count against what a program may hold.
    enum class EState : quint8 {
        Absent,     // no entry: never sent to lately, or reached through a router
        Answered,   // see above
        Unanswered, // being asked and not (yet) answered
        Failed,     // asked and never answered; sent to again, it is asked again
    };

    // The next datagram of the kernel's answer into `buffer`: its size, or
    // a negative number on an error or time-out.
    using Receive = std::function<int(char* buffer, int capacity)>;

    CNeighbourTable() = default;
    ~CNeighbourTable();
    // A copy is a reading; the notices stay with the table that follows them.
    CNeighbourTable(const CNeighbourTable& other) = default;
    CNeighbourTable& operator=(const CNeighbourTable& other) = default;

    // Reads the table as it is now (`nowMs` on the caller's clock), through
    // the kernel's routing socket, else /proc/net/arp. False when no whole
    // reading could be made: the last whole one stands. Where the table
    // cannot be read at all (not Linux) every address counts as answered. A
    // table larger than anything the kernel allows by default is read only
    // in part: the rest counts as absent.
    bool Refresh(qint64 nowMs);
    // The same from the caller's sources: `dump`, the routing socket's
    // answer to a dump request, or where that socket cannot be had (null)
    // `arp`, the text of /proc/net/arp read by chunks up to its end (0). A
    // dump cut short is no reading, nor is text that a read error or the
    // bound on its size cut.
    bool Read(const Receive& dump, const Receive& arp, qint64 nowMs);
    // The text of the file at `path` (/proc/net/arp) by chunks, as Read takes it.
    static Receive FileChunks(const QString& path);
    // A dump of the kernel's routing socket, datagram by datagram. Taken only
    // whole: an error, a time-out or a reply the kernel marks interrupted
    // (the table changed under it) leaves the last reading as it was.
    bool ReadDump(const Receive& receive, qint64 nowMs);
    // The table from the text of /proc/net/arp, which cannot tell a failed
    // entry from one being asked, and shows both as unanswered. Text cut
    // short (not ending at a line's end) is not taken.
    bool Parse(const QByteArray& text, qint64 nowMs = 0);
    // One entry as a reading found it; `askedAtMs`: when an unanswered
    // one's asking began, -1 when not known.
    void Set(quint32 address, EState state, qint64 askedAtMs = -1);

    // Listens to the kernel's notices of entries that change. A notice only
    // hastens what a reading finds (the kernel drops them when they come
    // faster than they are read), so readings go on all the same.
    void Follow();
    void Unfollow();
    // The socket the notices come on, readable when some came; -1 when not followed.
    int NoticeSocket() const { return m_notices.fd; }
    // The addresses whose entries answered since the last call, by the
    // notices that came, and marks them answered here. Cheap: a call finds
    // nothing in one system call.
    std::vector<quint32> Answered();
    // The same from notices as the kernel sends them (a test's own).
    std::vector<quint32> Answered(const Receive& receive);

    EState State(quint32 address) const
    {
        return m_readable ? m_states.value(address, {}).state : EState::Answered;
    }
    // When an unanswered entry's asking began, -1 when not known. An entry
    // still sent to when it fails is asked again at once, so a reading
    // rarely finds it failed: its asking begins anew instead.
    qint64 AskedAtMs(quint32 address) const { return m_states.value(address, {}).askedAtMs; }
    // Entries in `state`, of every address read.
    int Count(EState state) const;
    // Whether failed entries show as failed, not as unanswered.
    bool TellsFailed() const { return m_tellsFailed; }
    // Whole readings taken since this table was made, and when the last was.
    int Readings() const { return m_readings; }
    qint64 ReadAtMs() const { return m_readAtMs; }

private:
    struct SEntry
    {
        EState state = EState::Absent;
        qint64 askedAtMs = -1;
    };
    using States = QHash<quint32, SEntry>;

    // A routing socket that a dump of the table was asked on; -1 when the
    // kernel's interface cannot be had.
    static int OpenDump();
    static void Merge(States& states, quint32 address, EState state, qint64 askedAtMs);
    void Take(States& states, bool tellsFailed, qint64 nowMs);

    States m_states;
    bool m_readable = false;
    bool m_tellsFailed = false;
    int m_readings = 0;
    qint64 m_readAtMs = 0;
    // The socket of the kernel's notices, which a copy does not take.
    struct SNoticeSocket
    {
        int fd = -1;
        SNoticeSocket() = default;
        SNoticeSocket(const SNoticeSocket&) {}
        SNoticeSocket& operator=(const SNoticeSocket&) { return *this; }
    };
    SNoticeSocket m_notices;
};
