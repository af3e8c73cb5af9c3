// The frame rate the running program holds while poll replies flood in.
// Builds a show of 64 fully patched universes whose scenes all play, runs
// the real program on it (offscreen, scenes started at launch) with a node
// of its own at 127.0.0.4 answering for every universe, and once that node
// gets frames, floods the program with forged poll replies: 1,000 nodes
// answering from one sender, each for four Port-Addresses of its own, at the
// given rate. Counts the ArtDMX packets of every universe on the real node
// and prints, for the flood and for the rest of the count after it, frames
// per second per universe, the longest gap between two frames of a universe
// and the gaps over 50 ms. By default the count goes on for a minute after
// the flood, while the forged nodes time out together 30 s after their last
// reply and the real node has to be heard through the socket the flood filled.
//
// The forged nodes name addresses of the loopback subnet, which the program
// takes as nodes of its own subnet: the hardest case, as every one of them
// enters the node list. Their Port-Addresses lie above the show's universes,
// so none of them gets a packet.
//
// Everything that sends UDP runs inside a network namespace and IPC
// namespace made for it (unshare -n -i) whose only interface is the
// loopback; the program gets its own TMPDIR and program folder. Build in
// Release and run by hand:
//   cmake --build build/release --target orvane bench_artnetflood
//   build/release/bench/bench_artnetflood [replies per second] [seconds] [scenes] [flood seconds]
// (2000, 90, 4 and 30 when left out; a flood as long as the count has no
// after). 0 replies per second gives the same count without a flood. The program is
// looked for in the build folder above this benchmark, or at $ORVANE_PROGRAM.

#include "WireShow.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace LoopbackNetwork;
using namespace WireShow;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kSettleMs = 3000;
constexpr int kForgedNodes = 1000;
constexpr int kFloodSliceMs = 5;
constexpr char kForger[] = "127.0.0.5";

// Forged node i at 127.1.x.y answers for Port-Addresses 16 (i + 16) to
// 16 (i + 16) + 3: 4,000 ports in all, none of them a universe of the show.
std::vector<QByteArray> ForgedReplies()
{
    std::vector<QByteArray> replies;
    for (int i = 0; i < kForgedNodes; ++i) {
        const quint32 address = 0x7F010000u + quint32(i / 250) * 256 + quint32(i % 250) + 1;
        replies.push_back(PollReply(QHostAddress(address), {0, 1, 2, 3}, quint16(16 * (i + 16))));
    }
    return replies;
}

struct SWindow : SGaps
{
    long frames = 0;
};

// Counted during the flood and after it. A gap across the flood's end
// counts in both: up to the end in the first, whole in the second.
struct SUniverse
{
    double last = -1; // ms since the count began
    SWindow windows[2];
};

void PrintWindow(const std::vector<SUniverse>& universes, int w, const char* name, double seconds)
{
    std::vector<double> rates;
    double longest = 0;
    double longestEnd = 0;
    int longestUniverse = 0;
    long late = 0;
    for (int i = 0; i < int(universes.size()); ++i) {
        const SWindow& window = universes[size_t(i)].windows[w];
        rates.push_back(double(window.frames) / seconds);
        late += window.late;
        if (window.longest > longest) {
            longest = window.longest;
            longestEnd = window.longestEnd;
            longestUniverse = i;
        }
    }
    std::sort(rates.begin(), rates.end());
    std::printf("%s (%.0f s): frames/s per universe: min %.2f  median %.2f  max %.2f  longest gap %.1f ms (universe %d,"
                " ending %.1f s into the count)  gaps over %d ms: %ld\n",
                name, seconds, rates.front(), rates[rates.size() / 2], rates.back(), longest, longestUniverse,
                longestEnd / 1000, kLateGapMs, late);
}

bool AllFlowed(const std::vector<SUniverse>& universes, int w)
{
    return std::all_of(universes.begin(), universes.end(), [w](const SUniverse& u) { return u.windows[w].frames > 0; });
}

