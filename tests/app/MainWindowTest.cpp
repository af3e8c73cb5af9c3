#include "DataTable.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "ModalAnswer.h"
#include "RecordingDocument.h"
#include "RecordingStages.h"
#include "app/options/AppOptions.h"
#include "app/Globals.h"
#include "app/Orvane.h"
#include "app/ZikoraImportDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

QStringList g_messages;

void CollectMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    // The offscreen platform says it cannot pass size hints to a window
    // system it does not have; that is not the program's warning.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints")))
        g_messages << text;
}

// A main window started in a folder of its own, with a recording document.
struct CWindowRig : CWindowRigBase
{
    CRecordingDocument* doc = nullptr;

    explicit CWindowRig(const QByteArray& ini = QByteArray(), const QString& projectFile = QString(),
                        const std::function<void(CRecordingDocument&)>& prepare = {}, int loadErrorWaitMs = 0)
    {
        auto document = std::make_unique<CRecordingDocument>();
        doc = document.get();
        if (prepare)
            prepare(*doc);
        COrvaneSetup setup;
        setup.projectPath =
            projectFile.isEmpty() || QDir::isAbsolutePath(projectFile) ? projectFile : Path(projectFile);
        setup.document = std::move(document);
        Start(std::move(setup), ini, loadErrorWaitMs);
    }

    QString Ini() const { return QString::fromUtf8(ReadBytes(Path(QStringLiteral("Orvane.ini")))); }
};

// Presses `button` on the next message box; its text lands in `text`.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text = nullptr, bool* busyWhileShown = nullptr)
{
    OnNextModal<QMessageBox>([=](QMessageBox* box) {
        if (text)
            *text = box->text();
        if (busyWhileShown)
            *busyWhileShown = ShowHost().IsBusy();
        box->button(button)->click();
    });
}

