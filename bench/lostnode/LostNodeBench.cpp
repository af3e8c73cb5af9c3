// The frames a healthy node keeps while other nodes stop answering ARP.
// Builds a show of 16 fully patched universes whose scenes all play, runs the
// real program on it (offscreen, scenes started at launch, its 25 ms tick)
// and counts, at a healthy node at 192.0.2.2 that answers for every universe,
// the ArtDMX packets of each universe. Once every universe flows, one case
// of lost nodes begins:
//   lost     two real nodes, 192.0.2.10 and .11, each announced for four of
//            the universes by its own replies, lose their addresses (and the
//            controller's neighbour entries for them are flushed, as if they
//            had timed out: the next datagram waits for ARP);
//   forged2  replies from the healthy node's side name 192.0.2.20 and .21,
//            absent addresses of the subnet, each claiming four universes;
//   forged4  the same with four addresses, .20 to .23;
//   resent   forged2 with the replies sent again every 25 s, so that the
//            absent nodes never expire.
// For each case it prints the frames per second per universe (the lowest
// over the universes, per 10 s window and over the whole count), the longest
// gap between two frames of any universe, the gaps over 50 ms, the growth of
// Udp SndbufErrors in the controller's namespace and the polls that reached
// the nodes' side. The case passes with at least 39.5 frames/s and no gap
// over 50 ms.
//
// Everything that sends UDP runs inside network namespaces made for it: the
// benchmark runs itself again in a namespace of its own (unshare -n -i, with
// the loopback up), the controller's, where the program runs; the nodes live
// in a second namespace linked to it by a veth pair with 192.0.2.0/24
// addresses (tests/common/VethNetwork.h), made anew for every case. The
// program gets its own TMPDIR and program folder. Needs root. Build in
// Release and run by hand:
//   cmake --build build/release --target orvane bench_lostnode
//   build/release/bench/bench_lostnode [case|all] [seconds] [scenes]
// (all, 60 and 4 when left out). The program is looked for in the build
// folder above this benchmark, or at $ORVANE_PROGRAM; give an older build's
// there to measure it the same way. The field figures were taken with the
// program at real-time priority: run the benchmark under `chrt -f 10` for that.

#include "WireShow.h"

#include "VethNetwork.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace WireShow;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kShowUniverses = 16;
constexpr int kWindowMs = 10000;
constexpr int kSettleMs = 3000;
constexpr int kResendMs = 25000;
constexpr double kTargetRate = 39.5;

struct SCase
{
    const char* name;
    bool real;   // nodes that were there, or addresses nobody has
    int nodes;
    bool resent; // forged replies sent again before the nodes expire
};

const SCase kCases[] = {
    {"lost", true, 2, false},
    {"forged2", false, 2, false},
    {"forged4", false, 4, false},
    {"resent", false, 2, true},
};

QHostAddress LostAddress(const SCase& c, int i)
{
    return QHostAddress(0xC0000200u + quint32(c.real ? 10 : 20) + quint32(i));
}

// Universes 4i to 4i + 3 on page i + 1 of a node.
QByteArray FourUniverses(const QHostAddress& node, int i)
{
    return VethNetwork::FourUniverses(node, quint16((4 * i) % kShowUniverses), quint8(i + 1));
}

struct SUniverse : SGaps
{
    double last = 0; // ms since the count began; its start counts as a frame for the first gap
    std::vector<long> windows;

    void Gap(double at)
    {
        Add(at - last, at);
        last = at;
    }
};

struct SResult
{
    bool ran = false;
    std::vector<double> windowMin;
    double overallMin = 0;
    double longest = 0;
    int longestUniverse = 0;
    double longestEnd = 0;
    long late = 0;
    long sndbufErrors = 0;
    long polls = 0;
    long lostFramesBefore = 0;
};

int HealthySocket(VethNetwork::CPeer& peer)
{
    const int fd = peer.Socket(VethNetwork::kHealthyNode);
    if (fd >= 0)
        WidenReceiveBuffer(fd);
    return fd;
}

void AnnounceHealthyNode(int fd)
{
    for (int i = 0; i < kShowUniverses / 4; ++i)
        VethNetwork::SendTo(fd, FourUniverses(VethNetwork::kHealthyNode, i), VethNetwork::kPairController);
}

