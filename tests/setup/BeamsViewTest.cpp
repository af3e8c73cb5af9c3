#include "TestRegistry.h"
#include "BeamRig.h"
#include "SyntheticMouse.h"

#include "setup/BeamItem.h"
#include "setup/BeamsView.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using Points = QList<QPoint>;
using Positions = QVector<CBeamPosition>;
Q_DECLARE_METATYPE(Positions)

namespace {

Points TopLefts(const CBeamsView& view)
{
    Points points;
    for (const CBeamItem* beam : view.Beams())
        points << beam->m_rect.topLeft();
    return points;
}

// "1" for a selected beam, "0" for another, in list order.
QString Selection(const CBeamsView& view)
{
    QString flags;
    for (const CBeamItem* beam : view.Beams())
        flags += beam->m_selected ? QLatin1Char('1') : QLatin1Char('0');
    return flags;
}

void Select(CBeamsView& view, const QString& flags)
{
    for (int i = 0; i < view.BeamCount(); ++i)
        view.Beams()[i]->m_selected = flags.at(i) == QLatin1Char('1');
}

// Three beams in a row at (10, 10), (30, 10) and (50, 10); view 160 x 160.
void LayOutThree(CBeamsView& view)
{
    view.LayOutInRows(3, 0);
    QCOMPARE(view.size(), QSize(160, 160));
}

QString Text(const Positions& positions)
{
    QStringList text;
    for (const CBeamPosition& p : positions)
        text << QStringLiteral("%1,%2").arg(double(p.x)).arg(double(p.y));
    return text.join(QLatin1Char(' '));
}

} // namespace

