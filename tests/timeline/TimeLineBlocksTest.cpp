#include "DataTable.h"
#include "HeapInUse.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "show/EffectScene.h"

#include <QtTest>

// Lines and blocks: their stops, colours, copies, ends and labels.
class TimeLineBlocksTest : public QObject
{
    Q_OBJECT

private slots:
    // Blocks given as start and length (-1 or 0: as long as the scene) on
    // one line; "loops" 0 makes every scene endless, 2 lasts 2000 ms.
    void stopsAfterAFix_data()
    {
        QTest::addColumn<int>("loops");
        QTest::addColumn<QList<int>>("starts");
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QList<int>>("stops");
        QTest::newRow("endless alone") << 0 << QList<int>{500} << QList<int>{-1} << QList<int>{-1};
        QTest::newRow("endless ends at the next") << 0 << QList<int>{3000, 500} << QList<int>{-1, -1}
                                                  << QList<int>{-1, 3000};
        QTest::newRow("length wins") << 0 << QList<int>{500} << QList<int>{2000} << QList<int>{2500};
        QTest::newRow("overlap cut") << 0 << QList<int>{0, 1000} << QList<int>{4000, 500} << QList<int>{1000, 1500};
        QTest::newRow("equal starts keep both") << 0 << QList<int>{1000, 1000} << QList<int>{2000, 3000}
                                                << QList<int>{3000, 4000};
        QTest::newRow("no length is the scene's") << 2 << QList<int>{500} << QList<int>{0} << QList<int>{2500};
        QTest::newRow("a length of 1 ms") << 2 << QList<int>{500} << QList<int>{1} << QList<int>{501};
    }
    void stopsAfterAFix()
    {
        QFETCH(int, loops);
        QFETCH(QList<int>, starts);
        QFETCH(QList<int>, lengths);
        QFETCH(QList<int>, stops);
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"), loops);
        QList<CTimeBlock*> blocks;
        for (int i = 0; i < starts.size(); ++i)
            blocks << rig.Block(rig.Line(0), scene, starts[i], lengths[i]);
        for (int i = 0; i < stops.size(); ++i)
            QCOMPARE(blocks[i]->m_stop, stops[i]);
    }

    // Music blocks of no length of their own, given as start and the
    // music's length (0 or -1: not known yet).
    void musicStopsAfterAFix_data()
    {
        Columns<QList<int>, QList<int>, QList<int>>("starts", "mediaLengths", "stops");
        QTest::newRow("unknown runs to the next") << QList<int>{1000, 6000} << QList<int>{0, -1}
                                                  << QList<int>{6000, -1};
        QTest::newRow("known stops before the next") << QList<int>{1000, 6000} << QList<int>{3000, 0}
                                                     << QList<int>{4000, -1};
        QTest::newRow("a music of 1 ms") << QList<int>{1000} << QList<int>{1} << QList<int>{1001};
    }
    void musicStopsAfterAFix()
    {
        const auto [starts, mediaLengths, stops] =
            Row<QList<int>, QList<int>, QList<int>>("starts", "mediaLengths", "stops");
        CTimeLineRig rig;
        QList<int> fixed;
        for (int i = 0; i < starts.size(); ++i)
            rig.Music(QStringLiteral("a.wav"), starts[i], -1, mediaLengths[i]);
        for (const CTimeBlock* block : qAsConst(rig.project.m_timeLine.m_musicLine->m_blocks))
            fixed << block->m_stop;
        QCOMPARE(fixed, stops);
    }

