#include "DataTable.h"
#include "TestRegistry.h"

#include "ManualClock.h"
#include "RecordingHost.h"
#include "RecordingStages.h"
#include "app/DmxRecorder.h"
#include "app/QtTickTimer.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QTimer>
#include <QtTest>

namespace {

CTickState Running(int mode, bool outputOn = true)
{
    CTickState state;
    state.outputOn = outputOn;
    state.outputMode = mode;
    return state;
}

// Entries searched while the recorder appends the samples from `first` to
// `last`, each moving every one of `channels` slots of both input universes.
quint64 SearchedWhileRecording(CProject& project, CDmxRecorder& recorder, int first, int last, int channels)
{
    const quint64 before = CSceneStep::EntriesSearched();
    for (int sample = first; sample < last; ++sample) {
        for (int u : {0, 1}) {
            for (int slot = 0; slot < channels; ++slot)
                project.m_dmxInput[u][slot] = quint8(sample % 250 + 1);
        }
        recorder.Tick(project, 25);
    }
    return CSceneStep::EntriesSearched() - before;
}

// A timer that only records what it is set for.
struct CStartedTimer final : CMasterTick::CTimer
{
    explicit CStartedTimer(const CMasterTick::STimer& found)
        : state(found)
    {
    }
    CMasterTick::STimer State() const override { return state; }
    void Start(int ms) override
    {
        started << ms;
        state = {true, ms, ms};
    }
    CMasterTick::STimer state;
    QVector<int> started;
};

} // namespace

class MasterTickTest : public QObject
{
    Q_OBJECT

private slots:
    void everyStageRunsInOrderWithTheSlotsTime()
    {
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        CTickState state = Running(2);
        state.recording = true;
        state.liveLevelsChanged = true;

        clock.now += 27;
        QCOMPARE(tick.Fire(state, stages), 25);
        QCOMPARE(stages.calls, QStringList({"Timeline:25", "Project:25", "LivePages:25", "Merge", "Layout:25",
                                            "Monitor:25", "Interfaces:25", "ArtNet:25", "Record:25",
                                            "ReleaseLive"}));
    }

    // Slot k is due at start + k x 25 ms, whenever a tick is asked for: a
    // tick covers every slot come since the last, and none that has not.
    // Each call: "+N" moves the clock N ms, "f" fires, "b" fires busy, "r"
    // fires a tick inside which the clock moves 30 ms and a tick is asked
    // for; the stages' Project calls, and the time to the next slot after
    // each fire (inside the running tick for "r").
    void theGridCountsSlots_data()
    {
        Columns<QString, QStringList, QVector<int>>("calls", "handedOn", "toNextSlot");
        QTest::newRow("on time") << "+25 f +25 f" << QStringList{"25", "25"} << QVector<int>{25, 25};
        QTest::newRow("early, then due") << "+24 f +1 f" << QStringList{"25"} << QVector<int>{1, 25};
        QTest::newRow("jitter keeps the grid") << "+27 f +24 f +26 f" << QStringList{"25", "25", "25"}
                                               << QVector<int>{23, 24, 23};
        QTest::newRow("late by three slots") << "+25 f +80 f" << QStringList{"25", "75x3"} << QVector<int>{25, 20};
        QTest::newRow("asked twice in one slot") << "+30 f f" << QStringList{"25"} << QVector<int>{20, 20};
        QTest::newRow("busy slots dropped") << "+25 b +4000 b +25 f" << QStringList{"25"}
                                            << QVector<int>{25, 25, 25};
        // Inside, the clock moves on to the next slot, which the tick after takes.
        QTest::newRow("inside a running tick") << "+25 r f" << QStringList{"25", "25"} << QVector<int>{-5, 20};
        QTest::newRow("a clock that goes back") << "+25 f -500 f +500 f +25 f" << QStringList{"25", "25"}
                                                << QVector<int>{25, 525, 25, 25};
        // Show time moves on by whole slots, as much as an int of ms holds.
        QTest::newRow("a stall of weeks") << "+25 f +5000000000 f +25 f"
                                          << QStringList{"25", "2147483625x85899345", "25"} << QVector<int>{25, 25, 25};
    }
    void theGridCountsSlots()
    {
        const auto [calls, handedOn, toNextSlot] = Row<QString, QStringList, QVector<int>>("calls", "handedOn",
                                                                                          "toNextSlot");
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        QVector<int> seen;
        for (const QString& call : calls.split(QLatin1Char(' '))) {
            if (call.startsWith(QLatin1Char('+')) || call.startsWith(QLatin1Char('-'))) {
                clock.now += call.toLongLong();
                continue;
            }
            CTickState state = Running(0);
            state.busy = call == QLatin1String("b");
            if (call == QLatin1String("r")) {
                stages.duringProject = [&] {
                    clock.now += 30;
                    QCOMPARE(tick.Fire(state, stages), -1);
                    seen << int(tick.MsToNextSlot());
                };
            }
            tick.Fire(state, stages);
            stages.duringProject = nullptr;
            if (call != QLatin1String("r"))
                seen << int(tick.MsToNextSlot());
        }
        QCOMPARE(stages.calls.filter(QStringLiteral("Project:")).replaceInStrings(QStringLiteral("Project:"), QString()),
                 handedOn);
        QCOMPARE(seen, toNextSlot);
    }

