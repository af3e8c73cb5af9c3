#include "MediaFiles.h"
#include "RecordingHost.h"
#include "SilentAudioSink.h"
#include "TestRegistry.h"

#include "media/SoundThread.h"
#include "media/VideoPlayer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(AVCodecID)

class VideoPlayerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Video(const QString& name, const VideoRecipe& recipe)
    {
        const QString path = m_dir.filePath(name);
        if (!QFile::exists(path) && !EncodeVideo(path, recipe))
            return QString();
        return path;
    }

    static int ShownFrame(const CVideoPlayer& player) { return FrameOfPicture(player.CurrentFrame()); }

private slots:
    void containers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<AVCodecID>("video");
        QTest::addColumn<AVCodecID>("audio");
        QTest::newRow("avi") << "a.avi" << AV_CODEC_ID_MPEG4 << AV_CODEC_ID_PCM_S16LE;
        QTest::newRow("mkv") << "b.mkv" << AV_CODEC_ID_MPEG4 << AV_CODEC_ID_AAC;
        // An MPEG program starts at 0.54 s: seeks must add that.
        QTest::newRow("mpg") << "c.mpg" << AV_CODEC_ID_MPEG1VIDEO << AV_CODEC_ID_MP2;
        QTest::newRow("video alone") << "d.avi" << AV_CODEC_ID_MPEG4 << AV_CODEC_ID_NONE;
    }
    void containers()
    {
        QFETCH(QString, name);
        QFETCH(AVCodecID, video);
        QFETCH(AVCodecID, audio);
        VideoRecipe recipe;
        recipe.video = video;
        recipe.audio = audio;
        const QString path = Video(name, recipe);
        QVERIFY(!path.isEmpty());
        CVideoPlayer player;
        QVERIFY(player.OpenFile(path, true));
        QVERIFY(player.OpenFile(path, true));
        QVERIFY2(qAbs(player.Duration() - 2000) <= 80, qPrintable(QString::number(player.Duration())));
        QCOMPARE(player.FrameSize(), QSize(64, 48));
        player.SetSound(true); // no device here: harmless

        player.Pause();
        player.Seek(1000);
        QVERIFY2(qAbs(ShownFrame(player) - 25) <= 1, qPrintable(QString::number(ShownFrame(player))));
        QCOMPARE(player.Position(), 1000);
        player.Seek(0);
        QCOMPARE(ShownFrame(player), 0);
        player.Seek(1800);
        QVERIFY2(qAbs(ShownFrame(player) - 45) <= 1, qPrintable(QString::number(ShownFrame(player))));

        player.Stop();
        QVERIFY(player.CurrentFrame().isNull());
        QSignalSpy finished(&player, &CVideoPlayer::finished);
        player.Play();
        QTRY_VERIFY_WITH_TIMEOUT(!player.CurrentFrame().isNull(), 30000);
        QVERIFY(ShownFrame(player) <= 5);
        QVERIFY(finished.wait(30000));
        // The end comes with the clock at the last frames; a busy machine may
        // have dropped the frames just before it, so the clock tells.
        QVERIFY2(player.Position() >= player.Duration() - 100, qPrintable(QString::number(player.Position())));
        QVERIFY(ShownFrame(player) > 0);
    }

    // A width whose RGB rows are padded: the white band stays at the left of every row.
    void paddedRowsAreNotSkewed()
    {
        VideoRecipe recipe;
        recipe.width = 66;
        CVideoPlayer player;
        QVERIFY(player.OpenFile(Video("wide.avi", recipe), false));
        player.Pause();
        player.Seek(400);
        const QImage& picture = player.CurrentFrame();
        QCOMPARE(picture.size(), QSize(66, 48));
        for (int y : {0, 24, 47}) {
            QVERIFY2(qRed(picture.pixel(1, y)) > 200, qPrintable(QString::number(y)));
            QVERIFY(qAbs(qRed(picture.pixel(40, y)) - FrameGrey(10)) < 12);
        }
    }

    void displayModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPoint>("black");
        QTest::addColumn<QPoint>("picture");
        // A 64x48 frame in a 200x100 widget.
        QTest::newRow("stretch") << int(CVideoPlayer::Stretch) << QPoint(-1, -1) << QPoint(20, 5);
        QTest::newRow("adjust") << int(CVideoPlayer::Adjust) << QPoint(20, 50) << QPoint(100, 5);
        QTest::newRow("centre") << int(CVideoPlayer::Centre) << QPoint(100, 20) << QPoint(100, 50);
    }
    void displayModes()
    {
        QFETCH(int, mode);
        QFETCH(QPoint, black);
        QFETCH(QPoint, picture);
        CVideoPlayer player;
        player.resize(200, 100);
        QVERIFY(player.OpenFile(Video("d.avi", VideoRecipe()), false));
        player.SetDisplayMode(mode);
        player.Pause();
        player.Seek(1000);
        const QImage shown = player.grab().toImage();
        if (black.x() >= 0)
            QCOMPARE(shown.pixel(black), qRgb(0, 0, 0));
        QVERIFY(qAbs(qRed(shown.pixel(picture)) - FrameGrey(25)) < 12);
    }

    void shownFramesArePainted()
    {
        CRecordingHost host;
        CVideoPlayer player;
        QVERIFY(player.OpenFile(Video("d.avi", VideoRecipe()), false));
        player.resize(64, 48);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        host.WatchPaints(&player);
        host.calls.clear();
        player.Pause();
        player.Seek(1000);
        QCOMPARE(host.Count(QStringLiteral("Paint:")), 1);
        player.Play();
        QTRY_VERIFY_WITH_TIMEOUT(host.Count(QStringLiteral("Paint:")) >= 3, 30000);
    }

    // 2 s of sound at 400 ms a run: runs start at 0, 400, 800, 1200 and
    // 1600 ms, fewer only when the ticks come late.
    void soundRunsOnPastItsFirstChunk()
    {
        const CSilentAudioSink sink(m_dir.path());
        QVERIFY2(!sink.device.isNull(), "no silent ALSA output could be declared");
        VideoRecipe recipe;
        recipe.audio = AV_CODEC_ID_PCM_S16LE;
        CVideoPlayer player;
        player.SetSoundOutput(sink.device, 400);
        player.SetSound(true);
        QVERIFY(player.OpenFile(Video("a.avi", recipe), true));
        QVERIFY(player.HasSound());
        auto* thread = player.findChild<CSoundThread*>();
        QVERIFY(thread);
        QCOMPARE(thread->ChunkMs(), 400);
        QSignalSpy runs(thread, &CSoundThread::ready);
        QSignalSpy finished(&player, &CVideoPlayer::finished);
        player.Play();
        QVERIFY(finished.wait(30000));
        QVERIFY2(runs.count() >= 2 && runs.count() <= 5, qPrintable(QString::number(runs.count())));
    }

    void shortVideoPlaysToItsEnd()
    {
        VideoRecipe recipe;
        recipe.frames = 12;
        CVideoPlayer player;
        QVERIFY(player.OpenFile(Video("short.avi", recipe), true));
        QVERIFY2(qAbs(player.Duration() - 480) <= 40, qPrintable(QString::number(player.Duration())));
        QSignalSpy finished(&player, &CVideoPlayer::finished);
        player.Play();
        QVERIFY(finished.wait(30000));
        QVERIFY2(player.Position() >= player.Duration() - 100, qPrintable(QString::number(player.Position())));
        QVERIFY(ShownFrame(player) > 0);
        player.Stop();
        QVERIFY(!player.IsPlaying());
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray full;
        {
            QFile avi(Video("full.avi", VideoRecipe()));
            QVERIFY(avi.open(QIODevice::ReadOnly));
            full = avi.readAll();
        }
        QByteArray scrambled = full;
        for (int i = scrambled.size() / 3; i < scrambled.size(); i += 97)
            scrambled[i] = char(scrambled[i] ^ 0x5a);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("no video here\n").repeated(100);
        QTest::newRow("sound only") << MakeWav({8000, 1, 16, false}, 8000, SquareOn(0, 100));
        QTest::newRow("cut in half") << full.left(full.size() / 2);
        QTest::newRow("scrambled") << scrambled;
    }
    // A damaged file plays what it has to its end; others are refused, and a
    // second try with the same name opens it once it is good.
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath("bad.avi");
        QVERIFY(WriteTestFile(path, bytes));
        CVideoPlayer player;
        if (player.OpenFile(path, true)) {
            QVERIFY(QByteArray(QTest::currentDataTag()) != "empty");
            QSignalSpy finished(&player, &CVideoPlayer::finished);
            player.Pause();
            player.Seek(1900);
            player.Play();
            QVERIFY(finished.wait(30000));
            return;
        }
        QVERIFY(!player.IsOpen());
        player.Play();
        player.Seek(500);
        player.Stop();
        QFile::remove(path);
        QVERIFY(QFile::copy(Video("full.avi", VideoRecipe()), path));
        QVERIFY(player.OpenFile(path, true));
    }
};

ORVANE_TEST(VideoPlayerTest)
#include "VideoPlayerTest.moc"
