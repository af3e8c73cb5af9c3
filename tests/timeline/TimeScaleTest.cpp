#include "CountingPaintDevice.h"
#include "DataTable.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"
#include "TypedKeys.h"

#include "widgets/ZKFullTimeEdit.h"

#include <QPixmap>
#include <QSpinBox>
#include <QtTest>

// The time ruler: its scale, the cursor a click sets, and the markers.
class TimeScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void ticksFollowTheSpan_data()
    {
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("subdivisions");
        QTest::newRow("just under 20 s") << 19999 << 1000 << 5;
        QTest::newRow("20 s") << 20000 << 5000 << 5;
        QTest::newRow("2 min") << 120000 << 15000 << 5;
        QTest::newRow("under 20 min") << 1199999 << 60000 << 6;
        QTest::newRow("1 h") << 3600000 << 300000 << 5;
        QTest::newRow("6 h") << 21600000 << 3600000 << 6;
    }
    void ticksFollowTheSpan()
    {
        QFETCH(int, span);
        const CTimeScaleCtrl::STicks ticks = CTimeScaleCtrl::TicksForSpan(span);
        QTEST(ticks.period, "period");
        QTEST(ticks.subdivisions, "subdivisions");
    }

    void tickLabels_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("label");
        QTest::newRow("zero") << 1000 << 0 << "0s";
        QTest::newRow("seconds") << 1000 << 2 << "2s";
        QTest::newRow("minutes") << 300000 << 1 << "5m";
        QTest::newRow("minutes and seconds") << 5000 << 13 << "1m 5s";
        QTest::newRow("an hour") << 300000 << 12 << "1h";
        QTest::newRow("hour and minutes") << 300000 << 13 << "1h 5m";
        QTest::newRow("hour and seconds") << 1000 << 3605 << "1h 5s";
        QTest::newRow("all three") << 1000 << 3661 << "1h 1m 1s";
        QTest::newRow("a day") << 3600000 << 24 << "24h";
        QTest::newRow("past a day") << 1000 << 86401 << "";
    }
    void tickLabels()
    {
        QFETCH(int, period);
        QFETCH(int, n);
        QTEST(CTimeScaleCtrl::TickLabel(period, n), "label");
    }

    void aClickSnapsTheCursorTo40Ms()
    {
        CTimeLineRig rig;
        QCOMPARE(rig.Ruler().RawTime(12345), 12345);
        QSignalSpy moved(&rig.Ruler(), &CTimeScaleCtrl::posChanged);
        QTest::mouseClick(&rig.Ruler(), Qt::LeftButton, {}, QPoint(12345, 30));
        QCOMPARE(rig.Ruler().CursorTime(), 12320);
        QCOMPARE(rig.Ruler().CursorX(), rig.Ruler().TimeToX(12320));
        QCOMPARE(moved.count(), 1);
    }

    void lengthStopsAtADay()
    {
        CTimeLineRig rig;
        rig.Ruler().SetLength(25 * 3600000, 100);
        QCOMPARE(rig.Ruler().Length(), 86400000);
    }

    // A narrow ruler on a long timeline, or no timeline at all, divides by nothing.
    void degenerateRulersPaintClean_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("length");
        QTest::newRow("60 px at 15 min") << 60 << 900000;
        QTest::newRow("length 0") << 800 << 0;
        QTest::newRow("10 px at a day") << 10 << 86400000;
    }
    void degenerateRulersPaintClean()
    {
        QFETCH(int, width);
        QFETCH(int, length);
        CTimeLineRig rig;
        rig.Ruler().resize(width, CTimeScaleCtrl::kHeight);
        rig.Ruler().SetLength(length, 100);
        QVERIFY(rig.Ruler().Span() >= 1);
        QVERIFY(rig.Ruler().MajorSpacing() >= 1);
        QPixmap canvas(rig.Ruler().size());
        rig.Ruler().render(&canvas);
        int x = 30;
        QVERIFY(rig.Ruler().XToTime(x) >= 0);
        rig.Ruler().SetLength(length, 0);
        rig.Ruler().render(&canvas);
    }

    void nextMarkerSkipsEqualTimes()
    {
        CTimeLineRig rig;
        for (int t : {1000, 1000, 3000})
            rig.project.m_timeLine.AddMarker(new CTimeMarker(t));
        const QList<CTimeMarker*> markers = rig.project.m_timeLine.m_markers;
        rig.Ruler().SelectNextMarker();
        QCOMPARE(rig.Ruler().SelectedMarker(), markers[0]);
        QCOMPARE(rig.host.deleteTarget, 2);
        rig.Ruler().SelectNextMarker();
        QCOMPARE(rig.Ruler().SelectedMarker(), markers[2]);
        rig.Ruler().SelectPrevMarker();
        QCOMPARE(rig.Ruler().SelectedMarker(), markers[0]);
        // Gone, the next search starts from the cursor again.
        rig.Ruler().RemoveSelectedMarker();
        QVERIFY(!rig.Ruler().SelectedMarker());
        QCOMPARE(rig.project.m_timeLine.m_markers.size(), 2);
        rig.Ruler().SelectNextMarker();
        QCOMPARE(rig.Ruler().SelectedMarker(), markers[1]);
    }

    // The thumb never gets narrower than 60 pixels; a drag of the
    // time band's marker never takes it to 0 and sorts at the release.
    void dragsKeepTheirBounds()
    {
        CTimeLineRig rig;
        CTimeScaleCtrl& ruler = rig.Ruler();
        ruler.SetZoom(0);
        const QRect thumb = ruler.Thumb();
        QTest::mousePress(&ruler, Qt::LeftButton, {}, QPoint(thumb.left() + 2, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(thumb.right(), 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&ruler, &move);
        QTest::mouseRelease(&ruler, Qt::LeftButton, {}, QPoint(thumb.right(), 5));
        QCOMPARE(ruler.Thumb().width(), 61);

        ruler.SetZoom(100);
        ruler.AddMarkerAtTime(3000);
        ruler.AddMarkerAtTime(5000);
        CTimeMarker* moved = ruler.Markers()[1];
        const QPoint at = ruler.MarkerRect(moved).center();
        QTest::mousePress(&ruler, Qt::LeftButton, {}, at);
        QCOMPARE(ruler.SelectedMarker(), moved);
        QMouseEvent left(QEvent::MouseMove, QPointF(0, at.y()), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&ruler, &left);
        QCOMPARE(moved->m_time, 5000);
        QMouseEvent back(QEvent::MouseMove, QPointF(1000, at.y()), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&ruler, &back);
        QCOMPARE(ruler.Markers()[1], moved); // unsorted until the release
        QTest::mouseRelease(&ruler, Qt::LeftButton, {}, QPoint(1000, at.y()));
        QCOMPARE(moved->m_time, 1000);
        QCOMPARE(ruler.Markers()[0], moved);
    }

    // However many markers a show holds, a paint of the ruler draws a
    // picture for each place in view that holds markers, and no more.
    void aPaintDrawsOnlyTheMarkersInView_data()
    {
        Columns<int, int, int, int, int, int>("count", "first", "step", "zoom", "least", "most");
        QTest::newRow("20000 over the whole view") << 20000 << 1 << 1 << 100 << 300 << 400;
        QTest::newRow("5000 at one time") << 5000 << 5000 << 0 << 100 << 1 << 1;
        QTest::newRow("10000 past the view") << 10000 << 10000 << 1 << 0 << 0 << 0;
    }
    void aPaintDrawsOnlyTheMarkersInView()
    {
        const auto [count, first, step, zoom, least, most] =
            Row<int, int, int, int, int, int>("count", "first", "step", "zoom", "least", "most");
        CTimeLineRig rig;
        CTimeScaleCtrl& ruler = rig.Ruler();
        ruler.resize(400, CTimeScaleCtrl::kHeight);
        ruler.RefreshFromProject();
        ruler.SetZoom(zoom);
        const int frame = CCountingPaintDevice::PixmapsPainted(ruler);
        for (int i = 0; i < count; ++i)
            rig.project.m_timeLine.AddMarker(new CTimeMarker(first + i * step));
        ruler.RefreshFromProject();
        ruler.SetZoom(zoom);
        const int drawn = CCountingPaintDevice::PixmapsPainted(ruler) - frame;
        QVERIFY2(drawn >= least && drawn <= most, qPrintable(QString::number(drawn)));
    }

    // Markers added with the mouse at the times of `added`, in that order,
    // then the one at each time of `typed` given a new time in seconds in the
    // marker time field ("9000:3"). Each is drawn as soon as it is added,
    // and every search by time finds what the list holds.
    void markersAreFoundByTime_data()
    {
        Columns<QString, QString>("added", "typed");
        QTest::newRow("added out of order") << "5000 1000 3000 9000" << "";
        QTest::newRow("added at one time") << "3000 3000 1000" << "";
        QTest::newRow("typed earlier") << "1000 5000 9000" << "9000:3";
        QTest::newRow("typed later") << "1000 5000 9000" << "1000:7 5000:12";
    }
    void markersAreFoundByTime()
    {
        const auto [added, typed] = Row<QString, QString>("added", "typed");
        CTimeLineRig rig;
        rig.ShowLines();
        CTimeScaleCtrl& ruler = rig.Ruler();
        QVERIFY(ruler.ShownMarkers().isEmpty());
        rig.AnswerMenus(QStringLiteral("Add Marker"));
        for (const QString& t : added.split(' ')) {
            rig.RightClick(rig.At(rig.Line(0), t.toInt()));
            QCOMPARE(ruler.Markers().last()->m_time, t.toInt());
            const QVector<const CTimeMarker*>& shown = ruler.ShownMarkers();
            QVERIFY(std::any_of(shown.begin(), shown.end(),
                                [&](const CTimeMarker* m) { return m->m_time == t.toInt(); }));
        }
        for (const QString& change : typed.split(' ', Qt::SkipEmptyParts)) {
            const int from = change.section(':', 0, 0).toInt();
            const auto found = std::find_if(ruler.Markers().begin(), ruler.Markers().end(),
                                            [from](const CTimeMarker* m) { return m->m_time == from; });
            QVERIFY(found != ruler.Markers().end());
            ruler.SelectMarker(int(found - ruler.Markers().begin()));
            TypeInto(rig.window->findChild<CZKFullTimeEdit*>("timeLineMarkerTime")->Seconds(), change.section(':', 1));
            QCOMPARE((*found)->m_time, change.section(':', 1).toInt() * 1000);
        }
        for (int from = 0; from < 14000; from += 500) {
            for (int to = from; to < 14000; to += 1500) {
                QList<const CTimeMarker*> expected;
                for (const CTimeMarker* marker : ruler.Markers()) {
                    if (marker->m_time >= from && marker->m_time <= to)
                        expected << marker;
                }
                const QVector<const CTimeMarker*> within = ruler.MarkersWithin(from, to);
                QCOMPARE(QSet<const CTimeMarker*>(within.begin(), within.end()),
                         QSet<const CTimeMarker*>(expected.begin(), expected.end()));
                QCOMPARE(within.size(), expected.size());
            }
        }
    }

    void markerLabel()
    {
        QCOMPARE(TimeMarkerLabel(CTimeMarker(65120)), QStringLiteral("0h 1m 5s 120"));
    }
};

ORVANE_TEST(TimeScaleTest)
#include "TimeScaleTest.moc"
