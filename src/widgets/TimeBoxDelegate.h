#pragma once

#include <QStyledItemDelegate>
#include <QTime>

// Edits a table cell holding a duration as text, "01m 05s 120", with a
// short-range time edit.
class CTimeBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CTimeBoxDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Text that is not such a duration reads as zero.
    static QTime ParseCellText(const QString& text);
    static QString CellText(const QTime& time);

signals:
    void timeChanged(const QTime& time);
};
