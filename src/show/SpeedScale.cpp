#include "show/SpeedScale.h"

#include <QtGlobal>

#include <climits>

namespace {

// Hundredths of the elapsed time that a slow speed keeps.
qint64 SlowPercent(int speed)
{
    return speed * 95 / 50 + 5;
}

} // namespace

int ScaleElapsedBySpeed(int elapsedMs, int speed, int ticks)
{
    if (speed == 50)
        return elapsedMs;
    if (speed > 50)
        return int(qMin<qint64>(INT_MAX, elapsedMs + qint64(qMax(1, ticks)) * ((speed - 50) * 360 / 50)));
    // 64-bit product: a long pause between ticks must not overflow.
    return int(SlowPercent(speed) * elapsedMs / 100);
}

int ScaleElapsedBySpeed(int elapsedMs, int speed, int ticks, int& leftover)
{
    if (speed >= 50 || elapsedMs < 0)
        return ScaleElapsedBySpeed(elapsedMs, speed, ticks);
    // At most INT_MAX x 100 + 99 hundredths: whole ms that fit an int.
    const qint64 hundredths = SlowPercent(speed) * elapsedMs + qBound(0, leftover, 99);
    leftover = int(hundredths % 100);
    return int(hundredths / 100);
}
