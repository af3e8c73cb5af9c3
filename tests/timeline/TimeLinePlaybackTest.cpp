#include "DataTable.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "show/Page.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Runs the test in a folder of its own with an empty media file of `name`
// under "Media"; the working directory comes back at the end.
struct CMediaFolder
{
    explicit CMediaFolder(const QString& name)
        : previous(QDir::currentPath())
    {
        QDir(dir.path()).mkpath(QStringLiteral("Media"));
        QFile file(dir.filePath(QStringLiteral("Media/") + name));
        file.open(QIODevice::WriteOnly);
        QDir::setCurrent(dir.path());
    }
    ~CMediaFolder() { QDir::setCurrent(previous); }

    QTemporaryDir dir;
    QString previous;
};

int Count(const QStringList& calls, const QString& call)
{
    return int(calls.count(call));
}

} // namespace

// Playing the timeline: scenes start and stop with their blocks, the music
// follows its line.
class TimeLinePlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void sameSceneBlocksMeetingOnTwoLinesNeverStopIt()
    {
        CTimeLineRig rig;
        rig.Control().InsertLine(1);
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Block(rig.Line(1), scene, 0, 2000);
        rig.Block(rig.Line(0), scene, 2000, 2000);
        for (int t : {0, 1000, 1999, 2000, 3000})
            rig.Control().SetPosition(t, false);
        QVERIFY(rig.project.m_firstPage->IsPlaying(scene));
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStarted")), 1);
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStopped")), 0);
        rig.Control().SetPosition(4000, false);
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStopped")), 1);
    }

    void aPlayingSceneIsNotAnnouncedButStopsOnLeaving()
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        CTimeBlock* block = rig.Block(rig.Line(0), scene, 1000, 1000);
        QVERIFY(rig.project.m_firstPage->PlayScene(scene));
        rig.host.calls.clear();
        rig.Control().SetPosition(1500, false);
        QVERIFY(rig.Control().IsActive(block));
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStarted")), 0);
        rig.Control().SetPosition(2500, false);
        QVERIFY(!rig.Control().IsActive(block));
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStopped")), 1);
    }

    void theLivePageHearsOnlyInPagesMode()
    {
        CTimeLineRig rig;
        rig.host.livePagesMode = 1;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Block(rig.Line(0), scene, 0, 1000);
        rig.Control().SetPosition(10, false);
        QVERIFY(rig.project.m_firstPage->IsPlaying(scene));
        QCOMPARE(Count(rig.host.calls, QStringLiteral("OnSceneStarted")), 0);
    }

    // A block lights up while the play is inside it, so every tick repaints the lines.
    void theLinesRepaintAsThePlayMoves()
    {
        CTimeLineRig rig;
        rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 0, 1000);
        rig.window->resize(600, 300);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.host.WatchPaints(&rig.Control());
        rig.window->Play();
        QTRY_VERIFY(rig.host.Count(QStringLiteral("Paint:")) > 0);
        for (int tick = 0; tick < 3; ++tick) {
            rig.host.calls.clear();
            rig.window->Tick(25);
            QTRY_COMPARE(rig.host.Count(QStringLiteral("Paint:")), 1);
        }
    }

    // Where the player is sought when the play enters a music block; -1: nowhere.
    void musicSeeks_data()
    {
        QTest::addColumn<int>("mediaLength");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<int>("t");
        QTest::addColumn<int>("seek");
        QTest::newRow("looped past its length") << 10000 << true << 25000 << 5000;
        QTest::newRow("inside its length") << 10000 << true << 4000 << 4000;
        QTest::newRow("not looped") << 10000 << false << 25000 << 25000;
        QTest::newRow("looped, length unknown") << -1 << true << 3000 << -1;
    }
    void musicSeeks()
    {
        QFETCH(int, mediaLength);
        QFETCH(bool, loop);
        QFETCH(int, t);
        QFETCH(int, seek);
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig(60000);
        rig.Music(QStringLiteral("Media/m.wav"), 0, 40000, mediaLength, loop);
        rig.Control().SetPosition(t, false); // opens the file
        rig.Control().SetPosition(t, false); // seeks and plays
        const QStringList expected = seek < 0
            ? QStringList{QStringLiteral("file Media/m.wav"), QStringLiteral("play")}
            : QStringList{QStringLiteral("file Media/m.wav"), QStringLiteral("seek %1").arg(seek), QStringLiteral("play")};
        QCOMPARE(rig.player.calls, expected);
    }

    void soundOffPlaysNothing()
    {
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        rig.Music(QStringLiteral("Media/m.wav"), 0, 5000, 5000);
        rig.project.m_timeLine.m_musicLine->m_sound = false;
        for (int t : {0, 100, 200})
            rig.Control().SetPosition(t, false);
        QVERIFY(rig.player.calls.isEmpty());
    }

    // A stop would rewind the player to its start.
    void aJumpWhilePausedLeavesThePlayerPausedThere()
    {
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        rig.Music(QStringLiteral("Media/m.wav"), 0, 10000, 10000);
        rig.Control().StartPlayback();
        rig.Control().SetPosition(0, false);
        rig.Control().SetPosition(25, false);
        rig.Control().SetPaused(true);
        rig.player.calls.clear();
        rig.Control().SetPosition(6000, true);
        QCOMPARE(rig.player.calls, (QStringList{QStringLiteral("seek 6000"), QStringLiteral("pause 6000")}));
        QCOMPARE(rig.player.GetState(), CMusicPlayer::PausedState);
    }

    // Stopping the play or the music line's sound lets the music go.
    void theMusicStops_data()
    {
        QTest::addColumn<bool>("soundOff");
        QTest::newRow("stop") << false;
        QTest::newRow("sound off") << true;
    }
    void theMusicStops()
    {
        QFETCH(bool, soundOff);
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(QStringLiteral("Media/m.wav"), 0, 10000, 10000);
        rig.Control().StartPlayback();
        rig.Control().SetPosition(0, false);
        rig.Control().SetPosition(25, false);
        QVERIFY(rig.Control().IsActive(block));
        if (soundOff)
            rig.Control().SetMusicSound(false);
        else
            rig.Control().StopPlayback();
        QCOMPARE(rig.player.calls.last(), QStringLiteral("stop"));
        QVERIFY(!rig.Control().CurrentMusicBlock());
        QVERIFY(!rig.Control().IsActive(block));
        QCOMPARE(rig.Control().isEnabled(), !soundOff);
    }

    // Looping the timeline starts the music of the block again.
    void aRestartSeeksTheMusicAgain()
    {
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(QStringLiteral("Media/m.wav"), 0, 10000, 10000);
        rig.Control().SetPosition(0, false);
        rig.Control().SetPosition(9000, false);
        rig.Control().PrepareRestart(false);
        QVERIFY(rig.Control().IsPending(block));
        rig.player.calls.clear();
        rig.Control().SetPosition(0, false);
        QCOMPARE(rig.player.calls, (QStringList{QStringLiteral("seek 0"), QStringLiteral("play")}));
    }

    void aLoopingBlockRestartsWhenItsMusicEnds()
    {
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(QStringLiteral("Media/m.wav"), 0, 10000, 3000);
        rig.Control().SetPosition(0, false);
        rig.Control().SetPosition(25, false);
        QVERIFY(!rig.Control().IsPending(block));
        rig.player.ReachEnd();
        QVERIFY(rig.Control().IsPending(block));
    }

    void aMovedMediaFileIsFoundUnderMedia()
    {
        CMediaFolder folder(QStringLiteral("x.wav"));
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(QStringLiteral("/nowhere/at/all/x.wav"), 0, 1000, 1000);
        QVERIFY(rig.Control().LocateMediaFile(block));
        QCOMPARE(QFileInfo(block->m_file).canonicalFilePath(),
                 QFileInfo(folder.dir.filePath(QStringLiteral("Media/x.wav"))).canonicalFilePath());
        QCOMPARE(rig.Control().Label(block), block->m_file);
        block->m_file = QStringLiteral("/nowhere/y.wav");
        QVERIFY(!rig.Control().LocateMediaFile(block));
    }

    // Steps: "o" opens the show again, "a" plays in the block of Media/m.wav,
    // "b" in the block of a file that is nowhere, "d" deletes Media/m.wav,
    // "f" has the player fail. Told: each warning, "S" for the sound or the
    // names of the files it lists.
    void missingMediaAreToldOncePerOpen_data()
    {
        Columns<QString, QString>("steps", "told");
        QTest::newRow("open") << "o" << "gone.wav";
        QTest::newRow("play after the open") << "oab" << "gone.wav";
        QTest::newRow("each open") << "obo" << "gone.wav|gone.wav";
        QTest::newRow("gone while playing") << "odaa" << "gone.wav|m.wav";
        QTest::newRow("silent player") << "oaffa" << "gone.wav|S";
        QTest::newRow("silent player, each open") << "oafoaf" << "gone.wav|S|gone.wav|S";
    }
    void missingMediaAreToldOncePerOpen()
    {
        const auto [steps, told] = Row<QString, QString>("steps", "told");
        CMediaFolder folder(QStringLiteral("m.wav"));
        CTimeLineRig rig;
        rig.Music(QStringLiteral("Media/m.wav"), 0, 1000, 1000);
        rig.Music(QStringLiteral("/nowhere/gone.wav"), 5000, 1000, 1000);
        rig.Control().MusicLine()->m_wave = false; // no wave looks for the files
        const QHash<QChar, std::function<void()>> step{
            {'o', [&] { rig.window->UpdateFromProject(); }},
            {'a', [&] { rig.Control().SetPosition(500, false); }},
            {'b', [&] { rig.Control().SetPosition(5500, false); }},
            {'d', [&] { QFile::remove(QStringLiteral("Media/m.wav")); }},
            {'f', [&] { rig.player.Fail(QStringLiteral("no device")); }}};
        for (const QChar c : steps) {
            step[c]();
            QCoreApplication::processEvents();
        }
        QStringList heard;
        for (const QString& call : rig.host.calls.filter(QStringLiteral("ShowInformation:"))) {
            QStringList files = call.split(QLatin1Char('\n')).mid(1);
            for (QString& file : files)
                file = QFileInfo(file).fileName();
            heard << (call.contains(QStringLiteral("no device")) ? QStringLiteral("S") : files.join(QLatin1Char(',')));
        }
        QCOMPARE(heard.join(QLatin1Char('|')), told);
    }

    void deletedScenesLeaveTheTimeline()
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        CTimeBlock* block = rig.Block(rig.Line(0), scene, 0, 1000);
        rig.Block(rig.Line(0), rig.Scene(QStringLiteral("T")), 3000, -1);
        rig.Control().SelectBlock(block);
        QSignalSpy selection(&rig.Control(), &CTimeLineCtrl::selChanged);
        rig.Control().RemoveSceneBlocks(scene); // as the host does before the page deletes it
        rig.project.m_firstPage->DeleteScene(scene);
        QCOMPARE(rig.Line(0)->m_blocks.size(), 1);
        QVERIFY(!rig.Control().CurrentBlock());
        QCOMPARE(selection.count(), 1);
        rig.Control().SetPosition(500, false);
    }
};

ORVANE_TEST(TimeLinePlaybackTest)
#include "TimeLinePlaybackTest.moc"
