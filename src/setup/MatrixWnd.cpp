#include "setup/MatrixWnd.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "setup/PatchBlock.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>

#include <algorithm>

const char* const CMatrixWnd::kMimeType = "image/zk-matrix";

namespace {

constexpr int kBeamCell = 20;
const QColor kSelected(247, 182, 131);
const QColor kHover(178, 208, 255);
const QColor kUnselectedBeam(156, 156, 164);

QColor UniverseColor(int offset)
{
    static const QColor kColors[6] = {{138, 168, 228}, {154, 191, 180}, {76, 254, 121},
                                      {191, 255, 127}, {255, 197, 25},  {255, 255, 0}};
    return kColors[((offset % 6) + 6) % 6];
}

} // namespace

CMatrixWnd::CMatrixWnd(CLibraryProfile* profile, int universe, int address, int limit, int universeCount,
                       int columns, int rows, QWidget* parent)
    : QWidget(parent), m_cells(PatchChannelCount(profile), universe, address, limit, universeCount),
      m_profile(profile)
{
    m_drawer.SetProfile(profile ? profile->m_shapeType : 0, 0, profile, kBeamCell, kBeamCell);
    m_beamSize = profile ? profile->GetBeamsRect(kBeamCell, kBeamCell).size() : QSize(kBeamCell, kBeamCell);
    if (!m_beamSize.isValid())
        m_beamSize = QSize(kBeamCell, kBeamCell);
    m_beamCount = profile ? std::max(1, int(profile->m_beams.size())) : 1;
    setAcceptDrops(true);
    m_cells.RebuildGrid(columns, rows, false);
    UpdateGeometry();
}

void CMatrixWnd::UpdateGeometry()
{
    setMinimumSize(m_cells.GridSize() + QSize(1, 1));
    update();
}

void CMatrixWnd::SetZoom(int step)
{
    m_zoom = step == 1 || step == 2 ? step : 0;
    const QRect symbol = m_drawer.BoundingRect();
    QSize size(30, 30);
    if (m_zoom == 1)
        size = QSize(symbol.width() + 1, symbol.height() + 1);
    else if (m_zoom == 2)
        size = QSize(symbol.width() / 2 + 1, symbol.height() / 2 + 1);
    m_cells.SetCellSize(size);
    UpdateGeometry();
}

void CMatrixWnd::SetMode(int mode)
{
    m_mode = mode == AddRemoveMode || mode == SelectMode ? mode : MoveMode;
    m_cells.m_selection.clear();
    update();
}

void CMatrixWnd::Rebuild(int columns, int rows, bool keep)
{
    m_cells.RebuildGrid(columns, rows, keep);
    if (m_playing)
        StartPreview(); // the old preview order may name cells that are gone
    UpdateGeometry();
}

void CMatrixWnd::RemoveSelected()
{
    m_cells.RemoveSelected();
    update();
}

void CMatrixWnd::SetOrder(int order, bool following)
{
    m_cells.SetOrder(order, following);
    if (m_playing)
        m_previewOrder = m_cells.PreviewOrder();
    update();
}

bool CMatrixWnd::AddCellAt(const QRect& square)
{
    if (m_cells.AddCellAt(square)) {
        update();
        return true;
    }
    ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::MatrixNoFreeAddress));
    return false;
}

int CMatrixWnd::LoadMatrix(const CPatchMatrixBlock& matrix)
{
    const int leftOut = m_cells.LoadMatrix(matrix);
    update();
    return leftOut;
}

// ---- Preview ----

void CMatrixWnd::StartPreview()
{
    m_beam = 0;
    m_currentCell = -1;
    m_previewOrder = m_cells.PreviewOrder();
    m_stepCount = int(m_previewOrder.size()) * (m_zoom == 0 ? 1 : m_beamCount);
    m_playing = true;
    update();
}

void CMatrixWnd::StopPreview()
{
    m_playing = false;
    m_currentCell = -1;
    update();
}

void CMatrixWnd::ShowPreviewStep(int step)
{
    if (m_previewOrder.isEmpty() || step < 0 || step >= m_stepCount)
        return;
    const int beams = m_zoom == 0 ? 1 : m_beamCount;
    m_beam = step % beams;
    m_currentCell = m_previewOrder[step / beams];
    LightCurrentCell();
    update();
}

