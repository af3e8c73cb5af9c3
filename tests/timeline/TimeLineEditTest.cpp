#include "DataTable.h"
#include "SyntheticMouse.h"
#include "TestRegistry.h"
#include "ShowAtBound.h"
#include "TimeLineRig.h"

#include "show/Page.h"

#include <QMimeData>
#include <QtTest>

using namespace SyntheticMouse;

// Editing the timeline with the mouse, the menus, the clipboard and drops.
class TimeLineEditTest : public QObject
{
    Q_OBJECT

    // Two scene blocks on the first scene line of a shown timeline.
    struct SEdit
    {
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        CTimeLine* line = rig.Line(0);
        SEdit() { rig.ShowLines(); }
        CTimeBlock* Add(int start, int length) { return rig.Block(line, scene, start, length); }
        QPoint Edge(const CTimeBlock* block, bool stop)
        {
            const QRect rect = rig.Control().BlockRect(block);
            return QPoint(stop ? rect.right() - 2 : rect.left() + 2, rect.center().y());
        }
    };

private slots:
    // Resizing and the bounds of a block among the other blocks of its line.
    void resizesStopAtTheBounds_data()
    {
        QTest::addColumn<int>("earlier"); // start of an earlier block, -1 for none
        QTest::addColumn<bool>("stopEdge");
        QTest::addColumn<int>("toMs");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::newRow("start to the stop") << -1 << false << 9000 << 5000 << 6000;
        QTest::newRow("stop to the start") << -1 << true << 100 << 2000 << 3000;
        QTest::newRow("start after a block at 0") << 0 << false << 120 << 1000 << 6000;
        QTest::newRow("start after a block at 400") << 400 << false << 120 << 1400 << 6000;
        QTest::newRow("start free to the left") << -1 << false << 800 << 800 << 6000;
    }
    void resizesStopAtTheBounds()
    {
        QFETCH(int, earlier);
        QFETCH(bool, stopEdge);
        QFETCH(int, toMs);
        SEdit edit;
        if (earlier >= 0)
            edit.Add(earlier, 200);
        CTimeBlock* block = edit.Add(2000, 4000);
        edit.rig.Control().FixLine(edit.line);
        const QPoint from = edit.Edge(block, stopEdge);
        Drag(&edit.rig.Control(), from, QPoint(edit.rig.Ruler().TimeToX(toMs), from.y()));
        QTEST(block->m_start, "start");
        QTEST(block->m_stop, "stop");
    }

    // A (5000-7000) then B (1000-3000, on a second line) selected: B is
    // current. The edge grabbed is the block resized.
    void theGrabbedEdgeResizesItsBlock_data()
    {
        Columns<QString, bool, int, QString>("grab", "stopEdge", "toMs", "times");
        QTest::newRow("stop of the other") << "A" << true << 9000 << "5000-9000 1000-3000";
        QTest::newRow("start of the other") << "A" << false << 4000 << "4000-7000 1000-3000";
        QTest::newRow("stop of the current") << "B" << true << 4000 << "5000-7000 1000-4000";
    }
    void theGrabbedEdgeResizesItsBlock()
    {
        const auto [grab, stopEdge, toMs, times] = Row<QString, bool, int, QString>("grab", "stopEdge", "toMs", "times");
        SEdit edit;
        edit.rig.Control().InsertLine(1);
        edit.rig.ShowLines();
        CTimeBlock* a = edit.Add(5000, 2000);
        CTimeBlock* b = edit.rig.Block(edit.rig.Line(1), edit.scene, 1000, 2000);
        Drag(&edit.rig.Control(), edit.rig.At(edit.line, 6000), edit.rig.At(edit.line, 6000));
        const QPoint atB = edit.rig.At(edit.rig.Line(1), 2000);
        Drag(&edit.rig.Control(), atB, atB, Qt::ControlModifier);
        QCOMPARE(edit.rig.Control().CurrentBlock(), b);
        const QPoint from = edit.Edge(grab == "A" ? a : b, stopEdge);
        Drag(&edit.rig.Control(), from, QPoint(edit.rig.Ruler().TimeToX(toMs), from.y()));
        QCOMPARE(QStringLiteral("%1-%2 %3-%4").arg(a->m_start).arg(a->m_stop).arg(b->m_start).arg(b->m_stop), times);
    }

