#include "TestRegistry.h"

#include "DataTable.h"
#include "PagesTestRig.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "live/SceneButton.h"
#include "live/SceneOptionsPopup.h"
#include "widgets/HTabsWnd.h"
#include "widgets/ProSlider.h"

#include <QtTest>

#include <memory>

namespace {

// Runs the deletions editors asked for with deleteLater.
void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int Count(const QStringList& calls, const QString& call)
{
    return calls.count(call);
}

} // namespace

class PagesWndTest : public QObject
{
    Q_OBJECT

private slots:
    void selectPageShowsOnlyPagesThatExist()
    {
        CPagesRig rig;
        CPage* second = rig.project.AddPage(QStringLiteral("Second"));
        CPage* third = rig.project.AddPage(QStringLiteral("Third"));
        rig.project.m_currentPage = rig.Page();
        CPagesWnd pages(rig.project);
        QCOMPARE(pages.PageTabs()->m_tabNames,
                 QStringList({rig.Page()->m_name, QStringLiteral("Second"), QStringLiteral("Third")}));
        QCOMPARE(pages.PageView()->Page(), rig.Page());

        pages.SelectPage(2);
        QCOMPARE(pages.PageView()->Page(), third);
        QCOMPARE(rig.project.m_currentPage, third);
        QCOMPARE(pages.PageTabs()->m_current, 2);
        // A linked page index read from a file may point anywhere.
        pages.SelectPage(3);
        pages.SelectPage(-1);
        QCOMPARE(pages.PageView()->Page(), third);
        QCOMPARE(rig.project.m_currentPage, third);

        pages.ShowEffectsTab();
        QVERIFY(pages.IsEffectsTabShown());
        QCOMPARE(pages.PageTabs()->m_current, -1);
        QCOMPARE(pages.PageView()->Page(), static_cast<CPage*>(nullptr));
        pages.SelectPage(1);
        QVERIFY(!pages.IsEffectsTabShown());
        QCOMPARE(pages.PageView()->Page(), second);
    }

    void pageTabsAddAndCloseThroughTheProject()
    {
        CPagesRig rig;
        CPagesWnd pages(rig.project);
        pages.resize(600, 300);
        pages.show();
        CHTabsWnd* tabs = pages.PageTabs();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->AddButtonRect().center());
        QCOMPARE(rig.project.m_pages.size(), 2);
        QCOMPARE(rig.project.m_pages[1]->m_name, GetLangText(Txt::NewTab));
        QCOMPARE(pages.PageView()->Page(), rig.project.m_pages[1]);
        CPage* added = rig.project.m_pages[1];
        rig.PlayableScene(added, QStringLiteral("A"));
        pages.PageView()->PressButton(0);

