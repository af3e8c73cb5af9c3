#include "editors/PresetEffectList.h"

#include "editors/ChannelEffectList.h"
#include "model/ProfilePresetDef.h"

#include <QPixmap>

CPresetEffectList::CPresetEffectList(QWidget* parent)
    : QListWidget(parent)
{
    SetUpEffectIconList(*this);
}

void CPresetEffectList::AddPreset(const CProfilePresetDef& preset, const QImage& icon, bool selected)
{
    for (int i = 0; i < count(); ++i) {
        const QListWidgetItem* shown = item(i);
        if (shown->data(TypeRole).toInt() == preset.m_type && shown->data(SubTypeRole).toInt() == preset.m_effectType)
            return;
    }
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(icon)), QString(), this);
    item->setData(TypeRole, preset.m_type);
    item->setData(SubTypeRole, preset.m_effectType);
    item->setToolTip(preset.m_name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setSelected(selected);
}
