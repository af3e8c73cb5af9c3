#pragma once

#include "editors/EditTriggerRecord.h"

#include <QDialog>

class CAppOptions;
class CCommandsPage;
class CGeneralPage;
class CTriggerDispatcher;
class QTabWidget;

// The program's options: a general page and the live commands' triggers.
// OK stores the general page, writes the options file and says so with
// optionsApplied(); Cancel leaves both as they were, except the trigger
// records the commands page already edited.
class COptionsDlg : public QDialog
{
    Q_OBJECT
public:
    COptionsDlg(CAppOptions& options, const QString& optionsPath, TriggerDialogRunner runner,
                CTriggerDispatcher* dispatcher, QWidget* parent = nullptr);

    CGeneralPage* GeneralPage() const { return m_general; }
    CCommandsPage* CommandsPage() const { return m_commands; }
    QTabWidget* Tabs() const { return m_tabs; }

signals:
    void optionsApplied();

public slots:
    void OnOk();

private:
    CAppOptions& m_options;
    QString m_path;
    QTabWidget* m_tabs;
    CGeneralPage* m_general;
    CCommandsPage* m_commands;
};
