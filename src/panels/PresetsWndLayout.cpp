#include "panels/PresetsWnd.h"

#include "panels/MiniPresetList.h"
#include "panels/PresetCtrl.h"
#include "panels/PresetDragData.h"
#include "show/Group.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

void CPresetsWnd::EnsureColumn(int index)
{
    while (m_columns.size() <= index) {
        auto* column = new QVBoxLayout;
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        column->addStretch();
        m_mainLayout->insertLayout(m_columns.size(), column);
        m_columns << column;
        m_top << nullptr;
        m_bottom << nullptr;
    }
}

void CPresetsWnd::InsertColumn(int index, CPresetCtrl* control)
{
    if (index < 0 || index > m_columns.size())
        index = m_columns.size();
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(control);
    column->addStretch();
    m_columns.insert(index, column);
    m_top.insert(index, control);
    m_bottom.insert(index, nullptr);
    m_mainLayout->insertLayout(index, column);
    control->show();
}

void CPresetsWnd::RemoveColumn(int index)
{
    if (index < 0 || index >= m_columns.size())
        return;
    QVBoxLayout* column = m_columns.takeAt(index);
    m_top.removeAt(index);
    m_bottom.removeAt(index);
    m_mainLayout->removeItem(column);
    delete column;
}

void CPresetsWnd::AddControl(CPresetCtrl* control)
{
    const CPresetConfig* config = control->Config();
    int column = config ? config->m_x : -1;
    if (column == -1) {
        InsertColumn(-1, control);
        return;
    }
    if (column < -1) {
        control->hide();
        control->SetMinimised(true);
        m_strip->Add(control);
        return;
    }
    // A stored column past the existing ones (a record from a file) gives
    // one new column, never a run of empty ones.
    column = qMin(column, m_columns.size());
    EnsureColumn(column);
    const bool bottom = config->m_y == 1;
    QList<CPresetCtrl*>& halves = bottom ? m_bottom : m_top;
    while (halves[column]) {
        ++column;
        EnsureColumn(column);
    }
    halves[column] = control;
    if (bottom)
        m_columns[column]->addWidget(control);
    else
        m_columns[column]->insertWidget(0, control);
    control->show();
    if (m_top[column] && m_bottom[column]) {
        const int width = qMax(m_top[column]->width(), m_bottom[column]->width());
        m_top[column]->setFixedWidth(width);
        m_bottom[column]->setFixedWidth(width);
    }
}

bool CPresetsWnd::RemoveControl(CPresetCtrl* control, int keepColumn, int* column, bool* wasTop,
                                CPresetCtrl** partner)
{
    int index = m_top.indexOf(control);
    const bool top = index >= 0;
    if (!top)
        index = m_bottom.indexOf(control);
    if (column)
        *column = index;
    if (wasTop)
        *wasTop = top;
    if (partner)
        *partner = index >= 0 ? (top ? m_bottom[index] : m_top[index]) : nullptr;
    if (index < 0 || !control)
        return false;
    m_columns[index]->removeWidget(control);
    (top ? m_top : m_bottom)[index] = nullptr;
    if (!m_top[index] && !m_bottom[index] && index != keepColumn) {
        RemoveColumn(index);
        return true;
    }
    return false;
}

void CPresetsWnd::StoreLayout()
{
    for (int i = 0; i < m_columns.size();) {
        if (!m_top[i] && !m_bottom[i]) {
            RemoveColumn(i);
            continue;
        }
        for (int half = 0; half < 2; ++half) {
            CPresetCtrl* control = half == 0 ? m_top[i] : m_bottom[i];
            if (control && control->Config()) {
                control->Config()->m_x = i;
                control->Config()->m_y = half;
            }
        }
        ++i;
    }
    for (CPresetCtrl* control : m_strip->Controls()) {
        if (control->Config())
            control->Config()->m_x = -2;
    }
}

CPresetCtrl* CPresetsWnd::ColumnPartner(const CPresetCtrl* control) const
{
    CPresetCtrl* key = const_cast<CPresetCtrl*>(control);
    int index = m_top.indexOf(key);
    if (index >= 0)
        return m_bottom[index];
    index = m_bottom.indexOf(key);
    return index >= 0 ? m_top[index] : nullptr;
}

void CPresetsWnd::MoveToOwnColumn(CPresetCtrl* control)
{
    CPresetCtrl* partner = ColumnPartner(control);
    if (!partner)
        return;
    partner->UpdateLayout(false);
    int column = -1;
    RemoveControl(control, -1, &column);
    InsertColumn(column + 1, control);
    StoreLayout();
}

