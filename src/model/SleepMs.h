#pragma once

// Blocks the calling thread; pending events wait until it returns. A
// negative time does not sleep.
void SleepMs(int milliseconds);
