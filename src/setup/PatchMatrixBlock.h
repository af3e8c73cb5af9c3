#pragma once

#include <QList>
#include <QRect>

#include <functional>

class CFixtureMatrix;
class CLibraryProfile;
class CPatchBlock;
class CPatchedFixture;

// One fixture matrix while the patch is edited. Its members belong to the
// patch tab's block list; the cells (one per member, same order) are the
// members' places in the matrix layout, in layout pixels.
class CPatchMatrixBlock
{
public:
    CPatchMatrixBlock(CLibraryProfile* profile, int columns, int rows);
    explicit CPatchMatrixBlock(CFixtureMatrix* matrix);
    CPatchMatrixBlock(const CPatchMatrixBlock&) = delete;
    CPatchMatrixBlock& operator=(const CPatchMatrixBlock&) = delete;

    // The lowest (highest) universe and, within it, the lowest (highest)
    // start among the members; nothing is written without members.
    void FirstAddress(int& start, int& universe) const;
    void LastAddress(int& start, int& universe) const;
    int LowestId() const;
    int IndexOf(const CPatchBlock* block) const;
    // Deletes every member not in `kept`: it leaves `blocks`, a loaded one's
    // fixture joins `removedFixtures`, and `forget` sees it before it goes.
    void RemoveMembersNotIn(const QList<CPatchBlock*>& kept, QList<CPatchBlock*>& blocks,
                            QList<CPatchedFixture*>& removedFixtures,
                            const std::function<void(CPatchBlock*)>& forget = {});

    int m_id = -1;
    int m_columns = 0;
    int m_rows = 0;
    bool m_new = true;
    bool m_edited = false; // the builder was accepted on it
    CFixtureMatrix* m_matrix = nullptr;
    CLibraryProfile* m_profile = nullptr;
    QList<CPatchBlock*> m_members; // not owned
    QList<QRect> m_cells;
};
