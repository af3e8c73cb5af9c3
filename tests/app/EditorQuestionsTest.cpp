#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "AskedQuestions.h"
#include "DataTable.h"
#include "app/DefaultEffects.h"
#include "editors/EditEffectWnd.h"
#include "editors/EditMasksWnd.h"
#include "editors/EffectsList.h"
#include "editors/EffectsWnd.h"
#include "editors/ModalRun.h"
#include "editors/TriggerDlg.h"
#include "show/EffectScene.h"
#include "TypedKeys.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QInputDialog>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// File Open, New, Exit and a show handed over by a second start, with an
// editor open over the show: one question for the edit, then the project's,
// and nothing done before the last answer is in.

namespace {

// A saved show with a scene T, an effect scene and a mask A, and one editor
// open on it, `changed` or not; `marked`, the show was changed before the
// edit. "effect": the effects window over T's editor, the effect alone
// changed; "effect scene's effect": the effect scene's editor back from the
// effects window by its Parameters, with the effect changed there; "effect
// scene's triggers": F5 given to the effect scene by its trigger dialog;
// "applied effect": an effect applied to T by the effects window's OK.
struct CQuestionsRig : CEditedShowRig
{
    QString editor;
    QString path = Path(QStringLiteral("show.kv3"));
    int effectType = -1;

    CQuestionsRig(const QString& editorKind, bool changed, bool marked = false) : editor(editorKind)
    {
        CProject& project = Project();
        CPatchedFixture* a = Patch(0);
        Fixtures().LoadProject();
        AddScene(QStringLiteral("T"), {a});
        project.m_masks << CMask{QStringLiteral("A"), {{0, 1, 2}}};
        Select({a});
        QVERIFY(!AddDefaultEffects(project, {a->Profile()}, nullptr).isEmpty());
        QVERIFY(window->SaveProject(path));
        if (marked)
            window->SetModified(true);
        if (editor == "masks") {
            Action("actionMasks")->trigger();
            QTableWidget* table = Pages().findChild<CEditMasksWnd*>()->Table();
            if (changed)
                TypeIntoCell(table, table->model()->index(0, 0), QStringLiteral("Z"));
        } else if (editor.startsWith("effect scene")) {
            QVERIFY(Pages().EditEffectScene(project.m_effectScenes.first()));
            auto* scene = Pages().findChild<CEditEffectWnd*>();
            if (editor == "effect scene" && changed)
                scene->NameEdit()->setText(QStringLiteral("Renamed"));
            if (editor == "effect scene's triggers" && changed) {
                SetDialogRunner([](QDialog& d) {
                    auto& dialog = static_cast<CTriggerDlg&>(d);
                    dialog.ShortcutList()->setCurrentIndex(dialog.ShortcutList()->findText(QStringLiteral("F5")));
                    dialog.OnOk();
                    return dialog.result();
                });
                QTest::keyClick(scene->TriggersButton(), Qt::Key_Space);
                SetDialogRunner(nullptr);
                QVERIFY(TriggersSet());
            }
            if (editor == "effect scene's effect") {
                // A kind of effect other than the scene's own.
                scene->UpdateEffectList();
                effectType = project.m_effectScenes.first()->m_effects.first()->m_type == EffectType::Curve
                                 ? EffectType::Preset : EffectType::Curve;
                scene->OnSelEffectChanged(scene->KindItem(effectType));
                QCOMPARE(window->LivePagesMode(), int(CPagesWnd::EffectsMode));
                ChangeEffect(changed);
                QTest::mouseClick(Pages().findChild<CEffectsWnd*>()->EndButton(CEffectsWnd::BtnParams),
                                  Qt::LeftButton);
                QCOMPARE(window->LivePagesMode(), int(CPagesWnd::EffectSceneEditMode));
            }
        } else {
            CEditSceneWnd* scene = Edit(project.m_firstPage->m_scenes.first());
            QVERIFY(scene);
            if (changed && editor != "effect" && editor != "applied effect")
                scene->AddStep();
            if (editor.startsWith("effect") || editor == "applied effect") {
                scene->OnSelEffectChanged(scene->EffectList()->item(0));
                ChangeEffect(changed && editor == "effect");
            }
            if (editor == "applied effect") {
                QTest::mouseClick(Pages().findChild<CEffectsWnd*>()->EndButton(CEffectsWnd::BtnOk), Qt::LeftButton);
                QCOMPARE(window->LivePagesMode(), int(CPagesWnd::SceneEditMode));
            }
        }
        QVERIFY(window->LivePagesMode() != CPagesWnd::PagesMode);
    }

    // What an effect's page does to the effect it changes.
    void ChangeEffect(bool changed)
    {
        QVERIFY(Project().m_effectEngine.Effect());
        Project().m_effectEngine.Effect()->m_flag = changed;
    }