    // The timer only reminds of the grid: it is set again only when it would
    // not go off at the next slot. Each row: the clock, ms after the slot
    // last run (`running`: inside the tick of the slot after); the timer as
    // found; whether a timeout now repeats from here, and what the timer is
    // set for after the tick (-1 left going).
    void theTimerIsSetOnlyOffTheGrid_data()
    {
        Columns<int, bool, bool, int, int, bool, int>("clockMs", "running", "active", "interval", "remaining",
                                                      "repeats", "setting");
        QTest::newRow("repeating, at its slot") << 25 << false << true << 25 << 25 << false << 0;
        QTest::newRow("set for part of a period, at its slot") << 25 << false << true << 23 << 0 << true << 0;
        QTest::newRow("set for part of a period, a ms late") << 26 << false << true << 23 << 0 << true << 0;
        QTest::newRow("set for part of a period, 2 ms late") << 27 << false << true << 23 << 0 << false << 0;
        QTest::newRow("repeating on the grid") << 0 << false << true << 25 << 25 << false << -1;
        QTest::newRow("repeating, rounded up a ms") << 3 << false << true << 25 << 23 << false << -1;
        QTest::newRow("repeating off the grid") << 0 << false << true << 25 << 20 << false << 25;
        QTest::newRow("set for part of a period") << 5 << false << true << 20 << 20 << false << 20;
        QTest::newRow("stopped") << 5 << false << false << 25 << -1 << false << 20;
        QTest::newRow("inside a tick, its next slot come") << 60 << true << true << 25 << 0 << false << 25;
        QTest::newRow("inside a tick, set for part of a period, at its slot")
            << 50 << true << true << 23 << 0 << false << 25;
        QTest::newRow("stopped, its last setting kept") << 5 << false << false << 25 << 20 << false << 20;
    }
    void theTimerIsSetOnlyOffTheGrid()
    {
        const auto [clockMs, running, active, interval, remaining, repeats, setting] =
            Row<int, bool, bool, int, int, bool, int>("clockMs", "running", "active", "interval", "remaining",
                                                      "repeats", "setting");
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        clock.now += 25;
        tick.Fire(Running(0), stages);
        const qint64 slot = clock.now;
        const CMasterTick::STimer timer{active, interval, remaining};
        bool repeated = !repeats;
        int set = setting - 1;
        // Each asked of a timer as found, which records what it is set for.
        const auto ask = [&, clockMs = clockMs] {
            clock.now = slot + clockMs;
            CStartedTimer timedOut(timer), rearmed(timer);
            tick.TimedOut(timedOut);
            tick.Rearm(rearmed);
            QVERIFY(timedOut.started.size() <= 1 && rearmed.started.size() <= 1);
            repeated = timedOut.started == QVector<int>{CMasterTick::kPeriodMs};
            set = rearmed.started.value(0, -1);
        };
        if (running) {
            clock.now = slot + 25;
            stages.duringProject = ask;
            tick.Fire(Running(0), stages);
        } else {
            ask();
        }
        QCOMPARE(repeated, repeats);
        QCOMPARE(set, setting);
    }