int Measure(const QString& program, const QString& show, const QString& tmp, int rate, int seconds, int floodSeconds)
{
    SRealNode real;
    if (!OpenRealNode(real))
        return 1;
    const int polled = real.polled, node = real.node;
    const int forger = UdpSocket(kForger, ArtNet::kUdpPort);
    if (forger < 0) {
        std::printf("cannot bind the forger on the loopback\n");
        return 1;
    }
    const std::vector<QByteArray> forged = ForgedReplies();

    QProcess orvane;
    const Clock::time_point launched = Clock::now();
    if (!StartProgram(orvane, program, show, tmp))
        return 1;

    std::vector<SUniverse> universes(kUniverses);
    const double floodMs = double(std::min(seconds, floodSeconds)) * 1000;
    long repliesSent = 0;
    size_t nextForged = 0;
    double firstFrameMs = -1;
    bool counting = false;
    Clock::time_point countFrom{}, countTo{}, floodTo{}, nextSlice{}, nextAnnounce = Clock::now();
    char packet[2048];
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= nextAnnounce) {
            AnnounceNode(polled);
            nextAnnounce = now + std::chrono::milliseconds(kReplyEveryMs);
        }
        if (!counting && firstFrameMs >= 0 && now >= countFrom) {
            counting = true;
            countFrom = now;
            countTo = now + std::chrono::seconds(seconds);
            floodTo = now + std::chrono::seconds(floodSeconds);
            nextSlice = now;
        }
        if (counting && now >= countTo)
            break;
        if (orvane.state() != QProcess::Running || (!counting && now - launched > std::chrono::minutes(kStartMinutes))) {
            std::printf("the program %s before the count began\n",
                        orvane.state() == QProcess::Running ? "took too long" : "stopped");
            StopProgram(orvane);
            return 1;
        }
        // The flood keeps its rate in slices; a slice the bench was late for
        // is sent late rather than dropped.
        const bool flooding = counting && rate > 0 && now < floodTo;
        while (flooding && now >= nextSlice) {
            const long due = long(rate) * std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 nextSlice - countFrom + std::chrono::milliseconds(kFloodSliceMs))
                                                 .count()
                             / 1000;
            for (; repliesSent < due; ++repliesSent) {
                SendToProgram(forger, forged[nextForged]);
                nextForged = (nextForged + 1) % forged.size();
            }
            nextSlice += std::chrono::milliseconds(kFloodSliceMs);
        }
        const int waitMs = flooding
            ? int(std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(nextSlice - Clock::now()).count()))
            : 20;
        pollfd ready = {node, POLLIN, 0};
        if (::poll(&ready, 1, waitMs) <= 0)
            continue;
        for (;;) {
            const ssize_t size = ::recv(node, packet, sizeof packet, MSG_DONTWAIT);
            if (size < 0)
                break;
            const Clock::time_point arrived = Clock::now();
            const int universe = DmxUniverse(packet, size);
            if (universe < 0 || universe >= kUniverses)
                continue;
            if (firstFrameMs < 0) {
                firstFrameMs = Ms(arrived - launched).count();
                countFrom = arrived + std::chrono::milliseconds(kSettleMs);
            }
            if (!counting)
                continue;
            SUniverse& u = universes[size_t(universe)];
            const double at = Ms(arrived - countFrom).count();
            const int w = at < floodMs ? 0 : 1;
            // The gap before the first frame counts too: a universe that
            // stops at the flood's start shows there.
            if (w == 1 && u.last < floodMs)
                u.windows[0].Add(floodMs - std::max(0.0, u.last), floodMs);
            u.windows[w].Add(at - std::max(0.0, u.last), at);
            u.last = at;
            ++u.windows[w].frames;
        }
    }
    StopProgram(orvane);
    ::close(polled);
    ::close(node);
    ::close(forger);

    // A universe that went quiet before the end has that gap too.
    const double countedMs = double(seconds) * 1000;
    const bool after = countedMs > floodMs;
    for (SUniverse& u : universes) {
        if (u.last < floodMs)
            u.windows[0].Add(floodMs - std::max(0.0, u.last), floodMs);
        if (after)
            u.windows[1].Add(countedMs - std::max(0.0, u.last), countedMs);
    }
    std::printf("%d universes, forged replies %ld (%.0f/s for %.0f s from %d nodes of 4 ports), counted %d s"
                " (first frame %.1f s after launch, counted from %d s later)\n",
                kUniverses, repliesSent, double(repliesSent) * 1000 / floodMs, floodMs / 1000, kForgedNodes, seconds,
                firstFrameMs / 1000.0, kSettleMs / 1000);
    PrintWindow(universes, 0, rate > 0 ? "during the flood" : "first part", floodMs / 1000);
    if (after)
        PrintWindow(universes, 1, rate > 0 ? "after the flood" : "second part", (countedMs - floodMs) / 1000);
    std::fflush(stdout);
    return AllFlowed(universes, 0) && (!after || AllFlowed(universes, 1)) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (InPrivateNamespace()) {
        // program, show, tmp, rate, seconds, flood seconds: handed on by the run below.
        if (args.size() != 7)
            return 1;
        return Measure(args[1], args[2], args[3], args[4].toInt(), args[5].toInt(), args[6].toInt());
    }

    const int rate = args.size() > 1 ? args[1].toInt() : 2000;
    const int seconds = args.size() > 2 ? args[2].toInt() : 90;
    const int scenes = args.size() > 3 ? args[3].toInt() : 4;
    const int floodSeconds = args.size() > 4 ? args[4].toInt() : std::min(seconds, 30);
    if (rate < 0 || rate > 100000 || seconds < 1 || scenes < 1 || floodSeconds < 1) {
        std::printf("usage: bench_artnetflood [replies per second] [seconds] [scenes] [flood seconds]\n");
        return 1;
    }
    SRunFolder run;
    if (!PrepareRunFolder(run, QStringLiteral("flood.kv3")))
        return 1;
    if (!SaveShow(run.show, scenes))
        return 1;

    return MeasureInNamespace(run, {QString::number(rate), QString::number(seconds), QString::number(floodSeconds)});
}
