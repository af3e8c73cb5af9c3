#include "Common/ArtNet/NeighbourTable.h"

#include <QFile>
#include <QHostAddress>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace {

// The default table holds 1,024 entries of some 80 bytes each.
constexpr qint64 kMaxTableBytes = 1 << 20;
constexpr int kMaxEntries = 1 << 14;
// Notices read in one call at most (one a datagram); the rest wait for the
// next. A burst of changes brings hundreds, and an answer must not wait
// behind them for many calls.
constexpr int kMaxNoticeReads = 4096;
// Room for the notices of a burst between two calls.
constexpr int kNoticeBufferBytes = 1 << 20;
// "Complete" in the table's flags: the entry holds the address's hardware address.
constexpr uint kCompleteFlag = 0x2;

// An address with entries on several links is as alive as its liveliest.
int Liveliness(CNeighbourTable::EState state)
{
    switch (state) {
    case CNeighbourTable::EState::Answered:
        return 3;
    case CNeighbourTable::EState::Unanswered:
        return 2;
    case CNeighbourTable::EState::Failed:
        return 1;
    case CNeighbourTable::EState::Absent:
        break;
    }
    return 0;
}

#ifdef Q_OS_LINUX
CNeighbourTable::EState StateOf(quint16 nud)
{
    if (nud & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_NOARP | NUD_PERMANENT))
        return CNeighbourTable::EState::Answered;
    return nud & NUD_FAILED ? CNeighbourTable::EState::Failed : CNeighbourTable::EState::Unanswered;
}

struct SNeighbour
{
    quint32 address = 0;
    CNeighbourTable::EState state = CNeighbourTable::EState::Absent;
    qint64 askedForMs = -1;
};

// One IPv4 entry of a dump or a notice; false for anything else.
bool Decode(const nlmsghdr* h, SNeighbour& out)
{
    if (h->nlmsg_type != RTM_NEWNEIGH || h->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return false;
    const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(h));
    if (entry->ndm_family != AF_INET)
        return false;
    static const long ticksPerSecond = std::max(1L, ::sysconf(_SC_CLK_TCK));
    int length = int(h->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    bool named = false;
    qint64 askedForMs = -1;
    for (auto* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(entry) + NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(a, length); a = RTA_NEXT(a, length)) {
        if (a->rta_type == NDA_DST && RTA_PAYLOAD(a) == sizeof(in_addr)) {
            in_addr address{};
            memcpy(&address, RTA_DATA(a), sizeof address);
            out.address = ntohl(address.s_addr);
            named = true;
        } else if (a->rta_type == NDA_CACHEINFO && RTA_PAYLOAD(a) >= sizeof(nda_cacheinfo)) {
            nda_cacheinfo times{};
            memcpy(&times, RTA_DATA(a), sizeof times);
            // Since its state last changed, in the kernel's clock ticks for users.
            askedForMs = qint64(times.ndm_updated) * 1000 / ticksPerSecond;
        }
    }
    out.state = StateOf(entry->ndm_state);
    out.askedForMs = out.state == CNeighbourTable::EState::Unanswered ? askedForMs : -1;
    return named;
}
#endif

} // namespace

CNeighbourTable::~CNeighbourTable()
{
    Unfollow();
}

CNeighbourTable::Receive CNeighbourTable::FileChunks(const QString& path)
{
    // Opened at the first read, and kept open to its end: the kernel makes
    // the text as it is read, so each opening starts it anew.
    auto file = std::make_shared<QFile>(path);
    return [file](char* buffer, int capacity) {
        if (!file->isOpen() && !file->open(QIODevice::ReadOnly))
            return -1;
        return int(file->read(buffer, capacity));
    };
}

bool CNeighbourTable::Refresh(qint64 nowMs)
{
    const Receive arp = FileChunks(QStringLiteral("/proc/net/arp"));
#ifdef Q_OS_LINUX
    const int fd = OpenDump();
    if (fd >= 0) {
        const bool read = Read([fd](char* buffer, int capacity) { return int(::recv(fd, buffer, size_t(capacity), 0)); }, arp, nowMs);
        ::close(fd);
        return read;
    }
#endif
    return Read({}, arp, nowMs);
}

bool CNeighbourTable::Read(const Receive& dump, const Receive& arp, qint64 nowMs)
{
    if (dump)
        return ReadDump(dump, nowMs);
    // The file is generated as it is read, so its size is unknown beforehand;
    // one that fills the bound was cut by it.
    QByteArray text;
    char chunk[32768];
    for (;;) {
        const int size = arp(chunk, int(sizeof chunk));
        if (size < 0)
            return false;
        if (size == 0)
            break;
        text.append(chunk, size);
        if (text.size() >= kMaxTableBytes)
            return false;
    }
    return Parse(text, nowMs);
}

int CNeighbourTable::OpenDump()
{
#ifdef Q_OS_LINUX
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    // The dump is the kernel's answer to this very call, there at once; the
    // time-out only guards against a kernel that never ends it.
    const timeval wait = {0, 200000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    struct
    {
        nlmsghdr header;
        ndmsg request;
    } dump{};
    dump.header.nlmsg_len = sizeof dump;
    dump.header.nlmsg_type = RTM_GETNEIGH;
    dump.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    dump.header.nlmsg_seq = 1;
    dump.request.ndm_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &dump, sizeof dump, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) != ssize_t(sizeof dump)) {
        ::close(fd);
        return -1;
    }
    return fd;
