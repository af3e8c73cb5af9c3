#include "effects/RgbwColor.h"

#include <QStringList>

QString CRgbwColor::ToString() const
{
    return QStringLiteral("%1|%2|%3|%4").arg(r).arg(g).arg(b).arg(w);
}

CRgbwColor CRgbwColor::FromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() != 4)
        return CRgbwColor();
    // Stored files hold values beyond a byte; they keep their low byte.
    const auto byteOf = [](const QString& part) { return static_cast<unsigned char>(part.toInt(nullptr, 10)); };
    return CRgbwColor(byteOf(parts.at(0)), byteOf(parts.at(1)), byteOf(parts.at(2)), byteOf(parts.at(3)));
}
