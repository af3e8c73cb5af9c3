#include "show/SpeedScale.h"

#include <QtGlobal>

#include <climits>

int ScaleElapsedBySpeed(int elapsedMs, int speed, int ticks)
{
    if (speed == 50)
        return elapsedMs;
    if (speed > 50)
        return int(qMin<qint64>(INT_MAX, elapsedMs + qint64(qMax(1, ticks)) * ((speed - 50) * 360 / 50)));
    // 64-bit product: a long pause between ticks must not overflow.
    const qint64 percent = speed * 95 / 50 + 5;
    return int(percent * elapsedMs / 100);
}
