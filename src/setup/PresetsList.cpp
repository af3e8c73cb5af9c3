#include "setup/PresetsList.h"

#include "setup/PictureFolderCache.h"
#include "widgets/ZKListItemDelegate.h"

#include <QDir>
#include <QDrag>
#include <QMimeData>
#include <QPointer>

CPresetsList::CPresetsList(int iconEdge, QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::IconMode);
    setIconSize(QSize(iconEdge, iconEdge));
    setResizeMode(QListView::Adjust);
    setSpacing(5);
    setDragEnabled(true);
    setDropIndicatorShown(true);
    setItemDelegate(new CZKListItemDelegate(true, this));
    m_runDrag = [](QDrag* drag) { return drag->exec(Qt::MoveAction); };
}

QListWidgetItem* CPresetsList::AppendItem(const SPresetPayload& preset, const QIcon& icon)
{
    auto* item = new QListWidgetItem(icon, QString(), this);
    item->setData(PictureRole, preset.picture);
    item->setData(TypeRole, int(preset.type));
    item->setData(NameRole, preset.name);
    item->setData(IconPathRole, preset.iconPath);
    item->setData(CountRole, int(preset.count));
    for (int i = 0; i < 4; ++i)
        item->setData(FirstColorRole + i, int(preset.colors[i]));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
    return item;
}

void CPresetsList::AddPreset(int type, const QIcon& icon, const QPixmap& picture, const QString& name,
                             const QString& path)
{
    SPresetPayload preset;
    preset.picture = picture;
    preset.type = type;
    preset.name = name;
    preset.iconPath = path;
    AppendItem(preset, icon)->setToolTip(name);
}

void CPresetsList::AddPresetFromFile(int type, const QString& name, const QString& path, int count)
{
    SPresetPayload preset;
    preset.picture = LoadPresetPicture(path);
    preset.type = type;
    preset.name = name;
    preset.iconPath = path;
    preset.count = count;
    AppendItem(preset, QIcon(preset.picture))->setToolTip(name);
}

void CPresetsList::ScanFolder(int type, const QString& folder, CPictureFolderCache& cache)
{
    if (cache.names.isEmpty()) {
        const QDir dir(folder);
        const QDir program = QDir::current();
        const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.png")}, QDir::Files | QDir::NoSymLinks,
                                                      QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& file : files) {
            const QString path = program.relativeFilePath(file.absoluteFilePath());
            const QPixmap picture = LoadPresetPicture(path);
            cache.names << file.fileName().remove(QStringLiteral(".png"));
            cache.paths << path;
            cache.icons << QIcon(picture);
            cache.pictures << picture;
        }
    }
    for (int i = 0; i < cache.names.size(); ++i)
        AddPreset(type, cache.icons[i], cache.pictures[i], cache.names[i], cache.paths[i]);
}

SPresetPayload CPresetsList::ItemPreset(const QListWidgetItem* item)
{
    SPresetPayload preset;
    preset.picture = item->data(PictureRole).value<QPixmap>();
    preset.type = item->data(TypeRole).toInt();
    preset.name = item->data(NameRole).toString();
    preset.iconPath = item->data(IconPathRole).toString();
    preset.count = item->data(CountRole).toInt();
    for (int i = 0; i < 4; ++i)
        preset.colors[i] = item->data(FirstColorRole + i).toInt();
    return preset;
}

bool CPresetsList::GetCurrentPreset(SPresetPayload& preset) const
{
    if (!currentItem())
        return false;
    preset = ItemPreset(currentItem());
    return true;
}

void CPresetsList::startDrag(Qt::DropActions)
{
    const QListWidgetItem* item = currentItem();
    if (!item)
        return;
    clearSelection();
    QPixmap picture = item->data(PictureRole).value<QPixmap>();
    if (picture.size() != QSize(kDragEdge, kDragEdge) && !picture.isNull())
        picture = picture.scaled(kDragEdge, kDragEdge, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    RunDrag(item, picture, QPoint(kDragEdge / 2, kDragEdge / 2));
}

void CPresetsList::RunDrag(const QListWidgetItem* item, const QPixmap& dragPicture, const QPoint& hotSpot)
{
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kPresetMimeType), EncodePresetPayload(ItemPreset(item)));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(dragPicture);
    drag->setHotSpot(hotSpot);
    const QPointer<QDrag> guard(drag);
    m_runDrag(drag);
    if (guard)
        guard->deleteLater();
}
