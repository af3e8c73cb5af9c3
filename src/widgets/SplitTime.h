#pragma once

struct STimeParts
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;
};

// A time in milliseconds as hours (unbounded), minutes and seconds (0-59)
// and milliseconds; times before zero count as zero.
STimeParts SplitTime(int ms);
