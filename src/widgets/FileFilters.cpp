#include "widgets/FileFilters.h"

#include <QStringList>

namespace {

const QStringList& VideoSuffixes()
{
    static const QStringList suffixes{QStringLiteral("avi"), QStringLiteral("m4v"),  QStringLiteral("mov"),
                                      QStringLiteral("mp4"), QStringLiteral("mpg"),  QStringLiteral("vob"),
                                      QStringLiteral("wmv"), QStringLiteral("dvx"),  QStringLiteral("divx"),
                                      QStringLiteral("mkv"), QStringLiteral("mpeg"), QStringLiteral("xvid")};
    return suffixes;
}

QString Patterns(const QStringList& suffixes)
{
    QStringList patterns;
    for (const QString& suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return patterns.join(QLatin1Char(' '));
}

} // namespace

QString SoundFileFilter()
{
    return QStringLiteral("*.mp3 *.wav *.wma *.cda *.ogg *.aac");
}

QString VideoFileFilter()
{
    return Patterns(VideoSuffixes());
}

QString ImageFileFilter()
{
    return QStringLiteral("*.jpg *.jpeg *.bmp *.png *.gif *.tif *.tiff");
}

bool IsVideoFileSuffix(const QString& suffix)
{
    return VideoSuffixes().contains(suffix);
}
