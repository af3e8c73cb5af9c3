#include "TestRegistry.h"
#include "BeamRig.h"
#include "DataTable.h"
#include "SyntheticMouse.h"

#include "setup/BeamItem.h"
#include "setup/BeamsView.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using Positions = QVector<CBeamPosition>;
Q_DECLARE_METATYPE(Positions)

namespace {

// "1" for a selected beam, "0" for another.
QString Selection(const CBeamsView& view)
{
    QString flags;
    for (const CBeamItem* beam : view.Beams())
        flags += beam->m_selected ? QLatin1Char('1') : QLatin1Char('0');
    return flags;
}

// Three beams at (10, 10), (30, 10) and (50, 10) in a 160 x 160 view, selected by `flags`.
void LayOutThree(CBeamsView& view, const QString& flags)
{
    view.LayOutInRows(3, 0);
    for (int i = 0; i < 3; ++i)
        view.Beams()[i]->m_selected = flags.at(i) == QLatin1Char('1');
}

} // namespace

class BeamsViewTest : public QObject
{
    Q_OBJECT

private slots:
    void beamsAreLaidOutInRowsOfTen_data()
    {
        Columns<int, int, QSize>("count", "beams", "view");
        QTest::newRow("none") << -1 << 0 << QSize(100, 60);
        QTest::newRow("one") << 1 << 1 << QSize(100, 80);
        QTest::newRow("25 in rows of 10, 10, 5") << 25 << 25 << QSize(440, 440);
        QTest::newRow("beyond what a profile holds") << 500 << 256 << QSize(1080, 1080);
    }
    void beamsAreLaidOutInRowsOfTen()
    {
        const auto [count, beams] = Row<int, int>("count", "beams");
        CBeamsView beamsView;
        beamsView.LayOutInRows(count, 1);
        QCOMPARE(beamsView.BeamCount(), beams);
        QTEST(beamsView.size(), "view");
        for (int i = 0; i < beams; ++i)
            QCOMPARE(beamsView.Beams()[i]->m_rect, QRect(10 + 20 * (i % 10), 10 + 20 * (i / 10), 20, 20));
    }

