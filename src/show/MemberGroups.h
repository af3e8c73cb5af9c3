#pragma once

#include "show/ProjectFileV3.h"

#include <QHash>

#include <cstddef>
#include <vector>

class CLayoutPlacement;
class CProject;

// The groups each fixture or matrix is a member of, past the general group,
// in order, for the patch's places. Each item's groups lie together in one
// list, four bytes a membership: as sorted pairs of item and group, grown
// as they came, two million members took 50 MB while the save wrote the
// patch, and more while the list was copied to grow.
class CMemberGroups
{
public:
    explicit CMemberGroups(const CProject& project);

    // The item's places as written: its own in the general group and in
    // every group that holds it, the general one in the others. The layout
    // shows an item only in the groups that hold it, and every way into a
    // group gives the item its place there, so the others are never seen;
    // kept as they came, they would cost a place per group for each of
    // tens of thousands of fixtures, in the file and in memory.
    CProjectFileV3::PlaceRuns PlacesOf(const CLayoutPlacement& item) const;

private:
    QHash<const CLayoutPlacement*, int> m_items;
    // The groups of item i are m_groups[m_first[i]] up to m_groups[m_first[i + 1]].
    std::vector<size_t> m_first;
    std::vector<int> m_groups;
};
