#include "widgets/TitleWnd.h"

#include <QPainter>

CTitleWnd::CTitleWnd(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
{
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CTitleWnd::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    update();
}

void CTitleWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(205, 205, 200));
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(m_title, Qt::ElideRight, width() - 12));
}
