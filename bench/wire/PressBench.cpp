// What the operator's key costs on the wire. Builds the show of the field
// (64 fully patched universes, 50 scenes that each drive every channel
// through two steps with fades and waits of a second), every scene answering
// the same key, saved stopped with Art-Net output. Then builds the real main
// window on it in this process (offscreen, shown, its own 25 ms timer
// running) with a node of its own at 127.0.0.4, and presses the shared key
// with real key events: one press starts all 50 scenes, the next stops them.
// A thread counts the ArtDMX packets of every universe as they arrive.
//
// Prints, for each press, when the tick was due, the time the key handler
// took, the events over 4 ms, the layout view's repaints and the longest gap
// between two frames of any universe in the two seconds after it, and then
// the same gaps over the starts, the stops and the quiet second before each
// press.
//
// Everything that sends UDP runs inside a network namespace and IPC
// namespace made for it (unshare -n -i) whose only interface is the
// loopback, with a TMPDIR of its own. Build in Release and run by hand:
//   cmake --build build/release --target bench_press
//   build/release/bench/bench_press [presses] [rt] [noplan] [WIDTHxHEIGHT] [stormMS] [resize]
// (20 presses when left out; offscreen unless QT_QPA_PLATFORM names another
// platform, such as xcb on a virtual X screen; the window maximized on the screen,
// 800 x 600, unless a size such as 1920x1080 is given). With rt the window's thread and the counting
// one run at real-time priority, as the program runs at a show. With noplan
// the layout view is hidden: the bench's fixtures all stand on one spot, so
// the view draws all 10,880 of them whenever the scenes' marks change.
// With stormMS (storm15, say) the presses give way to ten seconds of the
// key pressed and released every MS milliseconds, and with resize to ten
// seconds of the window resized at every tick: each prints the most and the
// fewest frames any universe had in any second of it, and its shortest gap.
// Neither may change the show's 40 frames a second.

#include "WireShow.h"

#include "app/Orvane.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace LoopbackNetwork;
using namespace WireShow;
using Clock = std::chrono::steady_clock;

constexpr int kScenes = 50;
constexpr char kSharedKey[] = "F5";
constexpr int kWatchMs = 2000;
constexpr int kPressEveryMs = 3000;
// A wait of seconds tends to end on the tick's own boundaries, where every
// press would land at one point of the 25 ms tick. Each press waits instead
// for the tick to be due in a time that walks through the tick, by steps of
// kPhaseStepMs up to kLatestPhaseMs (a press comes after the tick's own work).
constexpr int kPhaseStepMs = 8;
constexpr int kLatestPhaseMs = 20;
constexpr int kFlowingMs = 4000;

double MsSince(Clock::time_point origin, Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(t - origin).count();
}

double ThreadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

bool RealTime(int priority)
{
    sched_param param = {};
    param.sched_priority = priority;
    return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
}

// The node's frames, kept by the thread that reads them and looked at once
// it is done.
class CFrameCounter
{
public:
    CFrameCounter(int fd, Clock::time_point origin) : m_fd(fd), m_origin(origin) {}