    // The trigger dialog writes the scene's own triggers.
    bool TriggersSet() { return Project().m_effectScenes.first()->m_triggers.GetText().contains(QLatin1String("F5")); }

    QString Name()
    {
        return editor == "masks"                ? GetLangText(Txt::EdMasks)
               : editor.startsWith("effect scene") ? Project().m_effectScenes.first()->m_name
                                                   : QStringLiteral("T");
    }

    // The edit where it is: in the show (T's step added or the new effect's
    // step, a mask renamed in place, the effect scene's effect of the new
    // kind), or, before it is kept, in the effect scene editor's field or
    // the effect being edited.
    bool EditFound(bool inShow)
    {
        CProject& project = Project();
        const CEffect* edited = project.m_effectEngine.Effect();
        if (!inShow && (editor == "effect" || editor == "effect scene's effect"))
            return edited && edited->m_flag;
        if (editor == "masks")
            return project.m_masks.value(0).m_name == QLatin1String("Z");
        if (editor == "effect scene's triggers")
            return TriggersSet();
        if (editor == "effect scene's effect")
            return project.m_effectScenes.value(0) && project.m_effectScenes.first()->m_effects.value(0)
                   && project.m_effectScenes.first()->m_effects.first()->m_type == effectType;
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

    // The keys as the operator presses them, to the widget with the focus.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key(key), modifiers);
    }

    // The change each editor makes: a step (Ctrl+M), a mask renamed, a
    // mask recorded by the masks editor's Add.
    void Change(const QString& change)
    {
        if (change == "step") {
            Pages().ShownEditor()->Widget()->setFocus();
            Press(Qt::Key_M);
        } else if (change == "rename") {
            QTableWidget* table = Pages().findChild<CEditMasksWnd*>()->Table();
            TypeIntoCell(table, table->model()->index(0, 0), QStringLiteral("Z"));
        } else {
            OnNextModal<QInputDialog>([](QInputDialog* dialog) { dialog->accept(); });
            for (QAction* action : Pages().findChild<CEditMasksWnd*>()->findChildren<QAction*>())
                if (action->text() == GetLangText(Txt::EdAddMask))
                    action->trigger();
        }
    }

