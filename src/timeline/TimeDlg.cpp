#include "timeline/TimeDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "widgets/ZKFullTimeEdit.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

CTimeDlg::CTimeDlg(int time, int minimum, int maximum, QWidget* parent)
    : QDialog(parent), m_edit(new CZKFullTimeEdit)
{
    MakeToolDialog(*this, GetLangText(Txt::TimeLineTime), 260, 60);
    m_edit->SetRange(minimum, maximum);
    m_edit->SetTime(time);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_edit);
    column->addStretch();
    column->addWidget(buttons);
}

int CTimeDlg::Time() const
{
    return m_edit->GetTime();
}

bool CTimeDlg::Run(int& time, int minimum, int maximum, QWidget* parent)
{
    CTimeDlg dialog(time, minimum, maximum, parent);
    if (RunTimeLineDialog(dialog) != QDialog::Accepted)
        return false;
    time = dialog.Time();
    return true;
}

void CTimeDlg::SetRunner(TimeLineDialogRunner<CTimeDlg> runner)
{
    TimeLineRunner<CTimeDlg>() = std::move(runner);
}
