#include "TestRegistry.h"

#include "DataTable.h"
#include "FileBytes.h"
#include "PlaybackRig.h"
#include "ShowEdits.h"
#include "ShowReferences.h"
#include "model/FixtureMatrix.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A show of plain fixtures at known layout places and one matrix of three
// members, all in the general group.
struct GroupRig
{
    GroupRig()
    {
        profile = rig.RgbProfile();
        for (int i = 0; i < 2; ++i) {
            CPatchedFixture* fixture = rig.Patch(profile, 0, 1 + 3 * i);
            fixture->AddPosition(100 * (i + 1), 10);
            plain << fixture;
        }
        matrix = new CFixtureMatrix(profile, 7, 3, 1, 0);
        matrix->AddPosition(300, 300);
        General()->m_matrices << matrix;
        for (int i = 0; i < 3; ++i) {
            CPatchedFixture* member = rig.Patch(profile, 1, 1 + 3 * i);
            member->m_matrixId = 7;
            member->AddPosition(20 * i, 0); // its cell: the one place a member has
            matrix->AddMember(member, QRect(20 * i, 0, 20, 20));
            members << member;
        }
    }

    CProject& Project() { return rig.project; }
    CGroup* General() { return rig.project.m_generalGroup; }
    CGroup* Group(int n) { return rig.project.m_groups[n]; }
    void Select(CGroup* group, QList<CPatchedFixture*> fixtures, QList<CFixtureMatrix*> matrices = {})
    {
        group->m_selectedFixtures = fixtures;
        group->m_selectedMatrices = matrices;
    }

    CPlaybackRig rig;
    CLibraryProfile* profile = nullptr;
    QList<CPatchedFixture*> plain;
    QList<CPatchedFixture*> members;
    CFixtureMatrix* matrix = nullptr;
};

class CFakeItem final : public CLayoutItem
{
public:
    explicit CFakeItem(const QRect& rect) : m_rect(rect) {}
    QRect ItemRect() const override { return m_rect; }
    QRect m_rect;
};

QList<QPoint> Positions(const CPatchedFixture* fixture)
{
    QList<QPoint> points;
    for (int i = 0; i < fixture->PositionCount(); ++i)
        points << fixture->Position(i);
    return points;
}

QList<QPoint> Positions(const CFixtureMatrix* matrix)
{
    QList<QPoint> points;
    for (int i = 0; i < matrix->PositionCount(); ++i)
        points << matrix->Position(i);
    return points;
}

} // namespace

class GroupTest : public QObject
{
    Q_OBJECT

private slots:
    // --- Adding groups

