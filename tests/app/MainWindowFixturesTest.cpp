#include "DataTable.h"
#include "FixturesWindowRig.h"
#include "TestRegistry.h"

#include "ModalAnswer.h"
#include "app/GeneralPage.h"
#include "app/OptionsDlg.h"
#include "app/Orvane.h"
#include "layout/FixturesWnd.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/FixturesView.h"
#include "setup/AssignIdsDlg.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

// The fixtures window inside the main window: where it stands, what reaches
// it and what the document asks of it. Nothing here starts Art-Net.

class MainWindowFixturesTest : public QObject
{
    Q_OBJECT
private slots:
    void groupTriggersComeFirstAndTheDispatcherStillHears_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("key") << "key";
        QTest::newRow("MIDI") << "midi";
        QTest::newRow("DMX input") << "dmx";
        QTest::newRow("stand-alone") << "sa";
    }
    void groupTriggersComeFirstAndTheDispatcherStillHears()
    {
        QFETCH(QString, source);
        CFixturesWindowRig rig;
        Orvane& window = *rig.window;
        auto* splitBar = qobject_cast<QSplitter*>(window.centralWidget());
        QCOMPARE(splitBar->indexOf(&rig.Fixtures()), 1);

        CProject& project = rig.Project();
        CGroup* group = project.AddGroup(QStringLiteral("G1"));
        project.SetCurrentGroup(0);
        CPage* second = project.AddPage(QStringLiteral("Second"));
        rig.window->LivePages()->ReloadPages();
        rig.Fixtures().LoadProject();
        // The group and the page wait for the same event.
        for (CTriggers* triggers : {&group->m_triggers, &second->m_triggers}) {
            triggers->ParseShortCut(QStringLiteral("G"));
            triggers->m_midiTrigger = {0, 60, 1, 127, CMidiTrigger::Note, QString()};
            triggers->m_dmxTrigger.m_mode = CDmxTrigger::LevelReached;
            triggers->m_dmxTrigger.m_channel = 300;
            triggers->m_dmxTrigger.m_level = 128;
            triggers->m_saInputs = {0, 5, 0};
        }
        if (source == QLatin1String("key")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier);
            QApplication::sendEvent(&window, &press);
        } else if (source == QLatin1String("midi")) {
            window.MidiTrigger(1, 0, 60, 1);
        } else if (source == QLatin1String("dmx")) {
            project.m_dmxInput[0][300] = 200;
            window.DmxInputTrigger(0);
        } else {
            window.StandAloneTrigger(0, 5, 0);
        }
        QCOMPARE(project.CurrentGroupIndex(), 1);
        QCOMPARE(window.LivePages()->PageView()->Page(), second);
    }

    void deleteRemovesTheSelectedFixturesOnlyWithTheLayoutFocused_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("left");
        QTest::newRow("layout view") << 0 << 1;
        QTest::newRow("another panel") << 2 << 2;
    }
    void deleteRemovesTheSelectedFixturesOnlyWithTheLayoutFocused()
    {
        QFETCH(int, target);
        CFixturesWindowRig rig;
        CPatchedFixture* fixture = rig.Patch(0);
        rig.Patch(10);
        rig.Fixtures().LoadProject();
        rig.Select({fixture});
        rig.window->SetDeleteTarget(target);
        if (target == 0)
            OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(rig.window.get(), &press);
        QTEST(int(rig.Project().m_generalGroup->m_fixtures.size()), "left");
    }

    void savingStoresTheGroupViewFirst()
    {
        CFixturesWindowRig rig;
        CPatchedFixture* fixture = rig.Patch(0);
        rig.Fixtures().LoadProject();
        auto* item = static_cast<CFixtureItem*>(fixture->LayoutItem());
        QVERIFY(item);
        item->m_rect.moveTopLeft(QPoint(140, 60));
        QVERIFY(rig.window->SaveProject(rig.dir.filePath(QStringLiteral("show.kv3"))));
        QCOMPARE(fixture->Position(0), QPoint(140, 60));
        QVERIFY(rig.window->HasLayoutView());
        rig.window->SetLayoutMoveLocked(true);
        QVERIFY(rig.Fixtures().View()->IsLocked() && rig.window->IsLayoutMoveLocked());
    }

    // Assign IDs opens centred on the main window, wherever on the screen it
    // stands, and moves up when that would put it below the screen's edge.
    // The window is as tall as it may be, taller than the 800 x 600 screen.
    void assignIdsOpensCentredOnTheMainWindow_data()
    {
        Columns<QPoint, bool>("topLeft", "centred");
        QTest::newRow("upper left") << QPoint(0, 0) << true;
        QTest::newRow("right") << QPoint(230, 100) << true;
        QTest::newRow("low on the screen") << QPoint(230, 190) << false;
    }
    void assignIdsOpensCentredOnTheMainWindow()
    {
        const auto [topLeft, centred] = Row<QPoint, bool>("topLeft", "centred");
        CFixturesWindowRig rig;
        const QList<CPatchedFixture*> fixtures{rig.Patch(0), rig.Patch(10)};
        rig.Fixtures().LoadProject();
        rig.Select(fixtures);
        rig.window->setGeometry(QRect(topLeft, QSize(560, 0)));
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QRect shown;
        OnNextModal<CAssignIdsDlg>([&shown](CAssignIdsDlg* dialog) {
            shown = dialog->geometry();
            dialog->reject();
        });
        rig.Fixtures().ToolAction(CFixturesWnd::AssignIdsAction)->trigger();
        QVERIFY(shown.isValid());
        const QPoint centre = rig.window->geometry().center();
        QCOMPARE(shown.center().x(), centre.x());
        if (centred)
            QCOMPARE(shown.center().y(), centre.y());
        else
            QVERIFY(shown.center().y() < centre.y() && rig.window->screen()->availableGeometry().contains(shown));
    }

    void aRefreshChoiceTakesEffectOnOk()
    {
        CFixturesWindowRig rig;
        QCOMPARE(rig.Fixtures().RefreshInterval(), 40);
        OnNextModal<COptionsDlg>([](COptionsDlg* dialog) {
            dialog->GeneralPage()->RefreshList()->setCurrentIndex(3);
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        rig.window->findChild<QAction*>(QStringLiteral("actionFileOptions"))->trigger();
        QCOMPARE(rig.Fixtures().RefreshInterval(), 160);
    }
};

ORVANE_TEST(MainWindowFixturesTest)
#include "MainWindowFixturesTest.moc"
