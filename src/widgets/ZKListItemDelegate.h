#pragma once

#include <QStyledItemDelegate>

// Icon lists: the standard item, plus an orange frame round a selected one,
// thick for picture lists and thin for plain ones.
class CZKListItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CZKListItemDelegate(bool thick, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QColor FrameColor() { return QColor(229, 121, 72); }

private:
    bool m_thick;
};
