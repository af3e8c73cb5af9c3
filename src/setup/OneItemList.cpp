#include "setup/OneItemList.h"

#include "app/options/AppOptions.h"
#include "setup/PresetsList.h"
#include "show/ShowHost.h"

void StyleOneItemList(CPresetsList& list)
{
    list.setFrameShape(QFrame::NoFrame);
    list.setFixedSize(80, 80);
    const CAppOptions* options = ShowHost().AppOptions();
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, options ? options->m_panelBackground : QColor(175, 175, 170));
    list.setPalette(palette);
}
