// Draws the program's pictures from the picture list at build time, so that
// every picture is our own drawing and the list is the one place that names
// them (the build reads the same list to know what is produced).
//
// picgen <list> <resource-dir> <program-dir>
// Paths "Images/..." go below <resource-dir> (they are compiled into the
// resource tree), "System/..." below <program-dir> (files read beside the
// program).

#include "GifWriter.h"
#include "Glyphs.h"
#include "PictureList.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <cstdio>

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "picgen: %s\n", qPrintable(message));
    return 1;
}

// "glyph@x,y,s" draws the glyph into the s x s square at (x, y) of the 100 x
// 100 box, so small badges can sit on a bigger drawing.
bool Placement(QString& glyph, QTransform& place)
{
    const int at = glyph.indexOf(QLatin1Char('@'));
    if (at < 0)
        return true;
    const QStringList parts = glyph.mid(at + 1).split(QLatin1Char(','));
    glyph.truncate(at);
    if (parts.size() != 3)
        return false;
    bool okX = false, okY = false, okS = false;
    const double x = parts[0].toDouble(&okX);
    const double y = parts[1].toDouble(&okY);
    const double s = parts[2].toDouble(&okS);
    if (!okX || !okY || !okS || s <= 0)
        return false;
    place = QTransform::fromTranslate(x, y).scale(s / 100, s / 100);
    return true;
}

bool Draw(const PictureEntry& entry, const QVector<PictureLayer>& layers, QImage& image, QString& error)
{
    image = QImage(entry.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QTransform box = QTransform::fromScale(entry.size.width() / 100.0, entry.size.height() / 100.0);
    for (const PictureLayer& layer : layers) {
        QString glyph = layer.glyph;
        QTransform place;
        if (!Placement(glyph, place)) {
            error = QStringLiteral("line %1: bad placement in \"%2\"").arg(entry.line).arg(layer.glyph);
            return false;
        }
        const GlyphFn draw = FindGlyph(glyph);
        if (!draw) {
            error = QStringLiteral("line %1: no drawing named \"%2\"").arg(entry.line).arg(glyph);
            return false;
        }
        const GlyphArgs args(layer.args, entry.size);
        painter.save();
        painter.setTransform(place * box);
        draw(painter, args);
        painter.restore();
        if (!args.Error().isEmpty()) {
            error = QStringLiteral("line %1, %2: %3").arg(entry.line).arg(glyph, args.Error());
            return false;
        }
    }
    return true;
}

bool Write(const PictureEntry& entry, const QVector<QImage>& frames, const QString& fileName, QString& error)
{
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        error = QStringLiteral("cannot create the folder of %1").arg(fileName);
        return false;
    }
    QSaveFile file(fileName);
    // Some names carry no suffix or a doubled one, so the format is never
    // guessed from the name.
    const bool animated = entry.path.endsWith(QLatin1String(".gif"));
    bool written = file.open(QIODevice::WriteOnly);
    if (written)
        written = animated ? file.write(EncodeGif(frames, entry.delayMs)) > 0 : frames.first().save(&file, "PNG");
    if (!written || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Fail(QStringLiteral("usage: picgen <list> <resource-dir> <program-dir>"));
    const QString resourceDir = QString::fromLocal8Bit(argv[2]);
    const QString programDir = QString::fromLocal8Bit(argv[3]);
    QVector<PictureEntry> entries;
    QString error;
    if (!ReadPictureList(QString::fromLocal8Bit(argv[1]), entries, error))
        return Fail(error);
    for (const PictureEntry& entry : entries) {
        QVector<QImage> frames;
        for (int frame = 0; frame < entry.frames; ++frame) {
            QImage image;
            if (!Draw(entry, FrameLayers(entry, frame), image, error))
                return Fail(error);
            frames.append(image);
        }
        const QString root = entry.path.startsWith(QLatin1String("Images/")) ? resourceDir : programDir;
        if (!Write(entry, frames, root + QLatin1Char('/') + entry.path, error))
            return Fail(error);
    }
    return 0;
}
