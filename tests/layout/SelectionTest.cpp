#include "LayoutRig.h"
#include "TestRegistry.h"
#include "../widgets/WidgetTestUtil.h"

#include "effects/Effect.h"

#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

// A view with a two-beam fixture whose beams stand one step apart (cells
// at (10,10) and (50,10)), a one-beam fixture at (100,10) and a 2 x 1 matrix
// at (10,100). A selection is written as "F1 beams|F2|matrix cells", e.g. "10|0|01".
class CSelectionRig : public CLayoutRig
{
public:
    CSelectionRig()
    {
        first = AddItem(BeamsProfile({{0, 0}, {2, 0}}), QPoint(10, 10), 0, 0);
        second = AddItem(RgbProfile(), QPoint(100, 10), 0, 10);
        matrix = AddMatrix(RgbProfile(), 2, 1, QPoint(10, 100));
        view.SetMenuRunner([this](QMenu& menu, const QPoint&) {
            for (QAction* action : menu.actions())
                menuEntries << action->text();
        });
    }

    QList<QList<bool>*> Flags()
    {
        return {&first->Fixture()->BeamFlags(), &second->Fixture()->BeamFlags(),
                &matrix->Matrix()->Member(0)->BeamFlags(), &matrix->Matrix()->Member(1)->BeamFlags()};
    }
    void SetSelection(const QString& text)
    {
        const QString digits = QString(text).remove(QLatin1Char('|'));
        int d = 0;
        for (QList<bool>* flags : Flags()) {
            for (bool& flag : *flags)
                flag = digits.at(d++) == QLatin1Char('1');
        }
        view.RefreshSelectedFlags();
    }
    QString Selection()
    {
        QString text;
        const QList<QList<bool>*> flags = Flags();
        for (int i = 0; i < flags.size(); ++i) {
            if (i == 1 || i == 2)
                text += QLatin1Char('|');
            for (bool flag : *flags.at(i))
                text += flag ? QLatin1Char('1') : QLatin1Char('0');
        }
        return text;
    }

    CFixtureItem* first = nullptr;
    CFixtureItem* second = nullptr;
    CMatrixItem* matrix = nullptr;
    QStringList menuEntries;
};

