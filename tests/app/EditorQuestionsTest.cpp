#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "AskedQuestions.h"
#include "DataTable.h"
#include "app/DefaultEffects.h"
#include "editors/EditEffectWnd.h"
#include "editors/EditMasksWnd.h"
#include "editors/EffectsList.h"
#include "show/EffectScene.h"

#include <QLineEdit>
#include <QtTest>

// File Open, New, Exit and a show handed over by a second start, with an
// editor open over the show: one question for the edit, then the project's,
// and nothing done before the last answer is in.

namespace {

// A saved, unchanged show with a scene T, an effect scene and a mask A, and
// one editor open on it, `changed` or not.
struct CQuestionsRig : CEditedShowRig
{
    QString editor;
    QString path = Path(QStringLiteral("show.kv3"));

    CQuestionsRig(const QString& editorKind, bool changed) : editor(editorKind)
    {
        CProject& project = Project();
        CPatchedFixture* a = Patch(0);
        Fixtures().LoadProject();
        AddScene(QStringLiteral("T"), {a});
        project.m_masks << CMask{QStringLiteral("A"), {{0, 1, 2}}};
        project.m_currentGroup->m_selectedFixtures = {a};
        a->BeamFlags()[0] = true;
        QVERIFY(!AddDefaultEffects(project, {a->Profile()}, nullptr).isEmpty());
        QVERIFY(window->SaveProject(path));
        if (editor == "masks") {
            Action("actionMasks")->trigger();
            if (changed)
                Pages().findChild<CEditMasksWnd*>()->Table()->item(0, 0)->setText(QStringLiteral("Z"));
        } else if (editor == "effect scene") {
            QVERIFY(Pages().EditEffectScene(project.m_effectScenes.first()));
            if (changed)
                Pages().findChild<CEditEffectWnd*>()->NameEdit()->setText(QStringLiteral("Renamed"));
        } else {
            CEditSceneWnd* scene = Edit(project.m_firstPage->m_scenes.first());
            QVERIFY(scene);
            if (changed)
                scene->AddStep();
            if (editor == "effects")
                scene->OnSelEffectChanged(scene->EffectList()->item(0));
        }
        QVERIFY(window->LivePagesMode() != CPagesWnd::PagesMode);
    }

    // The edit where it is: in the show (T's step added, a mask renamed in
    // place), or in the effect scene editor's field until it is kept.
    bool EditFound(bool inShow)
    {
        CProject& project = Project();
        if (editor == "masks")
            return project.m_masks.value(0).m_name == QLatin1String("Z");
        if (editor != "effect scene")
            return project.m_firstPage->m_scenes.value(0) && project.m_firstPage->m_scenes.first()->m_steps.size() > 1;
        if (inShow)
            return project.m_effectScenes.value(0) && project.m_effectScenes.first()->m_name == "Renamed";
        auto* shown = dynamic_cast<CEditEffectWnd*>(Pages().ShownEditor());
        return shown && shown->NameEdit()->text() == QLatin1String("Renamed");
    }

    // The command; true when the window let it go on.
    bool Run(const QString& command)
    {
        if (command == "exit")
            return window->close();
        if (command == "hand-over")
            window->handleMessage(path);
        else
            Action(command.startsWith("open") ? "actionFileOpen" : "actionFileNew")->trigger();
        return window->LivePagesMode() == CPagesWnd::PagesMode;
    }
};

} // namespace

