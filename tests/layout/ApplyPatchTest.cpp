#include "MaskSlots.h"
#include "PatchMatrix.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "layout/view/FixtureItem.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchTab.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QAction>
#include <QtTest>

namespace {

// Opens the patch dialog on the rig, lets `edit` change its result lists,
// accepts it and lets the deferred deletion of the dialog run.
template <class Edit>
void ApplyPatch(CWindowRig& rig, Edit edit)
{
    rig.wnd->AddFixtures();
    CPatchTab* tab = rig.wnd->PatchDialog()->PatchPage();
    edit(*tab);
    rig.host.calls.clear();
    rig.wnd->PatchDialog()->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int CallCount(const CWindowRig& rig, const QString& call)
{
    return int(rig.host.calls.count(call));
}

// One edit of the first fixture's block, or a new matrix.
void EditFirst(CWindowRig& rig, CPatchTab& tab, const QString& edit)
{
    CPatchBlock* block = tab.m_blocks.at(0);
    if (edit == QLatin1String("move"))
        block->m_start = 100;
    if (edit == QLatin1String("pan") || edit == QLatin1String("tilt") || edit == QLatin1String("none")) {
        block->m_invertPan = edit == QLatin1String("pan");
        block->m_invertTilt = edit == QLatin1String("tilt");
    }
    if (edit == QLatin1String("id")) {
        block->m_id = 42;
        block->m_name = QStringLiteral("Par.42");
    }
    if (edit == QLatin1String("rgbmatrix"))
        AddNewMatrix(tab, rig.RgbProfile(), 2);
    if (edit == QLatin1String("headmatrix"))
        AddNewMatrix(tab, rig.MovingHeadProfile(), 2);
}

// Where the first fixture and what the patch left stand.
QString Readout(const CWindowRig& rig, const CScene& scene)
{
    const CPatchedFixture* first = rig.fixtures.at(0);
    const CFixtureMatrix* matrix = rig.host.effectsMatrix;
    return QStringLiteral("slots=%1 listed=%2 flag=%3 id=%4:%5 matrix=%6")
        .arg(MarkedSlots(*scene.ActiveMask(0)))
        .arg(rig.project.m_invertedFixtures.count(const_cast<CPatchedFixture*>(first)))
        .arg(int(rig.project.m_hasInvertedFixtures))
        .arg(first->m_id)
        .arg(first->m_name, matrix ? QString::number(matrix->Id()) : QStringLiteral("-"));
}

} // namespace

class ApplyPatchTest : public QObject
{
    Q_OBJECT
private slots:
    void apply_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("fixtures");
        QTest::addColumn<QString>("effects");
        QTest::addColumn<QString>("placed");
        QTest::addColumn<int>("applied");
        QTest::newRow("nothing changed") << "none" << 4 << "CreateEffectsForFixtures:0:0" << "" << 1;
        QTest::newRow("moved block") << "move" << 4 << "CreateEffectsForFixtures:0:0" << "" << 1;
        QTest::newRow("removed fixture") << "remove" << 3 << "CreateEffectsForFixtures:0:0" << "" << 1;
        QTest::newRow("new profile") << "profile" << 4 << "CreateEffectsForFixtures:0:0" << "" << 1;
        QTest::newRow("one new fixture") << "add1" << 5 << "CreateEffectsForFixtures:1:1" << "0:0" << 1;
        QTest::newRow("five new fixtures, rows of 2, 2, 1")
            << "add5" << 9 << "CreateEffectsForFixtures:1:1" << "0:0 1:0 0:1 1:1 0:2" << 1;
        // The removed fixture's only profile is patched again in the same edit.
        QTest::newRow("re-patched profile") << "repatch" << 4 << "CreateEffectsForFixtures:1:1" << "0:0" << 1;
        // A playing scene uses the removed fixture: nothing of the edit is applied.
        QTest::newRow("refused") << "refuse" << 4 << "" << "" << 0;
    }
    void apply()
    {
        QFETCH(QString, edit);
        QFETCH(int, fixtures);
        QFETCH(int, applied);
        CWindowRig rig;
        CGroup* group = rig.AddGroup(QStringLiteral("G"), {0, 1, 2});
        group->m_beamFlags = {{true}, {false}, {true, true, true, true}};
        group->m_subGroups << new CSubGroup;
        group->m_subGroups.at(0)->m_fixtures = group->m_fixtures;
        group->m_subGroups.at(0)->m_beamFlags = group->m_beamFlags;
        rig.Load();
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        rig.AddStep(scene, 0, 0, {{rig.fixtures.at(0), {10, 20, 30}}});
        CLibraryProfile* other = rig.CmyProfile();
        CLibraryProfile* rgb = rig.RgbProfile();
        if (edit == QLatin1String("refuse"))
            rig.Page()->m_playing << new CPlayingScene(rig.project, scene, false);
        const int added = edit == QLatin1String("add5") ? 5 : edit.startsWith(QLatin1String("add")) || edit == QLatin1String("repatch") ? 1 : 0;
        CLibraryProfile* firstProfile = rig.fixtures.at(0)->Profile();
        ApplyPatch(rig, [&](CPatchTab& tab) {
            if (edit == QLatin1String("move"))
                tab.m_blocks.at(0)->m_start = 100;
            if (edit == QLatin1String("profile"))
                tab.m_blocks.at(2)->m_profile = other;
            if (edit == QLatin1String("repatch")) {
                CPatchBlock* block = tab.m_blocks.takeAt(0);
                tab.m_removedFixtures << block->m_fixture;
                delete block;
                tab.m_blocks << new CPatchBlock(firstProfile, 2, 0, -1);
                return;
            }
            if (edit == QLatin1String("remove") || edit == QLatin1String("refuse")) {
                CPatchBlock* block = tab.m_blocks.takeAt(edit == QLatin1String("remove") ? 1 : 0);
                tab.m_removedFixtures << block->m_fixture;
                delete block;
            }
            for (int i = 0; i < (edit == QLatin1String("refuse") ? 1 : added); ++i)
                tab.m_blocks << new CPatchBlock(rgb, 2, 3 * i, -1);
        });
        QVERIFY(!rig.wnd->PatchDialog());
        QCOMPARE(rig.project.m_generalGroup->m_fixtures.size(), fixtures);
        QCOMPARE(rig.View().FixtureItems().size(), fixtures);
        QTEST(rig.host.calls.filter(QStringLiteral("CreateEffectsForFixtures")).value(0), "effects");
        QCOMPARE(CallCount(rig, QStringLiteral("ResetPortRefresh")), applied);
        QCOMPARE(CallCount(rig, QStringLiteral("FixturesChanged")), applied);
        // The moved fixture takes its stored levels along.
        if (edit == QLatin1String("repatch")) {
            QVERIFY(rig.project.m_library.contains(firstProfile));
            QCOMPARE(rig.project.m_generalGroup->m_fixtures.last()->Profile(), firstProfile);
        } else {
            CPatchedFixture* first = rig.fixtures.at(0);
            QCOMPARE(first->m_address, edit == QLatin1String("move") ? 100 : 0);
            QVERIFY(scene->m_steps.at(0)->FindEntry(first));
        }
        if (edit == QLatin1String("profile")) {
            QCOMPARE(rig.fixtures.at(2)->Profile(), other);
            const int beams = other->BeamCount();
            QCOMPARE(rig.fixtures.at(2)->BeamFlags().size(), beams);
            QCOMPARE(group->m_beamFlags.at(2).size(), beams);
            QCOMPARE(group->m_subGroups.at(0)->m_beamFlags.at(2).size(), beams);
        }
        // New fixtures are laid out in rows from the first one's corner, and selected.
        QStringList placed;
        const QList<CPatchedFixture*> all = rig.project.m_generalGroup->m_fixtures;
        const QList<CPatchedFixture*> created = all.mid(all.size() - added);
        for (CPatchedFixture* fixture : created) {
            const QRect r = fixture->LayoutItem()->ItemRect();
            const QRect origin = created.at(0)->LayoutItem()->ItemRect();
            placed << QStringLiteral("%1:%2").arg((r.left() - origin.left()) / r.width()).arg((r.top() - origin.top()) / r.height());
            QVERIFY(fixture->BeamFlags().at(0));
        }
        QTEST(placed.join(QLatin1Char(' ')), "placed");
        QVERIFY(rig.View().SceneRect().width() >= 600);
    }

