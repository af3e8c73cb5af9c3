#include "setup/ChannelsList.h"

#include "model/Language.h"
#include "model/ProfileTypes.h"
#include "widgets/ZKListItemDelegate.h"
#include "Captions.h"

#include <QDataStream>
#include <QDrag>
#include <QMimeData>

const QString CChannelsList::kMimeType = QStringLiteral("image/zk-channel");

namespace {

const QString kImages = QStringLiteral(":/Orvane/Images/");

// The order the editor offers them in: the most used first, Undef last.
const int kOfferedTypes[] = {
    ChannelType::Dimmer,    ChannelType::Shutter,      ChannelType::Red,           ChannelType::White,
    ChannelType::Cyan,      ChannelType::ColorDimmer,  ChannelType::Speed,         ChannelType::Pan,
    ChannelType::Iris,      ChannelType::Focus,        ChannelType::Zoom,          ChannelType::GoboWheel,
    ChannelType::GoboWheelRot, ChannelType::GoboRot,   ChannelType::GoboIndex,     ChannelType::GoboShake,
    ChannelType::ColorWheel, ChannelType::ColorWheelRot, ChannelType::Prism,       ChannelType::PrismRot,
    ChannelType::PrismIndex, ChannelType::Undef,
};

// The group entries have a name and picture of their own.
void Describe(int type, QString& name, QString& icon)
{
    static const struct { int type; int caption; const char* icon; } groups[] = {
        {ChannelType::Red, Txt::ChannelsRGB, "Channels/RGB.png"},
        {ChannelType::White, Txt::ChannelsRGBW, "Channels/RGBW.png"},
        {ChannelType::Cyan, Txt::ChannelsCMY, "Channels/CMY.png"},
        {ChannelType::Pan, Txt::ChannelsPanTilt, "Channels/XY.png"},
    };
    for (const auto& group : groups) {
        if (group.type == type) {
            name = GetLangText(group.caption);
            icon = kImages + QLatin1String(group.icon);
            return;
        }
    }
    name = GetChannelTypeName(type);
    icon = GetChannelTypeIcon(type, kImages + QStringLiteral("Channels/"));
}

} // namespace

CChannelsList::CChannelsList(QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::IconMode);
    setIconSize(QSize(24, 24));
    setResizeMode(QListView::Adjust);
    setItemDelegate(new CZKListItemDelegate(true, this));
    setSpacing(5);
    setDragEnabled(true);
    setDropIndicatorShown(true);
    FillChannelTypes();
}

void CChannelsList::AddChannelType(int type)
{
    QString name;
    QString icon;
    Describe(type, name, icon);
    auto* item = new QListWidgetItem(QIcon(icon), QString(), this);
    item->setData(PixmapRole, QPixmap(icon));
    item->setData(TypeRole, type);
    item->setToolTip(name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
}

void CChannelsList::FillChannelTypes()
{
    for (int type : kOfferedTypes)
        AddChannelType(type);
}

bool CChannelsList::GetCurrentChannelType(QPixmap& pixmap, int& type) const
{
    const QListWidgetItem* item = currentItem();
    if (!item)
        return false;
    pixmap = item->data(PixmapRole).value<QPixmap>();
    type = item->data(TypeRole).toInt();
    return true;
}

QByteArray CChannelsList::EncodePayload(const QPixmap& pixmap, int type)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << pixmap << qint32(type);
    return payload;
}

bool CChannelsList::DecodePayload(const QByteArray& payload, QPixmap& pixmap, int& type)
{
    QDataStream stream(payload);
    QPixmap readPixmap;
    qint32 readType = 0;
    stream >> readPixmap >> readType;
    if (stream.status() != QDataStream::Ok || readType < 0 || readType >= ChannelType::kCount)
        return false;
    pixmap = readPixmap;
    type = readType;
    return true;
}

QMimeData* CChannelsList::CurrentMimeData() const
{
    QPixmap pixmap;
    int type = 0;
    if (!GetCurrentChannelType(pixmap, type))
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kMimeType, EncodePayload(pixmap, type));
    return data;
}

void CChannelsList::startDrag(Qt::DropActions)
{
    QPixmap pixmap;
    int type = 0;
    if (!GetCurrentChannelType(pixmap, type))
        return;
    QMimeData* data = CurrentMimeData();
    clearSelection();
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(pixmap);
    drag->setHotSpot(QPoint(pixmap.width() / 2, pixmap.height() / 2));
    drag->exec(Qt::MoveAction);
}
