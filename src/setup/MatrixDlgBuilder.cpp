#include "setup/MatrixDlgBuilder.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "setup/MatrixDlg.h"
#include "setup/MatrixWnd.h"
#include "setup/PatchBlock.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <algorithm>

CMatrixDlgBuilder::CMatrixDlgBuilder(CProject& project, DialogRunner runner)
    : m_project(project), m_runner(std::move(runner))
{
}

const CMatrixDlgBuilder::Result& CMatrixDlgBuilder::Get(int cell) const
{
    static const Result kNone;
    return cell >= 0 && cell < m_cells.size() ? m_cells[cell] : kNone;
}

bool CMatrixDlgBuilder::Run(const Request& request, QWidget* parent)
{
    m_cells.clear();
    m_columns = m_rows = 0;
    const int channels = PatchChannelCount(request.profile);
    if (channels < 1 || channels > CMatrixCells::kSlots) {
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::MatrixBadProfile));
        return false;
    }
    const int universes = std::max(1, m_project.UniverseCount());
    if (request.universe < 0 || request.universe >= universes || request.start < 0 ||
        request.start + channels > CMatrixCells::kSlots) {
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::MatrixBadStart)
                                                                 .arg(channels)
                                                                 .arg(request.universe + 1)
                                                                 .arg(request.start + 1));
        return false;
    }
    CMatrixDlg dialog(m_project, request.profile, request.universe, request.start, std::max(1, request.columns),
                      std::max(1, request.rows), request.limit, request.capacity, parent);
    if (request.matrix) {
        const int leftOut = dialog.LoadMatrix(*request.matrix);
        if (leftOut > 0)
            ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::MatrixCellsLeftOut).arg(leftOut));
    }
    const int result = m_runner ? m_runner(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return false;
    const CMatrixWnd& grid = *dialog.Grid();
    const CMatrixCells& cells = grid.Cells();
    m_columns = cells.Columns();
    m_rows = cells.Rows();
    for (int i = 0; i < cells.CellCount(); ++i) {
        const CMatrixCells::Cell& cell = cells.CellAt(i);
        m_cells << Result{cell.rect, cell.universe, cell.address, cell.number, grid.CellLayoutRect(i), cell.block};
    }
    return true;
}
