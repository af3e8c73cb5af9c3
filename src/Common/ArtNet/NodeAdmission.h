#pragma once

#include "Common/ArtNet/NeighbourTable.h"

#include <QHash>

#include <vector>

// Which node addresses on this machine's links DMX goes to. Every address
// sent to takes an entry in the kernel's neighbour table, which all
// programs and namespaces of the machine share (1,024 entries by default);
// an address that never answers keeps its entry, failed, until the kernel
// collects it, which it does only while the machine holds many entries. Poll
// replies can name any number of such addresses, from the very address they
// name too, so only ARP tells a real node: an address is sent to freely once
// it answered ARP, however many there are. Others are tried a few at a time, and
// hold a bounded number of entries; each is sent to once, and given up as
// soon as their entry fails (or is asked anew, which is how a failed entry
// sent to again shows); one given up is tried again after a back-off of its own,
// as sending to a failed entry asks again without making another.
class CNodeAdmission
{
public:
    // Addresses of ours being asked at once (incomplete entries), of every kind.
    static constexpr int kMaxUnanswered = 32;
    // Of those, addresses named only by another address's replies, so that
    // they cannot crowd out addresses answering polls themselves.
    static constexpr int kMaxNamedUnanswered = 16;
    // Entries our addresses hold in the machine's table without an answer
    // (see CNeighbourTable::EState), with those on links without ARP, where
    // a real node cannot be told from a forged one. An address that answered
    // is a node on the link, which needs its entry whatever the count.
    static constexpr int kMaxEntries = 256;
    // A trial still not answered after this is given up whatever its entry
    // shows: the kernel fails an address after three probes a second apart.
    static constexpr qint64 kTrialMs = 6000;
    // A given-up address is tried again after this, doubled each time it
    // fails again up to kMaxRetryMs.
    static constexpr qint64 kFirstRetryMs = 1000;
    static constexpr qint64 kMaxRetryMs = 8000;
    // An entry whose asking began this much later than a reading before
    // found it begun failed in between and was asked again.
    static constexpr qint64 kAskedAgainMs = 250;
    // Readings of the table while trials wait are this far apart at least:
    // a reading costs in proportion to the machine's whole table, and the
    // kernel's notices bring answers sooner.
    static constexpr qint64 kReadingMs = 500;

    enum class EAdmit : quint8 {
        None,  // no DMX goes to it
        Trial, // DMX goes to it while it is asked; it may never answer
        Free,  // it answered ARP at the last reading, or its link has no ARP
    };

    struct SListed
    {
        quint32 address = 0;
        bool ownReply = false; // its poll replies came from the address it names
        bool arp = true;       // its link resolves it by ARP
    };

    struct SJudged
    {
        std::vector<quint32> lost; // newly given up, reported once until they answer again
        bool changed = false;      // what is sent to whom
    };

    // The addresses DMX would go to, in the order of the node list; those
    // no longer listed are forgotten, but for the entries they still hold.
    // One newly listed whose entry answered at the last reading of the
    // table, `reading`, is sent to freely from the start.
    void List(const std::vector<SListed>& addresses, const CNeighbourTable& reading, qint64 nowMs);
    // A poll reply came from the very address it names. Anyone can send
    // such a reply, so it is no sign of life; it only moves the address
    // to the places of addresses that answer for themselves. True when that
    // changes what is sent.
    bool AnsweredPoll(quint32 address, qint64 nowMs);
    // The kernel told that the entries of `addresses` answered: true when
    // that changes what is sent.
    bool EntriesAnswered(const std::vector<quint32>& addresses, qint64 nowMs);
    // Judges every address by the table as last read and fills the free
    // places for trials. A trial begun after that reading is judged only by
    // its time.
    SJudged Judge(const CNeighbourTable& table, qint64 nowMs);
    // A trial that no socket could carry: it waits again, not judged.
    void Refuse(quint32 address);

    EAdmit Admission(quint32 address) const;
    // Whether datagrams go to `address` now: freely once it answered; a
    // trial only once, to have it asked. An absent address sent to on
    // would be asked again the moment its entry fails, and hold its place
    // for good.
    bool Ask(quint32 address);
    // Whether the table is worth reading now, kReadingMs after the last
    // reading: a trial is under way, an address given up is due to be
    // tried again, or `look` (a look at every address, answered ones too).
    bool Due(qint64 nowMs, bool look = false) const;
    // Our addresses being asked now, of all kinds or named only.
    int Unanswered(bool namedOnly) const;
    // Entries our addresses hold in the table with no answer, listed or
    // not, and those on links without ARP.
    int Entries() const;
    // Addresses newly left out at the entry bound since the last call:
    // each is reported once until it is sent to.
    std::vector<quint32> TakeLeftOut();

private:
    struct SNode
    {
        int order = 0; // in the node list
        bool ownReply = false;
        bool noArp = false;
        bool admitted = false;
        bool answered = false; // its entry answered at the last reading
        bool asked = false;    // as a trial, sent to once
        CNeighbourTable::EState entry = CNeighbourTable::EState::Absent;
        bool lost = false;     // given up, and waiting for retryAtMs
        bool reported = false; // reported lost since it last answered
        bool leftOut = false;  // reported left out since it was last admitted
        quint8 retries = 0;    // given up in a row
        qint64 sinceMs = 0;    // tried or answered from, or last sent to when not admitted
        qint64 retryAtMs = 0;
        qint64 askedAtMs = -1; // when its entry's asking began, as a trial
    };
    struct SFormer
    {
        CNeighbourTable::EState entry = CNeighbourTable::EState::Absent;
        qint64 sinceMs = 0;
    };

    static bool Unanswering(CNeighbourTable::EState entry)
    {
        return entry == CNeighbourTable::EState::Unanswered || entry == CNeighbourTable::EState::Failed;
    }
    // An entry is asked for a few seconds after the last datagram to it.
    bool Asked(CNeighbourTable::EState entry, qint64 sinceMs) const
    {
        return entry == CNeighbourTable::EState::Unanswered && m_nowMs - sinceMs < kTrialMs;
    }
    bool Holds(const SNode& n) const
    {
        if (n.noArp)
            return false;
        return n.admitted ? !n.answered : Asked(n.entry, n.sinceMs);
    }
    // Whether `n` takes one of the entries kMaxEntries bounds.
    static bool Counted(const SNode& n)
    {
        if (n.noArp)
            return n.admitted;
        return n.admitted ? !n.answered : Unanswering(n.entry);
    }
    void Answer(SNode& node) const;
    bool Admit();
    void GiveUp(quint32 address, SNode& node, SJudged& judged);

    QHash<quint32, SNode> m_nodes;
    QHash<quint32, SFormer> m_former; // no longer listed, with an entry
    std::vector<quint32> m_leftOut;
    qint64 m_nowMs = 0;
    qint64 m_judgedAtMs = 0;
    bool m_judged = false;
};
