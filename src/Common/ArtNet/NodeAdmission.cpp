#include "Common/ArtNet/NodeAdmission.h"

#include <QSet>

#include <algorithm>

using EState = CNeighbourTable::EState;

void CNodeAdmission::List(const std::vector<SListed>& addresses, const CNeighbourTable& reading, qint64 nowMs)
{
    m_nowMs = nowMs;
    QSet<quint32> listed;
    listed.reserve(int(addresses.size()));
    for (const SListed& a : addresses)
        listed.insert(a.address);
    for (auto it = m_nodes.begin(); it != m_nodes.end();) {
        if (listed.contains(it.key())) {
            ++it;
            continue;
        }
        // Its entry stays in the machine's table, asked for a while if it
        // was a trial: one sent to since the last reading has an entry now.
        EState entry = it->entry;
        if (it->admitted && !it->answered && it->asked && entry == EState::Absent)
            entry = EState::Unanswered;
        if (!it->noArp && (it->admitted || entry != EState::Absent))
            m_former.insert(it.key(), {entry, it->admitted ? nowMs : it->sinceMs});
        it = m_nodes.erase(it);
    }
    int order = 0;
    for (const SListed& a : addresses) {
        auto it = m_nodes.find(a.address);
        if (it != m_nodes.end() && it->noArp == a.arp) {
            // Its link turned ARP on or off: it is judged anew.
            m_nodes.erase(it);
            it = m_nodes.end();
        }
        if (it == m_nodes.end()) {
            it = m_nodes.insert(a.address, SNode());
            // The entry it left when listed before is newer than the reading.
            // Otherwise the reading tells, with the notices that came since:
            // an entry that answered before its address was listed has no
            // notice to come.
            const auto former = m_former.constFind(a.address);
            if (former != m_former.constEnd()) {
                it->entry = former->entry;
                it->sinceMs = former->sinceMs;
                m_former.erase(former);
            } else {
                it->entry = reading.State(a.address);
            }
            it->noArp = !a.arp;
            if (!it->noArp && it->entry == EState::Answered)
                Answer(*it);
        }
        it->order = order++;
        it->ownReply = a.ownReply;
    }
    Admit();
}

bool CNodeAdmission::AnsweredPoll(quint32 address, qint64 nowMs)
{
    m_nowMs = nowMs;
    auto it = m_nodes.find(address);
    if (it == m_nodes.end() || it->ownReply)
        return false;
    it->ownReply = true;
    return Admit();
}

bool CNodeAdmission::EntriesAnswered(const std::vector<quint32>& addresses, qint64 nowMs)
{
    m_nowMs = nowMs;
    bool changed = false;
    for (quint32 address : addresses) {
        const auto former = m_former.find(address);
        if (former != m_former.end())
            former->entry = EState::Answered;
        const auto it = m_nodes.find(address);
        if (it == m_nodes.end() || it->noArp)
            continue;
        it->entry = EState::Answered;
        changed = changed || !it->admitted || !it->answered;
        Answer(*it);
    }
    if (!changed)
        return false;
    Admit();
    return true;
}

void CNodeAdmission::Answer(SNode& node) const
{
    node.admitted = node.answered = true;
    node.sinceMs = m_nowMs;
    node.lost = node.reported = node.leftOut = false;
    node.retries = 0;
}

CNodeAdmission::SJudged CNodeAdmission::Judge(const CNeighbourTable& table, qint64 nowMs)
{
    m_nowMs = m_judgedAtMs = nowMs;
    m_judged = true;
    SJudged judged;
    for (auto it = m_former.begin(); it != m_former.end();) {
        it->entry = table.State(it.key());
        it = it->entry == EState::Absent ? m_former.erase(it) : std::next(it);
    }
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        SNode& node = *it;
        if (node.noArp)
            continue;
        // A reading older than the trial tells nothing of it.
        bool after = table.ReadAtMs() > node.sinceMs;
        node.entry = table.State(it.key());
        if (node.entry == EState::Answered) {
            judged.changed = judged.changed || !node.admitted || !node.answered;
            Answer(node);
            continue;
        }
        if (node.answered) {
            // A reading from before it answered tells nothing of it.
            if (!after)
                continue;
            // A trial again from now: its entry went, or is asked again.
            node.answered = false;
            node.sinceMs = nowMs;
            node.askedAtMs = -1;
            // Sent to all along, it is asked already, unless its entry went.
            node.asked = node.entry != EState::Absent;
            judged.changed = true;
            after = true;
        }
        // Not sent to yet, its entry is as an earlier trial left it.
        if (!node.admitted || !node.asked)
            continue;
        bool askedAgain = false;
        const qint64 askedAt = table.AskedAtMs(it.key());
        if (after && node.entry == EState::Unanswered && askedAt >= 0) {
            askedAgain = node.askedAtMs >= 0 && askedAt > node.askedAtMs + kAskedAgainMs;
            node.askedAtMs = node.askedAtMs < 0 ? askedAt : std::min(node.askedAtMs, askedAt);
        }
        if ((after && (askedAgain || node.entry == EState::Failed)) || nowMs - node.sinceMs >= kTrialMs)
            GiveUp(it.key(), node, judged);
    }
    judged.changed = Admit() || judged.changed;
    return judged;
}