    // A music block at 5000 of a 4000-ms file, 2000 ms long, after a block at 0.
    void defaultSizeStaysWithinTheSpan_data()
    {
        Columns<int, int, int>("next", "timeLine", "length"); // next block's start, -1 for none
        QTest::newRow("up to the next block") << 8000 << 20000 << 3000;
        QTest::newRow("room for the file") << 12000 << 20000 << 4000;
        QTest::newRow("up to the end") << -1 << 7500 << 2500;
    }
    void defaultSizeStaysWithinTheSpan()
    {
        const auto [next, timeLine, length] = Row<int, int, int>("next", "timeLine", "length");
        CTimeLineRig rig(timeLine);
        rig.Music(QStringLiteral("a.wav"), 0, 1000, 1000);
        CMediaTimeBlock* block = rig.Music(QStringLiteral("a.wav"), 5000, 2000, 4000);
        if (next >= 0)
            rig.Music(QStringLiteral("a.wav"), next, 1000, 1000);
        rig.Control().SelectBlock(block);
        rig.Control().OnMediaDefaultSize();
        QCOMPARE(block->m_length, length);
    }

    void aDraggedBlockSnapsToAMarker_data()
    {
        QTest::addColumn<int>("dx"); // from the marker, in pixels
        QTest::addColumn<bool>("snaps");
        QTest::newRow("10 right") << 10 << true;
        QTest::newRow("10 left") << -10 << true;
        QTest::newRow("11 right") << 11 << false;
        QTest::newRow("11 left") << -11 << false;
    }
    void aDraggedBlockSnapsToAMarker()
    {
        QFETCH(int, dx);
        QFETCH(bool, snaps);
        SEdit edit;
        CTimeBlock* block = edit.Add(1000, 1000);
        edit.rig.Control().AddMarkerAt(5000);
        const CTimeMarker* marker = edit.rig.Ruler().Markers().first();
        const int markerX = edit.rig.Ruler().MarkerX(marker);
        const QPoint grip = edit.rig.At(edit.line, 1500);
        const int offset = grip.x() - edit.rig.Ruler().TimeToX(1000);
        Drag(&edit.rig.Control(), grip, QPoint(markerX + dx + offset, grip.y()));
        int x = markerX + dx;
        QCOMPARE(block->m_start, snaps ? 5000 : edit.rig.Ruler().XToTime(x));
        QCOMPARE(edit.rig.Control().BlockMarker(block), snaps ? marker : nullptr);
    }

