#pragma once

#include "editors/EditTriggerRecord.h"

#include <QWidget>

#include <array>

class CAppOptions;
class CTriggerDispatcher;
class QPushButton;

// The options page of the live commands: one trigger button per command.
// An edited record goes into the options and to the dispatcher at once, so
// it plays without a restart and stays edited if the options are cancelled.
class CCommandsPage : public QWidget
{
    Q_OBJECT
public:
    // The dispatcher may be null (no live pages yet).
    CCommandsPage(CAppOptions& options, TriggerDialogRunner runner, CTriggerDispatcher* dispatcher,
                  QWidget* parent = nullptr);

    QPushButton* TriggerButton(int command) const { return m_buttons[size_t(command)]; }

    // Blackout, beam on and pause may release their state again when the
    // trigger lets go.
    static bool AllowsAutoRelease(int command);

public slots:
    void OnTrigBlackOut();
    void OnTrigBeamOn();
    void OnTrigPause();
    void OnTrigNext();
    void OnTrigDimmer();
    void OnTrigSpeed();
    void OnTrigCommonBlackOut();
    void OnTrigCommonBeamOn();
    void OnTrigCommonPause();
    void OnTrigCommonNext();
    void OnTrigCommonDimmer();
    void OnTrigCommonSpeed();

private:
    void EditCommand(int command);

    CAppOptions& m_options;
    TriggerDialogRunner m_runner;
    CTriggerDispatcher* m_dispatcher;
    std::array<QPushButton*, 12> m_buttons{};
};
