#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "DataTable.h"
#include "SyntheticMouse.h"
#include "layout/view/FixtureItem.h"
#include "panels/PresetsWnd.h"

// The plan under the scene editor stays where the operator aims while the
// presets panel below it follows the selection: its colour panel comes with
// a fixture that has colour and goes with one that has none.
class ScenePlanTest : public QObject
{
    Q_OBJECT

private slots:
    // Each click goes where the fixture stood before the first: C on the
    // colour fixture, P on the dimmer, - on an empty spot of the plan. A
    // bound window cannot grow, as a maximised one on a small screen.
    void clicksOnThePlanHitWhereTheyAim_data()
    {
        Columns<QSize, bool, QString>("size", "bound", "clicks");
        QTest::newRow("colour, plain, colour") << QSize(1000, 1000) << false << "C P C";
        QTest::newRow("plain, colour, nothing, colour") << QSize(1000, 1000) << false << "P C - C";
        QTest::newRow("bound window") << QSize(1000, 700) << true << "C - P C";
    }
    void clicksOnThePlanHitWhereTheyAim()
    {
        const auto [size, bound, clicks] = Row<QSize, bool, QString>("size", "bound", "clicks");
        CEditedShowRig rig;
        CPatchedFixture* colour = rig.Patch(0);
        CPatchedFixture* plain = rig.Patch(20, false, QPoint(200, 10));
        rig.Fixtures().LoadProject();
        CScene* scene = rig.AddScene(QStringLiteral("S"), {colour, plain});
        bound ? rig.window->setFixedSize(size) : rig.window->resize(size);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QVERIFY(rig.Edit(scene));
        QCoreApplication::processEvents();

        CFixturesView* plan = rig.Fixtures().View();
        const QPoint origin = plan->mapToGlobal(QPoint());
        QMap<QChar, QPoint> aim;
        for (CFixtureItem* item : plan->FixtureItems())
            aim[item->Fixture() == colour ? 'C' : 'P'] = plan->mapToGlobal(item->ItemRect().center());
        aim['-'] = (aim['C'] + aim['P']) / 2 + QPoint(0, 60);
        for (const QString& click : clicks.split(' ')) {
            QCOMPARE(SyntheticMouse::ClickAt(aim[click[0]]), plan);
            QCoreApplication::processEvents();
            QCOMPARE(colour->BeamFlags()[0], click == "C");
            QCOMPARE(plain->BeamFlags()[0], click == "P");
            QCOMPARE(rig.window->PresetsPanel()->ColorControl(false) != nullptr, click == "C");
            QCOMPARE(plan->mapToGlobal(QPoint()), origin);
        }
    }
};

ORVANE_TEST(ScenePlanTest)
#include "ScenePlanTest.moc"
