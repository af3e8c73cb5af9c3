#include "editors/TimeStepDlg.h"

#include "Captions.h"
#include "editors/ModalRun.h"
#include "model/Language.h"
#include "show/SceneStep.h"
#include "widgets/ZKTimeEdit.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* FieldLabel(const QString& caption)
{
    auto* label = new QLabel(caption + QStringLiteral(" :"));
    label->setFixedWidth(80);
    return label;
}

} // namespace

CTimeStepDlg::CTimeStepDlg(const CSceneStep& step, QWidget* parent)
    : QDialog(parent), m_fade(new CZKTimeEdit(nullptr, true)), m_hold(new CZKTimeEdit(nullptr, true))
{
    MakeToolDialog(*this, GetLangText(Txt::EdTime), 260, 100);
    auto* grid = new QGridLayout;
    grid->addWidget(FieldLabel(GetLangText(Txt::EdFadeTime)), 0, 0);
    grid->addWidget(m_fade, 0, 1);
    grid->addWidget(FieldLabel(GetLangText(Txt::EdHoldTime)), 1, 0);
    grid->addWidget(m_hold, 1, 1);
    m_fade->SetTime(QTime(0, 0).addMSecs(step.m_fade));
    m_hold->SetTime(QTime(0, 0).addMSecs(step.m_wait));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setContentsMargins(4, 4, 4, 4);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(buttons);
}

QTime CTimeStepDlg::FadeTime() const
{
    return m_fade->GetTime();
}

QTime CTimeStepDlg::HoldTime() const
{
    return m_hold->GetTime();
}
