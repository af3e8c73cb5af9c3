#include "setup/ProfileEditorDialogs.h"

#include "model/ProfileChannelDef.h"
#include "setup/EditChannelDlg.h"

CProfileChannelDef* CProfileEditorDialogs::EditChannel(const CProfileChannelDef& channel, QWidget* parent)
{
    CEditChannelDlg dialog(channel, parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    CProfileChannelDef* copy = dialog.WorkingCopy();
    if (accepted)
        return copy;
    delete copy;
    return nullptr;
}

bool CProfileEditorDialogs::EditColorDimmer(QColor&, QColor&, QWidget*)
{
    return false;
}

bool CProfileEditorDialogs::AssignBeams(CLibraryProfile&, QWidget*)
{
    return false;
}
