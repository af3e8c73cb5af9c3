#include "PictureList.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

constexpr int kMaxEdge = 1024;

bool ParseSize(const QString& text, QSize& size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,4})(?:x(\\d{1,4}))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).isEmpty() ? width : match.captured(2).toInt();
    if (width < 1 || height < 1 || width > kMaxEdge || height > kMaxEdge)
        return false;
    size = QSize(width, height);
    return true;
}

bool IsSafePath(const QString& path)
{
    if (!path.startsWith(QLatin1String("Images/")) && !path.startsWith(QLatin1String("System/")))
        return false;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace

bool ParsePictureLine(const QString& text, int line, PictureEntry& entry, QString& error)
{
    const QString where = QStringLiteral("line %1: ").arg(line);
    const QStringList layerTexts = text.split(QLatin1Char('|'));
    QStringList head = layerTexts.first().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (head.size() < 3) {
        error = where + QStringLiteral("expected a path, a size and a drawing");
        return false;
    }
    entry = PictureEntry();
    entry.line = line;
    entry.path = head.takeFirst();
    if (!IsSafePath(entry.path)) {
        error = where + QStringLiteral("path \"%1\" is not below Images/ or System/").arg(entry.path);
        return false;
    }
    if (!ParseSize(head.takeFirst(), entry.size)) {
        error = where + QStringLiteral("bad size");
        return false;
    }
    QVector<QStringList> layers{head};
    for (int i = 1; i < layerTexts.size(); ++i)
        layers.append(layerTexts[i].split(QLatin1Char(' '), Qt::SkipEmptyParts));
    for (QStringList& words : layers) {
        if (words.isEmpty()) {
            error = where + QStringLiteral("empty layer");
            return false;
        }
        PictureLayer layer;
        layer.glyph = words.takeFirst();
        layer.args = words;
        entry.layers.append(layer);
    }
    return true;
}

bool ReadPictureList(const QString& fileName, QVector<PictureEntry>& entries, QString& error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QSet<QString> seen;
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        PictureEntry entry;
        if (!ParsePictureLine(text, line, entry, error))
            return false;
        if (seen.contains(entry.path)) {
            error = QStringLiteral("line %1: \"%2\" is listed twice").arg(line).arg(entry.path);
            return false;
        }
        seen.insert(entry.path);
        entries.append(entry);
    }
    return true;
}