void CMatrixWnd::LightCurrentCell()
{
    if (!m_project || m_currentCell < 0)
        return;
    CDmxLayer& layer = m_project->m_playback;
    layer.Zero();
    const CMatrixCells::Cell& cell = m_cells.CellAt(m_currentCell);
    // Zoomed out the whole fixture lights; zoomed in, the channels of one beam.
    const CProfileMode* mode = m_zoom == 0 || !m_profile ? nullptr : m_profile->CurrentMode();
    const int channels = m_zoom == 0 ? m_cells.Channels() : mode ? mode->ChannelCount() : 0;
    if (cell.universe >= 0 && cell.universe < layer.UniverseCount()) {
        for (int i = 0; i < channels && cell.address + i < CDmxLayer::kSlots; ++i) {
            const CProfileChannelDef* channel = mode ? mode->Channel(i) : nullptr;
            if (!mode || (channel && (channel->m_beams.isEmpty() || channel->m_beams.contains(char(m_beam)))))
                layer[cell.universe][cell.address + i] = 255;
        }
    }
    m_project->RefreshOutput();
}

// ---- Mouse ----

void CMatrixWnd::mousePressEvent(QMouseEvent* event)
{
    if (m_playing)
        return;
    const QPoint point = event->pos();
    if (m_mode == AddRemoveMode) {
        const int cell = m_cells.CellAtPoint(point);
        if (cell >= 0) {
            m_cells.m_selection = {cell};
            RemoveSelected();
        } else {
            const QRect square = m_cells.SquareAt(point);
            if (square.isValid())
                AddCellAt(square);
        }
    } else if (m_mode == SelectMode) {
        m_bandStart = point;
        m_band = QRect();
        m_banding = true;
        if (!(event->modifiers() & Qt::ControlModifier))
            m_cells.m_selection.clear();
        update();
    } else {
        const int cell = m_cells.FindCell(m_cells.SquareAt(point));
        if (cell >= 0)
            StartDrag(cell, point);
    }
}

void CMatrixWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (m_mode != SelectMode || !m_banding)
        return;
    m_band = QRect(m_bandStart, event->pos()).normalized();
    update();
}

void CMatrixWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_mode != SelectMode || !m_banding)
        return;
    m_banding = false;
    const bool control = event->modifiers() & Qt::ControlModifier;
    QList<int> hit;
    if (m_band.isValid() && m_band.width() > 1 && m_band.height() > 1) {
        for (int i = 0; i < m_cells.CellCount(); ++i) {
            if (m_cells.CellAt(i).IsPlaced() && m_cells.CellAt(i).rect.intersects(m_band))
                hit << i;
        }
    } else if (const int cell = m_cells.CellAtPoint(event->pos()); cell >= 0) {
        hit << cell;
    }
    // A band over a large grid hits many cells: membership through a set.
    QSet<int> selected(m_cells.m_selection.begin(), m_cells.m_selection.end());
    QSet<int> dropped;
    for (int i : std::as_const(hit)) {
        if (!selected.contains(i)) {
            selected.insert(i);
            m_cells.m_selection << i;
        } else if (control) {
            selected.remove(i);
            dropped.insert(i);
        }
    }
    if (!dropped.isEmpty()) {
        m_cells.m_selection.erase(std::remove_if(m_cells.m_selection.begin(), m_cells.m_selection.end(),
                                                 [&](int i) { return dropped.contains(i); }),
                                  m_cells.m_selection.end());
    }
    m_band = QRect();
    update();
    emit selChanged();
}

// ---- Drag and drop ----

void CMatrixWnd::StartDrag(int cell, const QPoint& press)
{
    m_dragSource = cell;
    const QRect rect = m_cells.CellAt(cell).rect;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), QByteArray());
    drag->setMimeData(data);
    QPixmap picture(rect.size());
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.translate(-rect.topLeft());
        DrawCell(painter, cell, Normal);
    }
    drag->setPixmap(picture);
    drag->setHotSpot(press - rect.topLeft());
    if (m_runDrag)
        m_runDrag(drag);
    else
        drag->exec(Qt::MoveAction);
    drag->deleteLater();
    m_dragSource = -1;
    m_highlight = QRect();
    m_hoverCell = -1;
    update();
}

void CMatrixWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(kMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMatrixWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(kMimeType))) {
        m_highlight = m_cells.SquareAt(event->pos());
        m_hoverCell = m_cells.FindCell(m_highlight);
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        m_highlight = QRect();
        m_hoverCell = -1;
        event->ignore();
    }
    update();
}

void CMatrixWnd::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_highlight = QRect();
    m_hoverCell = -1;
    update();
    event->accept();
}

