#include "setup/PatchMatrixBlock.h"

#include "model/FixtureMatrix.h"
#include "setup/PatchBlock.h"

#include <algorithm>

CPatchMatrixBlock::CPatchMatrixBlock(CLibraryProfile* profile, int columns, int rows)
    : m_columns(columns), m_rows(rows), m_profile(profile)
{
}

CPatchMatrixBlock::CPatchMatrixBlock(CFixtureMatrix* matrix)
    : m_id(matrix->Id()), m_columns(matrix->Columns()), m_rows(matrix->Rows()), m_new(false), m_matrix(matrix),
      m_profile(matrix->Profile())
{
}

namespace {

// Universe first, then start.
bool Before(const CPatchBlock* a, const CPatchBlock* b)
{
    return a->m_universe != b->m_universe ? a->m_universe < b->m_universe : a->m_start < b->m_start;
}

} // namespace

void CPatchMatrixBlock::FirstAddress(int& start, int& universe) const
{
    if (m_members.isEmpty())
        return;
    const CPatchBlock* first = *std::min_element(m_members.begin(), m_members.end(), Before);
    start = first->m_start;
    universe = first->m_universe;
}

void CPatchMatrixBlock::LastAddress(int& start, int& universe) const
{
    if (m_members.isEmpty())
        return;
    const CPatchBlock* last = *std::max_element(m_members.begin(), m_members.end(), Before);
    start = last->m_start;
    universe = last->m_universe;
}

int CPatchMatrixBlock::LowestId() const
{
    if (m_members.isEmpty())
        return 0;
    int lowest = m_members.first()->m_id;
    for (const CPatchBlock* member : m_members)
        lowest = std::min(lowest, member->m_id);
    return lowest;
}

int CPatchMatrixBlock::IndexOf(const CPatchBlock* block) const
{
    for (int i = 0; i < m_members.size(); ++i) {
        if (m_members[i] == block)
            return i;
    }
    return -1;
}

void CPatchMatrixBlock::RemoveMembersNotIn(const QList<CPatchBlock*>& kept, QList<CPatchBlock*>& blocks,
                                           QList<CPatchedFixture*>& removedFixtures,
                                           const std::function<void(CPatchBlock*)>& forget)
{
    for (int i = m_members.size() - 1; i >= 0; --i) {
        CPatchBlock* member = m_members[i];
        if (kept.contains(member))
            continue;
        if (!member->m_new && member->m_fixture)
            removedFixtures << member->m_fixture;
        blocks.removeAll(member);
        if (forget)
            forget(member);
        delete member;
        m_members.removeAt(i);
        if (i < m_cells.size())
            m_cells.removeAt(i);
    }
}
