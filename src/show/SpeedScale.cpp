#include "show/SpeedScale.h"

#include <QtGlobal>

int ScaleElapsedBySpeed(int elapsedMs, int speed)
{
    if (speed == 50)
        return elapsedMs;
    if (speed > 50)
        return elapsedMs + (speed - 50) * 360 / 50;
    // 64-bit product: a long pause between ticks must not overflow.
    const qint64 percent = speed * 95 / 50 + 5;
    return int(percent * elapsedMs / 100);
}
