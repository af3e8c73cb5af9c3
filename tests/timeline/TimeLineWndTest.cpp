#include "ComboItems.h"
#include "DataTable.h"
#include "HeapInUse.h"
#include "SyntheticMouse.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "show/ShowBounds.h"
#include "widgets/ZKFullTimeEdit.h"

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

namespace {

int FieldTime(const CTimeLineRig& rig, const char* name)
{
    return rig.window->findChild<CZKFullTimeEdit*>(QLatin1String(name))->GetTime();
}

} // namespace

// The timeline window's transport, keys and cursor dragging.
class TimeLineWndTest : public QObject
{
    Q_OBJECT

private slots:
    void playStartsAtTheCursor()
    {
        CTimeLineRig rig;
        rig.project.m_timeLine.m_playLength = false;
        rig.Ruler().SetCursorTime(12345);
        rig.window->Play();
        QVERIFY(rig.window->IsPlaying());
        QVERIFY(rig.host.calls.contains(QStringLiteral("ReleaseScenes")));
        rig.window->Tick(25);
        QCOMPARE(rig.window->PlayTime(), 12370);
        QCOMPARE(rig.Ruler().CursorTime(), 12370);
        QCOMPARE(FieldTime(rig, "timeLineTime"), 12360);
    }

    void aLoopRestartsAtZero()
    {
        CTimeLineRig rig;
        rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 0, 1000);
        rig.Ruler().SetCursorTime(900);
        rig.window->Play();
        rig.window->Tick(200);
        QVERIFY(rig.window->IsPlaying());
        QCOMPARE(rig.window->PlayTime(), 0);
    }

    // Without loop, the end stops the play and lets the scenes go unless
    // they are to keep playing.
    void theEndWithoutLoopStops_data()
    {
        QTest::addColumn<bool>("keepPlaying");
        QTest::addColumn<int>("releases");
        QTest::addColumn<int>("lastTick");
        QTest::newRow("release") << false << 2 << 1000;
        QTest::newRow("keep playing") << true << 1 << 1000;
        // 25 + 975 lands on the block's end, 1000 ms.
        QTest::newRow("exactly at the end") << false << 2 << 975;
    }
    void theEndWithoutLoopStops()
    {
        QFETCH(bool, keepPlaying);
        QFETCH(int, lastTick);
        CTimeLineRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Block(rig.Line(0), scene, 0, 1000);
        rig.project.m_timeLine.m_loop = false;
        rig.project.m_timeLine.m_keepPlaying = keepPlaying;
        rig.window->Play();
        rig.window->Tick(25);
        QVERIFY(rig.project.m_firstPage->IsPlaying(scene));
        rig.window->Tick(lastTick);
        QVERIFY(!rig.window->IsPlaying());
        QCOMPARE(rig.Ruler().CursorTime(), 0);
        QCOMPARE(FieldTime(rig, "timeLineTime"), 0);
        QTEST(int(rig.host.calls.count(QStringLiteral("ReleaseScenes"))), "releases");
    }

    void nothingToPlayDoesNothing_data()
    {
        QTest::addColumn<bool>("playLength");
        QTest::addColumn<int>("length");
        QTest::newRow("no block") << true << 20000;
        QTest::newRow("zero length") << false << 0;
    }
    void nothingToPlayDoesNothing()
    {
        QFETCH(bool, playLength);
        QFETCH(int, length);
        CTimeLineRig rig;
        rig.window->SetLength(length);
        rig.project.m_timeLine.m_playLength = playLength;
        rig.window->Play();
        QVERIFY(!rig.window->IsPlaying());
    }

    void keys()
    {
        CTimeLineRig rig;
        rig.project.m_timeLine.m_playLength = false;
        // Stopped, with the mouse away from the lines, Return is not ours.
        QVERIFY(!rig.window->KeyPress(Qt::Key_Return));
        QVERIFY(rig.window->KeyPress(Qt::Key_Space));
        QVERIFY(rig.window->IsPlaying());
        rig.window->Tick(10019);
        QVERIFY(rig.window->KeyPress(Qt::Key_Return));
        QCOMPARE(rig.project.m_timeLine.m_markers.size(), 1);
        QCOMPARE(rig.project.m_timeLine.m_markers[0]->m_time, 10000);
        QCOMPARE(rig.window->findChild<QComboBox*>(QStringLiteral("timeLineMarkers"))->count(), 1);
        QVERIFY(rig.window->KeyPress(Qt::Key_Space));
        QVERIFY(rig.window->IsPaused());
        QVERIFY(rig.window->findChild<QToolButton*>(QStringLiteral("timeLinePause"))->isChecked());
        QVERIFY(!rig.window->KeyPress(Qt::Key_A));
    }

    // Dragging the cursor while playing pauses and resumes, unless the
    // play was paused before.
    void cursorDragDuringPlay_data()
    {
        QTest::addColumn<bool>("pausedBefore");
        QTest::newRow("playing") << false;
        QTest::newRow("paused") << true;
    }
    void cursorDragDuringPlay()
    {
        QFETCH(bool, pausedBefore);
        CTimeLineRig rig;
        rig.project.m_timeLine.m_playLength = false;
        rig.window->Play();
        rig.window->Tick(25);
        if (pausedBefore)
            rig.window->Pause();
        QTest::mousePress(&rig.Ruler(), Qt::LeftButton, {}, QPoint(5000, 30));
        QVERIFY(rig.window->IsPaused());
        QMouseEvent move(QEvent::MouseMove, QPointF(7000, 30), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&rig.Ruler(), &move);
        QCOMPARE(rig.window->PlayTime(), 7000);
        QTest::mouseRelease(&rig.Ruler(), Qt::LeftButton, {}, QPoint(7000, 30));
        QCOMPARE(rig.window->IsPaused(), pausedBefore);
        rig.window->Tick(25);
        QCOMPARE(rig.window->PlayTime(), pausedBefore ? 7000 : 7025);
    }

    // The list beside the ruler names the markers in the ruler's order, the
    // selected one current: `held` markers the show already had ("5000 1000"
    // is out of time order), the last of them selected, then each of
    // `added`, "m" by the mouse's menu, "t" at a time (a key or the tool
    // button). An add at a time puts the markers in time order.
    void theMarkerListFollowsEachAdd_data()
    {
        Columns<QString, QString>("held", "added");
        QTest::newRow("at times in order") << "" << "t1000 t2000 t3000";
        QTest::newRow("at times out of order") << "" << "t3000 t1000 t2000 t500";
        QTest::newRow("at one time") << "" << "t2000 t2000 t1000 t2000";
        QTest::newRow("by the mouse, then at a time") << "" << "m5000 m1000 t3000 m2000 t4000";
        QTest::newRow("a show's markers out of order") << "5000 1000" << "t3000 t6000";
        QTest::newRow("a show's markers in order") << "1000 5000" << "t3000 t6000";
    }
    void theMarkerListFollowsEachAdd()
    {
        const auto [held, added] = Row<QString, QString>("held", "added");
        CTimeLineRig rig;
        for (const QString& t : held.split(' ', Qt::SkipEmptyParts))
            rig.project.m_timeLine.AddMarker(new CTimeMarker(t.toInt()));
        rig.window->UpdateFromProject();
        rig.Ruler().SelectMarker(rig.Ruler().Markers().size() - 1);
        rig.ShowLines();
        rig.AnswerMenus(QStringLiteral("Add Marker"));
        const auto* list = rig.window->findChild<QComboBox*>(QStringLiteral("timeLineMarkers"));
        for (const QString& add : added.split(' ')) {
            const int ms = add.mid(1).toInt();
            const QList<CTimeMarker*> before = rig.Ruler().Markers();
            if (add.startsWith('m'))
                rig.RightClick(rig.At(rig.Line(0), ms));
            else
                rig.Control().AddMarkerAt(ms);
            const QList<CTimeMarker*>& markers = rig.Ruler().Markers();
            QStringList expected;
            for (const CTimeMarker* marker : markers)
                expected << TimeMarkerLabel(*marker);
            QCOMPARE(ComboItems(*list), expected);
            if (add.startsWith('t'))
                QVERIFY(std::is_sorted(markers.begin(), markers.end(),
                                       [](const CTimeMarker* a, const CTimeMarker* b) { return a->m_time < b->m_time; }));
            // Of markers at one time, the newest holds the blocks: it comes last.
            const int at = int(std::find_if(markers.begin(), markers.end(),
                                            [&](CTimeMarker* m) { return !before.contains(m); }) - markers.begin());
            QVERIFY(at == markers.size() - 1 || markers[at + 1]->m_time != ms);
            QCOMPARE(list->currentIndex(), rig.Ruler().SelectedIndex());
        }
    }

    void removingAMarkerUnlinksItsBlocks()
    {
        CTimeLineRig rig;
        rig.project.m_timeLine.AddMarker(new CTimeMarker(2000));
        CTimeBlock* block = rig.Block(rig.Line(0), rig.Scene(QStringLiteral("S")), 2000, 1000);
        rig.window->UpdateFromProject();
        QVERIFY(rig.Control().BlockMarker(block));
        rig.Ruler().SelectMarker(0);
        rig.window->findChild<QToolButton*>(QStringLiteral("timeLineRemoveMarker"))->click();
        QVERIFY(rig.project.m_timeLine.m_markers.isEmpty());
        QVERIFY(!rig.Control().BlockMarker(block));
        QCOMPARE(rig.window->findChild<QComboBox*>(QStringLiteral("timeLineMarkers"))->count(), 0);
    }

    // A show saved while the timeline played plays on from its cursor.
    void aShowSavedWhilePlayingResumes()
    {
        CTimeLineRig rig;
        rig.project.m_timeLine.m_playLength = false;
        rig.project.m_timeLine.m_playing = true;
        rig.project.m_timeLine.m_cursorTime = 4000;
        rig.window->UpdateFromProject();
        QVERIFY(rig.window->IsPlaying());
        rig.window->Tick(25);
        QCOMPARE(rig.window->PlayTime(), 4025);
    }

    // A press on an option's button released on it or away from it: the
    // option and the button's mark stay one.
    void optionButtonsFollowTheirMark_data()
    {
        Columns<QString, bool>("button", "away");
        for (const char* button : {"timeLineLoop", "timeLinePlayLen", "timeLinePlayFrom", "timeLineKeepPlaying",
                                   "timeLineLockMarkers", "timeLineMoveMarkers", "timeLinePause"}) {
            QTest::addRow("%s clicked", button) << button << false;
            QTest::addRow("%s released away", button) << button << true;
        }
    }
    void optionButtonsFollowTheirMark()
    {
        const auto [name, away] = Row<QString, bool>("button", "away");
        CTimeLineRig rig;
        const CTimeLineData& data = rig.project.m_timeLine;
        const QHash<QString, std::function<bool()>> option{
            {"timeLineLoop", [&] { return data.m_loop; }},
            {"timeLinePlayLen", [&] { return data.m_playLength; }},
            {"timeLinePlayFrom", [&] { return data.m_playFrom; }},
            {"timeLineKeepPlaying", [&] { return data.m_keepPlaying; }},
            {"timeLineLockMarkers", [&] { return data.m_lockMarker && rig.Ruler().MarkersReadOnly(); }},
            {"timeLineMoveMarkers", [&] { return data.m_moveMarker; }},
            {"timeLinePause", [&] { return rig.window->IsPaused(); }}};
        if (name == "timeLinePause") {
            rig.project.m_timeLine.m_playLength = false;
            rig.window->Play();
        }
        auto* button = rig.window->findChild<QToolButton*>(name);
        const bool before = option[name]();
        QCOMPARE(button->isChecked(), before);
        SyntheticMouse::Press(button, QPoint(16, 16));
        SyntheticMouse::Release(button, away ? QPoint(100, 100) : QPoint(16, 16));
        QCOMPARE(option[name](), away ? before : !before);
        QCOMPARE(button->isChecked(), option[name]());
    }

    void aSceneEditorDisablesPlayOnly()
    {
        CTimeLineRig rig;
        auto* play = rig.window->findChild<QToolButton*>(QStringLiteral("timeLinePlay"));
        rig.window->SetEditMode(true);
        QVERIFY(!play->isEnabled());
        rig.window->SetEditMode(false);
        QVERIFY(play->isEnabled());
    }

    // A show holds tens of thousands of markers: the list beside the ruler
    // keeps a label for each, not a combo box's item of its own.
    void theMarkerListKeepsLittleForEachMarker()
    {
        CTimeLineRig rig;
        constexpr int kMarkers = 20000;
        for (int i = 0; i < kMarkers; ++i)
            rig.project.m_timeLine.AddMarker(new CTimeMarker(i));
        const qint64 before = HeapInUse();
        rig.window->UpdateFromProject();
        const qint64 each = (HeapInUse() - before) / kMarkers;
        QCOMPARE(rig.window->findChild<QComboBox*>(QStringLiteral("timeLineMarkers"))->count(), kMarkers);
        QVERIFY2(each > 0 && each < 240, QByteArray::number(each));
    }

    // At its capacity of lines, scrolled to the last: that line's block is
    // drawn, from a picture of the lines in sight alone.
    void theLinesInSightAreDrawnAtTheCapacity()
    {
        CTimeLineRig rig;
        CTimeLineData& timeLine = rig.project.m_timeLine;
        while (timeLine.m_lines.size() < CShowBounds::Bound(CShowBounds::TimeLines))
            timeLine.AddLine(new CTimeLine(QStringLiteral("L")));
        CTimeBlock* block = rig.Block(timeLine.m_lines.last(), rig.Scene(QStringLiteral("S")), 0, 5000);
        rig.window->resize(900, 600);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.Control().LayoutLines();
        QCoreApplication::processEvents();
        QScrollBar* bar = nullptr;
        for (QScrollArea* area : rig.window->findChildren<QScrollArea*>()) {
            if (area->widget()->isAncestorOf(&rig.Control()))
                bar = area->verticalScrollBar();
        }
        QVERIFY(bar && bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        const QRect drawn = rig.Control().DrawnRect();
        const QRect rect = rig.Control().BlockRect(block);
        QVERIFY2(drawn.contains(rect.center()), qPrintable(QStringLiteral("%1 %2").arg(drawn.y()).arg(rect.y())));
        QVERIFY(drawn.height() <= rig.window->height());
        const QImage picture = rig.Control().Drawing().toImage();
        const QPoint inBlock = rect.center() - drawn.topLeft();
        const QPoint pastBlock(rect.right() + 40 - drawn.left(), inBlock.y());
        QVERIFY(picture.pixel(inBlock) != picture.pixel(pastBlock));
        // In the colour its header has, after as many scene lines, however
        // many lines above it are out of sight.
        QCOMPARE(QColor(picture.pixel(pastBlock)), CTimeLineCtrl::LineColor(*timeLine.m_lines.last(), 4095));
        const int line = CTimeLineCtrl::kSceneLineHeight;
        bar->setValue(bar->maximum() - line);
        QCoreApplication::processEvents();
        const QPoint above = pastBlock + drawn.topLeft() - QPoint(0, line) - rig.Control().DrawnRect().topLeft();
        QCOMPARE(QColor(rig.Control().Drawing().toImage().pixel(above)),
                 CTimeLineCtrl::LineColor(*timeLine.m_lines.at(4094), 4094));
    }
};

ORVANE_TEST(TimeLineWndTest)
#include "TimeLineWndTest.moc"