    // Patch runs separated by "|"; the first fixture starts at address 0
    // with ID 1 and name F1, and a scene holds its channel 1.
    void runsOnTheFirstFixture_data()
    {
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("readout");
        QTest::newRow("scenes follow a moved fixture") << "move" << "slots=101 listed=0 flag=0 id=1:F1 matrix=-";
        QTest::newRow("inverted") << "pan" << "slots=1 listed=1 flag=1 id=1:F1 matrix=-";
        QTest::newRow("pan to tilt: still listed once") << "pan|tilt" << "slots=1 listed=1 flag=1 id=1:F1 matrix=-";
        QTest::newRow("un-inverted") << "pan|none" << "slots=1 listed=0 flag=0 id=1:F1 matrix=-";
        QTest::newRow("inverted again: listed once") << "pan|none|tilt"
                                                     << "slots=1 listed=1 flag=1 id=1:F1 matrix=-";
        QTest::newRow("ID and name edited") << "id" << "slots=1 listed=0 flag=0 id=42:Par.42 matrix=-";
        QTest::newRow("new colour matrix offered") << "rgbmatrix" << "slots=1 listed=0 flag=0 id=1:F1 matrix=5";
        QTest::newRow("matrix without colour: none") << "headmatrix"
                                                     << "slots=1 listed=0 flag=0 id=1:F1 matrix=-";
    }
    void runsOnTheFirstFixture()
    {
        QFETCH(QString, runs);
        CWindowRig rig;
        rig.Load();
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        scene->ActiveMask(0)->Set(1);
        for (const QString& run : runs.split(QLatin1Char('|')))
            ApplyPatch(rig, [&](CPatchTab& tab) { EditFirst(rig, tab, run); });
        QTEST(Readout(rig, *scene), "readout");
    }

