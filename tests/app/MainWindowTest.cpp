#include "AskedQuestions.h"
#include "ChosenFile.h"
#include "DataTable.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "ManualClock.h"
#include "ModalAnswer.h"
#include "RawChannelScene.h"
#include "RecordingDocument.h"
#include "RecordingStages.h"
#include "ShownDialogs.h"
#include "app/options/AppOptions.h"
#include "app/Globals.h"
#include "app/Orvane.h"
#include "app/ZikoraImportDlg.h"
#include "live/CommandsWnd.h"
#include "show/SpeedScale.h"
#include "widgets/SliderCtrl.h"

#include "../devices/FakeTransport.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <new>
#include <stdexcept>

namespace {

QStringList g_messages;

void CollectMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    // The offscreen platform says it cannot pass size hints to a window
    // system it does not have; that is not the program's warning.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints")))
        g_messages << text;
}

// A main window started in a folder of its own, with a recording document.
struct CWindowRig : CWindowRigBase
{
    CRecordingDocument* doc = nullptr;

    explicit CWindowRig(const QByteArray& ini = QByteArray(), const QString& projectFile = QString(),
                        const std::function<void(CRecordingDocument&)>& prepare = {}, int loadErrorWaitMs = 0)
    {
        auto document = std::make_unique<CRecordingDocument>();
        doc = document.get();
        if (prepare)
            prepare(*doc);
        COrvaneSetup setup;
        setup.projectPath =
            projectFile.isEmpty() || QDir::isAbsolutePath(projectFile) ? projectFile : Path(projectFile);
        setup.document = std::move(document);
        Start(std::move(setup), ini, loadErrorWaitMs);
    }

    QString Ini() const { return QString::fromUtf8(ReadBytes(Path(QStringLiteral("Orvane.ini")))); }
};

// Presses `button` on the next message box; its text lands in `text`.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text = nullptr, bool* busyWhileShown = nullptr)
{
    OnNextModal<QMessageBox>([=](QMessageBox* box) {
        if (text)
            *text = box->text();
        if (busyWhileShown)
            *busyWhileShown = ShowHost().IsBusy();
        box->button(button)->click();
    });
}

// The master tick's timer, which the rig stopped and took off the tick.
QTimer* TickTimer(Orvane& window)
{
    return window.findChild<QTimer*>(QStringLiteral("masterTickTimer"), Qt::FindDirectChildrenOnly);
}

// Sends "press" or "release" of F5, or "repaint", straight to the window, so
// that nothing but the event itself runs.
void SendEvent(Orvane& window, const QString& name)
{
    if (name == QLatin1String("repaint")) {
        QEvent update(QEvent::UpdateRequest);
        QApplication::sendEvent(&window, &update);
        return;
    }
    QKeyEvent key(name == QLatin1String("press") ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&window, &key);
}

// A main window on its own project whose master tick reads the rig's clock.
struct CClockedWindowRig : CWindowRigBase
{
    CClockedWindowRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
    }
};

// Plays `spanMs` of the clock as the event loop would deliver it: the tick's
// timeout `lateMs` after each 25 ms of the grid, but none during a stall of
// `stallMs` from `stallAtMs` on, and again every `stallEveryMs`; from the
// first gap on, an event after each gap of `gapsMs` in turn: a key's press
// and release in turn, or a repaint.
void PlayClock(CClockedWindowRig& rig, int spanMs, int lateMs, const QString& events, const QVector<int>& gapsMs,
               int stallAtMs = 0, int stallMs = 0, int stallEveryMs = 0)
{
    const qint64 start = rig.clock.now;
    qint64 at = gapsMs.isEmpty() ? std::numeric_limits<qint64>::max() : gapsMs.first();
    int sent = 0;
    for (qint64 grid = Orvane::kTickMs; grid <= spanMs; grid += Orvane::kTickMs) {
        // The last timeout comes alone, so that both plays end at one time.
        for (; at < grid + lateMs && grid < spanMs; at += gapsMs.at(sent % gapsMs.size())) {
            rig.clock.now = start + at;
            const char* event = events == QLatin1String("repaints") ? "repaint" : sent % 2 ? "release" : "press";
            SendEvent(*rig.window, QLatin1String(event));
            ++sent;
        }
        const qint64 stalledFrom =
            stallAtMs + (stallEveryMs > 0 && grid >= stallAtMs ? (grid - stallAtMs) / stallEveryMs * stallEveryMs : 0);
        if (stallMs > 0 && grid >= stalledFrom && grid < stalledFrom + stallMs && grid < spanMs)
            continue;
        rig.clock.now = start + grid + lateMs;
        rig.window->OnTimer();
    }
}

struct SPlayed
{
    int position = 0;
    int step = 0;
    int level = 0;
    int speed = 0;
};

