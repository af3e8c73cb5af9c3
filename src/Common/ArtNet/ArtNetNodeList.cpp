#include "Common/ArtNet/ArtNetNodeList.h"

#include <QSet>

#include <algorithm>

CArtNetNodeList::EUpdate CArtNetNodeList::Update(const ArtNet::SPollReply& reply, qint64 nowMs, bool fromItself)
{
    auto same = [&reply](const SArtNetNode& node) {
        return node.address == reply.address && node.bindIndex == reply.bindIndex;
    };
    auto it = std::find_if(m_nodes.begin(), m_nodes.end(), same);
    const bool added = it == m_nodes.end();
    if (added) {
        if (m_nodes.size() >= kMaxNodes)
            return EUpdate::Refused;
        m_nodes.append(SArtNetNode());
        it = m_nodes.end() - 1;
        ++m_revision;
    }
    it->address = reply.address;
    it->bindIndex = reply.bindIndex;
    it->shortName = reply.shortName;
    it->longName = reply.longName;
    if (it->outputs != reply.outputs) {
        it->outputs = reply.outputs; // a node re-patched since its last reply sends its new ports
        ++m_revision;
    }
    it->lastSeenMs = nowMs;
    it->fromItself = fromItself;
    return added ? EUpdate::Added : EUpdate::Refreshed;
}

QVector<SArtNetNode> CArtNetNodeList::Expire(qint64 nowMs, qint64 timeoutMs)
{
    QVector<SArtNetNode> removed;
    auto stale = [&](const SArtNetNode& node) { return nowMs - node.lastSeenMs > timeoutMs; };
    for (const SArtNetNode& node : m_nodes) {
        if (stale(node))
            removed << node;
    }
    if (!removed.isEmpty()) {
        m_nodes.erase(std::remove_if(m_nodes.begin(), m_nodes.end(), stale), m_nodes.end());
        ++m_revision;
    }
    return removed;
}

void CArtNetNodeList::Clear()
{
    m_nodes.clear();
    ++m_revision;
}

QVector<SArtNetTarget> CArtNetNodeList::Targets(int universeCount) const
{
    QVector<SArtNetTarget> targets;
    QSet<quint64> seen;
    for (const SArtNetNode& node : m_nodes) {
        for (quint16 portAddress : node.outputs) {
            if (int(portAddress) >= universeCount)
                continue;
            const quint64 key = quint64(node.address) << 16 | portAddress;
            if (!seen.contains(key)) {
                seen.insert(key);
                targets.append({node.address, portAddress});
            }
        }
    }
    return targets;
}