    void Start(bool realTime)
    {
        m_thread = std::thread([this, realTime] {
            if (realTime)
                RealTime(30);
            Run();
        });
    }
    void Stop()
    {
        m_stop = true;
        m_thread.join();
    }
    long Frames() const { return m_frames.load(); }
    bool AllFlowing() const { return m_flowing.load(); }
    const std::vector<std::vector<double>>& Arrivals() const { return m_arrivals; }

private:
    void Run()
    {
        m_arrivals.assign(kUniverses, {});
        for (auto& a : m_arrivals)
            a.reserve(1 << 14);
        char packet[2048];
        while (!m_stop) {
            pollfd ready = {m_fd, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            for (;;) {
                const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
                if (size < 0)
                    break;
                const double at = MsSince(m_origin, Clock::now());
                const int universe = DmxUniverse(packet, size);
                if (universe < 0 || universe >= kUniverses)
                    continue;
                m_arrivals[size_t(universe)].push_back(at);
                ++m_frames;
                if (!m_flowing)
                    m_flowing = std::all_of(m_arrivals.begin(), m_arrivals.end(),
                                            [](const std::vector<double>& a) { return !a.empty(); });
            }
        }
    }

    int m_fd;
    Clock::time_point m_origin;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_flowing{false};
    std::atomic<long> m_frames{0};
    std::vector<std::vector<double>> m_arrivals; // per universe, ms since the origin
};

// The longest gap between two frames of one universe that ends after `from`
// and begins before `to`, over every universe.
double LongestGap(const std::vector<std::vector<double>>& arrivals, double from, double to)
{
    double longest = 0;
    for (const std::vector<double>& a : arrivals) {
        auto i = std::upper_bound(a.begin(), a.end(), from);
        if (i == a.begin() || i == a.end())
            continue;
        for (; i != a.end() && *(i - 1) < to; ++i)
            longest = std::max(longest, *i - *(i - 1));
    }
    return longest;
}

// Every event the window's thread handles that takes long, with what it
// was, to tell the ticks from the painting and the key handler.
class CTimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    struct SSlow
    {
        double at, ms, cpuMs;
        int type;
        QByteArray receiver;
    };
    struct SPaint
    {
        double at, ms;
    };
    Clock::time_point origin = Clock::now();
    std::vector<SSlow> slow;
    std::vector<SPaint> planPaints; // the layout view's, inside a window's repaint

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0) {
            const bool plan = event->type() == QEvent::Paint && receiver->inherits("CFixturesView");
            const Clock::time_point start = Clock::now();
            const bool handled = QApplication::notify(receiver, event);
            if (plan)
                planPaints.push_back({MsSince(origin, start), MsSince(start, Clock::now())});
            --m_depth;
            return handled;
        }
        const Clock::time_point start = Clock::now();
        const double cpu = ThreadCpuMs();
        const int type = int(event->type());
        const bool handled = QApplication::notify(receiver, event);
        const double ms = MsSince(start, Clock::now());
        if (ms >= kSlowEventMs)
            slow.push_back({MsSince(origin, start), ms, ThreadCpuMs() - cpu, type, receiver->metaObject()->className()});
        --m_depth;
        return handled;
    }

    static constexpr double kSlowEventMs = 4;

private:
    int m_depth = 0;
};

struct SPress
{
    double at;        // ms since the origin
    double handlerMs; // the key handler
    bool starts;
    int tickDueIn;    // ms, as the key was pressed
};

void Summary(const char* what, const std::vector<double>& gaps)
{
    if (gaps.empty())
        return;
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const long over = long(sorted.end() - std::upper_bound(sorted.begin(), sorted.end(), double(kLateGapMs)));
    std::printf("  %-22s longest gap: median %5.1f ms  max %5.1f ms  over %d ms %ld/%zu\n", what,
                sorted[sorted.size() / 2], sorted.back(), kLateGapMs, over, sorted.size());
}

constexpr int kStressMs = 10000;

// The most and fewest frames of one universe in any second between `from`
// and `to`, and the shortest gap between two of them.
void StressSummary(const char* what, const std::vector<std::vector<double>>& arrivals, double from, double to)
{
    size_t most = 0, fewest = SIZE_MAX;
    double shortest = 1e9;
    for (const std::vector<double>& a : arrivals) {
        const auto first = std::lower_bound(a.begin(), a.end(), from);
        const auto last = std::lower_bound(a.begin(), a.end(), to);
        for (auto i = first; i != last; ++i) {
            if (i != first)
                shortest = std::min(shortest, *i - *(i - 1));
            if (*i + 1000 <= to)
                most = std::max(most, size_t(std::lower_bound(i, last, *i + 1000) - i));
        }
        for (double t = from; t + 1000 <= to; t += 100)
            fewest = std::min(fewest, size_t(std::lower_bound(a.begin(), a.end(), t + 1000) - std::lower_bound(a.begin(), a.end(), t)));
    }
    size_t all = 0;
    for (const std::vector<double>& a : arrivals)
        all += size_t(std::lower_bound(a.begin(), a.end(), to) - std::lower_bound(a.begin(), a.end(), from));
    std::printf("  %-22s frames a second of one universe: %.2f on average, in any second most %zu, fewest %zu; "
                "shortest gap %.1f ms\n",
                what, double(all) / double(arrivals.size()) * 1000 / (to - from), most, fewest, shortest);
}

