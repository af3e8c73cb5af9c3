#include "effects/RgbwColor.h"

#include <QVector>

QString CRgbwColor::ToString() const
{
    return QStringLiteral("%1|%2|%3|%4").arg(r).arg(g).arg(b).arg(w);
}

CRgbwColor CRgbwColor::FromString(const QString& text)
{
    // Four numbers take a few dozen characters: a longer text is no colour,
    // and is not split (an effect's list repeats one text for every item
    // that lacks its own, and a text of millions of separators made a list
    // of millions each time).
    constexpr int kLongest = 64;
    if (text.size() > kLongest || text.count(QLatin1Char('|')) != 3)
        return CRgbwColor();
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char('|'));
    // Stored files hold values beyond a byte; they keep their low byte.
    const auto byteOf = [](const QStringRef& part) { return static_cast<unsigned char>(part.toInt(nullptr, 10)); };
    return CRgbwColor(byteOf(parts.at(0)), byteOf(parts.at(1)), byteOf(parts.at(2)), byteOf(parts.at(3)));
}
