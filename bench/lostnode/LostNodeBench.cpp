// The frames a healthy node keeps while other nodes stop answering ARP, and
// how soon nodes get frames again after the network changes under the program.
// Builds a show of 16 fully patched universes whose scenes all play, runs the
// real program on it (offscreen, scenes started at launch, its 25 ms tick)
// and counts, at a healthy node at 192.0.2.2 that answers for every universe,
// the ArtDMX packets of each universe. Every node of the bench answers each
// poll it hears with its replies, from its own address to the poll's source,
// as real nodes do. Once every universe flows, one case begins:
//   lost     two real nodes, 192.0.2.10 and .11, each announced for four of
//            the universes by its own replies, lose their addresses (and the
//            controller's neighbour entries for them are flushed, as if they
//            had timed out: the next datagram waits for ARP);
//   manylost the same with four nodes, .10 to .13, each of which the
//            program's debug log must name once;
//   forged2  replies from the healthy node's side name 192.0.2.20 and .21,
//            absent addresses of the subnet, each claiming four universes;
//   forged4  the same with four addresses, .20 to .23;
//   resent   forged2 with the replies sent again every 25 s, so that the
//            absent nodes never expire;
//   renumber a third of the way in, the program's address becomes
//            192.0.2.50 (added, then .1 deleted);
//   resubnet the program at 192.0.2.1/25 moves to 192.0.2.129/25, the other
//            subnet of a node at 192.0.2.2/25 and 192.0.2.130/25;
//   behind   the replies name every absent address of the subnet, re-sent,
//            and a third of the way in a real node at 192.0.2.5 starts
//            answering for all the universes;
//   refused  the same forged addresses, and a third of the way in the
//            healthy node's listener closes for 2 s (the program's
//            datagrams meet a closed port meanwhile);
//   many     a third of the way in, 200 nodes (.10 up) start answering at
//            once, by broadcast, each for four of the universes;
//   noarp    the same with 40 nodes, on a pair with ARP turned off at both
//            ends (the nodes' end takes the controller's hardware address).
// For each case it prints, per counted node, the frames per second per
// universe (the lowest over the universes, per 10 s window and over the whole
// count), the longest gap between two frames of any universe and the gaps
// over 50 ms; for the cases with a change, the time from the node's first
// reply after it (refused: from its listener's reopening) to its first frame
// of every universe and the lowest frames/s from one poll interval after that
// to the end. Also the growth of Udp SndbufErrors and the most neighbour
// entries the controller's namespace held being asked (incomplete, read
// every second), and, from the program's debug log
// (orvane.devices), the nodes it wrote as failing. A case passes with at most
// kMaxUnanswered such entries and:
//   lost, manylost, forged*, resent: at least 39.5 frames/s and no gap over
//            50 ms (manylost: each lost node written to the log once);
//   renumber, resubnet, behind: every universe of the node within one poll
//            interval (3 s) of its reply, then at least 39.5 frames/s;
//   many, noarp: each node's universes within 2 s of its first reply (the
//            slowest is printed), then at least 39.5 frames/s;
//   refused: at least 39.5 frames/s from one poll interval after the reopening.
// The count of forged addresses is every absent one of the /24 the pair
// uses, or fewer when given: the kernel's neighbour table is the whole
// machine's, so never run two such cases at once. A /24 holds fewer absent
// addresses than the program has node sockets (a quarter of its limit of
// open files, 256 at most); to have the forged ones outnumber its sockets,
// give it a lower limit (512: 127 sockets).
//
// Everything that sends UDP runs inside network namespaces made for it: the
// benchmark runs itself again in a namespace of its own (unshare -n -i, with
// the loopback up), the controller's, where the program runs; the nodes live
// in a second namespace linked to it by a veth pair with 192.0.2.0/24
// addresses (tests/common/VethNetwork.h), made anew for every case. The
// program gets its own TMPDIR and program folder. Needs root. Build in
// Release and run by hand:
//   cmake --build build/release --target orvane bench_lostnode
//   build/release/bench/bench_lostnode [case|all] [seconds] [scenes] [forged] [files]
// (all, 60, 4, every absent address and the bench's own limit when left out). The program is looked
// for in the build folder above this benchmark, or at $ORVANE_PROGRAM; give
// an older build's there to measure it the same way. The field figures were
// taken with the program at real-time priority: run the benchmark under
// `chrt -f 10` for that.

#include "WireShow.h"