SResult RunCase(const SCase& c, const QString& program, const QString& show, const QString& tmp, int seconds)
{
    SResult result;
    VethNetwork::CPeer peer;
    if (!peer.Start()) {
        std::printf("%s: cannot make the nodes' namespace and the veth pair\n", c.name);
        return result;
    }
    if (!VethNetwork::OnlyLoopbackAndPair()) {
        std::printf("refusing to send Art-Net: this namespace has an interface besides the loopback and the veth pair\n");
        return result;
    }
    const int healthy = HealthySocket(peer);
    const int polls = peer.Socket(VethNetwork::kBroadcast);
    std::vector<int> lostNodes;
    for (int i = 0; c.real && i < c.nodes; ++i) {
        if (!peer.AddNodeAddress(LostAddress(c, i))) {
            std::printf("%s: cannot add %s\n", c.name, qPrintable(LostAddress(c, i).toString()));
            return result;
        }
        lostNodes.push_back(peer.Socket(LostAddress(c, i)));
    }
    if (healthy < 0 || polls < 0 || std::count(lostNodes.begin(), lostNodes.end(), -1) > 0) {
        std::printf("%s: cannot bind the nodes\n", c.name);
        return result;
    }

    QProcess orvane;
    const Clock::time_point launched = Clock::now();
    if (!StartProgram(orvane, program, show, tmp))
        return result;

    std::vector<SUniverse> universes(kShowUniverses);
    const int windowCount = (seconds * 1000 + kWindowMs - 1) / kWindowMs;
    for (SUniverse& u : universes)
        u.windows.assign(size_t(windowCount), 0);
    std::vector<bool> flowing(kShowUniverses, false);
    bool counting = false, settling = false, lost = false;
    long sndbufBefore = 0;
    Clock::time_point countFrom{}, countTo{}, nextAnnounce = Clock::now(), nextForged{};
    char packet[2048];
    std::vector<pollfd> ready;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= nextAnnounce) {
            AnnounceHealthyNode(healthy);
            for (int i = 0; !lost && i < int(lostNodes.size()); ++i)
                VethNetwork::SendTo(lostNodes[size_t(i)], FourUniverses(LostAddress(c, i), i), VethNetwork::kPairController);
            nextAnnounce = now + std::chrono::milliseconds(kReplyEveryMs);
        }
        if (settling && !counting && now >= countFrom) {
            counting = true;
            countFrom = now;
            countTo = now + std::chrono::seconds(seconds);
            sndbufBefore = VethNetwork::SnmpCounter("Udp", "SndbufErrors");
            if (c.real) {
                for (int i = 0; i < c.nodes; ++i) {
                    peer.RemoveNodeAddress(LostAddress(c, i));
                    VethNetwork::RunTool(QStringLiteral("ip"), {QStringLiteral("neigh"), QStringLiteral("flush"),
                                                               QStringLiteral("to"), LostAddress(c, i).toString()});
                }
                lost = true;
            }
            nextForged = now;
        }
        if (counting && !c.real && now >= nextForged) {
            for (int i = 0; i < c.nodes; ++i)
                VethNetwork::SendTo(healthy, FourUniverses(LostAddress(c, i), i), VethNetwork::kPairController);
            nextForged = c.resent ? now + std::chrono::milliseconds(kResendMs) : Clock::time_point::max();
        }
        if (counting && now >= countTo)
            break;
        if (orvane.state() != QProcess::Running || (!counting && now - launched > std::chrono::minutes(kStartMinutes))) {
            std::printf("%s: the program %s before the count began\n", c.name,
                        orvane.state() == QProcess::Running ? "took too long" : "stopped");
            StopProgram(orvane);
            return result;
        }

        ready.clear();
        ready.push_back({healthy, POLLIN, 0});
        ready.push_back({polls, POLLIN, 0});
        for (int fd : lostNodes)
            ready.push_back({fd, POLLIN, 0});
        if (::poll(ready.data(), nfds_t(ready.size()), 5) <= 0)
            continue;
        for (size_t k = 1; k < ready.size(); ++k) {
            ssize_t size;
            while ((size = ::recv(ready[k].fd, packet, sizeof packet, MSG_DONTWAIT)) >= 0) {
                const quint16 op = ArtNet::OpCodeOf(QByteArray::fromRawData(packet, int(size)));
                if (k == 1 && counting && op == ArtNet::kOpPoll)
                    ++result.polls;
                else if (k > 1 && !counting && op == ArtNet::kOpDmx)
                    ++result.lostFramesBefore;
            }
        }
        for (;;) {
            const ssize_t size = ::recv(healthy, packet, sizeof packet, MSG_DONTWAIT);
            if (size < 0)
                break;
            const Clock::time_point arrived = Clock::now();
            const int universe = DmxUniverse(packet, size);
            if (universe < 0 || universe >= kShowUniverses)
                continue;
            if (!settling) {
                flowing[size_t(universe)] = true;
                if (std::all_of(flowing.begin(), flowing.end(), [](bool f) { return f; })) {
                    settling = true;
                    countFrom = arrived + std::chrono::milliseconds(kSettleMs);
                }
            }
            if (!counting)
                continue;
            const double at = Ms(arrived - countFrom).count();
            if (at >= seconds * 1000.0)
                continue;
            SUniverse& u = universes[size_t(universe)];
            u.Gap(at);
            ++u.windows[size_t(at / kWindowMs)];
        }
    }
    result.sndbufErrors = VethNetwork::SnmpCounter("Udp", "SndbufErrors") - sndbufBefore;
    StopProgram(orvane);

    // A universe that went quiet before the end has that gap too.
    const double countedMs = seconds * 1000.0;
    result.windowMin.assign(size_t(windowCount), 1e9);
    result.overallMin = 1e9;
    for (int i = 0; i < kShowUniverses; ++i) {
        SUniverse& u = universes[size_t(i)];
        u.Gap(countedMs);
        long frames = 0;
        for (int w = 0; w < windowCount; ++w) {
            const double length = std::min<double>(kWindowMs, countedMs - double(w) * kWindowMs) / 1000;
            result.windowMin[size_t(w)] = std::min(result.windowMin[size_t(w)], double(u.windows[size_t(w)]) / length);
            frames += u.windows[size_t(w)];
        }
        result.overallMin = std::min(result.overallMin, double(frames) / seconds);
        result.late += u.late;
        if (u.longest > result.longest) {
            result.longest = u.longest;
            result.longestUniverse = i;
            result.longestEnd = u.longestEnd;
        }
    }
    result.ran = true;
    return result;
}

