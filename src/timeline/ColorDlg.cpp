#include "timeline/ColorDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/TimeLine.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

CColorDlg::CColorDlg(int color, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget), m_color(CTimeBlock::IsColorIndex(color) ? color : 0)
{
    MakeToolDialog(*this, GetLangText(Txt::TimeLineColor), 330, 90);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(30, 30));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSpacing(6);
    m_list->setMovement(QListView::Static);
    m_list->setDragEnabled(false);
    m_list->setUniformItemSizes(true);
    for (int index = 0; index < CTimeBlock::kColorCount; ++index) {
        auto* item = new QListWidgetItem(QIcon(QStringLiteral(":/Orvane/Images/TimeLine/Block%1.png").arg(index + 1)),
                                         QString(), m_list);
        item->setData(Qt::UserRole, index);
    }
    m_list->setCurrentRow(m_color);
    connect(m_list, &QListWidget::itemClicked, this, &CColorDlg::OnSelClrChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_list);
    column->addStretch();
    column->addWidget(buttons);
}

void CColorDlg::OnSelClrChanged(QListWidgetItem* item)
{
    const int color = item ? item->data(Qt::UserRole).toInt() : -1;
    if (CTimeBlock::IsColorIndex(color))
        m_color = color;
}

bool CColorDlg::Run(int& color, QWidget* parent)
{
    CColorDlg dialog(color, parent);
    if (RunTimeLineDialog(dialog) != QDialog::Accepted)
        return false;
    color = dialog.Color();
    return true;
}

void CColorDlg::SetRunner(TimeLineDialogRunner<CColorDlg> runner)
{
    TimeLineRunner<CColorDlg>() = std::move(runner);
}