#include "VethNetwork.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace WireShow;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kShowUniverses = 16;
constexpr int kPages = kShowUniverses / 4;
constexpr int kWindowMs = 10000;
constexpr int kSettleMs = 3000;
constexpr int kResendMs = 25000;
constexpr int kPollIntervalMs = 3000;
constexpr int kClosedMs = 2000;
constexpr double kTargetRate = 39.5;
constexpr double kManyRecoveryMs = 2000;
// Entries of the machine's shared table being asked at once, at most.
constexpr int kMaxUnanswered = 32;
const QHostAddress kRenumbered(QStringLiteral("192.0.2.50"));
const QHostAddress kLateNode(QStringLiteral("192.0.2.5"));
constexpr quint32 kNet = 0xC0000200u; // 192.0.2.0

enum class EKind { Lost, Forged, Renumber, Resubnet, Behind, Refused, Many };

struct SCase
{
    const char* name;
    EKind kind;
    int nodes;    // lost or forged; 0: every absent address of the subnet
    bool resent;  // forged replies sent again before the nodes expire
    bool logOnce; // each lost node written to the debug log once
};

const SCase kCases[] = {
    {"lost", EKind::Lost, 2, false, false},         {"manylost", EKind::Lost, 4, false, true},
    {"forged2", EKind::Forged, 2, false, false},    {"forged4", EKind::Forged, 4, false, false},
    {"resent", EKind::Forged, 2, true, false},      {"renumber", EKind::Renumber, 0, false, false},
    {"resubnet", EKind::Resubnet, 0, false, false}, {"behind", EKind::Behind, 0, true, false},
    {"refused", EKind::Refused, 0, true, false},    {"many", EKind::Many, 200, false, false},
    {"noarp", EKind::Many, 40, false, false},
};

QHostAddress Host(int last)
{
    return QHostAddress(kNet + quint32(last));
}

// The addresses forged replies name: a few from .20 up, or as many absent
// ones of the /24 as asked, none a node, the program or a broadcast address has.
std::vector<QHostAddress> ForgedAddresses(const SCase& c, int many)
{
    std::vector<QHostAddress> forged;
    if (c.kind == EKind::Lost || c.kind == EKind::Renumber || c.kind == EKind::Resubnet || c.kind == EKind::Many)
        return forged;
    if (c.nodes > 0) {
        for (int i = 0; i < c.nodes; ++i)
            forged.push_back(Host(20 + i));
        return forged;
    }
    for (int last = 3; last < 255 && int(forged.size()) < many; ++last) {
        const QHostAddress a = Host(last);
        if (a != kLateNode && a != kRenumbered && !(last >= 10 && last < 14))
            forged.push_back(a);
    }
    return forged;
}

int MostForged()
{
    return int(ForgedAddresses({"", EKind::Forged, 0, false, false}, 255).size());
}

// Universes 4 page to 4 page + 3, on page `page` + 1 of a node.
QByteArray FourUniverses(const QHostAddress& node, int page)
{
    return VethNetwork::FourUniverses(node, quint16((4 * page) % kShowUniverses), quint8(page % kPages + 1));
}

struct SUniverse : SGaps
{
    double last = 0;       // ms since the count began; its start counts as a frame for the first gap
    double firstAfter = -1; // the first frame after the node's mark
    long after = 0;        // frames from one poll interval after the mark
    std::vector<long> windows;

    void Gap(double at)
    {
        Add(at - last, at);
        last = at;
    }
};

// A node of the bench's side: its addresses (each with a socket bound to it),
// the pages of four universes it answers polls with, and, when its frames
// are counted, what came for each universe.
struct SNode
{
    std::vector<QHostAddress> addresses;
    int prefix = 24;
    std::vector<int> fds;
    std::vector<int> pages;
    bool answering = true;
    bool broadcast = false; // answers to the subnet's broadcast address
    bool counted = false;
    bool marking = false; // its next reply is the mark
    double mark = -1;     // ms since the count began
    double event = -1;    // when the change it answers came
    long framesBefore = 0;
    std::vector<SUniverse> universes;
};

struct SNodeResult
{
    QString address;
    std::vector<double> windowMin;
    double overallMin = 0;
    double longest = 0;
    int longestUniverse = 0;
    double longestEnd = 0;
    long late = 0;
    double markAfterEvent = -1; // ms from the change to the mark
    double recovery = -1;       // ms from the mark to every universe; -1: not all came
    double afterMin = -1;       // frames/s from one poll interval after the mark
};

struct SResult
{
    bool ran = false;
    EKind kind = EKind::Lost;
    bool logOnce = false;
    std::vector<SNodeResult> nodes;
    long sndbufErrors = 0;
    long unreachableIn = 0; // ICMP destination unreachable, to the controller and by it
    long unreachableOut = 0;
    long polls = 0;
    long lostFramesBefore = 0;
    int forged = 0;
    int maxUnanswered = 0;
    int maxEntries = 0;
    std::vector<std::pair<QString, int>> failLines; // per lost node
    int allFailLines = 0;
};

