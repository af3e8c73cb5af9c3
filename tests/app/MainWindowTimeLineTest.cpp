#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "FakeMusicPlayer.h"
#include "RawChannelScene.h"
#include "app/Orvane.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "show/EffectScene.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"

#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A main window in a folder of its own, with a fake music player.
struct CTimeLineWindowRig
{
    QTemporaryDir dir;
    std::unique_ptr<Orvane> window;

    CTimeLineWindowRig()
    {
        COrvaneSetup setup;
        setup.programDir = dir.path();
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.loadErrorWaitMs = 0;
        window = std::make_unique<Orvane>(std::move(setup));
        window->SetMusicPlayerMaker([](QObject* parent) { return new CFakeMusicPlayer(parent); });
    }

    CProject& Project() { return window->Project(); }
    CTimeLineCtrl& Control() { return window->TimeLinePanel()->Control(); }
    CScene* Scene(const QString& name, CPage* page = nullptr)
    {
        return AddRawChannelScene(Project(), name, {{0, 0, 255}}, 0, page);
    }
    // The music line first, then two scene lines.
    void MusicAndTwoLines()
    {
        CTimeLineData& data = Project().m_timeLine;
        data.m_lines.prepend(data.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
        CMediaTimeBlock* music = NewMediaBlock(QStringLiteral("song.wav"));
        music->m_length = 3000;
        data.m_musicLine->AddBlock(music);
        Control().InsertLine(2);
        Control().FixLine(data.m_musicLine);
    }
    bool SaveAndOpen()
    {
        const QString path = dir.filePath(QStringLiteral("show.kv3"));
        return window->SaveProject(path) && window->OpenProject(path);
    }
};

} // namespace

// The main window as the timeline's host: saving and opening it, the live
// page's menu, scenes that move or are refused.
class MainWindowTimeLineTest : public QObject
{
    Q_OBJECT

private slots:
    void aTimelineSurvivesSaveAndOpen()
    {
        CTimeLineWindowRig rig;
        QVERIFY(rig.window->HasTimeLine());
        rig.MusicAndTwoLines();
        rig.Control().AddSceneBlock(rig.Project().m_firstPage, rig.Scene(QStringLiteral("S")),
                                    rig.Control().SceneLine(1), 0);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(4000);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(1000);
        QVERIFY(rig.SaveAndOpen());
        const CTimeLineData& data = rig.Project().m_timeLine;
        QCOMPARE(data.m_lines.size(), 3);
        QVERIFY(data.m_musicLine);
        QCOMPARE(data.m_lines[0], data.m_musicLine);
        QCOMPARE(static_cast<CMediaTimeBlock*>(data.m_musicLine->m_blocks.value(0))->m_file, QStringLiteral("song.wav"));
        QCOMPARE(data.m_lines[2]->m_blocks.size(), 1);
        QCOMPARE(data.m_lines[2]->m_blocks[0]->m_scene->GetName(), QStringLiteral("S"));
        QCOMPARE(data.m_markers.size(), 2);
        QCOMPARE(data.m_markers[0]->m_time, 1000);
        QCOMPARE(rig.window->TimeLinePanel()->Ruler().Markers().size(), 2);
    }

    void theLivePageMenuCountsSceneLinesOnly()
    {
        CTimeLineWindowRig rig;
        rig.MusicAndTwoLines();
        CScene* scene = rig.Scene(QStringLiteral("S"));
        QCOMPARE(rig.window->TimeLineSceneLineCount(), 2);
        auto* page = rig.window->findChild<CPageWnd*>();
        QVERIFY(page);
        QVERIFY(page->AddToTimeLine(rig.Project().m_firstPage->m_scenes.indexOf(scene), 1));
        QCOMPARE(rig.Control().SceneLine(1)->m_blocks.size(), 1);
        QVERIFY(rig.Control().SceneLine(0)->m_blocks.isEmpty());
        rig.window->AddTimeLineSceneLine();
        QCOMPARE(rig.window->TimeLineSceneLineCount(), 3);
    }

    void aMovedSceneTakesItsPageIntoTheFile()
    {
        CTimeLineWindowRig rig;
        CPage* target = rig.Project().AddPage(QStringLiteral("Elsewhere"));
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Control().AddSceneBlock(rig.Project().m_firstPage, scene, rig.Control().SceneLine(0), 0);
        CFadingWnd* fading = rig.window->FadingPanel();
        QVERIFY(fading->AddScene(CFadingWnd::FadeOutList, scene));
        auto* page = rig.window->findChild<CPageWnd*>();
        QVERIFY(page->MoveScene(rig.Project().m_firstPage->m_scenes.indexOf(scene), target));
        QCOMPARE(fading->Table(CFadingWnd::FadeOutList)->item(0, CFadingWnd::ColPage)->text(), QStringLiteral("Elsewhere"));
        const CTimeBlock* block = rig.Control().SceneLine(0)->m_blocks.value(0);
        QCOMPARE(block->m_page, target);
        QCOMPARE(rig.Control().Label(block), QStringLiteral("Elsewhere - S"));
        QVERIFY(rig.SaveAndOpen());
        QCOMPARE(rig.Project().m_timeLine.m_lines.value(0)->m_blocks.value(0)->m_page->m_name,
                 QStringLiteral("Elsewhere"));
    }

    void anEffectSceneIsRefused()
    {
        CTimeLineWindowRig rig;
        CEffectScene* effect = rig.Project().AddEffectScene();
        rig.window->AddTimeLineSceneBlock(rig.Project().m_firstPage, effect, 0, 0);
        QVERIFY(rig.Control().SceneLine(0)->m_blocks.isEmpty());
    }

    void theDeleteKeyRemovesTheSelectedMarker()
    {
        CTimeLineWindowRig rig;
        rig.window->ShowToolPanel(Orvane::kTimelinePanel);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(1000);
        rig.window->TimeLinePanel()->Ruler().SelectMarker(0);
        QTest::keyClick(rig.window.get(), Qt::Key_Delete);
        QVERIFY(rig.Project().m_timeLine.m_markers.isEmpty());
    }
};

ORVANE_TEST(MainWindowTimeLineTest)
#include "MainWindowTimeLineTest.moc"
