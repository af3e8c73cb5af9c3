#include "setup/ProfilesList.h"

#include "show/ShowHost.h"
#include "widgets/ZKListItemDelegate.h"

#include <QDataStream>
#include <QDrag>
#include <QMimeData>

const QString CProfilesList::kMimeType = QStringLiteral("image/zk-profile");

CProfilesList::CProfilesList(QWidget* parent) : QListWidget(parent)
{
    setDragEnabled(true);
    setDropIndicatorShown(true);
    setAlternatingRowColors(true);
    setItemDelegate(new CZKListItemDelegate(false, this));
    setPalette(ShowHost().ProgramPalette());
}

void CProfilesList::AddProfile(const QString& name, const QString& path)
{
    auto* item = new QListWidgetItem(name, this);
    item->setData(NameRole, name);
    item->setData(PathRole, path);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
}

QByteArray CProfilesList::EncodePayload(const QString& name, const QString& path)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << name << path;
    return payload;
}

bool CProfilesList::DecodePayload(const QByteArray& payload, QString& name, QString& path)
{
    QDataStream stream(payload);
    QString readName;
    QString readPath;
    stream >> readName >> readPath;
    if (stream.status() != QDataStream::Ok)
        return false;
    name = readName;
    path = readPath;
    return true;
}

QMimeData* CProfilesList::CurrentMimeData() const
{
    const QListWidgetItem* item = currentItem();
    if (!item)
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kMimeType, EncodePayload(item->data(NameRole).toString(), item->data(PathRole).toString()));
    return data;
}

void CProfilesList::startDrag(Qt::DropActions)
{
    QMimeData* data = CurrentMimeData();
    if (!data)
        return;
    static const QPixmap pixmap(QStringLiteral(":/Orvane/Images/Patch/DragProfile.png"));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(pixmap);
    drag->setHotSpot(QPoint(pixmap.width() / 2, pixmap.height() / 2));
    drag->exec(Qt::MoveAction);
}
