#include "editors/MatrixPreviewWnd.h"

#include "effects/EffectEngine.h"

#include <QPainter>
#include <QPixmap>

CMatrixPreviewWnd::CMatrixPreviewWnd(CProject& project, QWidget* parent) : CTrichroPreviewWnd(project, true, parent)
{
    setMinimumSize(4 * qMax(0, m_engine->m_cols), 4 * qMax(0, m_engine->m_rows));
}

void CMatrixPreviewWnd::UpdateGeometry()
{
    LayOut(m_engine->m_cols, m_engine->m_rows);
}

void CMatrixPreviewWnd::Tick(bool writeLevels, int elapsedMs)
{
    if (!Advance(elapsedMs))
        return;
    {
        QPainter painter(m_pixmap);
        const int columns = m_engine->m_cols;
        for (int row = 0; row < m_engine->m_rows; ++row) {
            for (int column = 0; column < columns; ++column)
                DrawCell(painter, row * columns + column, column * m_cellSize, row * m_cellSize, writeLevels, true);
        }
    }
    update();
}
