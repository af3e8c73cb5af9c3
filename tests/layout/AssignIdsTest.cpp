#include "TestRegistry.h"
#include "AssignIdsScript.h"
#include "WindowRig.h"

#include "setup/AddFixturesDlg.h"
#include "setup/AssignIdsDlg.h"
#include "setup/PatchTab.h"

#include <QAction>
#include <QtTest>

namespace {

// Four fixtures with IDs 1 to 4 on channels 1, 4, 7 and 10; the dialog
// runs the script and answers, with a chase running when asked.
class CIdsWindowRig : public CWindowRig
{
public:
    CIdsWindowRig(const QString& script, bool accept, bool chase = false)
    {
        const QStringList names{"Spot.1", "Wash", "Par.3", "X.Y.4"};
        for (int i = 0; i < fixtures.size(); ++i)
            fixtures[i]->m_name = names.at(i);
        Load();
        wnd->SetAssignIdsRunner([=](CAssignIdsDlg& dialog) {
            ++runs;
            RunIdScript(*dialog.Grid(), script);
            if (chase) {
                dialog.Play();
                dialog.OnTimer();
            }
            return accept ? QDialog::Accepted : QDialog::Rejected;
        });
    }
    QString Names() const
    {
        QStringList names;
        for (const CPatchedFixture* fixture : fixtures)
            names << fixture->m_name + QLatin1Char('#') + QString::number(fixture->m_id);
        return names.join(QLatin1Char(' '));
    }
    bool Enabled() { return wnd->ToolAction(CFixturesWnd::AssignIdsAction)->isEnabled(); }
    int runs = 0;
};

} // namespace

class FixturesAssignIdsTest : public QObject
{
    Q_OBJECT
private slots:
    void nameBase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("base");
        QTest::newRow("dot and ID") << "Par.3" << "Par";
        QTest::newRow("no dot") << "Par" << "Par";
        QTest::newRow("last dot counts") << "X.Y.4" << "X.Y";
        QTest::newRow("trailing dot") << "Par." << "Par";
        QTest::newRow("only a dot and ID") << ".7" << "";
    }
    void nameBase()
    {
        QFETCH(QString, name);
        QTEST(CPatchTab::NameBase(name), "base");
    }

    // The new IDs and names reach the selected fixtures on OK only; the live
    // layer is as it was, even after OK during a chase.
    void assign_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("chase");
        QTest::addColumn<QString>("names");
        const QString unchanged = QStringLiteral("Spot.1#1 Wash#2 Par.3#3 X.Y.4#4");
        QTest::newRow("cancel") << "1111" << "0>3 1>2" << false << true << unchanged;
        QTest::newRow("OK without a change") << "1111" << "" << true << false << unchanged;
        QTest::newRow("selection only") << "0101" << "0>1" << true << false << "Spot.1#1 Wash.4#4 Par.3#3 X.Y.2#2";
        QTest::newRow("chain") << "1110" << "0>1 1>2" << true << false << "Spot.3#3 Wash.1#1 Par.2#2 X.Y.4#4";
        QTest::newRow("OK while chasing") << "1111" << "<-" << true << true << "Spot.4#4 Wash.3#3 Par.2#2 X.Y.1#1";
    }
    void assign()
    {
        QFETCH(QString, selection);
        QFETCH(QString, script);
        QFETCH(bool, accept);
        QFETCH(bool, chase);
        CIdsWindowRig rig(script, accept, chase);
        rig.Select(selection);
        FillLivePattern(rig.project);
        const QByteArray live = LiveBytes(rig.project);
        rig.host.modified = false;
        rig.host.calls.clear();
        rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->trigger();
        QCOMPARE(rig.runs, 1);
        QTEST(rig.Names(), "names");
        QCOMPARE(LiveBytes(rig.project), live);
        QCOMPARE(rig.host.modified, accept);
        QCOMPARE(rig.host.calls.filter("VideoWindow"), QStringList({"SuspendVideoWindow", "ResumeVideoWindow"}));
        const QList<CPatchedFixture*>& selected = rig.project.m_currentGroup->m_selectedFixtures;
        for (int i = 1; i < selected.size(); ++i)
            QVERIFY(selected.at(i - 1)->m_id < selected.at(i)->m_id); // effects take them in ID order
    }

    // Nothing to renumber without a selection; nothing while the patch
    // dialog is open, whose OK writes back the IDs of its copies.
    void whenAvailable()
    {
        CIdsWindowRig rig("0>1", true);
        rig.Select("0000");
        rig.host.calls.clear();
        rig.wnd->AssignIDs();
        QVERIFY(!rig.Enabled() && !rig.Button(CFixturesWnd::AssignIdsButton)->isEnabled());
        QVERIFY(rig.runs == 0 && rig.host.calls.filter("VideoWindow").isEmpty());
        rig.wnd->AddFixtures();
        rig.Select("1100");
        rig.wnd->AssignIDs();
        QVERIFY(!rig.Enabled() && !rig.Button(CFixturesWnd::AssignIdsButton)->isEnabled());
        QCOMPARE(rig.runs, 0);
        rig.wnd->PatchDialog()->reject();
        QVERIFY(rig.Enabled());
        rig.Button(CFixturesWnd::AssignIdsButton)->click();
        QCOMPARE(rig.Names(), QStringLiteral("Spot.2#2 Wash.1#1 Par.3#3 X.Y.4#4"));
    }
};

ORVANE_TEST(FixturesAssignIdsTest)
#include "AssignIdsTest.moc"
