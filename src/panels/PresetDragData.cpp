#include "panels/PresetDragData.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

const char kPresetWndMimeType[] = "image/zk-presetwnd";

QByteArray EncodePresetDragId(int id)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << qint32(id);
    return data;
}

bool DecodePresetDragId(const QMimeData* mime, int& id)
{
    if (!mime || !mime->hasFormat(QLatin1String(kPresetWndMimeType)))
        return false;
    QDataStream stream(mime->data(QLatin1String(kPresetWndMimeType)));
    qint32 value = 0;
    stream >> value;
    if (stream.status() != QDataStream::Ok)
        return false;
    id = value;
    return true;
}