bool Ip(const QStringList& arguments)
{
    return VethNetwork::RunTool(QStringLiteral("ip"), arguments);
}

// The same subnet as `other` with the node's prefix.
bool SameSubnet(const QHostAddress& a, quint32 other, int prefix)
{
    const quint32 mask = ~quint32(0) << (32 - prefix);
    return (a.toIPv4Address() & mask) == (other & mask);
}

class CCaseRun
{
public:
    CCaseRun(const SCase& c, int forged, int seconds, int files)
        : m_case(c)
        , m_seconds(seconds)
        , m_files(files)
        , m_forged(ForgedAddresses(c, forged))
    {
    }
    ~CCaseRun()
    {
        if (m_closedFd >= 0)
            ::close(m_closedFd);
    }
    CCaseRun(const CCaseRun&) = delete;
    CCaseRun& operator=(const CCaseRun&) = delete;

    SResult Run(const QString& program, const QString& show, const QString& tmp);

private:
    bool Prepare();
    SNode& AddNode(const std::vector<QHostAddress>& addresses, std::vector<int> pages, bool counted);
    void Answer(int pollFd, double at);
    void Receive(double at);
    void Count(SNode& node, int universe, double at);
    void Begin(double at);
    void Change(double at);
    void Reopen(double at);
    void SendForged(double at);
    SNodeResult Summarise(const SNode& node) const;

    const SCase& m_case;
    const int m_seconds;
    const int m_files; // the program's limit of open files; 0: ours
    const std::vector<QHostAddress> m_forged;
    VethNetwork::CPeer m_peer;
    std::vector<SNode> m_nodes; // the healthy one first
    std::vector<int> m_pollFds;
    QHostAddress m_controller = VethNetwork::kPairController;
    int m_closedFd = -1; // what the healthy node's socket is while its listener is closed
    bool m_counting = false;
    double m_nextForged = -1;
    SResult m_result;
};

SNode& CCaseRun::AddNode(const std::vector<QHostAddress>& addresses, std::vector<int> pages, bool counted)
{
    SNode node;
    node.addresses = addresses;
    node.pages = std::move(pages);
    node.counted = counted;
    if (counted)
        node.universes.assign(size_t(kShowUniverses), SUniverse());
    for (const QHostAddress& a : addresses) {
        const int fd = m_peer.Socket(a);
        if (fd >= 0)
            WidenReceiveBuffer(fd);
        node.fds.push_back(fd);
    }
    m_nodes.push_back(node);
    return m_nodes.back();
}

