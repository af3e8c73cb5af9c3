#include "layout/view/FixtViewScrollArea.h"

#include <QPainter>

CFixtViewScrollArea::CFixtViewScrollArea(QWidget* parent)
    : QScrollArea(parent)
{
}

void CFixtViewScrollArea::SetOutline(const QRect& rect, bool visible)
{
    if (rect.isValid()) {
        m_outline = rect.translated(widget() ? widget()->pos() : QPoint());
        m_outlineVisible = visible;
    } else {
        m_outline = QRect();
        m_outlineVisible = false;
    }
    viewport()->update();
}

void CFixtViewScrollArea::paintEvent(QPaintEvent* event)
{
    QScrollArea::paintEvent(event);
    if (!m_outlineVisible)
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(m_outline);
}
