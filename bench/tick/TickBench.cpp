// The whole master tick as the program runs it under growing shows: the
// scene pass, the output merge and the Art-Net pass, which sends every
// universe to a receiver on the loopback. Universes are fully patched with
// RGB fixtures; scenes crossfade endlessly, hold a step, or go through their
// steps with fades and waits of a second (all of them changing step in the
// same tick: two steps looping, or a chase of more steps than a scene keeps
// renders of), and either drive each channel once between them (split) or
// every channel each (full). Prints the median, 99th percentile and longest
// time per tick (and the mean), the ticks longer than the 25 ms a tick has,
// microseconds per universe and frame, and the heap allocations of the
// measured ticks, which must be none (counted once every step has played).
//
// The benchmark sends UDP, so it runs itself again inside a network
// namespace of its own (unshare -n) whose only interface is the loopback.
// Build it in Release for meaningful times:
//   cmake --build <dir> --target bench_tick && <dir>/bench/bench_tick [steady|crossfade|loop|chase]
//   <dir>/bench/bench_tick soak [minutes of show time] [seed] [motion] [edits]
//   <dir>/bench/bench_tick actions [motion]
//   <dir>/bench/bench_tick renders

#include "BenchShow.h"
#include "LoopbackNetwork.h"

#include "Common/ArtNet/ArtNetManager.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QCoreApplication>
#include <QStringList>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <random>
#include <vector>