void CMatrixWnd::dropEvent(QDropEvent* event)
{
    m_highlight = QRect();
    m_hoverCell = -1;
    if (!event->mimeData()->hasFormat(QString::fromLatin1(kMimeType)) || m_dragSource < 0) {
        event->ignore();
        update();
        return;
    }
    m_cells.DropCell(m_dragSource, m_cells.SquareAt(event->pos()));
    update();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

// ---- Drawing ----

void CMatrixWnd::DrawCell(QPainter& painter, int i, int style)
{
    if (m_zoom == 0)
        DrawCellLabel(painter, i, style);
    else
        DrawCellBeams(painter, i, style, m_zoom == 1 ? 1.0f : 0.5f);
}

void CMatrixWnd::DrawCellLabel(QPainter& painter, int i, int style)
{
    const CMatrixCells::Cell& cell = m_cells.CellAt(i);
    static const QColor kFills[5] = {QColor(), kSelected, kHover, QColor(100, 100, 100), Qt::white};
    const QColor fill = style == Normal ? UniverseColor(cell.universe - m_cells.StartUniverse()) : kFills[style];
    const QRect square = cell.rect.adjusted(0, 0, -1, -1);
    painter.setPen(Qt::black);
    painter.setBrush(fill);
    painter.drawRect(square.adjusted(0, 0, -1, -1));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    painter.setFont(font);
    QRect upper = square;
    upper.setHeight(square.height() / 2);
    QRect lower = square;
    lower.setTop(upper.bottom() + 1);
    painter.drawText(upper, Qt::AlignCenter, QStringLiteral("#%1").arg(cell.number));
    painter.drawText(lower, Qt::AlignCenter, QStringLiteral("@%1").arg(cell.address + 1));
}

void CMatrixWnd::DrawCellBeams(QPainter& painter, int i, int style, float scale)
{
    const CMatrixCells::Cell& cell = m_cells.CellAt(i);
    m_drawer.SetProfile(m_profile ? m_profile->m_shapeType : 0, cell.number, m_profile, kBeamCell, kBeamCell);
    const QPoint topLeft(int(cell.rect.left() / scale), int(cell.rect.top() / scale));
    if (style == PreviewFrame) {
        m_drawer.DrawBeams(painter, topLeft, scale);
    } else if (style == PreviewCurrent) {
        m_drawer.DrawBeamsHighlight(painter, topLeft, scale, m_beam);
    } else {
        const QColor color = style == Selected ? kSelected : style == Hover ? kHover : kUnselectedBeam;
        for (QColor& beam : m_drawer.BeamColors())
            beam = color;
        painter.setPen(QColor(60, 60, 60));
        m_drawer.DrawSymbol(painter, topLeft, scale);
    }
}

void CMatrixWnd::paintEvent(QPaintEvent* event)
{
    // Painted straight from the records, only where asked: a picture of a
    // large matrix's whole grid would not fit in memory.
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, Qt::white);
    const QSize cell = m_cells.CellSize();
    const QSize grid = m_cells.GridSize();
    if (!m_playing) {
        QPen line(QColor(200, 200, 200), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        painter.setPen(line);
        const int firstColumn = std::max(1, area.left() / cell.width());
        const int lastColumn = std::min(m_cells.Columns() - 1, area.right() / cell.width() + 1);
        for (int c = firstColumn; c <= lastColumn; ++c)
            painter.drawLine(c * cell.width(), 0, c * cell.width(), grid.height());
        const int firstRow = std::max(1, area.top() / cell.height());
        const int lastRow = std::min(m_cells.Rows() - 1, area.bottom() / cell.height() + 1);
        for (int r = firstRow; r <= lastRow; ++r)
            painter.drawLine(0, r * cell.height(), grid.width(), r * cell.height());
    }
    for (int i = 0; i < m_cells.CellCount(); ++i) {
        if (m_cells.CellAt(i).IsPlaced() && m_cells.CellAt(i).rect.intersects(area))
            DrawCell(painter, i, m_playing ? PreviewFrame : Normal);
    }
    if (m_playing) {
        if (m_currentCell >= 0)
            DrawCell(painter, m_currentCell, PreviewCurrent);
    } else if (m_mode == MoveMode) {
        if (m_hoverCell >= 0) {
            DrawCell(painter, m_hoverCell, Hover);
        } else if (m_highlight.isValid()) {
            painter.fillRect(m_highlight, kHover);
        }
    } else if (m_mode == SelectMode) {
        for (int i : std::as_const(m_cells.m_selection)) {
            if (i >= 0 && i < m_cells.CellCount() && m_cells.CellAt(i).IsPlaced())
                DrawCell(painter, i, Selected);
        }
        if (m_banding && m_band.isValid()) {
            painter.setPen(QColor(229, 121, 72));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(m_band);
        }
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(0, 0), grid));
}
