#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QStringList>

// What one scan of a picture folder found, index-aligned. A folder is read
// once per run: later lists of it show the same pictures in the same order.
struct CPictureFolderCache
{
    QStringList names;
    QStringList paths;
    QList<QIcon> icons;
    QList<QPixmap> pictures;
};

// The cache of a folder given relative to the program's directory (the
// working directory). The caches are released with the application object,
// before the picture system they hold pictures of goes away.
CPictureFolderCache& PictureFolderCache(const QString& folder);

// A preset picture from a file below the program's directory or from the
// resources; an unreadable, missing or oversized file gives an empty one.
QPixmap LoadPresetPicture(const QString& path);
