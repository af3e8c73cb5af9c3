#include "layout/view/FixturesView.h"

#include "Captions.h"
#include "layout/view/FixtViewScrollArea.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

void CFixturesView::mousePressEvent(QMouseEvent* event)
{
    m_mouseDown = true;
    if (m_hoveredHandle != kNoHandle) {
        m_handleDrag = true;
        return;
    }
    m_pressPoint = event->pos();
    const QPoint q = ToModel(event->pos());
    switch (m_toolMode) {
    case PenTool:
        PenAt(q, true);
        return;
    case LineTool:
    case RectangleTool:
    case CircleTool:
        ShapeToolPress(q);
        return;
    case PickTool:
        PickAt(q);
        return;
    case FillTool:
        FillAt(q);
        return;
    default:
        break;
    }

    const bool right = event->button() == Qt::RightButton;
    const bool toggle = !right && (m_locked || (event->modifiers() & Qt::ControlModifier));
    const bool whole = event->modifiers() & Qt::ShiftModifier;
    int fixtureHit = -1;
    int matrixHit = -1;
    bool wasSelected = false;
    for (int i = 0; i < m_fixtureItems.size() && fixtureHit < 0; ++i) {
        wasSelected = m_fixtureItems.at(i)->IsSelected();
        if (m_fixtureItems.at(i)->SelectAt(q, toggle))
            fixtureHit = i;
    }
    if (fixtureHit < 0 && (!m_locked || whole || right)) {
        for (int i = 0; i < m_matrixItems.size() && matrixHit < 0; ++i) {
            wasSelected = m_matrixItems.at(i)->IsSelected();
            if (m_matrixItems.at(i)->HitTestBeams(q, toggle, whole))
                matrixHit = i;
        }
    }

    if (fixtureHit < 0 && matrixHit < 0) {
        m_outline = QRect();
        m_rubberBand = !right;
        return;
    }
    if (!toggle && !wasSelected)
        UnselectAllExcept(fixtureHit, matrixHit);
    update();
    if (right) {
        ShowGroupMenu(m_pressPoint);
        // The release may have gone to the menu.
        m_mouseDown = false;
        m_moving = false;
        m_rubberBand = false;
        return;
    }
    if (!m_locked) {
        StoreMoveOrigins();
        m_moving = true;
    }
}

void CFixturesView::HoverHandles(const QPoint& point)
{
    static const Qt::CursorShape kCursors[8] = {Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor,
                                                Qt::SizeHorCursor,   Qt::SizeHorCursor, Qt::SizeBDiagCursor,
                                                Qt::SizeVerCursor,   Qt::SizeFDiagCursor};
    for (int handle = 0; handle < 8; ++handle) {
        if (!m_handles[handle].isNull() && m_handles[handle].contains(point)) {
            setCursor(kCursors[handle]);
            m_hoveredHandle = handle;
            return;
        }
    }
    if (m_hoveredHandle != kNoHandle) {
        setCursor(Qt::ArrowCursor);
        m_hoveredHandle = kNoHandle;
    }
    if (!m_toolTipsOn)
        return;
    const QString tip = ToolTipAt(point);
    if (tip.isEmpty() && !tip.isNull())
        QToolTip::hideText();
    else if (!tip.isNull())
        QToolTip::showText(mapToGlobal(point), tip, this);
}

void CFixturesView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->pos();
    if (m_toolMode != NoTool) {
        if (m_mouseDown && m_toolMode == PenTool)
            PenAt(ToModel(p), false);
        else if (m_mouseDown && m_toolMode >= LineTool && m_toolMode <= CircleTool)
            UpdateToolPreview(ToModel(p));
        return;
    }
    if (m_rubberBand) {
        m_outline = QRect(std::min(m_pressPoint.x(), p.x()), std::min(m_pressPoint.y(), p.y()),
                          std::abs(p.x() - m_pressPoint.x()), std::abs(p.y() - m_pressPoint.y()));
        update();
    } else if (m_moving) {
        const int dx = int(float(p.x() - m_pressPoint.x()) / m_zoom);
        const int dy = int(float(p.y() - m_pressPoint.y()) / m_zoom);
        for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
            if (item->IsSelected())
                MoveItem(item, dx, dy);
        }
        for (CMatrixItem* item : qAsConst(m_matrixItems)) {
            if (item->IsSelected())
                MoveItem(item, dx, dy);
        }
        update();
    } else if (m_handleDrag) {
        const QRect shown = m_cropped ? m_cropRect.translated(-m_cropRect.topLeft()) : m_sceneRect;
        int left = int(float(shown.left()) * m_zoom);
        int top = int(float(shown.top()) * m_zoom);
        int right = int(float(shown.left() + shown.width()) * m_zoom);
        int bottom = int(float(shown.top() + shown.height()) * m_zoom);
        const int h = m_hoveredHandle;
        if (h == 0 || h == 3 || h == 5)
            left = p.x();
        if (h == 2 || h == 4 || h == 7)
            right = p.x();
        if (h == 0 || h == 1 || h == 2)
            top = p.y();
        if (h == 5 || h == 6 || h == 7)
            bottom = p.y();
        m_outline = QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
        update();
        if (m_scrollArea)
            m_scrollArea->SetOutline(m_outline, true);
    } else {
        HoverHandles(p);
    }
}

