#include "TestRegistry.h"

#include "PagesTestRig.h"
#include "live/PageOptionsDlg.h"
#include "live/PageWnd.h"
#include "live/SceneButton.h"
#include "live/SceneButtonMime.h"
#include "live/SceneOptionsPopup.h"
#include "show/FadingButton.h"
#include "widgets/HProSlider.h"

#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

namespace {

// A click on the body of the button, clear of its options corner.
void Press(CPageWnd& view, int n)
{
    CSceneButton* button = view.Button(n);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, button->height() / 2));
}

QAction* FindAction(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class PageWndTest : public QObject
{
    Q_OBJECT

private slots:
    void aPressPlaysAndLightsTheSceneAnotherStopsIt()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"), 0, 200);
        CScene* empty = rig.AddScene(QStringLiteral("Nothing to play"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        QCOMPARE(view.ButtonCount(), 2);

        Press(view, 0);
        QVERIFY(rig.Page()->IsPlaying(a));
        QVERIFY(view.Button(0)->IsMarked());
        QCOMPARE(view.CurrentScene(), a);
        rig.Tick();
        QCOMPARE(rig.Played(0, 0), 200);

        // The second press releases it: no longer lit, though the scene
        // leaves the playing list only on the next tick.
        Press(view, 0);
        QVERIFY(!view.Button(0)->IsMarked());
        rig.Tick();
        QVERIFY(!rig.Page()->IsPlaying(a));
        QCOMPARE(rig.Played(0, 0), 0);

        // A scene without steps neither plays nor lights.
        Press(view, 1);
        QVERIFY(!rig.Page()->IsPlaying(empty));
        QVERIFY(!view.Button(1)->IsMarked());
        QCOMPARE(view.CurrentScene(), empty);
    }

    void aStartThatReleasesOtherScenesPutsTheirLightsOut()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"), 0);
        CScene* b = rig.PlayableScene(rig.Page(), QStringLiteral("B"), 1);
        b->m_playMode = ReleaseAll;
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        Press(view, 0);
        QVERIFY(view.Button(0)->IsMarked());
        Press(view, 1);
        QVERIFY(rig.Page()->IsPending(a));
        QVERIFY(!view.Button(0)->IsMarked());
        QVERIFY(view.Button(1)->IsMarked());
    }

    void startsAndStopsFromOutsideLightOnlyTheShownPage()
    {
        CPagesRig rig;
        CPage* other = rig.project.AddPage(QStringLiteral("Other"));
        CScene* here = rig.PlayableScene(rig.Page(), QStringLiteral("Here"));
        CScene* there = rig.PlayableScene(other, QStringLiteral("There"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());

        view.OnSceneStarted(other, there);
        QVERIFY(!view.Button(0)->IsMarked());
        // The right scene told with the wrong page is not this page's start.
        view.OnSceneStarted(other, here);
        QVERIFY(!view.Button(0)->IsMarked());
        view.OnSceneStarted(rig.Page(), here);
        QVERIFY(view.Button(0)->IsMarked());
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateReleaseScenesAction")), 3);

        view.OnSceneStopped(other, here);
        QVERIFY(view.Button(0)->IsMarked());
        view.OnSceneStopped(rig.Page(), here);
        QVERIFY(!view.Button(0)->IsMarked());
    }

    void theCurrentSceneIsNullWithoutACurrentButton()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        rig.PlayableScene(rig.Page(), QStringLiteral("B"));
        CPageWnd view(rig.project);
        QCOMPARE(view.CurrentScene(), static_cast<CScene*>(nullptr));
        // Reload binds the first page the first time.
        view.Reload();
        QCOMPARE(view.Page(), rig.Page());
        QVERIFY(rig.host.modified);
        QCOMPARE(view.CurrentScene(), static_cast<CScene*>(nullptr));
        view.SetCurrentIndex(0);
        QCOMPARE(view.CurrentScene(), a);
        view.SetCurrentIndex(2);
        QCOMPARE(view.CurrentScene(), static_cast<CScene*>(nullptr));
        // The current button went with its scene.
        view.SetCurrentIndex(1);
        rig.host.answer = CShowHost::Yes;
        QVERIFY(view.DeleteScene(1));
        QCOMPARE(view.ButtonCount(), 1);
        QCOMPARE(view.CurrentScene(), static_cast<CScene*>(nullptr));
    }

    void aDragCarriesTheSceneForTheTimelineAndTheCrossfade()
    {
        CPagesRig rig;
        CPage* second = rig.project.AddPage(QStringLiteral("Second"));
        rig.PlayableScene(second, QStringLiteral("A"));
        rig.PlayableScene(second, QStringLiteral("B"));
        CPageWnd view(rig.project);
        view.ShowPage(second);

        QScopedPointer<QMimeData> data(view.MakeDragData(1));
        QVERIFY(data);
        QVERIFY(data->hasFormat(QStringLiteral("image/zk-sceneline")));
        QVERIFY(data->hasFormat(QStringLiteral("image/zk-scenebut")));
        int page = -1;
        int scene = -1;
        QVERIFY(SceneButtonMime::Decode(data->data(QStringLiteral("image/zk-scenebut")), page, scene));
        QCOMPARE(page, 1);
        QCOMPARE(scene, 1);
        QCOMPARE(data->data(QStringLiteral("image/zk-scenebut")), QByteArray("\0\0\0\1\0\0\0\1", 8));

        QVERIFY(!view.MakeDragData(2));
        view.ShowEffects();
        QVERIFY(!view.MakeDragData(0));
    }

    void aScenebutPayloadOfAnyOtherLengthIsRefused()
    {
        int page = 7;
        int scene = 7;
        QVERIFY(!SceneButtonMime::Decode(QByteArray(), page, scene));
        QVERIFY(!SceneButtonMime::Decode(QByteArray(7, '\0'), page, scene));
        QVERIFY(!SceneButtonMime::Decode(QByteArray(9, '\0'), page, scene));
        QCOMPARE(page, 7);
        QVERIFY(SceneButtonMime::Decode(SceneButtonMime::Encode(-1, 70000), page, scene));
        QCOMPARE(page, -1);
        QCOMPARE(scene, 70000);
    }

    void copiesTakeTheFirstFreeCopyName()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"), 2, 99);
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        CScene* first = view.CopyScene(0);
        CScene* second = view.CopyScene(0);
        QCOMPARE(first->m_name, QStringLiteral("A_copy_1"));
        QCOMPARE(second->m_name, QStringLiteral("A_copy_2"));
        // A copy of a copy counts from its own name.
        QCOMPARE(view.CopyScene(1)->m_name, QStringLiteral("A_copy_1_copy_1"));
        QCOMPARE(view.ButtonCount(), 4);
        QCOMPARE(first->m_steps.size(), 1);
        QVERIFY(first->m_steps.first() != a->m_steps.first());
        QVERIFY(first->m_position != a->m_position || a->m_position == -1);
        QVERIFY(!view.CopyScene(9));
    }

    void deletingAsksAndAPlayingSceneGoesOnceItStopped()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        rig.PlayableScene(rig.Page(), QStringLiteral("B"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        rig.host.answer = CShowHost::No;
        QVERIFY(!view.DeleteScene(0));
        QCOMPARE(rig.Page()->m_scenes.size(), 2);
        QCOMPARE(rig.host.Count(QStringLiteral("AskQuestion")), 1);

        rig.host.answer = CShowHost::Yes;
        Press(view, 0);
        QVERIFY(view.DeleteScene(0));
        QVERIFY(rig.Page()->m_scenes.contains(a));
        rig.Tick();
        QVERIFY(!rig.Page()->m_scenes.contains(a));
        QCOMPARE(rig.Page()->m_scenes.size(), 1);
    }

    void aPlayingSceneStaysOnItsPage()
    {
        CPagesRig rig;
        CPage* other = rig.project.AddPage(QStringLiteral("Other"));
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        Press(view, 0);

        QScopedPointer<QMenu> menu(view.BuildMenu(0));
        QAction* move = FindAction(menu.data(), GetLangText(Txt::PagesMoveTo));
        QVERIFY(move);
        QVERIFY(!move->isEnabled());
        QVERIFY(!view.MoveScene(0, other));
        QVERIFY(rig.Page()->m_scenes.contains(a));
        QVERIFY(other->m_scenes.isEmpty());

        // Fading out it still has its playing entry here.
        Press(view, 0);
        QVERIFY(!view.MoveScene(0, other));
        rig.Tick();
        QVERIFY(view.MoveScene(0, other));
        QVERIFY(other->m_scenes.contains(a));
    }

    void aMoveLeavesNoReferenceBehind()
    {
        CPagesRig rig;
        CPage* other = rig.project.AddPage(QStringLiteral("Other"));
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CScene* b = rig.PlayableScene(rig.Page(), QStringLiteral("B"));
        CScene* c = rig.PlayableScene(rig.Page(), QStringLiteral("C"));
        CScene* there = rig.PlayableScene(other, QStringLiteral("There"));
        b->m_jumpTarget = a;
        b->m_jumpIndex = 0;
        b->m_autoJump = true;
        c->m_releaseList = {b, a, a};
        a->m_jumpTarget = c;
        a->m_jumpIndex = 2;
        a->m_releaseList = {b};
        auto* crossfade = new CFadingButton(QStringLiteral("X"));
        crossfade->m_fadeInPages = {rig.Page(), other};
        crossfade->m_fadeInScenes = {a, there};
        crossfade->m_fadeOutPages = {rig.Page()};
        crossfade->m_fadeOutScenes = {b};
        rig.project.m_fadingButtons << crossfade;
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());

        QVERIFY(view.MoveScene(0, other));
        QCOMPARE(rig.Page()->m_scenes, QList<CScene*>({b, c}));
        QCOMPARE(other->m_scenes, QList<CScene*>({there, a}));
        QCOMPARE(b->m_jumpTarget, static_cast<CScene*>(nullptr));
        QCOMPARE(b->m_jumpIndex, -1);
        QVERIFY(!b->m_autoJump);
        QCOMPARE(c->m_releaseList, QList<CScene*>({b}));
        QCOMPARE(a->m_jumpTarget, static_cast<CScene*>(nullptr));
        QCOMPARE(a->m_jumpIndex, -1);
        QVERIFY(a->m_releaseList.isEmpty());
        QCOMPARE(crossfade->m_fadeInPages, QList<CPage*>({other, other}));
        QCOMPARE(crossfade->m_fadeOutPages, QList<CPage*>({rig.Page()}));
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateScenePage")), 1);
        QCOMPARE(view.ButtonCount(), 2);
        // Not onto its own page, nor onto a page the project does not hold.
        QVERIFY(!view.MoveScene(0, rig.Page()));
        CPage stray(rig.project, QStringLiteral("Stray"));
        QVERIFY(!view.MoveScene(0, &stray));
    }

    void pageOptionsRenameThroughTheDialogRunner()
    {
        CPagesRig rig;
        rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        rig.PlayableScene(rig.Page(), QStringLiteral("B"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        QSignalSpy renamed(&view, &CPageWnd::pagesChanged);
        QString typed = QStringLiteral("  Front  ");
        int result = QDialog::Accepted;
        bool triggersEnabled = true;
        view.SetDialogRunner([&](QDialog& dialog) {
            auto& options = static_cast<CPageOptionsDlg&>(dialog);
            options.NameEdit()->setText(typed);
            triggersEnabled = options.TriggersButton()->isEnabled();
            return result;
        });
        QVERIFY(view.EditPageOptions());
        QCOMPARE(rig.Page()->m_name, QStringLiteral("Front"));
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(rig.host.Count(QStringLiteral("UpdateSceneName")), 2);
        // The trigger dialog comes with the editors.
        QVERIFY(!triggersEnabled);

        typed = QStringLiteral("Back");
        result = QDialog::Rejected;
        QVERIFY(!view.EditPageOptions());
        QCOMPARE(rig.Page()->m_name, QStringLiteral("Front"));

        typed = QStringLiteral("   ");
        result = QDialog::Accepted;
        QVERIFY(view.EditPageOptions());
        QCOMPARE(rig.Page()->m_name, QStringLiteral("Front"));
        QCOMPARE(renamed.count(), 1);
    }

    void theTriggersButtonRunsTheInstalledTriggerDialog()
    {
        CPagesRig rig;
        CPageOptionsDlg::SetTriggerDialogRunner([](CTriggers& triggers, QWidget*) {
            triggers.m_bAutoRelease = true;
            return true;
        });
        CPageOptionsDlg dialog(*rig.Page());
        QVERIFY(dialog.TriggersButton()->isEnabled());
        QTest::mouseClick(dialog.TriggersButton(), Qt::LeftButton);
        QVERIFY(rig.Page()->m_triggers.m_bAutoRelease);
        CPageOptionsDlg::SetTriggerDialogRunner(nullptr);
    }

    void theEffectsTabMenuHasNoPageCommands()
    {
        CPagesRig rig;
        rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        rig.ZoomEffect(0, 255);
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        QScopedPointer<QMenu> pageMenu(view.BuildMenu(-1));
        QVERIFY(FindAction(pageMenu.data(), GetLangText(Txt::PagesNewPage)));
        QVERIFY(FindAction(pageMenu.data(), GetLangText(Txt::PagesPageOptions)));
        QVERIFY(!FindAction(pageMenu.data(), GetLangText(Txt::PagesDelete)));
        QScopedPointer<QMenu> sceneMenu(view.BuildMenu(0));
        QVERIFY(FindAction(sceneMenu.data(), GetLangText(Txt::PagesDelete)));
        QAction* timeLine = FindAction(sceneMenu.data(), GetLangText(Txt::PagesAddToTimeLine));
        QVERIFY(timeLine && !timeLine->isEnabled()); // no timeline lines

        view.ShowEffects();
        QScopedPointer<QMenu> effectMenu(view.BuildMenu(0));
        QVERIFY(FindAction(effectMenu.data(), GetLangText(Txt::PagesNewEffectScene)));
        QVERIFY(FindAction(effectMenu.data(), GetLangText(Txt::PagesCopy)));
        QVERIFY(!FindAction(effectMenu.data(), GetLangText(Txt::PagesNewPage)));
        QVERIFY(!FindAction(effectMenu.data(), GetLangText(Txt::PagesMoveTo)));
        QVERIFY(!FindAction(effectMenu.data(), GetLangText(Txt::PagesPageOptions)));
        // An effect scene's copy takes the first free name among the effect scenes.
        QCOMPARE(view.CopyScene(0)->m_name, QStringLiteral("Effect 1_copy_1"));
        QVERIFY(view.CopyScene(1)->IsEffectScene());
        QCOMPARE(rig.project.m_effectScenes.size(), 3);
    }

    void aBlockGoesToTheEndOfATimelineLine()
    {
        CPagesRig rig;
        rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPageWnd view(rig.project);
        view.ShowPage(rig.Page());
        QVERIFY(!view.AddToTimeLine(0, 0)); // no timeline lines yet
        rig.host.timeLineSceneLines = 2;
        QVERIFY(view.AddToTimeLine(0, 1));
        QCOMPARE(rig.host.Count(QStringLiteral("AddTimeLineSceneBlock:1:80")), 1);
        QVERIFY(!view.AddToTimeLine(0, 2));
        QVERIFY(!view.AddToTimeLine(3, 0));
    }

    void theOptionsPopupSetsTheScenesLiveValues()
    {
        CPagesRig rig;
        CScene* a = rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPageWnd view(rig.project);
        view.resize(400, 300);
        view.show();
        view.ShowPage(rig.Page());
        QTest::mouseClick(view.Button(0), Qt::LeftButton, Qt::NoModifier, view.Button(0)->OptionsRect().center());
        CSceneOptionsPopup* popup = view.OptionsPopup();
        QVERIFY(popup->isVisible());
        QCOMPARE(view.PopupScene(), a);
        QVERIFY(!rig.Page()->IsPlaying(a)); // the corner is no press

        emit popup->DimmerFader()->sliderMoved(80);
        emit popup->SpeedFader()->sliderMoved(20);
        QCOMPARE(a->Dimmer(), 80);
        QCOMPARE(a->Speed(), 20);
        popup->PauseButton()->click();
        QVERIFY(a->m_paused);
        popup->BlackoutButton()->click();
        QVERIFY(a->m_blackout);
        // Blackout and beam on exclude each other.
        popup->BeamOnButton()->click();
        QVERIFY(a->m_beamOn);
        QVERIFY(!a->m_blackout);
        QVERIFY(!popup->BlackoutButton()->isChecked());

        // A live command changed the scene: the popup shows it.
        a->SetDimmer(35);
        popup->SceneChanged(true);
        QCOMPARE(popup->DimmerFader()->m_value, 35);

        // The popup closes with its scene.
        rig.host.answer = CShowHost::Yes;
        QVERIFY(view.DeleteScene(0));
        QVERIFY(!popup->isVisible());
        QCOMPARE(view.PopupScene(), static_cast<CScene*>(nullptr));
    }

    void aPopupWhoseSceneWentElsewhereCloses()
    {
        CPagesRig rig;
        rig.PlayableScene(rig.Page(), QStringLiteral("A"));
        CPageWnd view(rig.project);
        view.show();
        view.ShowPage(rig.Page());
        view.OpenOptions(0);
        QVERIFY(view.PopupScene());
        // Removed by the project, the page reloaded through the host.
        QVERIFY(rig.project.RemoveScene(0));
        view.Reload();
        QVERIFY(!view.OptionsPopup()->isVisible());
        QCOMPARE(view.PopupScene(), static_cast<CScene*>(nullptr));
    }

    void anEffectScenesLiveValuesReachItsRunningCopies()
    {
        CPagesRig rig;
        CEffectScene* zoom = rig.ZoomEffect(0, 255);
        CPageWnd view(rig.project);
        view.show();
        view.ShowEffects();
        rig.Select({0, 1});
        Press(view, 0);
        // The copy starts on the next tick; it is lit at once.
        QVERIFY(view.Button(0)->IsMarked());
        rig.Tick();
        QCOMPARE(rig.project.m_runningCopies.size(), 1);
        QVERIFY(view.Button(0)->IsMarked());
        CEffectScene* copy = rig.project.m_runningCopies.first();

        view.OpenOptions(0);
        CSceneOptionsPopup* popup = view.OptionsPopup();
        emit popup->SpeedFader()->sliderMoved(70);
        QCOMPARE(zoom->Speed(), 70);
        QCOMPARE(copy->Speed(), 70);
        emit popup->DimmerFader()->sliderMoved(10);
        QCOMPARE(copy->Dimmer(), 10);
        popup->PauseButton()->click();
        QVERIFY(copy->m_paused);

        // Stopped on its selection: the light goes out.
        Press(view, 0);
        rig.Tick();
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        view.RefreshMarks();
        QVERIFY(!view.Button(0)->IsMarked());
    }

    void aPresetEffectButtonCarriesItsLevelFader()
    {
        CPagesRig rig;
        CEffectScene* zoom = rig.ZoomEffect(100, 200);
        rig.project.AddEffectScene(); // no effect: no fader
        rig.Select({0});
        QVERIFY(rig.project.PlayEffectScene(zoom));
        rig.Tick();
        QCOMPARE(rig.Played(0, 0), 200); // level 100 %
        CEffectScene* copy = rig.project.m_runningCopies.first();

        // The effect scene's own first step holds zoom 150 on head 0:
        // (150 - 100) x 100 / (200 - 100) = 50 %.
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(rig.heads[0], zoom);
        entry->SetLevel(0, 150, true, true);
        step->AddEntry(entry);
        zoom->m_steps << step;
        zoom->UpdateLength();
        zoom->m_drivenFixtures = {rig.heads[0]};
        zoom->m_effects.first()->m_fixtures = {rig.heads[0]};
        zoom->m_effects.first()->m_fixtureSel = {true};

        CPageWnd view(rig.project);
        view.ShowEffects();
        QVERIFY(view.Button(0)->LevelFader());
        QCOMPARE(view.Button(0)->LevelFader()->m_value, 50);
        QVERIFY(!view.Button(1)->LevelFader());

        // Dragged to 30 %: 100 + 100 x 30 / 100 = 130 into the copy.
        emit view.Button(0)->LevelFader()->sliderMoved(30);
        auto* preset = static_cast<CPresetEffect*>(zoom->m_effects.first());
        QCOMPARE(preset->m_prValue, 30);
        QCOMPARE(int(copy->m_steps.first()->FindEntry(rig.heads[0])->Level(0)), 130);

        // A stored level below the range reads as a negative percentage:
        // (50 - 100) x 100 / 100 = -50, shown at the fader's foot.
        entry->SetLevel(0, 50, true, true);
        view.Refresh();
        QCOMPARE(preset->m_prValue, -50);
        QCOMPARE(view.Button(0)->LevelFader()->m_value, 0);
    }
};

ORVANE_TEST(PageWndTest)
#include "PageWndTest.moc"
