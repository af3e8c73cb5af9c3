#include "TestRegistry.h"
#include "TimeLineRig.h"

#include "timeline/TimeLineHeader.h"
#include "timeline/TimeScaleHeader.h"

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
