#pragma once

#include "FileBytes.h"
#include "GifWriter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

// A scratch folder made the current one for the test's lifetime, since the
// picture library is looked up below the current folder.
class CPictureFolder
{
public:
    CPictureFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~CPictureFolder() { QDir::setCurrent(m_previous); }

    // Writes `bytes` as <folder>/<name> below the scratch folder; returns its
    // absolute path.
    QString Write(const QString& folder, const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(m_dir.filePath(folder));
        return WrittenFile(QDir(m_dir.filePath(folder)).absoluteFilePath(name), bytes);
    }
    QString Path(const QString& relative) const { return m_dir.filePath(relative); }

    // Frame i is a flat grey of 40 * (i + 1).
    static QByteArray Animation(QSize size, int frames, int delayMs = 80)
    {
        QVector<QImage> images;
        for (int i = 0; i < frames; ++i) {
            QImage image(size, QImage::Format_ARGB32);
            image.fill(QColor(40 * (i + 1), 40 * (i + 1), 40 * (i + 1)));
            images << image;
        }
        return EncodeGif(images, delayMs);
    }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
