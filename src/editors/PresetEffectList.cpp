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
    for (int i = 0; i < m_types.size(); ++i) {
        if (m_types.at(i) == preset.m_type && m_subTypes.at(i) == preset.m_effectType)
            return;
    }
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(icon)), QString(), this);
    item->setData(TypeRole, preset.m_type);
    item->setData(SubTypeRole, preset.m_effectType);
    item->setToolTip(preset.m_name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setSelected(selected);
    m_types << preset.m_type;
    m_subTypes << preset.m_effectType;
}

void CPresetEffectList::Clear()
{
    clear();
    m_types.clear();
    m_subTypes.clear();
}
