#include "TestRegistry.h"

#include "ManualClock.h"
#include "RecordingHost.h"
#include "RecordingStages.h"
#include "app/DmxRecorder.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

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

} // namespace

class MasterTickTest : public QObject
{
    Q_OBJECT

private slots:
    void everyStageRunsInOrderWithTheMeasuredTime()
    {
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        CTickState state = Running(2);
        state.recording = true;
        state.liveLevelsChanged = true;

        clock.now += 27;
        QCOMPARE(tick.Fire(state, stages), 27);
        QCOMPARE(stages.calls, QStringList({"Timeline:27", "Project:27", "LivePages:27", "Merge", "Layout:27",
                                            "Monitor:27", "Interfaces:27", "ArtNet:27", "Record:27",
                                            "ReleaseLive"}));

        // The next tick measures from this one, not from the start.
        stages.calls.clear();
        clock.now += 24;
        QCOMPARE(tick.Fire(state, stages), 24);
        QCOMPARE(stages.calls.first(), QStringLiteral("Timeline:24"));
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

    void busyTicksDoNoShowWorkAndDropTheirTime()
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
        clock.now += 4000; // a load error held the program
        QCOMPARE(tick.Fire(busy, stages), -1);
        QVERIFY(stages.calls.isEmpty());

        // The scenes go on from where they were, without a 4 s jump.
        clock.now += 25;
        QCOMPARE(tick.Fire(Running(0), stages), 25);
        QCOMPARE(stages.calls.first(), QStringLiteral("Timeline:25"));
    }

    void aTickInsideATickDoesNothing()
    {
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        int inner = 0;
        // A stage that waits in an event loop lets the timer fire again.
        bool runningInside = false;
        stages.duringProject = [&] {
            runningInside = tick.IsRunning();
            clock.now += 25;
            inner = tick.Fire(Running(0), stages);
        };
        clock.now += 25;
        QCOMPARE(tick.Fire(Running(0), stages), 25);
        QCOMPARE(inner, -1);
        QCOMPARE(stages.calls.size(), 7);
        QVERIFY(runningInside);
        QVERIFY(!tick.IsRunning());

        // The guard is down again afterwards, and the time of the skipped
        // tick reaches the scenes with the next one.
        stages.duringProject = nullptr;
        clock.now += 30;
        QCOMPARE(tick.Fire(Running(0), stages), 55);
    }

    void aClockThatGoesBackHandsOnNothing()
    {
        CManualClock clock;
        CMasterTick tick(clock.Get());
        tick.Start();
        CRecordingStages stages;
        clock.now -= 500;
        QCOMPARE(tick.Fire(Running(0), stages), 0);
        clock.now += 25;
        QCOMPARE(tick.Fire(Running(0), stages), 25);
    }

    void theRealClockMeasuresRealTime()
    {
        CMasterTick tick;
        tick.Start();
        CRecordingStages stages;
        QTest::qSleep(40);
        const int ms = tick.Fire(Running(0), stages);
        // The bound above only tells milliseconds from finer units; a busy machine may add seconds.
        QVERIFY2(ms >= 40 && ms < 10000, qPrintable(QString::number(ms)));
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
