#include "DataTable.h"
#include "TestRegistry.h"

#include "../model/LibraryProfileBuilder.h"
#include "RecordingHost.h"
#include "live/FadingWnd.h"
#include "live/SceneButtonMime.h"
#include "model/PatchedFixture.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/ZKTimeEdit.h"

#include <QApplication>
#include <QLayout>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace ProfileBuilder;

namespace {

// The main window's part: what the document reports about crossfades goes
// to the window, and is recorded.
class CFadingHost : public CRecordingHost
{
public:
    CFadingWnd* wnd = nullptr;

    void FadingUpdateProgress(CScene* scene) override
    {
        CRecordingHost::FadingUpdateProgress(scene);
        if (wnd)
            wnd->UpdateProgress(scene);
    }
    void FadingSceneStopped(CScene* scene) override
    {
        CRecordingHost::FadingSceneStopped(scene);
        if (wnd)
            wnd->OnSceneStopped(scene);
    }
    void FadingRemoveScene(CScene* scene) override
    {
        CRecordingHost::FadingRemoveScene(scene);
        if (wnd)
            wnd->RemoveScene(scene);
    }
    void FadingReplaceScene(CScene* oldScene, CScene* newScene) override
    {
        CRecordingHost::FadingReplaceScene(oldScene, newScene);
        if (wnd)
            wnd->ReplaceScene(oldScene, newScene);
    }
};

// Two dimmers, scene A holding the first at 200 and scene B the second at
// 255, both on the first page.
struct CFadingRig
{
    CFadingHost host;
    CProject project;
    std::unique_ptr<CFadingWnd> wnd;
    CPatchedFixture* first = nullptr;
    CPatchedFixture* second = nullptr;
    CScene* a = nullptr;
    CScene* b = nullptr;

    CFadingRig()
    {
        project.NewProject(4);
        auto* profile = new CLibraryProfile;
        AddDimmer(*profile);
        profile->UpdateRoles();
        project.m_library << profile;
        first = Patch(profile, 0);
        second = Patch(profile, 1);
        a = AddScene(Page(), QStringLiteral("A"), first, 200);
        b = AddScene(Page(), QStringLiteral("B"), second, 255);
        wnd = std::make_unique<CFadingWnd>(project);
        host.wnd = wnd.get();
    }
    ~CFadingRig() { host.wnd = nullptr; }

    CPage* Page() { return project.m_firstPage; }

    CPatchedFixture* Patch(CLibraryProfile* profile, int address)
    {
        auto* fixture = new CPatchedFixture(address, 0, address + 1, -1, QStringLiteral("D%1").arg(address + 1),
                                            profile, false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        project.UpdateAfterPatch(false, false);
        return fixture;
    }

    CScene* AddScene(CPage* page, const QString& name, CPatchedFixture* fixture, int level)
    {
        auto* scene = new CScene(name, project.UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(fixture, scene);
        entry->SetLevel(0, quint8(level), true, true);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
        page->m_scenes << scene;
        return scene;
    }

    void Tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            project.Tick(25);
            project.MergeOutput();
        }
    }

    // Through the cells, as the operator types them.
    void SetTimes(int list, CScene* scene, const QString& delay, const QString& fade)
    {
        QTableWidget* table = wnd->Table(list);
        const int row = wnd->RowOf(list, scene);
        table->item(row, CFadingWnd::ColDelay)->setText(delay);
        table->item(row, CFadingWnd::ColFade)->setText(fade);
    }

    bool Playing(CScene* scene) { return Page()->IsPlaying(scene); }

