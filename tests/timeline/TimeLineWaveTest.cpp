#include "MediaFiles.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "media/AudioFileDecoder.h"

#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

// Media blocks: their files, their lengths and the waves drawn under them.
class TimeLineWaveTest : public QObject
{
    Q_OBJECT

    static constexpr int kRate = 8000;

    // A stereo file of `ms`: the left channel loud, the right one silent;
    // with `halves` only the first half of it sounds.
    static QString Wav(const QTemporaryDir& dir, const QString& name, int ms, bool halves = false)
    {
        const int frames = ms * kRate / 1000;
        return WriteWav(QDir(dir.path()), name, WavFormat{kRate, 2, 16, false}, frames, [=](int i, int c) {
            return c == 0 && (!halves || i < frames / 2) ? ((i / 20) % 2 ? -12000.0 : 12000.0) : 0.0;
        });
    }
    static bool Dark(const QPixmap& drawing, const QPoint& at)
    {
        return drawing.toImage().pixelColor(at) == QColor(50, 50, 50);
    }

private slots:
    void aStereoBlockDrawsTwoHalves_data()
    {
        QTest::addColumn<bool>("stereo");
        QTest::newRow("stereo") << true;
        QTest::newRow("mono") << false;
    }
    void aStereoBlockDrawsTwoHalves()
    {
        QFETCH(bool, stereo);
        QTemporaryDir dir;
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(Wav(dir, "a.wav", 4000), 0, -1, -1);
        block->m_stereo = stereo;
        rig.Control().LoadWave(block);
        QCOMPARE(block->m_mediaLength, 4000);
        rig.Control().FixLine(rig.Control().MusicLine());
        rig.ShowLines();
        const QRect rect = rig.Control().BlockRect(block);
        const int x = rig.Ruler().TimeToX(2000);
        QVERIFY(Dark(rig.Control().Drawing(), QPoint(x, rect.top() + 3)));
        // The silent right channel leaves the lower half empty.
        QCOMPARE(!Dark(rig.Control().Drawing(), QPoint(x, rect.bottom() - 3)), stereo);
        // "Stereo" from the menu decodes the file again the other way.
        rig.Control().SelectBlock(block);
        rig.Control().OnMediaStereo();
        QCOMPARE(block->m_stereo, !stereo);
        QCOMPARE(rig.Control().ShownWave(block, true).isEmpty(), stereo);
    }

    // The view starts past the media's end: a looping block draws the
    // media from where its repeat stands there; the file sounds in its first half.
    void aLoopDrawsFromTheWrappedIndex_data()
    {
        QTest::addColumn<int>("lengthSevenths"); // of the view's start
        QTest::addColumn<bool>("loop");
        QTest::addColumn<bool>("loud");
        QTest::newRow("wraps into the loud half") << 5 << true << true;   // start at 2/5 of the media
        QTest::newRow("wraps into the silent half") << 4 << true << false; // at 3/4
        QTest::newRow("no loop") << 5 << false << false;
    }
    void aLoopDrawsFromTheWrappedIndex()
    {
        QFETCH(int, lengthSevenths);
        QFETCH(bool, loop);
        QTemporaryDir dir;
        CTimeLineRig rig;
        rig.ShowLines();
        rig.Ruler().SetZoom(10);
        for (int i = 0; i < 3; ++i)
            rig.Ruler().PageForward();
        const int viewStart = rig.Ruler().ViewStartTime();
        QVERIFY(viewStart > 3000);
        const int media = (viewStart * lengthSevenths / 7) / 40 * 40;
        CMediaTimeBlock* block = rig.Music(Wav(dir, "a.wav", media, true), 0, 19000, -1, loop);
        rig.Control().LoadWave(block);
        QCOMPARE(block->m_mediaLength, media);
        rig.ShowLines();
        const QRect rect = rig.Control().BlockRect(block);
        QVERIFY(rect.isValid());
        QTEST(Dark(rig.Control().Drawing(), QPoint(rect.left() + 2, rect.center().y())), "loud");
    }

    void anUnmeasurableFileGetsTenSeconds()
    {
        QTemporaryDir dir;
        const QString junk = dir.filePath(QStringLiteral("junk.mp3"));
        QVERIFY(WriteTestFile(junk, QByteArray(4000, 'x')));
        CTimeLineRig rig;
        QSignalSpy length(&rig.Control(), &CTimeLineCtrl::timeLineLenChanged);
        QVERIFY(rig.Control().AddMusicFile(junk, true));
        const auto* block = static_cast<CMediaTimeBlock*>(rig.Control().MusicLine()->m_blocks.first());
        QCOMPARE(block->m_mediaLength, CTimeLineCtrl::kUnknownMediaLength);
        QVERIFY(block->m_mediaLoop);
        QCOMPARE(block->m_cutOff, 4000);
        QCOMPARE(length.value(0).value(0).toInt(), CTimeLineCtrl::kUnknownMediaLength);
        QVERIFY(!rig.Control().AddMusicFile(dir.filePath(QStringLiteral("missing.wav")), false));
    }

