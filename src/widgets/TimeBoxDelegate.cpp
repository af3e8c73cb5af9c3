#include "widgets/TimeBoxDelegate.h"

#include "widgets/ZKTimeEdit.h"

namespace {
const QString kCellFormat = QStringLiteral("mm'm' ss's' zzz");
}

CTimeBoxDelegate::CTimeBoxDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QTime CTimeBoxDelegate::ParseCellText(const QString& text)
{
    const QTime time = QTime::fromString(text.trimmed(), kCellFormat);
    return time.isValid() ? time : QTime(0, 0);
}

QString CTimeBoxDelegate::CellText(const QTime& time)
{
    return (time.isValid() ? time : QTime(0, 0)).toString(kCellFormat);
}

QWidget* CTimeBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new CZKTimeEdit(parent, true);
    editor->setAutoFillBackground(true);
    connect(editor, &CZKTimeEdit::timeChanged, this, &CTimeBoxDelegate::timeChanged);
    return editor;
}

void CTimeBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* edit = qobject_cast<CZKTimeEdit*>(editor))
        edit->SetTime(ParseCellText(index.data(Qt::EditRole).toString()));
}

void CTimeBoxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* edit = qobject_cast<CZKTimeEdit*>(editor))
        model->setData(index, CellText(edit->GetTime()), Qt::EditRole);
}

void CTimeBoxDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