    // A fades out over 2 s; B fades in over 1 s after 0.5 s.
    void PrepareAToB()
    {
        Page()->PlayScene(a);
        Tick(2);
        QVERIFY(wnd->AddScene(CFadingWnd::FadeOutList, a));
        QVERIFY(wnd->AddScene(CFadingWnd::FadeInList, b));
        SetTimes(CFadingWnd::FadeOutList, a, QStringLiteral("00m 00s 000"), QStringLiteral("00m 02s 000"));
        SetTimes(CFadingWnd::FadeInList, b, QStringLiteral("00m 00s 500"), QStringLiteral("00m 01s 000"));
    }
};

bool SendDrop(QWidget* target, const QPoint& pos, const QByteArray& payload, const QString& format)
{
    QMimeData mime;
    mime.setData(format, payload);
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QStringList Names(const CFadingWnd& wnd, int list)
{
    QStringList names;
    for (int row = 0; row < wnd.RowCount(list); ++row)
        names << wnd.SceneAt(list, row)->m_name;
    return names;
}

} // namespace

class FadingWndTest : public QObject
{
    Q_OBJECT

private slots:
    void crossfadeRunsOnTheLongestFadeAndEndsWithIt()
    {
        CFadingRig rig;
        rig.PrepareAToB();
        QSignalSpy buttons(rig.wnd.get(), &CFadingWnd::pageButtonsChanged);
        QTest::mouseClick(rig.wnd->GoButton(), Qt::LeftButton);

        // 0 + 2000 ms against 500 + 1000 ms: A sets the pace.
        QVERIFY(rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->ReferenceScene(), rig.a);
        QVERIFY(rig.a->m_stopping && rig.a->m_customTiming);
        QVERIFY(rig.Playing(rig.b));
        QCOMPARE(buttons.count(), 1);

        // Each tick reports the time before it advances: after 40 ticks
        // 975 ms, one tick short of the half.
        rig.Tick(40);
        QVERIFY(qAbs(rig.wnd->ElapsedMs() - 1000) <= 25);
        QVERIFY(rig.wnd->Progress() >= 48 && rig.wnd->Progress() <= 50);

        // B is in after 500 + 1000 ms; the run goes on with A.
        rig.Tick(20);
        QCOMPARE(rig.host.Count(QStringLiteral("FadingSceneStopped")), 1);
        QVERIFY(rig.wnd->IsRunning());
        QVERIFY(rig.Playing(rig.b));

        // A's fade ends at tick 80; the next pending pass finishes it.
        rig.Tick(20);
        QVERIFY(rig.wnd->IsRunning());
        QVERIFY(rig.Playing(rig.a));
        rig.Tick(1);
        QVERIFY(!rig.Playing(rig.a));
        QVERIFY(!rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->Progress(), 100);
        QCOMPARE(rig.wnd->ElapsedMs(), 2000);
        QVERIFY(!rig.wnd->PauseButton()->isEnabled());
        QCOMPARE(rig.project.m_output[0][0], quint8(0));
        QCOMPARE(rig.project.m_output[0][1], quint8(255));
    }

    void storedButtonReplaysTheCheckedScenes()
    {
        CFadingRig rig;
        rig.PrepareAToB();
        CScene* unchecked = rig.AddScene(rig.Page(), QStringLiteral("C"), rig.first, 50);
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, unchecked, false));

        QVERIFY(!rig.wnd->Store(QStringLiteral("  ")));
        CFadingButton* stored = rig.wnd->Store(QStringLiteral("A to B"));
        QVERIFY(stored);
        QCOMPARE(rig.project.m_fadingButtons.size(), 1);
        QCOMPARE(stored->m_fadeOutScenes, QList<CScene*>({rig.a}));
        QCOMPARE(stored->m_fadeInScenes, QList<CScene*>({rig.b}));
        QCOMPARE(stored->m_fadeInPages, QList<CPage*>({rig.Page()}));
        QCOMPARE(stored->m_position, 0);
        QCOMPARE(rig.wnd->FadingButtonWidget(0)->text(), QStringLiteral("A to B"));
        QVERIFY(rig.host.modified);

        // The lists change; the button still holds the crossfade.
        rig.wnd->ClearLists();
        QVERIFY(!rig.a->m_inFadeOutList && !rig.b->m_inFadeInList && rig.b->m_fadeInId == -1);
        QTest::mouseClick(rig.wnd->FadingButtonWidget(0), Qt::LeftButton);
        QCOMPARE(Names(*rig.wnd, CFadingWnd::FadeOutList), QStringList({QStringLiteral("A")}));
        QCOMPARE(Names(*rig.wnd, CFadingWnd::FadeInList), QStringList({QStringLiteral("B")}));
        QVERIFY(rig.a->m_checkOutList && rig.b->m_checkInList);
        QCOMPARE(rig.wnd->ReferenceScene(), rig.a);
        rig.Tick(81);
        QVERIFY(!rig.wnd->IsRunning());
        QVERIFY(!rig.Playing(rig.a));
        QVERIFY(rig.Playing(rig.b));
        QVERIFY(!rig.Playing(unchecked));

