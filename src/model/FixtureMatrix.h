#pragma once

#include "model/LayoutPlacement.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class CLibraryProfile;
class CPatchedFixture;

// A grid of fixtures of one profile that matrix effects address cell by cell
// and pixel by pixel. Each member occupies a cell rectangle in layout pixels
// (20 per beam-grid step, relative to the matrix item's top-left); a profile
// with several beams gives each cell one pixel per beam. Pixel (row r,
// column c) is number PixelColumns() * r + c.
//
// Members, their cells and their keys (cell index, the sort order) are three
// parallel lists that always change together.
class CFixtureMatrix : public CLayoutPlacement
{
public:
    // Built in the layout view, which supplies the matrix's item.
    CFixtureMatrix(CLibraryProfile* profile, int id, int columns, int rows, CLayoutItem* layoutItem);
    // Read from a project file.
    CFixtureMatrix(CLibraryProfile* profile, int id, int columns, int rows, int drawType);
    // Same members and cells; the copy has no layout positions.
    CFixtureMatrix(const CFixtureMatrix& other);
    CFixtureMatrix& operator=(const CFixtureMatrix&) = delete;
    ~CFixtureMatrix() = default;

    int Id() const { return m_id; }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    int PixelColumns() const { return m_pixelColumns; }
    int PixelRows() const { return m_pixelRows; }
    bool IsVirtual() const { return m_virtual; }
    int DrawType() const { return m_drawType; }
    void SetDrawType(int drawType) { m_drawType = drawType; }
    CLibraryProfile* Profile() const { return m_profile; }
    // Both recompute the pixel size.
    void SetProfile(CLibraryProfile* profile);
    void SetSize(int columns, int rows);
    void UpdatePixelSize();

    // Members are appended unordered; OrderMembers sorts them by cell. A null
    // fixture is refused.
    bool AddMember(CPatchedFixture* fixture, const QRect& cell);
    bool RemoveMember(int index);
    bool RemoveMember(const CPatchedFixture* fixture);
    void ClearMembers();
    // A removed fixture leaves an empty cell (QRect()) until the matrix is rebuilt.
    bool SetMemberCell(int index, const QRect& cell);
    int MemberCount() const { return m_members.size(); }
    int IndexOfMember(const CPatchedFixture* fixture) const;
    CPatchedFixture* Member(int index) const;
    QRect MemberCell(int index) const;
    const QList<CPatchedFixture*>& Members() const { return m_members; }
    const QList<QRect>& MemberCells() const { return m_cells; }
    const QList<int>& MemberKeys() const { return m_keys; }

    // Sorts the members by cell index; members sharing a cell keep their order.
    void OrderMembers();
    // Pixel index of the member's cell with one pixel per cell, i.e.
    // row * columns + column for cells laid edge to edge; -1 for a bad index
    // or an empty cell.
    int FirstPixelOfMember(int index) const;
    // Pixel index of a beam of the member: the first beam of `beamSelection`,
    // beam 0 when it names none or an invalid one. With several beams the
    // pixel is kept inside the grid; with one it is the member's key. -1 for
    // a bad index or an empty cell.
    int PixelOfMember(int index, const QByteArray& beamSelection) const;
    // Top-left of the member's cell; (0, 0) for a fixture that is not a member.
    QPoint CellOfFixture(const CPatchedFixture* fixture) const;
    // Pixel column and row of a beam of a member; (-1, -1) for a bad index
    // or beam.
    QPoint BeamPixel(int index, int beam) const;
    // The name the layout and effect code know it by.
    QPoint BeamRect(int index, int beam) const { return BeamPixel(index, beam); }
    // Member and beam at pixel (x, y); -1 for each when the pixel lies
    // outside the grid or on no member's beam.
    void HitTest(int x, int y, int& member, int& beam) const;

    // A matrix of the members with a selected beam: this matrix itself when
    // it has a layout item and every beam of every member is selected; null
    // when no beam is selected; otherwise a new virtual matrix, owned by the
    // caller, spanning the selected members' cells.
    CFixtureMatrix* BuildVirtualGrid();

private:
    int ProfileBeamCount() const;
    // Size of one cell in layout pixels: 20 per beam-grid step.
    QSize CellSize() const;

    int m_id = 0;
    int m_columns = 0;
    int m_rows = 0;
    int m_pixelColumns = 0;
    int m_pixelRows = 0;
    bool m_virtual = false;
    int m_drawType = 0;
    CLibraryProfile* m_profile = nullptr;
    QList<CPatchedFixture*> m_members;
    QList<QRect> m_cells;
    QList<int> m_keys;
};