    // The shown editor's own Cancel button.
    QAbstractButton* CancelButton()
    {
        QWidget* shown = Pages().ShownEditor() ? Pages().ShownEditor()->Widget() : nullptr;
        if (!shown)
            return nullptr;
        if (auto* box = shown->findChild<QDialogButtonBox*>())
            return box->button(QDialogButtonBox::Cancel);
        for (QPushButton* button : shown->findChildren<QPushButton*>())
            if (button->text() == GetLangText(Txt::Cancel))
                return button;
        return nullptr;
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
    // edit. "marked": the show was changed before the edit, so the project
    // asks after the edit's No too.
    void theEditAsksOnceThenTheProject_data()
    {
        Columns<QString, QString, QString, QString, QString, bool>("editor", "command", "answers", "asked", "outcome",
                                                                   "marked");
        struct CAnswers
        {
            const char* answers;
            const char* asked;
            const char* outcome;
            bool marked;
        };
        const CAnswers rows[] = {
            {"Cancel", "keep?", "stays", false},
            {"Escape", "keep?", "stays", false},
            {"Close", "keep?", "stays", false},
            {"Yes Cancel", "keep? save?", "stays", false},
            {"Yes Escape", "keep? save?", "stays", false},
            {"Yes Yes", "keep? save?", "kept", false},
            {"No", "keep?", "dropped", false},
            {"", "", "unchanged", false},
            {"No Escape", "keep? save?", "stays", true},
            {"No No", "keep? save?", "dropped", true},
        };
        for (const char* editor : {"scene", "effects", "effect", "effect scene", "effect scene's effect",
                                   "effect scene's triggers", "masks"}) {
            QTest::addRow("%s, open, no file chosen", editor)
                << editor << "open, no file" << "Yes No" << "keep? save? file" << "stays" << false;
            for (const char* command : {"open", "new", "exit", "hand-over"}) {
                for (const CAnswers& row : rows) {
                    const QString asked = QString::fromLatin1(row.asked)
                                          + (QString::fromLatin1(command) == "open" && row.outcome[0] != 's'
                                                 ? QStringLiteral(" file") : QString());
                    QTest::addRow("%s, %s, %s%s", editor, command, *row.answers ? row.answers : "nothing changed",
                                  row.marked ? ", changed before" : "")
                        << editor << command << row.answers << asked.trimmed() << row.outcome << row.marked;
                }
            }
        }
    }
    void theEditAsksOnceThenTheProject()
    {
        const auto [editor, command, answers, asked, outcome, marked] =
            Row<QString, QString, QString, QString, QString, bool>("editor", "command", "answers", "asked", "outcome",
                                                                   "marked");
        CQuestionsRig rig(editor, outcome != "unchanged", marked);
        const int mode = rig.window->LivePagesMode();
        QPointer<QWidget> shown = rig.Pages().ShownEditor()->Widget();
        const QString title = rig.window->windowTitle();
        QCOMPARE(rig.window->IsModified(), marked);
        const QString name = rig.Name();

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
            QCOMPARE(rig.window->IsModified(), marked);
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
    // go back to the edit. What is dropped leaves the show's mark as it was,
    // so New asks nothing of a show saved before the edit.
    void theEditorsCancelAsksTheSame_data()
    {
        Columns<QString, QString, QString>("editor", "answer", "outcome");
        for (const char* editor :
             {"scene", "effect", "applied effect", "effect scene", "effect scene's effect", "effect scene's triggers",
              "masks"})
            for (const char* answer : {"Escape", "Cancel", "No", "Yes"})
                QTest::addRow("%s, %s", editor, answer)
                    << editor << answer << (answer[0] == 'Y' ? "kept" : answer[0] == 'N' ? "dropped" : "stays");
    }
    void theEditorsCancelAsksTheSame()
    {
        const auto [editor, answer, outcome] = Row<QString, QString, QString>("editor", "answer", "outcome");
        CQuestionsRig rig(editor, true);
        QPointer<QWidget> shown = rig.Pages().ShownEditor()->Widget();
        const QString title = rig.window->windowTitle();
        const QString name = rig.Name();
        {
            CShownDialogs dialogs;
            dialogs.script = QStringList{answer};
            QAbstractButton* cancel = rig.CancelButton();
            QVERIFY(cancel);
            QTest::mouseClick(cancel, Qt::LeftButton);
            QCOMPARE(Asked(dialogs.shown), QStringLiteral("keep %1?").arg(name));
        }
        // The effects window gives way to the editor behind it.
        QWidget* after = rig.Pages().ShownEditor() ? rig.Pages().ShownEditor()->Widget() : nullptr;
        QCOMPARE(after == shown.data(), outcome == "stays");
        if (editor != "effect")
            QVERIFY(!after || outcome == "stays");
        QCOMPARE(rig.EditFound(outcome != "stays"), outcome != "dropped");
        // An effect kept is still part of the scene editor's edit, which
        // marks the show when it is kept in turn.
        QCOMPARE(rig.window->IsModified(), outcome == "kept" && editor != "effect");
        if (outcome != "kept")
            QCOMPARE(rig.window->windowTitle(), title);
        if (outcome == "stays")
            return;
        // A kept effect is a change of the scene editor behind it: its No
        // leaves nothing to save.
        CShownDialogs dialogs(QMessageBox::No);
        rig.Action("actionFileNew")->trigger();
        QCOMPARE(Asked(dialogs.shown), QString(outcome == "dropped" ? ""
                                               : editor == "effect" ? "keep T?"
                                                                    : "save?"));
    }

    // Each edit of an effect scene puts back, on its No, the triggers that
    // scene had when its edit began, whichever scene was edited before.
    void eachEffectSceneKeepsItsOwnTriggers()
    {
        CQuestionsRig rig("scene", false);
        rig.Editor()->EndEdit(false);
        CProject& project = rig.Project();
        project.m_effectScenes << new CEffectScene(QStringLiteral("Second"), project.UniverseCount());
        const QList<CEffectScene*> scenes = project.m_effectScenes;
        QStringList kept;
        for (int scene : {0, 1, 0}) {
            QVERIFY(rig.Pages().EditEffectScene(scenes[scene]));
            auto* editor = rig.Pages().findChild<CEditEffectWnd*>();
            if (kept.isEmpty()) {
                SetDialogRunner([](QDialog& d) {
                    auto& dialog = static_cast<CTriggerDlg&>(d);
                    dialog.ShortcutList()->setCurrentIndex(dialog.ShortcutList()->findText(QStringLiteral("F5")));
                    dialog.OnOk();
                    return dialog.result();
                });
                QTest::keyClick(editor->TriggersButton(), Qt::Key_Space);
                SetDialogRunner(nullptr);
                QTest::mouseClick(editor->EndButton(CEditEffectWnd::BtnOk), Qt::LeftButton);
            } else {
                editor->NameEdit()->setText(QStringLiteral("Renamed"));
                CShownDialogs dialogs(QMessageBox::No);
                QTest::mouseClick(editor->EndButton(CEditEffectWnd::BtnCancel), Qt::LeftButton);
                QCOMPARE(dialogs.shown.size(), 1);
            }
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            kept << scenes[0]->m_triggers.GetText() + QLatin1Char('|') + scenes[1]->m_triggers.GetText();
        }
        QVERIFY2(kept.first().section(QLatin1Char('|'), 0, 0).contains(QLatin1String("F5")), qPrintable(kept.first()));
        QCOMPARE(kept, (QStringList{kept.first(), kept.first(), kept.first()}));
    }

    // Ctrl+S during an edit writes the show's edit into the file; the
    // editor's Cancel and No then drop it from the window only. The window
    // says so: the title's mark, and New's question. A change made after
    // the save, or never saved, leaves the file as the window is.
    void aDroppedEditTheFileHoldsMarksTheShow_data()
    {
        Columns<QString, QString, bool, QString, bool>("editor", "change", "saveFirst", "cancelAsked", "held");
        QTest::newRow("scene, step added, saved") << "scene" << "step" << false << "keep T?" << true;
        QTest::newRow("masks, renamed, saved") << "masks" << "rename" << false << "keep masks?" << true;
        QTest::newRow("effects window over the scene editor, saved")
            << "effects" << "step" << false << "keep T?" << true;
        QTest::newRow("scene, saved before the step") << "scene" << "step" << true << "keep T?" << false;
        QTest::newRow("masks, saved before the rename") << "masks" << "rename" << true << "keep masks?" << false;
        QTest::newRow("masks, recorded by Add, never saved") << "masks" << "add" << true << "keep masks?" << false;
        // New at the open edit asks the edit's question, then the project's.
        QTest::newRow("scene, step added, saved, New") << "scene" << "step" << false << "keep T? save?" << true;
        QTest::newRow("scene, saved before the step, New") << "scene" << "step" << true << "keep T?" << false;
        // The mark the dropped edit left is the last of it: an edit of the
        // show opened next, left unchanged, marks nothing.
        QTest::newRow("scene, step added, saved, then the next show's edit")
            << "scene" << "step" << false << "keep T?" << true;
    }
    void aDroppedEditTheFileHoldsMarksTheShow()
    {
        const auto [editor, change, saveFirst, cancelAsked, held] =
            Row<QString, QString, bool, QString, bool>("editor", "change", "saveFirst", "cancelAsked", "held");
        CQuestionsRig rig(editor == "masks" ? "masks" : "scene", false);
        const int masks = rig.Project().m_masks.size();
        if (saveFirst)
            rig.Press(Qt::Key_S);
        rig.Change(change);
        QCOMPARE(rig.Project().m_masks.size(), masks + (change == "add" ? 1 : 0));
        QVERIFY(change == "add" || rig.EditFound(true));
        if (editor == "effects") {
            rig.Editor()->OnSelEffectChanged(rig.Editor()->EffectList()->item(0));
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::EffectsMode));
        }
        if (!saveFirst)
            rig.Press(Qt::Key_S);
        QVERIFY(!rig.window->IsModified());
        const bool byNew = QByteArray(QTest::currentDataTag()).endsWith("New");
        if (byNew) {
            CShownDialogs dialogs(QMessageBox::No);
            rig.Action("actionFileNew")->trigger();
            QCOMPARE(Asked(dialogs.shown), QString(cancelAsked));
            QVERIFY(rig.window->ProjectPath().isEmpty());
            QVERIFY(rig.window->OpenProject(rig.path));
            QCOMPARE(rig.EditFound(true), held);
            return;
        }
        {
            CShownDialogs dialogs;
            dialogs.script = QStringList{QStringLiteral("No")};
            for (int editors = 0; editors < 2 && rig.window->LivePagesMode() != CPagesWnd::PagesMode; ++editors)
                QTest::mouseClick(rig.CancelButton(), Qt::LeftButton);
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
            QCOMPARE(Asked(dialogs.shown), QString(cancelAsked).replace("masks", rig.Name()));
        }
        QCOMPARE(rig.window->windowTitle().endsWith(QLatin1String(" *")), held);
        QCOMPARE(rig.Project().m_masks.size(), masks);
        CShownDialogs dialogs(QMessageBox::No);
        rig.Action("actionFileNew")->trigger();
        QCOMPARE(Asked(dialogs.shown), QString(held ? "save?" : ""));
        QVERIFY(rig.window->OpenProject(rig.path));
        QCOMPARE(rig.EditFound(true), held);
        QCOMPARE(rig.Project().m_masks.size(), masks);
        if (!QByteArray(QTest::currentDataTag()).endsWith("next show's edit"))
            return;
        QVERIFY(rig.Edit(rig.Project().m_firstPage->m_scenes.first()));
        QTest::mouseClick(rig.CancelButton(), Qt::LeftButton);
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        QVERIFY(!rig.window->windowTitle().endsWith(QLatin1String(" *")));
        CShownDialogs next(QMessageBox::No);
        rig.Action("actionFileNew")->trigger();
        QCOMPARE(Asked(next.shown), QString());
    }
};

ORVANE_TEST(EditorQuestionsTest)
#include "EditorQuestionsTest.moc"