class EditorQuestionsTest : public QObject
{
    Q_OBJECT

private slots:
    // "answers": one word a box, the editor's first; "stays": the editor
    // open with its edit and the show and title as they were; "kept" and
    // "dropped": the command went on, the saved show with or without the
    // edit.
    void theEditAsksOnceThenTheProject_data()
    {
        Columns<QString, QString, QString, QString, QString>("editor", "command", "answers", "asked", "outcome");
        for (const char* editor : {"scene", "effects", "effect scene", "masks"}) {
            // The masks editor changes the show in place: the project asks after its No.
            const bool inPlace = QString::fromLatin1(editor) == "masks";
            struct CAnswers
            {
                const char* answers;
                const char* asked;
                const char* outcome;
            };
            const CAnswers rows[] = {
                {"Cancel", "keep?", "stays"},
                {"Escape", "keep?", "stays"},
                {"Close", "keep?", "stays"},
                {"Yes Cancel", "keep? save?", "stays"},
                {"Yes Escape", "keep? save?", "stays"},
                {"Yes Yes", "keep? save?", "kept"},
                {inPlace ? "No No" : "No", inPlace ? "keep? save?" : "keep?", "dropped"},
                {"No Escape", "keep? save?", inPlace ? "stays" : ""},
                {"", "", "unchanged"},
            };
            QTest::addRow("%s, open, no file chosen", editor)
                << editor << "open, no file" << "Yes No" << "keep? save? file" << "stays";
            for (const char* command : {"open", "new", "exit", "hand-over"}) {
                for (const CAnswers& row : rows) {
                    if (!*row.outcome)
                        continue;
                    const QString asked = QString::fromLatin1(row.asked)
                                          + (QString::fromLatin1(command) == "open" && row.outcome[0] != 's'
                                                 ? QStringLiteral(" file") : QString());
                    QTest::addRow("%s, %s, %s", editor, command, *row.answers ? row.answers : "nothing changed")
                        << editor << command << row.answers << asked.trimmed() << row.outcome;
                }
            }
        }
    }
    void theEditAsksOnceThenTheProject()
    {
        const auto [editor, command, answers, asked, outcome] =
            Row<QString, QString, QString, QString, QString>("editor", "command", "answers", "asked", "outcome");
        CQuestionsRig rig(editor, outcome != "unchanged");
        const int mode = rig.window->LivePagesMode();
        QPointer<QWidget> shown = rig.Pages().ShownEditor()->Widget();
        const QString title = rig.window->windowTitle();
        const bool modified = rig.window->IsModified();
        const QString name = editor == "masks" ? GetLangText(Txt::EdMasks)
                             : editor == "effect scene" ? rig.Project().m_effectScenes.first()->m_name
                                                        : QStringLiteral("T");

        CShownDialogs dialogs(QMessageBox::No);
        dialogs.script = answers.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        dialogs.pick = command == "open, no file" ? QString() : rig.path;
        const bool wentOn = rig.Run(command);
        QCOMPARE(Asked(dialogs.shown), QString(asked).replace(QLatin1String("keep?"),
                                                              QStringLiteral("keep %1?").arg(name)));
        QVERIFY(dialogs.script.isEmpty());
        if (outcome == "stays") {
            QVERIFY(!wentOn);
            QCOMPARE(rig.window->LivePagesMode(), mode);
            QCOMPARE(rig.Pages().ShownEditor() ? rig.Pages().ShownEditor()->Widget() : nullptr, shown.data());
            QVERIFY(rig.EditFound(false));
            QCOMPARE(rig.window->windowTitle(), title);
            QCOMPARE(rig.window->IsModified(), modified);
            QCOMPARE(rig.window->ProjectPath(), rig.path);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(shown);
            return;
        }
        QVERIFY(wentOn);
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        // What was saved, read back.
        QVERIFY(rig.window->OpenProject(rig.path));
        QCOMPARE(rig.EditFound(true), outcome == "kept");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown);
    }

    // The editor's own Cancel asks the same question; Cancel or Escape at it
    // go back to the edit.
    void theEditorsCancelAsksTheSame_data()
    {
        Columns<QString, QString, QString>("editor", "answer", "outcome");
        for (const char* editor : {"scene", "effect scene", "masks"})
            for (const char* answer : {"Escape", "Cancel", "No", "Yes"})
                QTest::addRow("%s, %s", editor, answer)
                    << editor << answer << (answer[0] == 'Y' ? "kept" : answer[0] == 'N' ? "dropped" : "stays");
    }
    void theEditorsCancelAsksTheSame()
    {
        const auto [editor, answer, outcome] = Row<QString, QString, QString>("editor", "answer", "outcome");
        CQuestionsRig rig(editor, true);
        QPointer<QWidget> shown = rig.Pages().ShownEditor()->Widget();
        CShownDialogs dialogs;
        dialogs.script = QStringList{answer};
        rig.Pages().ShownEditor()->Cancel();
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(Asked(dialogs.shown).startsWith(QLatin1String("keep ")));
        QCOMPARE(rig.Pages().ShownEditor() ? rig.Pages().ShownEditor()->Widget() : nullptr,
                 outcome == "stays" ? shown.data() : nullptr);
        QCOMPARE(rig.EditFound(outcome != "stays"), outcome != "dropped");
    }
};

ORVANE_TEST(EditorQuestionsTest)
#include "EditorQuestionsTest.moc"