class BeamsViewTest : public QObject
{
    Q_OBJECT

private slots:
    void beamsAreLaidOutInRowsOfTen_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("beams");
        QTest::addColumn<QPoint>("last");
        QTest::addColumn<QSize>("view");
        QTest::newRow("none") << -1 << 0 << QPoint() << QSize(100, 60);
        QTest::newRow("one") << 1 << 1 << QPoint(10, 10) << QSize(100, 80);
        QTest::newRow("ten fill a row") << 10 << 10 << QPoint(190, 10) << QSize(440, 440);
        QTest::newRow("eleventh starts a row") << 11 << 11 << QPoint(10, 30) << QSize(440, 440);
        QTest::newRow("25 in rows of 10, 10, 5") << 25 << 25 << QPoint(90, 50) << QSize(440, 440);
        QTest::newRow("beyond the choice") << 500 << 128 << QPoint(150, 250) << QSize(560, 560);
    }
    void beamsAreLaidOutInRowsOfTen()
    {
        QFETCH(int, count);
        QFETCH(int, beams);
        QFETCH(QPoint, last);
        QFETCH(QSize, view);
        CBeamsView beamsView;
        beamsView.LayOutInRows(count, 1);
        QCOMPARE(beamsView.BeamCount(), beams);
        QCOMPARE(beamsView.size(), view);
        const Points points = TopLefts(beamsView);
        for (int i = 0; i < points.size(); ++i) {
            QCOMPARE(points[i], QPoint(10 + 20 * (i % 10), 10 + 20 * (i / 10)));
            QCOMPARE(beamsView.Beams()[i]->m_rect.size(), QSize(20, 20));
        }
        if (beams > 0)
            QCOMPARE(points.last(), last);
    }

    void layoutIsStoredFromZero_data()
    {
        QTest::addColumn<Points>("topLefts");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one beam has no positions") << Points{{10, 10}} << "";
        QTest::newRow("half cells") << Points{{20, 10}, {40, 10}, {50, 10}} << "0,0 1,0 1.5,0";
        QTest::newRow("column") << Points{{30, 50}, {30, 10}} << "0,2 0,0";
        QTest::newRow("lowest x and y from different beams") << Points{{10, 70}, {70, 30}} << "0,2 3,0";
    }
    void layoutIsStoredFromZero()
    {
        QFETCH(Points, topLefts);
        QFETCH(QString, stored);
        CBeamsView view;
        view.LayOutInRows(topLefts.size(), 0);
        for (int i = 0; i < topLefts.size(); ++i)
            view.Beams()[i]->MoveTopLeft(topLefts[i]);
        QCOMPARE(Text(view.StoredPositions()), stored);
    }

    void profileLayoutIsShownInTheView_data()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::addColumn<Positions>("positions");
        QTest::addColumn<Points>("topLefts");
        QTest::addColumn<QSize>("view");
        QTest::newRow("none: one beam") << Positions{} << Points{{10, 10}} << QSize(100, 80);
        QTest::newRow("a single position: one beam") << Positions{{3, 4}} << Points{{10, 10}} << QSize(100, 80);
        QTest::newRow("half cells") << Positions{{0, 0}, {1, 0}, {1.5f, 0}} << Points{{0, 0}, {20, 0}, {30, 0}}
                                    << QSize(120, 120);
        QTest::newRow("not at zero stays") << Positions{{2, 1}, {3, 1}} << Points{{40, 20}, {60, 20}}
                                           << QSize(180, 180);
        QTest::newRow("negative is shifted in") << Positions{{-1, -2}, {1, 0}} << Points{{0, 0}, {40, 40}}
                                                << QSize(140, 140);
        QTest::newRow("not a number counts as 0") << Positions{{nan, 1}, {1, nan}} << Points{{0, 20}, {20, 0}}
                                                  << QSize(100, 100);
        QTest::newRow("far beyond the view is pulled in")
            << Positions{{0, 0}, {1e9f, 1}} << Points{{0, 0}, {CBeamsView::kMaxSide - 20, 20}}
            << QSize(CBeamsView::kMaxSide, CBeamsView::kMaxSide);
    }
    void profileLayoutIsShownInTheView()
    {
        QFETCH(Positions, positions);
        QFETCH(Points, topLefts);
        QFETCH(QSize, view);
        CBeamsView beamsView;
        beamsView.LoadPositions(positions, 2);
        QCOMPARE(TopLefts(beamsView), topLefts);
        QCOMPARE(beamsView.size(), view);
        QCOMPARE(beamsView.ViewRect(), QRect(QPoint(0, 0), view));
        QCOMPARE(beamsView.Beams().first()->m_symbol.ShapeType(), 2);
    }

    void viewFitsItsBeams_data()
    {
        QTest::addColumn<QPoint>("topLeft");
        QTest::addColumn<QSize>("view");
        QTest::newRow("never below 100 x 60") << QPoint(0, 0) << QSize(100, 60);
        QTest::newRow("small") << QPoint(10, 10) << QSize(100, 80);
        QTest::newRow("reaching 200 pixels") << QPoint(180, 180) << QSize(420, 420);
        QTest::newRow("wide") << QPoint(180, 0) << QSize(420, 420);
    }
    void viewFitsItsBeams()
    {
        QFETCH(QPoint, topLeft);
        QFETCH(QSize, view);
        CBeamsView beamsView;
        QCOMPARE(beamsView.size(), QSize(600, 400));
        auto* beam = new CBeamItem(0, 1);
        beam->MoveTopLeft(topLeft);
        beamsView.AddBeam(beam);
        beamsView.AddBeam(beam);
        QCOMPARE(beamsView.BeamCount(), 1);
        beamsView.FitToBeams();
        QCOMPARE(beamsView.size(), view);
    }

    void mouseSelectsBeams_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("after");
        QTest::newRow("click picks one") << "101" << QPoint(35, 15) << QPoint(35, 15) << false << "010";
        QTest::newRow("press on a selected beam keeps the group")
            << "101" << QPoint(15, 15) << QPoint(15, 15) << false << "101";
        QTest::newRow("control-click unselects") << "110" << QPoint(15, 15) << QPoint(15, 15) << true << "010";
        QTest::newRow("control-click adds") << "100" << QPoint(55, 15) << QPoint(55, 15) << true << "101";
        QTest::newRow("click on empty space") << "111" << QPoint(5, 5) << QPoint(5, 5) << false << "000";
        QTest::newRow("empty press released in a beam")
            << "101" << QPoint(35, 40) << QPoint(35, 15) << false << "010";
        QTest::newRow("band") << "001" << QPoint(1, 1) << QPoint(35, 35) << false << "110";
        QTest::newRow("band from the bottom right") << "100" << QPoint(80, 40) << QPoint(52, 1) << false << "001";
        QTest::newRow("band with control adds") << "100" << QPoint(52, 1) << QPoint(80, 40) << true << "101";
        QTest::newRow("band from the corner") << "001" << QPoint(0, 0) << QPoint(12, 12) << false << "100";
        QTest::newRow("band with control on nothing clears")
            << "110" << QPoint(1, 40) << QPoint(80, 55) << true << "000";
        QTest::newRow("band on nothing") << "110" << QPoint(1, 40) << QPoint(80, 55) << false << "000";
    }
    void mouseSelectsBeams()
    {
        QFETCH(QString, before);
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(bool, control);
        QFETCH(QString, after);
        CBeamsView view;
        LayOutThree(view);
        Select(view, before);
        QSignalSpy changed(&view, &CBeamsView::selChanged);
        SyntheticMouse::Drag(&view, press, release, control ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(Selection(view), after);
        // Also when nothing changed.
        QCOMPARE(changed.count(), 1);
        if (press == release)
            QCOMPARE(TopLefts(view), (Points{{10, 10}, {30, 10}, {50, 10}}));
    }

    void dragMovesTheSelectedBeamsOnTheGrid_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<bool>("control");
        QTest::addColumn<Points>("topLefts");
        QTest::newRow("group snapped") << "101" << QPoint(15, 15) << QPoint(27, 13) << false
                                       << Points{{30, 20}, {30, 10}, {70, 20}};
        QTest::newRow("unselected beam moves alone") << "101" << QPoint(35, 15) << QPoint(21, 0) << false
                                                     << Points{{10, 10}, {50, 10}, {50, 10}};
        QTest::newRow("kept in at the top left") << "110" << QPoint(15, 15) << QPoint(-200, -200) << false
                                                 << Points{{0, 0}, {0, 0}, {50, 10}};
        QTest::newRow("snapped towards zero") << "100" << QPoint(15, 15) << QPoint(-17, -3) << false
                                              << Points{{0, 0}, {30, 10}, {50, 10}};
        QTest::newRow("kept in at the bottom right") << "001" << QPoint(55, 15) << QPoint(500, 500) << false
                                                     << Points{{10, 10}, {30, 10}, {140, 140}};
        QTest::newRow("control-click leaves the beam behind")
            << "110" << QPoint(15, 15) << QPoint(40, 0) << true << Points{{10, 10}, {70, 10}, {50, 10}};
    }
    void dragMovesTheSelectedBeamsOnTheGrid()
    {
        QFETCH(QString, before);
        QFETCH(QPoint, press);
        QFETCH(QPoint, by);
        QFETCH(bool, control);
        QFETCH(Points, topLefts);
        CBeamsView view;
        LayOutThree(view);
        Select(view, before);
        const Qt::KeyboardModifiers modifiers = control ? Qt::ControlModifier : Qt::NoModifier;
        SyntheticMouse::Press(&view, press, modifiers);
        // Each move starts again from where the drag began.
        SyntheticMouse::Move(&view, press + by / 2, Qt::LeftButton, modifiers);
        SyntheticMouse::Move(&view, press + by, Qt::LeftButton, modifiers);
        SyntheticMouse::Release(&view, press + by, modifiers);
        QCOMPARE(TopLefts(view), topLefts);
        // A later move without a button drags nothing.
        SyntheticMouse::Move(&view, QPoint(1, 1), Qt::NoButton);
        QCOMPARE(TopLefts(view), topLefts);
    }

    void beamsAreDrawnByTheirSelection()
    {
        CBeamsView view;
        LayOutThree(view);
        Select(view, QStringLiteral("100"));
        SyntheticMouse::Press(&view, QPoint(100, 100));
        SyntheticMouse::Move(&view, QPoint(140, 140));
        const QImage image = Rendered(view);
        QCOMPARE(image.pixelColor(12, 25), QColor(247, 182, 131));
        QCOMPARE(image.pixelColor(32, 25), QColor(156, 156, 164));
        QCOMPARE(image.pixelColor(75, 5), QColor(Qt::white));
        QCOMPARE(image.pixelColor(80, 5), QColor(200, 200, 200));
        QCOMPARE(image.pixelColor(159, 80), QColor(115, 115, 110));
        QCOMPARE(image.pixelColor(100, 120), QColor(229, 121, 72));
        QVERIFY(image.pixelColor(120, 120) != QColor(Qt::white));
    }

    void picturesAskedForExist()
    {
        for (const char* name : {":/Orvane/Images/Fixtures/2D/Select.png", ":/Orvane/Images/Patch/Check.png"})
            QVERIFY2(!QPixmap(QString::fromLatin1(name)).isNull(), name);
    }
};

ORVANE_TEST(BeamsViewTest)
#include "BeamsViewTest.moc"