    void addedProfilesLeaveTheList_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("ok") << true;
        QTest::newRow("cancel") << false;
    }
    void addedProfilesLeaveTheList()
    {
        QFETCH(bool, accept);
        CWindowRig rig;
        rig.Load();
        rig.wnd->AddFixtures();
        CAddFixturesDlg* first = rig.wnd->PatchDialog();
        rig.wnd->AddFixtures();
        QCOMPARE(rig.wnd->PatchDialog(), first); // a second Add raises the open one
        QVERIFY(!rig.wnd->ToolAction(CFixturesWnd::RemoveAction)->isEnabled());
        rig.project.m_addedProfiles << rig.RgbProfile();
        if (accept)
            first->accept();
        else
            first->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.project.m_addedProfiles.isEmpty());
        QVERIFY(!rig.wnd->PatchDialog());
    }

    // The item of a matrix that keeps members is drawn with one of them;
    // one that keeps none goes with its matrix.
    void removingMatrixMembers_data()
    {
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<int>("left");
        QTest::newRow("every member") << QList<int>{0, 1, 2} << 0;
        QTest::newRow("the first member") << QList<int>{0} << 2;
        QTest::newRow("the first two") << QList<int>{0, 1} << 1;
        QTest::newRow("the last member") << QList<int>{2} << 2;
    }
    void removingMatrixMembers()
    {
        QFETCH(QList<int>, removed);
        QFETCH(int, left);
        CWindowRig rig(2);
        CFixtureMatrix* matrix = rig.AddMatrix(3, QPoint(300, 20));
        const QList<CPatchedFixture*> members = matrix->Members();
        rig.Load();
        ApplyPatch(rig, [&](CPatchTab& tab) {
            if (left == 0)
                tab.m_removedMatrices << matrix;
            for (int m : removed) {
                tab.m_removedFixtures << members.at(m);
                for (int i = tab.m_blocks.size() - 1; i >= 0; --i) {
                    CPatchBlock* block = tab.m_blocks.at(i);
                    if (block->m_fixture != members.at(m))
                        continue;
                    for (CPatchMatrixBlock* matrixBlock : qAsConst(tab.m_matrixBlocks))
                        matrixBlock->m_members.removeAll(block);
                    delete tab.m_blocks.takeAt(i);
                }
            }
        });
        QCOMPARE(rig.project.m_generalGroup->m_matrices.size(), left ? 1 : 0);
        QCOMPARE(rig.View().MatrixItems().size(), left ? 1 : 0);
        if (left) {
            QCOMPARE(matrix->MemberCount(), left);
            QCOMPARE(rig.View().MatrixItems().at(0)->Fixture(), matrix->Member(0));
        }
        QCOMPARE(rig.project.m_generalGroup->m_fixtures.size(), 2 + left);
        rig.View().grab();
        rig.wnd->SelectAll(); // walks the items left
        QCOMPARE(rig.View().FixtureItems().size(), 2);
        rig.Load();
        QCOMPARE(rig.View().MatrixItems().size(), left ? 1 : 0);
    }

    void reprofiledMatrixKeepsColumnsAndRows()
    {
        CWindowRig rig(2);
        CFixtureMatrix* matrix = rig.AddMatrix(3, QPoint(300, 20));
        rig.Load();
        auto* wide = new CLibraryProfile;
        ProfileBuilder::SetBeams(*wide, {{0, 0}, {1, 0}});
        ProfileBuilder::AddDimmer(*wide);
        wide->UpdateRoles();
        rig.project.m_library << wide;
        ApplyPatch(rig, [&](CPatchTab& tab) { tab.m_matrixBlocks.first()->m_profile = wide; });
        QCOMPARE(matrix->MemberCells(), (QList<QRect>{{0, 0, 40, 20}, {40, 0, 40, 20}, {80, 0, 40, 20}}));
        QCOMPARE(rig.View().MatrixItems().first()->m_rect.size(), QSize(120, 20));
    }

    void deleteKey_data()
    {
        QTest::addColumn<bool>("general");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("inProject");
        QTest::addColumn<int>("inGroup");
        QTest::newRow("general, yes") << true << int(CShowHost::Yes) << 2 << 2;
        QTest::newRow("general, no") << true << int(CShowHost::No) << 4 << 4;
        QTest::newRow("other group keeps the fixtures") << false << int(CShowHost::Yes) << 4 << 1;
    }
    void deleteKey()
    {
        QFETCH(bool, general);
        QFETCH(int, answer);
        CWindowRig rig;
        CGroup* group = rig.AddGroup(QStringLiteral("G"), {0, 1, 2});
        rig.Load();
        if (!general)
            rig.wnd->SwitchGroup(1);
        rig.host.answer = answer;
        rig.Select(QStringLiteral("0110"));
        rig.wnd->DelFixtures();
        QTEST(int(rig.project.m_generalGroup->m_fixtures.size()), "inProject");
        QTEST(int((general ? rig.project.m_generalGroup : group)->m_fixtures.size()), general ? "inProject" : "inGroup");
        QCOMPARE(rig.View().FixtureItems().size(), general ? rig.project.m_generalGroup->m_fixtures.size()
                                                           : group->m_fixtures.size());
    }
};

ORVANE_TEST(ApplyPatchTest)
#include "ApplyPatchTest.moc"
