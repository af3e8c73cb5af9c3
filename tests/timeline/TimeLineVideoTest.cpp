#include "MediaFiles.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "media/VideoPlayer.h"
#include "timeline/VideoDlg.h"

#include <QAction>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The timeline rig with a two-second video (frame i at i * 40 ms) as the
// only block of its video line, from 0 to 2000 ms, and its window shown.
struct CVideoRig
{
    QTemporaryDir dir;
    CTimeLineRig rig;
    bool ready = false;

    CVideoRig()
    {
        const QString path = dir.filePath(QStringLiteral("clip.avi"));
        ready = EncodeVideo(path, VideoRecipe()) && rig.Control().AddVideoFile(path, true);
    }
    CTimeLineCtrl& Control() { return rig.Control(); }
    CVideoDlg* Window() { return Control().VideoWindow(); }
    CMediaTimeBlock* Block() { return static_cast<CMediaTimeBlock*>(Control().VideoLine()->m_blocks.first()); }
    QString State()
    {
        if (!Window())
            return QStringLiteral("no window");
        const CVideoPlayer& player = Window()->Player();
        if (!player.IsOpen())
            return QStringLiteral("closed");
        return QStringLiteral("%1 at %2").arg(player.IsPlaying() && !player.IsPaused() ? "playing" : "still")
            .arg(player.Position());
    }
};

} // namespace