class SelectionTest : public QObject
{
    Q_OBJECT
private slots:
    void clicks_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("menu");
        const int left = Qt::LeftButton;
        const int right = Qt::RightButton;
        const int none = Qt::NoModifier;
        const int control = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        QTest::newRow("beam alone") << "00|1|11" << false << left << none << QPoint(15, 15) << "10|0|00" << false;
        QTest::newRow("selected beam keeps") << "11|1|00" << false << left << none << QPoint(15, 15) << "11|1|00"
                                             << false;
        QTest::newRow("control adds") << "10|0|00" << false << left << control << QPoint(55, 15) << "11|0|00"
                                      << false;
        QTest::newRow("control removes") << "11|1|00" << false << left << control << QPoint(55, 15) << "10|1|00"
                                         << false;
        QTest::newRow("between cells") << "11|1|11" << false << left << none << QPoint(35, 15) << "00|0|00" << false;
        QTest::newRow("locked toggles") << "10|0|00" << true << left << none << QPoint(105, 15) << "10|1|00" << false;
        QTest::newRow("shift whole matrix") << "10|0|00" << false << left << shift << QPoint(15, 105) << "00|0|11"
                                            << false;
        QTest::newRow("locked shift matrix") << "10|0|00" << true << left << shift << QPoint(35, 105) << "10|0|11"
                                             << false;
        QTest::newRow("matrix cell alone") << "00|1|11" << false << left << none << QPoint(35, 105) << "00|1|01"
                                           << false;
        QTest::newRow("right unselected") << "10|0|00" << false << right << none << QPoint(105, 15) << "00|1|00"
                                          << true;
        QTest::newRow("right selected") << "10|1|00" << false << right << none << QPoint(105, 15) << "10|1|00"
                                        << true;
        QTest::newRow("right nothing") << "10|1|00" << false << right << none << QPoint(300, 300) << "10|1|00"
                                       << false;
    }
    void clicks()
    {
        QFETCH(QString, before);
        QFETCH(bool, locked);
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(QPoint, point);
        CSelectionRig rig;
        rig.SetSelection(before);
        rig.view.SetLocked(locked);
        QSignalSpy changed(&rig.view, &CFixturesView::selChanged);
        QTest::mouseClick(&rig.view, Qt::MouseButton(button), Qt::KeyboardModifiers(modifiers), point);
        QTEST(rig.Selection(), "after");
        QTEST(!rig.menuEntries.isEmpty(), "menu");
        QVERIFY(!changed.isEmpty());
    }

    void bands_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QRect>("band");
        QTest::addColumn<QString>("after");
        QTest::newRow("over items") << "00|1|00" << int(Qt::NoModifier) << QRect(5, 5, 20, 120) << "10|0|10";
        QTest::newRow("control over nothing") << "11|1|11" << int(Qt::ControlModifier) << QRect(300, 300, 40, 40)
                                              << "00|0|00";
        QTest::newRow("control adds") << "00|1|00" << int(Qt::ControlModifier) << QRect(45, 5, 10, 10) << "01|1|00";
        QTest::newRow("shift whole matrix") << "00|0|00" << int(Qt::ShiftModifier) << QRect(12, 102, 4, 4)
                                            << "00|0|11";
    }
    void bands()
    {
        QFETCH(QString, before);
        QFETCH(int, modifiers);
        QFETCH(QRect, band);
        CSelectionRig rig;
        rig.SetSelection(before);
        const auto keys = Qt::KeyboardModifiers(modifiers);
        QTest::mousePress(&rig.view, Qt::LeftButton, keys, band.topLeft());
        WidgetTest::MoveHeld(&rig.view, band.bottomRight());
        QTest::mouseRelease(&rig.view, Qt::LeftButton, keys, band.bottomRight());
        QTEST(rig.Selection(), "after");
    }

    void operations_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("all") << "all" << "00|0|10" << "11|1|11";
        QTest::newRow("invert") << "invert" << "10|0|11" << "01|1|00";
        QTest::newRow("none") << "none" << "11|1|11" << "00|0|00";
        QTest::newRow("fixtures") << "fixtures" << "01|0|10" << "11|0|01";
        QTest::newRow("add beams") << "add" << "00|1|00" << "01|1|10";
        QTest::newRow("remove beams") << "remove" << "11|1|11" << "10|1|10";
        QTest::newRow("active") << "active" << "01|0|10" << "00|1|01";
    }
    void operations()
    {
        QFETCH(QString, operation);
        QFETCH(QString, before);
        CSelectionRig rig;
        rig.SetSelection(before);
        rig.host.deleteTarget = 2;
        QSignalSpy changed(&rig.view, &CFixturesView::selChanged);
        CPatchedFixture* member = rig.matrix->Matrix()->Member(1);
        const QList<CPatchedFixture*> pair{rig.first->Fixture(), member};
        if (operation == QLatin1String("all"))
            rig.view.SelectAll();
        else if (operation == QLatin1String("invert"))
            rig.view.InvertSelection();
        else if (operation == QLatin1String("none"))
            rig.view.UnselectAll();
        else if (operation == QLatin1String("fixtures"))
            rig.view.SelectFixtures(pair);
        else if (operation == QLatin1String("add"))
            rig.view.AddBeamsToSelection({rig.first->Fixture(), rig.matrix->Matrix()->Member(0)}, {{false, true}, {true}});
        else if (operation == QLatin1String("remove"))
            rig.view.RemoveBeamsFromSelection(pair, {{false, true}, {true}});
        if (operation == QLatin1String("active")) {
            // Levels in the playback layer mark what plays; a fixture in a
            // universe the project lacks is never active.
            rig.project.m_playback[0][rig.second->Fixture()->m_address + 2] = 9;
            rig.project.m_playback[0][member->m_address] = 1;
            rig.project.m_playback[0][0] = 5;
            rig.matrix->Matrix()->Member(0)->m_universe = 40;
            rig.view.SelectActiv();
        }
        QTEST(rig.Selection(), "after");
        QCOMPARE(changed.count(), operation == QLatin1String("none") ? 0 : 1);
        if (operation != QLatin1String("none") && operation != QLatin1String("remove"))
            QCOMPARE(rig.host.deleteTarget, 0);
    }

    void groupMenuEntries()
    {
        CSelectionRig rig;
        rig.project.AddGroup(QStringLiteral("Front"));
        rig.project.m_currentGroup = rig.project.m_groups.first();
        QSignalSpy toGroup(&rig.view, &CFixturesView::addToGroup);
        QSignalSpy toNewGroup(&rig.view, &CFixturesView::addToNewGroup);
        rig.view.SetMenuRunner([](QMenu& menu, const QPoint&) {
            for (QAction* action : menu.actions())
                action->trigger();
        });
        rig.view.ShowGroupMenu(QPoint(5, 5));
        QCOMPARE(toNewGroup.count(), 1);
        QCOMPARE(toGroup.count(), 1);
        QCOMPARE(toGroup.first().first().toInt(), 1);
    }

    void itemRules()
    {
        CSelectionRig rig;
        CFixtureItem* item = rig.first;
        // Between the cells nothing is hit and the flag stays as it was.
        item->SetSelected(true);
        QVERIFY(!item->SelectAt(QPoint(35, 15), false));
        QVERIFY(item->IsSelected());
        // Toggling the only selected beam off leaves the item unselected.
        rig.SetSelection("10|0|00");
        QVERIFY(item->SelectAt(QPoint(15, 15), true));
        QVERIFY(!item->IsSelected());
        // A beam the fixture lacks is accepted and changes nothing.
        QVERIFY(item->SelectBeam(item->Fixture(), 5));
        QVERIFY(!item->SelectBeam(rig.second->Fixture(), 0));
        QCOMPARE(rig.Selection(), QStringLiteral("00|0|00"));
        // Alternation runs on across items: F1 10, F2 1, matrix 0 1 -> next is true.
        rig.view.Select12();
        QCOMPARE(rig.Selection(), QStringLiteral("10|1|01"));
        // A fully selected matrix inverted is unselected.
        rig.matrix->Select();
        rig.matrix->InvertSelection();
        QVERIFY(!rig.matrix->IsSelected());
        // Flags left short by a re-patch are never indexed past their end.
        rig.first->Fixture()->BeamFlags().removeLast();
        QVERIFY(rig.first->SelectAt(QPoint(55, 15), false));
        QVERIFY(rig.first->AddBeams({true, true, true}));
    }

    void rightClickClearsStatesAndOffersGroups()
    {
        CSelectionRig rig;
        rig.project.AddGroup(QStringLiteral("Front"));
        rig.project.AddGroup(QStringLiteral("Back"));
        rig.project.m_currentGroup = rig.project.m_groups.at(1);
        QTest::mousePress(&rig.view, Qt::RightButton, Qt::NoModifier, QPoint(105, 15));
        QCOMPARE(rig.menuEntries.filter(QStringLiteral("group")),
                 (QStringList{QStringLiteral("Add to new group"), QStringLiteral("Add to group : Back")}));
        // The release went to the menu: moving on must not drag the item.
        WidgetTest::MoveHeld(&rig.view, QPoint(200, 200));
        QCOMPARE(rig.second->m_rect.topLeft(), QPoint(100, 10));
    }

    void effectFixtures()
    {
        CSelectionRig rig;
        CEffect effect(0);
        QVERIFY(!rig.view.SelectEffectFixtures(nullptr));
        QVERIFY(!rig.view.SelectEffectFixtures(&effect));
        effect.m_beamFixtures = {rig.first->Fixture(), rig.matrix->Matrix()->Member(1), rig.second->Fixture()};
        effect.m_beamIndex = {1, 0, 0};
        effect.m_beamSel = {true, true, false};
        QSignalSpy changed(&rig.view, &CFixturesView::selChanged);
        QVERIFY(rig.view.SelectEffectFixtures(&effect));
        QCOMPARE(rig.Selection(), QStringLiteral("01|0|01"));
        QCOMPARE(changed.count(), 1);
    }
};

ORVANE_TEST(SelectionTest)
#include "SelectionTest.moc"
