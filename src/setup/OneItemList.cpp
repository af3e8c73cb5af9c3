#include "setup/OneItemList.h"

#include "app/options/AppOptions.h"
#include "setup/PresetsList.h"

void StyleOneItemList(CPresetsList& list)
{
    list.setFrameShape(QFrame::NoFrame);
    list.setFixedSize(80, 80);
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, PanelBackground());
    list.setPalette(palette);
}
