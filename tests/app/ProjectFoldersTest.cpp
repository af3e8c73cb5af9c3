#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "ShownDialogs.h"
#include "app/Orvane.h"
#include "app/options/AppOptions.h"
#include "layout/FixturesWnd.h"
#include "setup/AddFixturesDlg.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

// Where the main window's dialogs for project files start, after a profile
// was opened from the library. Nothing here starts Art-Net.

class ProjectFoldersTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void projectDialogsStartInTheProjectsFolder_data()
    {
        // "open", "new" (after one was open), "none", or after New with the
        // last project's file or its folder, away from the program's, gone
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("folder"); // below the program's folder
        // About with Ctrl held opens a project to copy.
        for (const char* command : {"actionFileOpen", "actionFileSaveAs", "actionFileImport", "actionAbout"}) {
            QTest::addRow("open project, %s", command) << "open" << command << "Shows";
            QTest::addRow("after New, %s", command) << "new" << command << "Shows";
            QTest::addRow("no project yet, %s", command) << "none" << command << "";
            QTest::addRow("last file gone, %s", command) << "file gone" << command << "Shows";
            QTest::addRow("last folder gone, %s", command) << "folder gone" << command << "";
        }
    }
    void projectDialogsStartInTheProjectsFolder()
    {
        QFETCH(QString, project);
        QFETCH(QString, command);
        QFETCH(QString, folder);
        CWindowRigBase rig;
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        rig.Start(std::move(setup));
        for (const char* made : {"Shows", "Profiles"})
            QVERIFY(QDir(rig.dir.path()).mkpath(QLatin1String(made)));
        // A file dialog asked for a folder that is gone starts in the
        // nearest one above it: a folder away from the program's tells the two apart.
        QTemporaryDir away;
        if (project != QLatin1String("none")) {
            const bool folderGone = project == QLatin1String("folder gone");
            const QString saved = folderGone ? away.filePath(QStringLiteral("show.kv3"))
                                             : rig.Path(QStringLiteral("Shows/show.kv3"));
            QVERIFY(rig.window->SaveProject(saved));
            if (project != QLatin1String("open"))
                rig.Action("actionFileNew")->trigger();
            if (project == QLatin1String("file gone"))
                QVERIFY(QFile::remove(saved));
            if (folderGone)
                QVERIFY(away.remove());
        }
        // A profile chosen in the library, as the add-fixtures dialog does.
        const QString profile = rig.WriteFile(QStringLiteral("Profiles/Par.kvp"), "not a profile");
        CFixturesWnd& fixtures = *rig.window->FixturesWindow();
        fixtures.AddFixtures();
        {
            CShownDialogs dialogs(QMessageBox::Ok);
            dialogs.pick = profile;
            fixtures.PatchDialog()->Open();
            QCOMPARE(dialogs.shown.value(0), QStringLiteral("folder: ") + rig.Path(QStringLiteral("Profiles")));
        }
        fixtures.PatchDialog()->reject();

        CShownDialogs dialogs(QMessageBox::No);
        QTest::keyPress(rig.window->menuBar(), Qt::Key_Control, Qt::ControlModifier);
        rig.Action(command.toLatin1().constData())->trigger();
        QTest::keyRelease(rig.window->menuBar(), Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(dialogs.shown, QStringList{QStringLiteral("folder: ") + QDir::cleanPath(rig.Path(folder))});
    }
};

ORVANE_TEST(ProjectFoldersTest)
#include "ProjectFoldersTest.moc"