bool CCaseRun::Prepare()
{
    if (!m_peer.Start()) {
        std::printf("%s: cannot make the nodes' namespace and the veth pair\n", m_case.name);
        return false;
    }
    if (!VethNetwork::OnlyLoopbackAndPair()) {
        std::printf("refusing to send Art-Net: this namespace has an interface besides the loopback and the veth pair\n");
        return false;
    }
    std::vector<QHostAddress> healthy = {VethNetwork::kHealthyNode};
    std::vector<QHostAddress> broadcasts = {VethNetwork::kBroadcast};
    int prefix = 24;
    if (m_case.kind == EKind::Resubnet) {
        prefix = 25;
        healthy.push_back(Host(130));
        broadcasts.push_back(Host(127));
        if (!VethNetwork::SetControllerAddress(false, QStringLiteral("192.0.2.1/24"))
            || !VethNetwork::SetControllerAddress(true, QStringLiteral("192.0.2.1/25"))
            || !m_peer.RemoveNodeAddress(VethNetwork::kHealthyNode, 24) || !m_peer.AddNodeAddress(VethNetwork::kHealthyNode, 25)
            || !m_peer.AddNodeAddress(Host(130), 25)) {
            std::printf("%s: cannot split the subnet\n", m_case.name);
            return false;
        }
    }
    if (m_case.kind == EKind::Renumber) {
        // Else deleting .1 would take .50, the secondary of its subnet, with it.
        QFile promote(QStringLiteral("/proc/sys/net/ipv4/conf/%1/promote_secondaries").arg(QLatin1String(VethNetwork::kControllerLink)));
        if (!promote.open(QIODevice::WriteOnly) || promote.write("1") != 1) {
            std::printf("%s: cannot keep secondary addresses\n", m_case.name);
            return false;
        }
    }
    if (m_case.kind == EKind::Behind && !m_peer.AddNodeAddress(kLateNode)) {
        std::printf("%s: cannot add %s\n", m_case.name, qPrintable(kLateNode.toString()));
        return false;
    }
    if (QLatin1String(m_case.name) == QLatin1String("noarp") && !m_peer.TurnArpOff()) {
        std::printf("%s: cannot turn ARP off\n", m_case.name);
        return false;
    }
    const bool many = m_case.kind == EKind::Many;
    for (int i = 0; (m_case.kind == EKind::Lost || many) && i < m_case.nodes; ++i) {
        if (!m_peer.AddNodeAddress(Host(10 + i))) {
            std::printf("%s: cannot add %s\n", m_case.name, qPrintable(Host(10 + i).toString()));
            return false;
        }
    }
    // A veth end has carrier only while its peer is up too: a count begun
    // before would take the link's own delay for the program's.
    if (!VethNetwork::CPeer::WaitForCarrier()) {
        std::printf("%s: the veth pair did not come up\n", m_case.name);
        return false;
    }
    AddNode(healthy, {0, 1, 2, 3}, true).prefix = prefix;
    if (m_case.kind == EKind::Behind)
        AddNode({kLateNode}, {0, 1, 2, 3}, true).answering = false;
    for (int i = 0; m_case.kind == EKind::Lost && i < m_case.nodes; ++i)
        AddNode({Host(10 + i)}, {i}, false);
    for (int i = 0; many && i < m_case.nodes; ++i) {
        SNode& node = AddNode({Host(10 + i)}, {i % kPages}, true);
        node.answering = false;
        node.broadcast = true;
    }
    for (const QHostAddress& b : broadcasts)
        m_pollFds.push_back(m_peer.Socket(b));
    bool bound = std::count(m_pollFds.begin(), m_pollFds.end(), -1) == 0;
    for (const SNode& n : m_nodes)
        bound = bound && std::count(n.fds.begin(), n.fds.end(), -1) == 0;
    if (!bound)
        std::printf("%s: cannot bind the nodes\n", m_case.name);
    return bound;
}

// Each node that answers replies from its address on the poll's subnet.
void CCaseRun::Answer(int pollFd, double at)
{
    char packet[2048];
    for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size = ::recvfrom(pollFd, packet, sizeof packet, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
        if (size < 0)
            return;
        if (ArtNet::OpCodeOf(QByteArray::fromRawData(packet, int(size))) != ArtNet::kOpPoll)
            continue;
        m_result.polls += m_counting ? 1 : 0;
        const quint32 source = ntohl(from.sin_addr.s_addr);
        for (SNode& node : m_nodes) {
            if (!node.answering)
                continue;
            size_t k = 0;
            while (k + 1 < node.addresses.size() && !SameSubnet(node.addresses[k], source, node.prefix))
                ++k;
            const QHostAddress to = node.broadcast ? VethNetwork::kBroadcast : QHostAddress(source);
            for (int page : node.pages)
                VethNetwork::SendTo(node.fds[k], FourUniverses(node.addresses[k], page), to);
            if (node.marking) {
                node.marking = false;
                node.mark = at;
                // A node that only now appears had no gap before.
                for (SUniverse& u : node.universes)
                    u.last = &node == &m_nodes[0] ? u.last : at;
            }
        }
    }
}

void CCaseRun::Count(SNode& node, int universe, double at)
{
    if (!node.counted || universe < 0 || universe >= kShowUniverses || at >= m_seconds * 1000.0)
        return;
    SUniverse& u = node.universes[size_t(universe)];
    u.Gap(at);
    ++u.windows[size_t(at / kWindowMs)];
    if (node.mark >= 0 && u.firstAfter < 0)
        u.firstAfter = at;
    if (node.mark >= 0 && at >= node.mark + kPollIntervalMs)
        ++u.after;
}

void CCaseRun::Begin(double at)
{
    m_counting = true;
    for (SNode& node : m_nodes) {
        for (SUniverse& u : node.universes)
            u.windows.assign(size_t((m_seconds * 1000 + kWindowMs - 1) / kWindowMs), 0);
    }
    if (m_case.kind == EKind::Lost) {
        for (size_t i = 1; i < m_nodes.size(); ++i) {
            m_nodes[i].answering = false;
            m_peer.RemoveNodeAddress(m_nodes[i].addresses[0]);
            Ip({QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("to"), m_nodes[i].addresses[0].toString()});
        }
    }
    if (!m_forged.empty())
        m_nextForged = at;
}

