#include "Common/ArtNet/NeighbourTable.h"

#include <QFile>
#include <QHostAddress>
#include <QList>

#include <algorithm>

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
#endif

} // namespace

bool CNeighbourTable::Refresh()
{
    m_states.clear();
    if (ReadNetlink()) {
        m_readable = true;
        m_tellsFailed = true;
        return true;
    }
    m_tellsFailed = false;
    QFile file(QStringLiteral("/proc/net/arp"));
    if (!file.open(QIODevice::ReadOnly)) {
        m_readable = false;
        return false;
    }
    // The file is generated as it is read, so its size is unknown beforehand.
    Parse(file.read(kMaxTableBytes));
    return true;
}

bool CNeighbourTable::ReadNetlink()
{
#ifdef Q_OS_LINUX
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return false;
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
    bool done = ::sendto(fd, &dump, sizeof dump, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) == ssize_t(sizeof dump);
    bool ended = false;
    const long ticksPerSecond = std::max(1L, ::sysconf(_SC_CLK_TCK));
    alignas(nlmsghdr) char buffer[32768];
    for (int entries = 0; done && !ended && entries < kMaxEntries;) {
        ssize_t size = ::recv(fd, buffer, sizeof buffer, 0);
        if (size <= 0)
            break;
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, size); h = NLMSG_NEXT(h, size)) {
            if (h->nlmsg_type == NLMSG_DONE) {
                ended = true;
                break;
            }
            if (h->nlmsg_type == NLMSG_ERROR) {
                done = false;
                break;
            }
            const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(h));
            if (h->nlmsg_type != RTM_NEWNEIGH || h->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)) || entry->ndm_family != AF_INET)
                continue;
            ++entries;
            int length = int(h->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
            in_addr address{};
            bool named = false;
            qint64 askedForMs = -1;
            for (auto* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(entry) + NLMSG_ALIGN(sizeof(ndmsg)));
                 RTA_OK(a, length); a = RTA_NEXT(a, length)) {
                if (a->rta_type == NDA_DST && RTA_PAYLOAD(a) == sizeof address) {
                    memcpy(&address, RTA_DATA(a), sizeof address);
                    named = true;
                } else if (a->rta_type == NDA_CACHEINFO && RTA_PAYLOAD(a) >= sizeof(nda_cacheinfo)) {
                    nda_cacheinfo times{};
                    memcpy(&times, RTA_DATA(a), sizeof times);
                    // Since its state last changed, in the kernel's clock ticks for users.
                    askedForMs = qint64(times.ndm_updated) * 1000 / ticksPerSecond;
                }
            }
            const CNeighbourTable::EState state = StateOf(entry->ndm_state);
            if (named)
                Set(ntohl(address.s_addr), state, state == EState::Unanswered ? askedForMs : -1);
        }
    }
    ::close(fd);
    // A table cut short by the bound is used as far as it was read.
    return done && (ended || !m_states.isEmpty());
#else
    return false;
#endif
}

void CNeighbourTable::Parse(const QByteArray& text)
{
    m_states.clear();
    m_readable = true;
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
            Set(address, flags & kCompleteFlag ? EState::Answered : EState::Unanswered);
    }
}

void CNeighbourTable::Set(quint32 address, EState state, qint64 askedForMs)
{
    m_readable = true;
    SEntry& held = m_states[address];
    if (Liveliness(state) > Liveliness(held.state))
        held = {state, askedForMs};
}

int CNeighbourTable::Count(EState state) const
{
    return int(std::count_if(m_states.begin(), m_states.end(), [state](const SEntry& e) { return e.state == state; }));
}
