#include "FakeMusicPlayer.h"
#include "MediaFiles.h"
#include "TestRegistry.h"

#include "media/PcmBuffer.h"
#include "media/SoundThread.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class SoundThreadTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Wav(const QString& name, const WavFormat& format, int frames)
    {
        return WriteWav(QDir(m_dir.path()), name, format, frames, SquareOn(0, 1000));
    }

private slots:
    void decodesEverySample_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("slack");
        QTest::addColumn<int>("fromOneSecond");
        QTest::addColumn<int>("chunkMs");
        VideoRecipe aac;
        aac.video = AV_CODEC_ID_NONE;
        aac.audio = AV_CODEC_ID_AAC;
        const QString mkv = m_dir.filePath("sound.mkv");
        QVERIFY(EncodeVideo(mkv, aac));
        QTest::newRow("stereo wav") << Wav("stereo.wav", {44100, 2, 16, false}, 88200) << 352800 << 0 << 176400 << 0;
        QTest::newRow("aac") << mkv << 352800 << 8192 << 176400 << 0;
        // Six channels decode a minute per run, cut by sound time.
        QTest::newRow("six channels") << Wav("six.wav", {8000, 6, 16, false}, 8000 * 61) << 60 * 8000 * 6 * 2 << 0
                                        << 60 * 8000 * 6 * 2 << 0;
        // Half a second of 44100 frames of 4 bytes, from 0 and from 1 s.
        QTest::newRow("chosen run length") << Wav("stereo.wav", {44100, 2, 16, false}, 88200) << 88200 << 0 << 88200
                                           << 500;
    }
    void decodesEverySample()
    {
        QFETCH(QString, path);
        QFETCH(int, bytes);
        QFETCH(int, slack);
        QFETCH(int, fromOneSecond);
        QFETCH(int, chunkMs);
        CPcmBuffer pcm;
        CSoundThread thread;
        QVERIFY(thread.Open(path, &pcm, chunkMs));
        QCOMPARE(thread.ChunkMs(), chunkMs ? chunkMs : thread.FileChannels() > 2 ? 60000 : 300000);
        QSignalSpy ready(&thread, &CSoundThread::ready);
        thread.Start(0, 7);
        // The run may have announced itself before a wait for a further signal began.
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 5000);
        QCOMPARE(ready.first().first().toInt(), 7);
        QVERIFY(thread.wait(10000));
        QVERIFY2(qAbs(pcm.size() - bytes) <= slack, qPrintable(QString::number(pcm.size())));
        QVERIFY(pcm.open(QIODevice::ReadOnly));
        QVERIFY(pcm.seek(2 * thread.FileChannels()));
        const QByteArray start = pcm.read(4);
        QCOMPARE(start.size(), 4);
        if (slack == 0)
            QCOMPARE(qFromLittleEndian<qint16>(start.constData()), qint16(1000)); // the first channel of frame 1

        thread.Start(1000, 8); // a later start clears what the last run left
        QVERIFY(thread.wait(10000));
        QVERIFY2(qAbs(pcm.size() - fromOneSecond) <= slack, qPrintable(QString::number(pcm.size())));
    }

    // A file at 1 Hz: each frame of 4096 samples would convert to 196 million.
    void framesThatWouldConvertToGigabytesAreSkipped()
    {
        CPcmBuffer pcm;
        CSoundThread thread;
        QVERIFY(thread.Open(Wav("slow.wav", {1, 1, 8, false}, 8192), &pcm));
        thread.SetOutput(48000, 2);
        QSignalSpy ready(&thread, &CSoundThread::ready);
        thread.Start(0, 1);
        QVERIFY(thread.wait(10000));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(pcm.size(), 0);
    }

    void stopReturnsAtOnce()
    {
        CPcmBuffer pcm;
        CSoundThread thread;
        QVERIFY(thread.Open(Wav("six.wav", {8000, 6, 16, false}, 8000 * 61), &pcm));
        thread.Start(0, 1);
        // Returning at once shows as a run cut short, whatever the machine's load.
        thread.Cancel();
        QVERIFY(thread.isFinished());
        QVERIFY(pcm.size() < 60 * 8000 * 6 * 2);
        thread.Close();
        thread.Start(0, 2); // closed: nothing runs
        QVERIFY(!thread.isRunning());
    }

    void refusesFilesWithoutSound()
    {
        const QString text = m_dir.filePath("text.wav");
        QVERIFY(WriteTestFile(text, "not a sound at all"));
        CPcmBuffer pcm;
        CSoundThread thread;
        QVERIFY(!thread.Open(text, &pcm));
        QVERIFY(!thread.Open(m_dir.filePath("missing.wav"), &pcm));
    }

    void fakeMusicPlayerRecordsInOrder()
    {
        CFakeMusicPlayer player;
        QSignalSpy states(&player, &CMusicPlayer::stateChanged);
        player.SetFile("/music/a.mp3");
        player.Play();
        player.SetPosition(5000);
        player.position = 6200;
        player.Pause();
        player.SetVolume(80);
        player.ReachEnd();
        QCOMPARE(player.calls, QStringList({"file /music/a.mp3", "play", "seek 5000", "pause 6200", "volume 80"}));
        QCOMPARE(states.size(), 3);
        QCOMPARE(player.GetState(), CMusicPlayer::StoppedState);
    }
};

ORVANE_TEST(SoundThreadTest)
#include "SoundThreadTest.moc"
