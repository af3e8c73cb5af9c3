#include "editors/EditTriggerRecord.h"

#include "editors/TriggerDlg.h"
#include "model/Triggers.h"
#include "show/ShowHost.h"

#include <QAbstractButton>

bool RunTriggerDialog(CTriggers& record, bool levelMode, bool autoReleaseAllowed, int universeCount,
                      QWidget* parent)
{
    CTriggerDlg dialog(record, levelMode, autoReleaseAllowed, universeCount, parent);
    ShowHost().SetOpenTriggerDialog(&dialog);
    // exec() shows and activates the window; showing it before would
    // leave it without its modality.
    const int result = dialog.exec();
    ShowHost().SetOpenTriggerDialog(nullptr);
    return result == QDialog::Accepted;
}

bool EditTriggerRecord(const TriggerDialogRunner& runner, CTriggers& record, bool levelMode,
                       bool autoReleaseAllowed, QAbstractButton* button)
{
    if (!runner || !runner(record, levelMode, autoReleaseAllowed, button ? button->window() : nullptr))
        return false;
    if (button)
        button->setText(record.GetText());
    return true;
}
