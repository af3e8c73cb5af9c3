#include "layout/view/MatrixDimDlg.h"

#include "Captions.h"
#include "model/Language.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

CMatrixDimDlg::CMatrixDimDlg(int count, QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_rowsBox(new QComboBox(this))
    , m_columnsBox(new QComboBox(this))
    , m_count(count)
{
    setWindowTitle(GetLangText(Txt::Matrix));
    setFixedSize(180, 90);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(GetLangText(Txt::Rows)), 0, 0, Qt::AlignRight);
    grid->addWidget(new QLabel(GetLangText(Txt::Columns)), 0, 2, Qt::AlignLeft);
    grid->addWidget(m_rowsBox, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("x")), 1, 1, Qt::AlignCenter);
    grid->addWidget(m_columnsBox, 1, 2);
    m_rowsBox->setFixedWidth(70);
    m_columnsBox->setFixedWidth(70);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    int divisors = 0;
    for (int d = 1; d <= count; ++d) {
        if (count % d)
            continue;
        m_rowsBox->addItem(QStringLiteral("%1").arg(d));
        m_columnsBox->addItem(QStringLiteral("%1").arg(d));
        ++divisors;
    }
    if (count != 0) {
        m_rowsBox->setCurrentIndex(divisors / 2);
        OnNbRowsChanged(divisors / 2);
    }
    connect(m_rowsBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CMatrixDimDlg::OnNbRowsChanged);
    connect(m_columnsBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CMatrixDimDlg::OnNbColumnsChanged);
}

void CMatrixDimDlg::Match(QComboBox* chosen, int index, int& value, QComboBox* other, int& otherValue)
{
    value = chosen->itemText(index).toInt();
    const QSignalBlocker blocker(other);
    other->setCurrentIndex(-1);
    for (int i = 0; i < other->count() && m_count > 0; ++i) {
        otherValue = other->itemText(i).toInt();
        if (value * otherValue == m_count) {
            other->setCurrentIndex(i);
            return;
        }
    }
}

void CMatrixDimDlg::OnNbRowsChanged(int index)
{
    Match(m_rowsBox, index, m_rows, m_columnsBox, m_columns);
}

void CMatrixDimDlg::OnNbColumnsChanged(int index)
{
    Match(m_columnsBox, index, m_columns, m_rowsBox, m_rows);
}
