#pragma once

// The kernel's side of a neighbour table reading, scripted: netlink
// messages as a dump or a notice carries them, and a source that hands
// them out datagram by datagram as the routing socket would.

#include "Common/ArtNet/NeighbourTable.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace NeighbourMessages {

inline QByteArray Message(quint16 type, quint16 flags, const QByteArray& payload)
{
    nlmsghdr header{};
    header.nlmsg_len = quint32(NLMSG_LENGTH(size_t(payload.size())));
    header.nlmsg_type = type;
    header.nlmsg_flags = flags;
    QByteArray message(reinterpret_cast<const char*>(&header), sizeof header);
    message += payload;
    message.append(int(NLMSG_ALIGN(message.size())) - message.size(), '\0');
    return message;
}

inline QByteArray Attribute(quint16 type, const void* data, size_t size)
{
    rtattr a{};
    a.rta_len = quint16(RTA_LENGTH(size));
    a.rta_type = type;
    QByteArray bytes(reinterpret_cast<const char*>(&a), sizeof a);
    bytes.append(static_cast<const char*>(data), int(size));
    bytes.append(int(RTA_ALIGN(bytes.size())) - bytes.size(), '\0');
    return bytes;
}

// One IPv4 entry in `nud` (NUD_REACHABLE, ...), changed `sinceMs` ago;
// `type` RTM_DELNEIGH: the notice of its deletion.
inline QByteArray Entry(const char* address, quint16 nud, qint64 sinceMs = 0, quint16 flags = NLM_F_MULTI,
                        quint16 type = RTM_NEWNEIGH)
{
    ndmsg entry{};
    entry.ndm_family = AF_INET;
    entry.ndm_state = nud;
    QByteArray payload(reinterpret_cast<const char*>(&entry), sizeof entry);
    const quint32 ip = htonl(QHostAddress(QLatin1String(address)).toIPv4Address());
    payload += Attribute(NDA_DST, &ip, sizeof ip);
    nda_cacheinfo times{};
    times.ndm_updated = quint32(sinceMs * ::sysconf(_SC_CLK_TCK) / 1000);
    payload += Attribute(NDA_CACHEINFO, &times, sizeof times);
    return Message(type, flags, payload);
}

inline QByteArray Done()
{
    return Message(NLMSG_DONE, NLM_F_MULTI, QByteArray(4, '\0'));
}

inline QByteArray Error()
{
    return Message(NLMSG_ERROR, 0, QByteArray(int(sizeof(nlmsgerr)), '\0'));
}

// Hands out `datagrams` one per call; an empty one, or the end of the
// list, is an error (a time-out) of the socket.
inline CNeighbourTable::Receive Source(const QList<QByteArray>& datagrams)
{
    auto next = std::make_shared<int>(0);
    return [datagrams, next](char* buffer, int capacity) {
        if (*next >= datagrams.size() || datagrams[*next].isEmpty() || datagrams[*next].size() > capacity) {
            errno = EAGAIN;
            return -1;
        }
        const QByteArray& d = datagrams[(*next)++];
        memcpy(buffer, d.constData(), size_t(d.size()));
        return int(d.size());
    };
}

// Hands out `chunks` of a file one per call, then its end (0); an empty
// one is a read error.
inline CNeighbourTable::Receive Chunks(const QList<QByteArray>& chunks)
{
    auto next = std::make_shared<int>(0);
    return [chunks, next](char* buffer, int capacity) {
        if (*next >= chunks.size())
            return 0;
        const QByteArray& c = chunks[(*next)++];
        if (c.isEmpty() || c.size() > capacity)
            return -1;
        memcpy(buffer, c.constData(), size_t(c.size()));
        return int(c.size());
    };
}

} // namespace NeighbourMessages