void CCaseRun::Change(double at)
{
    SNode& healthy = m_nodes[0];
    switch (m_case.kind) {
    case EKind::Renumber:
        VethNetwork::SetControllerAddress(true, QStringLiteral("192.0.2.50/24"));
        VethNetwork::SetControllerAddress(false, QStringLiteral("192.0.2.1/24"));
        m_controller = kRenumbered;
        healthy.marking = true;
        healthy.event = at;
        break;
    case EKind::Resubnet:
        VethNetwork::SetControllerAddress(true, QStringLiteral("192.0.2.129/25"));
        VethNetwork::SetControllerAddress(false, QStringLiteral("192.0.2.1/25"));
        m_controller = Host(129);
        healthy.marking = true;
        healthy.event = at;
        break;
    case EKind::Behind:
    case EKind::Many:
        for (size_t i = 1; i < m_nodes.size(); ++i) {
            m_nodes[i].answering = true;
            m_nodes[i].marking = true;
            m_nodes[i].event = at;
        }
        break;
    case EKind::Refused: {
        healthy.answering = false;
        m_closedFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (m_closedFd >= 0)
            ::dup2(m_closedFd, healthy.fds[0]); // the number stays the node's, the socket is gone
        healthy.event = at;
        break;
    }
    default:
        break;
    }
}

void CCaseRun::Reopen(double at)
{
    SNode& healthy = m_nodes[0];
    const int fd = m_peer.Socket(healthy.addresses[0]);
    if (fd < 0) {
        std::printf("%s: cannot open the node's listener again\n", m_case.name);
    } else {
        WidenReceiveBuffer(fd);
        ::dup2(fd, healthy.fds[0]);
    }
    ::close(m_closedFd);
    m_closedFd = -1;
    healthy.answering = true;
    healthy.mark = at;
}

void CCaseRun::SendForged(double at)
{
    if (m_nextForged < 0 || at < m_nextForged || m_closedFd >= 0)
        return;
    for (size_t i = 0; i < m_forged.size(); ++i)
        VethNetwork::SendTo(m_nodes[0].fds[0], FourUniverses(m_forged[i], int(i) % kPages), m_controller);
    m_nextForged = m_case.resent ? at + kResendMs : -1;
}

void CCaseRun::Receive(double at)
{
    char packet[2048];
    for (SNode& node : m_nodes) {
        for (size_t k = 0; k < node.fds.size(); ++k) {
            if (k == 0 && &node == &m_nodes[0] && m_closedFd >= 0)
                continue;
            ssize_t size;
            while ((size = ::recv(node.fds[k], packet, sizeof packet, MSG_DONTWAIT)) >= 0) {
                const int universe = DmxUniverse(packet, size);
                if (universe < 0)
                    continue;
                if (!m_counting)
                    ++node.framesBefore;
                else
                    Count(node, universe, at);
            }
        }
    }
}

