#include "live/PageOptionsDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/Triggers.h"
#include "show/Page.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
CPageOptionsDlg::TriggerDialogRunner& InstalledRunner()
{
    static CPageOptionsDlg::TriggerDialogRunner runner;
    return runner;
}

QString TriggerButtonText(const CTriggers& triggers)
{
    const QString text = triggers.GetText();
    return text.isEmpty() ? GetLangText(Txt::PagesNoTrigger) : text;
}
} // namespace

CPageOptionsDlg::CPageOptionsDlg(CPage& page, QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_page(page)
    , m_name(new QLineEdit(page.m_name, this))
    , m_triggers(new QPushButton(TriggerButtonText(page.m_triggers), this))
{
    setWindowTitle(GetLangText(Txt::PagesPageOptions));
    m_triggers->setEnabled(static_cast<bool>(InstalledRunner()));
    auto* form = new QFormLayout;
    form->addRow(GetLangText(Txt::PagesName), m_name);
    form->addRow(GetLangText(Txt::PagesTriggers), m_triggers);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(GetLangText(Txt::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(GetLangText(Txt::PagesCancel));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_triggers, &QPushButton::clicked, this, &CPageOptionsDlg::OnTriggers);
    setFixedSize(sizeHint());
}

void CPageOptionsDlg::SetTriggerDialogRunner(TriggerDialogRunner runner)
{
    InstalledRunner() = std::move(runner);
}

QString CPageOptionsDlg::Name() const
{
    return m_name->text().trimmed();
}

void CPageOptionsDlg::OnTriggers()
{
    const TriggerDialogRunner& runner = InstalledRunner();
    if (!runner)
        return;
    if (runner(m_page.m_triggers, this))
        m_triggers->setText(TriggerButtonText(m_page.m_triggers));
}