#else
    return -1;
#endif
}

bool CNeighbourTable::ReadDump(const Receive& receive, qint64 nowMs)
{
#ifdef Q_OS_LINUX
    States states;
    alignas(nlmsghdr) char buffer[32768];
    for (int entries = 0; entries < kMaxEntries;) {
        int size = receive(buffer, int(sizeof buffer));
        if (size <= 0)
            return false;
        unsigned int left = unsigned(size);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
            if ((h->nlmsg_flags & NLM_F_DUMP_INTR) || h->nlmsg_type == NLMSG_ERROR)
                return false;
            if (h->nlmsg_type == NLMSG_DONE) {
                Take(states, true, nowMs);
                return true;
            }
            SNeighbour n;
            if (!Decode(h, n))
                continue;
            ++entries;
            Merge(states, n.address, n.state, n.askedForMs < 0 ? -1 : nowMs - n.askedForMs);
        }
    }
    // A table cut short by the bound is used as far as it was read.
    Take(states, true, nowMs);
    return true;
#else
    Q_UNUSED(receive)
    Q_UNUSED(nowMs)
    return false;
#endif
}

bool CNeighbourTable::Parse(const QByteArray& text, qint64 nowMs)
{
    if (!text.endsWith('\n'))
        return false;
    States states;
    const QList<QByteArray> lines = text.split('\n');
    // The first line names the columns: address, hardware type, flags, ...
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 3)
            continue;
        bool ipv4 = false;
        const quint32 address = QHostAddress(QString::fromLatin1(fields[0])).toIPv4Address(&ipv4);
        bool hex = false;
        const uint flags = fields[2].toUInt(&hex, 16);
        if (ipv4 && hex)
            Merge(states, address, flags & kCompleteFlag ? EState::Answered : EState::Unanswered, -1);
    }
    Take(states, false, nowMs);
    return true;
}

void CNeighbourTable::Take(States& states, bool tellsFailed, qint64 nowMs)
{
    m_readAtMs = nowMs;
    m_states.swap(states);
    m_readable = true;
    m_tellsFailed = tellsFailed;
    ++m_readings;
}

void CNeighbourTable::Set(quint32 address, EState state, qint64 askedAtMs)
{
    m_readable = true;
    Merge(m_states, address, state, askedAtMs);
}

void CNeighbourTable::Merge(States& states, quint32 address, EState state, qint64 askedAtMs)
{
    SEntry& held = states[address];
    if (Liveliness(state) > Liveliness(held.state))
        held = {state, askedAtMs};
}

void CNeighbourTable::Follow()
{
#ifdef Q_OS_LINUX
    if (m_notices.fd >= 0)
        return;
    m_notices.fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    group.nl_groups = RTMGRP_NEIGH;
    if (m_notices.fd >= 0 && ::bind(m_notices.fd, reinterpret_cast<const sockaddr*>(&group), sizeof group) != 0)
        Unfollow();
    if (m_notices.fd >= 0)
        ::setsockopt(m_notices.fd, SOL_SOCKET, SO_RCVBUF, &kNoticeBufferBytes, sizeof kNoticeBufferBytes);
#endif
}

void CNeighbourTable::Unfollow()
{
#ifdef Q_OS_LINUX
    if (m_notices.fd >= 0)
        ::close(m_notices.fd);
#endif
    m_notices.fd = -1;
}

std::vector<quint32> CNeighbourTable::Answered()
{
#ifdef Q_OS_LINUX
    if (m_notices.fd < 0)
        return {};
    const int fd = m_notices.fd;
    // A notice dropped for want of room (ENOBUFS) is left to the next reading.
    return Answered([fd](char* buffer, int capacity) { return int(::recv(fd, buffer, size_t(capacity), MSG_DONTWAIT)); });
#else
    return {};
#endif
}

std::vector<quint32> CNeighbourTable::Answered(const Receive& receive)
{
    std::vector<quint32> answered;
#ifdef Q_OS_LINUX
    alignas(nlmsghdr) char buffer[8192];
    for (int n = 0; n < kMaxNoticeReads; ++n) {
        int size = receive(buffer, int(sizeof buffer));
        if (size < 0 && errno == ENOBUFS)
            continue;
        if (size <= 0)
            break;
        unsigned int left = unsigned(size);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
            SNeighbour entry;
            // Only news of an answer is taken: a notice of any other state
            // cannot tell whether the address answers on another link.
            if (!Decode(h, entry) || entry.state != EState::Answered)
                continue;
            if (m_readable && State(entry.address) != EState::Answered)
                answered.push_back(entry.address);
            Merge(m_states, entry.address, entry.state, -1);
        }
    }
#else
    Q_UNUSED(receive)
#endif
    return answered;
}

int CNeighbourTable::Count(EState state) const
{
    return int(std::count_if(m_states.begin(), m_states.end(), [state](const SEntry& e) { return e.state == state; }));
}
