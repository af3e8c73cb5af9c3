#pragma once

#include <QDialog>

#include <functional>

class CPage;
class CTriggers;
class QLineEdit;
class QPushButton;

// The options of a live page: its name and its triggers. The name is the
// caller's to take on OK; the triggers are edited in place by the trigger
// dialog.
class CPageOptionsDlg : public QDialog
{
    Q_OBJECT
public:
    // Runs the trigger dialog on a page's record (normal mode, without the
    // auto-release choice, since a page trigger only shows the page); true on OK.
    using TriggerDialogRunner = std::function<bool(CTriggers& triggers, QWidget* parent)>;

    explicit CPageOptionsDlg(CPage& page, QWidget* parent = nullptr);

    // The trigger dialog lives with the editors; until the program installs
    // it the triggers button stays disabled.
    static void SetTriggerDialogRunner(TriggerDialogRunner runner);

    QString Name() const;
    QLineEdit* NameEdit() const { return m_name; }
    QPushButton* TriggersButton() const { return m_triggers; }

public slots:
    void OnTriggers();

private:
    CPage& m_page;
    QLineEdit* m_name;
    QPushButton* m_triggers;
};
