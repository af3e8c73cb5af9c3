#include "setup/PatchWnd.h"

#include "app/options/AppOptions.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "setup/ProfilesList.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace {

constexpr int kColumns = 32;
constexpr int kRows = 16;
constexpr int kMaxBaseNameLength = 64;

struct CPatchPens
{
    QBrush freeBrush{QColor(156, 156, 164)};
    QBrush memberBrush{QColor(156, 204, 164)};
    QBrush selectedBrush{QColor(247, 182, 131)};
    QBrush overlapBrush{QColor(240, 158, 159), Qt::DiagCrossPattern};
    QPen unselectedPen{QColor(60, 80, 120)};
    QPen selectedPen{QColor(120, 70, 40)};
    QPen overlapPen{QColor(220, 0, 0)};
    QFont font{QStringLiteral("Arial"), 8};
    QPixmap invPan{QStringLiteral(":/Orvane/Images/Patch/InvPan.png")};
    QPixmap invTilt{QStringLiteral(":/Orvane/Images/Patch/InvTilt.png")};
};

const CPatchPens& Pens()
{
    static const CPatchPens pens;
    return pens;
}

} // namespace

CPatchWnd::CPatchWnd(int universe, int channelCount, CPatchTab* tab)
    : QWidget(tab), m_universe(universe), m_channelCount(channelCount), m_tab(tab)
{
    setAcceptDrops(true);
}

CPatchWnd::~CPatchWnd()
{
    delete m_preview;
}

void CPatchWnd::DeletePreview()
{
    delete m_preview;
    m_preview = nullptr;
}

QRect CPatchWnd::CellRect(int channel) const
{
    return QRect(m_gridLeft + (channel % kColumns) * m_cellWidth, m_gridTop + (channel / kColumns) * m_cellHeight,
                 m_cellWidth, m_cellHeight);
}

int CPatchWnd::ChannelAt(const QPoint& point) const
{
    if (!HasCells() || point.x() < m_gridLeft || point.y() < m_gridTop)
        return -1;
    const int column = (point.x() - m_gridLeft) / m_cellWidth;
    const int row = (point.y() - m_gridTop) / m_cellHeight;
    if (column >= kColumns || row >= kRows)
        return -1;
    return row * kColumns + column;
}

QPoint CPatchWnd::ClampToGrid(const QPoint& point) const
{
    return QPoint(std::clamp(point.x(), m_gridLeft, std::max(m_gridLeft, m_gridLeft + m_gridWidth - 3)),
                  std::clamp(point.y(), m_gridTop, std::max(m_gridTop, m_gridTop + m_gridHeight - 3)));
}

// ---- Geometry and drawing ----

void CPatchWnd::resizeEvent(QResizeEvent*)
{
    const int w = width();
    const int h = height();
    m_cellWidth = (w - 2) / kColumns;
    m_cellHeight = (h - 2) / kRows;
    m_gridWidth = m_cellWidth * kColumns + 1;
    m_gridHeight = m_cellHeight * kRows + 1;
    m_gridLeft = (w - m_gridWidth) / 2;
    m_gridTop = (h - m_gridHeight) / 2;

    const int right = m_gridLeft + m_gridWidth;
    const int bottom = m_gridTop + m_gridHeight;
    const int oddX = (w - m_gridWidth) % 2;
    const int oddY = (h - m_gridHeight) % 2;
    m_border = QPainterPath();
    m_border.addRect(0, 0, m_gridLeft, h);
    m_border.addRect(right, 0, w - right - oddX, h);
    m_border.addRect(m_gridLeft, 0, m_gridWidth, m_gridTop);
    m_border.addRect(m_gridLeft, bottom, m_gridWidth, h - bottom - oddY);
    DrawGridPicture();
}

void CPatchWnd::DrawGridPicture()
{
    if (m_gridWidth < 1 || m_gridHeight < 1) {
        m_gridPicture = QPixmap();
        return;
    }
    m_gridPicture = QPixmap(m_gridWidth, m_gridHeight);
    m_gridPicture.fill(Qt::white);
    QPainter painter(&m_gridPicture);
    painter.setPen(QColor(160, 160, 160));
    for (int k = 1; k < kColumns; ++k)
        painter.drawLine(k * m_cellWidth, 0, k * m_cellWidth, m_gridHeight - 1);
    for (int k = 1; k < kRows; ++k)
        painter.drawLine(0, k * m_cellHeight, m_gridWidth - 1, k * m_cellHeight);
    painter.drawRect(0, 0, m_gridWidth - 1, m_gridHeight - 1);
    if (m_cellWidth < 16)
        return;
    painter.setFont(QFont(QStringLiteral("Arial"), 6));
    painter.setPen(QColor(60, 60, 60));
    for (int n = 0; n < kColumns * kRows; ++n) {
        const QRect cell((n % kColumns) * m_cellWidth, (n / kColumns) * m_cellHeight, m_cellWidth, m_cellHeight);
        painter.drawText(cell, Qt::AlignCenter, QString::number(n + 1));
    }
}

void CPatchWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_gridPicture.isNull())
        painter.drawPixmap(m_gridLeft, m_gridTop, m_gridPicture);
    painter.setFont(Pens().font);
    const CPatchPens& pens = Pens();
    for (const CPatchBlock* block : m_tab->m_blocks) {
        if (block->m_universe != m_universe || m_tab->IsSelected(block) || block->m_overlap)
            continue;
        painter.setPen(pens.unselectedPen);
        painter.setBrush(block->m_matrixId < 0 ? pens.freeBrush : pens.memberBrush);
        DrawBlock(painter, *block);
    }
    for (const CPatchBlock* block : m_tab->Selection()) {
        painter.setPen(block->m_overlap ? pens.overlapPen : pens.selectedPen);
        painter.setBrush(block->m_overlap ? pens.overlapBrush : pens.selectedBrush);
        DrawBlock(painter, *block);
    }
    if (m_mouseMode == BandMode) {
        painter.setPen(pens.selectedPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(m_pressPoint, m_bandEnd).normalized());
    }
    painter.fillPath(m_border, PanelBackground());
}

void CPatchWnd::DrawBlock(QPainter& painter, const CPatchBlock& block) const
{
    if (!HasCells() || block.m_end < block.m_start || block.m_start < 0 || block.m_end >= kColumns * kRows)
        return;
    QPainterPath area;
    for (int channel = block.m_start; channel <= block.m_end; ++channel)
        area.addRect(CellRect(channel));
    painter.drawPath(area.simplified());

    const QRect first = CellRect(block.m_start);
    const QRect last = CellRect(block.m_end);
    painter.drawText(first.translated(2, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(block.m_start + 1));
    if (block.m_end != block.m_start)
        painter.drawText(last.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignTop, QString::number(block.m_end + 1));
    const int n = block.ChannelCount();
    if (n < 2)
        return;
    const QRect strip(first.left() + 4, first.top(), n * m_cellWidth - 7, m_cellHeight);
    const QRect endStrip(last.right() + 1 - n * m_cellWidth + 4, last.top(), n * m_cellWidth - 7, m_cellHeight);
    painter.drawText(strip, Qt::AlignHCenter | Qt::AlignBottom, block.m_name);
    if (endStrip != strip)
        painter.drawText(endStrip, Qt::AlignHCenter | Qt::AlignBottom, block.m_name);
    const int middle = strip.left() + strip.width() / 2;
    if (block.m_invertPan)
        painter.drawPixmap(QRect(middle - 13, strip.top() + 2, 12, 12), Pens().invPan);
    if (block.m_invertTilt)
        painter.drawPixmap(QRect(middle, strip.top() + 2, 12, 12), Pens().invTilt);
}

// ---- Mouse ----

void CPatchWnd::mousePressEvent(QMouseEvent* event)
{
    if (!HasCells())
        return;
    m_pressPoint = event->pos();
    m_mouseMode = NoMode;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    CPatchBlock* block = shift ? nullptr : m_tab->BlockAt(m_universe, ChannelAt(m_pressPoint));
    if (block) {
        m_mouseMode = MoveMode;
        m_tab->SelectBlock(block, control, shift, true);
        m_tab->UpdateActions();
        if (event->button() == Qt::RightButton) {
            m_mouseMode = NoMode;
            update();
            ShowContextMenu(*block, event->globalPos());
            return;
        }
        setCursor(Qt::SizeAllCursor);
    } else {
        m_mouseMode = BandMode;
        m_bandEnd = m_pressPoint;
    }
    if (isVisible())
        grabMouse();
    m_buttonHeld = true;
    update();
}

void CPatchWnd::ShowContextMenu(const CPatchBlock& block, const QPoint& globalPos)
{
    QMenu menu(this);
    for (int n = 0; n < 5; ++n)
        menu.addAction(m_tab->ContextAction(n));
    menu.addSeparator();
    menu.addAction(m_tab->ContextAction(6));
    menu.addSeparator();
    QAction* pan = menu.addAction(QIcon(QStringLiteral(":/Orvane/Images/Patch/InvPan.png")),
                                  GetLangText(Txt::PatchInvertPan));
    pan->setCheckable(true);
    pan->setChecked(block.m_invertPan);
    connect(pan, &QAction::triggered, this, &CPatchWnd::OnInvPan);
    QAction* tilt = menu.addAction(QIcon(QStringLiteral(":/Orvane/Images/Patch/InvTilt.png")),
                                   GetLangText(Txt::PatchInvertTilt));
    tilt->setCheckable(true);
    tilt->setChecked(block.m_invertTilt);
    connect(tilt, &QAction::triggered, this, &CPatchWnd::OnInvTilt);
    menu.exec(globalPos);
}

void CPatchWnd::OnInvPan(bool checked)
{
    for (CPatchBlock* block : m_tab->Selection())
        block->m_invertPan = checked;
    update();
}

void CPatchWnd::OnInvTilt(bool checked)
{
    for (CPatchBlock* block : m_tab->Selection())
        block->m_invertTilt = checked;
    update();
}

void CPatchWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_buttonHeld)
        return;
    QPoint pos = event->pos();
    const QRect inner = rect().adjusted(m_gridLeft + 4, m_gridTop + 4, -(m_gridLeft + 4), -(m_gridTop + 4));
    if (!inner.contains(pos)) {
        if (m_mouseMode == MoveMode) {
            const int tab = m_tab->TabAt(pos, this);
            if (tab >= 0 && tab != m_universe) {
                m_tab->MoveSelectionToUniverse(tab);
                return;
            }
        }
        pos = ClampToGrid(pos);
    }
    if (m_mouseMode == BandMode) {
        m_bandEnd = pos;
    } else if (m_mouseMode == MoveMode) {
        m_tab->MoveSelection(m_universe, ChannelAtClamped(pos) - ChannelAtClamped(m_pressPoint));
    }
    update();
}