// The floating video window follows the video line as the timeline plays
// and as the cursor is set by hand.
class TimeLineVideoTest : public QObject
{
    Q_OBJECT

private slots:
    // Without play the cursor is set by hand; with play the ticks go to
    // `from` (-1 none, -2 none and a jump to t) and then to t. The video keeps its own clock between
    // ticks and is seeked only when it starts.
    void theWindowFollowsThePosition_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("play");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("t");
        QTest::addColumn<QString>("state");
        QTest::newRow("cursor set by hand") << true << false << -1 << 400 << "still at 400";
        QTest::newRow("tick into the block") << true << true << -1 << 1000 << "playing at 1000";
        QTest::newRow("tick on inside") << true << true << 500 << 1000 << "playing at 500";
        QTest::newRow("tick past its end") << true << true << 500 << 2500 << "still at 0";
        QTest::newRow("window not shown") << false << true << -1 << 1000 << "no window";
        // A marker chosen while playing jumps the video, which plays on.
        QTest::newRow("jump while playing") << true << true << -2 << 1000 << "playing at 1000";
    }
    void theWindowFollowsThePosition()
    {
        QFETCH(bool, visible);
        QFETCH(bool, play);
        QFETCH(int, from);
        QFETCH(int, t);
        CVideoRig video;
        QVERIFY(video.ready);
        QCOMPARE(video.Block()->m_mediaLength, 2000);
        if (visible)
            video.Control().SetVideoVisible(true, true);
        if (play) {
            video.Control().StartPlayback();
            if (from >= 0)
                video.Control().SetPosition(from, false);
            video.Control().SetPosition(t, from == -2);
        } else {
            video.Control().ShowPosition(t);
        }
        QTEST(video.State(), "state");
        const bool inside = t < video.Block()->m_stop;
        QCOMPARE(video.Control().CurrentVideoBlock(), inside && visible ? video.Block() : nullptr);
        if (video.Window() && inside) {
            // A playing video shows its first frame at its first timer tick.
            const CVideoPlayer& player = video.Window()->Player();
            const int seeked = player.Position() / 40;
            QTRY_VERIFY(FrameOfPicture(player.CurrentFrame()) >= seeked);
            QVERIFY(FrameOfPicture(player.CurrentFrame()) <= seeked + (play ? 50 : 0));
        }
    }

    // The window goes with its line or with the show, and the next tick
    // finds nothing of it; closing it by hand hides the line's window.
    void theWindowGoes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("line removed") << "remove" << true;
        QTest::newRow("timeline cleared") << "clear" << true;
        QTest::newRow("closed") << "close" << false;
    }
    void theWindowGoes()
    {
        QFETCH(QString, how);
        CVideoRig video;
        QVERIFY(video.ready);
        video.Control().SetVideoVisible(true, true);
        video.Control().StartPlayback();
        video.Control().SetPosition(600, false);
        QPointer<CVideoDlg> window = video.Window();
        QVERIFY(window && window->isVisible() && window->Player().IsPlaying());
        // The timeline is locked while it plays; the window's buttons are not.
        QVERIFY(window->SoundAction()->isEnabled() && window->isEnabled());
        video.rig.host.answer = CShowHost::Yes;
        if (how == "remove")
            QVERIFY(video.Control().RemoveLine(video.Control().Lines().indexOf(video.Control().VideoLine())));
        else if (how == "clear")
            video.Control().Clear();
        else
            window->close();
        video.rig.window->Tick(40);
        video.Control().SetPosition(700, false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTEST(window.isNull(), "deleted");
        QVERIFY(!video.Control().VideoWindow() || !video.Control().VideoWindow()->isVisible());
        QVERIFY(!video.Control().CurrentVideoBlock());
        if (!window.isNull())
            QVERIFY(!video.Control().VideoLine()->m_visible);
    }

    // The block runs to 5000 ms on a two-second video. "finished" is the
    // video's own end, after which the tick goes to 2500 ms.
    void theTransportDrivesTheVideo_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QString>("state");
        QTest::newRow("pause") << "pause" << true << "still at 1000";
        QTest::newRow("stop") << "stop" << true << "still at 1000";
        QTest::newRow("looping video ends") << "finished" << true << "playing at 500";
        QTest::newRow("video ends, no restart") << "finished" << false << "playing at 1000";
    }
    void theTransportDrivesTheVideo()
    {
        QFETCH(QString, action);
        QFETCH(bool, loop);
        CVideoRig video;
        QVERIFY(video.ready);
        video.Block()->m_mediaLoop = loop;
        video.Block()->m_length = 5000;
        video.Control().FixLine(video.Control().VideoLine());
        QCOMPARE(video.Block()->m_stop, 5000);
        video.Control().SetVideoVisible(true, true);
        video.Control().StartPlayback();
        video.Control().SetPosition(1000, false);
        if (action == "pause")
            video.Control().SetPaused(true);
        else if (action == "stop")
            video.Control().StopPlayback();
        else {
            emit video.Window()->Player().finished();
            video.Control().SetPosition(2500, false);
        }
        QTEST(video.State(), "state");
    }

    // A replaced file is the one the window shows next.
    void aReplacedFileIsShown()
    {
        CVideoRig video;
        QVERIFY(video.ready);
        const QString longer = video.dir.filePath(QStringLiteral("longer.avi"));
        VideoRecipe recipe;
        recipe.frames = 100;
        QVERIFY(EncodeVideo(longer, recipe));
        video.Control().SetVideoVisible(true, true);
        video.Control().ShowPosition(400);
        QCOMPARE(video.Window()->Player().Duration(), 2000);
        video.Control().SelectBlock(video.Block());
        video.Control().Dialogs().chooseFile = [&](const QString&, const QString&, const QString&) { return longer; };
        video.Control().OnUpdateMedia();
        video.Control().ShowPosition(400);
        QCOMPARE(video.Window()->Player().Duration(), 4000);
        QCOMPARE(video.State(), QStringLiteral("still at 400"));
    }

    // A show saved with its video window open opens it again.
    void aLoadedShowReopensItsWindow()
    {
        CVideoRig video;
        QVERIFY(video.ready);
        video.Control().VideoLine()->m_visible = true;
        video.Control().RefreshFromProject();
        QVERIFY(video.Window() && video.Window()->isVisible());
        QCOMPARE(video.Window()->Line(), video.Control().VideoLine());
    }
};

ORVANE_TEST(TimeLineVideoTest)
#include "TimeLineVideoTest.moc"