SResult CCaseRun::Run(const QString& program, const QString& show, const QString& tmp)
{
    m_result.kind = m_case.kind;
    m_result.logOnce = m_case.logOnce;
    m_result.forged = int(m_forged.size());
    if (!Prepare())
        return m_result;

    const QString log = QDir(tmp).filePath(QStringLiteral("%1.log").arg(QLatin1String(m_case.name)));
    QFile::remove(log);
    QProcess orvane;
    const Clock::time_point launched = Clock::now();
    // The program inherits the limit; ours is back once it runs.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    const rlimit programFiles = {m_files > 0 ? rlim_t(m_files) : files.rlim_cur, files.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &programFiles);
    const bool started = StartProgram(orvane, program, show, tmp, log);
    ::setrlimit(RLIMIT_NOFILE, &files);
    if (!started)
        return m_result;

    const bool changes = m_case.kind != EKind::Lost && m_case.kind != EKind::Forged;
    const double changeAt = changes ? m_seconds * 1000.0 / 3 : -1;
    std::vector<bool> flowing(kShowUniverses, false);
    bool settling = false, changed = false;
    long sndbufBefore = 0, inBefore = 0, outBefore = 0;
    Clock::time_point countFrom{};
    double nextSample = 0;
    std::vector<pollfd> ready;
    for (;;) {
        const Clock::time_point now = Clock::now();
        const double at = m_counting ? Ms(now - countFrom).count() : -1;
        if (Ms(now - launched).count() >= nextSample) {
            const CNeighbourTable table = VethNetwork::Neighbours();
            m_result.maxEntries = std::max(m_result.maxEntries, VethNetwork::NeighbourEntries(table));
            m_result.maxUnanswered = std::max(m_result.maxUnanswered, table.Count(CNeighbourTable::EState::Unanswered));
            nextSample += 1000;
        }
        if (settling && !m_counting && now >= countFrom) {
            countFrom = now;
            sndbufBefore = VethNetwork::SnmpCounter("Udp", "SndbufErrors");
            inBefore = VethNetwork::SnmpCounter("Icmp", "InDestUnreachs");
            outBefore = VethNetwork::SnmpCounter("Icmp", "OutDestUnreachs");
            Begin(0);
            continue;
        }
        if (m_counting) {
            SendForged(at);
            if (changes && !changed && at >= changeAt) {
                changed = true;
                Change(at);
            }
            if (m_closedFd >= 0 && at >= m_nodes[0].event + kClosedMs)
                Reopen(at);
            if (at >= m_seconds * 1000.0)
                break;
        }
        if (orvane.state() != QProcess::Running || (!m_counting && now - launched > std::chrono::minutes(kStartMinutes))) {
            std::printf("%s: the program %s before the count ended\n", m_case.name,
                        orvane.state() == QProcess::Running ? "took too long" : "stopped");
            StopProgram(orvane);
            return m_result;
        }

        ready.clear();
        for (int fd : m_pollFds)
            ready.push_back({fd, POLLIN, 0});
        for (const SNode& node : m_nodes) {
            for (size_t k = 0; k < node.fds.size(); ++k) {
                if (!(k == 0 && &node == &m_nodes[0] && m_closedFd >= 0))
                    ready.push_back({node.fds[k], POLLIN, 0});
            }
        }
        if (::poll(ready.data(), nfds_t(ready.size()), 5) <= 0)
            continue;
        const double arrived = m_counting ? Ms(Clock::now() - countFrom).count() : -1;
        for (int fd : m_pollFds)
            Answer(fd, arrived);
        if (!settling) {
            // Read here, before the count, only to see every universe flow.
            char packet[2048];
            for (int fd : m_nodes[0].fds) {
                ssize_t size;
                while ((size = ::recv(fd, packet, sizeof packet, MSG_DONTWAIT)) >= 0) {
                    const int universe = DmxUniverse(packet, size);
                    if (universe >= 0 && universe < kShowUniverses)
                        flowing[size_t(universe)] = true;
                }
            }
            if (std::all_of(flowing.begin(), flowing.end(), [](bool f) { return f; })) {
                settling = true;
                countFrom = Clock::now() + std::chrono::milliseconds(kSettleMs);
            }
        }
        Receive(arrived);
    }
    m_result.sndbufErrors = VethNetwork::SnmpCounter("Udp", "SndbufErrors") - sndbufBefore;
    m_result.unreachableIn = VethNetwork::SnmpCounter("Icmp", "InDestUnreachs") - inBefore;
    m_result.unreachableOut = VethNetwork::SnmpCounter("Icmp", "OutDestUnreachs") - outBefore;
    StopProgram(orvane);

    QFile logFile(log);
    const QByteArray text = logFile.open(QIODevice::ReadOnly) ? logFile.readAll() : QByteArray();
    m_result.allFailLines = text.count("Art-Net: sends to node ");
    for (size_t i = 1; m_case.kind == EKind::Lost && i < m_nodes.size(); ++i) {
        m_result.lostFramesBefore += m_nodes[i].framesBefore;
        const QByteArray line = "Art-Net: sends to node " + m_nodes[i].addresses[0].toString().toLatin1() + " fail";
        m_result.failLines.emplace_back(m_nodes[i].addresses[0].toString(), text.count(line));
    }
    for (const SNode& node : m_nodes) {
        if (node.counted)
            m_result.nodes.push_back(Summarise(node));
    }
    m_result.ran = true;
    return m_result;
}

SNodeResult CCaseRun::Summarise(const SNode& node) const
{
    SNodeResult r;
    for (const QHostAddress& a : node.addresses)
        r.address += (r.address.isEmpty() ? QString() : QStringLiteral(",")) + a.toString();
    // A universe that went quiet before the end has that gap too.
    const double countedMs = m_seconds * 1000.0;
    const int windowCount = int(node.universes[0].windows.size());
    r.windowMin.assign(size_t(windowCount), 1e9);
    r.overallMin = 1e9;
    double afterMin = 1e9, latest = 0;
    bool all = node.mark >= 0;
    for (int i = 0; i < kShowUniverses; ++i) {
        // Only the universes the node answers for.
        if (std::find(node.pages.begin(), node.pages.end(), i / 4) == node.pages.end())
            continue;
        SUniverse u = node.universes[size_t(i)];
        u.Gap(countedMs);
        long frames = 0;
        for (int w = 0; w < windowCount; ++w) {
            const double length = std::min<double>(kWindowMs, countedMs - double(w) * kWindowMs) / 1000;
            r.windowMin[size_t(w)] = std::min(r.windowMin[size_t(w)], double(u.windows[size_t(w)]) / length);
            frames += u.windows[size_t(w)];
        }
        r.overallMin = std::min(r.overallMin, double(frames) / m_seconds);
        r.late += u.late;
        if (u.longest > r.longest) {
            r.longest = u.longest;
            r.longestUniverse = i;
            r.longestEnd = u.longestEnd;
        }
        all = all && u.firstAfter >= 0;
        latest = std::max(latest, u.firstAfter);
        if (node.mark >= 0 && countedMs > node.mark + kPollIntervalMs)
            afterMin = std::min(afterMin, double(u.after) * 1000 / (countedMs - node.mark - kPollIntervalMs));
    }
    if (node.mark >= 0) {
        r.markAfterEvent = node.mark - node.event;
        r.recovery = all ? latest - node.mark : -1;
        r.afterMin = afterMin < 1e9 ? afterMin : 0;
    }
    return r;
}