void CNodeAdmission::GiveUp(quint32 address, SNode& node, SJudged& judged)
{
    node.admitted = false;
    node.lost = true;
    // sinceMs stays: a trial is sent to once, when it begins, so its entry
    // is asked for no longer than it would be had it stayed.
    node.retryAtMs = m_nowMs + std::min(kMaxRetryMs, kFirstRetryMs << node.retries);
    node.retries = quint8(std::min(node.retries + 1, 8));
    judged.changed = true;
    if (!node.reported) {
        node.reported = true;
        judged.lost.push_back(address);
    }
}

void CNodeAdmission::Refuse(quint32 address)
{
    auto it = m_nodes.find(address);
    if (it != m_nodes.end() && it->admitted && !it->answered && !it->noArp)
        it->admitted = false;
}

CNodeAdmission::EAdmit CNodeAdmission::Admission(quint32 address) const
{
    const auto it = m_nodes.constFind(address);
    if (it == m_nodes.constEnd() || !it->admitted)
        return EAdmit::None;
    return it->answered || it->noArp ? EAdmit::Free : EAdmit::Trial;
}

bool CNodeAdmission::Ask(quint32 address)
{
    const auto it = m_nodes.find(address);
    if (it == m_nodes.end() || !it->admitted)
        return false;
    const bool ask = it->answered || it->noArp || !it->asked;
    it->asked = true;
    return ask;
}

bool CNodeAdmission::Due(qint64 nowMs, bool look) const
{
    if (m_judged && nowMs - m_judgedAtMs < kReadingMs)
        return false;
    return look || std::any_of(m_nodes.begin(), m_nodes.end(), [nowMs](const SNode& n) {
        return !n.noArp && ((n.admitted && !n.answered) || (n.lost && n.retryAtMs <= nowMs));
    });
}

int CNodeAdmission::Unanswered(bool namedOnly) const
{
    int asked = int(std::count_if(m_nodes.begin(), m_nodes.end(),
                                  [&](const SNode& n) { return Holds(n) && !(namedOnly && n.ownReply); }));
    if (!namedOnly) {
        asked += int(std::count_if(m_former.begin(), m_former.end(), [this](const SFormer& f) { return Asked(f.entry, f.sinceMs); }));
    }
    return asked;
}

int CNodeAdmission::Entries() const
{
    return int(std::count_if(m_former.begin(), m_former.end(), [](const SFormer& f) { return Unanswering(f.entry); }))
        + int(std::count_if(m_nodes.begin(), m_nodes.end(), [](const SNode& n) { return Counted(n); }));
}

std::vector<quint32> CNodeAdmission::TakeLeftOut()
{
    std::vector<quint32> leftOut;
    leftOut.swap(m_leftOut);
    return leftOut;
}

bool CNodeAdmission::Admit()
{
    int all = Unanswered(false);
    int named = Unanswered(true);
    int entries = Entries();
    std::vector<QHash<quint32, SNode>::iterator> waiting;
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        if (!it->admitted && !(it->lost && it->retryAtMs > m_nowMs))
            waiting.push_back(it);
    }
    // Addresses never tried first, so that no number of given-up ones
    // retried keeps a new node waiting; then those answering polls themselves.
    std::sort(waiting.begin(), waiting.end(), [](const auto& a, const auto& b) {
        if (a->lost != b->lost)
            return !a->lost;
        if (a->ownReply != b->ownReply)
            return a->ownReply;
        return a->lost && a->retryAtMs != b->retryAtMs ? a->retryAtMs < b->retryAtMs : a->order < b->order;
    });
    bool changed = false;
    for (auto it : waiting) {
        SNode& node = *it;
        // An entry asked already is counted; a failed one is asked again in place.
        const int more = node.noArp || Holds(node) ? 0 : 1;
        const int made = Counted(node) ? 0 : 1;
        if (all + more > kMaxUnanswered || (!node.ownReply && named + more > kMaxNamedUnanswered))
            continue;
        if (entries + made > kMaxEntries) {
            if (!node.leftOut) {
                node.leftOut = true;
                m_leftOut.push_back(it.key());
                changed = true;
            }
            continue;
        }
        node.admitted = true;
        node.sinceMs = m_nowMs;
        node.askedAtMs = -1;
        node.asked = false;
        node.leftOut = node.leftOut && !node.noArp;
        all += more;
        named += node.ownReply ? 0 : more;
        entries += made;
        changed = true;
    }
    return changed;
}
