#include "widgets/SplitTime.h"

STimeParts SplitTime(int ms)
{
    STimeParts parts;
    if (ms <= 0)
        return parts;
    parts.milliseconds = ms % 1000;
    parts.seconds = ms / 1000 % 60;
    parts.minutes = ms / 60000 % 60;
    parts.hours = ms / 3600000;
    return parts;
}
