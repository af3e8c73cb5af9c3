#pragma once

// Scene time for `elapsedMs` of wall time, `ticks` master ticks, at a speed
// of 0 to 100, 50 being normal. Above 50 a fixed amount is added per tick,
// not a factor: a fast scene gains up to 360 ms per tick whatever the tick
// length, and a late tick that stands for several slots of the grid gains it
// for each. Below 50 the time shrinks to between 5 % (speed 0) and 100 %.
// Show time is clamped to what an int of ms holds.
int ScaleElapsedBySpeed(int elapsedMs, int speed, int ticks = 1);

// As above for a scene that plays on: below 50 the hundredths of a ms that a
// call leaves over are kept in `leftover` and handed on by a later call, so
// that a slow scene keeps its tempo however the ticks fall, many short ones
// or one late one.
int ScaleElapsedBySpeed(int elapsedMs, int speed, int ticks, int& leftover);