void CPatchWnd::mouseReleaseEvent(QMouseEvent* event)
{
    m_buttonHeld = false;
    releaseMouse();
    if (m_mouseMode == BandMode) {
        m_tab->SelectInRect(QRect(m_pressPoint, m_bandEnd), event->modifiers() & Qt::ControlModifier,
                            event->modifiers() & Qt::ShiftModifier, m_universe);
    } else if (m_mouseMode == MoveMode) {
        unsetCursor();
        EndMove();
    }
    m_mouseMode = NoMode;
    update();
}

void CPatchWnd::EndMove()
{
    const CPatchBlock* stopped = nullptr;
    for (const CPatchBlock* block : m_tab->Selection()) {
        if (block->m_overlap || block->m_start < 0 || block->m_start >= m_channelCount ||
            block->m_end >= m_channelCount) {
            stopped = block;
            break;
        }
    }
    if (!stopped) {
        m_tab->CommitMove();
        return;
    }
    if (!stopped->m_overlap)
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::PatchAddressMax));
    m_tab->RevertMove(m_universe);
}

void CPatchWnd::TakeMoveFrom(CPatchWnd& other)
{
    m_pressPoint = other.m_pressPoint;
    m_mouseMode = other.m_mouseMode;
    m_buttonHeld = true;
    other.m_mouseMode = NoMode;
    other.m_buttonHeld = false;
    other.releaseMouse();
    other.unsetCursor();
    setCursor(Qt::SizeAllCursor);
    if (isVisible())
        grabMouse();
}

// ---- Dropping library profiles ----

void CPatchWnd::dragEnterEvent(QDragEnterEvent* event)
{
    CLibraryProfile* profile = m_tab->CurrentProfile();
    if (!event->mimeData()->hasFormat(CProfilesList::kMimeType) || !profile || !HasCells()) {
        event->ignore();
        return;
    }
    m_pressPoint = ClampToGrid(event->pos());
    const int channel = ChannelAt(m_pressPoint);
    if (m_preview) {
        m_preview->m_profile = profile;
        m_preview->SetStart(channel);
    } else {
        m_preview = new CPatchBlock(profile, m_universe, channel, -1);
    }
    m_tab->ClearSelection();
    m_tab->AddToSelection(m_preview);
    update();
    event->acceptProposedAction();
}

void CPatchWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(CProfilesList::kMimeType) || !HasCells()) {
        event->ignore();
        return;
    }
    m_tab->MoveSelection(m_universe, ChannelAtClamped(event->pos()) - ChannelAt(m_pressPoint));
    update();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CPatchWnd::dragLeaveEvent(QDragLeaveEvent*)
{
    m_tab->ClearSelection();
    update();
}

void CPatchWnd::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasFormat(CProfilesList::kMimeType) || !m_preview || !m_tab->CurrentProfile()) {
        event->ignore();
        return;
    }
    m_tab->ClearSelection();
    event->setDropAction(Qt::MoveAction);
    event->accept();
    QString name;
    QString path;
    if (!CProfilesList::DecodePayload(event->mimeData()->data(CProfilesList::kMimeType), name, path) ||
        m_preview->m_overlap) {
        DeletePreview();
        update();
        return;
    }
    if (m_preview->m_start < 0 || m_preview->m_start >= m_channelCount) {
        DeletePreview();
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::PatchAddressMax));
        update();
        return;
    }
    // A fresh copy of the profile: a block of its own in the patch.
    CLibraryProfile* profile = m_tab->AskRoomToAdd(nullptr, 1, false) ? m_tab->AddDroppedProfile() : nullptr;
    if (!profile) {
        DeletePreview();
        update();
        return;
    }
    // The copy may be of another mode than the preview's: place and check again.
    m_preview->m_profile = profile;
    m_preview->SetStart(m_preview->m_start);
    if (!m_tab->IsBlockPlaceFree(m_universe, m_preview)) {
        DeletePreview();
    } else if (m_preview->m_start < 0 || m_preview->m_end >= m_channelCount) {
        DeletePreview();
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::PatchAddressMax));
    } else {
        name = name.trimmed().left(kMaxBaseNameLength);
        m_tab->SetIdAndName(m_preview, name.isEmpty() ? profile->GetBaseName() : name);
        m_tab->AppendBlock(m_preview);
        m_preview = nullptr;
        m_tab->Refresh();
        m_tab->UpdateCountRange();
        m_tab->UpdateActions();
    }
    update();
}
