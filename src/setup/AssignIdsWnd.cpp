#include "setup/AssignIdsWnd.h"

#include "setup/PatchBlock.h"
#include "show/Project.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace {

const QString kMimeType = QStringLiteral("image/zk-fixtid");
const QColor kBackground(245, 245, 240);
const QColor kTargetColor(178, 208, 255);

enum CellState { OwnPicture = 0, DropTarget = 2, Chased = 3, ChasePosition = 4 };

QColor StateBrush(int state)
{
    switch (state) {
    case DropTarget:
        return kTargetColor;
    case Chased:
        return QColor(100, 100, 100);
    case ChasePosition:
        return Qt::white;
    default:
        return QColor(156, 156, 164);
    }
}

} // namespace

CAssignIdsWnd::CAssignIdsWnd(CProject& project, const QList<CPatchBlock*>& blocks, QWidget* parent)
    : QWidget(parent), m_project(project)
{
    QList<CPatchBlock*> sorted = blocks;
    sorted.removeAll(nullptr);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CPatchBlock* a, const CPatchBlock* b) { return a->m_id < b->m_id; });
    for (CPatchBlock* block : qAsConst(sorted)) {
        Cell cell;
        cell.id = block->m_id;
        cell.start = block->m_start;
        cell.universe = block->m_universe;
        cell.block = block;
        m_cells << cell;
        m_openingIds << block->m_id;
    }

    const int count = m_cells.size();
    m_columns = std::min(count, kMaxColumns);
    m_rows = (count + kMaxColumns - 1) / kMaxColumns;
    for (Cell& cell : m_cells)
        RedrawCellPicture(cell);
    RebuildGrid();

    m_savedMask.Allocate(project.UniverseCount());
    m_savedLive.Allocate(project.UniverseCount());
    setAcceptDrops(true);
    setMinimumSize(GridSize());
}

CAssignIdsWnd::~CAssignIdsWnd()
{
    EndChase(false);
}

int CAssignIdsWnd::IdAt(int n) const
{
    return n >= 0 && n < m_cells.size() ? m_cells.at(n).id : -1;
}

int CAssignIdsWnd::StartAt(int n) const
{
    return n >= 0 && n < m_cells.size() ? m_cells.at(n).start : -1;
}

int CAssignIdsWnd::UniverseAt(int n) const
{
    return n >= 0 && n < m_cells.size() ? m_cells.at(n).universe : -1;
}

CPatchedFixture* CAssignIdsWnd::FixtureAt(int n) const
{
    return n >= 0 && n < m_cells.size() ? m_cells.at(n).block->m_fixture : nullptr;
}

int CAssignIdsWnd::NewIdAt(int n) const
{
    return n >= 0 && n < m_openingIds.size() ? m_openingIds.at(n) : -1;
}

// ---- Cells

QRect CAssignIdsWnd::SlotAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0)
        return QRect();
    return QRect(point.x() / kCellSide * kCellSide, point.y() / kCellSide * kCellSide, kCellSide, kCellSide);
}

QRect CAssignIdsWnd::CellRect(int i) const
{
    return QRect(kCellSide * (i % kMaxColumns), kCellSide * (i / kMaxColumns), kCellSide, kCellSide);
}

int CAssignIdsWnd::CellAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0 || point.x() / kCellSide >= kMaxColumns)
        return -1;
    const int i = point.y() / kCellSide * kMaxColumns + point.x() / kCellSide;
    return i < m_cells.size() ? i : -1;
}

void CAssignIdsWnd::DrawCell(QPainter& painter, const Cell& cell, const QRect& rect, int state) const
{
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(StateBrush(state));
    painter.setFont(QFont(QStringLiteral("Arial"), 7));
    const QPoint corner = rect.topLeft();
    painter.drawRect(QRect(corner, corner + QPoint(28, 28)));
    const int middle = corner.y() + rect.height() / 2;
    painter.drawText(QRect(QPoint(corner.x(), corner.y() + 1), QPoint(rect.right(), middle)), Qt::AlignCenter,
                     QStringLiteral("#%1").arg(cell.id));
    painter.drawText(QRect(QPoint(corner.x(), middle - 1), QPoint(rect.right(), rect.bottom() - 2)),
                     Qt::AlignCenter, QStringLiteral("@%1").arg(cell.start + 1));
}

void CAssignIdsWnd::RedrawCellPicture(Cell& cell) const
{
    cell.picture = QPixmap(kCellSide, kCellSide);
    cell.picture.fill(kBackground);
    QPainter painter(&cell.picture);
    DrawCell(painter, cell, QRect(0, 0, kCellSide, kCellSide), OwnPicture);
}

void CAssignIdsWnd::RebuildGrid()
{
    const QSize size = GridSize();
    m_grid = QPixmap(size.isEmpty() ? QSize(1, 1) : size);
    m_grid.fill(kBackground);
    QPainter painter(&m_grid);
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_chasing)
            DrawCell(painter, m_cells.at(i), CellRect(i), Chased);
        else
            painter.drawPixmap(CellRect(i).topLeft(), m_cells.at(i).picture);
    }
}

