#include "TestRegistry.h"
#include "AssignIdsScript.h"
#include "WindowRig.h"

#include "setup/AddFixturesDlg.h"
#include "setup/AssignIdsDlg.h"

#include <QAction>
#include <QtTest>

namespace {

// Four fixtures on channels 1, 4, 7 and 10 with IDs 1 to 4 and names that
// end in their ID, in none, or in a dot inside the name.
class CIdsWindowRig : public CWindowRig
{
public:
    CIdsWindowRig()
    {
        const QStringList names{QStringLiteral("Spot.1"), QStringLiteral("Wash"), QStringLiteral("Par.3"),
                                QStringLiteral("X.Y.4")};
        for (int i = 0; i < fixtures.size(); ++i)
            fixtures[i]->m_name = names.at(i);
        Load();
    }
    // "name#id" of every fixture, in patch order.
    QString Names() const
    {
        QStringList names;
        for (const CPatchedFixture* fixture : fixtures)
            names << fixture->m_name + QLatin1Char('#') + QString::number(fixture->m_id);
        return names.join(QLatin1Char(' '));
    }
    // Runs the dialog as the operator would: the script, then OK or Cancel.
    void Answer(const QString& script, bool accept)
    {
        wnd->SetAssignIdsRunner([=](CAssignIdsDlg& dialog) {
            ++runs;
            RunIdScript(*dialog.Grid(), script);
            return accept ? QDialog::Accepted : QDialog::Rejected;
        });
    }
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
        QTest::newRow("empty") << "" << "";
    }
    void nameBase()
    {
        QFETCH(QString, name);
        QTEST(CFixturesWnd::NameBase(name), "base");
    }

    void assign_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("names");
        const QString unchanged = QStringLiteral("Spot.1#1 Wash#2 Par.3#3 X.Y.4#4");
        QTest::newRow("cancel") << "1111" << "0>3 1>2" << false << unchanged;
        QTest::newRow("OK without a change") << "1111" << "" << true << unchanged;
        QTest::newRow("exchange") << "1100" << "0>1" << true << "Spot.2#2 Wash.1#1 Par.3#3 X.Y.4#4";
        QTest::newRow("chain of exchanges") << "1110" << "0>1 1>2" << true << "Spot.3#3 Wash.1#1 Par.2#2 X.Y.4#4";
        QTest::newRow("IDs of the selection only") << "0101" << "0>1" << true << "Spot.1#1 Wash.4#4 Par.3#3 X.Y.2#2";
        QTest::newRow("by address, descending") << "1111" << "<-" << true << "Spot.4#4 Wash.3#3 Par.2#2 X.Y.1#1";
        QTest::newRow("back by address") << "1111" << "<- ->" << true << unchanged;
    }
    void assign()
    {
        QFETCH(QString, selection);
        QFETCH(QString, script);
        QFETCH(bool, accept);
        CIdsWindowRig rig;
        rig.Select(selection);
        rig.host.modified = false;
        rig.host.calls.clear();
        rig.Answer(script, accept);
        rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->trigger();
        QCOMPARE(rig.runs, 1);
        QTEST(rig.Names(), "names");
        QCOMPARE(rig.host.modified, accept);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("VideoWindow")),
                 QStringList({QStringLiteral("SuspendVideoWindow"), QStringLiteral("ResumeVideoWindow")}));
        // The selection is kept in ID order for the effects.
        const QList<CPatchedFixture*>& selected = rig.project.m_currentGroup->m_selectedFixtures;
        QCOMPARE(selected.size(), selection.count(QLatin1Char('1')));
        for (int i = 1; i < selected.size(); ++i)
            QVERIFY(selected.at(i - 1)->m_id <= selected.at(i)->m_id);
    }

    void onlyWithSelection()
    {
        CIdsWindowRig rig;
        rig.Answer(QString(), true);
        rig.Select(QStringLiteral("0000"));
        rig.host.calls.clear();
        QVERIFY(!rig.Button(CFixturesWnd::AssignIdsButton)->isEnabled());
        QVERIFY(!rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->isEnabled());
        rig.wnd->AssignIDs();
        QCOMPARE(rig.runs, 0);
        QVERIFY(rig.host.calls.filter(QStringLiteral("VideoWindow")).isEmpty());

        rig.Select(QStringLiteral("0010"));
        QVERIFY(rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->isEnabled());
        rig.Button(CFixturesWnd::AssignIdsButton)->click();
        QCOMPARE(rig.runs, 1);
    }

    // The patch dialog's OK writes back the IDs of its copies: new IDs
    // given meanwhile would be lost.
    void restsWhilePatching()
    {
        CIdsWindowRig rig;
        rig.Answer(QStringLiteral("0>1"), true);
        rig.Select(QStringLiteral("1100"));
        rig.wnd->AddFixtures();
        rig.Select(QStringLiteral("1110"));
        QVERIFY(!rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->isEnabled());
        QVERIFY(!rig.Button(CFixturesWnd::AssignIdsButton)->isEnabled());
        rig.wnd->AssignIDs();
        QCOMPARE(rig.runs, 0);
        rig.wnd->PatchDialog()->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.wnd->ToolAction(CFixturesWnd::AssignIdsAction)->isEnabled());
        rig.wnd->AssignIDs();
        QCOMPARE(rig.Names(), QStringLiteral("Spot.2#2 Wash.1#1 Par.3#3 X.Y.4#4"));
    }

    // OK pressed while the chase runs: the IDs are taken and the live layer
    // is given back as it was.
    void okWhileChasing()
    {
        CIdsWindowRig rig;
        rig.Select(QStringLiteral("1111"));
        FillLivePattern(rig.project);
        const QByteArray before = LiveBytes(rig.project);
        rig.wnd->SetAssignIdsRunner([&](CAssignIdsDlg& dialog) {
            RunIdScript(*dialog.Grid(), QStringLiteral("<-"));
            dialog.Play();
            dialog.OnTimer();
            return LiveBytes(rig.project) != before ? QDialog::Accepted : QDialog::Rejected;
        });
        rig.wnd->AssignIDs();
        QCOMPARE(rig.Names(), QStringLiteral("Spot.4#4 Wash.3#3 Par.2#2 X.Y.1#1"));
        QCOMPARE(LiveBytes(rig.project), before);
    }
};

ORVANE_TEST(FixturesAssignIdsTest)
#include "AssignIdsTest.moc"
