#pragma once

#include "app/MasterTick.h"

// A clock the test moves by hand.
struct CManualClock
{
    qint64 now = 1000;
    CMasterTick::Clock Get()
    {
        return [this] { return now; };
    }
};