    void firstNewGroupTakesF2AndGivesEveryItemAPlace()
    {
        GroupRig r;
        r.Select(r.General(), {r.plain[1]});
        CGroup* group = r.Project().AddGroup(QStringLiteral("New"));
        QCOMPARE(r.Project().m_groups.size(), 2);
        QCOMPARE(r.Project().m_groups[1], group);
        QCOMPARE(r.Project().m_currentGroup, group);
        QCOMPARE(group->m_triggers.m_shortCut.m_keyName, QStringLiteral("F2"));
        QCOMPARE(group->m_fixtures, QList<CPatchedFixture*>({r.plain[1]}));
        QCOMPARE(group->m_beamFlags.size(), 1);
        QCOMPARE(group->m_selectedFixtures, QList<CPatchedFixture*>({r.plain[1]}));
        // Every plain fixture and the matrix have a place in the new layout:
        // the general layout's.
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(100, 10), QPoint(100, 10)}));
        QCOMPARE(Positions(r.plain[1]), QList<QPoint>({QPoint(200, 10), QPoint(200, 10)}));
        QCOMPARE(Positions(r.matrix), QList<QPoint>({QPoint(300, 300), QPoint(300, 300)}));
        // A matrix member keeps its one cell place whatever the group count.
        for (CPatchedFixture* member : r.members)
            QCOMPARE(member->PositionCount(), 1);
    }

    void newGroupTakesItsPlacesFromTheCurrentGroup()
    {
        GroupRig r;
        r.Select(r.General(), {r.plain[0]});
        r.Project().AddGroup(QStringLiteral("A"));
        r.plain[0]->SetPosition(1, QPoint(5, 6)); // moved in group 1
        r.Select(r.Group(1), {r.plain[0]});
        CGroup* b = r.Project().AddGroup(QStringLiteral("B"));
        QCOMPARE(b->m_triggers.m_shortCut.m_keyName, QStringLiteral("F3"));
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(100, 10), QPoint(5, 6), QPoint(5, 6)}));
        QCOMPARE(Positions(r.plain[1]), QList<QPoint>({QPoint(200, 10), QPoint(200, 10), QPoint(200, 10)}));
    }

    void functionKeysWrapAndAreNeverShared()
    {
        GroupRig r;
        for (int i = 1; i <= 12; ++i)
            r.Project().AddGroup(QStringLiteral("G%1").arg(i));
        QCOMPARE(r.Group(11)->m_triggers.m_shortCut.m_keyName, QStringLiteral("F12"));
        // The thirteenth group would take F1, which the general group holds.
        QVERIFY(r.Group(12)->m_triggers.m_shortCut.m_keyName.isEmpty());

        // After a removal the next index's key may still be in use.
        GroupRig s;
        s.Project().AddGroup(QStringLiteral("A")); // F2
        s.Project().AddGroup(QStringLiteral("B")); // F3
        s.Project().RemoveGroup(1);
        CGroup* c = s.Project().AddGroup(QStringLiteral("C")); // index 2: F3 is B's
        QVERIFY(c->m_triggers.m_shortCut.m_keyName.isEmpty());
    }

    void oneSelectedMatrixMemberBringsTheWholeMatrix()
    {
        GroupRig r;
        r.Select(r.General(), {r.members[1], r.plain[0]}, {r.matrix});
        CGroup* group = r.Project().AddGroup(QStringLiteral("New"));
        // In patch order, as the show opens again.
        QCOMPARE(group->m_fixtures,
                 QList<CPatchedFixture*>({r.plain[0], r.members[0], r.members[1], r.members[2]}));
        QCOMPARE(group->m_beamFlags.size(), 4);
        QCOMPARE(group->m_matrices, QList<CFixtureMatrix*>({r.matrix}));
        QCOMPARE(group->m_selectedFixtures, QList<CPatchedFixture*>({r.members[1], r.plain[0]}));
        QCOMPARE(group->m_selectedMatrices, QList<CFixtureMatrix*>({r.matrix}));
        for (CPatchedFixture* member : r.members)
            QCOMPARE(member->PositionCount(), 1);
    }

    void memberSelectedWithoutItsMatrixStillBringsIt()
    {
        GroupRig r;
        r.Select(r.General(), {r.members[2]});
        CGroup* group = r.Project().AddGroup(QStringLiteral("New"));
        QCOMPARE(group->m_fixtures, QList<CPatchedFixture*>({r.members[0], r.members[1], r.members[2]}));
        // The layout of the new group can only place members through the matrix.
        QCOMPARE(group->m_matrices, QList<CFixtureMatrix*>({r.matrix}));
        QCOMPARE(Positions(r.matrix), QList<QPoint>({QPoint(300, 300), QPoint(300, 300)}));
    }

    void memberOfAMatrixTheCurrentGroupLacksComesAlone()
    {
        GroupRig r;
        r.Select(r.General(), {r.members[0]});
        r.Project().AddGroup(QStringLiteral("Members only"));
        CGroup* first = r.Group(1);
        // Group 1 holds the members but not the matrix.
        first->m_matrices.clear();
        first->m_selectedMatrices.clear();
        r.Select(first, {r.members[1]});
        CGroup* group = r.Project().AddGroup(QStringLiteral("New"));
        QCOMPARE(group->m_fixtures, QList<CPatchedFixture*>({r.members[1]}));
        QVERIFY(group->m_matrices.isEmpty());
        QCOMPARE(Positions(r.members[1]), QList<QPoint>({QPoint(20, 0)}));
    }

    // --- Adding to a group

    void addingTheSelectionToAGroupAddsOnlyNewMembers()
    {
        GroupRig r;
        r.Select(r.General(), {r.plain[0]});
        r.Project().AddGroup(QStringLiteral("A"));
        r.Project().m_currentGroup = r.General();
        r.plain[1]->SetPosition(0, QPoint(42, 43));
        r.Select(r.General(), {r.plain[0], r.plain[1], r.members[0]}, {r.matrix});

        const QList<QPoint> memberBefore = Positions(r.members[0]);
        r.Project().AddSelectionToGroup(1);
        CGroup* group = r.Group(1);
        QCOMPARE(r.Project().m_currentGroup, group);
        QCOMPARE(group->m_fixtures, QList<CPatchedFixture*>({r.plain[0], r.plain[1], r.members[0]}));
        QCOMPARE(group->m_beamFlags.size(), 3);
        // The fixture already there stays unselected.
        QCOMPARE(group->m_selectedFixtures, QList<CPatchedFixture*>({r.plain[1], r.members[0]}));
        QCOMPARE(group->m_selectedMatrices, QList<CFixtureMatrix*>({r.matrix}));
        QCOMPARE(r.plain[1]->Position(1), QPoint(42, 43));
        QCOMPARE(Positions(r.members[0]), memberBefore);
    }

    // Whatever order the selection has, the group holds its members in
    // patch order, as the open gives them: the show saves, opens and saves
    // alike, and the members keep their order.
    void aGroupOfAnySelectionOpensAsItWasMade_data()
    {
        Columns<bool>("added");
        QTest::newRow("a new group") << false;
        QTest::newRow("added to a group") << true;
    }
    void aGroupOfAnySelectionOpensAsItWasMade()
    {
        const auto [added] = Row<bool>("added");
        GroupRig r;
        r.Select(r.General(), {r.plain[1]});
        r.Project().AddGroup(QStringLiteral("A"));
        r.Project().m_currentGroup = r.General();
        r.Select(r.General(), {r.members[2], r.plain[0], r.members[0], r.plain[0]});
        if (added)
            r.Project().AddSelectionToGroup(1);
        else
            r.Project().AddGroup(QStringLiteral("B"));
        const auto ids = [](const CGroup* group) {
            QList<int> list;
            for (const CPatchedFixture* fixture : group->m_fixtures)
                list << fixture->m_id;
            return list;
        };
        const QList<int> made = ids(r.Project().m_groups.last());
        // A new group takes a selected member's whole matrix.
        QCOMPARE(made, QList<int>({r.plain[0]->m_id, added ? r.plain[1]->m_id : r.members[0]->m_id,
                                   added ? r.members[0]->m_id : r.members[1]->m_id, r.members[2]->m_id}));

        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("a.kv3"));
        const QString second = dir.filePath(QStringLiteral("b.kv3"));
        CPlaybackRig opened;
        QVERIFY(r.Project().SaveProject(first) && opened.project.OpenProject(first));
        QVERIFY(opened.project.SaveProject(second));
        QCOMPARE(ReadBytes(second), ReadBytes(first));
        QCOMPARE(ids(opened.project.m_groups.last()), made);
    }

    void addingToAMissingGroupOrTheGeneralGroupDoesNothing()
    {
        GroupRig r;
        r.Select(r.General(), {r.plain[0]});
        for (int n : {0, 1, -1}) {
            r.Project().AddSelectionToGroup(n);
            QCOMPARE(r.Project().m_currentGroup, r.General());
            QCOMPARE(r.General()->m_selectedFixtures, QList<CPatchedFixture*>({r.plain[0]}));
        }
    }

    // --- Removing groups

    void removingAGroupKeepsEveryOtherPosition()
    {
        GroupRig r;
        r.Project().AddGroup(QStringLiteral("A"));
        r.Project().AddGroup(QStringLiteral("B"));
        r.plain[0]->SetPosition(1, QPoint(11, 11));
        r.plain[0]->SetPosition(2, QPoint(22, 22));
        r.matrix->SetPosition(1, QPoint(31, 31));
        r.matrix->SetPosition(2, QPoint(32, 32));
        CGroup* b = r.Group(2);
        r.Project().m_currentGroup = r.Group(1);

        r.Project().RemoveGroup(1);
        QCOMPARE(r.Project().m_groups.size(), 2);
        QCOMPARE(r.Group(1), b);
        QCOMPARE(r.Project().m_currentGroup, r.General());
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(100, 10), QPoint(22, 22)}));
        QCOMPARE(Positions(r.matrix), QList<QPoint>({QPoint(300, 300), QPoint(32, 32)}));
        QCOMPARE(Positions(r.members[0]), QList<QPoint>({QPoint(0, 0)}));
        QCOMPARE(Positions(r.members[1]), QList<QPoint>({QPoint(20, 0)}));

        // The general group and missing indexes stay.
        r.Project().RemoveGroup(0);
        r.Project().RemoveGroup(2);
        QCOMPARE(r.Project().m_groups.size(), 2);
        QCOMPARE(r.plain[0]->PositionCount(), 2);
    }

    // --- Members

    void removingAFixtureCleansItsMatrixSelectionAndSubGroups()
    {
        GroupRig r;
        CGroup* general = r.General();
        // A selection that names a fixture twice stores it twice.
        r.Select(general, {r.members[0], r.plain[0], r.plain[0]}, {r.matrix});
        QVERIFY(general->AddSubGroup());
        general->RemoveFixture(r.plain[0], true, false);
        QCOMPARE(general->m_fixtures.size(), 4);
        QCOMPARE(general->m_beamFlags.size(), 4);
        QCOMPARE(general->m_selectedFixtures, QList<CPatchedFixture*>({r.members[0]}));
        QCOMPARE(general->m_subGroups[0]->m_fixtures, QList<CPatchedFixture*>({r.members[0]}));
        QCOMPARE(general->m_subGroups[0]->m_beamFlags.size(), 1);

        // A matrix left without members goes, out of the selection too.
        general->RemoveFixture(r.members[0], true, false);
        general->RemoveFixture(r.members[1], true, false);
        QCOMPARE(r.matrix->MemberCount(), 1);
        general->RemoveFixture(r.members[2], true, false);
        QVERIFY(general->m_matrices.isEmpty());
        QVERIFY(general->m_selectedMatrices.isEmpty());
        QVERIFY(!general->IsMatrixSelection());
        delete r.plain[0];
        qDeleteAll(r.members);
    }

    // A group may hold a matrix without its members; selecting the matrix
    // there selects them all the same. A member deleted from the show is
    // named by no selection and no stored one.
    void deletedMemberLeavesSelectionsMadeThroughAMatrix_data()
    {
        Columns<bool>("addedToGroup");
        QTest::newRow("new group of the matrix alone") << false;
        QTest::newRow("matrix added to a group") << true;
    }
    void deletedMemberLeavesSelectionsMadeThroughAMatrix()
    {
        const auto [addedToGroup] = Row<bool>("addedToGroup");
        GroupRig r;
        if (addedToGroup) {
            r.Select(r.General(), {r.plain[0]});
            r.Project().AddGroup(QStringLiteral("A"));
            r.Project().m_currentGroup = r.General();
        }
        r.Select(r.General(), {}, {r.matrix}); // no cell lit
        if (addedToGroup)
            r.Project().AddSelectionToGroup(1);
        else
            r.Project().AddGroup(QStringLiteral("Grid"));
        CGroup* group = r.Project().m_currentGroup;
        QCOMPARE(group->m_matrices, QList<CFixtureMatrix*>({r.matrix}));
        QVERIFY(!group->m_fixtures.contains(r.members[0]));
        for (CPatchedFixture* member : r.members.mid(0, 2))
            member->BeamFlags() = {true};
        ShowEdits::SelectThroughMatrix(r.Project(), r.matrix);
        QVERIFY(group->AddSubGroup());
        r.Project().SelectionChanged();

        r.Project().RemoveFixtures({r.members[0]}, true);
        QCOMPARE(group->m_selectedFixtures, QList<CPatchedFixture*>({r.members[1]}));
        QCOMPARE(group->m_subGroups[0]->m_fixtures, QList<CPatchedFixture*>({r.members[1]}));
        QCOMPARE(r.Project().m_selectionCaps.m_profiles, QList<CLibraryProfile*>({r.profile}));
        QCOMPARE(StaleReferences(r.Project()), QStringList());
    }

    void removingAMatrixDropsItFromTheSelection()
    {
        GroupRig r;
        r.Select(r.General(), {r.members[0]}, {r.matrix});
        r.General()->RemoveMatrix(r.matrix, false);
        QVERIFY(r.General()->m_matrices.isEmpty());
        QVERIFY(r.General()->m_selectedMatrices.isEmpty());
        delete r.matrix;
    }

    void matrixSelection()
    {
        GroupRig r;
        CGroup* g = r.General();
        r.Select(g, {r.plain[0]});
        QVERIFY(!g->IsMatrixSelection());
        r.Select(g, {r.members[0], r.members[2]}, {r.matrix});
        QVERIFY(g->IsMatrixSelection());
        QVERIFY(g->AllSelectedHaveIds());
        r.Select(g, {}, {r.matrix});
        QVERIFY(g->IsMatrixSelection());
        r.Select(g, {r.members[0], r.plain[1]}, {r.matrix});
        QVERIFY(!g->IsMatrixSelection());
        r.Select(g, {r.members[0]});
        QVERIFY(!g->IsMatrixSelection());
    }

    void findFixtureAtCoversTheFixturesChannels()
    {
        GroupRig r;
        // Plain fixtures at 1..3 and 4..6 of universe 0.
        QCOMPARE(r.General()->FindFixtureAt(0, 0), nullptr);
        QCOMPARE(r.General()->FindFixtureAt(0, 1), r.plain[0]);
        QCOMPARE(r.General()->FindFixtureAt(0, 3), r.plain[0]);
        QCOMPARE(r.General()->FindFixtureAt(0, 4), r.plain[1]);
        QCOMPARE(r.General()->FindFixtureAt(0, 7), nullptr);
        QCOMPARE(r.General()->FindFixtureAt(1, 4), r.members[1]);
        QCOMPARE(r.General()->FindMatrix(7), r.matrix);
        QCOMPARE(r.General()->FindMatrix(8), nullptr);
    }

    // --- Sub-groups

    void subGroupsStoreAndRecallTheSelection()
    {
        GroupRig r;
        CGroup* g = r.General();
        QVERIFY(!g->AddSubGroup());
        QVERIFY(!g->IsSelection({}, {}));

        r.Select(g, {r.plain[0]});
        QVERIFY(g->IsSelection({}, {}));
        QVERIFY(g->AddSubGroup());
        CSubGroup* stored = g->m_subGroups.last();
        QCOMPARE(stored->m_fixtures, QList<CPatchedFixture*>({r.plain[0]}));
        QVERIFY(g->IsSelection(stored->m_fixtures, stored->m_beamFlags));
        QVERIFY(!g->IsSelection({r.plain[1]}, {{}}));

        // Stored flags longer than the fixture's compare over the common length.
        r.plain[0]->BeamFlags() = {true};
        QVERIFY(g->IsSelection({r.plain[0]}, {{true, false, true}}));
        QVERIFY(!g->IsSelection({r.plain[0]}, {{false, true}}));

        QVERIFY(!g->RemoveSubGroup(1));
        QVERIFY(!g->RemoveSubGroup(-1));
        QVERIFY(g->RemoveSubGroup(0));
        QVERIFY(g->m_subGroups.isEmpty());
    }

    // --- Presets panel layout

    void presetConfigurationsPerProfile()
    {
        CGroup group(QStringLiteral("G"));
        CPresetConfig* a = group.GetPresetConfig(nullptr, 3, 1);
        QCOMPARE(group.m_presetProfiles, QList<CLibraryProfile*>({nullptr}));
        QCOMPARE(a->m_channel, 3);
        QCOMPARE(a->m_channelIndexType, 1);
        for (int value : {a->m_x, a->m_y, a->m_displayType, a->m_displaySize, a->m_presetDisplayType})
            QCOMPARE(value, -1);
        QCOMPARE(group.GetPresetConfig(nullptr, 3, 1), a);
        QVERIFY(group.GetPresetConfig(nullptr, 3, 2) != a);

        CLibraryProfile profile;
        CPresetConfig* b = group.GetPresetConfig(&profile, 3, 1);
        QVERIFY(b != a);
        QCOMPARE(group.m_presetProfiles, QList<CLibraryProfile*>({nullptr, &profile}));
        QCOMPARE(group.GetPresetConfig(&profile, 3, 1), b);

        group.RemoveProfileConfigs(nullptr);
        group.RemoveProfileConfigs(&profile);
        QCOMPARE(group.m_presetProfiles, QList<CLibraryProfile*>({nullptr}));
        QCOMPARE(group.m_presetConfigs.size(), 1);
        QCOMPARE(group.m_presetConfigs[0].size(), 2);
    }

    // --- View state

    void savingTheViewStoresPlacesOfPlainFixturesAndMatrices()
    {
        GroupRig r;
        r.Project().AddGroup(QStringLiteral("A"));
        CGroup* general = r.General();
        CFakeItem plainItem(QRect(70, 80, 10, 10));
        CFakeItem matrixItem(QRect(90, 95, 60, 20));
        CFakeItem memberItem(QRect(1, 2, 3, 4));
        r.plain[0]->SetLayoutItem(&plainItem);
        r.matrix->SetLayoutItem(&matrixItem);
        r.members[0]->SetLayoutItem(&memberItem);
        r.plain[0]->BeamFlags() = {true};

        // No group index: scroll and rectangle only.
        general->SaveViewState(-1, 5, 6, QRect(1, 1, 50, 50));
        QCOMPARE(general->m_scrollX, 5);
        QCOMPARE(general->m_scrollY, 6);
        QCOMPARE(general->m_viewRect, QRect(1, 1, 50, 50));
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(100, 10), QPoint(100, 10)}));
        QCOMPARE(Positions(r.matrix), QList<QPoint>({QPoint(300, 300), QPoint(300, 300)}));

        const QList<QPoint> unshown = Positions(r.plain[1]);
        general->SaveViewState(1, 0, 0, QRect());
        QCOMPARE(Positions(r.plain[1]), unshown); // no item: keeps its place
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(100, 10), QPoint(70, 80)}));
        QCOMPARE(Positions(r.matrix), QList<QPoint>({QPoint(300, 300), QPoint(90, 95)}));
        QCOMPARE(Positions(r.members[0]), QList<QPoint>({QPoint(0, 0)}));
        QCOMPARE(general->m_beamFlags[general->IndexOfFixture(r.plain[0])], QList<bool>({true}));

        // A group drawn on the general layout stores there.
        general->m_commonPositions = true;
        plainItem.m_rect.moveTo(7, 8);
        general->SaveViewState(1, 0, 0, QRect());
        QCOMPARE(Positions(r.plain[0]), QList<QPoint>({QPoint(7, 8), QPoint(70, 80)}));
        r.plain[0]->SetLayoutItem(nullptr);
        r.matrix->SetLayoutItem(nullptr);
        r.members[0]->SetLayoutItem(nullptr);
    }

    // Pages One, Two and Three, and a group linked to Three: the link
    // follows its page through the edits of the page list, and through
    // saving and opening; it goes when its page closes.
    void linkedPageFollowsItsPage_data()
    {
        Columns<QString, QString>("edits", "linked");
        QTest::newRow("Two closes") << "close Two" << "Three";
        QTest::newRow("a page is added") << "add" << "Three";
        QTest::newRow("Three closes") << "close Three" << "";
        QTest::newRow("Three moves before Two") << "move" << "Three";
        QTest::newRow("saved and opened") << "save" << "Three";
        QTest::newRow("Two closes, then saved and opened") << "close Two,save" << "Three";
        QTest::newRow("moved, added, saved and opened") << "move,add,save" << "Three";
        QTest::newRow("Three closes, then saved and opened") << "close Three,save" << "";
    }
    void linkedPageFollowsItsPage()
    {
        const auto [edits, linked] = Row<QString, QString>("edits", "linked");
        GroupRig show;
        CProject& project = show.Project();
        project.m_firstPage->m_name = QStringLiteral("One");
        project.AddPage(QStringLiteral("Two"));
        CPage* three = project.AddPage(QStringLiteral("Three"));
        show.Select(show.General(), {show.plain.first()});
        CGroup* group = project.AddGroup(QStringLiteral("G"));
        group->m_page = three;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("show.kv3"));
        for (const QString& edit : edits.split(QLatin1Char(','))) {
            if (edit.startsWith(QLatin1String("close ")))
                QVERIFY(project.RemovePage(edit.endsWith(QLatin1String("Two")) ? 1 : 2));
            else if (edit == QLatin1String("add"))
                project.AddPage(QStringLiteral("Four"));
            else if (edit == QLatin1String("move"))
                project.m_pages.move(2, 1);
            else
                QVERIFY(project.SaveProject(path) && project.OpenProject(path));
        }
        group = project.m_groups.value(1);
        QVERIFY(group);
        QVERIFY(!group->m_page || project.m_pages.contains(group->m_page));
        QCOMPARE(group->m_page ? group->m_page->m_name : QString(), linked);
    }
};

ORVANE_TEST(GroupTest)
#include "GroupTest.moc"
