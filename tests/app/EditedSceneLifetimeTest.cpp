#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "AskedQuestions.h"
#include "DataTable.h"
#include "app/DefaultEffects.h"
#include "editors/EditEffectWnd.h"
#include "editors/EffectsWnd.h"
#include "editors/EffectsList.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "Captions.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The scene editor against what the rest of the window does to the show
// meanwhile: the patch deleting what its copies name, the page deleting a
// scene it has, and File Open and New replacing the show under it.

class EditedSceneLifetimeTest : public QObject
{
    Q_OBJECT

private slots:
    void copiesLoseWhatThePatchDeletes_data()
    {
        Columns<QString, QString>("removed", "then");
        // "profile": the patch gave A another profile, then B, the last
        // fixture of the former one, went.
        for (const char* removed : {"fixture", "matrix", "matrix, step by step", "profile"})
            for (const char* then : {"undo", "cancel", "paste"})
                QTest::addRow("%s, %s", removed, then) << removed << then;
    }
    void copiesLoseWhatThePatchDeletes()
    {
        const auto [removed, then] = Row<QString, QString>("removed", "then");
        CEditedShowRig rig;
        CProject& project = rig.Project();
        CPatchedFixture* a = rig.Patch(0);
        CPatchedFixture* b = removed == "profile"
            ? project.AddFixture(3, 0, 4, -1, QStringLiteral("F"), a->Profile(), false, false, nullptr)
            : rig.Patch(3);
        CFixtureMatrix* matrix = rig.PatchMatrix(6, 2);
        rig.Fixtures().LoadProject();
        CScene* scene = rig.AddScene(QStringLiteral("S"), {a, b});
        if (removed.startsWith("matrix"))
            rig.ApplyMatrixEffect(scene, matrix);
        // The former profile's channels named by a curve go with it.
        if (removed == "profile")
            rig.ApplyCurveEffect(scene, {a});
        CEditSceneWnd* editor = rig.Edit(scene);
        QVERIFY(editor);
        // Every copy holds what goes: the scene as opened, the history's
        // first entry and the clipboard.
        editor->StepsTable()->selectAll();
        editor->CopySteps();
        QCOMPARE(editor->ClipboardSteps().size(), scene->m_steps.size());
        editor->AddStep();
        QCOMPARE(editor->UndoCount(), 2);

        if (removed == "profile")
            rig.ChangeProfile(a, rig.ColorProfile());
        QStringList asked;
        if (removed == "matrix, step by step") {
            // The two steps of the window's Remove: the matrix goes before
            // its members. From the first on no copy's effect names it,
            // whatever the allocator gives its address to next.
            const QList<CPatchedFixture*> members = matrix->Members();
            QVERIFY(!editor->ClipboardEffects().isEmpty());
            project.RemoveMatrix(matrix);
            for (const CEffect* effect : editor->ClipboardEffects())
                QVERIFY(!effect->m_matrix);
            project.RemoveFixtures(members, false);
            project.UpdateAfterPatch(false, false);
            asked << QStringLiteral("none");
        } else {
            asked = removed.startsWith("matrix") ? rig.Remove({}, {matrix}) : rig.Remove({b});
        }
        QCOMPARE(asked.size(), 1);
        QCOMPARE(project.m_generalGroup->m_fixtures.size(), removed.startsWith("matrix") ? 2 : 3);

        if (then == "undo") {
            editor->Undo();
            QCOMPARE(editor->CurrentUndoIndex(), 0);
        } else if (then == "paste") {
            editor->PasteSteps();
        } else {
            CShownDialogs no(QMessageBox::No);
            editor->OnCancel();
            QCOMPARE(Asked(no.shown), QStringLiteral("keep S?"));
            QVERIFY(!rig.Editor());
        }
        rig.Tick(4);
        QCOMPARE(rig.StaleInShow(), QString());
        if (rig.Editor())
            editor->OnOk();
        QCOMPARE(rig.StaleInShow(), QString());
        // Played from its page, the scene drives what is left.
        CScene* played = project.m_firstPage->m_scenes.value(0);
        rig.Press(played);
        QVERIFY(project.m_firstPage->IsPlaying(played));
        rig.Tick(80);
        QCOMPARE(rig.StaleInShow(), QString());
    }

