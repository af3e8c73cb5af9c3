#pragma once

#include <QRect>

#include <functional>
#include <memory>

class CLibraryProfile;
class CPatchBlock;
class CPatchMatrixBlock;
class QWidget;

// The matrix builder as the patch tab uses it: run modally on a proposal,
// then read cell by cell where each fixture of the accepted matrix goes.
class CMatrixBuilder
{
public:
    struct Request
    {
        CLibraryProfile* profile = nullptr;
        int universe = 0;
        int start = 0;
        int columns = 0;
        int rows = 0;
        int limit = 0;    // absolute address no fixture start may pass
        int capacity = 0; // fixtures that fit one after another from the start
        CPatchMatrixBlock* matrix = nullptr; // the matrix edited; null for a new one
    };

    virtual ~CMatrixBuilder() = default;
    // True when accepted.
    virtual bool Run(const Request& request, QWidget* parent) = 0;
    virtual int Columns() const = 0;
    virtual int Rows() const = 0;
    virtual int CellCount() const = 0;
    // An invalid rectangle marks a cell without a fixture.
    virtual QRect CellGridRect(int cell) const = 0;
    virtual int CellUniverse(int cell) const = 0;
    virtual int CellAddress(int cell) const = 0;
    virtual int CellNumber(int cell) const = 0;
    virtual QRect CellLayoutRect(int cell) const = 0;
    // The member an edited cell holds; null for a new cell.
    virtual CPatchBlock* CellBlock(int cell) const = 0;
};

using MatrixBuilderFactory = std::function<std::unique_ptr<CMatrixBuilder>()>;
