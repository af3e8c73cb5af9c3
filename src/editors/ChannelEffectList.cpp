#include "editors/ChannelEffectList.h"

#include "model/ProfileChannelDef.h"
#include "model/ProfileTypes.h"
#include "widgets/ZKListItemDelegate.h"

void SetUpEffectIconList(QListWidget& list)
{
    list.setViewMode(QListView::IconMode);
    list.setIconSize(QSize(48, 48));
    list.setResizeMode(QListView::Adjust);
    list.setSelectionMode(QAbstractItemView::MultiSelection);
    list.setSelectionRectVisible(false);
    list.setSpacing(5);
    list.setItemDelegate(new CZKListItemDelegate(true, &list));
}

CChannelEffectList::CChannelEffectList(QWidget* parent)
    : QListWidget(parent)
{
    SetUpEffectIconList(*this);
}

void CChannelEffectList::AddChannel(const CProfileChannelDef& channel, bool selected)
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(TypeRole).toInt() == channel.m_type)
            return;
    }
    auto* item = new QListWidgetItem(QIcon(GetChannelTypeIcon(channel.m_type, QStringLiteral(":/Orvane/Images/Channels/"))),
                                     QString(), this);
    item->setData(TypeRole, channel.m_type);
    item->setToolTip(channel.m_name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setSelected(selected);
}