// Where a scene is after `spanMs` of PlayClock: a chase of ten steps of a
// second (a "short chase": of 50 ms) at `speed`, or a short dark step and one
// fading up over 2 s, with the Commands panel's speed fader at `speed`.
SPlayed PlayShow(const QString& kind, int speed, int spanMs, int lateMs, const QString& events,
                 const QVector<int>& gapsMs, int stallAtMs = 0, int stallMs = 0, int stallEveryMs = 0)
{
    CClockedWindowRig rig;
    CProject& project = rig.window->Project();
    const bool fade = kind == QLatin1String("fade");
    const int waitMs = kind == QLatin1String("short chase") ? 50 : 1000;
    CScene* scene = AddRawChannelScene(project, kind, {{0, 1, fade ? 0 : 255}});
    scene->m_steps.first()->m_wait = waitMs;
    for (int i = 1; i < (fade ? 2 : 10); ++i) {
        auto* step = new CSceneStep(fade ? 2000 : 0, waitMs);
        auto* entry = new CStepFixture(project.GetChannelFixture(0, 1), scene);
        entry->SetLevel(0, quint8(fade || i % 2 == 0 ? 255 : 0), true, true);
        step->AddEntry(entry);
        scene->m_steps << step;
    }
    if (fade)
        scene->m_steps.first()->m_wait = 100;
    scene->UpdateLength();
    project.m_firstPage->PlayScene(scene);
    if (fade)
        rig.window->CommandsPanel()->SpeedFader()->SpinBox()->setValue(speed);
    else
        scene->SetSpeed(speed);
    PlayClock(rig, spanMs, lateMs, events, gapsMs, stallAtMs, stallMs, stallEveryMs);
    return {scene->m_cyclePosition, scene->CurrentStepIndex(), project.m_output[0][1], scene->Speed()};
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void startsAndClosesWithoutWarnings()
    {
        g_messages.clear();
        QtMessageHandler previous = qInstallMessageHandler(CollectMessages);
        QString ini;
        {
            CWindowRig rig;
            Orvane& window = *rig.window;
            QCOMPARE(g_pMainWnd, &window);
            QCOMPARE(g_pOptions, &window.Options());
            QCOMPARE(&ShowHost(), static_cast<CShowHost*>(&window));
            QCOMPARE(ShowHost().AppOptions(), &window.Options());
            window.showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.windowTitle(), QStringLiteral("Orvane - Untitled"));
            // A master tick may come while the window is exposed on a busy machine.
            QStringList calls = rig.doc->calls;
            calls.removeAll(QStringLiteral("Tick"));
            calls.removeAll(QStringLiteral("MergeOutput"));
            QCOMPARE(calls, QStringList({"Reset:4", "Reset:-1"}));
            QVERIFY(window.close());
            ini = rig.Ini();
        }
        qInstallMessageHandler(previous);
        QCOMPARE(g_messages, QStringList());
        QVERIFY(g_pMainWnd == nullptr);
        QVERIFY(g_pOptions == nullptr);
        // The options are kept when the program closes.
        QVERIFY(ini.contains(QLatin1String("NbUniverses=4\n")));
    }

    void startUpOpensTheCommandLineProject_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("open");
        QTest::newRow("scenes restarted") << QByteArray("NbUniverses=6\nStartScenes=1\n") << "busy=1:startScenes=1";
        QTest::newRow("scenes left") << QByteArray("NbUniverses=6\nStartScenes=0\n") << "busy=1:startScenes=0";
    }

    void startUpOpensTheCommandLineProject()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, open);
        QTemporaryDir shows;
        const QString show = shows.filePath(QStringLiteral("show.kv3"));
        QFile(show).open(QIODevice::WriteOnly);
        CWindowRig rig(ini, show);
        // The project is reset to the configured universes first, then the
        // document opens the file while the tick is held.
        QCOMPARE(rig.doc->calls, QStringList({"Reset:6", "Open:" + show + ":" + open}));
        QCOMPARE(rig.window->ProjectPath(), show);
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - show.kv3"));
        QVERIFY(!rig.window->IsBusy());
        QVERIFY(!rig.window->IsModified());
    }

    void startUpOpensTheLastProjectWhenAsked_data()
    {
        QTest::addColumn<bool>("optionOn");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("opened");
        QTest::newRow("on, file there") << true << true << true;
        QTest::newRow("on, file gone") << true << false << false;
        QTest::newRow("off") << false << true << false;
    }

    void startUpOpensTheLastProjectWhenAsked()
    {
        QFETCH(bool, optionOn);
        QFETCH(bool, fileThere);
        QFETCH(bool, opened);
        QTemporaryDir shows;
        const QString last = shows.filePath(QStringLiteral("last.kv3"));
        if (fileThere)
            QFile(last).open(QIODevice::WriteOnly);
        CWindowRig rig(QStringLiteral("OpenLastProject=%1\nLastProject=%2\n").arg(int(optionOn)).arg(last).toUtf8());
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:") + last), opened ? 1 : 0);
        QCOMPARE(rig.doc->calls.last().startsWith(QLatin1String("Reset:-1")), !opened);
    }

    void aFailedOpenWaitsAndStartsANewProject()
    {
        QElapsedTimer started;
        started.start();
        CShownDialogs dialogs;
        // With no show to keep, the file is not read aside first.
        CWindowRig rig(QByteArray(), QStringLiteral("broken.kv3"),
                       [](CRecordingDocument& doc) {
                           doc.openResult = false;
                           doc.admits = [](QString& reason) {
                               reason = QStringLiteral("read aside");
                               return false;
                           };
                       },
                       60);
        // The wait after a load error is the window's, and it is injectable.
        QVERIFY(started.elapsed() >= 60);
        QVERIFY(!rig.window->IsBusy());
        QCOMPARE(rig.window->ProjectPath(), QString());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - Untitled"));
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("Reset:-1"));
        // Once the window is up, the error is told again in a box.
        QVERIFY(dialogs.shown.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.shown, QStringList{GetLangText(Txt::CannotOpenFile).arg(
                                                QDir::toNativeSeparators(rig.Path(QStringLiteral("broken.kv3"))),
                                                QStringLiteral("Bad file format."))
                                            + QLatin1Char('\n') + GetLangText(Txt::OpenRefusedNewShow)});

        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        rig.NextTick();
        QVERIFY(stages.calls.contains(QStringLiteral("Merge")));
    }

    // A key or a repaint that comes once a slot of the grid has come runs
    // that slot's tick before its own work; the timer's timeout after it
    // finds nothing due. One that comes before the slot, inside a tick or
    // once the window closed runs nothing. `clock`: milliseconds since the
    // last tick, after "stopped" when the window closed first.
    void aDueTickGoesOutBeforeAKeyOrARepaint_data()
    {
        Columns<QString, QString, int, int>("events", "clock", "byEvents", "afterTimeout");
        QTest::newRow("key, slot come") << "press" << "25" << 1 << 1;
        QTest::newRow("press and release, slot come") << "press release" << "25" << 1 << 1;
        QTest::newRow("key and repaint, slot come") << "press repaint" << "25" << 1 << 1;
        QTest::newRow("key, slot come 3 ms ago") << "press" << "28" << 1 << 1;
        QTest::newRow("key, slot due in 1 ms") << "press" << "24" << 0 << 1;
        QTest::newRow("key, slot due in half a period") << "press release" << "13" << 0 << 1;
        QTest::newRow("key, tick stopped") << "press" << "stopped" << 0 << 0;
        QTest::newRow("repaint, tick stopped, slot come") << "repaint" << "stopped 25" << 0 << 0;
        QTest::newRow("repaint, slot come") << "repaint" << "25" << 1 << 1;
        QTest::newRow("repaint, slot due in 10 ms") << "repaint" << "15" << 0 << 1;
        // The tick the key finds running is the timer's own.
        QTest::newRow("key inside a tick, slot come") << "tick press" << "25" << 1 << 1;
    }
    void aDueTickGoesOutBeforeAKeyOrARepaint()
    {
        const auto [events, clockState, byEvents, afterTimeout] =
            Row<QString, QString, int, int>("events", "clock", "byEvents", "afterTimeout");
        CClockedWindowRig rig;
        CProject& project = rig.window->Project();
        CScene* keyed = AddRawChannelScene(project, QStringLiteral("Keyed"), {{0, 1, 255}});
        keyed->m_triggers.ParseShortCut(QStringLiteral("F5"));
        CRecordingStages stages;
        QList<bool> sawKeyed;
        rig.window->SetTickStages(&stages);
        const bool stopped = clockState.startsWith(QLatin1String("stopped"));
        if (stopped)
            QVERIFY(rig.window->close());
        rig.clock.now += clockState.section(QLatin1Char(' '), -1).toInt();

        const auto send = [&](const QStringList& list) {
            for (const QString& event : list)
                SendEvent(*rig.window, event);
        };
        QStringList list = events.split(QLatin1Char(' '));
        stages.duringProject = [&] {
            sawKeyed << project.m_firstPage->IsPlaying(keyed);
            if (list.first() == QLatin1String("tick")) {
                list.removeFirst();
                send(list);
            }
        };
        if (list.first() == QLatin1String("tick"))
            rig.window->OnTimer();
        else
            send(list);
        QCOMPARE(stages.calls.count(QStringLiteral("Merge")), byEvents);
        // The key's trigger came after the tick.
        QCOMPARE(project.m_firstPage->IsPlaying(keyed), events.contains(QLatin1String("press")));
        QVERIFY(!sawKeyed.contains(true));

        // The timeout comes when the slot has: it runs it unless an event did.
        rig.clock.now = qMax(rig.clock.now, 1000 + qint64(Orvane::kTickMs));
        if (!stopped)
            rig.window->OnTimer();
        QCOMPARE(stages.calls.count(QStringLiteral("Merge")), afterTimeout);
        // Every tick stood for one slot.
        QVERIFY(!stages.calls.join(QLatin1Char(' ')).contains(QLatin1Char('x')));
    }

    // The grid is the tick's own: whoever runs a slot and however late, the
    // timer is set for the next slot of the grid, and a tick that comes late
    // stands for every slot it covers. Each row: when ticks come (ms of the
    // clock; "k" a key, "t" the timeout, "+N" a tick that itself takes N ms);
    // what each tick handed on; when the timer is set to go off next.
    void theGridHoldsWhoeverRunsATick_data()
    {
        Columns<QString, QStringList, int>("ticks", "handedOn", "nextAt");
        QTest::newRow("on time") << "t25 t50 t75" << QStringList{"25", "25", "25"} << 100;
        QTest::newRow("timeouts a little late") << "t27 t51 t79" << QStringList{"25", "25", "25"} << 100;
        QTest::newRow("a key takes the slot, then a late timeout")
            << "k25+20 t52 t75" << QStringList{"25", "25", "25"} << 100;
        QTest::newRow("a long tick, its next slot kept")
            << "t25+30 t56 t75" << QStringList{"25", "25", "25"} << 100;
        QTest::newRow("a stall of 80 ms") << "t25 t130 t150" << QStringList{"25", "100x4", "25"} << 175;
        QTest::newRow("a key after a stall") << "t25 k212 t225" << QStringList{"25", "175x7", "25"} << 250;
        QTest::newRow("an early timeout runs nothing") << "t25 t49 t50" << QStringList{"25", "25"} << 75;
    }
    void theGridHoldsWhoeverRunsATick()
    {
        const auto [ticks, handedOn, nextAt] = Row<QString, QStringList, int>("ticks", "handedOn", "nextAt");
        CClockedWindowRig rig;
        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        QTimer* timer = TickTimer(*rig.window);
        QVERIFY(timer);
        const qint64 start = rig.clock.now;
        int lengthMs = 0;
        stages.duringProject = [&] { rig.clock.now += lengthMs; };
        for (const QString& tick : ticks.split(QLatin1Char(' '))) {
            const QStringList parts = tick.mid(1).split(QLatin1Char('+'));
            rig.clock.now = start + parts.first().toInt();
            lengthMs = parts.value(1).toInt();
            if (tick.startsWith(QLatin1Char('k')))
                SendEvent(*rig.window, QStringLiteral("press"));
            else
                rig.window->OnTimer();
        }
        QCOMPARE(stages.calls.filter(QStringLiteral("Project:")).replaceInStrings(QStringLiteral("Project:"), QString()),
                 handedOn);
        // A timeout between two slots runs nothing and sets the timer no
        // later than the next slot.
        rig.clock.now += 7;
        rig.window->OnTimer();
        QCOMPARE(stages.calls.filter(QStringLiteral("Project:")).size(), handedOn.size());
        QVERIFY(timer->isActive());
        QVERIFY2(timer->remainingTime() <= qMax<qint64>(0, start + nextAt - rig.clock.now),
                 qPrintable(QString::number(timer->remainingTime())));
    }

    // Keys and repaints at any rate leave the show's time alone: over the
    // same span of the clock, with the tick's timeout a little late or not,
    // a chase and a step fade are where they are without them, so the count
    // of ticks is one for each 25 ms of the grid.
    void keysAndRepaintsLeaveTheShowsTempoAlone_data()
    {
        Columns<QString, int, QString, QVector<int>, int>("scene", "speed", "events", "gapsMs", "lateMs");
        const QVector<int> mixed = {9, 13, 16, 11, 14, 10, 15, 12, 11};
        QTest::newRow("chase at 60, keys every 13 ms") << "chase" << 60 << "keys" << QVector<int>{13} << 0;
        QTest::newRow("chase at 60, keys every 9-16 ms") << "chase" << 60 << "keys" << mixed << 0;
        QTest::newRow("chase at 60, keys every 9-16 ms, tick late") << "chase" << 60 << "keys" << mixed << 3;
        QTest::newRow("chase at 50, keys every 9 ms, tick late") << "chase" << 50 << "keys" << QVector<int>{9} << 5;
        QTest::newRow("chase at 0, keys every 16 ms") << "chase" << 0 << "keys" << QVector<int>{16} << 0;
        QTest::newRow("chase at 0, keys every 9-16 ms, tick late") << "chase" << 0 << "keys" << mixed << 4;
        QTest::newRow("fade, speed fader at 60, keys every 13 ms") << "fade" << 60 << "keys" << QVector<int>{13} << 0;
        QTest::newRow("fade, speed fader at 60, keys every 9-16 ms, tick late")
            << "fade" << 60 << "keys" << mixed << 2;
        QTest::newRow("chase at 60, repaints every 10 ms, tick late")
            << "chase" << 60 << "repaints" << QVector<int>{10} << 4;
        QTest::newRow("fade, speed fader at 60, repaints every 7 ms, tick late")
            << "fade" << 60 << "repaints" << QVector<int>{7} << 5;
    }
    void keysAndRepaintsLeaveTheShowsTempoAlone()
    {
        const auto [scene, speed, events, gapsMs, lateMs] =
            Row<QString, int, QString, QVector<int>, int>("scene", "speed", "events", "gapsMs", "lateMs");
        const int spanMs = scene == QLatin1String("fade") ? 400 : 2000;
        const SPlayed alone = PlayShow(scene, speed, spanMs, lateMs, events, {});
        const SPlayed keyed = PlayShow(scene, speed, spanMs, lateMs, events, gapsMs);
        QCOMPARE(keyed.position, alone.position);
        QCOMPARE(keyed.step, alone.step);
        QCOMPARE(keyed.level, alone.level);
        QCOMPARE(alone.speed, speed);
        // What was compared moved: the fade is under way, the chase moved
        // on, by steps unless at its slowest.
        QVERIFY(alone.position > 0);
        if (scene == QLatin1String("fade"))
            QVERIFY2(alone.level > 0 && alone.level < 255, qPrintable(QString::number(alone.level)));
        else
            QCOMPARE(alone.step > 0, speed > 0);
    }

    // A stall (a long start of every scene, a busy machine) holds up the
    // ticks, not the show: the tick after it stands for every slot it
    // covered, so a chase is where it would have been, whether the tick ends
    // a pass of its cycle, or several, or none. `everyMs`: the stall comes
    // again so often.
    void aStallLeavesTheShowsTempoAlone_data()
    {
        Columns<QString, int, int, int>("scene", "speed", "stallMs", "everyMs");
        QTest::newRow("speed 60, 80 ms") << "chase" << 60 << 80 << 0;
        QTest::newRow("speed 100, 80 ms") << "chase" << 100 << 80 << 0;
        QTest::newRow("speed 100, 200 ms") << "chase" << 100 << 200 << 0;
        QTest::newRow("speed 60, three periods and a half") << "chase" << 60 << 90 << 0;
        QTest::newRow("speed 20, 200 ms") << "chase" << 20 << 200 << 0;
        QTest::newRow("speed 100, 200 ms every 2 s") << "chase" << 100 << 200 << 2000;
        QTest::newRow("50 ms steps, speed 50, 200 ms every 250 ms") << "short chase" << 50 << 200 << 250;
        QTest::newRow("50 ms steps, speed 50, 80 ms every 150 ms") << "short chase" << 50 << 80 << 150;
        QTest::newRow("50 ms steps, speed 60, 200 ms every 250 ms") << "short chase" << 60 << 200 << 250;
        QTest::newRow("50 ms steps, speed 100, 200 ms every 250 ms") << "short chase" << 100 << 200 << 250;
    }
    void aStallLeavesTheShowsTempoAlone()
    {
        const auto [scene, speed, stallMs, everyMs] =
            Row<QString, int, int, int>("scene", "speed", "stallMs", "everyMs");
        const SPlayed quiet = PlayShow(scene, speed, 3000, 0, QString(), {});
        const SPlayed stalled = PlayShow(scene, speed, 3000, 0, QString(), {}, 300, stallMs, everyMs);
        // Below normal speed a tick's scene time is rounded down: one long
        // tick rounds once where the quiet ticks round each time.
        const int stalls = everyMs > 0 ? (3000 - 300) / everyMs + 1 : 1;
        QVERIFY2(qAbs(stalled.position - quiet.position) <= (speed >= 50 ? 0 : stalls * ScaleElapsedBySpeed(25, speed)),
                 qPrintable(QStringLiteral("%1 %2").arg(stalled.position).arg(quiet.position)));
        QCOMPARE(stalled.step, quiet.step);
        QVERIFY(quiet.step > 0);
    }

    void theTickDoesNoShowWorkWhileAFileFlowRuns()
    {
        CWindowRig rig;
        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        QStringList seenDuring;
        rig.doc->duringFlow = [&] {
            rig.NextTick();
            seenDuring << QString::number(stages.calls.size());
        };
        rig.doc->saveResult = true;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("a.kv3"), "x")));
        QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("b.kv2"), "x")));
        QVERIFY(rig.window->SaveProject(rig.Path(QStringLiteral("c.kv3"))));
        QCOMPARE(seenDuring, QStringList({"0", "0", "0"}));
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        QVERIFY(rig.doc->calls.filter(QStringLiteral("busy=1")).size() == 3);

        // Once a flow ends the show runs again.
        rig.NextTick();
        QVERIFY(!stages.calls.isEmpty());
        QCOMPARE(stages.calls.first().left(9), QStringLiteral("Timeline:"));
    }

    void aFlowThatThrowsStillClearsTheBusyFlag()
    {
        CWindowRig rig;
        rig.doc->duringFlow = [] { throw std::runtime_error("out of memory"); };
        {
            CShownDialogs dialogs;
            QVERIFY(!rig.window->OpenProject(rig.WriteFile(QStringLiteral("a.kv3"), "x")));
            QCOMPARE(dialogs.shown.size(), 1);
            QVERIFY(dialogs.shown.first().contains(GetLangText(Txt::NotEnoughMemoryToOpen)));
        }
        QVERIFY(!rig.window->IsBusy());
        // Whatever was half read is replaced by a new project.
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("Reset:-1"));
        // Read aside, the file opens nothing.
        rig.doc->admits = [](QString&) -> bool { throw std::bad_alloc(); };
        {
            CShownDialogs dialogs;
            QVERIFY(!rig.window->OpenProject(rig.Path(QStringLiteral("a.kv3"))));
            QCOMPARE(dialogs.shown.size(), 1);
            QVERIFY(dialogs.shown.first().contains(GetLangText(Txt::NotEnoughMemoryToOpen)));
        }
        QVERIFY(!rig.window->IsBusy());
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);

        QVERIFY(!rig.window->ImportProject(rig.WriteFile(QStringLiteral("b.kv2"), "x")));
        QVERIFY(!rig.window->IsBusy());

        QString text;
        AnswerNextBox(QMessageBox::Ok, &text);
        QVERIFY(!rig.window->SaveProject(rig.Path(QStringLiteral("c.kv3"))));
        QVERIFY(!rig.window->IsBusy());
        QVERIFY(text.contains(QLatin1String("out of memory")));
    }

    void aFailedSaveIsReportedAndKeepsTheModifiedMark()
    {
        CWindowRig rig;
        const QString show = rig.WriteFile(QStringLiteral("show.kv3"), "previous");
        QVERIFY(rig.window->OpenProject(show));
        rig.window->SetModified(true);
        rig.doc->saveResult = false;
        rig.doc->saveReason = QStringLiteral("No space left on device");

        QString text;
        bool busyWhileShown = true;
        AnswerNextBox(QMessageBox::Ok, &text, &busyWhileShown);
        QVERIFY(!rig.window->OnFileSave());
        QCOMPARE(rig.doc->calls.last(), "Save:" + show + ":busy=1");
        QVERIFY(text.contains(QLatin1String("No space left on device")));
        QVERIFY(text.contains(QLatin1String("show.kv3")));
        // The box does not hold the show.
        QVERIFY(!busyWhileShown);
        QVERIFY(rig.window->IsModified());
        QVERIFY(rig.window->windowTitle().endsWith(QLatin1String(" *")));
        QCOMPARE(rig.window->ProjectPath(), show);

        // A save that works clears the mark and is remembered.
        rig.doc->saveResult = true;
        QVERIFY(rig.window->OnFileSave());
        QVERIFY(!rig.window->IsModified());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - show.kv3"));
        QCOMPARE(rig.window->Options().m_lastProject, QFileInfo(show).absoluteFilePath());
    }

    // A note the document leaves during a flow (fixtures left out of the
    // file) comes once the flow is over, with the window's tick running the
    // show under the box.
    void aFlowsNoteWaitsForTheFlowWhileTheShowRuns_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::newRow("started with a file") << "start";
        QTest::newRow("opened") << "open";
        QTest::newRow("imported") << "import";
    }

    void aFlowsNoteWaitsForTheFlowWhileTheShowRuns()
    {
        QFETCH(QString, flow);
        const QString note = QStringLiteral("2 fixtures of the file were left out.");
        CRecordingStages stages;
        QString text;
        bool busyWhileShown = true;
        int mergesWhileShown = 0;
        bool answered = false;
        CWindowRigBase* shownOver = nullptr;
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            busyWhileShown = ShowHost().IsBusy();
            g_pMainWnd->SetTickStages(&stages);
            // A tick while the note shows merges: the flow is over and the show runs on.
            QVERIFY(shownOver);
            shownOver->NextTick();
            mergesWhileShown = stages.calls.count(QStringLiteral("Merge"));
            box->button(QMessageBox::Ok)->click();
            answered = true;
        });
        CWindowRig rig(QByteArray(), flow == "start" ? QStringLiteral("show.kv3") : QString(),
                       [note](CRecordingDocument& doc) {
                           doc.duringFlow = [note] { ShowHost().ShowInformation(QStringLiteral("Warning"), note); };
                       });
        shownOver = &rig;
        if (flow == "open")
            QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));
        else if (flow == "import")
            QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("old.kv2"), "x")));
        QTRY_VERIFY_WITH_TIMEOUT(answered, 30000);
        rig.window->SetTickStages(nullptr);
        QCOMPARE(text, note);
        QVERIFY(!busyWhileShown);
        QVERIFY(mergesWhileShown > 0);
    }

    void anOlderFileIsSavedUnderANewName()
    {
        CWindowRig rig;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("old.kv2"), "older")));
        QString suggested;
        OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
            suggested = dialog->selectedFiles().value(0);
            ChooseFile(dialog, rig.Path(QStringLiteral("renamed")));
        });
        QVERIFY(rig.window->OnFileSave());
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("old.kv3"));
        QCOMPARE(rig.doc->Count(QStringLiteral("Save:")), 1);
        QCOMPARE(rig.doc->calls.last(), "Save:" + rig.Path(QStringLiteral("renamed.kv3")) + ":busy=1");
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - renamed.kv3"));
    }

    // A project that cannot be saved where it is, untitled or of an older
    // format, is saved through Save As, from the save question too; a
    // Save As cancelled saves nothing and the command does not go on.
    void saveAsFromTheQuestionAndTheMenu_data()
    {
        Columns<QString, QString, QString, QString, QString>("project", "command", "file", "asked", "saved");
        for (const char* command : {"new", "exit"}) {
            QTest::addRow("current, %s", command) << "show.kv3" << command << "" << "save?" << "show.kv3";
            for (const char* project : {"old.kv2", "untitled"}) {
                QTest::addRow("%s, %s, file chosen", project, command)
                    << project << command << "picked" << "save? file" << "picked.kv3";
                QTest::addRow("%s, %s, Save As cancelled", project, command)
                    << project << command << "" << "save? file" << "";
            }
        }
        for (const char* command : {"save as", "save"}) {
            for (const char* project : {"old.kv2", "untitled"})
                QTest::addRow("%s, %s, cancelled", project, command) << project << command << "" << "file" << "";
        }
        QTest::newRow("current, save as") << "show.kv3" << "save as" << "picked.kv3" << "file" << "picked.kv3";
    }
    void saveAsFromTheQuestionAndTheMenu()
    {
        const auto [project, command, file, asked, saved] =
            Row<QString, QString, QString, QString, QString>("project", "command", "file", "asked", "saved");
        CWindowRig rig;
        const QString path = project == "untitled" ? QString() : rig.WriteFile(project, "x");
        if (!path.isEmpty())
            QVERIFY(rig.window->OpenProject(path));
        rig.window->SetModified(true);
        const int resets = rig.doc->Count(QStringLiteral("Reset:"));

        CShownDialogs dialogs(QMessageBox::Yes);
        dialogs.pick = file.isEmpty() ? QString() : rig.Path(file);
        bool wentOn = false;
        if (command == "exit") {
            wentOn = rig.window->close();
        } else if (command == "new") {
            rig.window->OnFileNew();
            wentOn = rig.doc->Count(QStringLiteral("Reset:")) > resets;
        } else {
            wentOn = command == "save" ? rig.window->OnFileSave() : rig.window->OnFileSaveAs();
        }
        QCOMPARE(Asked(dialogs.shown), asked);
        QCOMPARE(rig.doc->calls.filter(QStringLiteral("Save:")),
                 saved.isEmpty() ? QStringList() : QStringList{"Save:" + rig.Path(saved) + ":busy=1"});
        QCOMPARE(wentOn, !saved.isEmpty());
        if (saved.isEmpty()) {
            QVERIFY(rig.window->IsModified());
            QCOMPARE(rig.window->ProjectPath(), path);
        } else if (command.startsWith("save")) {
            QVERIFY(!rig.window->IsModified());
            QCOMPARE(rig.window->ProjectPath(), rig.Path(saved));
        }
    }

    // New and Exit wait for a file flow to end, changed show or not.
    void noShowClosesDuringAFileFlow_data()
    {
        Columns<QString, QString>("flow", "command");
        for (const char* flow : {"open", "import", "save"})
            for (const char* command : {"new", "exit"})
                QTest::addRow("%s, %s", flow, command) << flow << command;
    }
    void noShowClosesDuringAFileFlow()
    {
        const auto [flow, command] = Row<QString, QString>("flow", "command");
        CWindowRig rig;
        const QString show = rig.WriteFile(QStringLiteral("show.kv3"), "x");
        QVERIFY(rig.window->OpenProject(show));
        rig.doc->calls.clear();
        CShownDialogs dialogs(QMessageBox::Yes);
        bool closed = false;
        rig.doc->duringFlow = [&, command = command] {
            if (command == "exit")
                closed = rig.window->close();
            else
                rig.window->OnFileNew();
        };
        if (flow == "open")
            QVERIFY(rig.window->OpenProject(show));
        else if (flow == "import")
            QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("old.kv2"), "x")));
        else
            QVERIFY(rig.window->SaveProject(show));
        QVERIFY(!closed);
        QCOMPARE(dialogs.shown, QStringList());
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:")), 0);
        QCOMPARE(rig.doc->calls.filter(QRegularExpression(QStringLiteral("^(Open|Import|Save):"))).size(), 1);
        QCOMPARE(rig.window->ProjectPath(), show);
    }

    void theSaveQuestionGuardsUnsavedWork()
    {
        CWindowRig rig;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));

        // Cancel: nothing happens.
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        rig.window->OnFileNew();
        QVERIFY(rig.window->IsModified());
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 1); // the one of start-up

        // Yes, but the save fails: the project stays.
        rig.doc->saveResult = false;
        OnNextModal<QMessageBox>([](QMessageBox* question) {
            AnswerNextBox(QMessageBox::Ok);
            question->button(QMessageBox::Yes)->click();
        });
        rig.window->OnFileNew();
        QCOMPARE(rig.doc->Count(QStringLiteral("Save:")), 1);
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 1);
        QVERIFY(rig.window->IsModified());
        QCOMPARE(rig.window->ProjectPath(), rig.Path(QStringLiteral("show.kv3")));

        // No: a new project.
        AnswerNextBox(QMessageBox::No);
        rig.window->OnFileNew();
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 2);
        QVERIFY(!rig.window->IsModified());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - Untitled"));
    }

    void closingAModifiedProjectAsksFirst()
    {
        CWindowRig rig;
        rig.window->show();
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        QVERIFY(!rig.window->close());
        QVERIFY(rig.window->isVisible());
        AnswerNextBox(QMessageBox::No);
        QVERIFY(rig.window->close());
    }

    void optionsThatCannotBeWrittenAtQuitAreTold()
    {
        CWindowRig rig;
        rig.window->show();
        // A folder where the file goes stops the write, whoever runs the test.
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("Orvane.ini")));
        QString text;
        AnswerNextBox(QMessageBox::Ok, &text);
        QVERIFY(rig.window->close());
        QVERIFY(text.contains(QLatin1String("Orvane.ini")));
    }

    void anotherInstancesPathIsOpenedWhenItMakesSense()
    {
        CWindowRig rig;
        const QString show = rig.WriteFile(QStringLiteral("show.kv3"), "x");
        rig.window->handleMessage(QString());
        rig.window->handleMessage(rig.Path(QStringLiteral("missing.kv3")));
        rig.window->handleMessage(rig.dir.path());
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 0);

        // Not in the middle of another open.
        rig.doc->duringFlow = [&] { rig.window->handleMessage(show); };
        rig.window->OpenProject(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        rig.doc->duringFlow = nullptr;

        // Nor under a modal dialog, which edits the show in place.
        {
            QDialog dialog(rig.window.get());
            dialog.setModal(true);
            dialog.show();
            rig.window->handleMessage(show);
            QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        }

        // The save question comes first.
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        rig.window->handleMessage(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        rig.window->SetModified(false);
        rig.window->showMinimized();
        rig.window->handleMessage(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 2);
        // And the window comes back to the front.
        QVERIFY(!rig.window->isMinimized());
        QVERIFY(rig.window->isVisible());
    }

    void anAcceptedUniverseCountIsWrittenAtOnce()
    {
        CWindowRig rig;
        // The universe question of a refused patch, as the document asks it.
        rig.doc->openResult = false;
        rig.doc->duringFlow = [] { ShowHost().SetUniverseCountOption(7); };
        CShownDialogs dialogs;
        rig.window->OpenProject(rig.WriteFile(QStringLiteral("big.kv3"), "x"));
        QVERIFY(rig.Ini().contains(QLatin1String("NbUniverses=7\n")));
        QCOMPARE(ShowHost().UniverseCountOption(), 7);

        ShowHost().SetUniverseCountOption(100000);
        QVERIFY(rig.Ini().contains(QLatin1String("NbUniverses=256\n")));
    }

    void releaseActionsFollowTheShow()
    {
        CWindowRig rig;
        QAction* scenes = rig.Action("actionReleaseScenes");
        QAction* effects = rig.Action("actionReleaseEffects");
        QAction* live = rig.Action("actionReleaseLive");
        QVERIFY(!scenes->isEnabled() && !effects->isEnabled() && !live->isEnabled());

        rig.doc->playingPlainScene = true;
        ShowHost().UpdateReleaseScenesAction(false);
        QVERIFY(scenes->isEnabled());
        scenes->trigger();
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("ReleaseScenes"));
        QVERIFY(!scenes->isEnabled());
        rig.doc->playingPlainScene = false;
        ShowHost().UpdateReleaseScenesAction(true);
        QVERIFY(scenes->isEnabled());

        rig.doc->runningEffects = true;
        ShowHost().RefreshEffectState(-1);
        QVERIFY(effects->isEnabled());
        rig.doc->runningEffects = false;
        effects->trigger();
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("ReleaseEffects"));
        QVERIFY(!effects->isEnabled());

        // The live action is looked at on the tick after a live change only.
        rig.doc->liveLevels = true;
        rig.NextTick();
        QVERIFY(!live->isEnabled());
        ShowHost().RaiseLiveLevelsChanged();
        rig.NextTick();
        QVERIFY(live->isEnabled());
        rig.doc->liveLevels = false;
        ShowHost().RaiseLiveLevelsChanged();
        rig.NextTick();
        QVERIFY(!live->isEnabled());
    }

    void theWindowsTickAdvancesThenMergesTheShow()
    {
        CWindowRig rig;
        rig.doc->calls.clear();
        rig.NextTick();
        QCOMPARE(rig.doc->calls, QStringList({"Tick", "MergeOutput"}));
        rig.window->SetBusy(true);
        rig.NextTick();
        QCOMPARE(rig.doc->calls.size(), 2);
        rig.window->SetBusy(false);
    }

    // A project saved with Art-Net opens its port: that test runs in a
    // private network namespace, with the other Art-Net tests of the window.

    void sendingEditedLevelsIsAToggle()
    {
        CWindowRig rig(QByteArray("SendEditDmx=0\n"));
        QAction* action = rig.Action("actionSendEditDmx");
        QVERIFY(!action->isChecked());
        QVERIFY(!ShowHost().SendEditDmxOption());
        action->trigger();
        QVERIFY(action->isChecked());
        QVERIFY(ShowHost().SendEditDmxOption());
        // Nothing plays, so the output shows the change at once.
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("RefreshOutput"));
    }

    void importMarksTheProjectModifiedOnlyWhenItAddedScenes()
    {
        CWindowRig rig;
        rig.doc->importResult = false;
        QVERIFY(!rig.window->ImportProject(rig.WriteFile(QStringLiteral("a.kv1"), "x")));
        QVERIFY(!rig.window->IsModified());
        rig.doc->importResult = true;
        QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("a.kv1"), "x")));
        QVERIFY(rig.window->IsModified());
    }

    void theImportDialogReportsTheOperatorsChoice()
    {
        CWindowRig rig;
        OnNextModal<CZikoraImportDlg>([](CZikoraImportDlg* dialog) {
            const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
            QCOMPARE(boxes.size(), 4);
            boxes.at(1)->setChecked(false);
            boxes.at(3)->setChecked(true); // "Import in a new tab"
            dialog->accept();
        });
        QList<bool> keep;
        bool newPage = false;
        QVERIFY(ShowHost().ChooseImportScenes({"Intro", "Chase", "Finale"}, keep, newPage));
        QCOMPARE(keep, QList<bool>({true, false, true}));
        QVERIFY(newPage);

        OnNextModal<CZikoraImportDlg>([](CZikoraImportDlg* dialog) { dialog->reject(); });
        QVERIFY(!ShowHost().ChooseImportScenes({"Intro"}, keep, newPage));
    }
};

ORVANE_TEST(MainWindowTest)
#include "MainWindowTest.moc"