// The master tick's timer, which the rig stopped and took off the tick.
QTimer* TickTimer(Orvane& window)
{
    for (QTimer* timer : window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (timer->interval() == 25 && timer->timerType() == Qt::PreciseTimer)
            return timer;
    }
    return nullptr;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void startsAndClosesWithoutWarnings()
    {
        g_messages.clear();
        QtMessageHandler previous = qInstallMessageHandler(CollectMessages);
        QString ini;
        {
            CWindowRig rig;
            Orvane& window = *rig.window;
            QCOMPARE(g_pMainWnd, &window);
            QCOMPARE(g_pOptions, &window.Options());
            QCOMPARE(&ShowHost(), static_cast<CShowHost*>(&window));
            QCOMPARE(ShowHost().AppOptions(), &window.Options());
            window.showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.windowTitle(), QStringLiteral("Orvane - Untitled"));
            // A master tick may come while the window is exposed on a busy machine.
            QStringList calls = rig.doc->calls;
            calls.removeAll(QStringLiteral("Tick"));
            calls.removeAll(QStringLiteral("MergeOutput"));
            QCOMPARE(calls, QStringList({"Reset:4", "Reset:-1"}));
            QVERIFY(window.close());
            ini = rig.Ini();
        }
        qInstallMessageHandler(previous);
        QCOMPARE(g_messages, QStringList());
        QVERIFY(g_pMainWnd == nullptr);
        QVERIFY(g_pOptions == nullptr);
        // The options are kept when the program closes.
        QVERIFY(ini.contains(QLatin1String("NbUniverses=4\n")));
    }

    void startUpOpensTheCommandLineProject_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("open");
        QTest::newRow("scenes restarted") << QByteArray("NbUniverses=6\nStartScenes=1\n") << "busy=1:startScenes=1";
        QTest::newRow("scenes left") << QByteArray("NbUniverses=6\nStartScenes=0\n") << "busy=1:startScenes=0";
    }

    void startUpOpensTheCommandLineProject()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, open);
        QTemporaryDir shows;
        const QString show = shows.filePath(QStringLiteral("show.kv3"));
        QFile(show).open(QIODevice::WriteOnly);
        CWindowRig rig(ini, show);
        // The project is reset to the configured universes first, then the
        // document opens the file while the tick is held.
        QCOMPARE(rig.doc->calls, QStringList({"Reset:6", "Open:" + show + ":" + open}));
        QCOMPARE(rig.window->ProjectPath(), show);
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - show.kv3"));
        QVERIFY(!rig.window->IsBusy());
        QVERIFY(!rig.window->IsModified());
    }

    void startUpOpensTheLastProjectWhenAsked_data()
    {
        QTest::addColumn<bool>("optionOn");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("opened");
        QTest::newRow("on, file there") << true << true << true;
        QTest::newRow("on, file gone") << true << false << false;
        QTest::newRow("off") << false << true << false;
    }

    void startUpOpensTheLastProjectWhenAsked()
    {
        QFETCH(bool, optionOn);
        QFETCH(bool, fileThere);
        QFETCH(bool, opened);
        QTemporaryDir shows;
        const QString last = shows.filePath(QStringLiteral("last.kv3"));
        if (fileThere)
            QFile(last).open(QIODevice::WriteOnly);
        CWindowRig rig(QStringLiteral("OpenLastProject=%1\nLastProject=%2\n").arg(int(optionOn)).arg(last).toUtf8());
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:") + last), opened ? 1 : 0);
        QCOMPARE(rig.doc->calls.last().startsWith(QLatin1String("Reset:-1")), !opened);
    }

    void aFailedOpenWaitsAndStartsANewProject()
    {
        QElapsedTimer started;
        started.start();
        CWindowRig rig(QByteArray(), QStringLiteral("broken.kv3"),
                       [](CRecordingDocument& doc) { doc.openResult = false; }, 60);
        // The wait after a load error is the window's, and it is injectable.
        QVERIFY(started.elapsed() >= 60);
        QVERIFY(!rig.window->IsBusy());
        QCOMPARE(rig.window->ProjectPath(), QString());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - Untitled"));
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("Reset:-1"));

        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        rig.window->OnTimer();
        QVERIFY(stages.calls.contains(QStringLiteral("Merge")));
    }

    // A key or a repaint that comes when the tick is due lets the tick go
    // out first; one that comes before, or while the tick is stopped, leaves
    // it to its timer.
    void aDueTickGoesOutBeforeAKeyOrARepaint_data()
    {
        Columns<QString, QString, int>("event", "tick", "ticks");
        QTest::newRow("key, tick due") << "key" << "due" << 1;
        QTest::newRow("key, tick due within half a tick") << "key" << "soon" << 1;
        QTest::newRow("key, tick later") << "key" << "later" << 0;
        QTest::newRow("key, tick stopped") << "key" << "stopped" << 0;
        QTest::newRow("repaint, tick due") << "repaint" << "due" << 1;
        QTest::newRow("repaint, tick due within half a tick") << "repaint" << "soon" << 0;
        QTest::newRow("repaint, tick later") << "repaint" << "later" << 0;
    }
    void aDueTickGoesOutBeforeAKeyOrARepaint()
    {
        const auto [event, tick, ticks] = Row<QString, QString, int>("event", "tick", "ticks");
        CWindowRig rig;
        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        QTimer* timer = TickTimer(*rig.window);
        QVERIFY(timer);
        if (tick == QLatin1String("due")) {
            timer->start(1);
            QThread::msleep(5);
        } else if (tick == QLatin1String("soon")) {
            // The timer fires only when the event loop turns, which it does not here.
            timer->start(Orvane::kTickMs / 2 - 2);
        } else if (tick == QLatin1String("later")) {
            timer->start(60000);
        }
        // Sent straight to the window, so that nothing but the event itself runs.
        if (event == QLatin1String("key")) {
            QTest::keyPress(rig.window.get(), Qt::Key_F5);
        } else {
            QEvent update(QEvent::UpdateRequest);
            QApplication::sendEvent(rig.window.get(), &update);
        }
        QCOMPARE(stages.calls.count(QStringLiteral("Merge")), ticks);
    }

    void theTickDoesNoShowWorkWhileAFileFlowRuns()
    {
        CWindowRig rig;
        CRecordingStages stages;
        rig.window->SetTickStages(&stages);
        QStringList seenDuring;
        rig.doc->duringFlow = [&] {
            rig.window->OnTimer();
            seenDuring << QString::number(stages.calls.size());
        };
        rig.doc->saveResult = true;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("a.kv3"), "x")));
        QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("b.kv2"), "x")));
        QVERIFY(rig.window->SaveProject(rig.Path(QStringLiteral("c.kv3"))));
        QCOMPARE(seenDuring, QStringList({"0", "0", "0"}));
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        QVERIFY(rig.doc->calls.filter(QStringLiteral("busy=1")).size() == 3);

        // Once a flow ends the show runs again.
        rig.window->OnTimer();
        QVERIFY(!stages.calls.isEmpty());
        QCOMPARE(stages.calls.first().left(9), QStringLiteral("Timeline:"));
    }

    void aFlowThatThrowsStillClearsTheBusyFlag()
    {
        CWindowRig rig;
        rig.doc->duringFlow = [] { throw std::runtime_error("out of memory"); };
        QVERIFY(!rig.window->OpenProject(rig.WriteFile(QStringLiteral("a.kv3"), "x")));
        QVERIFY(!rig.window->IsBusy());
        // Whatever was half read is replaced by a new project.
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("Reset:-1"));

        QVERIFY(!rig.window->ImportProject(rig.WriteFile(QStringLiteral("b.kv2"), "x")));
        QVERIFY(!rig.window->IsBusy());

        QString text;
        AnswerNextBox(QMessageBox::Ok, &text);
        QVERIFY(!rig.window->SaveProject(rig.Path(QStringLiteral("c.kv3"))));
        QVERIFY(!rig.window->IsBusy());
        QVERIFY(text.contains(QLatin1String("out of memory")));
    }

    void aFailedSaveIsReportedAndKeepsTheModifiedMark()
    {
        CWindowRig rig;
        const QString show = rig.WriteFile(QStringLiteral("show.kv3"), "previous");
        QVERIFY(rig.window->OpenProject(show));
        rig.window->SetModified(true);
        rig.doc->saveResult = false;
        rig.doc->saveReason = QStringLiteral("No space left on device");

        QString text;
        bool busyWhileShown = true;
        AnswerNextBox(QMessageBox::Ok, &text, &busyWhileShown);
        QVERIFY(!rig.window->OnFileSave());
        QCOMPARE(rig.doc->calls.last(), "Save:" + show + ":busy=1");
        QVERIFY(text.contains(QLatin1String("No space left on device")));
        QVERIFY(text.contains(QLatin1String("show.kv3")));
        // The box does not hold the show.
        QVERIFY(!busyWhileShown);
        QVERIFY(rig.window->IsModified());
        QVERIFY(rig.window->windowTitle().endsWith(QLatin1String(" *")));
        QCOMPARE(rig.window->ProjectPath(), show);

        // A save that works clears the mark and is remembered.
        rig.doc->saveResult = true;
        QVERIFY(rig.window->OnFileSave());
        QVERIFY(!rig.window->IsModified());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - show.kv3"));
        QCOMPARE(rig.window->Options().m_lastProject, QFileInfo(show).absoluteFilePath());
    }

    // A note the document leaves during a flow (fixtures left out of the
    // file) comes once the flow is over, with the window's tick running the
    // show under the box.
    void aFlowsNoteWaitsForTheFlowWhileTheShowRuns_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::newRow("started with a file") << "start";
        QTest::newRow("opened") << "open";
        QTest::newRow("imported") << "import";
    }

    void aFlowsNoteWaitsForTheFlowWhileTheShowRuns()
    {
        QFETCH(QString, flow);
        const QString note = QStringLiteral("2 fixtures of the file were left out.");
        CRecordingStages stages;
        QString text;
        bool busyWhileShown = true;
        int mergesWhileShown = 0;
        bool answered = false;
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            busyWhileShown = ShowHost().IsBusy();
            g_pMainWnd->SetTickStages(&stages);
            // A tick while the note shows merges: the flow is over and the show runs on.
            g_pMainWnd->OnTimer();
            mergesWhileShown = stages.calls.count(QStringLiteral("Merge"));
            box->button(QMessageBox::Ok)->click();
            answered = true;
        });
        CWindowRig rig(QByteArray(), flow == "start" ? QStringLiteral("show.kv3") : QString(),
                       [note](CRecordingDocument& doc) {
                           doc.duringFlow = [note] { ShowHost().ShowInformation(QStringLiteral("Warning"), note); };
                       });
        if (flow == "open")
            QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));
        else if (flow == "import")
            QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("old.kv2"), "x")));
        QTRY_VERIFY_WITH_TIMEOUT(answered, 30000);
        rig.window->SetTickStages(nullptr);
        QCOMPARE(text, note);
        QVERIFY(!busyWhileShown);
        QVERIFY(mergesWhileShown > 0);
    }

    void anOlderFileIsSavedUnderANewName()
    {
        CWindowRig rig;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("old.kv2"), "older")));
        QString suggested;
        OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
            suggested = dialog->selectedFiles().value(0);
            dialog->selectFile(rig.Path(QStringLiteral("renamed")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QVERIFY(rig.window->OnFileSave());
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("old.kv3"));
        QCOMPARE(rig.doc->Count(QStringLiteral("Save:")), 1);
        QCOMPARE(rig.doc->calls.last(), "Save:" + rig.Path(QStringLiteral("renamed.kv3")) + ":busy=1");
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - renamed.kv3"));
    }

    void theSaveQuestionGuardsUnsavedWork()
    {
        CWindowRig rig;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));

        // Cancel: nothing happens.
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        rig.window->OnFileNew();
        QVERIFY(rig.window->IsModified());
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 1); // the one of start-up

        // Yes, but the save fails: the project stays.
        rig.doc->saveResult = false;
        OnNextModal<QMessageBox>([](QMessageBox* question) {
            AnswerNextBox(QMessageBox::Ok);
            question->button(QMessageBox::Yes)->click();
        });
        rig.window->OnFileNew();
        QCOMPARE(rig.doc->Count(QStringLiteral("Save:")), 1);
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 1);
        QVERIFY(rig.window->IsModified());
        QCOMPARE(rig.window->ProjectPath(), rig.Path(QStringLiteral("show.kv3")));

        // No: a new project.
        AnswerNextBox(QMessageBox::No);
        rig.window->OnFileNew();
        QCOMPARE(rig.doc->Count(QStringLiteral("Reset:-1")), 2);
        QVERIFY(!rig.window->IsModified());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - Untitled"));
    }

    void closingAModifiedProjectAsksFirst()
    {
        CWindowRig rig;
        rig.window->show();
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        QVERIFY(!rig.window->close());
        QVERIFY(rig.window->isVisible());
        AnswerNextBox(QMessageBox::No);
        QVERIFY(rig.window->close());
    }

    void optionsThatCannotBeWrittenAtQuitAreTold()
    {
        CWindowRig rig;
        rig.window->show();
        // A folder where the file goes stops the write, whoever runs the test.
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("Orvane.ini")));
        QString text;
        AnswerNextBox(QMessageBox::Ok, &text);
        QVERIFY(rig.window->close());
        QVERIFY(text.contains(QLatin1String("Orvane.ini")));
    }

    void anotherInstancesPathIsOpenedWhenItMakesSense()
    {
        CWindowRig rig;
        const QString show = rig.WriteFile(QStringLiteral("show.kv3"), "x");
        rig.window->handleMessage(QString());
        rig.window->handleMessage(rig.Path(QStringLiteral("missing.kv3")));
        rig.window->handleMessage(rig.dir.path());
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 0);

        // Not in the middle of another open.
        rig.doc->duringFlow = [&] { rig.window->handleMessage(show); };
        rig.window->OpenProject(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        rig.doc->duringFlow = nullptr;

        // Nor under a modal dialog, which edits the show in place.
        {
            QDialog dialog(rig.window.get());
            dialog.setModal(true);
            dialog.show();
            rig.window->handleMessage(show);
            QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        }

        // The save question comes first.
        rig.window->SetModified(true);
        AnswerNextBox(QMessageBox::Cancel);
        rig.window->handleMessage(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 1);
        rig.window->SetModified(false);
        rig.window->showMinimized();
        rig.window->handleMessage(show);
        QCOMPARE(rig.doc->Count(QStringLiteral("Open:")), 2);
        // And the window comes back to the front.
        QVERIFY(!rig.window->isMinimized());
        QVERIFY(rig.window->isVisible());
    }

    void anAcceptedUniverseCountIsWrittenAtOnce()
    {
        CWindowRig rig;
        // The universe question of a refused patch, as the document asks it.
        rig.doc->openResult = false;
        rig.doc->duringFlow = [] { ShowHost().SetUniverseCountOption(7); };
        rig.window->OpenProject(rig.WriteFile(QStringLiteral("big.kv3"), "x"));
        QVERIFY(rig.Ini().contains(QLatin1String("NbUniverses=7\n")));
        QCOMPARE(ShowHost().UniverseCountOption(), 7);

        ShowHost().SetUniverseCountOption(100000);
        QVERIFY(rig.Ini().contains(QLatin1String("NbUniverses=256\n")));
    }

    void releaseActionsFollowTheShow()
    {
        CWindowRig rig;
        QAction* scenes = rig.Action("actionReleaseScenes");
        QAction* effects = rig.Action("actionReleaseEffects");
        QAction* live = rig.Action("actionReleaseLive");
        QVERIFY(!scenes->isEnabled() && !effects->isEnabled() && !live->isEnabled());

        rig.doc->playingPlainScene = true;
        ShowHost().UpdateReleaseScenesAction(false);
        QVERIFY(scenes->isEnabled());
        scenes->trigger();
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("ReleaseScenes"));
        QVERIFY(!scenes->isEnabled());
        rig.doc->playingPlainScene = false;
        ShowHost().UpdateReleaseScenesAction(true);
        QVERIFY(scenes->isEnabled());

        rig.doc->runningEffects = true;
        ShowHost().RefreshEffectState(-1);
        QVERIFY(effects->isEnabled());
        rig.doc->runningEffects = false;
        effects->trigger();
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("ReleaseEffects"));
        QVERIFY(!effects->isEnabled());

        // The live action is looked at on the tick after a live change only.
        rig.doc->liveLevels = true;
        rig.window->OnTimer();
        QVERIFY(!live->isEnabled());
        ShowHost().RaiseLiveLevelsChanged();
        rig.window->OnTimer();
        QVERIFY(live->isEnabled());
        rig.doc->liveLevels = false;
        ShowHost().RaiseLiveLevelsChanged();
        rig.window->OnTimer();
        QVERIFY(!live->isEnabled());
    }

    void theWindowsTickAdvancesThenMergesTheShow()
    {
        CWindowRig rig;
        rig.doc->calls.clear();
        rig.window->OnTimer();
        QCOMPARE(rig.doc->calls, QStringList({"Tick", "MergeOutput"}));
        rig.window->SetBusy(true);
        rig.window->OnTimer();
        QCOMPARE(rig.doc->calls.size(), 2);
        rig.window->SetBusy(false);
    }

    // A project saved with Art-Net opens its port: that test runs in a
    // private network namespace, with the other Art-Net tests of the window.

    void sendingEditedLevelsIsAToggle()
    {
        CWindowRig rig(QByteArray("SendEditDmx=0\n"));
        QAction* action = rig.Action("actionSendEditDmx");
        QVERIFY(!action->isChecked());
        QVERIFY(!ShowHost().SendEditDmxOption());
        action->trigger();
        QVERIFY(action->isChecked());
        QVERIFY(ShowHost().SendEditDmxOption());
        // Nothing plays, so the output shows the change at once.
        QCOMPARE(rig.doc->calls.last(), QStringLiteral("RefreshOutput"));
    }

    void importMarksTheProjectModifiedOnlyWhenItAddedScenes()
    {
        CWindowRig rig;
        rig.doc->importResult = false;
        QVERIFY(!rig.window->ImportProject(rig.WriteFile(QStringLiteral("a.kv1"), "x")));
        QVERIFY(!rig.window->IsModified());
        rig.doc->importResult = true;
        QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("a.kv1"), "x")));
        QVERIFY(rig.window->IsModified());
    }

    void theImportDialogReportsTheOperatorsChoice()
    {
        CWindowRig rig;
        OnNextModal<CZikoraImportDlg>([](CZikoraImportDlg* dialog) {
            const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
            QCOMPARE(boxes.size(), 4);
            boxes.at(1)->setChecked(false);
            boxes.at(3)->setChecked(true); // "Import in a new tab"
            dialog->accept();
        });
        QList<bool> keep;
        bool newPage = false;
        QVERIFY(ShowHost().ChooseImportScenes({"Intro", "Chase", "Finale"}, keep, newPage));
        QCOMPARE(keep, QList<bool>({true, false, true}));
        QVERIFY(newPage);

        OnNextModal<CZikoraImportDlg>([](CZikoraImportDlg* dialog) { dialog->reject(); });
        QVERIFY(!ShowHost().ChooseImportScenes({"Intro"}, keep, newPage));
    }
};

ORVANE_TEST(MainWindowTest)
#include "MainWindowTest.moc"
