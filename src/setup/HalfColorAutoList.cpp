#include "setup/HalfColorAutoList.h"

#include "setup/OneItemList.h"

#include "Captions.h"
#include "model/Language.h"

CHalfColorAutoList::CHalfColorAutoList(QWidget* parent) : CPresetsList(kOneItemEdge, parent)
{
    SPresetPayload preset;
    preset.picture = QPixmap(QStringLiteral(":/Orvane/Images/Patch/HalfColor.png"));
    preset.type = 2;
    preset.name = QStringLiteral("Half color");
    preset.count = -2;
    for (qint32& color : preset.colors)
        color = qint32(QColor(Qt::white).rgba());
    AppendItem(preset, QIcon(preset.picture))->setToolTip(GetLangText(Txt::HalfColorAuto));
    StyleOneItemList(*this);
}