bool Passed(const SResult& r)
{
    return r.ran && r.overallMin >= kTargetRate && r.longest <= kLateGapMs
        && *std::min_element(r.windowMin.begin(), r.windowMin.end()) >= kTargetRate;
}

void Print(const SCase& c, const SResult& r, int seconds)
{
    if (!r.ran)
        return;
    std::printf("%-8s %d %s node%s, counted %d s", c.name, c.nodes, c.real ? "real" : "forged", c.nodes > 1 ? "s" : "",
                seconds);
    if (c.real)
        std::printf(" (they got %ld frames before they went)", r.lostFramesBefore);
    std::printf("\n  min frames/s per universe by %d s window:", kWindowMs / 1000);
    for (double rate : r.windowMin)
        std::printf(" %.1f", rate);
    std::printf("\n  overall min %.2f frames/s  longest gap %.1f ms (universe %d, ending %.1f s in)  gaps over %d ms: %ld"
                "  SndbufErrors +%ld  polls seen %ld  %s\n",
                r.overallMin, r.longest, r.longestUniverse, r.longestEnd / 1000, kLateGapMs, r.late, r.sndbufErrors, r.polls,
                Passed(r) ? "PASS" : "FAIL");
    std::fflush(stdout);
}

int Measure(const QString& program, const QString& show, const QString& tmp, const QString& which, int seconds)
{
    int failed = 0;
    std::vector<std::pair<const SCase*, SResult>> results;
    for (const SCase& c : kCases) {
        if (which != QLatin1String("all") && which != QLatin1String(c.name))
            continue;
        results.emplace_back(&c, RunCase(c, program, show, tmp, seconds));
        Print(c, results.back().second, seconds);
        failed += Passed(results.back().second) ? 0 : 1;
    }
    std::printf("\ncase      min f/s (10 s)  min f/s (all)  longest gap ms  gaps>50ms  SndbufErrors\n");
    for (const auto& [c, r] : results) {
        if (!r.ran) {
            std::printf("%-8s  did not run\n", c->name);
            continue;
        }
        std::printf("%-8s  %14.1f  %13.2f  %14.1f  %9ld  %12ld\n", c->name,
                    *std::min_element(r.windowMin.begin(), r.windowMin.end()), r.overallMin, r.longest, r.late,
                    r.sndbufErrors);
    }
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (LoopbackNetwork::InPrivateNamespace()) {
        // program, show, tmp, case, seconds: handed on by the run below.
        if (args.size() != 6)
            return 1;
        return Measure(args[1], args[2], args[3], args[4], args[5].toInt());
    }

    const QString which = args.size() > 1 ? args[1] : QStringLiteral("all");
    const int seconds = args.size() > 2 ? args[2].toInt() : 60;
    const int scenes = args.size() > 3 ? args[3].toInt() : 4;
    const bool known = which == QLatin1String("all")
        || std::any_of(std::begin(kCases), std::end(kCases), [&](const SCase& c) { return which == QLatin1String(c.name); });
    if (!known || seconds < 1 || scenes < 1) {
        std::printf("usage: bench_lostnode [all|lost|forged2|forged4|resent] [seconds] [scenes]\n");
        return 1;
    }
    SRunFolder run;
    if (!PrepareRunFolder(run, QStringLiteral("lostnode.kv3")) || !SaveShow(run.show, scenes, kShowUniverses))
        return 1;
    return MeasureInNamespace(run, {which, QString::number(seconds)});
}
