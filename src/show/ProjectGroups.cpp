#include "show/Project.h"

#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/ShowBounds.h"

#include <QSet>

namespace {

// Groups take the function keys in turn; the general group has F1.
constexpr int kGroupKeyCount = 12;

QString GroupKeyName(int groupIndex)
{
    return QStringLiteral("F%1").arg(groupIndex % kGroupKeyCount + 1);
}

// Gives the item a position at `slot`, appending copies of its position 0
// where it has fewer (a file may have left it short).
template <typename Item>
void PlaceAt(Item* item, int slot, const QPoint& point)
{
    item->AddPositions(item->Position(0), slot + 1 - item->PositionCount());
    item->SetPosition(slot, point);
}

} // namespace

CGroup* CProject::AddGroup(const QString& name)
{
    if (!m_generalGroup || !CShowBounds::AskRoom(*this, CShowBounds::Groups))
        return nullptr;
    CGroup* current = m_currentGroup ? m_currentGroup : m_generalGroup;
    const int currentIndex = CurrentGroupIndex();
    const int newIndex = m_groups.size();
    auto* group = new CGroup(name);

    // Members; a matrix member brings its whole matrix, so the new layout
    // can place the matrix. Its matrix may not be in the current group
    // (another group's selection): the fixture then comes alone.
    QList<CPatchedFixture*> members;
    QSet<const CFixtureMatrix*> matrices;
    // True for a matrix new to the group.
    const auto addMatrix = [&](CFixtureMatrix* matrix) {
        if (matrices.contains(matrix))
            return false;
        matrices.insert(matrix);
        group->m_matrices << matrix;
        return true;
    };
    for (CPatchedFixture* fixture : current->m_selectedFixtures) {
        CFixtureMatrix* matrix = fixture->m_matrixId >= 0 ? current->FindMatrix(fixture->m_matrixId) : nullptr;
        if (!matrix)
            members << fixture;
        else if (addMatrix(matrix))
            members += matrix->Members();
    }
    for (CFixtureMatrix* matrix : current->m_selectedMatrices)
        addMatrix(matrix);
    // In the order the open gives them, so that a save opens as it was.
    group->AddFixtures(members);
    group->SortFixtures();
    // Made apart from the show so far: without room for its members it goes
    // again, and the show is as it was.
    if (!CShowBounds::AskRoom(*this, CShowBounds::GroupMembers, group->m_fixtures.size() + group->m_matrices.size())) {
        delete group;
        return nullptr;
    }
    group->m_selectedFixtures = current->m_selectedFixtures;
    group->m_selectedMatrices = current->m_selectedMatrices;
    group->m_commonPositions = current->m_commonPositions;

    // Every item gets a place in the new layout: the general layout's,
    // unless the new group holds it, then the current group's.
    for (CPatchedFixture* fixture : m_generalGroup->m_fixtures) {
        if (fixture->m_matrixId < 0)
            PlaceAt(fixture, newIndex, fixture->Position(0));
    }
    for (CFixtureMatrix* matrix : m_generalGroup->m_matrices)
        PlaceAt(matrix, newIndex, matrix->Position(0));
    for (CPatchedFixture* fixture : group->m_fixtures) {
        if (fixture->m_matrixId < 0)
            PlaceAt(fixture, newIndex, fixture->Position(currentIndex));
    }
    for (CFixtureMatrix* matrix : group->m_matrices)
        PlaceAt(matrix, newIndex, matrix->Position(currentIndex));

    const QString key = GroupKeyName(newIndex);
    bool keyTaken = false;
    for (const CGroup* other : m_groups)
        keyTaken = keyTaken || other->m_triggers.m_shortCut.m_keyName == key;
    if (!keyTaken)
        group->m_triggers.ParseShortCut(key);

    m_groups << group;
    m_currentGroup = group;
    return group;
}

void CProject::SetCurrentGroup(int n)
{
    if (n >= 0 && n < m_groups.size())
        m_currentGroup = m_groups[n];
}

bool CProject::AddSelectionToGroup(int n)
{
    if (n < 1 || n >= m_groups.size() || !m_currentGroup)
        return false;
    CGroup* group = m_groups[n];
    const int currentIndex = CurrentGroupIndex();
    // Copies: the current group may be group n itself.
    const QList<CPatchedFixture*> selectedFixtures = m_currentGroup->m_selectedFixtures;
    const QList<CFixtureMatrix*> selectedMatrices = m_currentGroup->m_selectedMatrices;
    const QSet<const CPatchedFixture*> members(group->m_fixtures.cbegin(), group->m_fixtures.cend());
    QSet<const void*> joining;
    for (CPatchedFixture* fixture : selectedFixtures) {
        if (!members.contains(fixture))
            joining.insert(fixture);
    }
    for (CFixtureMatrix* matrix : selectedMatrices) {
        if (!group->m_matrices.contains(matrix))
            joining.insert(matrix);
    }
    if (!CShowBounds::AskRoom(*this, CShowBounds::GroupMembers, joining.size()))
        return false;
    group->m_selectedFixtures.clear();
    group->m_selectedMatrices.clear();

    QList<CPatchedFixture*> added;
    for (CPatchedFixture* fixture : selectedFixtures) {
        if (!joining.remove(fixture))
            continue;
        // A matrix member has the one position of its matrix cell.
        if (fixture->m_matrixId < 0)
            PlaceAt(fixture, n, fixture->Position(currentIndex));
        added << fixture;
        group->m_selectedFixtures << fixture;
    }
    group->AddFixtures(added);
    group->SortFixtures();
    for (CFixtureMatrix* matrix : selectedMatrices) {
        if (group->m_matrices.contains(matrix))
            continue;
        PlaceAt(matrix, n, matrix->Position(currentIndex));
        group->m_matrices << matrix;
        group->m_selectedMatrices << matrix;
    }
    m_currentGroup = group;
    return true;
}

void CProject::RemoveGroup(int n)
{
    if (n < 1 || n >= m_groups.size() || !m_generalGroup)
        return;
    CGroup* group = m_groups[n];
    if (m_currentGroup == group)
        m_currentGroup = m_generalGroup;
    m_groups.removeAt(n);
    delete group;
    for (CPatchedFixture* fixture : m_generalGroup->m_fixtures) {
        if (fixture->m_matrixId < 0)
            fixture->RemovePosition(n);
    }
    for (CFixtureMatrix* matrix : m_generalGroup->m_matrices)
        matrix->RemovePosition(n);
}
