#include "TestRegistry.h"
#include "WindowRig.h"

#include "effects/Effect.h"
#include "layout/view/FixtViewScrollArea.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/MatrixItem.h"

#include <QAction>
#include <QScrollBar>
#include <QtTest>

namespace {

QString Ids(const QList<CPatchedFixture*>& fixtures)
{
    QStringList ids;
    for (const CPatchedFixture* fixture : fixtures)
        ids << QString::number(fixture->m_id);
    return ids.join(QLatin1Char(','));
}

QStringList ButtonTexts(const QList<QToolButton*>& buttons)
{
    QStringList texts;
    for (const QToolButton* button : buttons)
        texts << button->text();
    return texts;
}

// Every fixture and matrix points to an item of the view or to none.
bool ItemsSound(CWindowRig& rig)
{
    QList<const CLayoutItem*> items;
    for (const CFixtureItem* item : rig.View().FixtureItems())
        items << item;
    for (const CMatrixItem* item : rig.View().MatrixItems())
        items << item;
    for (const CPatchedFixture* fixture : rig.project.m_generalGroup->m_fixtures) {
        if (fixture->LayoutItem() && !items.contains(fixture->LayoutItem()))
            return false;
    }
    for (const CFixtureMatrix* matrix : rig.project.m_generalGroup->m_matrices) {
        if (matrix->LayoutItem() && !items.contains(matrix->LayoutItem()))
            return false;
    }
    return true;
}

} // namespace

