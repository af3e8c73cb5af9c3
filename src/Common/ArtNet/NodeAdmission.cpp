#include "Common/ArtNet/NodeAdmission.h"

#include <QSet>

#include <algorithm>

namespace {

// A node answers ARP in milliseconds; two readings a poll apart leave no
// doubt, where one might fall in the moment an entry is made again.
constexpr int kMissesToLose = 2;

} // namespace

void CNodeAdmission::List(const std::vector<SListed>& addresses)
{
    QSet<quint32> listed;
    listed.reserve(int(addresses.size()));
    for (const SListed& a : addresses)
        listed.insert(a.address);
    for (auto it = m_nodes.begin(); it != m_nodes.end();)
        it = listed.contains(it.key()) ? std::next(it) : m_nodes.erase(it);
    int order = 0;
    for (const SListed& a : addresses) {
        SNode& node = m_nodes[a.address];
        node.order = order++;
        node.ownReply = a.ownReply;
    }
    Admit();
}

bool CNodeAdmission::AnsweredPoll(quint32 address)
{
    auto it = m_nodes.find(address);
    if (it == m_nodes.end())
        return false;
    const bool changed = !it->ownReply || it->lost;
    it->ownReply = true;
    it->lost = false;
    // Alive, whatever its entry shows (a link with no ARP at all).
    it->misses = 0;
    if (changed)
        Admit();
    return changed;
}

std::vector<quint32> CNodeAdmission::Judge(const CNeighbourTable& table)
{
    ++m_readings;
    std::vector<quint32> lost;
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        SNode& node = *it;
        const CNeighbourTable::EState state = table.State(it.key());
        node.answered = state == CNeighbourTable::EState::Answered;
        node.unansweredEntry = state == CNeighbourTable::EState::Unanswered;
        if (node.answered) {
            node.misses = 0;
            node.lost = false;
            node.reported = false;
            continue;
        }
        if (!node.admitted || ++node.misses < kMissesToLose)
            continue;
        node.admitted = false;
        node.lost = true;
        node.misses = 0;
        node.waitingSince = m_readings;
        if (!node.reported) {
            node.reported = true;
            lost.push_back(it.key());
        }
    }
    Admit();
    return lost;
}

void CNodeAdmission::Refuse(quint32 address)
{
    auto it = m_nodes.find(address);
    if (it != m_nodes.end() && it->admitted && !it->answered) {
        it->admitted = false;
        it->misses = 0;
    }
}

CNodeAdmission::EAdmit CNodeAdmission::Admission(quint32 address) const
{
    const auto it = m_nodes.constFind(address);
    if (it == m_nodes.constEnd() || !it->admitted)
        return EAdmit::None;
    return it->answered ? EAdmit::Free : EAdmit::Trial;
}

int CNodeAdmission::Unanswered(bool ownReplyOnly) const
{
    return int(std::count_if(m_nodes.begin(), m_nodes.end(),
                             [&](const SNode& n) { return Holds(n) && (n.ownReply || !ownReplyOnly); }));
}

void CNodeAdmission::Admit()
{
    int all = Unanswered(false);
    int own = Unanswered(true);
    std::vector<QHash<quint32, SNode>::iterator> waiting;
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        if (!it->admitted)
            waiting.push_back(it);
    }
    // Real nodes first, then those never given up, the longest waiting first.
    std::sort(waiting.begin(), waiting.end(), [](const auto& a, const auto& b) {
        if (a->ownReply != b->ownReply)
            return a->ownReply;
        if (a->lost != b->lost)
            return !a->lost;
        return a->waitingSince != b->waitingSince ? a->waitingSince < b->waitingSince : a->order < b->order;
    });
    for (auto it : waiting) {
        SNode& node = *it;
        if (node.answered) {
            node.admitted = true;
            continue;
        }
        // Tried again only once the kernel let its entry go: sent to at
        // once, it would hold the entry, and its place, for good.
        if (node.lost && node.unansweredEntry)
            continue;
        // An entry already held is counted; a new one would be made.
        const int more = node.unansweredEntry ? 0 : 1;
        if (node.ownReply ? own + more > kMaxUnanswered : all + more > kMaxUnanswered)
            continue;
        node.admitted = true;
        node.misses = 0;
        all += more;
        own += node.ownReply ? more : 0;
    }
}
