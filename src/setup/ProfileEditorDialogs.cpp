#include "setup/ProfileEditorDialogs.h"

#include "model/LibraryProfile.h"
#include "model/ProfileChannelDef.h"
#include "setup/AssignBeamDlg.h"
#include "setup/ColorDimmerDlg.h"
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

bool CProfileEditorDialogs::EditColorDimmer(QColor& low, QColor& high, QWidget* parent)
{
    return CColorDimmerDlg::Run(low, high, parent);
}

bool CProfileEditorDialogs::AssignBeams(CLibraryProfile& profile, QWidget* parent)
{
    return CAssignBeamDlg::Run(&profile, parent);
}