class FixturesWndTest : public QObject
{
    Q_OBJECT
private slots:
    void refresh_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("applied"); // 0: none
        QTest::addColumn<int>("drawType");
        QTest::addColumn<QString>("repaints");
        QTest::newRow("choice 3, live") << 3 << 0 << 2 << "5,10";
        QTest::newRow("choice 3, full colours") << 3 << 0 << 3 << "5,10";
        QTest::newRow("choice 3, no live drawing") << 3 << 0 << 1 << "";
        QTest::newRow("choice 1") << 1 << 0 << 2 << "2,4,6,8,10";
        QTest::newRow("applied 4 after 1") << 1 << 4 << 2 << "7";
        QTest::newRow("choice out of range") << 9 << 0 << 2 << "7";
    }
    void refresh()
    {
        QFETCH(int, choice);
        QFETCH(int, applied);
        QFETCH(int, drawType);
        QFETCH(QString, repaints);
        CWindowRig rig;
        rig.options.m_refreshChoice = choice;
        rig.wnd = std::make_unique<CFixturesWnd>(rig.project);
        rig.fixtures[1]->m_drawType = drawType;
        rig.Load();
        if (applied) {
            rig.options.m_refreshChoice = applied;
            rig.wnd->ApplyOptions();
        }
        QStringList ticks;
        for (int tick = 1; tick <= 10; ++tick) {
            if (rig.wnd->Tick(25))
                ticks << QString::number(tick);
        }
        QCOMPARE(ticks.join(QLatin1Char(',')), repaints);
    }

    void switchKeepsEachGroupsView()
    {
        CWindowRig rig;
        rig.AddGroup(QStringLiteral("G1"), {0, 1});
        rig.Load();
        rig.wnd->resize(300, 250);
        rig.wnd->show();
        rig.wnd->ZoomIn(); // 2.0
        rig.wnd->ZoomIn(); // 3.0
        QCoreApplication::processEvents();
        QScrollBar* h = rig.wnd->ScrollArea()->horizontalScrollBar();
        h->setValue(300);
        rig.View().FixtureItems().at(2)->m_rect.moveTopLeft(QPoint(200, 150));
        rig.Select(QStringLiteral("0110"));

        rig.Tabs().m_current = 1;
        rig.wnd->OnTabChanged(1);
        QCOMPARE(rig.View().FixtureItems().size(), 2);
        QCOMPARE(rig.View().Zoom(), 1.0f);
        rig.View().SetCrop(true, QRect(10, 10, 200, 100));
        rig.Select(QStringLiteral("1000"));
        QVERIFY(ItemsSound(rig));

        rig.wnd->OnTabChanged(0);
        QCoreApplication::processEvents();
        QCOMPARE(rig.View().Zoom(), 3.0f);
        QCOMPARE(h->value(), 300);
        QCOMPARE(rig.fixtures[2]->ItemPosition(), QPoint(200, 150));
        QCOMPARE(rig.Selection(), QStringLiteral("0110"));
        QVERIFY(!rig.Button(CFixturesWnd::ZoomInButton)->isEnabled());

        rig.wnd->OnTabChanged(1);
        QCOMPARE(rig.View().CropRect(), QRect(10, 10, 200, 100));
        QCOMPARE(rig.Selection().left(2), QStringLiteral("10"));
        QCOMPARE(rig.fixtures[2]->LayoutItem(), nullptr);
        QVERIFY(ItemsSound(rig));
        // Names outside the list come from stale tab signals.
        rig.wnd->OnTabChanged(5);
        rig.wnd->OnTabChanged(-1);
        QCOMPARE(rig.Current(), 1);
    }

    void noDanglingItemAfterRoundTrip()
    {
        CWindowRig rig;
        rig.AddMatrix(3, QPoint(20, 100));
        rig.AddGroup(QStringLiteral("G1"), {1});
        rig.Load();
        rig.wnd->SwitchGroup(1);
        for (const CPatchedFixture* fixture : rig.project.m_generalGroup->m_fixtures)
            QCOMPARE(fixture->LayoutItem() != nullptr, fixture == rig.fixtures[1]);
        rig.wnd->StoreGroupView();
        rig.wnd->SwitchGroup(0);
        QVERIFY(ItemsSound(rig));
        // Reading every place goes through the items (the sanitizer build
        // catches a deleted one).
        for (const CPatchedFixture* fixture : rig.project.m_generalGroup->m_fixtures)
            QVERIFY(fixture->LayoutItem());
        rig.wnd->StoreGroupView();
        // One patched since the view was built keeps its place.
        CPatchedFixture* late = rig.Patch(rig.RgbProfile(), 2, 0);
        late->AddPosition(30, 40);
        rig.wnd->StoreGroupView();
        QCOMPARE(late->Position(0), QPoint(30, 40));
    }

    void closeGroup_data()
    {
        QTest::addColumn<int>("close");
        QTest::addColumn<int>("currentBefore");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("groupsLeft");
        QTest::newRow("general stays") << 0 << 0 << 0 << 3;
        QTest::newRow("another, current stays") << 2 << 1 << 1 << 2;
        QTest::newRow("the current one") << 2 << 2 << 1 << 2;
        QTest::newRow("last one current") << 1 << 2 << 1 << 2;
        QTest::newRow("out of range") << 7 << 2 << 2 << 3;
    }
    void closeGroup()
    {
        QFETCH(int, close);
        QFETCH(int, currentBefore);
        QFETCH(int, expected);
        QFETCH(int, groupsLeft);
        CWindowRig rig;
        rig.AddGroup(QStringLiteral("G1"), {0});
        rig.AddGroup(QStringLiteral("G2"), {1, 2});
        rig.Load();
        rig.wnd->SelectGroupTab(currentBefore);
        // What the tab bar does before it tells: the tab goes, the index follows.
        if (close >= 1 && close < rig.Tabs().TabCount()) {
            rig.Tabs().m_tabNames.removeAt(close);
            if (rig.Tabs().m_current >= close)
                --rig.Tabs().m_current;
        }
        rig.wnd->OnTabClosed(close);
        QCOMPARE(rig.Current(), expected);
        QCOMPARE(rig.project.m_groups.size(), groupsLeft);
        QVERIFY(ItemsSound(rig));
    }

    void effectFallsBackToGeneral()
    {
        CWindowRig rig;
        rig.AddGroup(QStringLiteral("G1"), {0});
        rig.Load();
        rig.wnd->SelectGroupTab(1);
        CEffect effect(0);
        effect.m_beamFixtures = {rig.fixtures[2]};
        effect.m_beamIndex = {0};
        effect.m_beamSel = {true};
        rig.wnd->SelectEffectFixtures(&effect);
        QCOMPARE(rig.Current(), 0);
        QCOMPARE(rig.Tabs().m_current, 0);
        QCOMPARE(rig.Selection(), QStringLiteral("0010"));

        effect.m_beamFixtures = {rig.fixtures[0]};
        rig.wnd->SelectGroupTab(1);
        rig.wnd->SelectEffectFixtures(&effect);
        QCOMPARE(rig.Current(), 1);
    }

    void selectionListOrder()
    {
        CWindowRig rig(2);
        rig.fixtures[0]->m_id = 7;
        rig.fixtures[1]->m_id = 3;
        CFixtureMatrix* matrix = rig.AddMatrix(3, QPoint(20, 100));
        rig.Load();
        for (CPatchedFixture* fixture : {rig.fixtures[0], rig.fixtures[1], matrix->Member(2), matrix->Member(0)})
            fixture->BeamFlags()[0] = true;
        rig.View().RefreshSelectedFlags();
        rig.wnd->OnSelChanged();
        const CGroup* general = rig.project.m_generalGroup;
        QCOMPARE(Ids(general->m_selectedFixtures), QStringLiteral("3,7,%1,%2").arg(matrix->Member(0)->m_id).arg(
                                                       matrix->Member(2)->m_id));
        QCOMPARE(general->m_selectedMatrices, QList<CFixtureMatrix*>{matrix});
        QVERIFY(rig.Button(CFixturesWnd::RemoveButton)->isEnabled());
        rig.Select(QStringLiteral("00"));
        for (CPatchedFixture* member : matrix->Members())
            member->BeamFlags()[0] = false;
        rig.View().RefreshSelectedFlags();
        rig.wnd->OnSelChanged();
        QVERIFY(!rig.Button(CFixturesWnd::RemoveButton)->isEnabled());
        QVERIFY(!rig.Button(CFixturesWnd::DrawTypeButton)->isEnabled());
    }

    void subGroupButtons()
    {
        CWindowRig rig;
        rig.Load();
        rig.Select(QStringLiteral("0110"));
        rig.wnd->AddSubGroup();
        rig.Select(QStringLiteral("0000"));
        rig.wnd->AddSubGroup(); // nothing selected: refused
        QCOMPARE(rig.wnd->SubGroupButtons().size(), 1);

        QToolButton* button = rig.wnd->SubGroupButtons().at(0);
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(rig.Selection(), QStringLiteral("0110"));
        QCOMPARE(rig.wnd->CurrentSubGroup(), 0);
        QVERIFY(rig.Button(CFixturesWnd::SubGroupRemoveButton)->isEnabled());
        QTest::mouseRelease(button, Qt::LeftButton);
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(rig.Selection(), QStringLiteral("0000"));
        QTest::mouseRelease(button, Qt::LeftButton);

        rig.Select(QStringLiteral("1000"));
        for (int press = 0; press < 2; ++press) {
            QTest::mousePress(button, Qt::LeftButton);
            QTest::mouseRelease(button, Qt::LeftButton);
            QCOMPARE(rig.Selection(), QStringLiteral("1110"));
        }
    }

    void removingSubGroupRenumbers()
    {
        CWindowRig rig;
        rig.Load();
        for (const char* selection : {"1000", "0100", "0010", "0001"}) {
            rig.Select(QLatin1String(selection));
            rig.wnd->AddSubGroup();
        }
        QCOMPARE(ButtonTexts(rig.wnd->SubGroupButtons()), QStringList({"1", "2", "3", "4"}));
        rig.wnd->DelSubGroup(); // none chosen
        QCOMPARE(rig.wnd->SubGroupButtons().size(), 4);
        rig.wnd->SelectSubGroup(1);
        rig.wnd->DelSubGroup();
        QCOMPARE(ButtonTexts(rig.wnd->SubGroupButtons()), QStringList({"1", "2", "3"}));
        QCOMPARE(rig.project.m_generalGroup->m_subGroups.size(), 3);
        QCOMPARE(rig.wnd->CurrentSubGroup(), -1);
        QVERIFY(!rig.Button(CFixturesWnd::SubGroupRemoveButton)->isEnabled());
        // The buttons follow the group shown.
        rig.AddGroup(QStringLiteral("G1"), {0});
        rig.Load();
        rig.wnd->SelectGroupTab(1);
        QVERIFY(rig.wnd->SubGroupButtons().isEmpty());
        rig.wnd->SelectGroupTab(0);
        QCOMPARE(rig.wnd->SubGroupButtons().size(), 3);
    }

    void zoom_data()
    {
        QTest::addColumn<float>("start");
        QTest::addColumn<bool>("in");
        QTest::addColumn<float>("expected");
        QTest::addColumn<bool>("inEnabled");
        QTest::addColumn<bool>("outEnabled");
        QTest::newRow("in 0.1") << 0.1f << true << 0.25f << true << true;
        QTest::newRow("in 1.0") << 1.0f << true << 2.0f << true << true;
        QTest::newRow("in 1.5") << 1.5f << true << 3.0f << false << true;
        QTest::newRow("in 2.0") << 2.0f << true << 3.0f << false << true;
        QTest::newRow("in 3.0") << 3.0f << true << 3.0f << false << true;
        QTest::newRow("out 3.0") << 3.0f << false << 2.0f << true << true;
        QTest::newRow("out 0.5") << 0.5f << false << 0.25f << true << true;
        QTest::newRow("out 0.3") << 0.3f << false << 0.1f << true << false;
        QTest::newRow("out 0.25") << 0.25f << false << 0.1f << true << false;
        QTest::newRow("out 0.1") << 0.1f << false << 0.1f << true << false;
    }
    void zoom()
    {
        QFETCH(float, start);
        QFETCH(bool, in);
        QFETCH(float, expected);
        QFETCH(bool, inEnabled);
        QFETCH(bool, outEnabled);
        CWindowRig rig;
        rig.project.m_generalGroup->m_zoom = start;
        rig.Load();
        QTest::mousePress(rig.Button(in ? CFixturesWnd::ZoomInButton : CFixturesWnd::ZoomOutButton), Qt::LeftButton);
        QCOMPARE(rig.project.m_generalGroup->m_zoom, expected);
        QCOMPARE(rig.View().Zoom(), expected);
        QCOMPARE(rig.Button(CFixturesWnd::ZoomInButton)->isEnabled(), inEnabled);
        QCOMPARE(rig.Button(CFixturesWnd::ZoomOutButton)->isEnabled(), outEnabled);
    }

    void badRecordsAreHeld_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QRect>("layout");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<float>("heldZoom");
        QTest::addColumn<QRect>("heldLayout");
        QTest::addColumn<QRect>("heldCrop");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const QRect fine(0, 0, 800, 600);
        QTest::newRow("zoom nan") << nan << fine << QRect() << "zoom" << 0.1f << fine << QRect();
        QTest::newRow("zoom 7") << 7.0f << fine << QRect() << "zoom" << 3.0f << fine << QRect();
        QTest::newRow("huge layout") << 1.0f << QRect(0, 0, 2000000000, 600) << QRect() << "layout size" << 1.0f
                                     << QRect(0, 0, 10000, 600) << QRect();
        QTest::newRow("far crop") << 1.0f << fine << QRect(-5, 20, 100, 1900000000) << "crop" << 1.0f << fine
                                  << QRect(0, 20, 95, 9980);
    }
    void badRecordsAreHeld()
    {
        QFETCH(float, zoom);
        QFETCH(QRect, layout);
        QFETCH(QRect, crop);
        QFETCH(QString, warning);
        QFETCH(float, heldZoom);
        QFETCH(QRect, heldLayout);
        QFETCH(QRect, heldCrop);
        CWindowRig rig;
        CGroup* group = rig.AddGroup(QStringLiteral("G1"), {0});
        for (CGroup* g : {rig.project.m_generalGroup, group}) {
            g->m_zoom = zoom;
            g->m_layoutRect = layout;
            g->m_viewRect = crop;
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning + QStringLiteral(" out of range")));
        rig.Load();
        if (crop.isValid()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning + QStringLiteral(" out of range")));
            rig.wnd->SelectGroupTab(1);
        }
        const CGroup* shown = rig.project.m_currentGroup;
        QCOMPARE(shown->m_zoom, heldZoom);
        QCOMPARE(shown->m_layoutRect, heldLayout);
        QCOMPARE(shown->m_viewRect, heldCrop);
        QVERIFY(rig.View().width() <= 30000 && rig.View().height() <= 30000);
    }

    void drawType_data()
    {
        QTest::addColumn<QList<int>>("before"); // fixtures 0, 1 (selected, in this order) and the matrix
        QTest::addColumn<bool>("full");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("live");
        QTest::newRow("0 -> 1") << QList<int>{0, 2, 0} << false << 1 << false;
        QTest::newRow("1 -> 2") << QList<int>{1, 0, 3} << false << 2 << true;
        QTest::newRow("2 -> 0") << QList<int>{2, 1, 1} << false << 0 << false;
        QTest::newRow("3 -> 0") << QList<int>{3, 3, 3} << false << 0 << false;
        QTest::newRow("full") << QList<int>{0, 1, 0} << true << 3 << true;
    }
    void drawType()
    {
        QFETCH(QList<int>, before);
        QFETCH(bool, full);
        QFETCH(int, expected);
        QFETCH(bool, live);
        CWindowRig rig(3);
        CFixtureMatrix* matrix = rig.AddMatrix(2, QPoint(20, 100));
        rig.fixtures[0]->m_drawType = before[0];
        rig.fixtures[1]->m_drawType = before[1];
        matrix->SetDrawType(before[2]);
        rig.Load();
        rig.Select(QStringLiteral("110"));
        matrix->Member(0)->BeamFlags()[0] = true;
        rig.View().RefreshSelectedFlags();
        rig.wnd->OnSelChanged();
        if (full)
            rig.wnd->ToolAction(CFixturesWnd::DrawFullAction)->trigger();
        else
            QTest::mousePress(rig.Button(CFixturesWnd::DrawTypeButton), Qt::LeftButton);
        QCOMPARE(QList<int>({rig.fixtures[0]->m_drawType, rig.fixtures[1]->m_drawType, matrix->DrawType()}),
                 QList<int>({expected, expected, expected}));
        QCOMPARE(rig.fixtures[2]->m_drawType, 0);
        QCOMPARE(rig.wnd->IsLiveDrawing(), live);
        QVERIFY(rig.host.modified);
    }

    void linkedPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("selected");
        QTest::newRow("page 2 of 3") << 2 << 0 << 2;
        QTest::newRow("a page not in the list") << 7 << 0 << -1;
        QTest::newRow("no link") << -1 << 0 << -1;
        QTest::newRow("an editor is open") << 1 << 1 << -1;
    }
    void linkedPage()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        QFETCH(int, selected);
        CWindowRig rig;
        while (rig.project.m_pages.size() < 3)
            rig.project.AddPage(QStringLiteral("P"));
        CPage stray(rig.project, QStringLiteral("Gone"));
        rig.AddGroup(QStringLiteral("G1"), {0})->m_page =
            page < 0 ? nullptr : page < rig.project.m_pages.size() ? rig.project.m_pages[page] : &stray;
        rig.Load();
        rig.host.livePagesMode = mode;
        rig.host.calls.clear();
        rig.wnd->SelectGroupTab(1);
        const QStringList expected =
            selected >= 0 ? QStringList{QStringLiteral("SelectLivePage:%1").arg(selected)} : QStringList();
        QCOMPARE(rig.host.calls.filter(QStringLiteral("SelectLivePage")), expected);
    }
};

ORVANE_TEST(FixturesWndTest)
#include "FixturesWndTest.moc"
