#pragma once

#include "setup/MatrixBuilder.h"

#include <QList>

class CMatrixDlg;
class CProject;

// The matrix builder dialog behind the patch tab's interface. The request
// is checked before any dialog opens; the cells are copied out when it is
// accepted, so the results outlive the dialog.
class CMatrixDlgBuilder : public CMatrixBuilder
{
public:
    // Runs the dialog and gives its result code; the default runs it modally.
    using DialogRunner = std::function<int(CMatrixDlg&)>;

    explicit CMatrixDlgBuilder(CProject& project, DialogRunner runner = {});

    bool Run(const Request& request, QWidget* parent) override;
    int Columns() const override { return m_columns; }
    int Rows() const override { return m_rows; }
    int CellCount() const override { return m_cells.size(); }
    QRect CellGridRect(int cell) const override { return Get(cell).grid; }
    int CellUniverse(int cell) const override { return Get(cell).universe; }
    int CellAddress(int cell) const override { return Get(cell).address; }
    int CellNumber(int cell) const override { return Get(cell).number; }
    QRect CellLayoutRect(int cell) const override { return Get(cell).layout; }
    CPatchBlock* CellBlock(int cell) const override { return Get(cell).block; }

private:
    struct Result
    {
        QRect grid;
        int universe = 0;
        int address = 0;
        int number = 0;
        QRect layout;
        CPatchBlock* block = nullptr;
    };
    const Result& Get(int cell) const;

    CProject& m_project;
    DialogRunner m_runner;
    int m_columns = 0;
    int m_rows = 0;
    QList<Result> m_cells;
};