// The node a case changed: the late one, or the healthy one; of many, the
// slowest to get every universe, one that never did first.
const SNodeResult& Changed(const SResult& r)
{
    if (r.kind != EKind::Many)
        return r.nodes.back();
    return *std::max_element(r.nodes.begin() + 1, r.nodes.end(), [](const SNodeResult& a, const SNodeResult& b) {
        return (a.recovery < 0 ? 1e9 : a.recovery) < (b.recovery < 0 ? 1e9 : b.recovery);
    });
}

bool Passed(const SResult& r)
{
    if (!r.ran || r.nodes.empty() || r.maxUnanswered > kMaxUnanswered)
        return false;
    const SNodeResult& healthy = r.nodes[0];
    const SNodeResult& changed = Changed(r);
    switch (r.kind) {
    case EKind::Lost:
        for (const auto& [address, lines] : r.failLines) {
            if (r.logOnce && lines != 1)
                return false;
        }
        [[fallthrough]];
    case EKind::Forged:
        return healthy.overallMin >= kTargetRate && healthy.longest <= kLateGapMs
            && *std::min_element(healthy.windowMin.begin(), healthy.windowMin.end()) >= kTargetRate;
    case EKind::Renumber:
    case EKind::Resubnet:
    case EKind::Behind:
        return changed.recovery >= 0 && changed.recovery <= kPollIntervalMs && changed.afterMin >= kTargetRate;
    case EKind::Refused:
        return changed.afterMin >= kTargetRate;
    case EKind::Many:
        return changed.recovery >= 0 && changed.recovery <= kManyRecoveryMs
            && std::all_of(r.nodes.begin(), r.nodes.end(), [](const SNodeResult& n) { return n.afterMin < 0 || n.afterMin >= kTargetRate; });
    }
    return false;
}

void PrintNode(const SNodeResult& n)
{
    std::printf("  node %s: min frames/s per universe by %d s window:", qPrintable(n.address), kWindowMs / 1000);
    for (double rate : n.windowMin)
        std::printf(" %.1f", rate);
    std::printf("\n    overall min %.2f frames/s  longest gap %.1f ms (universe %d, ending %.1f s in)  gaps over %d ms: %ld\n",
                n.overallMin, n.longest, n.longestUniverse, n.longestEnd / 1000, kLateGapMs, n.late);
    if (n.markAfterEvent >= 0 || n.afterMin >= 0) {
        std::printf("    mark %.1f ms after the change;", n.markAfterEvent);
        if (n.recovery >= 0)
            std::printf(" every universe %.1f ms after the mark;", n.recovery);
        else
            std::printf(" some universe got no frame after the mark;");
        std::printf(" from %d s after it: min %.2f frames/s\n", kPollIntervalMs / 1000, n.afterMin);
    }
}

void Print(const SCase& c, const SResult& r, int seconds)
{
    if (!r.ran)
        return;
    std::printf("%-8s counted %d s", c.name, seconds);
    if (!r.failLines.empty())
        std::printf(", %d real nodes lost (they got %ld frames before they went)", int(r.failLines.size()), r.lostFramesBefore);
    if (r.forged > 0)
        std::printf(", %d forged addresses%s", r.forged, c.resent ? " kept listed" : "");
    std::printf("\n");
    for (const SNodeResult& n : r.nodes) {
        if (r.kind != EKind::Many || &n == &r.nodes[0])
            PrintNode(n);
    }
    if (r.kind == EKind::Many) {
        std::printf("  %d nodes, the slowest:\n", int(r.nodes.size()) - 1);
        PrintNode(Changed(r));
    }
    std::printf("  unanswered neighbour entries max %d (of %d entries)  SndbufErrors +%ld  ICMP unreachable in +%ld out +%ld"
                "  polls seen %ld\n  failing-node log lines %d",
                r.maxUnanswered, r.maxEntries, r.sndbufErrors, r.unreachableIn, r.unreachableOut, r.polls, r.allFailLines);
    for (const auto& [address, lines] : r.failLines)
        std::printf("  %s: %d", qPrintable(address), lines);
    std::printf("  %s\n", Passed(r) ? "PASS" : "FAIL");
    std::fflush(stdout);
}

