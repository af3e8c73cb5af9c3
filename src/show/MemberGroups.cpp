#include "show/MemberGroups.h"

#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"

#include <utility>

namespace {

template <typename Visit>
void ForEachMember(const CProject& project, const Visit& visit)
{
    for (int g = 1; g < project.m_groups.size(); ++g) {
        const CGroup* group = project.m_groups[g];
        for (const CPatchedFixture* fixture : group->m_fixtures)
            visit(static_cast<const CLayoutPlacement*>(fixture), g);
        for (const CFixtureMatrix* matrix : group->m_matrices)
            visit(static_cast<const CLayoutPlacement*>(matrix), g);
    }
}

} // namespace

CMemberGroups::CMemberGroups(const CProject& project)
{
    // Counted, then placed: groups come in order, so each item's list is.
    ForEachMember(project, [this](const CLayoutPlacement* item, int) {
        auto it = m_items.find(item);
        if (it == m_items.end()) {
            it = m_items.insert(item, int(m_first.size()));
            m_first.push_back(0);
        }
        ++m_first[size_t(*it)];
    });
    size_t start = 0;
    for (size_t& first : m_first)
        start += std::exchange(first, start);
    m_first.push_back(start);
    m_groups.resize(start);
    std::vector<size_t> next(m_first.begin(), m_first.end() - 1);
    ForEachMember(project, [this, &next](const CLayoutPlacement* item, int g) {
        m_groups[next[size_t(m_items.value(item))]++] = g;
    });
}

CProjectFileV3::PlaceRuns CMemberGroups::PlacesOf(const CLayoutPlacement& item) const
{
    CProjectFileV3::PlaceRuns runs;
    const int count = item.PositionCount();
    const QPoint general = item.Position(0);
    const auto put = [&runs](const QPoint& point, int places) { CProjectFileV3::AddPlaces(runs, point, places); };
    put(general, qMin(count, 1));
    int next = 1;
    const int index = m_items.value(&item, -1);
    if (index >= 0) {
        for (size_t k = m_first[size_t(index)]; k < m_first[size_t(index) + 1] && m_groups[k] < count; ++k) {
            put(general, m_groups[k] - next);
            put(item.Position(m_groups[k]), 1);
            next = m_groups[k] + 1;
        }
    }
    put(general, count - next);
    return runs;
}
