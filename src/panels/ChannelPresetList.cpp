#include "panels/ChannelPresetList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

CChannelPresetList::CChannelPresetList(const QList<QImage>& pictures, const QStringList& names,
                                       const QColor& background, QWidget* parent)
    : QWidget(parent), m_pictures(pictures), m_names(names), m_background(background)
{
    setMouseTracking(true);
    SetLayout(m_itemSize, m_itemSize, true);
}

void CChannelPresetList::SetLayout(int itemSize, int height, bool scroller)
{
    m_itemSize = qMax(1, itemSize);
    m_scroller = scroller;
    const int n = m_pictures.size();
    const int s = m_itemSize;
    int width = s;
    m_rects.clear();
    if (scroller) {
        height = qMax(height, s * n);
        for (int i = 0; i < n; ++i)
            m_rects << QRect(0, (height - s) - s * i, s, s);
    } else {
        const int rows = qMax(1, height / s);
        const int columns = qMax(1, (n + rows - 1) / rows);
        width = s * columns;
        for (int i = 0; i < n; ++i)
            m_rects << QRect(s * (i / rows), (height - s) - s * (i % rows), s, s);
    }
    setFixedSize(width, qMax(height, 1));
    DrawCache();
    update();
}

void CChannelPresetList::DrawCache()
{
    m_cache = QPixmap(size());
    m_cache.fill(m_background);
    QPainter painter(&m_cache);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < m_rects.size(); ++i)
        painter.drawImage(m_rects[i].adjusted(2, 2, -2, -2), m_pictures[i]);
}

void CChannelPresetList::SetSelected(int index)
{
    index = index >= 0 && index < m_rects.size() ? index : -1;
    if (index == m_selected)
        return;
    m_selected = index;
    update();
}

int CChannelPresetList::ItemAt(const QPoint& pos) const
{
    for (int i = 0; i < m_rects.size(); ++i) {
        if (m_rects[i].contains(pos))
            return i;
    }
    return -1;
}

void CChannelPresetList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache);
    if (m_selected < 0)
        return;
    const QRect item = m_rects[m_selected];
    painter.fillRect(item, QColor(247, 182, 131));
    painter.setPen(QColor(229, 121, 72));
    painter.drawRect(item.adjusted(0, 0, -1, -1));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(item.adjusted(2, 2, -2, -2), m_pictures[m_selected]);
}

void CChannelPresetList::mousePressEvent(QMouseEvent* event)
{
    m_pressed = true;
    const int index = ItemAt(event->pos());
    if (index < 0)
        return;
    SetSelected(index);
    emit presetChanged(index, event->button() == Qt::RightButton);
}

void CChannelPresetList::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = false;
}

void CChannelPresetList::mouseMoveEvent(QMouseEvent* event)
{
    const int index = ItemAt(event->pos());
    if (index < 0)
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), m_names.value(index), this);
}
