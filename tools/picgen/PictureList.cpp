#include "PictureList.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

constexpr int kMaxEdge = 1024;
constexpr int kMaxFrames = 64;
constexpr int kMaxDelayMs = 10000;

bool ParseAnimation(const QString& text, PictureEntry& entry)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,3})/(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    entry.frames = match.captured(1).toInt();
    entry.delayMs = match.captured(2).toInt();
    return entry.frames >= 1 && entry.frames <= kMaxFrames && entry.delayMs >= 10 && entry.delayMs <= kMaxDelayMs;
}

QString AtFrame(QString text, int frame, int frames)
{
    static const QRegularExpression range(QStringLiteral("(-?\\d+(?:\\.\\d+)?)~(-?\\d+(?:\\.\\d+)?)"));
    QRegularExpressionMatch match;
    int from = 0;
    while ((match = range.match(text, from)).hasMatch()) {
        const double a = match.captured(1).toDouble();
        const double b = match.captured(2).toDouble();
        const QString value = QString::number(a + (b - a) * frame / frames, 'f', 3);
        text.replace(match.capturedStart(), match.capturedLength(), value);
        from = match.capturedStart() + value.size();
    }
    return text;
}

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
    QString sizeText = head.takeFirst();
    const int slash = sizeText.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        if (!entry.path.endsWith(QLatin1String(".gif")) || !ParseAnimation(sizeText.mid(slash + 1), entry)) {
            error = where + QStringLiteral("frames and delay are for a .gif: \"N/frames/delay\"");
            return false;
        }
        sizeText.truncate(slash);
    }
    if (!ParseSize(sizeText, entry.size)) {
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

QVector<PictureLayer> FrameLayers(const PictureEntry& entry, int frame)
{
    QVector<PictureLayer> layers = entry.layers;
    for (PictureLayer& layer : layers) {
        layer.glyph = AtFrame(layer.glyph, frame, entry.frames);
        for (QString& arg : layer.args)
            arg = AtFrame(arg, frame, entry.frames);
    }
    return layers;
}