    // Lines from the top: music, scene, scene; a block dragged to another line.
    void blocksChangeOnlySceneLines_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("endsOn");
        QTest::newRow("scene to scene") << 1 << 2 << 2;
        QTest::newRow("scene to music") << 1 << 0 << 1;
        QTest::newRow("music to scene") << 0 << 1 << 0;
    }
    void blocksChangeOnlySceneLines()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, endsOn);
        SEdit edit;
        edit.rig.Music(QStringLiteral("a.wav"), 1000, 2000, 2000);
        edit.rig.Control().InsertLine(2);
        edit.Add(1000, 2000);
        edit.rig.ShowLines();
        CTimeBlock* block = edit.rig.Line(from)->m_blocks.first();
        const QPoint grip = edit.rig.At(edit.rig.Line(from), 1500);
        Drag(&edit.rig.Control(), grip, edit.rig.At(edit.rig.Line(to), 1500));
        QCOMPARE(edit.rig.Control().LineOf(block), edit.rig.Line(endsOn));
        QCOMPARE(edit.rig.Control().CurrentLine(), edit.rig.Line(endsOn));
    }

    // Steps: "A" or "B" presses that block, "-" the empty line, "~" draws a
    // band over both from the empty start of the line; "^" holds Ctrl.
    void clicksSelect_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("selected");
        QTest::newRow("ctrl unselects") << QStringList{"A", "^A"} << "";
        QTest::newRow("ctrl adds") << QStringList{"A", "^B"} << "AB";
        QTest::newRow("ctrl on empty keeps") << QStringList{"A", "^-"} << "A";
        QTest::newRow("empty clears") << QStringList{"A", "-"} << "";
        QTest::newRow("plain replaces") << QStringList{"A", "B"} << "B";
        QTest::newRow("band takes both") << QStringList{"~"} << "AB";
        QTest::newRow("ctrl band toggles") << QStringList{"A", "^~"} << "B";
    }
    void clicksSelect()
    {
        QFETCH(QStringList, steps);
        SEdit edit;
        CTimeBlock* a = edit.Add(1000, 1000);
        CTimeBlock* b = edit.Add(4000, 1000);
        const QHash<QChar, QPoint> at{{'A', edit.rig.At(edit.line, 1500)},
                                      {'B', edit.rig.At(edit.line, 4500)},
                                      {'-', edit.rig.At(edit.line, 8000)},
                                      {'~', edit.rig.At(edit.line, 200) - QPoint(0, 5)}};
        for (const QString& step : steps) {
            const bool ctrl = step.startsWith('^');
            const QPoint pos = at.value(step.back());
            const QPoint to = step.back() == '~' ? edit.rig.At(edit.line, 6000) + QPoint(0, 5) : pos;
            Drag(&edit.rig.Control(), pos, to, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        }
        QString selected;
        for (const CTimeBlock* block : edit.rig.Control().Selection())
            selected += block == a ? 'A' : block == b ? 'B' : '?';
        QTEST(selected, "selected");
    }

    // The media entries of the block menu, by what is selected.
    void mediaEntriesNeedOneMediaBlock_data()
    {
        QTest::addColumn<QString>("pressed"); // "m" music, "M" music with Ctrl, "s" scene
        QTest::addColumn<bool>("media");
        QTest::newRow("one music") << "m" << true;
        QTest::newRow("two music") << "mM" << false;
        QTest::newRow("one scene") << "s" << false;
    }
    void mediaEntriesNeedOneMediaBlock()
    {
        QFETCH(QString, pressed);
        QFETCH(bool, media);
        SEdit edit;
        edit.Add(1000, 1000);
        CTimeBlock* music = edit.rig.Music(QStringLiteral("a.wav"), 1000, 2000, 2000);
        edit.rig.Music(QStringLiteral("b.wav"), 5000, 2000, 2000);
        edit.rig.ShowLines();
        CTimeLine* musicLine = edit.rig.Control().LineOf(music);
        const QHash<QChar, QPoint> at{{'m', edit.rig.At(musicLine, 1500)},
                                      {'M', edit.rig.At(musicLine, 5500)},
                                      {'s', edit.rig.At(edit.line, 1500)}};
        for (const QChar c : pressed)
            Drag(&edit.rig.Control(), at[c], at[c], c == 'M' ? Qt::ControlModifier : Qt::NoModifier);
        edit.rig.AnswerMenus();
        edit.rig.RightClick(at[pressed.back()]);
        for (const QString& entry : {QStringLiteral("Filter"), QStringLiteral("Loops"), QStringLiteral("Stereo")})
            QCOMPARE(edit.rig.menu.contains(entry) || edit.rig.menu.contains('-' + entry), media);
        // Dialogs the program has not given stay disabled.
        QVERIFY(!edit.rig.menu.contains(QStringLiteral("Start schedule")));
    }

    void musicIsNotPastedOnASceneLine()
    {
        SEdit edit;
        CTimeBlock* music = edit.rig.Music(QStringLiteral("a.wav"), 1000, 2000, 2000);
        edit.rig.ShowLines();
        edit.rig.Control().SelectBlock(music);
        edit.rig.Control().OnCopy();
        edit.rig.AnswerMenus(QStringLiteral("Paste"));
        edit.rig.RightClick(edit.rig.At(edit.line, 8000));
        QVERIFY(edit.rig.menu.contains(QStringLiteral("Paste")));
        QVERIFY(edit.line->m_blocks.isEmpty());
        edit.rig.RightClick(edit.rig.At(edit.rig.Control().MusicLine(), 8000));
        QCOMPARE(edit.rig.Control().MusicLine()->m_blocks.size(), 2);
        QCOMPARE(edit.rig.Control().MusicLine()->m_blocks.last()->m_start, 8000);
    }

    void aPastedBlockEndsAtTheNextOne()
    {
        SEdit edit;
        edit.rig.Control().SelectBlock(edit.Add(1000, 3000));
        edit.Add(9000, 1000);
        edit.rig.Control().OnCopy();
        edit.rig.AnswerMenus(QStringLiteral("Paste"));
        edit.rig.RightClick(edit.rig.At(edit.line, 8000));
        const CTimeBlock* pasted = edit.rig.Control().CurrentBlock();
        QVERIFY(pasted && edit.line->m_blocks.contains(const_cast<CTimeBlock*>(pasted)));
        QCOMPARE(pasted->m_start, 8000);
        QCOMPARE(pasted->m_stop, 9000);
        QCOMPARE(edit.rig.Control().Label(pasted), QStringLiteral("Scenes - S"));
    }

    // Blocks copied from two lines paste both or neither: with room for
    // one more block, neither.
    void pastedBlocksNeedRoomForAll_data()
    {
        Columns<int, int>("room", "pasted");
        QTest::newRow("room for one of two") << 1 << 0;
        QTest::newRow("room for both") << 2 << 2;
    }
    void pastedBlocksNeedRoomForAll()
    {
        const auto [room, pasted] = Row<int, int>("room", "pasted");
        SEdit edit;
        edit.rig.AnswerMenus();
        edit.rig.Control().InsertLine(1);
        edit.rig.ShowLines();
        edit.Add(1000, 500);
        edit.rig.Block(edit.rig.Line(1), edit.scene, 1000, 500);
        Drag(&edit.rig.Control(), edit.rig.At(edit.line, 500) - QPoint(0, 5), edit.rig.At(edit.rig.Line(1), 2000));
        QCOMPARE(edit.rig.Control().Selection().size(), 2);
        edit.rig.Control().OnCopy();
        FillToBound(edit.rig.project, CShowBounds::TimeBlocks, room, edit.scene);
        const qint64 before = CShowBounds::Held(edit.rig.project, CShowBounds::TimeBlocks);
        edit.rig.RightClick(edit.rig.At(edit.line, 15000));
        edit.rig.Control().OnPaste();
        QCOMPARE(CShowBounds::Held(edit.rig.project, CShowBounds::TimeBlocks), before + pasted);
    }

    void aDeletedSceneLeavesTheClipboard()
    {
        SEdit edit;
        edit.rig.Control().SelectBlock(edit.Add(1000, 1000));
        edit.rig.Control().OnCopy();
        edit.rig.Control().RemoveSceneBlocks(edit.scene);
        edit.rig.project.m_firstPage->DeleteScene(edit.scene);
        QCOMPARE(edit.rig.Control().ClipboardSize(), 0);
        edit.rig.Control().OnPaste();
        QVERIFY(edit.line->m_blocks.isEmpty());
    }

    // Drops of the live page's current scene: "free" an empty span of the
    // scene line, "block" a block on it, "music" the music line.
    void dropsAddTheLiveScene_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("liveScene");
        QTest::addColumn<int>("added");
        QTest::newRow("free span") << "free" << true << 1;
        QTest::newRow("on a block") << "block" << true << 0;
        QTest::newRow("music line") << "music" << true << 0;
        QTest::newRow("no live scene") << "free" << false << 0;
    }
    void dropsAddTheLiveScene()
    {
        QFETCH(QString, where);
        QFETCH(bool, liveScene);
        SEdit edit;
        edit.Add(1000, 1000);
        edit.rig.Music(QStringLiteral("a.wav"), 0, 2000, 2000);
        edit.rig.ShowLines();
        edit.rig.host.livePage = edit.rig.project.m_firstPage;
        edit.rig.host.liveScene = liveScene ? edit.rig.Scene(QStringLiteral("Dropped")) : nullptr;
        const int before = SceneBlockCount(edit.rig.project.m_timeLine) + edit.rig.Control().MusicLine()->m_blocks.size();
        const QPoint pos = where == "music" ? edit.rig.At(edit.rig.Control().MusicLine(), 5000)
                                            : edit.rig.At(edit.line, where == "block" ? 1500 : 5000);
        QMimeData payload;
        payload.setData(QStringLiteral("image/zk-sceneline"), QByteArray("ignored"));
        QDragEnterEvent enter(pos, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit.rig.Control(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(pos, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit.rig.Control(), &drop);
        const int after = SceneBlockCount(edit.rig.project.m_timeLine) + edit.rig.Control().MusicLine()->m_blocks.size();
        QTEST(after - before, "added");
        if (after > before)
            QCOMPARE(edit.line->m_blocks.last()->m_scene, edit.rig.host.liveScene);
    }

    void deleteWaitsWhilePlaying()
    {
        SEdit edit;
        CTimeBlock* block = edit.Add(1000, 1000);
        const QPoint pos = edit.rig.At(edit.line, 1500);
        Drag(&edit.rig.Control(), pos, pos);
        QCOMPARE(edit.rig.host.deleteTarget, CTimeLineCtrl::kDeleteTarget);
        edit.rig.window->Play();
        QVERIFY(edit.rig.window->KeyPress(Qt::Key_Delete));
        QCOMPARE(edit.line->m_blocks, QList<CTimeBlock*>{block});
        edit.rig.window->Stop();
        QVERIFY(edit.rig.window->KeyPress(Qt::Key_Delete));
        QVERIFY(edit.line->m_blocks.isEmpty());
    }

    void aRemovedMusicBlockIsForgotten()
    {
        CTimeLineRig rig;
        CMediaTimeBlock* music = rig.Music(QStringLiteral("a.wav"), 0, 2000, 2000);
        rig.ShowLines();
        rig.Control().SetPosition(500, false);
        QCOMPARE(rig.Control().CurrentMusicBlock(), music);
        rig.Control().SelectBlock(music);
        rig.Control().OnRemoveSelected();
        QVERIFY(!rig.Control().CurrentMusicBlock());
        rig.player.ReachEnd();
        rig.Control().SetPosition(600, false);
    }

    void removingTheVideoLineDeletesItsWindow()
    {
        CTimeLineRig rig;
        auto* video = NewMediaLine(CTimeLine::VideoLine);
        rig.project.m_timeLine.AddLine(video);
        rig.Control().LayoutLines();
        rig.Control().SetVideoVisible(true, false);
        QVERIFY(rig.Control().VideoWindow());
        QVERIFY(rig.Control().RemoveLine(rig.Control().Lines().indexOf(video)));
        QVERIFY(!rig.Control().VideoWindow());
        QVERIFY(!rig.Control().VideoLine());
    }

    // Blocks at 0 (500 ms) and 12000 (1000 ms) of a 20-s timeline, and the
    // block linked to a marker between them or after them, `length` long
    // (-1: an endless scene's open end).
    void markersMoveTheirBlocksWithinBounds_data()
    {
        Columns<int, int, int, int, int>("at", "length", "to", "start", "stop");
        QTest::newRow("free") << 2000 << 1000 << 3000 << 3000 << 4000;
        QTest::newRow("close to the earlier block") << 2000 << 1000 << 600 << 1000 << 2000;
        QTest::newRow("past its own end") << 2000 << 1000 << 8000 << 8000 << 9000;
        QTest::newRow("close to the next block") << 2000 << 1000 << 13000 << 11000 << 12000;
        QTest::newRow("long, close to the next block") << 2000 << 4000 << 9000 << 8000 << 12000;
        QTest::newRow("long, near the end") << 14000 << 4000 << 19920 << 16000 << 20000;
        QTest::newRow("long, back") << 14000 << 4000 << 13500 << 13500 << 17500;
        QTest::newRow("open end, close to the next block") << 2000 << -1 << 11500 << 11000 << 12000;
        QTest::newRow("open end, near the end") << 14000 << -1 << 19920 << 19000 << -1;
        QTest::newRow("longer than its room") << 14000 << 9000 << 15000 << 14000 << 23000;
    }
    void markersMoveTheirBlocksWithinBounds()
    {
        const auto [at, length, to, start, stop] = Row<int, int, int, int, int>("at", "length", "to", "start", "stop");
        SEdit edit;
        edit.Add(0, 500);
        CTimeBlock* block = edit.Add(at, length);
        edit.Add(12000, 1000);
        edit.rig.Control().AddMarkerAt(at);
        edit.rig.Control().AttachMarkers();
        edit.rig.Ruler().SelectMarker(0);
        edit.rig.Ruler().SetSelectedMarkerTime(to);
        QCOMPARE(QStringLiteral("%1-%2").arg(block->m_start).arg(block->m_stop),
                 QStringLiteral("%1-%2").arg(start).arg(stop));
        QCOMPARE(edit.rig.Control().BlockMarker(block) != nullptr, block->m_start == to);
    }
};

ORVANE_TEST(TimeLineEditTest)
#include "TimeLineEditTest.moc"
