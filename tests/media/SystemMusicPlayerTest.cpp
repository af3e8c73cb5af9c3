#include "MediaFiles.h"
#include "TestRegistry.h"

#include "media/SystemMusicPlayer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The system's player says why a file does not play instead of only stopping.
class SystemMusicPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    // `output`: whether the system has a sound output to play to. Without
    // one, the back end would play a good file in silence.
    void aFileThatCannotPlaySaysWhy_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::addColumn<bool>("output");
        QTest::newRow("no file") << QByteArray() << true;
        QTest::newRow("not sound") << QByteArray("this is no sound at all").repeated(100) << true;
        QTest::newRow("no sound output") << MakeWav(WavFormat(), 44100, SquareOn(0, 3000)) << false;
    }
    void aFileThatCannotPlaySaysWhy()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, output);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("song.wav"));
        if (!bytes.isEmpty())
            QVERIFY(WriteTestFile(path, bytes));
        CSystemMusicPlayer player(nullptr, [output] { return output; });
        QSignalSpy failed(&player, &CMusicPlayer::failed);
        player.SetFile(path);
        player.Play();
        // The back end answers from its own threads: a loaded machine may take long.
        QVERIFY(failed.count() > 0 || failed.wait(60000));
        QVERIFY(!failed.first().first().toString().isEmpty());
    }
};

ORVANE_TEST(SystemMusicPlayerTest)
#include "SystemMusicPlayerTest.moc"