    void profileLayoutIsShownAndStoredFromZero_data()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const int far = CBeamsView::kMaxSide - 20;
        Columns<Positions, QString, int, QString>("positions", "topLefts", "side", "stored");
        QTest::newRow("none: one beam") << Positions{} << "10,10" << 80 << "";
        QTest::newRow("a single position: one beam") << Positions{{3, 4}} << "10,10" << 80 << "";
        QTest::newRow("pixels 20, 40, 50 are 0, 1, 1.5") << Positions{{1, 0.5f}, {2, 0.5f}, {2.5f, 0.5f}}
                                                         << "20,10 40,10 50,10" << 160 << "0,0 1,0 1.5,0";
        QTest::newRow("reaching 200 pixels") << Positions{{2, 1}, {9, 9}} << "40,20 180,180" << 420 << "0,0 7,8";
        QTest::newRow("lowest x and y of different beams") << Positions{{0, 3}, {3, 1}} << "0,60 60,20" << 180
                                                           << "0,2 3,0";
        QTest::newRow("negative is shifted in") << Positions{{-1, -2}, {1, 0}} << "0,0 40,40" << 140 << "0,0 2,2";
        QTest::newRow("not a number counts as 0") << Positions{{nan, 1}, {1, nan}} << "0,20 20,0" << 100
                                                  << "0,1 1,0";
        QTest::newRow("far beyond the view is pulled in") << Positions{{0, 0}, {1e9f, 1}}
                                                          << QStringLiteral("0,0 %1,20").arg(far)
                                                          << int(CBeamsView::kMaxSide) << "0,0 119,1";
    }
    void profileLayoutIsShownAndStoredFromZero()
    {
        QFETCH(int, side);
        CBeamsView view;
        view.LoadPositions(std::get<0>(Row<Positions>("positions")), 2);
        QTEST(TopLefts(view), "topLefts");
        QCOMPARE(view.ViewRect(), QRect(0, 0, std::max(side, 100), side));
        QCOMPARE(view.size(), view.ViewRect().size());
        QCOMPARE(view.Beams().first()->m_symbol.ShapeType(), 2);
        QTEST(PositionsText(view.StoredPositions()), "stored");
    }

    void mouseSelectsAndDragsBeams_data()
    {
        Columns<QString, QPoint, QPoint, bool, QString, QString>("before", "press", "release", "control", "after",
                                                                "topLefts");
        const QString still = QStringLiteral("10,10 30,10 50,10");
        QTest::newRow("click picks one") << "101" << QPoint(35, 15) << QPoint(35, 15) << false << "010" << still;
        QTest::newRow("control-click unselects") << "110" << QPoint(15, 15) << QPoint(15, 15) << true << "010"
                                                 << still;
        QTest::newRow("control-click adds") << "100" << QPoint(55, 15) << QPoint(55, 15) << true << "101" << still;
        QTest::newRow("click on empty space") << "111" << QPoint(5, 5) << QPoint(5, 5) << false << "000" << still;
        QTest::newRow("empty press released in a beam") << "101" << QPoint(35, 40) << QPoint(35, 15) << false
                                                        << "010" << still;
        QTest::newRow("band") << "001" << QPoint(1, 1) << QPoint(35, 35) << false << "110" << still;
        QTest::newRow("band from the corner") << "001" << QPoint(0, 0) << QPoint(12, 12) << false << "100" << still;
        QTest::newRow("band drawn backwards") << "100" << QPoint(80, 40) << QPoint(52, 1) << false << "001" << still;
        QTest::newRow("band with control adds") << "100" << QPoint(52, 1) << QPoint(80, 40) << true << "101" << still;
        QTest::newRow("band with control on nothing clears") << "110" << QPoint(1, 40) << QPoint(80, 55) << true
                                                             << "000" << still;
        QTest::newRow("selected group dragged, snapped") << "101" << QPoint(15, 15) << QPoint(42, 28) << false
                                                         << "101" << "30,20 30,10 70,20";
        QTest::newRow("unselected beam dragged alone") << "101" << QPoint(35, 15) << QPoint(56, 15) << false
                                                       << "010" << "10,10 50,10 50,10";
        QTest::newRow("kept in at the top left") << "110" << QPoint(15, 15) << QPoint(-185, -185) << false << "110"
                                                 << "0,0 0,0 50,10";
        QTest::newRow("snapped towards zero") << "100" << QPoint(15, 15) << QPoint(-2, 12) << false << "100"
                                              << "0,0 30,10 50,10";
        QTest::newRow("kept in at the bottom right") << "001" << QPoint(55, 15) << QPoint(555, 515) << false
                                                     << "001" << "10,10 30,10 140,140";
        QTest::newRow("control-click leaves the beam behind") << "110" << QPoint(15, 15) << QPoint(55, 15) << true
                                                              << "010" << "10,10 70,10 50,10";
    }
    void mouseSelectsAndDragsBeams()
    {
        const auto [before, press, release, control] =
            Row<QString, QPoint, QPoint, bool>("before", "press", "release", "control");
        CBeamsView view;
        LayOutThree(view, before);
        QSignalSpy changed(&view, &CBeamsView::selChanged);
        const Qt::KeyboardModifiers modifiers = control ? Qt::ControlModifier : Qt::NoModifier;
        SyntheticMouse::Press(&view, press, modifiers);
        // Each move starts again from the press point.
        SyntheticMouse::Move(&view, (press + release) / 2, Qt::LeftButton, modifiers);
        SyntheticMouse::Move(&view, release, Qt::LeftButton, modifiers);
        SyntheticMouse::Release(&view, release, modifiers);
        SyntheticMouse::Move(&view, QPoint(1, 1), Qt::NoButton);
        QTEST(Selection(view), "after");
        QCOMPARE(changed.count(), 1); // also when nothing changed
        QTEST(TopLefts(view), "topLefts");
    }

    void beamsAreDrawnByTheirSelection()
    {
        for (const char* name : {":/Orvane/Images/Fixtures/2D/Select.png", ":/Orvane/Images/Patch/Check.png"})
            QVERIFY2(!QPixmap(QString::fromLatin1(name)).isNull(), name);
        CBeamsView view;
        LayOutThree(view, QStringLiteral("100"));
        SyntheticMouse::Press(&view, QPoint(100, 100));
        SyntheticMouse::Move(&view, QPoint(140, 140));
        const QImage image = Rendered(view);
        QCOMPARE(image.pixelColor(12, 25), QColor(247, 182, 131));
        QCOMPARE(image.pixelColor(32, 25), QColor(156, 156, 164));
        QCOMPARE(image.pixelColor(75, 5), QColor(Qt::white));
        QCOMPARE(image.pixelColor(80, 5), QColor(200, 200, 200));
        QCOMPARE(image.pixelColor(159, 80), QColor(115, 115, 110));
        QCOMPARE(image.pixelColor(100, 120), QColor(229, 121, 72));
    }
};

ORVANE_TEST(BeamsViewTest)
#include "BeamsViewTest.moc"
