#include "live/LiveEditor.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/ShowHost.h"

void CLiveEditor::CancelAsking()
{
    if (!HasChanges()) {
        EndEdit(false);
        return;
    }
    const int answer = AskKeepChanges(EditedName());
    if (answer == CShowHost::Yes || answer == CShowHost::No)
        EndEdit(answer == CShowHost::Yes);
}

int CLiveEditor::AskKeepChanges(const QString& name)
{
    return ShowHost().AskYesNoCancel(GetLangText(Txt::AppTitle), GetLangText(Txt::EdKeepChanges).arg(name));
}