        // Closing asks; a No or a page that plays keeps the page and its tab.
        rig.host.answer = CShowHost::No;
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->CloseButtonRect(1).center());
        QCOMPARE(rig.project.m_pages.size(), 2);
        QCOMPARE(tabs->TabCount(), 2);
        rig.host.answer = CShowHost::Yes;
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->CloseButtonRect(1).center());
        QCOMPARE(rig.project.m_pages.size(), 2);
        QCOMPARE(tabs->TabCount(), 2);

        pages.PageView()->PressButton(0);
        rig.Tick();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->CloseButtonRect(1).center());
        QCOMPARE(rig.project.m_pages.size(), 1);
        QCOMPARE(tabs->TabCount(), 1);
        QCOMPARE(pages.PageView()->Page(), rig.Page());
        QCOMPARE(tabs->m_current, 0);
    }

    void withoutAFactoryNothingIsEdited()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPagesWnd pages(rig.project);
        QVERIFY(!pages.EditScene(rig.Page(), a));
        QVERIFY(!pages.EditMasks());
        QCOMPARE(pages.Mode(), 0);
        QVERIFY(!pages.HandleKey(Qt::Key_A, Qt::NoModifier));
    }

    void aClosedEditorIsDeletedAndThePagesReturn()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CScene* b = rig.PlayableScene(rig.Page(), QStringLiteral("B"));
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        QSignalSpy modes(&pages, &CPagesWnd::modeChanged);
        pages.PageView()->PressButton(0);
        pages.PageView()->OpenOptions(0);

        // The menu's edit goes through the pages window.
        pages.PageView()->EditScene(0);
        QCOMPARE(pages.Mode(), 1);
        QPointer<CFakeEditor> editor = factory.Last(CLiveEditorFactory::SceneEditor);
        QVERIFY(editor);
        QCOMPARE(editor->scene, a);
        QCOMPARE(editor->calls.first(), QStringLiteral("SetScene:1")); // A plays
        QCOMPARE(pages.PopupScene(), static_cast<CScene*>(nullptr));
        QVERIFY(!pages.EditScene(rig.Page(), b)); // one edit at a time

        QVERIFY(pages.HandleKey(Qt::Key_A, Qt::NoModifier));
        pages.Tick(25);
        pages.UpdatePage();
        pages.UpdateEffectList();
        pages.Retranslate();
        QCOMPARE(editor->calls.mid(1), QStringList({QStringLiteral("HandleKey:%1").arg(Qt::Key_A),
                                                    QStringLiteral("Tick:25"), QStringLiteral("UpdatePage"),
                                                    QStringLiteral("UpdateEffectList"),
                                                    QStringLiteral("Retranslate")}));
        // Playing continues behind the editor, but no page lights follow the ticks.
        pages.SelectPage(0);
        QCOMPARE(pages.Mode(), 1);

        editor->Close();
        QCOMPARE(pages.Mode(), 0);
        FlushDeletes();
        QVERIFY(!editor);
        QCOMPARE(modes.count(), 2);
        QCOMPARE(modes.at(1).at(0).toInt(), 0);
        QVERIFY(!pages.HandleKey(Qt::Key_A, Qt::NoModifier));
        QVERIFY(pages.EditScene(rig.Page(), b));
    }

    void theSceneEditorWaitsForTheEffectsWindowAndHearsOfAnApplyOnce()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        QVERIFY(pages.EditScene(rig.Page(), a));
        QPointer<CFakeEditor> editor = factory.Last(CLiveEditorFactory::SceneEditor);
        QCOMPARE(pages.EditedEffect(), static_cast<CEffect*>(nullptr));

        editor->AskEffect(eEffectCurve, true);
        QCOMPARE(pages.Mode(), 3);
        QPointer<CFakeEditor> effects = factory.Last(CLiveEditorFactory::EffectsWindow);
        QVERIFY(effects);
        QCOMPARE(effects->calls, QStringList({QStringLiteral("EditEffect:3:1")}));
        QCOMPARE(effects->scene, a);
        QVERIFY(editor && editor->isHidden());
        CPresetEffect edited;
        effects->effect = &edited;
        QCOMPARE(pages.EditedEffect(), static_cast<CEffect*>(&edited));
        pages.HandleKey(Qt::Key_Return, Qt::NoModifier);
        QCOMPARE(Count(effects->calls, QStringLiteral("HandleKey:%1").arg(Qt::Key_Return)), 1);
        QCOMPARE(Count(editor->calls, QStringLiteral("HandleKey:%1").arg(Qt::Key_Return)), 0);
        // The hidden editor's own close is not heard while it waits.
        editor->Close();
        QCOMPARE(pages.Mode(), 3);

        editor->calls.clear();
        effects->Close(true, false);
        FlushDeletes();
        QVERIFY(!effects);
        QVERIFY(editor && !editor->isHidden());
        QCOMPARE(pages.Mode(), 1);
        QCOMPARE(pages.EditedEffect(), static_cast<CEffect*>(nullptr));
        QCOMPARE(editor->calls,
                 QStringList({QStringLiteral("UpdateDmxButton"), QStringLiteral("PushUndo:2:New Effect"),
                              QStringLiteral("FillStepsTable"), QStringLiteral("UpdateDuration"),
                              QStringLiteral("UpdateEffectList")}));

        // A cancel and a Parameters bring the editor back without an undo entry.
        for (bool done : {true, false}) {
            editor->calls.clear();
            editor->AskEffect(eEffectGradient, false);
            QCOMPARE(pages.Mode(), 3);
            factory.Last(CLiveEditorFactory::EffectsWindow)->Close(done, true);
            QCOMPARE(pages.Mode(), 1);
            QCOMPARE(editor->calls.filter(QStringLiteral("PushUndo")).size(), 0);
            QCOMPARE(Count(editor->calls, QStringLiteral("FillStepsTable")), 1);
        }
        FlushDeletes();
        QCOMPARE(std::count_if(factory.made.begin(), factory.made.end(), [](const QPointer<CFakeEditor>& e) {
                     return !e.isNull();
                 }),
                 1);
    }

    void theEffectSceneEditorReturnsOnlyForItsParameters()
    {
        CPagesRig rig;
        CEffectScene* zoom = rig.ZoomEffect(0, 255);
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        pages.ShowEffectsTab();
        pages.PageView()->EditScene(0);
        QCOMPARE(pages.Mode(), 2);
        QPointer<CFakeEditor> editor = factory.Last(CLiveEditorFactory::EffectSceneEditor);
        QCOMPARE(editor->scene, static_cast<CScene*>(zoom));

        editor->AskEffect(eEffectPreset, true);
        QCOMPARE(factory.Last(CLiveEditorFactory::EffectsWindow)->scene, static_cast<CScene*>(zoom));
        factory.Last(CLiveEditorFactory::EffectsWindow)->Close(false, true);
        QCOMPARE(pages.Mode(), 2);
        QVERIFY(editor && !editor->isHidden());
        QCOMPARE(editor->calls.filter(QStringLiteral("PushUndo")).size(), 0);

        // An apply ends the whole edit.
        editor->AskEffect(eEffectPreset, true);
        QPointer<CFakeEditor> effects = factory.Last(CLiveEditorFactory::EffectsWindow);
        effects->Close(true, false);
        QCOMPARE(pages.Mode(), 0);
        FlushDeletes();
        QVERIFY(!editor);
        QVERIFY(!effects);
        QVERIFY(pages.IsEffectsTabShown());

        // So does a cancel.
        pages.PageView()->EditScene(0);
        factory.Last(CLiveEditorFactory::EffectSceneEditor)->AskEffect(eEffectPreset, true);
        factory.Last(CLiveEditorFactory::EffectsWindow)->Close(true, true);
        QCOMPARE(pages.Mode(), 0);
    }

    // The scene went while its effect was edited: however the effects window
    // closes, the scene editor has nothing to show and the edit ends.
    void anEditorWhoseSceneWentDoesNotComeBack_data()
    {
        Columns<bool, bool>("done", "cancelled");
        QTest::newRow("Cancel") << true << true;
        QTest::newRow("Parameters") << false << true;
        QTest::newRow("OK") << true << false;
    }
    void anEditorWhoseSceneWentDoesNotComeBack()
    {
        const auto [done, cancelled] = Row<bool, bool>("done", "cancelled");
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        QVERIFY(pages.EditScene(rig.Page(), a));
        QPointer<CFakeEditor> editor = factory.Last(CLiveEditorFactory::SceneEditor);
        editor->AskEffect(eEffectCurve, false);
        QCOMPARE(pages.Mode(), 3);
        std::unique_ptr<CScene> gone(a);
        rig.Page()->m_scenes.removeOne(a);
        factory.Last(CLiveEditorFactory::EffectsWindow)->Close(done, cancelled);
        QCOMPARE(pages.Mode(), 0);
        QCOMPARE(pages.ShownEditor(), static_cast<CLiveEditor*>(nullptr));
        FlushDeletes();
        QVERIFY(!editor);
    }

    // The edit's question names what the editor shown edits: the effects
    // window over a scene's editor, its own.
    void theEditorShownNamesTheEdit()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        QVERIFY(pages.EditScene(rig.Page(), a));
        CFakeEditor* scene = factory.Last(CLiveEditorFactory::SceneEditor);
        scene->name = QStringLiteral("scene");
        QCOMPARE(pages.EditedName(), QStringLiteral("scene"));
        scene->AskEffect(eEffectPreset, false);
        factory.Last(CLiveEditorFactory::EffectsWindow)->name = QStringLiteral("effect");
        QCOMPARE(pages.EditedName(), QStringLiteral("effect"));
        factory.Last(CLiveEditorFactory::EffectsWindow)->Close(true, false);
        QCOMPARE(pages.EditedName(), QStringLiteral("scene"));
        FlushDeletes();
    }

    void aNewSceneOpensInTheEditorOfItsKind()
    {
        CPagesRig rig;
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        CScene* scene = pages.PageView()->NewScene();
        QCOMPARE(rig.Page()->m_scenes, QList<CScene*>({scene}));
        QCOMPARE(scene->m_name, QStringLiteral("Scene 1"));
        QCOMPARE(pages.Mode(), 1);
        QCOMPARE(factory.Last(CLiveEditorFactory::SceneEditor)->scene, scene);
        factory.Last(CLiveEditorFactory::SceneEditor)->Close();

        pages.ShowEffectsTab();
        CScene* effectScene = pages.PageView()->NewScene();
        QVERIFY(effectScene->IsEffectScene());
        QCOMPARE(rig.project.m_effectScenes.size(), 1);
        QCOMPARE(pages.Mode(), 2);
        QCOMPARE(pages.PageView()->ButtonCount(), 1);
    }

    void theMasksEditorIsMode4()
    {
        CPagesRig rig;
        CFakeEditorFactory factory;
        CPagesWnd pages(rig.project);
        pages.SetEditorFactory(&factory);
        QVERIFY(pages.EditMasks());
        QCOMPARE(pages.Mode(), 4);
        QPointer<CFakeEditor> masks = factory.Last(CLiveEditorFactory::MasksEditor);
        // Asking for an effect is a scene editor's business.
        masks->AskEffect(eEffectCurve, false);
        QCOMPARE(pages.Mode(), 4);
        masks->Close();
        QCOMPARE(pages.Mode(), 0);
        FlushDeletes();
        QVERIFY(!masks);
    }

    void effectScenesToggledForTheDispatcherLightOnTheEffectsTab()
    {
        CPagesRig rig;
        CEffectScene* zoom = rig.ZoomEffect(0, 255);
        CPagesWnd pages(rig.project);
        pages.ShowEffectsTab();
        rig.Select({2});
        QVERIFY(pages.ToggleEffectScene(zoom, true, true));
        QVERIFY(pages.PageView()->Button(0)->IsMarked());
        rig.Tick();
        pages.Tick(25);
        QVERIFY(pages.PageView()->Button(0)->IsMarked());
        QCOMPARE(rig.Played(0, 20), 255);
        // Key release with auto release stops it.
        zoom->m_triggers.m_bAutoRelease = true;
        QVERIFY(!pages.TriggerEffectScene(zoom, 1, 0));
        QVERIFY(!pages.PageView()->Button(0)->IsMarked());
        QVERIFY(!pages.TriggerEffectScene(nullptr, 1, 1));
    }

    void thePopupSceneIsOnlyTheOpenPopupsInThePagesMode()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPagesWnd pages(rig.project);
        pages.show();
        QCOMPARE(pages.PopupScene(), static_cast<CScene*>(nullptr));
        pages.PageView()->OpenOptions(0);
        QCOMPARE(pages.PopupScene(), a);
        a->SetDimmer(90);
        pages.PopupSceneChanged(true);
        QCOMPARE(pages.PageView()->OptionsPopup()->DimmerFader()->m_value, 90);
        // Its button stays while its page shows; another page closes it.
        pages.SelectPage(0);
        QCOMPARE(pages.PopupScene(), a);
        rig.project.AddPage(QStringLiteral("Other"));
        pages.ReloadPages();
        pages.SelectPage(1);
        QCOMPARE(pages.PopupScene(), static_cast<CScene*>(nullptr));
        QVERIFY(!pages.PageView()->OptionsPopup()->isVisible());
    }
};

ORVANE_TEST(PagesWndTest)
#include "PagesWndTest.moc"
