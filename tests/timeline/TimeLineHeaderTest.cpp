#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "timeline/TimeLineHeader.h"
#include "timeline/TimeScaleHeader.h"
#include "timeline/VideoDlg.h"

#include <QMimeData>

#include <QtTest>

// The line headers and the zoom header beside the ruler.
class TimeLineHeaderTest : public QObject
{
    Q_OBJECT

private slots:
    // With the music line first: which box of which line a press hits.
    void pressesOnTheLineHeader_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("scenesAfter");
        QTest::addColumn<bool>("sound");
        QTest::newRow("add below the music") << "add" << 0 << 3 << true;
        QTest::newRow("add below the last") << "add" << 2 << 3 << true;
        QTest::newRow("remove an empty line") << "remove" << 1 << 1 << true;
        QTest::newRow("music sound") << "sound" << 0 << 2 << false;
    }
    void pressesOnTheLineHeader()
    {
        QFETCH(QString, box);
        QFETCH(int, line);
        CTimeLineRig rig;
        rig.Music(QStringLiteral("a.wav"), 0, 1000, 1000);
        rig.Control().InsertLine(2);
        CTimeLineHeader& header = rig.window->LineHeader();
        header.Layout();
        QCOMPARE(header.Band(0).height(), CTimeLineCtrl::kMediaLineHeight);
        QCOMPARE(header.Band(1).top(), CTimeLineCtrl::kMediaLineHeight);
        const QRect target = box == QLatin1String("add")      ? header.AddBox(line)
                             : box == QLatin1String("remove") ? header.RemoveBox(line)
                                                              : header.MusicSoundSwitch();
        QTest::mouseClick(&header, Qt::LeftButton, {}, target.center());
        QTEST(rig.Control().SceneLineCount(), "scenesAfter");
        QTEST(bool(rig.project.m_timeLine.m_musicLine->m_sound), "sound");
        QCOMPARE(header.Band(rig.project.m_timeLine.m_lines.size() - 1).isEmpty(), false);
    }

    // The video line's three switches; a Control-click on the window's
    // switch sends the window back to its first place.
    void videoSwitches_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("state");
        QTest::newRow("window") << "visible" << false << "window 1, sound 0, wave 0, maximized 0";
        QTest::newRow("window to its first place") << "visible" << true << "window 1, sound 0, wave 0, maximized 0";
        QTest::newRow("sound") << "sound" << false << "window 0, sound 1, wave 0, maximized 0";
        QTest::newRow("wave") << "wave" << false << "window 0, sound 0, wave 1, maximized 0";
    }
    void videoSwitches()
    {
        QFETCH(QString, box);
        QFETCH(bool, control);
        CTimeLineRig rig;
        CTimeLineData& data = rig.project.m_timeLine;
        data.m_lines.prepend(data.m_videoLine = NewMediaLine(CTimeLine::VideoLine));
        data.m_videoLine->m_videoRect = QRect(30, 30, 400, 300);
        rig.Control().LayoutLines();
        CTimeLineHeader& header = rig.window->LineHeader();
        header.Layout();
        const QRect target = box == QLatin1String("visible") ? header.VideoVisibleSwitch()
                             : box == QLatin1String("sound") ? header.VideoSoundSwitch()
                                                             : header.VideoWaveSwitch();
        QTest::mouseClick(&header, Qt::LeftButton, control ? Qt::ControlModifier : Qt::NoModifier, target.center());
        const CMediaTimeLine* video = data.m_videoLine;
        const bool shown = rig.Control().VideoWindow() && rig.Control().VideoWindow()->isVisible();
        QCOMPARE(shown, bool(video->m_visible));
        QTEST(QStringLiteral("window %1, sound %2, wave %3, maximized %4")
                  .arg(video->m_visible)
                  .arg(video->m_sound)
                  .arg(video->m_wave)
                  .arg(video->m_maximized),
              "state");
        // Placed again from its first place, or where it was.
        if (shown)
            QCOMPARE(video->m_videoRect.x() == 30, !control);
        QTest::mouseClick(&header, Qt::LeftButton, {}, header.VideoVisibleSwitch().center());
        QCOMPARE(bool(video->m_visible), !shown);
    }

    // A line dragged by its header goes where it is dropped: onto another
    // line's band (its index), or below every band (-1).
    void aDroppedLineMoves_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QString>("order");
        QTest::newRow("up") << 2 << 0 << "CAB";
        QTest::newRow("down") << 0 << 1 << "BAC";
        QTest::newRow("below all") << 0 << -1 << "BCA";
        QTest::newRow("onto itself") << 1 << 1 << "ABC";
    }
    void aDroppedLineMoves()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        CTimeLineRig rig;
        rig.Control().InsertLine(1);
        rig.Control().InsertLine(2);
        for (int i = 0; i < 3; ++i)
            rig.Line(i)->m_name = QString(QChar('A' + i));
        CTimeLineHeader& header = rig.window->LineHeader();
        header.resize(CTimeLineHeader::kWidth, 200);
        header.Layout();
        QTest::mousePress(&header, Qt::LeftButton, {}, header.Band(from).center());
        QMimeData payload;
        payload.setData(QStringLiteral("image/zk-timeline"), QByteArray());
        const QPoint at = onto < 0 ? QPoint(20, 190) : header.Band(onto).center();
        QDragEnterEvent enter(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&header, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&header, &move);
        QCOMPARE(header.DropLine(), onto);
        QDropEvent drop(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&header, &drop);
        QString order;
        for (const CTimeLine* line : rig.Control().Lines())
            order += line->m_name;
        QTEST(order, "order");
        QCOMPARE(header.Band(2).bottom(), 3 * CTimeLineCtrl::kSceneLineHeight - 1);
    }

    // A double click on a line's name renames it; its boxes keep their own use.
    void aDoubleClickRenamesTheLine_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("typed"); // "-" cancels
        QTest::addColumn<QString>("name");
        QTest::newRow("renamed") << "name" << "Lights" << "Lights";
        QTest::newRow("cancelled") << "name" << "-" << "Line 1";
        QTest::newRow("left empty") << "name" << "" << "Line 1";
        QTest::newRow("on the add box") << "add" << "Lights" << "Line 1";
    }
    void aDoubleClickRenamesTheLine()
    {
        QFETCH(QString, where);
        QFETCH(QString, typed);
        CTimeLineRig rig;
        CTimeLineHeader& header = rig.window->LineHeader();
        header.Layout();
        QStringList asked;
        header.SetNameAsker([&](QString& name) {
            asked << name;
            name = typed;
            return typed != QLatin1String("-");
        });
        const QPoint at = where == QLatin1String("add") ? header.AddBox(0).center() : header.Band(0).center();
        QTest::mouseDClick(&header, Qt::LeftButton, {}, at);
        QTEST(rig.Line(0)->m_name, "name");
        QCOMPARE(asked, where == QLatin1String("add") ? QStringList() : QStringList{QStringLiteral("Line 1")});
        QCOMPARE(rig.host.modified, rig.Line(0)->m_name != QLatin1String("Line 1"));
    }

    void theZoomHeaderDrivesTheRuler()
    {
        CTimeLineRig rig;
        CTimeScaleHeader header(rig.Ruler());
        QObject::connect(&header, &CTimeScaleHeader::zoomChanged, &rig.Ruler(), &CTimeScaleCtrl::SetZoom);
        header.resize(200, CTimeScaleCtrl::kHeight);
        QSignalSpy zoom(&header, &CTimeScaleHeader::zoomChanged);
        QTest::mouseClick(&header, Qt::LeftButton, {}, QPoint(40, 20)); // the slider's left end
        QCOMPARE(rig.Ruler().Zoom(), 0);
        QTest::mouseClick(&header, Qt::LeftButton, {}, QPoint(180, 20)); // zoom in
        QCOMPARE(rig.Ruler().Zoom(), 1);
        QTest::mouseClick(&header, Qt::LeftButton, {}, QPoint(159, 20)); // the slider's right end
        QCOMPARE(rig.Ruler().Zoom(), 100);
        QCOMPARE(zoom.count(), 3);
    }
};

ORVANE_TEST(TimeLineHeaderTest)
#include "TimeLineHeaderTest.moc"
