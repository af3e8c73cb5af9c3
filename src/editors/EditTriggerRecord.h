#pragma once

#include <functional>

class CTriggers;
class QAbstractButton;
class QWidget;

// Runs the trigger dialog on a record and answers true after OK. Callers
// keep one so that tests can stand in for the modal run.
using TriggerDialogRunner =
    std::function<bool(CTriggers& record, bool levelMode, bool autoReleaseAllowed, QWidget* parent)>;

// The modal run every owner of a trigger record shares: the host names the
// dialog as the open trigger dialog, which hears every MIDI message, for
// exactly the time of the run.
bool RunTriggerDialog(CTriggers& record, bool levelMode, bool autoReleaseAllowed, int universeCount,
                      QWidget* parent);

// Edits the record through `runner`; after OK the button shows the record's text.
bool EditTriggerRecord(const TriggerDialogRunner& runner, CTriggers& record, bool levelMode,
                       bool autoReleaseAllowed, QAbstractButton* button);