namespace {

std::atomic<long> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace LoopbackNetwork;

constexpr int kTickMs = 25;
constexpr int kWarmUpTicks = 20;
constexpr int kMeasuredTicks = 400;
// Steps that change: long enough for 25 step changes, the first ones included.
constexpr int kChangingTicks = 2000;
constexpr int kStepMs = 1000;
constexpr int kChaseSteps = 12;

enum class Coverage { Split, Full };
enum class Motion { Steady, Crossfade, Loop, Chase };
const char* const kMotionNames[] = {"steady", "crossfade", "loop", "chase"};

struct Case
{
    int universes;
    int scenes;
    Coverage coverage;
    Motion motion;
    int stepMs = kStepMs; // the fade and the wait of each changing step
};

void BuildShow(CProject& project, const Case& c)
{
    NewRgbShow(project, c.universes);

    CPage* page = project.m_firstPage;
    const QList<CPatchedFixture*> fixtures = project.m_generalGroup->m_fixtures;
    for (int s = 0; s < c.scenes; ++s) {
        auto* scene = new CScene(QStringLiteral("Scene %1").arg(s + 1), c.universes);
        scene->m_playMode = ReleaseNone; // all of them play at once
        const int stepCount = c.motion == Motion::Steady ? 1 : c.motion == Motion::Chase ? kChaseSteps : 2;
        for (int k = 0; k < stepCount; ++k) {
            // A crossfade step fades for far longer than the measured ticks.
            auto* step = c.motion == Motion::Steady      ? new CSceneStep(0, 3600000)
                         : c.motion == Motion::Crossfade ? new CSceneStep(600000, 0)
                                                         : new CSceneStep(c.stepMs, c.stepMs);
            for (int f = 0; f < fixtures.size(); ++f) {
                if (c.coverage == Coverage::Split && f % c.scenes != s)
                    continue;
                step->AddEntry(PatternEntry(fixtures[f], scene, s, k, f));
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
        page->m_scenes << scene;
        // Start in the middle of the second step so the crossfade runs.
        if (c.motion == Motion::Crossfade)
            page->PlayScene(scene, stepCount - 1, 1000);
        else if (c.motion == Motion::Steady)
            page->PlayScene(scene, stepCount - 1, -1);
        else
            page->PlayScene(scene);
    }
}

// A node on the loopback with an output port for every universe: one poll
// reply per four ports, as a node with many ports answers.
bool DiscoverNode(CArtNetManager& manager, QUdpSocket& polled, int universes)
{
    manager.SetPollTargets({kPolledNode});
    if (!manager.Start(kController) || Receive(polled, 1).isEmpty())
        return false;
    const int replies = (universes + 3) / 4;
    for (int r = 0; r < replies; ++r) {
        QVector<quint8> swOut;
        for (int p = 0; p < 4 && r * 4 + p < universes; ++p)
            swOut << quint8((r * 4 + p) & 0x0F);
        polled.writeDatagram(PollReply(kNodeAddress, swOut, quint16(r * 4), quint8(r + 1)), kController, 6454);
    }
    QElapsedTimer clock;
    clock.start();
    while (manager.NodeList().Nodes().size() < replies && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return manager.NodeList().Nodes().size() == replies;
}

// The node's sockets bound and the node found, or the run ends: without it
// there is nothing to measure.
void ReachNode(CArtNetManager& artNet, QUdpSocket& polled, QUdpSocket& node, int universes)
{
    if (!Bind(polled, kPolledNode) || !Bind(node, kNodeAddress) || !DiscoverNode(artNet, polled, universes)) {
        std::printf("no Art-Net node on the loopback\n");
        std::exit(1);
    }
    node.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 << 20);
}

void Drain(QUdpSocket& node, long& received)
{
    char buffer[ArtNet::kDmxPacketSize];
    while (node.hasPendingDatagrams()) {
        if (node.readDatagram(buffer, sizeof buffer) == ArtNet::kDmxPacketSize)
            ++received;
    }
}

// The show of a case reaching its node on the loopback. A tick of `ms` plays
// the scenes, merges them and sends every universe; Drain counts what came.
struct SWiredShow
{
    CProject project;
    QUdpSocket polled, node;
    CArtNetManager artNet;
    CArtNetManager::OutputBuffer outputOf;
    long sent = 0, received = 0;

    explicit SWiredShow(const Case& c)
    {
        BuildShow(project, c);
        ReachNode(artNet, polled, node, c.universes);
        const CDmxLayer& output = project.m_output;
        outputOf = [&output](int u) { return output[u]; };
    }
    void Tick(int ms = kTickMs)
    {
        project.Tick(ms);
        project.MergeOutput();
        sent += artNet.SendUniverses(project.UniverseCount(), outputOf);
    }
    void Drain() { ::Drain(node, received); }
    void DrainLast()
    {
        node.waitForReadyRead(50);
        Drain();
    }
};

void Run(const Case& c)
{
    SWiredShow show(c);
    for (int i = 0; i < kWarmUpTicks; ++i) {
        show.Tick();
        show.Drain();
    }

    const bool changing = c.motion == Motion::Loop || c.motion == Motion::Chase;
    const int measured = changing ? kChangingTicks : kMeasuredTicks;
    // Allocations count once every step has played: the renders kept grow
    // their buffers while they are first made.
    const int stepCount = c.motion == Motion::Chase ? kChaseSteps : 2;
    const int settled = changing ? stepCount * 2 * kStepMs / kTickMs : 0;
    std::vector<double> times;
    times.reserve(size_t(measured));
    long allocations = 0;
    for (int i = 0; i < measured; ++i) {
        const long before = g_allocations.load();
        const auto start = std::chrono::steady_clock::now();
        show.Tick();
        const auto end = std::chrono::steady_clock::now();
        if (i >= settled)
            allocations += g_allocations.load() - before;
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        show.Drain();
    }
    show.DrainLast();

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double p99 = times[times.size() * 99 / 100];
    // Loops fade half of the time and wait the other half: the median may
    // land on either, the mean does not.
    double mean = 0;
    for (double t : times)
        mean += t / double(times.size());
    const long late = long(times.end() - std::upper_bound(times.begin(), times.end(), kTickMs * 1000.0));
    std::printf("%3d universes  %2d scenes  %-5s %-9s  median %7.1f us  mean %7.1f us  p99 %7.1f us  max %8.1f us"
                "  over %d ms %ld/%d  %6.2f us/universe-frame  allocations/tick %.2f  packets %ld/%ld\n",
                c.universes, c.scenes, c.coverage == Coverage::Split ? "split" : "full", kMotionNames[int(c.motion)],
                median, mean, p99, times.back(), kTickMs, late, measured, median / c.universes,
                double(allocations) / (measured - settled), show.received, show.sent);
    std::fflush(stdout);
}

double ThreadCpuMicroseconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

// Page faults and involuntary switches of this thread: a long tick that did
// no more work than its neighbours shows in these.
struct SThreadEvents
{
    long faults = 0, switches = 0;
    static SThreadEvents Now()
    {
        rusage usage;
        getrusage(RUSAGE_THREAD, &usage);
        return {usage.ru_minflt + usage.ru_majflt, usage.ru_nivcsw};
    }
};

// The show of the long runs in the field: 64 universes, 50 full scenes
// (by default looping through steps of a second's fade and a second's wait),
// ticked for `minutes` of show time with the elapsed times a 25 ms timer really hands
// over (mostly 24-26 ms, now and then a late one). Times are taken both on
// the clock and as this thread's processor time, which other work on the
// machine does not lengthen by preemption. With `edits`, an operator now and
// then touches one level of the first scene, or stops and starts another.
void Soak(double minutes, unsigned seed, Motion motion, bool edits)
{
    const Case c{64, 50, Coverage::Full, motion};
    SWiredShow show(c);
    CProject& project = show.project;
    // The scene stopped and started fades out, through a step of its own.
    if (edits)
        project.m_firstPage->m_scenes[1]->m_fadeOut = 500;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> jitter(24, 26);
    std::uniform_int_distribution<int> late(27, 60);
    std::uniform_int_distribution<int> chance(0, 199);
    auto elapsed = [&] { return chance(random) == 0 ? late(random) : jitter(random); };

    struct STick
    {
        double cpu, wall;
        long index;
        int ms;
        long faults, switches;
    };
    std::vector<STick> ticks;
    const long showMs = long(minutes * 60000.0);
    ticks.reserve(size_t(showMs / 20));
    long index = 0;
    for (long ms = 0; ms < showMs; ++index) {
        const int step = index < kWarmUpTicks ? kTickMs : elapsed();
        ms += step;
        CPage* page = project.m_firstPage;
        if (edits && index % 2000 == 1000) {
            CStepFixture* entry = page->m_scenes[0]->m_steps[0]->m_entries[0];
            entry->SetLevel(0, entry->Level(0), true, false);
        } else if (edits && index % 2000 == 1999) {
            page->ToggleScene(page->m_scenes[1], true, true, false);
            page->ToggleScene(page->m_scenes[1], true, true, false);
        }
        const SThreadEvents events = SThreadEvents::Now();
        const double cpu = ThreadCpuMicroseconds();
        const auto start = std::chrono::steady_clock::now();
        show.Tick(step);
        const auto end = std::chrono::steady_clock::now();
        if (index >= kWarmUpTicks) {
            const double spent = ThreadCpuMicroseconds() - cpu;
            const SThreadEvents after = SThreadEvents::Now();
            ticks.push_back({spent, std::chrono::duration<double, std::micro>(end - start).count(), index, step,
                             after.faults - events.faults, after.switches - events.switches});
        }
        show.Drain();
    }
    show.DrainLast();

    auto report = [&ticks](const char* what, double STick::*field) {
        std::vector<double> times;
        times.reserve(ticks.size());
        for (const STick& t : ticks)
            times.push_back(t.*field);
        std::sort(times.begin(), times.end());
        const long late = long(times.end() - std::upper_bound(times.begin(), times.end(), kTickMs * 1000.0));
        std::printf("  %-9s median %7.1f us  p99 %7.1f us  p99.9 %8.1f us  max %8.1f us  over %d ms %ld\n", what,
                    times[times.size() / 2], times[times.size() * 99 / 100], times[times.size() * 999 / 1000],
                    times.back(), kTickMs, late);
    };
    std::printf("64 universes  50 scenes  full  %s%s, %.1f min of show time in %zu ticks (seed %u)  packets %ld/%ld\n",
                kMotionNames[int(motion)], edits ? " with edits" : "", minutes, ticks.size(), seed, show.received, show.sent);
    report("processor", &STick::cpu);
    report("clock", &STick::wall);
    std::sort(ticks.begin(), ticks.end(), [](const STick& a, const STick& b) { return a.cpu > b.cpu; });
    std::printf("  longest on the processor:");
    for (size_t i = 0; i < std::min<size_t>(5, ticks.size()); ++i)
        std::printf("  #%ld (%d ms) %.0f us %ld faults %ld switches", ticks[i].index, ticks[i].ms, ticks[i].cpu,
                    ticks[i].faults, ticks[i].switches);
    std::printf("\n");
    std::fflush(stdout);
}

// The operator's actions on the show of the field (64 universes, 50 full
// scenes, steady unless another motion is named), one after the other: each
// is done before a tick, and that tick and the next ones are timed. What an
// action changes is put back afterwards, outside the measured ticks.
void Actions(Motion motion)
{
    const Case c{64, 50, Coverage::Full, motion};
    SWiredShow show(c);
    CProject& project = show.project;
    auto tick = [&] {
        const auto start = std::chrono::steady_clock::now();
        show.Tick();
        const auto end = std::chrono::steady_clock::now();
        show.Drain();
        return std::chrono::duration<double, std::micro>(end - start).count();
    };
    CPage* page = project.m_firstPage;
    // Every scene answers the same key, as a key shared by all of them does.
    auto pressSharedKey = [page] {
        for (CScene* scene : page->m_scenes)
            page->TriggerScene(scene, CPage::KeyTrigger, 1);
    };
    struct SAction
    {
        const char* name;
        std::function<void(int)> act; // with the index of the measured tick
        std::function<void()> undo;
    };
    const std::vector<SAction> actions = {
        {"black-out on", [&](int t) { if (t == 0) project.SetBlackOut(true); }, nullptr},
        {"black-out off", [&](int t) { if (t == 0) project.SetBlackOut(false); }, nullptr},
        {"dimmer master", [&](int t) { if (t == 0) project.SetDimmer(30); }, [&] { project.SetDimmer(50); }},
        // A 200 ms drag of the slider: a new value every tick.
        {"dimmer drag", [&](int t) { if (t < 8) project.SetDimmer(50 - 5 * t); }, [&] { project.SetDimmer(50); }},
        {"beam-on", [&](int t) { if (t == 0) project.SetBeamOn(true); }, [&] { project.SetBeamOn(false); }},
        {"colour override", [&](int t) { if (t == 0) project.SetLiveColor(255, 128, 0); },
         [&] { project.SetColorOverride(false); }},
        {"stop all (key)", [&](int t) { if (t == 0) pressSharedKey(); }, nullptr},
        {"start all (key)", [&](int t) { if (t == 0) pressSharedKey(); }, nullptr},
        {"patch change", [&](int t) { if (t == 0) project.UpdateAfterPatch(false, false); }, nullptr},
        {"delete an entry",
         [&](int t) { if (t == 0) delete page->m_scenes[0]->m_steps[0]->m_entries.takeAt(0); }, nullptr},
    };
    for (int i = 0; i < kWarmUpTicks; ++i)
        tick();
    std::printf("64 universes  50 scenes  full  %s, one operator action at a time\n", kMotionNames[int(motion)]);
    constexpr int kWatchedTicks = 40;
    for (const SAction& action : actions) {
        double longest = 0;
        int late = 0;
        for (int t = 0; t < kWatchedTicks; ++t) {
            const auto start = std::chrono::steady_clock::now();
            action.act(t);
            const double actMicroseconds =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            const double spent = actMicroseconds + tick();
            longest = std::max(longest, spent);
            late += spent > kTickMs * 1000.0 ? 1 : 0;
        }
        std::printf("  %-16s longest tick %8.1f us  over %d ms %d/%d\n", action.name, longest, kTickMs, late,
                    kWatchedTicks);
        std::fflush(stdout);
        if (action.undo)
            action.undo();
        for (int i = 0; i < kWarmUpTicks; ++i)
            tick();
    }
    std::printf("  packets %ld/%ld\n", show.received, show.sent);
}

// The longest tick timed, on the clock and as this thread's processor time.
struct SLongest
{
    double wall = 0, cpu = 0;
    template <typename Tick> void Time(const Tick& tick)
    {
        const double cpuStart = ThreadCpuMicroseconds();
        const auto start = std::chrono::steady_clock::now();
        tick();
        const auto end = std::chrono::steady_clock::now();
        cpu = std::max(cpu, ThreadCpuMicroseconds() - cpuStart);
        wall = std::max(wall, std::chrono::duration<double, std::micro>(end - start).count());
    }
};

// Kept renders under steady demand: 50 chases of 100 ms steps (a 50 ms fade
// and a 50 ms wait) over every channel of 16 universes, from their start, at
// the default render budget and at one render a tick. A scene-tick is missed
// when the scene played its step without a kept render, rendering it as it
// went. Then the 64-universe show of 50 full scenes started all at once, as
// a key they share starts them: what the ticks after spend on renders, due
// now and ahead, in budget units (CRenderedStep::Cost), until every scene
// holds the render of its step and a while after.
void Renders()
{
    constexpr int kEarlyTicks = 500;
    for (qint64 budget : {qint64(0), qint64(1)}) {
        SWiredShow show({16, 50, Coverage::Full, Motion::Chase, 50});
        CPage* page = show.project.m_firstPage;
        if (budget > 0)
            page->SetRenderBudget(budget);
        std::vector<const CSceneStep*> played;
        long sceneTicks = 0, missed = 0, missedEarly = 0, lastMissed = -1;
        qint64 mostSpent = 0;
        SLongest longest;
        for (int i = 0; i < kChangingTicks; ++i) {
            played.clear();
            for (CPlayingScene* entry : page->m_playing)
                played.push_back(entry->Scene()->m_currentStep);
            longest.Time([&show] { show.Tick(); });
            mostSpent = std::max(mostSpent, page->RenderSpent());
            // A render made for the step in this tick is kept now; one that
            // waited is not.
            long missedNow = 0;
            for (int e = 0; e < page->m_playing.size() && e < int(played.size()); ++e)
                missedNow += page->m_playing[e]->KeptRender(played[size_t(e)], false) ? 0 : 1;
            sceneTicks += long(played.size());
            missed += missedNow;
            missedEarly += i < kEarlyTicks ? missedNow : 0;
            lastMissed = missedNow > 0 ? i : lastMissed;
            show.Drain();
        }
        show.DrainLast();
        std::printf("16 universes  50 full chases of 100 ms steps  render budget %s\n"
                    "  scene-ticks without a kept render: %.2f %% of the first %d ticks, %.2f %% of %d, the last in"
                    " tick %ld\n  longest tick %.1f us (processor %.1f us)  most spent in a tick %lld units"
                    "  packets %ld/%ld\n",
                    budget > 0 ? "1 unit (one render a tick)" : "default",
                    100.0 * double(missedEarly) / (50.0 * kEarlyTicks), kEarlyTicks,
                    100.0 * double(missed) / double(sceneTicks), kChangingTicks, lastMissed, longest.wall, longest.cpu,
                    static_cast<long long>(mostSpent), show.received, show.sent);
        std::fflush(stdout);
    }

    SWiredShow show({64, 50, Coverage::Full, Motion::Loop});
    CPage* page = show.project.m_firstPage;
    constexpr int kStartTicks = 200;
    qint64 mostSpent = 0, spent = 0;
    SLongest longest;
    int allKept = -1;
    for (int i = 0; i < kStartTicks; ++i) {
        longest.Time([&show] { show.Tick(); });
        mostSpent = std::max(mostSpent, page->RenderSpent());
        spent += page->RenderSpent();
        show.Drain();
        bool kept = true;
        for (CPlayingScene* entry : page->m_playing)
            kept = kept && entry->KeptRender(entry->Scene()->m_currentStep, false);
        if (kept && allKept < 0)
            allKept = i + 1;
    }
    show.DrainLast();
    std::printf("64 universes  50 full scenes started at once\n  every step kept after %d ticks  spent in a tick:"
                " most %lld units, mean %lld over %d ticks\n  longest tick %.1f us (processor %.1f us)"
                "  packets %ld/%ld\n",
                allKept, static_cast<long long>(mostSpent), static_cast<long long>(spent / kStartTicks), kStartTicks,
                longest.wall, longest.cpu, show.received, show.sent);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // An argument picks the cases of one motion: steady, crossfade, loop or
    // chase. It is handed on to the run in the namespace.
    const QStringList arguments = app.arguments().mid(1);
    const QString motion = arguments.value(0, QStringLiteral("all"));
    if (!InPrivateNamespace())
        return RunInPrivateNamespace(arguments.isEmpty() ? QStringList{motion} : arguments, -1) == 0 ? 0 : 1;
    if (!OnlyLoopback()) {
        std::printf("refusing to send Art-Net: this namespace has a network interface besides the loopback\n");
        return 1;
    }
    const QStringList motions = {"steady", "crossfade", "loop", "chase"};
    if (motion == QLatin1String("soak")) {
        const int soakMotion = motions.indexOf(arguments.value(3, QStringLiteral("loop")));
        Soak(arguments.value(1, QStringLiteral("20")).toDouble(), arguments.value(2, QStringLiteral("1")).toUInt(),
             Motion(qMax(0, soakMotion)), arguments.value(4) == QLatin1String("edits"));
        return 0;
    }
    if (motion == QLatin1String("renders")) {
        Renders();
        return 0;
    }
    if (motion == QLatin1String("actions")) {
        Actions(Motion(qMax(0, int(motions.indexOf(arguments.value(1, QStringLiteral("steady")))))));
        return 0;
    }
    const int only = int(motions.indexOf(motion));
    for (int universes : {4, 16, 64}) {
        for (int scenes : {10, 50}) {
            for (Coverage coverage : {Coverage::Split, Coverage::Full}) {
                for (Motion motion : {Motion::Steady, Motion::Crossfade, Motion::Loop, Motion::Chase}) {
                    if (only < 0 || only == int(motion))
                        Run({universes, scenes, coverage, motion});
                }
            }
        }
    }
    return 0;
}
