#pragma once

#include "Common/ArtNet/NeighbourTable.h"

#include <QHash>

#include <functional>
#include <vector>

// Which node addresses on this machine's links DMX goes to. Every address
// sent to takes an entry in the kernel's neighbour table, which all
// programs and namespaces of the machine share; an address that never
// answers keeps its entry for as long as it is sent to, and poll replies
// can name any number of them. So an address is sent to freely only once
// it answered ARP; others are tried a few at a time, and an address that
// then stays unanswered through two readings of the table is given up and
// waits for a free place. Addresses that answered polls from their own
// address are tried within places of their own, so that no number of
// named ones can crowd a real node out.
class CNodeAdmission
{
public:
    // Addresses with an unanswered entry at once, of each kind.
    static constexpr int kMaxUnanswered = 16;

    enum class EAdmit : quint8 {
        None,  // no DMX goes to it
        Trial, // DMX goes to it while it is asked; it may never answer
        Free,  // it answered ARP at the last reading
    };

    struct SListed
    {
        quint32 address = 0;
        bool ownReply = false; // its poll replies came from the address they name
    };

    // The addresses DMX would go to, in the order of the node list; those
    // no longer listed are forgotten.
    void List(const std::vector<SListed>& addresses);
    // A poll reply came from the very address it names: a real node, which
    // is no longer taken as lost. True when that changes what is sent.
    bool AnsweredPoll(quint32 address);
    // Judges every listed address by the table as read now and fills the
    // free places for trials. Returns the addresses newly found lost (to be
    // reported once until they answer again).
    std::vector<quint32> Judge(const CNeighbourTable& table);
    // A trial that no socket could carry: it waits again, not judged.
    void Refuse(quint32 address);

    EAdmit Admission(quint32 address) const;
    // The listed addresses whose entry is asked and not answered, or that are
    // tried and not yet seen in the table; of all kinds, or answering polls themselves.
    int Unanswered(bool ownReplyOnly) const;

private:
    struct SNode
    {
        int order = 0;            // in the node list
        bool ownReply = false;
        bool admitted = false;
        bool answered = false;    // its entry was complete at the last reading
        bool unansweredEntry = false;
        bool lost = false;        // given up after staying unanswered
        bool reported = false;    // reported lost since it last answered
        quint8 misses = 0;        // readings in a row that found it admitted and unanswered
        quint64 waitingSince = 0; // the reading it was given up at
    };

    bool Holds(const SNode& node) const { return (node.admitted && !node.answered) || node.unansweredEntry; }
    void Admit();

    QHash<quint32, SNode> m_nodes;
    quint64 m_readings = 0;
};
