#pragma once

#include "layout/view/FixtureItem.h"

#include <vector>

class CFixtureMatrix;

// The item of one fixture matrix: its member fixtures drawn side by side,
// each at its cell. Cell (m, b) is beam b of member m. The drawer serves
// every member in turn.
class CMatrixItem : public CFixtureItem
{
public:
    // A matrix without members gets the item of its profile only.
    explicit CMatrixItem(CFixtureMatrix* matrix);
    // Built from a library profile only, without matrix.
    explicit CMatrixItem(CLibraryProfile* profile);
    ~CMatrixItem() override;

    // Also points the item and its drawer at the first member (none when
    // the matrix has none) and rebuilds the tool mask.
    void SetMatrix(CFixtureMatrix* matrix);
    CFixtureMatrix* Matrix() const { return m_matrix; }

    void Unselect() override;
    void Select() override;
    void InvertSelection() override;
    bool SelectAlternate(bool start) override;
    bool SelectBeam(const CPatchedFixture* fixture, int beam) override;
    bool AddCellBeams(int member, const QList<bool>& beams);
    void RemoveCellBeams(int member, const QList<bool>& beams);

    // Click: with `wholeMatrix` a hit selects every member; without toggle
    // the hit cell ends up the only one selected.
    bool HitTestBeams(const QPoint& point, bool toggle, bool wholeMatrix);
    // Without toggle the matrix's selection becomes exactly the cells in the rectangle.
    bool SelectBeamsInRect(const QRect& rect, bool toggle, bool wholeMatrix);
    // The first cell containing the point; false and -1, -1 when none.
    bool CellAt(const QPoint& point, int& member, int& beam) const;
    // With the tool active the members show live colours and the masked
    // cells the tool colour, without selection frame.
    void DrawMatrix(QPainter& painter, float scale, bool toolActive, const QColor& toolColor);

    void ClearToolMask();
    void SetToolMask(int member, int beam, bool on);
    bool ToolMask(int member, int beam) const;
    void SelectMemberBeams(int member);
    void UpdateSelected();
    // Cell (member, beam) in view model coordinates; null for a member
    // without cell.
    QRect CellRect(int member, int beam) const;

private:
    // Calls visit(member, beam, cell) for every cell of every member.
    template <typename Visit>
    void ForEachCell(Visit visit) const;
    template <typename Hit>
    bool SelectCells(Hit hit, bool toggle, bool wholeMatrix, bool clearOthers);
    void SetAllFlags(bool value);

    CFixtureMatrix* m_matrix = nullptr;
    QList<QList<bool>> m_toolMask; // one list per member, one flag per beam
    std::vector<CLabelLayout> m_labels; // one per member: the drawer serves them all
};