    void aSceneThatEndsGivesTheStop()
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"), 2);
        QVERIFY(scene->TotalDuration() > 0);
        QCOMPARE(rig.Block(rig.Line(0), scene, 100)->m_stop, 100 + int(scene->TotalDuration()));
    }

    void theEighthSceneBlockTakesTheFirstColour()
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        QList<int> colours;
        for (int i = 0; i < 8; ++i)
            colours << rig.Block(rig.Line(0), scene, i * 1000, 1000)->m_color;
        QCOMPARE(colours, (QList<int>{0, 1, 2, 3, 4, 5, 6, 0}));
    }

    void aCopyLeavesThePlayStateBehind()
    {
        CTimeLineRig rig;
        CMediaTimeBlock* music = rig.Music(QStringLiteral("a.wav"), 0, 5000, 4000, true);
        music->m_cutOff = 900;
        rig.Control().SetPending(music, true);
        std::unique_ptr<CTimeBlock> copy(CopyBlock(*music));
        QVERIFY(copy->IsMedia());
        QVERIFY(!rig.Control().IsPending(copy.get()));
        const auto& media = static_cast<const CMediaTimeBlock&>(*copy);
        QCOMPARE(media.m_file, music->m_file);
        QCOMPARE(media.m_cutOff, 900);
        QCOMPARE(media.m_mediaLength, 4000);
        QCOMPARE(copy->m_stop, 5000);
    }

    // Where the live page's menu puts the next block of a scene line.
    void lineEnds_data()
    {
        QTest::addColumn<QList<int>>("lengths"); // blocks one after the other from 0
        QTest::addColumn<int>("endTime");         // -1: the line takes no block
        QTest::newRow("empty") << QList<int>{} << 0;
        QTest::newRow("two blocks") << QList<int>{1000, 4000} << 5000;
        QTest::newRow("open end") << QList<int>{1000, -1} << -1;
        QTest::newRow("up to the length") << QList<int>{20000} << -1;
    }
    void lineEnds()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(int, endTime);
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        int start = 0;
        for (int length : lengths) {
            rig.Block(rig.Line(0), scene, start, length);
            start += length;
        }
        QCOMPARE(rig.Control().LineEndX(0), endTime < 0 ? -1 : rig.Ruler().TimeToX(endTime));
    }

    void blocksGoWhereTheMenuSays()
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Music(QStringLiteral("a.wav"), 0, 1000, 1000);
        rig.Control().InsertLine(2);
        QCOMPARE(rig.Control().SceneLineCount(), 2);
        QCOMPARE(rig.Control().SceneLine(1)->m_name, QStringLiteral("Line 2"));
        QVERIFY(rig.Control().AddSceneBlock(rig.project.m_firstPage, scene, rig.Control().SceneLine(1), 5000));
        const CTimeBlock* block = rig.Control().SceneLine(1)->m_blocks.value(0);
        QVERIFY(block);
        QCOMPARE(block->m_start, 5000);
        QCOMPARE(rig.Control().Label(block), rig.project.m_firstPage->m_name + QStringLiteral(" - S"));
        QVERIFY(rig.host.modified);
    }

    // The file names a block's scene by its page: a scene of no page is refused.
    void aSceneOutsideItsPageIsRefused()
    {
        CTimeLineRig rig;
        CScene* effect = rig.project.AddEffectScene();
        QVERIFY(effect);
        QVERIFY(!rig.Control().AddSceneBlock(rig.project.m_firstPage, effect, rig.Line(0), 0));
        QVERIFY(rig.Line(0)->m_blocks.isEmpty());
    }

    // Blocks hold the names of their page and scene, not a label of their
    // own: thousands of blocks of a scene of a long name hold it once. A
    // new name of either gives them a new label.
    void blocksHoldTheirSceneNameOnce()
    {
        CTimeLineRig rig;
        const QString longName(25000, QLatin1Char('n'));
        CScene* scene = rig.Scene(longName);
        CScene* other = rig.Scene(QStringLiteral("T"));
        QList<CTimeBlock*> blocks;
        for (int i = 0; i < 2000; ++i)
            blocks << rig.Block(rig.Line(0), i == 1 ? other : scene, 1000 * i, 1000);
        // As a show's blocks are labelled once it is open.
        const qint64 before = HeapInUse();
        rig.Control().RefreshFromProject();
        const qint64 kept = HeapInUse() - before;
        QVERIFY2(kept < 2000 * 1024, QByteArray::number(kept));
        const QString page = rig.project.m_firstPage->m_name + QStringLiteral(" - ");
        QCOMPARE(rig.Control().Label(blocks[0]), page + longName);
        QCOMPARE(rig.Control().Label(blocks[1]), page + QStringLiteral("T"));
        scene->m_name = QStringLiteral("S");
        rig.Control().UpdateSceneName(scene);
        QCOMPARE(rig.Control().Label(blocks[1999]), page + QStringLiteral("S"));
        QCOMPARE(rig.Control().Label(blocks[1]), page + QStringLiteral("T"));
        rig.project.m_firstPage->m_name = QStringLiteral("P");
        rig.Control().UpdateSceneName(scene);
        QCOMPARE(rig.Control().Label(blocks[2]), QStringLiteral("P - S"));
    }

    void aBlockWithoutItsPageKeepsItsLabel()
    {
        CTimeLineRig rig;
        CTimeBlock* block = rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 0, 1000);
        const QString label = rig.Control().Label(block);
        block->m_page = nullptr;
        rig.Control().UpdateSceneName(block->m_scene);
        QCOMPARE(rig.Control().Label(block), label);
    }

    void theLastLineStays()
    {
        CTimeLineRig rig;
        QVERIFY(!rig.Control().RemoveLine(0));
        rig.Control().InsertLine(1);
        rig.Block(rig.Line(1), rig.Scene(QStringLiteral("S")), 0, 1000);
        rig.host.answer = CShowHost::No;
        QVERIFY(!rig.Control().RemoveLine(1));
        rig.host.answer = CShowHost::Yes;
        QVERIFY(rig.Control().RemoveLine(1));
        QCOMPARE(rig.project.m_timeLine.m_lines.size(), 1);
    }

    // Zoomed in on a short timeline, a block's end a day away lies billions
    // of pixels off: it is drawn to the line's end.
    void aFarEndIsDrawnToTheLineEnd()
    {
        CTimeLineRig rig(100);
        rig.ShowLines();
        CTimeBlock* block = rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 0, CTimeScaleCtrl::kMaxLength);
        const QRect rect = rig.Control().BlockRect(block);
        QVERIFY(rect.isValid());
        QCOMPARE(rect.right(), rig.Control().LineRect(rig.Line(0)).right() - 2);
    }

    // Values out of range in a file are mended and reported; nothing is dropped.
    void badValuesFromAFileAreRepaired()
    {
        CTimeLineRig rig;
        CTimeBlock* block = rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 0, 1000);
        block->m_start = -500;
        block->m_color = 99;
        rig.project.m_timeLine.AddMarker(new CTimeMarker(-1));
        rig.project.m_timeLine.m_length = 999999999;
        rig.window->UpdateFromProject();
        QCOMPARE(block->m_start, 0);
        QCOMPARE(block->m_color, CTimeBlock::kColorCount - 1);
        QCOMPARE(rig.project.m_timeLine.m_markers.value(0)->m_time, 0);
        QCOMPARE(rig.Ruler().Length(), CTimeScaleCtrl::kMaxLength);
        QCOMPARE(rig.Line(0)->m_blocks.size(), 1);
        QVERIFY(rig.host.calls.join(QLatin1Char('\n')).contains(QStringLiteral("ShowInformation")));
    }

    // A show may crowd a line with blocks and markers: stacked at one time,
    // one after another, or ending together. Opening it, drawing it and
    // playing past the ends stay quick.
    void crowdedLinesStayQuick_data()
    {
        QTest::addColumn<int>("step");   // ms between block starts
        QTest::addColumn<int>("length"); // ms, -1: open end
        QTest::addColumn<int>("markers");
        QTest::addColumn<bool>("firstPlays"); // at 1500 ms
        QTest::newRow("stacked at one start") << 0 << -1 << 0 << true;
        QTest::newRow("one after another") << 40 << -1 << 0 << false;
        QTest::newRow("ending together") << 0 << 1000 << 0 << false;
        QTest::newRow("markers on the blocks") << 0 << -1 << kCrowd << true;
    }
    void crowdedLinesStayQuick()
    {
        QFETCH(int, step);
        QFETCH(int, length);
        QFETCH(int, markers);
        QFETCH(bool, firstPlays);
        CTimeLineRig rig(kCrowd * step + 2000);
        CScene* scene = rig.Scene(QStringLiteral("S"));
        CTimeLine* line = rig.Line(0);
        for (int i = 0; i < kCrowd; ++i) {
            auto* block = new CTimeBlock(rig.project.m_firstPage, scene);
            block->m_start = i * step;
            block->m_length = length;
            line->AddBlock(block);
        }
        for (int i = 0; i < markers; ++i)
            rig.project.m_timeLine.AddMarker(new CTimeMarker(0));
        rig.Control().resize(20060, 400);
        const qint64 before = TimeLineVisits();
        rig.window->UpdateFromProject();
        rig.Control().SetPosition(0, true);
        rig.Control().SetPosition(1500, false);
        // A few passes over the line; a pass per pair of blocks makes hundreds of millions.
        const qint64 visits = TimeLineVisits() - before;
        QVERIFY2(visits < 10 * qint64(kCrowd), qPrintable(QString::number(visits)));
        QCOMPARE(line->m_blocks.last()->m_stop, length > 0 ? (kCrowd - 1) * step + length : -1);
        QCOMPARE(rig.Control().IsActive(line->m_blocks.first()), firstPlays);
    }

private:
    static constexpr int kCrowd = 20000;
};

ORVANE_TEST(TimeLineBlocksTest)
#include "TimeLineBlocksTest.moc"