void CAssignIdsWnd::Exchange(int a, int b)
{
    if (a == b || a < 0 || b < 0 || a >= m_cells.size() || b >= m_cells.size())
        return;
    m_cells.swapItemsAt(a, b);
    RebuildGrid();
    update();
}

void CAssignIdsWnd::SortByAddress(bool ascending)
{
    const auto before = [ascending](const Cell& a, const Cell& b) {
        const auto ka = std::make_pair(a.universe, a.start);
        const auto kb = std::make_pair(b.universe, b.start);
        return ascending ? ka < kb : kb < ka;
    };
    // A cell's picture shows its own ID and address: it moves with the cell.
    std::stable_sort(m_cells.begin(), m_cells.end(), before);
    RebuildGrid();
    update();
}

// ---- Drag and drop

void CAssignIdsWnd::ClearTarget()
{
    m_target = -1;
    m_targetRect = QRect();
}

bool CAssignIdsWnd::BeginDrag(const QPoint& point)
{
    if (m_chasing)
        return false;
    const int cell = CellAt(point);
    if (cell < 0)
        return false;
    m_source = cell;
    return true;
}

void CAssignIdsWnd::DropAt(const QPoint& point)
{
    ClearTarget();
    const int target = CellAt(point);
    if (target >= 0 && m_source >= 0)
        Exchange(m_source, target);
    update();
}

void CAssignIdsWnd::mousePressEvent(QMouseEvent* event)
{
    if (!BeginDrag(event->pos()))
        return;
    update();
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kMimeType, QByteArray());
    drag->setMimeData(data);
    drag->setPixmap(m_cells.at(m_source).picture);
    drag->setHotSpot(event->pos() - CellRect(m_source).topLeft());
    if (drag->exec(Qt::MoveAction) != Qt::MoveAction) {
        RebuildGrid();
        update();
    }
}

void CAssignIdsWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(kMimeType))
        event->accept();
    else
        event->ignore();
}

void CAssignIdsWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(kMimeType)) {
        m_targetRect = SlotAt(event->pos());
        m_target = CellAt(event->pos());
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        ClearTarget();
        event->ignore();
    }
    update();
}

void CAssignIdsWnd::dragLeaveEvent(QDragLeaveEvent* event)
{
    ClearTarget();
    update();
    event->accept();
}

void CAssignIdsWnd::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasFormat(kMimeType)) {
        ClearTarget();
        event->ignore();
        return;
    }
    DropAt(event->pos());
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

// ---- Painting

void CAssignIdsWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), kBackground);
    painter.drawPixmap(0, 0, m_grid);
    if (!m_chasing) {
        if (m_target >= 0)
            DrawCell(painter, m_cells.at(m_target), CellRect(m_target), DropTarget);
        else if (!m_targetRect.isNull())
            painter.fillRect(m_targetRect, kTargetColor);
    } else if (m_position >= 0 && m_position < m_cells.size()) {
        DrawCell(painter, m_cells.at(m_position), CellRect(m_position), ChasePosition);
    }
    const QSize size = GridSize();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
}

// ---- Chase

void CAssignIdsWnd::StartChase()
{
    if (m_chasing)
        return;
    m_savedLive.CopyFrom(m_project.m_live);
    m_savedMask.CopyFrom(m_project.m_liveMask);
    m_position = 0;
    m_chasing = true;
    ClearTarget();
    RebuildGrid();
    update();
    m_project.StartPlayback();
}

void CAssignIdsWnd::StopChase()
{
    EndChase(true);
}

void CAssignIdsWnd::EndChase(bool repaint)
{
    if (!m_chasing)
        return;
    m_project.m_live.CopyFrom(m_savedLive);
    m_project.m_liveMask.CopyFrom(m_savedMask);
    m_chasing = false;
    if (repaint) {
        RebuildGrid();
        update();
    }
    m_project.UpdatePlaybackState();
    m_project.RefreshOutput();
}

void CAssignIdsWnd::ShowPosition(int position)
{
    if (!m_chasing || position < 0 || position >= m_cells.size())
        return;
    m_position = position;
    // Every universe goes dark, not only the active ones: the chase shows one
    // fixture and nothing else, and the stop gives all of it back.
    m_project.m_live.Zero();
    m_project.m_liveMask.Zero();
    const Cell& cell = m_cells.at(position);
    if (!m_project.IsUniverse(cell.universe))
        return;
    const int channels = PatchChannelCount(cell.block->m_profile);
    quint8* live = m_project.m_live[cell.universe];
    quint8* mask = m_project.m_liveMask[cell.universe];
    for (int c = 0; c < channels; ++c) {
        const int slot = cell.start + c;
        if (slot < 0 || slot >= CDmxLayer::kSlots)
            continue;
        live[slot] = 255;
        mask[slot] = 1;
    }
}
