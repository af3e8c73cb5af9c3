#include "DataTable.h"
#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "MediaFiles.h"
#include "RawChannelScene.h"
#include "ShownDialogs.h"
#include "WindowRig.h"
#include "app/Orvane.h"
#include "media/SystemMusicPlayer.h"
#include "show/Page.h"
#include "show/Scene.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"

#include <QtTest>

// The timeline's music and the scenes' sounds on a system with no sound
// output, played through the main window: the operator reads it once in
// the window.
class MainWindowMusicTest : public QObject
{
    Q_OBJECT

    // The main window, its players made for a system with no sound output.
    static Orvane& SilentWindow(CWindowRigBase& rig)
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        rig.Start(std::move(setup));
        rig.window->SetMusicPlayerMaker(
            [](QObject* parent) { return new CSystemMusicPlayer(parent, [] { return false; }); });
        return *rig.window;
    }

private slots:
    // A one-second music block, looping; the play goes on for `ms` in
    // quarter seconds, "stop" plays it again after a stop.
    void aSilentSystemIsToldOnce_data()
    {
        Columns<int, bool>("ms", "stop");
        QTest::newRow("one start") << 500 << false;
        QTest::newRow("three loops") << 3250 << false;
        QTest::newRow("played again") << 1500 << true;
    }
    void aSilentSystemIsToldOnce()
    {
        const auto [ms, stop] = Row<int, bool>("ms", "stop");
        CWindowRigBase rig;
        Orvane& window = SilentWindow(rig);
        const QString song =
            WriteWav(QDir(rig.dir.path()), QStringLiteral("song.wav"), WavFormat(), 44100, SquareOn(0, 3000));
        CTimeLineData& data = window.Project().m_timeLine;
        data.m_lines.prepend(data.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
        data.m_musicLine->m_wave = false;
        CMediaTimeBlock* block = NewMediaBlock(song);
        block->m_length = block->m_mediaLength = 1000;
        data.m_musicLine->AddBlock(block);
        CTimeLineWnd& timeLine = *window.TimeLinePanel();
        timeLine.Control().FixLine(data.m_musicLine);

        CShownDialogs boxes(QMessageBox::Ok);
        const auto play = [&](int forMs) {
            timeLine.Play();
            QVERIFY(timeLine.IsPlaying());
            for (int t = 0; t < forMs; t += 250) {
                timeLine.Tick(250);
                QCoreApplication::processEvents();
            }
        };
        play(ms);
        if (stop) {
            timeLine.Stop();
            play(ms);
        }
        QCoreApplication::processEvents();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown.first().contains(QStringLiteral("music cannot be played")), qPrintable(boxes.shown.first()));
        timeLine.Stop();
    }

    // A scene with a sound, started by its key `starts` times in each of
    // `shows` shows (File New between them): the box comes once a show,
    // from the event loop once the start is over, not inside it.
    void aSceneSoundOnASilentSystemIsToldOnce_data()
    {
        Columns<int, int>("starts", "shows");
        QTest::newRow("one start") << 1 << 1;
        QTest::newRow("three starts") << 3 << 1;
        QTest::newRow("a new show") << 2 << 2;
    }
    void aSceneSoundOnASilentSystemIsToldOnce()
    {
        const auto [starts, shows] = Row<int, int>("starts", "shows");
        CWindowRigBase rig;
        Orvane& window = SilentWindow(rig);
        const QString bell =
            WriteWav(QDir(rig.dir.path()), QStringLiteral("bell.wav"), WavFormat(), 44100, SquareOn(0, 3000));

        CShownDialogs boxes(QMessageBox::Ok);
        for (int show = 0; show < shows; ++show) {
            if (show > 0)
                window.OnFileNew();
            CScene* scene = AddRawChannelScene(window.Project(), QStringLiteral("Bell"), {{0, 0, 255}});
            scene->m_triggers.ParseShortCut(QStringLiteral("B"));
            scene->m_playSound = true;
            scene->m_sound = bell;
            for (int start = 0; start < starts; ++start) {
                const int told = boxes.shown.size();
                QTest::keyClick(&window, Qt::Key_B);
                QVERIFY(window.Project().m_firstPage->IsPlaying(scene));
                QCOMPARE(boxes.shown.size(), told);
                QCoreApplication::processEvents();
                QCOMPARE(boxes.shown.size(), show + 1);
                // Pressed again it stops, at the next tick.
                QTest::keyClick(&window, Qt::Key_B);
                rig.NextTick();
                QVERIFY(!window.Project().m_firstPage->IsPlaying(scene));
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(boxes.shown.size(), shows);
        for (const QString& text : qAsConst(boxes.shown))
            QVERIFY2(text.contains(QStringLiteral("sounds cannot be played")), qPrintable(text));
    }
};

ORVANE_TEST(MainWindowMusicTest)
#include "MainWindowMusicTest.moc"
