#include "widgets/MenuBar.h"

#include <QMouseEvent>

CMenuBar::CMenuBar(QWidget* parent)
    : QToolBar(parent)
{
    // The owner's menu replaces the bar's own context menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void CMenuBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit menuBar();
        return;
    }
    QToolBar::mousePressEvent(event);
}