    // Open on an empty timeline: the file goes to its line and the
    // timeline takes the media's length.
    void openedMediaGoToTheirLine()
    {
        QTemporaryDir dir;
        CTimeLineRig rig;
        const QString file = Wav(dir, "a.wav", 3000);
        rig.Control().Dialogs().chooseFile = [&](const QString&, const QString&, const QString& filter) {
            return filter.contains(QStringLiteral("*.mkv")) ? file : QString();
        };
        QTest::mouseClick(rig.window->findChild<QToolButton*>(QStringLiteral("timeLineOpen")), Qt::LeftButton);
        QVERIFY(rig.Control().MusicLine());
        QCOMPARE(rig.Control().Lines().first(), rig.Control().MusicLine());
        QCOMPARE(rig.Control().MusicLine()->m_blocks.size(), 1);
        QCOMPARE(rig.Ruler().Length(), 3000);
        QCOMPARE(rig.host.Count(QStringLiteral("SuspendVideoWindow")), 1);
    }

    void aReplacedFileShowsNoOldWave()
    {
        QTemporaryDir dir;
        CTimeLineRig rig;
        QVERIFY(rig.Control().AddMusicFile(Wav(dir, "a.wav", 3000), true));
        auto* block = static_cast<CMediaTimeBlock*>(rig.Control().MusicLine()->m_blocks.first());
        QVERIFY(!rig.Control().ShownWave(block, false).isEmpty());
        const QString junk = dir.filePath(QStringLiteral("b.mp3"));
        QVERIFY(WriteTestFile(junk, QByteArray(4000, 'x')));
        rig.Control().Dialogs().chooseFile = [&](const QString& caption, const QString&, const QString& filter) {
            [&] {
                QCOMPARE(caption, QStringLiteral("a.wav"));
                QVERIFY(filter.startsWith(QStringLiteral("Music files (*.mp3")));
            }();
            return junk;
        };
        rig.Control().SelectBlock(block);
        rig.Control().OnUpdateMedia();
        QCOMPARE(block->m_file, junk);
        QVERIFY(rig.Control().ShownWave(block, false).isEmpty());
        QCOMPARE(block->m_mediaLength, CTimeLineCtrl::kUnknownMediaLength);
    }

    // Blocks that show one file the same way share one decoding of it: a
    // show may name a long file in thousands of blocks.
    void blocksOfOneFileShareTheirWave()
    {
        QTemporaryDir dir;
        const QString path = Wav(dir, QStringLiteral("a.wav"), 2000);
        CTimeLineRig rig;
        QList<CMediaTimeBlock*> blocks;
        for (int i = 0; i < 4; ++i) {
            blocks << rig.Music(path, i * 3000, -1, -1);
            blocks.last()->m_filter = i >= 2;
        }
        rig.window->UpdateFromProject();
        const auto shown = [&](int i) { return rig.Control().ShownWave(blocks[i], false).constData(); };
        QVERIFY(!rig.Control().ShownWave(blocks[0], false).isEmpty());
        QCOMPARE(shown(1), shown(0));
        QCOMPARE(shown(3), shown(2));
        QVERIFY(shown(2) != shown(0));
        QCOMPARE(blocks[1]->m_mediaLength, 2000);
    }

    // A media block read from a show is mended, never dropped, and keeps
    // its stored length while its file cannot be decoded.
    void aLoadedMediaBlockIsMendedAndKept()
    {
        CTimeLineRig rig;
        CMediaTimeBlock* block = rig.Music(QStringLiteral("/nowhere/a.wav"), 1000, -1, 5000);
        block->m_cutOff = 99999;
        block->m_secondFrequency = -5;
        rig.window->UpdateFromProject();
        QCOMPARE(rig.Control().MusicLine()->m_blocks, QList<CTimeBlock*>{block});
        QCOMPARE(block->m_cutOff, 20000);
        QCOMPARE(block->m_secondFrequency, 0);
        QCOMPARE(block->m_stop, 6000);
    }

    // What the filter dialog answers, and the wave shown after it.
    void theFilterShapesTheWave_data()
    {
        QTest::addColumn<int>("cutOff");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("storedCutOff");
        QTest::newRow("off") << 4000 << 0 << false << 4000;
        QTest::newRow("low-pass") << 300 << 0 << true << 300;
        QTest::newRow("high-pass") << 4000 << 20000 << true << 4000;
        QTest::newRow("band-pass") << 600 << 1000 << true << 600;
        QTest::newRow("typed out of range") << 99999 << 0 << true << 20000;
    }
    void theFilterShapesTheWave()
    {
        QFETCH(int, cutOff);
        QFETCH(int, second);
        QFETCH(bool, on);
        QFETCH(int, storedCutOff);
        QTemporaryDir dir;
        const QString file = Wav(dir, "a.wav", 3000, true);
        CTimeLineRig rig;
        QVERIFY(rig.Control().AddMusicFile(file, true));
        auto* block = static_cast<CMediaTimeBlock*>(rig.Control().MusicLine()->m_blocks.first());
        const QVector<int> raw = rig.Control().ShownWave(block, false);
        rig.Control().Dialogs().chooseFilter = [&](int& c, int& s, bool& f) {
            c = cutOff;
            s = second;
            f = on;
            return true;
        };
        rig.Control().SelectBlock(block);
        rig.Control().OnMediaFilter();
        QCOMPARE(block->m_cutOff, storedCutOff);
        QCOMPARE(block->m_filter, on);
        CAudioFileDecoder reference;
        int maxLength = 0, duration = 0;
        QVERIFY(reference.DecodeAudioFile(file, CTimeLineCtrl::kWaveValuesPerSecond, maxLength, duration));
        reference.BandFilter(raw.constData(), raw.size(), storedCutOff, second);
        QCOMPARE(rig.Control().ShownWave(block, false), on ? reference.FilterOutput() : raw);
        QVERIFY(rig.host.modified);
    }
};

ORVANE_TEST(TimeLineWaveTest)
#include "TimeLineWaveTest.moc"