    void fileCommandsEndTheEditFirst_data()
    {
        Columns<QString, QString, QString, QString>("command", "open", "finish", "asked");
        // "changed": a step added; "effects": the effects window over the editor.
        QTest::newRow("open, editing") << "open" << "editing" << "tick" << "file";
        QTest::newRow("open, playing") << "open" << "playing" << "tick" << "file";
        QTest::newRow("open, changed, OK") << "open" << "changed" << "ok" << "keep T? file";
        QTest::newRow("open, playing, Cancel") << "open" << "playing" << "cancel" << "file";
        QTest::newRow("open, effects window") << "open" << "effects" << "tick" << "file";
        QTest::newRow("new, editing, OK") << "new" << "editing" << "ok" << "";
        QTest::newRow("new, playing") << "new" << "playing" << "tick" << "";
        QTest::newRow("new, changed, Cancel") << "new" << "changed" << "cancel" << "keep T?";
        QTest::newRow("new, masks") << "new" << "masks" << "tick" << "";
        QTest::newRow("open, effect scene") << "open" << "effect scene" << "tick" << "file";
    }
    void fileCommandsEndTheEditFirst()
    {
        const auto [command, open, finish, asked] = Row<QString, QString, QString, QString>(
            "command", "open", "finish", "asked");
        CEditedShowRig rig;
        CProject& project = rig.Project();
        CPatchedFixture* a = rig.Patch(0);
        rig.Fixtures().LoadProject();
        rig.AddScene(QStringLiteral("S"), {a});
        CScene* other = rig.AddScene(QStringLiteral("T"), {a}, 90);
        other->m_steps << new CSceneStep(500, 500);
        other->UpdateLength();
        const QString path = rig.Path(QStringLiteral("show.kv3"));
        QVERIFY(rig.window->SaveProject(path));

        QPointer<CEditSceneWnd> editor;
        if (open == "masks") {
            rig.Action("actionMasks")->trigger();
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::MasksMode));
        } else if (open == "effect scene") {
            project.m_currentGroup->m_selectedFixtures = {a};
            a->BeamFlags()[0] = true;
            CEffectScene* made = AddDefaultEffects(project, {a->Profile()}, nullptr).value(0);
            QVERIFY(made && rig.Pages().EditEffectScene(made));
            QVERIFY(rig.window->SaveProject(path));
            rig.Tick(2);
        } else {
            editor = rig.Edit(other);
            QVERIFY(editor);
        }
        if (open == "playing") {
            editor->Play();
            QVERIFY(editor->IsPlaying());
            rig.Tick(3);
        } else if (open == "changed") {
            editor->AddStep();
        } else if (open == "effects") {
            editor->OnSelEffectChanged(editor->EffectList()->item(0));
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::EffectsMode));
        }

        CShownDialogs dialogs(QMessageBox::No);
        dialogs.pick = path;
        if (command == "open")
            rig.window->OnFileOpen();
        else
            rig.window->OnFileNew();
        // The editor's buttons, should it still be there, change nothing.
        if (editor && finish == "ok")
            editor->OnOk();
        else if (editor && finish == "cancel")
            editor->OnCancel();
        rig.Tick(4);
        QCOMPARE(Asked(dialogs.shown), asked);
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        QVERIFY(!project.m_editedScene);
        QCOMPARE(project.m_firstPage->m_scenes.size(), command == "open" ? 2 : 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        if (command == "open") {
            // The show opened plays as saved, the edit's change left out.
            CScene* reopened = project.m_firstPage->m_scenes.value(1);
            QCOMPARE(reopened->m_steps.size(), 2);
            rig.Press(reopened);
            rig.Tick(60);
            QVERIFY(project.m_firstPage->IsPlaying(reopened));
        }
        QCOMPARE(rig.StaleInShow(), QString());
    }

    // A scene deleted while it plays goes at the next tick: the editor may
    // have been opened on it meanwhile, or keep it in a copy's release list.
    // "before the close": what the operator does between the deletion and
    // the editors' queued close.
    void editorLetsGoOfDeletedScenes_data()
    {
        Columns<QString, QString>("edited", "before the close");
        QTest::newRow("the scene deleted") << "deleted" << "";
        QTest::newRow("the scene deleted, effects window over it") << "deleted effects" << "";
        QTest::newRow("a scene its release list names") << "other" << "";
        QTest::newRow("the scene deleted, Escape") << "deleted" << "escape";
        QTest::newRow("the scene deleted, File New") << "deleted" << "new";
        QTest::newRow("effects window over it, its OK") << "deleted effects" << "ok";
        QTest::newRow("effects window over it, its Cancel") << "deleted effects" << "cancel";
    }
    void editorLetsGoOfDeletedScenes()
    {
        const auto [edited, before] = Row<QString, QString>("edited", "before the close");
        CEditedShowRig rig;
        CProject& project = rig.Project();
        CPatchedFixture* a = rig.Patch(0);
        rig.Fixtures().LoadProject();
        CScene* deleted = rig.AddScene(QStringLiteral("S"), {a});
        CScene* other = rig.AddScene(QStringLiteral("T"), {a}, 90);
        other->m_playMode = ReleaseList;
        other->m_releaseList = {deleted};
        rig.Press(deleted);
        {
            CShownDialogs yes(QMessageBox::Yes);
            QVERIFY(rig.Pages().PageView()->DeleteScene(0));
        }
        QPointer<CEditSceneWnd> editor = rig.Edit(edited == "other" ? other : deleted);
        QVERIFY(editor);
        editor->AddStep();
        if (edited == "deleted effects") {
            QVERIFY(editor->IsPlaying());
            editor->Play();
            editor->OnSelEffectChanged(editor->EffectList()->item(0));
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::EffectsMode));
        }
        rig.Tick(2);
        QCOMPARE(project.m_firstPage->m_scenes.size(), 1);
        if (!before.isEmpty()) {
            // Nothing is left to ask about, and no editor shows without its scene.
            CShownDialogs dialogs(QMessageBox::No);
            if (before == "escape")
                QTest::keyClick(rig.window.get(), Qt::Key_Escape);
            else if (before == "new")
                rig.window->OnFileNew();
            else
                QTest::mouseClick(rig.Pages().findChild<CEffectsWnd*>()->EndButton(
                                      before == "ok" ? CEffectsWnd::BtnOk : CEffectsWnd::BtnCancel),
                                  Qt::LeftButton);
            QCOMPARE(Asked(dialogs.shown), QString(before == "new" ? "save?" : ""));
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        }
        QCoreApplication::sendPostedEvents();
        if (edited == "other") {
            CShownDialogs no(QMessageBox::No);
            editor->OnCancel();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        if (before == "new")
            return;
        rig.Press(project.m_firstPage->m_scenes.value(0));
        rig.Tick(40);
        QCOMPARE(rig.StaleInShow(), QString());
        // By name: a copy given the deleted scene's address would pass
        // for it by address.
        QCOMPARE(SceneLinks(project), QStringList());
    }

    // An effect scene deleted under its editor (a copy's source going, say):
    // the editor and the effects window over it let go of it and close.
    void effectSceneEditorLetsGoOfItsDeletedScene_data()
    {
        Columns<QString>("open");
        QTest::newRow("its editor") << "editor";
        QTest::newRow("the effects window over it") << "effects";
        QTest::newRow("its editor, OK before the close") << "ok";
        QTest::newRow("its editor, back from the effects window") << "params";
        QTest::newRow("the effects window over it, its Cancel before the close") << "effects, cancel";
    }
    void effectSceneEditorLetsGoOfItsDeletedScene()
    {
        const auto [open] = Row<QString>("open");
        CEditedShowRig rig;
        CProject& project = rig.Project();
        CPatchedFixture* a = rig.Patch(0);
        rig.Fixtures().LoadProject();
        project.m_currentGroup->m_selectedFixtures = {a};
        a->BeamFlags()[0] = true;
        CEffectScene* scene = AddDefaultEffects(project, {a->Profile()}, nullptr).value(0);
        QVERIFY(scene && rig.Pages().EditEffectScene(scene));
        QPointer<CEditEffectWnd> editor = rig.Pages().findChild<CEditEffectWnd*>();
        editor->NameEdit()->setText(QStringLiteral("Renamed"));
        if (open != "editor" && open != "ok") {
            rig.Select({a});
            editor->UpdateEffectList();
            editor->OnSelEffectChanged(editor->KindItem(EffectType::Curve));
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::EffectsMode));
            QVERIFY(project.m_effectEngine.Effect());
        }
        if (open == "params") {
            QTest::mouseClick(rig.Pages().findChild<CEffectsWnd*>()->EndButton(CEffectsWnd::BtnParams),
                              Qt::LeftButton);
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::EffectSceneEditMode));
            // The event loop runs before anything else is done: the effects window is gone.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!rig.Pages().findChild<CEffectsWnd*>());
            QVERIFY(project.m_effectEngine.Effect());
        }
        const int count = project.m_effectScenes.size();
        CShownDialogs dialogs(QMessageBox::Yes);
        project.DeleteEffectScene(project.m_effectScenes.indexOf(scene));
        QCOMPARE(project.m_effectScenes.size(), count - 1);
        QVERIFY(!project.m_editedScene);
        // Until it closes, the editor names nothing and holds nothing to keep.
        QCOMPARE(editor->EditedName(), QString());
        QVERIFY(!editor->HasChanges());
        if (open == "ok")
            QTest::mouseClick(editor->EndButton(CEditEffectWnd::BtnOk), Qt::LeftButton);
        if (open == "effects, cancel") {
            // The effect scene's editor does not come back without its scene.
            QTest::mouseClick(rig.Pages().findChild<CEffectsWnd*>()->EndButton(CEffectsWnd::BtnCancel),
                              Qt::LeftButton);
            QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        QCOMPARE(Asked(dialogs.shown), QString());
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::PagesMode));
        QCOMPARE(project.m_effectScenes.size(), count - 1);
        // Nor does the engine keep an effect for the scene that went.
        QVERIFY(!project.m_effectEngine.Effect());
        QCOMPARE(rig.StaleInShow(), QString());
    }
};

ORVANE_TEST(EditedSceneLifetimeTest)
#include "EditedSceneLifetimeTest.moc"