int CPresetsWnd::FindDropColumn(const QPoint& pos, bool* foundHalf)
{
    if (foundHalf)
        *foundHalf = false;
    m_dropHighlight = rect();
    for (int i = 0; i < m_columns.size(); ++i) {
        CPresetCtrl* top = m_top[i];
        CPresetCtrl* bottom = m_bottom[i];
        CPresetCtrl* lone = top && !bottom ? top : (!top && bottom ? bottom : nullptr);
        if (lone && lone->Size() == CPresetCtrl::SizeSmall && pos.x() >= lone->x()
            && pos.x() <= lone->geometry().right()) {
            const int halfAway = top ? CPresetCtrl::SmallHeight : -CPresetCtrl::SmallHeight;
            m_dropHighlight = lone->geometry().translated(0, halfAway);
            if (foundHalf)
                *foundHalf = true;
            return i;
        }
        CPresetCtrl* any = top ? top : bottom;
        if (any)
            m_dropHighlight.setLeft(any->geometry().right() + 1);
    }
    return -1;
}

QSize CPresetsWnd::minimumSizeHint() const
{
    // A full column's height whatever the selection shows: were the panel to
    // follow its controls, the split bar would take their room from the plan
    // above each time they come or go, and move it under the pointer.
    return QWidget::minimumSizeHint().expandedTo(QSize(0, CPresetCtrl::BigHeight));
}

void CPresetsWnd::ResizeAfterMove(CPresetCtrl* control, CPresetCtrl* formerPartner)
{
    control->UpdateLayout(true);
    if (formerPartner)
        formerPartner->UpdateLayout(false);
}

void CPresetsWnd::MoveControl(int id, const QPoint& pos)
{
    CPresetCtrl* control = ControlById(id);
    if (!control || control->IsMinimised())
        return;
    bool found = false;
    int target = FindDropColumn(pos, &found);
    int old = -1;
    bool wasTop = false;
    CPresetCtrl* partner = nullptr;
    if (RemoveControl(control, target, &old, &wasTop, &partner) && old < target)
        --target;
    const bool topFree = found && !m_top[target] && !(old == target && wasTop);
    const bool bottomFree = found && !m_bottom[target] && !(old == target && !wasTop);
    if (!topFree && !bottomFree) {
        InsertColumn(-1, control);
    } else {
        if (control->Size() == CPresetCtrl::SizeBig)
            control->SetSize(CPresetCtrl::SizeSmall, true);
        (topFree ? m_top : m_bottom)[target] = control;
        if (topFree)
            m_columns[target]->insertWidget(0, control);
        else
            m_columns[target]->addWidget(control);
    }
    ResizeAfterMove(control, partner);
    StoreLayout();
}

void CPresetsWnd::OnDropPreset(int draggedId, int targetId)
{
    CPresetCtrl* dragged = ControlById(draggedId);
    CPresetCtrl* target = ControlById(targetId);
    if (draggedId == targetId || !dragged || !target || dragged->IsMinimised() || target->IsMinimised())
        return;
    CPresetCtrl* partner = nullptr;
    RemoveControl(dragged, -1, nullptr, nullptr, &partner);
    int column = m_top.indexOf(target);
    if (column < 0)
        column = m_bottom.indexOf(target);
    InsertColumn(column + 1, dragged);
    ResizeAfterMove(dragged, partner);
    StoreLayout();
}

void CPresetsWnd::OnMinimizePreset(int id)
{
    CPresetCtrl* control = ControlById(id);
    if (!control)
        return;
    RemoveControl(control, -1);
    m_strip->Add(control);
    m_stripArea->show();
    StoreLayout();
}

void CPresetsWnd::OnMaximizePreset(int id)
{
    CPresetCtrl* control = ControlById(id);
    if (!control)
        return;
    control->Restore();
    if (m_strip->IsEmpty())
        m_stripArea->hide();
    InsertColumn(-1, control);
    StoreLayout();
}

void CPresetsWnd::OnStartDragging(int id)
{
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kPresetWndMimeType), EncodePresetDragId(id));
    QPointer<CPresetsWnd> self(this);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(m_dragPixmap);
    drag->exec(Qt::MoveAction);
    if (!self)
        return;
    m_dropHighlight = QRect();
    update();
}

void CPresetsWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QLatin1String(kPresetWndMimeType))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CPresetsWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(QLatin1String(kPresetWndMimeType))) {
        event->ignore();
        return;
    }
    FindDropColumn(event->pos());
    update();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CPresetsWnd::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dropHighlight = QRect();
    update();
    event->accept();
}

void CPresetsWnd::dropEvent(QDropEvent* event)
{
    int id = 0;
    if (DecodePresetDragId(event->mimeData(), id)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        MoveControl(id, event->pos());
    } else {
        event->ignore();
    }
    m_dropHighlight = QRect();
    update();
}

void CPresetsWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_dropHighlight.isValid())
        painter.fillRect(m_dropHighlight, QColor(219, 219, 232));
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
