// The frame rate the running program holds on the wire. Builds a show of
// 64 fully patched universes and 50 scenes that each drive every channel
// through two steps with fades and waits of a second, all saved as playing
// with Art-Net output; then runs the real program on it (offscreen, scenes
// started at launch) and counts the ArtDMX packets of one universe for 20 s
// on a node of its own at 127.0.0.4. Prints frames per second, the longest
// gap between two frames and the gaps over 50 ms.
//
// Everything that sends UDP runs inside a network namespace and IPC
// namespace made for it (unshare -n -i) whose only interface is the
// loopback; the program gets its own TMPDIR and program folder (with the
// options file that starts the scenes). Build in Release and run by hand:
//   cmake --build build/release --target orvane bench_wire
//   build/release/bench/bench_wire [universe] [seconds]
// The program is looked for in the build folder above this benchmark, or at
// $ORVANE_PROGRAM.

#include "WireShow.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace LoopbackNetwork;
using namespace WireShow;
using Clock = std::chrono::steady_clock;

constexpr int kScenes = 50;
constexpr int kSettleMs = 5000;

struct Frames
{
    std::vector<double> arrivals; // ms since the count began
    long changed = 0;             // frames whose levels differ from the one before
    long lit = 0;                 // frames with a level above zero
    long otherUniverses = 0;
};

int Measure(const QString& program, const QString& show, const QString& tmp, int universe, int seconds)
{
    SRealNode real;
    if (!OpenRealNode(real))
        return 1;
    const int polled = real.polled, node = real.node;

    QProcess orvane;
    const Clock::time_point launched = Clock::now();
    if (!StartProgram(orvane, program, show, tmp))
        return 1;

    Frames frames;
    std::vector<char> last(ArtNet::kDmxPacketSize, 0);
    bool haveLast = false;
    double firstFrameMs = -1;
    Clock::time_point countFrom{}, countTo{}, nextReply = Clock::now();
    bool counting = false;
    char packet[2048];
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= nextReply) {
            AnnounceNode(polled);
            nextReply = now + std::chrono::milliseconds(kReplyEveryMs);
        }
        if (counting && now >= countTo)
            break;
        if (orvane.state() != QProcess::Running || (!counting && now - launched > std::chrono::minutes(kStartMinutes))) {
            std::printf("the program %s before sending a frame of universe %d\n",
                        orvane.state() == QProcess::Running ? "took too long" : "stopped", universe);
            StopProgram(orvane);
            return 1;
        }
        pollfd ready = {node, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0)
            continue;
        const ssize_t size = ::recv(node, packet, sizeof packet, 0);
        const Clock::time_point arrived = Clock::now();
        const int portAddress = DmxUniverse(packet, size);
        if (portAddress < 0)
            continue;
        if (portAddress != universe) {
            if (counting)
                ++frames.otherUniverses;
            continue;
        }
        if (firstFrameMs < 0) {
            firstFrameMs = std::chrono::duration<double, std::milli>(arrived - launched).count();
            countFrom = arrived + std::chrono::milliseconds(kSettleMs);
        }
        if (!counting && arrived >= countFrom) {
            counting = true;
            countFrom = arrived;
            countTo = arrived + std::chrono::seconds(seconds);
        }
        if (!counting)
            continue;
        frames.arrivals.push_back(std::chrono::duration<double, std::milli>(arrived - countFrom).count());
        const char* levels = packet + ArtNet::kDmxHeaderSize;
        if (haveLast && std::memcmp(levels, last.data(), ArtNet::kDmxSlots) != 0)
            ++frames.changed;
        std::memcpy(last.data(), levels, ArtNet::kDmxSlots);
        haveLast = true;
        if (std::any_of(levels, levels + ArtNet::kDmxSlots, [](char c) { return c != 0; }))
            ++frames.lit;
    }

    StopProgram(orvane);
    ::close(polled);
    ::close(node);

    const auto& t = frames.arrivals;
    double longest = 0;
    long late = 0;
    for (size_t i = 1; i < t.size(); ++i) {
        const double gap = t[i] - t[i - 1];
        longest = std::max(longest, gap);
        if (gap > kLateGapMs)
            ++late;
    }
    std::printf("%d universes, %d scenes full, steps %d ms fade + %d ms wait, universe %d counted for %d s"
                " (first frame %.1f s after launch, counted from %d s later)\n",
                kUniverses, kScenes, kStepMs, kStepMs, universe, seconds, firstFrameMs / 1000.0, kSettleMs / 1000);
    std::printf("frames %zu  %.2f frames/s  longest gap %.1f ms  gaps over %d ms: %ld  frames changed %ld"
                "  lit %ld  other universes %.2f frames/s each\n",
                t.size(), double(t.size()) / seconds, longest, kLateGapMs, late, frames.changed, frames.lit,
                double(frames.otherUniverses) / seconds / (kUniverses - 1));
    std::fflush(stdout);
    return t.empty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (InPrivateNamespace()) {
        // program, show, tmp, universe, seconds: handed on by the run below.
        if (args.size() != 6)
            return 1;
        return Measure(args[1], args[2], args[3], args[4].toInt(), args[5].toInt());
    }

    const int universe = args.size() > 1 ? args[1].toInt() : 0;
    const int seconds = args.size() > 2 ? args[2].toInt() : 20;
    if (universe < 0 || universe >= kUniverses || seconds < 1) {
        std::printf("usage: bench_wire [universe 0-%d] [seconds]\n", kUniverses - 1);
        return 1;
    }
    SRunFolder run;
    if (!PrepareRunFolder(run, QStringLiteral("wire.kv3")))
        return 1;

    const Clock::time_point start = Clock::now();
    if (!SaveShow(run.show, kScenes))
        return 1;
    std::printf("show saved in %.1f s, %.1f MB\n",
                std::chrono::duration<double>(Clock::now() - start).count(), QFileInfo(run.show).size() / 1e6);
    std::fflush(stdout);

    return MeasureInNamespace(run, {QString::number(universe), QString::number(seconds)});
}