int Measure(CTimedApplication& app, int presses, bool realTime, bool withPlan, const QSize& size, int stormMs, bool resize)
{
    QTemporaryDir dir;
    const QString show = dir.filePath(QStringLiteral("press.kv3"));
    if (!dir.isValid()
        || !WriteFile(dir.filePath(QStringLiteral("Orvane.ini")),
                      QByteArray("StartScenes=0\nOpenLastProject=0\nNbUniverses=" + QByteArray::number(kUniverses) + "\n"))
        || !SaveShow(show, kScenes, kUniverses, QString::fromLatin1(kSharedKey))) {
        std::printf("cannot prepare the show in %s\n", qPrintable(dir.path()));
        return 1;
    }
    SRealNode real;
    if (!OpenRealNode(real))
        return 1;
    const int polled = real.polled, node = real.node;
    if (realTime && !RealTime(20))
        std::printf("real-time priority refused: counting at normal priority\n");

    const Clock::time_point origin = app.origin;
    CFrameCounter counter(node, origin);
    counter.Start(realTime);

    COrvaneSetup setup;
    setup.projectPath = show;
    setup.programDir = dir.path();
    Orvane window(std::move(setup));
    if (size.isValid()) {
        // Larger than the offscreen screen, as a window on a large display.
        window.resize(size);
        window.show();
    } else {
        window.showMaximized();
    }
    // The bench's fixtures all stand on one spot of the plan, where the
    // layout view draws every one of them on each change of their marks.
    if (!withPlan) {
        for (QWidget* view : window.findChildren<QWidget*>()) {
            if (view->inherits("CFixturesView"))
                view->hide();
        }
    }

    QTimer announce;
    QObject::connect(&announce, &QTimer::timeout, [polled] { AnnounceNode(polled); });
    announce.start(kReplyEveryMs);
    AnnounceNode(polled);

    auto runFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    };
    const Clock::time_point giveUp = Clock::now() + std::chrono::minutes(kStartMinutes);
    while (!counter.AllFlowing() && Clock::now() < giveUp)
        runFor(100);
    if (!counter.AllFlowing()) {
        std::printf("not every universe reached the node\n");
        counter.Stop();
        return 1;
    }
    runFor(kFlowingMs);

    QTimer* tick = window.findChild<QTimer*>(QStringLiteral("masterTickTimer"), Qt::FindDirectChildrenOnly);
    if (!tick) {
        std::printf("no master tick found\n");
        counter.Stop();
        return 1;
    }
    const auto dueIn = [tick](int ms) {
        bool before = false;
        const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(1);
        while (Clock::now() < giveUp) {
            const int left = tick->remainingTime();
            if (before && left <= ms)
                return left;
            before = before || left > ms;
            QCoreApplication::processEvents();
        }
        return -1;
    };

    std::vector<SPress> pressed;
    for (int p = 0; p < presses; ++p) {
        // Starts and stops alike meet every phase of the tick.
        const int tickDueIn = dueIn(p / 2 * kPhaseStepMs % (kLatestPhaseMs + 1));
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
        const Clock::time_point before = Clock::now();
        QApplication::sendEvent(target, &press);
        const Clock::time_point after = Clock::now();
        QApplication::sendEvent(target, &release);
        pressed.push_back({MsSince(origin, before), MsSince(before, after), p % 2 == 0, tickDueIn});
        runFor(kPressEveryMs);
    }
    const double stressFrom = MsSince(origin, Clock::now());
    if (stormMs > 0 || resize) {
        QTimer stress;
        int step = 0;
        QObject::connect(&stress, &QTimer::timeout, [&] {
            if (resize) {
                const int grow = ++step % 40;
                window.resize(1200 + grow * 10, 800 + grow * 5);
                return;
            }
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
        });
        stress.setTimerType(Qt::PreciseTimer);
        stress.start(resize ? 25 : stormMs);
        runFor(kStressMs);
    }
    const double stressTo = MsSince(origin, Clock::now());
    counter.Stop();
    ::close(polled);
    ::close(node);

    const bool started = window.Project().m_firstPage && !window.Project().m_firstPage->m_playing.isEmpty();
    std::printf("%d universes, %d full scenes on one key, %d presses%s, window %d x %d%s; %ld frames counted\n",
                kUniverses, kScenes, presses, realTime ? " at real-time priority" : "", window.width(), window.height(),
                withPlan ? "" : ", layout view hidden", counter.Frames());
    std::vector<double> starts, stops, quiet;
    for (const SPress& p : pressed) {
        const double gap = LongestGap(counter.Arrivals(), p.at, p.at + kWatchMs);
        const double before = LongestGap(counter.Arrivals(), p.at - 1000, p.at);
        (p.starts ? starts : stops).push_back(gap);
        quiet.push_back(before);
        std::printf("  %-5s at %7.1f s, tick due in %2d ms  handler %5.2f ms  longest gap after %5.1f ms  (before %5.1f ms)  "
                    "events over %.0f ms:",
                    p.starts ? "start" : "stop", p.at / 1000, p.tickDueIn, p.handlerMs, gap, before,
                    CTimedApplication::kSlowEventMs);
        for (const CTimedApplication::SSlow& e : app.slow) {
            if (e.at >= p.at - 1 && e.at < p.at + kWatchMs)
                std::printf(" %s/%d@%.0f:%.1f(cpu %.1f)", e.receiver.constData(), e.type, e.at - p.at, e.ms, e.cpuMs);
        }
        std::printf("; plan painted:");
        for (const CTimedApplication::SPaint& e : app.planPaints) {
            if (e.at >= p.at - 1 && e.at < p.at + kWatchMs)
                std::printf(" @%.0f:%.1f", e.at - p.at, e.ms);
        }
        std::printf("\n");
    }
    Summary("starting all 50", starts);
    Summary("stopping all 50", stops);
    Summary("the second before", quiet);
    if (stormMs > 0 || resize)
        StressSummary(resize ? "resizing the window" : "the key stormed", counter.Arrivals(), stressFrom, stressTo);
    if (presses % 2 == 1 && !started)
        std::printf("  the last press started no scene\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!InPrivateNamespace()) {
        QCoreApplication app(argc, argv);
        // A TMPDIR of its own, and an IPC namespace: the window keys its
        // single-instance state there.
        QTemporaryDir tmp;
        if (!tmp.isValid())
            return 1;
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", tmp.path().toLocal8Bit());
        // A platform given (xcb on a virtual X screen, say) is kept.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        const int code = RunInPrivateNamespace(app.arguments().mid(1), -1, true);
        return code == 0 ? 0 : 1;
    }
    CTimedApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int presses = args.size() > 1 ? args[1].toInt() : 20;
    const bool realTime = args.contains(QStringLiteral("rt"));
    const bool withPlan = !args.contains(QStringLiteral("noplan"));
    QSize size;
    for (const QString& arg : args.mid(1)) {
        const QStringList wh = arg.split(QLatin1Char('x'));
        if (wh.size() == 2)
            size = QSize(wh[0].toInt(), wh[1].toInt());
    }
    int stormMs = 0;
    for (const QString& arg : args.mid(1)) {
        if (arg.startsWith(QLatin1String("storm")))
            stormMs = arg.mid(5).toInt();
    }
    const bool resize = args.contains(QStringLiteral("resize"));
    if (presses < 0 || (args.size() > 1 && presses == 0 && args[1] != QLatin1String("0"))) {
        std::printf("usage: bench_press [presses] [rt] [noplan] [WIDTHxHEIGHT] [stormMS] [resize]\n");
        return 1;
    }
    return Measure(app, presses, realTime, withPlan, size, stormMs, resize);
}
