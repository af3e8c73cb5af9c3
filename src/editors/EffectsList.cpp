#include "editors/EffectsList.h"

#include <QDragEnterEvent>
#include <QDropEvent>

CEffectsList::CEffectsList(QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::IconMode);
    setIconSize(QSize(24, 24));
    setResizeMode(QListView::Adjust);
    setSpacing(6);
    setUniformItemSizes(true);
    setDragEnabled(false);
    setMovement(QListView::Static);
    setFixedHeight(46);
}

void CEffectsList::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void CEffectsList::dropEvent(QDropEvent* event)
{
    event->ignore();
}