int Measure(const QString& program, const QString& show, const QString& tmp, const QString& which, int seconds, int forged,
            int files)
{
    int failed = 0;
    std::vector<std::pair<const SCase*, SResult>> results;
    for (const SCase& c : kCases) {
        if (which != QLatin1String("all") && which != QLatin1String(c.name))
            continue;
        results.emplace_back(&c, CCaseRun(c, forged, seconds, files).Run(program, show, tmp));
        Print(c, results.back().second, seconds);
        failed += Passed(results.back().second) ? 0 : 1;
    }
    std::printf("\ncase      min f/s (10 s)  min f/s (all)  longest gap ms  gaps>50ms  SndbufErrors  recovery ms  after f/s"
                "  unanswered  fail lines\n");
    for (const auto& [c, r] : results) {
        if (!r.ran) {
            std::printf("%-8s  did not run\n", c->name);
            continue;
        }
        const SNodeResult& h = r.nodes[0];
        const SNodeResult& m = Changed(r);
        std::printf("%-8s  %14.1f  %13.2f  %14.1f  %9ld  %12ld", c->name, *std::min_element(h.windowMin.begin(), h.windowMin.end()),
                    h.overallMin, h.longest, h.late, r.sndbufErrors);
        if (m.afterMin < 0)
            std::printf("  %11s  %9s", "-", "-");
        else if (m.recovery < 0)
            std::printf("  %11s  %9.2f", "never", m.afterMin);
        else
            std::printf("  %11.1f  %9.2f", m.recovery, m.afterMin);
        std::printf("  %10d  %10d  %s\n", r.maxUnanswered, r.allFailLines, Passed(r) ? "PASS" : "FAIL");
    }
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

// What this machine's own neighbour table holds, before and after: the
// forged cases must leave it as it was.
void PrintMachineNeighbours(const char* when)
{
    QFile arp(QStringLiteral("/proc/net/arp"));
    const int arpLines = arp.open(QIODevice::ReadOnly) ? arp.readAll().count('\n') : -1;
    QProcess ip;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    ip.setProcessEnvironment(env);
    ip.start(QStringLiteral("ip"), {QStringLiteral("-s"), QStringLiteral("neigh")});
    const int neighLines = ip.waitForFinished(10000) ? ip.readAllStandardOutput().count('\n') : -1;
    std::printf("this machine's namespace %s: /proc/net/arp %d lines, ip -s neigh %d lines\n", when, arpLines, neighLines);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (LoopbackNetwork::InPrivateNamespace()) {
        // program, show, tmp, case, seconds, forged, files: handed on by the run below.
        if (args.size() != 8)
            return 1;
        return Measure(args[1], args[2], args[3], args[4], args[5].toInt(), args[6].toInt(), args[7].toInt());
    }

    const QString which = args.size() > 1 ? args[1] : QStringLiteral("all");
    const int seconds = args.size() > 2 ? args[2].toInt() : 60;
    const int scenes = args.size() > 3 ? args[3].toInt() : 4;
    const int forged = args.size() > 4 ? args[4].toInt() : MostForged();
    const int files = args.size() > 5 ? args[5].toInt() : 0;
    const bool known = which == QLatin1String("all")
        || std::any_of(std::begin(kCases), std::end(kCases), [&](const SCase& c) { return which == QLatin1String(c.name); });
    if (!known || seconds < 1 || scenes < 1 || forged < 1 || forged > MostForged() || files < 0 || (files > 0 && files < 64)) {
        std::printf("usage: bench_lostnode [all|lost|manylost|forged2|forged4|resent|renumber|resubnet|behind|refused|many|noarp]"
                    " [seconds] [scenes] [forged, 1 to %d] [the program's limit of open files, 64 or more]\n",
                    MostForged());
        return 1;
    }
    SRunFolder run;
    if (!PrepareRunFolder(run, QStringLiteral("lostnode.kv3")) || !SaveShow(run.show, scenes, kShowUniverses))
        return 1;
    PrintMachineNeighbours("before");
    const int code = MeasureInNamespace(run, {which, QString::number(seconds), QString::number(forged), QString::number(files)});
    PrintMachineNeighbours("after");
    return code;
}
