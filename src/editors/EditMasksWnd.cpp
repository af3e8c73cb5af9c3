#include "editors/EditMasksWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/ShowHost.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

CEditMasksWnd::CEditMasksWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_backup(project.m_masks)
    , m_add(new QAction(QIcon(QStringLiteral(":/Orvane/Images/Icons/AddMask.png")), GetLangText(Txt::EdAddMask), this))
    , m_remove(new QAction(QIcon(QStringLiteral(":/Orvane/Images/Icons/RemoveMask.png")),
                           GetLangText(Txt::EdRemoveMask), this))
    , m_toolBar(new QToolBar)
    , m_table(new QTableWidget(0, 1))
    , m_ok(new QPushButton(GetLangText(Txt::Ok)))
    , m_cancel(new QPushButton(GetLangText(Txt::Cancel)))
{
    connect(m_add, &QAction::triggered, this, &CEditMasksWnd::AddMask);
    connect(m_remove, &QAction::triggered, this, &CEditMasksWnd::RemoveMask);
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->addAction(m_add);
    m_toolBar->addAction(m_remove);

    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CEditMasksWnd::OnSelChanged);
    connect(m_table, &QTableWidget::cellChanged, this, &CEditMasksWnd::OnCelChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CEditMasksWnd::OnCelDoubleClicked);

    connect(m_ok, &QPushButton::pressed, this, &CEditMasksWnd::OnOk);
    connect(m_cancel, &QPushButton::pressed, this, &CEditMasksWnd::OnCancel);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_toolBar);
    column->addWidget(m_table);
    column->addSpacing(6);
    column->addLayout(buttons);
    Retranslate();
    FillTable();
}

void CEditMasksWnd::Retranslate()
{
    m_add->setToolTip(GetLangText(Txt::EdAdd));
    m_remove->setToolTip(GetLangText(Txt::Remove));
    m_table->setHorizontalHeaderLabels({GetLangText(Txt::EdMasks)});
}

void CEditMasksWnd::FillTable()
{
    // Filling selects and writes cells: none of it is the operator's.
    const bool wasBusy = m_busy;
    m_busy = true;
    m_table->clearContents();
    m_table->setRowCount(m_project.m_masks.size());
    for (int i = 0; i < m_project.m_masks.size(); ++i)
        m_table->setItem(i, 0, new QTableWidgetItem(m_project.m_masks.at(i).m_name));
    m_table->clearSelection();
    m_currentMask = -1;
    m_remove->setEnabled(false);
    m_busy = wasBusy;
}

void CEditMasksWnd::OnSelChanged()
{
    if (m_busy)
        return;
    m_currentMask = m_table->currentRow();
    m_remove->setEnabled(HasCurrentMask());
}

void CEditMasksWnd::OnCelChanged(int row, int column)
{
    if (m_busy || column != 0 || row < 0 || row >= m_project.m_masks.size())
        return;
    const QTableWidgetItem* item = m_table->item(row, column);
    if (!item)
        return;
    // The row changed is the mask renamed, whichever row is selected.
    m_busy = true;
    if (item->text().trimmed().isEmpty()) {
        m_table->item(row, column)->setText(m_project.m_masks[row].m_name);
    } else {
        m_project.m_masks[row].m_name = item->text();
    }
    m_busy = false;
}

void CEditMasksWnd::OnCelDoubleClicked(int row, int column)
{
    Q_UNUSED(row);
    Q_UNUSED(column);
}

void CEditMasksWnd::AddMask()
{
    ShowHost().AddMask();
    FillTable();
}

void CEditMasksWnd::RemoveMask()
{
    if (!HasCurrentMask())
        return;
    m_project.m_masks.removeAt(m_currentMask);
    FillTable();
}

void CEditMasksWnd::OnOk()
{
    EndEdit(true);
}

void CEditMasksWnd::OnCancel()
{
    CancelAsking();
}

bool CEditMasksWnd::HasChanges() const
{
    const QList<CMask>& masks = m_project.m_masks;
    if (masks.size() != m_backup.size())
        return true;
    for (int i = 0; i < masks.size(); ++i) {
        const CMask& now = masks.at(i);
        const CMask& then = m_backup.at(i);
        if (now.m_name != then.m_name || now.m_levels.size() != then.m_levels.size())
            return true;
        for (int l = 0; l < now.m_levels.size(); ++l) {
            const CChannelLevel& a = now.m_levels.at(l);
            const CChannelLevel& b = then.m_levels.at(l);
            if (a.m_universe != b.m_universe || a.m_channel != b.m_channel || a.m_level != b.m_level)
                return true;
        }
    }
    return false;
}

QString CEditMasksWnd::EditedName() const
{
    return GetLangText(Txt::EdMasks);
}

void CEditMasksWnd::EndEdit(bool keep)
{
    // The edit works on the show's own list; the show is marked only once
    // the changes are kept, so dropping them leaves the mark as it was.
    if (keep && HasChanges())
        ShowHost().SetModified(true);
    else if (!keep)
        m_project.m_masks = m_backup;
    m_backup.clear();
    emit closeWnd();
}
