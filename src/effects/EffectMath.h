#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <limits>

// Integer arithmetic the effect generators share. Effect files are untrusted,
// so every helper stays defined for any input: no overflow, no index past an
// array.
namespace EffectMath {

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
inline qint64 Trunc(double v)
{
    if (!(v == v))
        return 0;
    constexpr double limit = double(std::numeric_limits<int>::max());
    if (v >= limit)
        return std::numeric_limits<int>::max();
    if (v <= -limit)
        return -std::numeric_limits<int>::max();
    return qint64(v);
}

// Remainder in 0..n-1 for any sign of v; n > 0.
inline int Wrap(qint64 v, int n)
{
    const qint64 r = v % n;
    return int(r < 0 ? r + n : r);
}

// Arrays that were never sized read as 0.
inline unsigned char ByteAt(const QByteArray& array, int index)
{
    return index >= 0 && index < array.size() ? static_cast<unsigned char>(array[index]) : 0;
}

// Held to 0-255; an index outside the array is dropped.
inline void PutByte(QByteArray& array, int index, qint64 value)
{
    if (index >= 0 && index < array.size())
        array[index] = char(std::clamp<qint64>(value, 0, 255));
}

} // namespace EffectMath