        // A second press with A already out: only B restarts, and with no
        // fade longer than B's the run follows B.
        QVERIFY(rig.wnd->Play(0));
        QCOMPARE(rig.wnd->ReferenceScene(), rig.b);
        QVERIFY(!rig.wnd->Play(1));
        QVERIFY(!rig.wnd->Play(-1));

        // A scene deleted from its page leaves the stored crossfade too.
        rig.Page()->DeleteScene(rig.a);
        QCOMPARE(stored->m_fadeOutScenes.size(), 0);
        QCOMPARE(stored->m_fadeOutPages.size(), 0);

        rig.wnd->RemoveFadingButton(0);
        QVERIFY(rig.project.m_fadingButtons.isEmpty());
        QVERIFY(!rig.wnd->FadingButtonWidget(0));
    }

    // Buttons the show held at `held` positions (-1: never placed), shown
    // in the strip or not yet, then `stored` Stores, `removed` (an index)
    // taken away between the first and the others: the strip shows the
    // buttons in their order, a Store keeps the widgets there were, and
    // each widget plays its own button.
    void storesKeepTheStripInTheButtonsOrder_data()
    {
        Columns<QString, bool, int, int>("held", "shown", "stored", "removed");
        QTest::newRow("none held") << "" << true << 3 << -1;
        QTest::newRow("held in order") << "0 1" << true << 2 << -1;
        QTest::newRow("held out of order") << "5 -1 2" << true << 2 << -1;
        QTest::newRow("held, not yet shown") << "1 0" << false << 2 << -1;
        QTest::newRow("one removed between") << "0 1 2" << true << 2 << 1;
    }
    void storesKeepTheStripInTheButtonsOrder()
    {
        const auto [held, shown, stored, removed] = Row<QString, bool, int, int>("held", "shown", "stored", "removed");
        CFadingRig rig;
        int named = 0;
        for (const QString& position : held.split(' ', Qt::SkipEmptyParts)) {
            auto* button = new CFadingButton(QStringLiteral("H%1").arg(++named));
            button->m_position = position.toInt();
            button->m_fadeInScenes << rig.b;
            button->m_fadeInPages << rig.Page();
            rig.project.m_fadingButtons << button;
        }
        if (shown)
            rig.wnd->Reload();
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, rig.a, true));
        for (int i = 0; i < stored; ++i) {
            if (i == 1 && removed >= 0)
                rig.wnd->RemoveFadingButton(removed);
            const QPushButton* first = rig.wnd->FadingButtonWidget(0);
            QVERIFY(rig.wnd->Store(QStringLiteral("S%1").arg(i + 1)));
            if (first)
                QCOMPARE(rig.wnd->FadingButtonWidget(0), first);
        }
        QList<CFadingButton*> order = rig.project.m_fadingButtons;
        std::sort(order.begin(), order.end(),
                  [](const CFadingButton* x, const CFadingButton* y) { return x->m_position < y->m_position; });
        QCOMPARE(order.size(), int(held.split(' ', Qt::SkipEmptyParts).size()) + stored - (removed >= 0));
        for (int i = 0; i < order.size(); ++i) {
            QCOMPARE(order[i]->m_position, i);
            QPushButton* widget = rig.wnd->FadingButtonWidget(i);
            QCOMPARE(widget->text(), order[i]->m_name);
            QCOMPARE(widget->parentWidget()->layout()->indexOf(widget), i);
            rig.wnd->ClearLists();
            QTest::mouseClick(widget, Qt::LeftButton);
            QCOMPARE(Names(*rig.wnd, CFadingWnd::FadeInList),
                     QStringList(order[i]->m_name.startsWith('S') ? QStringLiteral("A") : QStringLiteral("B")));
        }
        QVERIFY(!rig.wnd->FadingButtonWidget(order.size()));
    }

    void storeAsksANameAndNeedsACheckedScene()
    {
        CFadingRig rig;
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, rig.b, false));
        QVERIFY(!rig.wnd->Store(QStringLiteral("Nothing")));
        rig.wnd->Table(CFadingWnd::FadeInList)->item(0, CFadingWnd::ColCheck)->setCheckState(Qt::Checked);

        QStringList offered;
        bool accept = false;
        rig.wnd->SetNameAsker([&](QString& name) {
            offered << name;
            name = QStringLiteral("Intro");
            return accept;
        });
        QTest::mouseClick(rig.wnd->StoreButton(), Qt::LeftButton);
        QVERIFY(rig.project.m_fadingButtons.isEmpty());
        accept = true;
        QTest::mouseClick(rig.wnd->StoreButton(), Qt::LeftButton);
        QCOMPARE(offered, QStringList({QStringLiteral("Crossfade 1"), QStringLiteral("Crossfade 1")}));
        QCOMPARE(rig.project.m_fadingButtons.size(), 1);
        QCOMPARE(rig.project.m_fadingButtons.first()->m_name, QStringLiteral("Intro"));
    }

    void listsComeFromTheScenesFlagsAndPlaces()
    {
        CFadingRig rig;
        CPage* second = rig.project.AddPage(QStringLiteral("Second"));
        CScene* c = rig.AddScene(second, QStringLiteral("C"), rig.first, 10);
        CScene* d = rig.AddScene(second, QStringLiteral("D"), rig.second, 20);
        rig.a->m_inFadeInList = true;
        rig.a->m_fadeInId = 4;
        c->m_inFadeInList = true;
        c->m_fadeInId = 1;
        d->m_inFadeInList = true; // never placed: after the placed ones
        d->m_checkInList = true;
        rig.b->m_inFadeOutList = true;
        rig.b->m_fadeOutId = 7;
        rig.b->m_checkOutList = true;
        rig.b->m_fadeOutDelay = 1500;
        rig.b->m_dynamicFadeOut = true;
        rig.wnd->Reload();

        QCOMPARE(Names(*rig.wnd, CFadingWnd::FadeInList),
                 QStringList({QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("D")}));
        QCOMPARE(Names(*rig.wnd, CFadingWnd::FadeOutList), QStringList({QStringLiteral("B")}));
        QCOMPARE(QList<int>({c->m_fadeInId, rig.a->m_fadeInId, d->m_fadeInId}), QList<int>({0, 1, 2}));
        QCOMPARE(rig.b->m_fadeOutId, 0);

        QTableWidget* in = rig.wnd->Table(CFadingWnd::FadeInList);
        QCOMPARE(in->item(0, CFadingWnd::ColPage)->text(), QStringLiteral("Second"));
        QCOMPARE(in->item(1, CFadingWnd::ColPage)->text(), QStringLiteral("Scenes"));
        QCOMPARE(in->item(0, CFadingWnd::ColCheck)->checkState(), Qt::Unchecked);
        QCOMPARE(in->item(2, CFadingWnd::ColCheck)->checkState(), Qt::Checked);
        QTableWidget* out = rig.wnd->Table(CFadingWnd::FadeOutList);
        QCOMPARE(out->item(0, CFadingWnd::ColDelay)->text(), QStringLiteral("00m 01s 500"));
        QCOMPARE(out->item(0, CFadingWnd::ColDynamic)->text(), QStringLiteral("Dynamic"));
        QCOMPARE(out->item(0, CFadingWnd::ColDynamic)->checkState(), Qt::Checked);

        // A renamed scene and page show at the next name refresh.
        c->m_name = QStringLiteral("Sunrise");
        second->m_name = QStringLiteral("Act 2");
        rig.wnd->UpdateSceneName(c);
        QCOMPARE(in->item(0, CFadingWnd::ColScene)->text(), QStringLiteral("Sunrise"));
        QCOMPARE(in->item(0, CFadingWnd::ColPage)->text(), QStringLiteral("Act 2"));

        // Taking a row out renumbers the places behind it.
        rig.wnd->RemoveRow(CFadingWnd::FadeInList, 0);
        QVERIFY(!c->m_inFadeInList);
        QCOMPARE(c->m_fadeInId, -1);
        QCOMPARE(QList<int>({rig.a->m_fadeInId, d->m_fadeInId}), QList<int>({0, 1}));
        rig.wnd->RemoveRow(CFadingWnd::FadeInList, 5);
        QCOMPARE(rig.wnd->RowCount(CFadingWnd::FadeInList), 2);
    }

    void cellsEditTheScenesCrossfadeFields()
    {
        CFadingRig rig;
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeOutList, rig.a));
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, rig.a));
        QVERIFY(!rig.wnd->AddScene(CFadingWnd::FadeInList, rig.a));
        rig.host.modified = false;

        // The time delegate commits what its editor holds.
        QTableWidget* in = rig.wnd->Table(CFadingWnd::FadeInList);
        auto* delegate = qobject_cast<CTimeBoxDelegate*>(in->itemDelegateForColumn(CFadingWnd::ColFade));
        QVERIFY(delegate);
        CZKTimeEdit editor(nullptr, true);
        editor.SetTime(QTime(0, 1, 2, 480));
        delegate->setModelData(&editor, in->model(), in->model()->index(0, CFadingWnd::ColFade));
        QCOMPARE(rig.a->m_customFadeIn, 62480);
        QCOMPARE(rig.a->m_customFadeOut, 0);
        QVERIFY(rig.host.modified);

        // Each list writes its own fields of the same scene.
        rig.SetTimes(CFadingWnd::FadeOutList, rig.a, QStringLiteral("00m 03s 000"), QStringLiteral("00m 00s 520"));
        QCOMPARE(rig.a->m_fadeOutDelay, 3000);
        QCOMPARE(rig.a->m_customFadeOut, 520);
        QCOMPARE(rig.a->m_fadeInDelay, 0);

        // Text that is no time reads as none, and the cell says so.
        QTableWidget* out = rig.wnd->Table(CFadingWnd::FadeOutList);
        out->item(0, CFadingWnd::ColDelay)->setText(QStringLiteral("soon"));
        QCOMPARE(rig.a->m_fadeOutDelay, 0);
        QCOMPARE(out->item(0, CFadingWnd::ColDelay)->text(), QStringLiteral("00m 00s 000"));

        in->item(0, CFadingWnd::ColDynamic)->setCheckState(Qt::Checked);
        QVERIFY(rig.a->m_dynamicFadeIn);
        QVERIFY(!rig.a->m_dynamicFadeOut);
        QCOMPARE(in->item(0, CFadingWnd::ColDynamic)->text(), QStringLiteral("Dynamic"));
        out->item(0, CFadingWnd::ColCheck)->setCheckState(Qt::Unchecked);
        QVERIFY(!rig.a->m_checkOutList);
        QVERIFY(rig.a->m_checkInList);
    }

    void sceneButtonDropsJoinAList()
    {
        CFadingRig rig;
        CPage* second = rig.project.AddPage(QStringLiteral("Second"));
        CScene* c = rig.AddScene(second, QStringLiteral("C"), rig.first, 10);
        // Where a drop lands needs the window laid out.
        rig.wnd->resize(600, 500);
        rig.wnd->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.wnd.get()));
        const QString format = QLatin1String(SceneButtonMime::kFormat);
        const QPoint elsewhere = rig.wnd->GoButton()->geometry().center();
        QTableWidget* outTable = rig.wnd->Table(CFadingWnd::FadeOutList);
        const QPoint ontoFadeOut = outTable->mapTo(rig.wnd.get(), outTable->rect().center());

        QVERIFY(SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(1, 0), format));
        QCOMPARE(rig.wnd->SceneAt(CFadingWnd::FadeInList, 0), c);
        QVERIFY(c->m_inFadeInList && c->m_checkInList);
        QCOMPARE(c->m_fadeInId, 0);
        QCOMPARE(rig.wnd->Table(CFadingWnd::FadeInList)->item(0, CFadingWnd::ColPage)->text(),
                 QStringLiteral("Second"));

        QVERIFY(SendDrop(rig.wnd.get(), ontoFadeOut, SceneButtonMime::Encode(0, 1), format));
        QCOMPARE(rig.wnd->SceneAt(CFadingWnd::FadeOutList, 0), rig.b);

        // Already in the list, indexes naming nothing, a damaged payload,
        // another format: the lists stay as they are.
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(1, 0), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(2, 0), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(1, 1), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(-1, 0), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(0, -1), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(0, 0).left(7), format));
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(0, 0) + '\0', format));
        const QString lineFormat = QStringLiteral("image/zk-sceneline");
        QVERIFY(!SendDrop(rig.wnd.get(), elsewhere, SceneButtonMime::Encode(0, 0), lineFormat));
        QCOMPARE(rig.wnd->RowCount(CFadingWnd::FadeInList), 1);
        QCOMPARE(rig.wnd->RowCount(CFadingWnd::FadeOutList), 1);
        // What the live pages put in the drag: page, then scene, 32 bits each.
        QCOMPARE(SceneButtonMime::Encode(1, 2), QByteArray("\0\0\0\1\0\0\0\2", 8));
    }

    void progressKeepsToTheClockAcrossAnUnevenDelay()
    {
        CFadingRig rig;
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, rig.b));
        rig.SetTimes(CFadingWnd::FadeInList, rig.b, QStringLiteral("00m 00s 510"), QStringLiteral("00m 01s 000"));
        rig.wnd->Go();
        rig.Tick(21);
        QCOMPARE(rig.wnd->ElapsedMs(), 500);
        // The delay counter stands at 525 now, past the 510 of the delay:
        // the fade starts at 510, not at 525.
        rig.Tick(1);
        QCOMPARE(rig.wnd->ElapsedMs(), 510);
        rig.Tick(38);
        QCOMPARE(rig.wnd->ElapsedMs(), 1460);
        QCOMPARE(rig.wnd->Progress(), 96); // 1460 of 1510 ms
        rig.Tick(1);
        QVERIFY(!rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->ElapsedMs(), 1510);
        QCOMPARE(rig.wnd->Progress(), 100);
    }

    void pauseHoldsTheRunAndGoLetsItGo()
    {
        CFadingRig rig;
        rig.PrepareAToB();
        QVERIFY(!rig.wnd->PauseButton()->isEnabled());
        rig.wnd->Go();
        rig.Tick(10);
        const int elapsed = rig.wnd->ElapsedMs();
        const int counter = rig.a->m_fadeOutCounter;
        QTest::mouseClick(rig.wnd->PauseButton(), Qt::LeftButton);
        QVERIFY(rig.wnd->IsPaused());
        QVERIFY(rig.a->m_paused && rig.b->m_paused);
        rig.Tick(30);
        QCOMPARE(rig.wnd->ElapsedMs(), elapsed);
        QCOMPARE(rig.a->m_fadeOutCounter, counter);

        QTest::mouseClick(rig.wnd->PauseButton(), Qt::LeftButton);
        QVERIFY(!rig.a->m_paused && !rig.b->m_paused);
        rig.Tick(2);
        QCOMPARE(rig.wnd->ElapsedMs(), elapsed + 50);

        // A new Go while paused frees the former run's scenes first. A,
        // already fading out, is left to its fade; B starts again.
        rig.wnd->SetPaused(true);
        rig.wnd->Go();
        QVERIFY(!rig.wnd->IsPaused());
        QVERIFY(!rig.a->m_paused && !rig.b->m_paused);
        QCOMPARE(rig.wnd->ReferenceScene(), rig.b);
        rig.Tick(59);
        QVERIFY(rig.wnd->IsRunning());
        rig.Tick(1);
        QVERIFY(!rig.wnd->IsRunning());
    }

    void onlyCheckedPlayingScenesTakePart()
    {
        CFadingRig rig;
        CScene* c = rig.AddScene(rig.Page(), QStringLiteral("C"), rig.second, 30);
        rig.Page()->PlayScene(rig.a);
        rig.Page()->PlayScene(c);
        rig.Tick(1);
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeOutList, rig.a, false));
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeOutList, rig.b)); // not playing
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeOutList, c));
        QVERIFY(rig.wnd->AddScene(CFadingWnd::FadeInList, c)); // out and in: it restarts
        for (CScene* scene : {rig.a, rig.b, c})
            rig.SetTimes(CFadingWnd::FadeOutList, scene, QStringLiteral("00m 00s 000"), QStringLiteral("00m 01s 000"));
        rig.SetTimes(CFadingWnd::FadeInList, c, QStringLiteral("00m 00s 000"), QStringLiteral("00m 00s 200"));

        rig.wnd->Go();
        QVERIFY(!rig.a->m_stopping);
        QVERIFY(!rig.Playing(rig.b));
        QCOMPARE(rig.wnd->ReferenceScene(), c);
        rig.Tick(20);
        QVERIFY(rig.Playing(rig.a));
        QVERIFY(rig.Playing(c));
        QVERIFY(!rig.wnd->IsRunning());
    }

    void crossfadeWithoutTimesEndsAtOnce()
    {
        {
        CFadingRig rig;
        rig.Page()->PlayScene(rig.a);
        rig.Tick(1);
        rig.wnd->AddScene(CFadingWnd::FadeOutList, rig.a);
        rig.wnd->AddScene(CFadingWnd::FadeInList, rig.b);
        rig.wnd->Go();
        QVERIFY(!rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->Progress(), 100);
        rig.Tick(1);
        QVERIFY(!rig.Playing(rig.a));
        QVERIFY(rig.Playing(rig.b));
        QCOMPARE(rig.project.m_output[0][1], quint8(255));
        }

        // Nothing checked: nothing happens and nothing is shown as done.
        CFadingRig idle;
        idle.wnd->AddScene(CFadingWnd::FadeInList, idle.b, false);
        idle.wnd->Go();
        QVERIFY(!idle.Playing(idle.b));
        QCOMPARE(idle.wnd->Progress(), 0);
    }

    void deletedSceneLeavesListsAndRun()
    {
        {
        CFadingRig rig;
        rig.PrepareAToB();
        rig.wnd->Go();
        rig.Tick(10);
        QCOMPARE(rig.wnd->ReferenceScene(), rig.a);

        // The reference goes: B's fade now sets the pace.
        rig.Page()->DeleteScene(rig.a);
        QCOMPARE(rig.wnd->RowCount(CFadingWnd::FadeOutList), 0);
        QVERIFY(rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->ReferenceScene(), rig.b);
        rig.Tick(1);
        QCOMPARE(rig.wnd->ElapsedMs(), 250);
        rig.Tick(49);
        QVERIFY(!rig.wnd->IsRunning());
        QCOMPARE(rig.wnd->Progress(), 100);
        }

        // The last scene of a run going: the run ends with it.
        CFadingRig other;
        other.PrepareAToB();
        other.wnd->Go();
        other.Tick(5);
        other.wnd->SetPaused(true);
        other.Page()->DeleteScene(other.b);
        QVERIFY(other.wnd->IsRunning());
        other.Page()->DeleteScene(other.a);
        QVERIFY(!other.wnd->IsRunning());
        QVERIFY(!other.wnd->IsPaused());
        other.Tick(3);
        QCOMPARE(other.wnd->RowCount(CFadingWnd::FadeInList), 0);
    }

    void replacedSceneKeepsItsRowAndRun()
    {
        CFadingRig rig;
        rig.PrepareAToB();
        rig.wnd->Go();
        rig.Tick(4);
        // The editor swaps B for its working copy.
        std::unique_ptr<CScene> original(rig.b);
        auto* copy = new CScene(*rig.b, true, true, true);
        copy->m_name = QStringLiteral("B edited");
        rig.project.SetEditedScene(rig.b, copy);
        rig.project.m_editedScene = nullptr;
        QCOMPARE(rig.wnd->SceneAt(CFadingWnd::FadeInList, 0), copy);
        QCOMPARE(rig.wnd->Table(CFadingWnd::FadeInList)->item(0, CFadingWnd::ColScene)->text(),
                 QStringLiteral("B edited"));
        QVERIFY(copy->m_inFadeInList && copy->m_checkInList);
        QCOMPARE(copy->m_fadeInId, 0);

        rig.wnd->SetPaused(true);
        QVERIFY(copy->m_paused);
        QVERIFY(!original->m_paused);
        rig.wnd->SetPaused(false);
        rig.Tick(1);
        QVERIFY(rig.wnd->IsRunning());
    }

    void editorOpenStopsTheTransport()
    {
        CFadingRig rig;
        rig.PrepareAToB();
        QVERIFY(rig.wnd->Store(QStringLiteral("X")));
        rig.wnd->SetEditMode(true);
        QVERIFY(!rig.wnd->GoButton()->isEnabled());
        QVERIFY(!rig.wnd->FadingButtonWidget(0)->isEnabled());
        rig.wnd->Go();
        QVERIFY(!rig.wnd->Play(0));
        QVERIFY(!rig.wnd->IsRunning());
        QVERIFY(!rig.a->m_stopping);
        rig.wnd->SetEditMode(false);
        QVERIFY(rig.wnd->Play(0));
        QVERIFY(rig.wnd->IsRunning());
    }
};

ORVANE_TEST(FadingWndTest)
#include "FadingWndTest.moc"