void CFixturesView::mouseReleaseEvent(QMouseEvent* event)
{
    m_mouseDown = false;
    if (m_toolMode != NoTool) {
        if (m_toolDrag)
            CommitToolMask();
        return;
    }
    if (m_rubberBand) {
        m_rubberBand = false;
        const bool toggle = m_locked || (event->modifiers() & Qt::ControlModifier);
        const bool whole = event->modifiers() & Qt::ShiftModifier;
        QRect area(int(float(m_outline.x()) / m_zoom), int(float(m_outline.y()) / m_zoom),
                   int(float(m_outline.width()) / m_zoom), int(float(m_outline.height()) / m_zoom));
        if (area.isEmpty()) {
            area = QRect(qRound(double(event->pos().x()) / double(m_zoom)),
                         qRound(double(event->pos().y()) / double(m_zoom)), 1, 1);
        }
        if (m_cropped)
            area.translate(m_cropRect.topLeft());
        if (!toggle)
            UnselectAll(false);
        bool hit = false;
        for (CFixtureItem* item : qAsConst(m_fixtureItems))
            hit = item->SelectInRect(area, toggle) || hit;
        for (CMatrixItem* item : qAsConst(m_matrixItems))
            hit = item->SelectBeamsInRect(area, toggle, whole) || hit;
        if (toggle && !hit)
            UnselectAll(false);
        update();
    }
    m_moving = false;
    if (m_handleDrag) {
        ApplyOutline();
        m_handleDrag = false;
        if (m_scrollArea)
            m_scrollArea->SetOutline(QRect(), false);
        return;
    }
    ShowHost().SetDeleteTarget(0);
    emit selChanged();
}

QString CFixturesView::ToolTipAt(const QPoint& widgetPoint) const
{
    const QPoint q = ToModel(widgetPoint);
    for (const CFixtureItem* item : m_fixtureItems) {
        if (!item->m_rect.contains(q))
            continue;
        const CPatchedFixture* fixture = item->Fixture();
        if (!fixture)
            return QString();
        const int channels = fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
        return QStringLiteral("%1 - #%2\n@ : %3 - %4 [U%5]")
            .arg(fixture->m_name)
            .arg(fixture->m_id)
            .arg(fixture->m_address + 1)
            .arg(fixture->m_address + channels)
            .arg(fixture->m_universe + 1);
    }
    for (const CMatrixItem* item : m_matrixItems) {
        if (!item->m_rect.contains(q))
            continue;
        const CFixtureMatrix* matrix = item->Matrix();
        if (!matrix)
            return QString();
        return QStringLiteral("Matrix #%1 [%2 x %3]\n%4")
            .arg(matrix->Id())
            .arg(matrix->Rows())
            .arg(matrix->Columns())
            .arg(matrix->Profile() ? matrix->Profile()->GetBaseName() : QString());
    }
    return QStringLiteral("");
}

void CFixturesView::ShowGroupMenu(const QPoint& widgetPoint)
{
    emit selChanged();
    QMenu menu(this);
    menu.setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    for (int i = 0; i < m_menuActions.size(); ++i) {
        if (i == 2 || i == 4)
            menu.addSeparator();
        menu.addAction(m_menuActions.at(i));
    }
    menu.addSeparator();
    menu.addAction(GetLangText(Txt::AddToNewGroup), this, &CFixturesView::OnAddToNewGroup);
    const QList<CGroup*>& groups = m_project.m_groups;
    if (groups.size() >= 2) {
        for (int g = 1; g < groups.size(); ++g) {
            if (groups.at(g) == m_project.m_currentGroup)
                continue;
            QAction* entry = menu.addAction(GetLangText(Txt::AddToGroup) + QStringLiteral(" : ") + groups.at(g)->m_name,
                                            this, &CFixturesView::OnAddToGroup);
            entry->setData(g);
        }
    }
    const QPoint global = mapToGlobal(widgetPoint);
    if (m_menuRunner)
        m_menuRunner(menu, global);
    else
        menu.exec(global);
}

void CFixturesView::OnAddToGroup()
{
    const auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const int group = action->data().toInt();
    if (group > 0 && group < m_project.m_groups.size())
        emit addToGroup(group);
}
