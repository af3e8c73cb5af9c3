#include "app/OptionsDlg.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "app/CommandsPage.h"
#include "app/GeneralPage.h"
#include "app/OptionsFile.h"
#include "model/Language.h"
#include "show/ShowHost.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

COptionsDlg::COptionsDlg(CAppOptions& options, const QString& optionsPath, TriggerDialogRunner runner,
                         CTriggerDispatcher* dispatcher, QWidget* parent)
    : QDialog(parent)
    , m_options(options)
    , m_path(optionsPath)
    , m_tabs(new QTabWidget(this))
    , m_general(new CGeneralPage(options, m_tabs))
    , m_commands(new CCommandsPage(options, std::move(runner), dispatcher, m_tabs))
{
    setWindowTitle(GetLangText(Txt::OptionsTitle));
    m_tabs->addTab(m_general, GetLangText(Txt::OptionsGeneral));
    m_tabs->addTab(m_commands, GetLangText(Txt::OptionsCommands));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(GetLangText(Txt::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(GetLangText(Txt::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void COptionsDlg::OnOk()
{
    m_general->Store(m_options);
    QString error;
    // The options hold in this run even when the file cannot take them.
    if (!COptionsFile::Save(m_options, m_path, &error))
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::CannotWriteFile).arg(m_path, error));
    emit optionsApplied();
    accept();
}
