#include "widgets/ZKListItemDelegate.h"

#include <QPainter>

CZKListItemDelegate::CZKListItemDelegate(bool thick, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_thick(thick)
{
}

void CZKListItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_Selected))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    if (m_thick) {
        painter->setPen(QPen(FrameColor(), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter->drawRect(option.rect.adjusted(3, 1, -3, -2));
    } else {
        painter->setPen(QPen(FrameColor(), 1));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}