    // The window's timer is read as it runs: its time left shrinks from its interval.
    void theWindowsTimerIsReadAsItRuns()
    {
        QTimer qtTimer;
        // A coarse timer may be set up to 5 % late, past its interval.
        qtTimer.setTimerType(Qt::PreciseTimer);
        CQtTickTimer timer(qtTimer);
        QCOMPARE(timer.State().active, false);
        timer.Start(60000);
        QTest::qSleep(5);
        const CMasterTick::STimer state = timer.State();
        QVERIFY(state.active);
        QCOMPARE(state.interval, 60000);
        QVERIFY2(state.remaining >= 0 && state.remaining < 60000, qPrintable(QString::number(state.remaining)));
    }

    void outputModeChoosesThePasses_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("outputOn");
        QTest::addColumn<QStringList>("passes");
        QTest::newRow("interfaces") << 0 << true << QStringList({"Interfaces:25"});
        QTest::newRow("art-net") << 1 << true << QStringList({"ArtNet:25"});
        QTest::newRow("both") << 2 << true << QStringList({"Interfaces:25", "ArtNet:25"});
        QTest::newRow("output off") << 2 << false << QStringList();
        QTest::newRow("unknown mode") << 7 << true << QStringList();
    }

    void outputModeChoosesThePasses()
    {
        QFETCH(int, mode);
        QFETCH(bool, outputOn);
        QFETCH(QStringList, passes);
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        clock.now += 25;
        tick.Fire(Running(mode, outputOn), stages);
        QStringList sent;
        for (const QString& call : stages.calls) {
            if (call.startsWith(QLatin1String("Interfaces")) || call.startsWith(QLatin1String("ArtNet")))
                sent << call;
        }
        QCOMPARE(sent, passes);
        // Neither recording nor a live-level change was pending.
        QVERIFY(!stages.calls.contains(QStringLiteral("ReleaseLive")));
        QCOMPARE(stages.calls.last(), passes.isEmpty() ? QStringLiteral("Monitor:25") : passes.last());
    }

    void busyTicksDoNoShowWork()
    {
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        CTickState busy = Running(2);
        busy.busy = true;
        busy.recording = true;
        busy.liveLevelsChanged = true;
        clock.now += 25;
        QCOMPARE(tick.Fire(busy, stages), -1);
        QVERIFY(stages.calls.isEmpty());
    }

    void theRealClockMeasuresRealTime()
    {
        CMasterTick tick;
        tick.Start();
        CRecordingStages stages;
        QTest::qSleep(40);
        const int ms = tick.Fire(Running(0), stages);
        // The bound above only tells milliseconds from finer units; a busy machine may add seconds.
        QVERIFY2(ms >= 25 && ms % 25 == 0 && ms < 10000, qPrintable(QString::number(ms)));
    }

    // A sample costs the same late in a recording as early on: the steps
    // recorded so far are not searched again for every channel.
    void aRecordedSampleCostsTheSameAtAnyLength_data()
    {
        QTest::addColumn<bool>("fade");
        QTest::addColumn<int>("channels");
        QTest::newRow("waits") << false << 64;
        QTest::newRow("fades") << true << 64;
        QTest::newRow("one channel") << false << 1;
    }
    void aRecordedSampleCostsTheSameAtAnyLength()
    {
        QFETCH(bool, fade);
        QFETCH(int, channels);
        CRecordingHost host;
        CProject project;
        project.NewProject(2);
        project.m_recordScene = new CScene(QStringLiteral("DMX Record"), 2);
        CDmxRecorder recorder;
        recorder.Start(project, CRecordConfig{25, fade, false, false, 60, false, 0}, {0, 1});
        SearchedWhileRecording(project, recorder, 0, 10, channels);
        const quint64 early = SearchedWhileRecording(project, recorder, 10, 30, channels);
        SearchedWhileRecording(project, recorder, 30, 300, channels);
        const quint64 late = SearchedWhileRecording(project, recorder, 300, 320, channels);
        QCOMPARE(late, early);
        // Every step still drives every channel either universe recorded.
        const QList<CSceneStep*>& steps = project.m_recordScene->m_steps;
        QCOMPARE(steps.size(), 2 * 320);
        for (const CSceneStep* step : steps)
            QCOMPARE(step->EntryCount(), 2 * channels);
    }
};

ORVANE_TEST(MasterTickTest)
#include "MasterTickTest.moc"
